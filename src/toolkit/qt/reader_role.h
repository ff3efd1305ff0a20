// The role Qt gives a reader for what a widget of the desktop's own is
// (model/reader.h), on both the Qt Widgets and the Qt Quick face.
#pragma once

#include <QAccessible>

#include "../model/reader.h"

namespace korvane::tk::qt {

inline QAccessible::Role ToQRole(model::ReaderKind kind) {
    switch (kind) {
        case model::ReaderKind::Window:
            return QAccessible::Window;
        case model::ReaderKind::Dialog:
            return QAccessible::Dialog;
        case model::ReaderKind::Alert:
            return QAccessible::AlertMessage;
        case model::ReaderKind::StaticText:
            return QAccessible::StaticText;
        case model::ReaderKind::PushButton:
            return QAccessible::PushButton;
        case model::ReaderKind::Link:
            return QAccessible::Link;
        case model::ReaderKind::Graphic:
            return QAccessible::Graphic;
        case model::ReaderKind::EditableText:
            return QAccessible::EditableText;
        case model::ReaderKind::List:
            return QAccessible::List;
        case model::ReaderKind::None:
            break;
    }
    return QAccessible::NoRole;
}

}  // namespace korvane::tk::qt

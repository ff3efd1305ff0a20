// What a widget of the desktop's own (one the control gave no role: a host's
// form and what is on it, the About box, the message box) is to a screen
// reader, whichever face shows it: what it is, what it is called and what
// it says of itself, read from what a person sees on it. The Qt Widgets and
// the Qt Quick faces both ask here, so a form reads the same on both; each
// turns the answer into its toolkit's terms.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "korvane/toolkit/widgets.h"
#include "node.h"
#include "text.h"

namespace korvane::tk::model {

enum class ReaderKind {
    None,          // nothing a reader meets (a timer)
    Window,        // a form
    Dialog,        // a form with a dialog's frame (the About box)
    Alert,         // the desktop's message box
    StaticText,    // a label
    PushButton,    // a command button
    Link,          // a flat command button, drawn as its caption alone
    Graphic,       // an image
    EditableText,  // a text box
    List,          // a list box
};

// What a widget is to a reader; `messageBox` tells the desktop's message
// box from the other dialogs.
template <class NodeT>
ReaderKind ReaderKindOf(const NodeT& node, bool messageBox) {
    switch (node.kind) {
        case Kind::Form: {
            const auto* form = dynamic_cast<const Form*>(node.self);
            if (messageBox)
                return ReaderKind::Alert;
            return form != nullptr && form->Dialog() ? ReaderKind::Dialog : ReaderKind::Window;
        }
        case Kind::Label:
            return ReaderKind::StaticText;
        case Kind::CommandButton: {
            const auto* button = dynamic_cast<const CommandButton*>(node.self);
            return button != nullptr && button->Flat() ? ReaderKind::Link : ReaderKind::PushButton;
        }
        case Kind::Image:
            return ReaderKind::Graphic;
        case Kind::TextBox:
            return ReaderKind::EditableText;
        case Kind::ListBox:
            return ReaderKind::List;
        case Kind::UserControl:  // read through: its widgets are read as its form's
        case Kind::Timer:
            break;
    }
    return ReaderKind::None;
}

// A caption as a reader hears it: the first `lines` of its lines (those
// its widget is tall enough to show), without the spaces that only place
// them (the About box leaves room for its links so), the empty ones left
// out, and a button's access key marker (&) dropped ("&&" is one &).
inline std::string ReaderCaption(std::string_view caption, bool accessKeys, std::size_t lines = SIZE_MAX) {
    std::string out;
    const std::vector<std::string_view> all = SplitLines(caption);
    for (std::size_t n = 0; n < all.size() && n < lines; ++n) {
        std::string_view line = all[n];
        const auto first = line.find_first_not_of(' ');
        if (first == std::string_view::npos)
            continue;
        line = line.substr(first, line.find_last_not_of(' ') - first + 1);
        if (!out.empty())
            out += '\n';
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (accessKeys && line[i] == '&' && i + 1 < line.size())
                ++i;
            out += line[i];
        }
    }
    return out;
}

// The lines of text a widget is tall enough to show (at least one).
template <class NodeT>
std::size_t LinesShown(const NodeT& node) {
    const float line = node.TextHeight("X");
    if (!(line > 0))
        return SIZE_MAX;
    return std::max<std::size_t>(1, static_cast<std::size_t>(node.GetHeight() / line + 0.01f));
}

// What a reader calls a widget: the name the program gave it for readers,
// else what it shows (a form's caption, a label's or a button's). A text
// box, a list or an image shows nothing that names it.
template <class NodeT>
std::string ReaderName(const NodeT& node) {
    if (!node.accessibleName.empty())
        return node.accessibleName;
    switch (node.kind) {
        case Kind::Form:
            if (const auto* form = dynamic_cast<const Form*>(node.self))
                return ReaderCaption(form->Caption(), false);
            break;
        case Kind::Label:
            if (const auto* label = dynamic_cast<const Label*>(node.self))
                return ReaderCaption(label->Caption(), false, LinesShown(node));
            break;
        case Kind::CommandButton:
            if (const auto* button = dynamic_cast<const CommandButton*>(node.self))
                return ReaderCaption(button->Caption(), true);
            break;
        default:
            break;
    }
    return {};
}

// What a widget says of itself beyond its name: its tool tip, else what
// its picture shows.
template <class NodeT>
std::string ReaderDescription(const NodeT& node) {
    if (!node.toolTip.empty())
        return node.toolTip;
    if (node.kind == Kind::Image) {
        if (const auto* image = dynamic_cast<const Image*>(node.self); image != nullptr && image->Picture() != nullptr)
            return image->Picture()->Name;
    }
    return {};
}

// Whether a reader meets the widget at all: a label that shows no text (a
// frame drawn around others) is only a line on the screen.
template <class NodeT>
bool ReaderMeets(const NodeT& node, ReaderKind kind) {
    return kind != ReaderKind::None && (kind != ReaderKind::StaticText || !ReaderName(node).empty());
}

// A reader presses push buttons and links.
inline bool ReaderPresses(ReaderKind kind) {
    return kind == ReaderKind::PushButton || kind == ReaderKind::Link;
}

}  // namespace korvane::tk::model

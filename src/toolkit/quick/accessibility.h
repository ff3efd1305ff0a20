// What the Qt Quick desktop tells a screen reader, called where things
// change (accessible_events.cpp; the faces themselves are private to the
// accessible_*.cpp files, see accessibility_p.h).
#pragma once

#include <QString>
#include <cstdint>
#include <string_view>

#include "desktop.h"

class QQuickItem;

namespace korvane::tk::quick {

// The item `holder` of a host's scene now holds a control whose user
// control is the combo box `combo`: Qt Quick lists the holder among the
// scene's accessible items from now on (QuickDesktop::Reparent).
void AccessibleHolderAdopted(QQuickItem& holder, Node& combo);
// A list's current row moved: the row is selected (and focused when its
// list has the focus), and the combo box's value changed.
void AccessibleRowChanged(Node& list);
// A field's text or a label's caption written by code: the combo box's
// value changed (told once, after the current turn of the event loop).
void AccessibleValueChanged(Node& part);
// A search's view changed how many rows show: the description changed.
void AccessibleDescriptionChanged(Node& part);
// The desktop's focus moved to `id`: the part of a combo box that has it
// (or the list's current row) is focused.
void AccessibleFocusMoved(QuickDesktop::Impl& desk, std::uint64_t id);
// A form showed or hid: a drop-down's combo box expanded or collapsed; a
// dialog of the desktop's own started or ended (the message box an alert).
void AccessibleFormShown(Node& form);
// The faces answer before Qt Quick's own from now on (the desktop's
// construction).
void InstallAccessibleFaces();

// What a listening reader is told of an edit of a field, gathered before
// the edit: where it is in the reader's UTF-16 offsets and what goes.
struct FieldEditNews {
    bool listening = false;
    int offset = 0;
    QString gone;
};
FieldEditNews AccessibleFieldEditing(const Node& box, std::int32_t from, std::int32_t count);
// A person's (or a reader's) edit: what went and what came, then the caret.
void AccessibleFieldEdited(Node& box, const FieldEditNews& news, std::string_view inserted);
// Code wrote the whole text: the text was updated.
void AccessibleFieldRewritten(Node& box, const FieldEditNews& news);
// The caret or the selection of a field moved.
void AccessibleCaretMoved(Node& box);

}  // namespace korvane::tk::quick

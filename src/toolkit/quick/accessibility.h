// What the Qt Quick desktop tells a screen reader, called where things
// change (accessible_events.cpp; the faces themselves are private to the
// accessible_*.cpp files, see accessibility_p.h).
#pragma once

#include <cstdint>

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
// A drop-down showed or hid: its combo box expanded or collapsed.
void AccessibleDropDownShown(Node& form);

}  // namespace korvane::tk::quick

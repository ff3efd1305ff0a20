// What the reader is told when the control changes: a list's current row,
// the combo box's value and description (once a turn of the event loop),
// focus moves the desktop makes where Qt cannot follow, and a drop-down
// showing or hiding.
#include <QApplication>
#include <set>
#include <utility>

#include "accessibility_p.h"

namespace korvane::tk::qt {

using namespace a11y;

// A list's current row moved (Up, Down, the pointer, the program). A row
// the person sees is selected, and focused when its list has the focus; a
// combo box's value changed, as a QComboBox's does, whether its list shows
// or not.
void AccessibleRowChanged(Node& list) {
    if (!QAccessible::isActive() || list.kind != Kind::ListBox || list.role == Role::RowListColumn)
        return;
    const std::uint64_t id = list.id;
    Impl* desk = list.desk;
    if (list.role != Role::RowList) {
        if (QWidget* w = list.Q()) {
            QAccessibleValueChangeEvent event(
                w, ReaderText(static_cast<QtListBox&>(list).EntryText(static_cast<QtListBox&>(list).ListIndex())));
            QAccessible::updateAccessibility(&event);
        }
        return;
    }
    if (QAccessibleInterface* row = CurrentRowFace(list)) {
        if (desk != nullptr && desk->focus == id) {
            QAccessibleEvent focus(row, QAccessible::Focus);
            QAccessible::updateAccessibility(&focus);
        }
        QAccessibleEvent selection(row, QAccessible::Selection);
        QAccessible::updateAccessibility(&selection);
    }
    // A reader's handler may run in between: find the list anew.
    if (Node* again = desk != nullptr ? desk->Get(id) : nullptr)
        AccessibleValueChanged(*again);
}

namespace {
// Tells the reader of a change of the combo box that holds `part` once,
// after the current turn of the event loop, whatever number of changes
// the turn made: its value (DescriptionChanged false) or its description.
void TellComboLater(Node& part, bool description) {
    static std::set<std::pair<QAccessible::Id, bool>> pending;
    if (!QAccessible::isActive())
        return;
    Node* combo = ComboOf(part);
    QWidget* w = combo != nullptr ? combo->Q() : nullptr;
    QAccessibleInterface* face = w != nullptr ? QAccessible::queryAccessibleInterface(w) : nullptr;
    if (face == nullptr || face->role() != QAccessible::ComboBox)
        return;
    const QAccessible::Id id = QAccessible::uniqueId(face);
    if (!pending.insert({id, description}).second)
        return;
    QMetaObject::invokeMethod(
        w,
        [id, description] {
            pending.erase({id, description});
            QAccessibleInterface* again = QAccessible::accessibleInterface(id);
            if (again == nullptr || !again->isValid() || !QAccessible::isActive())
                return;
            if (description) {
                QAccessibleEvent changed(again, QAccessible::DescriptionChanged);
                QAccessible::updateAccessibility(&changed);
            } else {
                QAccessibleValueChangeEvent value(again, again->text(QAccessible::Value));
                QAccessible::updateAccessibility(&value);
            }
        },
        Qt::QueuedConnection);
}
}  // namespace

// The value a reader hears is the one the control ends with: both fields,
// or both labels, are written one after the other, so the news goes out
// once, after the current turn of the event loop.
void AccessibleValueChanged(Node& part) {
    TellComboLater(part, false);
}

// A search's match count is in the description.
void AccessibleDescriptionChanged(Node& part) {
    TellComboLater(part, true);
}

// Qt tells a reader of its own focus moves; a move into a drop-down, which
// takes no X focus, and back out of it is ours to tell: the list's current
// row, or the part of the combo box that has the focus again.
void AccessibleFocusMoved(Impl& desk, std::uint64_t id, std::uint64_t old) {
    Node* now = desk.Get(id);
    Node* before = desk.Get(old);
    const bool fromDropDown = before != nullptr && before->parent != nullptr && before->parent->role == Role::DropDown;
    if (!QAccessible::isActive() || now == nullptr || !OnScreen(*now) ||
        (now->Q() == QApplication::focusWidget() && !fromDropDown))
        return;
    if (ComboOf(*now) == nullptr)
        return;
    QAccessibleInterface* face = FaceOf(now);
    if (QAccessibleInterface* row = CurrentRowFace(*now))
        face = row;
    if (face == nullptr || face->state().invisible)
        return;
    QAccessibleEvent focus(face, QAccessible::Focus);
    QAccessible::updateAccessibility(&focus);
}

// A drop-down opened or closed: its combo box is expanded or collapsed now.
void AccessibleDropDownShown(Node& form) {
    if (!QAccessible::isActive() || form.role != Role::DropDown)
        return;
    Node* combo = ComboOf(form);
    QAccessibleInterface* face = FaceOf(combo);
    if (face == nullptr)
        return;
    QAccessible::State changed;
    changed.expanded = true;
    changed.collapsed = true;
    QAccessibleStateChangeEvent event(face, changed);
    QAccessible::updateAccessibility(&event);
}

}  // namespace korvane::tk::qt

// What the reader is told when a control on the Qt Quick desktop changes:
// a list's current row, the combo box's value and description (once a turn
// of the event loop), the desktop's focus moves inside a combo box (Qt
// Quick tells only its own accessible items' focus, and our parts are
// none), and a drop-down showing or hiding.
#include <QPointer>
#include <QQuickItem>
#include <set>
#include <utility>

#include "accessibility_p.h"

namespace korvane::tk::quick {

using namespace a11y;

namespace {

// Tells the reader of a change of the combo box that holds `part` once,
// after the current turn of the event loop, whatever number of changes the
// turn made: its value, or its description.
void TellComboLater(Node& part, bool description) {
    static std::set<std::pair<QAccessible::Id, bool>> pending;
    if (!QAccessible::isActive())
        return;
    Node* combo = ComboOf(part);
    QQuickItem* holder = combo != nullptr ? HolderOf(*combo) : nullptr;
    QAccessibleInterface* face = holder != nullptr ? QAccessible::queryAccessibleInterface(holder) : nullptr;
    if (face == nullptr || face->role() != QAccessible::ComboBox)
        return;
    const QAccessible::Id id = QAccessible::uniqueId(face);
    if (!pending.insert({id, description}).second)
        return;
    QMetaObject::invokeMethod(
        holder,
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

// A row the person sees is selected, and focused when its list has the
// focus; the combo box's value changed, whether its list shows or not.
void AccessibleRowChanged(Node& list) {
    if (!QAccessible::isActive() || list.role != Role::RowList)
        return;
    const std::uint64_t id = list.id;
    QuickDesktop::Impl* desk = list.desk;
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

void AccessibleValueChanged(Node& part) {
    TellComboLater(part, false);
}

void AccessibleDescriptionChanged(Node& part) {
    TellComboLater(part, true);
}

// The field, the list's current row, or (in the list-only style, where the
// user control itself has the focus) the combo box.
void AccessibleFocusMoved(QuickDesktop::Impl& desk, std::uint64_t id) {
    Node* now = desk.Get(id);
    if (!QAccessible::isActive() || now == nullptr || !OnScreen(*now) || ComboOf(*now) == nullptr)
        return;
    QAccessibleInterface* face = FaceOf(now);
    if (QAccessibleInterface* row = CurrentRowFace(*now))
        face = row;
    if (face == nullptr || face->state().invisible)
        return;
    QAccessibleEvent focus(face, QAccessible::Focus);
    QAccessible::updateAccessibility(&focus);
}

// Its combo box is expanded or collapsed now.
void AccessibleDropDownShown(Node& form) {
    if (!QAccessible::isActive() || form.role != Role::DropDown)
        return;
    QAccessibleInterface* face = FaceOf(ComboOf(form));
    if (face == nullptr)
        return;
    QAccessible::State changed;
    changed.expanded = true;
    changed.collapsed = true;
    QAccessibleStateChangeEvent event(face, changed);
    QAccessible::updateAccessibility(&event);
}

}  // namespace korvane::tk::quick

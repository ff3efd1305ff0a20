// What the reader is told when a control on the Qt Quick desktop changes:
// a list's current row, the combo box's value and description (once a turn
// of the event loop), the desktop's focus moves inside a combo box (Qt
// Quick tells only its own accessible items' focus, and our parts are
// none), a drop-down showing or hiding, a dialog of the desktop's own
// starting and ending, and a field's edits and caret moves.
#include <QPointer>
#include <QQuickItem>
#include <QQuickWindow>
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

namespace {

// A dialog of the desktop's own starts and ends as a QDialog does, and the
// message box is an alert, as a QMessageBox is.
void TellOwnFormShown(Node& form) {
    QQuickWindow* window = form.window.get();
    const model::ReaderKind kind = ReaderKindOf(form);
    if (window == nullptr || (kind != model::ReaderKind::Dialog && kind != model::ReaderKind::Alert))
        return;
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(window);
    if (face == nullptr)
        return;
    const bool shown = window->isVisible();
    QAccessibleEvent dialog(face, shown ? QAccessible::DialogStart : QAccessible::DialogEnd);
    QAccessible::updateAccessibility(&dialog);
    if (shown && kind == model::ReaderKind::Alert) {
        QAccessibleEvent alert(face, QAccessible::Alert);
        QAccessible::updateAccessibility(&alert);
    }
}

// The field's face, when a reader meets it.
QAccessibleInterface* FieldFace(const Node& box) {
    if (!QAccessible::isActive() || box.kind != Kind::TextBox || box.item == nullptr)
        return nullptr;
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(box.item.data());
    return face != nullptr && face->role() == QAccessible::EditableText ? face : nullptr;
}

}  // namespace

// A drop-down's combo box is expanded or collapsed now; a dialog of our own
// started or ended.
void AccessibleFormShown(Node& form) {
    if (!QAccessible::isActive())
        return;
    if (form.role != Role::DropDown) {
        if (OwnFormOf(form) == &form)
            TellOwnFormShown(form);
        return;
    }
    QAccessibleInterface* face = FaceOf(ComboOf(form));
    if (face == nullptr)
        return;
    QAccessible::State changed;
    changed.expanded = true;
    changed.collapsed = true;
    QAccessibleStateChangeEvent event(face, changed);
    QAccessible::updateAccessibility(&event);
}

// What goes and where, in the reader's offsets, before the field changes.
FieldEditNews AccessibleFieldEditing(const Node& box, std::int32_t from, std::int32_t count) {
    if (FieldFace(box) == nullptr)
        return {};
    const auto& field = static_cast<const QuickTextBox&>(box);
    return {true, Utf16Offset(field, from), ReaderText(field.Field().Slice(from, from + count))};
}

// The reader hears what went and what came, at which offset, before the
// handlers of Change run; then where the caret is.
void AccessibleFieldEdited(Node& box, const FieldEditNews& news, std::string_view inserted) {
    QAccessibleInterface* face = news.listening ? FieldFace(box) : nullptr;
    if (face == nullptr)
        return;
    if (!news.gone.isEmpty()) {
        QAccessibleTextRemoveEvent removed(face, news.offset, news.gone);
        QAccessible::updateAccessibility(&removed);
    }
    if (!inserted.empty()) {
        QAccessibleTextInsertEvent added(face, news.offset, ReaderText(inserted));
        QAccessible::updateAccessibility(&added);
    }
    AccessibleCaretMoved(box);
}

void AccessibleFieldRewritten(Node& box, const FieldEditNews& news) {
    QAccessibleInterface* face = news.listening ? FieldFace(box) : nullptr;
    if (face == nullptr)
        return;
    QAccessibleTextUpdateEvent updated(face, 0, news.gone, ReaderText(static_cast<QuickTextBox&>(box).Text()));
    QAccessible::updateAccessibility(&updated);
}

void AccessibleCaretMoved(Node& box) {
    if (QAccessibleInterface* face = FieldFace(box)) {
        const auto& field = static_cast<const QuickTextBox&>(box);
        QAccessibleTextCursorEvent moved(face, Utf16Offset(field, field.Field().Caret()));
        QAccessible::updateAccessibility(&moved);
    }
}

}  // namespace korvane::tk::quick

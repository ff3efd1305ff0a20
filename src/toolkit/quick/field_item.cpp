// The text box's item on Qt Quick (field_item.h): its events handed to the
// text box's editor, around what every item does with them (input.cpp).
#include "field_item.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>

#include "../qt/field_editor.h"
#include "widget_kinds.h"

namespace korvane::tk::quick {

FieldItem::FieldItem(QuickDesktop::Impl& d, std::uint64_t nodeId) : NodeItem(d, nodeId) {
    setFlag(ItemAcceptsInputMethod, true);
    setCursor(Qt::IBeamCursor);
}

QuickTextBox* FieldItem::Box() const {
    return desk != nullptr ? dynamic_cast<QuickTextBox*>(desk->Get(id)) : nullptr;
}

QVariant FieldItem::inputMethodQuery(Qt::InputMethodQuery query) const {
    if (QuickTextBox* box = Box()) {
        if (std::optional<QVariant> answer = box->Editor().InputMethodQuery(query, isEnabled()))
            return *answer;
    }
    return NodeItem::inputMethodQuery(query);
}

// A key the field edits with is the field's, not a shortcut's of the window.
bool FieldItem::event(QEvent* e) {
    if (e->type() == QEvent::ShortcutOverride && Box() != nullptr &&
        qt::FieldEditor::OwnsKey(*static_cast<QKeyEvent*>(e))) {
        e->accept();
        return true;
    }
    return NodeItem::event(e);
}

// The item is deleted later, never under its own handler: it outlives the
// call even when the text box does not.
void FieldItem::keyPressEvent(QKeyEvent* e) {
    key = e;
    NodeItem::keyPressEvent(e);
    key = nullptr;
}

// The left button puts the caret before the control hears of the press
// (QuickTextBox::PressAt); the middle button pastes the selection
// clipboard, where there is one.
void FieldItem::mousePressEvent(QMouseEvent* e) {
    pressModifiers = e->modifiers();
    NodeItem::mousePressEvent(e);
    if (e->button() != Qt::MiddleButton)
        return;
    if (QuickTextBox* box = Box(); box != nullptr && desk->EffectivelyEnabled(*box))
        Guarded([&] { box->Editor().Press(e->position().x(), Qt::MiddleButton, false); });
}

void FieldItem::mouseMoveEvent(QMouseEvent* e) {
    if (QuickTextBox* box = Box())
        Guarded([&] { box->Editor().Drag(e->position().x(), e->buttons()); });
    NodeItem::mouseMoveEvent(e);
}

void FieldItem::mouseReleaseEvent(QMouseEvent* e) {
    if (QuickTextBox* box = Box())
        Guarded([&] { box->Editor().Release(e->button()); });
    NodeItem::mouseReleaseEvent(e);
}

// Qt Quick delivers the second press of a double click as a press too,
// which the control has heard of; the double click selects a word.
void FieldItem::mouseDoubleClickEvent(QMouseEvent* e) {
    e->accept();
    if (QuickTextBox* box = Box(); box != nullptr && e->button() == Qt::LeftButton)
        Guarded([&] { box->Editor().DoubleClick(e->position().x()); });
}

void FieldItem::focusInEvent(QFocusEvent* e) {
    const Qt::FocusReason why = e->reason();
    if (QuickTextBox* box = Box())
        box->Editor().FocusIn(why == Qt::TabFocusReason || why == Qt::BacktabFocusReason ||
                              why == Qt::ShortcutFocusReason);
    NodeItem::focusInEvent(e);
}

// Leaving for another item drops the selection; the window losing the
// activation, or a popup taking the keys, keeps it.
void FieldItem::focusOutEvent(QFocusEvent* e) {
    if (QuickTextBox* box = Box())
        box->Editor().FocusOut(e->reason() != Qt::ActiveWindowFocusReason && e->reason() != Qt::PopupFocusReason);
    NodeItem::focusOutEvent(e);
}

void FieldItem::inputMethodEvent(QInputMethodEvent* e) {
    QuickTextBox* box = Box();
    bool taken = false;
    if (box != nullptr)
        Guarded([&] { taken = box->Editor().InputMethod(*e); });
    if (!taken)
        e->ignore();
}

void FieldItem::geometryChange(const QRectF& now, const QRectF& before) {
    NodeItem::geometryChange(now, before);
    if (QuickTextBox* box = Box(); box != nullptr && now.size() != before.size())
        box->Editor().Relayout();
}

}  // namespace korvane::tk::quick

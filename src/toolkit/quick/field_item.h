// The item a text box shows on Qt Quick: a NodeItem that also takes an
// input method's text and answers its questions, selects with the mouse
// (a drag, a double click on a word), selects the whole text when the
// focus comes by the keyboard, and keeps the window's shortcuts off the
// keys the field edits with. It hands all of it to the text box's editor
// (qt/field_editor.h), which the Qt Widgets field shares; other widgets'
// items are plain NodeItems.
#pragma once

#include <QInputMethodEvent>

#include "desktop.h"

namespace korvane::tk::quick {

class QuickTextBox;

class FieldItem final : public NodeItem {
public:
    FieldItem(QuickDesktop::Impl& desk, std::uint64_t id);

    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

    // The key event being handled, while the control's handlers and the
    // field's own handling of it run (null between keys): the field's
    // keys follow the platform's bindings, which only the event tells.
    const QKeyEvent* key = nullptr;
    // The modifiers of the press being handled (Shift extends the
    // selection).
    Qt::KeyboardModifiers pressModifiers;

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void geometryChange(const QRectF& now, const QRectF& before) override;

private:
    QuickTextBox* Box() const;
};

}  // namespace korvane::tk::quick

// The field's editor on both Qt faces (field_editor.h): what the face tells
// it (the text replaced, the caret moved by code), the mouse, the focus and
// an input method. The edits and keys are in field_editing.cpp, the view
// and the drawing in field_view.cpp.
#include "field_editor.h"

#include <QGuiApplication>

#include "conversions.h"

namespace korvane::tk::qt {

FieldEditor::FieldEditor(Face& face) : face_(face) {
    QObject::connect(&blink_, &QTimer::timeout, [this] {
        caretShown_ = !caretShown_;
        face_.Redraw();
    });
}

FieldEditor::~FieldEditor() = default;

void FieldEditor::TextReplaced() {
    viewUnit_ = 0;
    viewX_ = 0;
    undo_.clear();
    redo_.clear();
    typingEnd_ = -1;
    face_.Redraw();
    TellInputMethodLater();
}

void FieldEditor::CaretMoved() {
    typingEnd_ = -1;
    Changed();
}

// --- the mouse ---------------------------------------------------------------------

void FieldEditor::Press(qreal x, Qt::MouseButton button, bool extend) {
    if (face_.Text() == nullptr)
        return;
    const std::int32_t unit = UnitAtX(x);
    if (button == Qt::LeftButton) {
        Move(unit, extend);
        selecting_ = true;
    } else if (button == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection()) {
        Move(unit, false);
        Paste(QClipboard::Selection);
    }
}

void FieldEditor::Drag(qreal x, Qt::MouseButtons buttons) {
    if (selecting_ && (buttons & Qt::LeftButton) != 0 && face_.Text() != nullptr)
        Move(UnitAtX(x), true);
}

// What the left button selected goes to the selection clipboard, where
// there is one.
void FieldEditor::Release(Qt::MouseButton button) {
    if (button != Qt::LeftButton || !selecting_)
        return;
    selecting_ = false;
    if (face_.Text() != nullptr && QGuiApplication::clipboard()->supportsSelection())
        Copy(QClipboard::Selection);
}

void FieldEditor::DoubleClick(qreal x) {
    if (face_.Text() == nullptr)
        return;
    SelectWordAt(UnitAtX(x));
    selecting_ = false;
}

// --- the focus ---------------------------------------------------------------------

// As in Qt's edit field: the focus coming by the keyboard selects the
// whole text, and leaving for another widget of the window drops the
// selection.
void FieldEditor::FocusIn(bool byKeyboard) {
    model::FieldText* f = face_.Text();
    if (f == nullptr)
        return;
    if (byKeyboard && !f->HasSelection())
        f->Select(0, f->Units());
    Changed();
}

void FieldEditor::FocusOut(bool dropSelection) {
    blink_.stop();
    selecting_ = false;
    model::FieldText* f = face_.Text();
    if (f != nullptr && dropSelection)
        f->Select(f->Caret(), f->Caret());
    face_.Redraw();
}

// --- input methods -------------------------------------------------------------------

// An input method's text: the committed part is typed (replacing what the
// event names, else the selection), the part still being composed shows
// at the caret until it is committed. False when the field takes none.
bool FieldEditor::InputMethod(const QInputMethodEvent& e) {
    const model::FieldText* f = face_.Text();
    if (f == nullptr || face_.ReadOnly())
        return false;
    if (e.replacementLength() > 0 || !e.commitString().isEmpty()) {
        std::int32_t from = f->SelStart();
        std::int32_t count = f->SelLength();
        if (e.replacementLength() > 0 || e.replacementStart() != 0) {
            from = std::max(0, f->Caret() + e.replacementStart());
            count = e.replacementLength();
        }
        const std::weak_ptr<bool> alive = alive_;
        if (!Edit(from, count, FromQ(e.commitString()), true) || alive.expired())
            return true;
    }
    preedit_ = e.preeditString();
    preeditCaret_ = static_cast<int>(preedit_.size());
    for (const QInputMethodEvent::Attribute& a : e.attributes()) {
        if (a.type == QInputMethodEvent::Cursor)
            preeditCaret_ = std::clamp(a.start, 0, static_cast<int>(preedit_.size()));
    }
    Changed();
    return true;
}

// The text around the caret stands for the whole text: an input method
// only looks near the caret, and the whole text may be long.
std::optional<QVariant> FieldEditor::InputMethodQuery(Qt::InputMethodQuery query, bool enabled) {
    const model::FieldText* field = face_.Text();
    if (field == nullptr)
        return std::nullopt;
    const model::FieldText& f = *field;
    const std::int32_t around = 256;
    const std::int32_t from = std::max(0, f.Caret() - around);
    const bool readOnly = face_.ReadOnly();
    switch (query) {
        case Qt::ImEnabled:
            return enabled && !readOnly;
        case Qt::ImCursorRectangle: {
            LayOutView();
            const QRectF r = face_.TextArea();
            const qreal x = view_.X(f.Caret()) - viewX_ + r.left();
            return QRect(static_cast<int>(x), static_cast<int>(r.top()), 1, static_cast<int>(r.height()));
        }
        case Qt::ImFont:
            return face_.TextFont();
        case Qt::ImCursorPosition:
            return static_cast<int>(ToQ(f.Slice(from, f.Caret())).size());
        case Qt::ImAnchorPosition:
            return f.Anchor() >= from ? static_cast<int>(ToQ(f.Slice(from, f.Anchor())).size()) : 0;
        case Qt::ImSurroundingText:
            return ToQ(f.Slice(from, f.Caret() + around));
        case Qt::ImCurrentSelection:
            return ToQ(f.Slice(f.SelStart(), f.SelStart() + f.SelLength()));
        case Qt::ImTextBeforeCursor:
            return ToQ(f.Slice(from, f.Caret()));
        case Qt::ImTextAfterCursor:
            return ToQ(f.Slice(f.Caret(), f.Caret() + around));
        case Qt::ImMaximumTextLength:
            return QVariant();
        case Qt::ImHints:
            return static_cast<int>(Qt::ImhNone);
        case Qt::ImReadOnly:
            return readOnly;
        default:
            return std::nullopt;
    }
}

}  // namespace korvane::tk::qt

// The editing of a one-line field, shared by both Qt faces: the Qt Widgets
// field (FieldWidget) and the Qt Quick text box hold one each and hand it
// their events; only the delivery of events and the frame around the text
// are theirs. The text, caret and selection stay in the text box (the
// model's FieldText); the editor keeps what the person's editing needs
// beside it: the view (the unit at the field's left edge), the undo
// history, an input method's text being composed and the caret's blink.
//
// Only pieces of the text are laid out: the piece the field shows (from
// the unit at its left edge) and the piece around the caret a key works
// on, each at most a few widths of the field long, so a key costs the same
// whatever the length of the text. Nothing here needs QWidget: the layout,
// the clipboard and the input method's events are Qt GUI's.
#pragma once

#include <QBrush>
#include <QClipboard>
#include <QColor>
#include <QFont>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QRectF>
#include <QTextLayout>
#include <QTimer>
#include <QVariant>
#include <algorithm>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "../model/field_text.h"

class QPainter;

namespace korvane::tk::qt {

namespace field {

// Qt's own edit field keeps these margins inside its frame.
inline constexpr int kMarginX = 2;
inline constexpr int kMarginY = 1;
// Undo remembers this many edits; typing at one place is one edit.
inline constexpr std::size_t kUndoSteps = 100;

// How many UTF-16 units the unit of text at `at` takes in Qt's text: two
// for a surrogate pair (a character past U+FFFF), one for anything else
// (a malformed byte travels as a lone low surrogate).
inline qsizetype UnitLength(const QString& text, qsizetype at) {
    return text.at(at).isHighSurrogate() && at + 1 < text.size() && text.at(at + 1).isLowSurrogate() ? 2 : 1;
}

// A piece of the text laid out: the units [from, to) as Qt text, with
// where each unit starts in it (a unit past U+FFFF takes two UTF-16 units;
// a malformed byte, one).
struct Piece {
    std::int32_t from = -1;
    std::int32_t to = -1;
    std::uint64_t version = 0;
    QFont font;
    Qt::LayoutDirection direction = Qt::LeftToRight;
    QString preedit;
    std::int32_t preeditAt = -1;
    std::vector<int> starts;  // UTF-16 offset of each unit, then the length
    QTextLayout layout;

    QTextLine Line() const { return layout.lineAt(0); }
    int Offset(std::int32_t unit) const {
        const auto i = static_cast<std::size_t>(std::clamp(unit - from, 0, to - from));
        return starts[i];
    }
    // The unit that starts at or before `offset`.
    std::int32_t UnitOf(int offset) const {
        auto it = std::upper_bound(starts.begin(), starts.end(), offset);
        const auto i = static_cast<std::int32_t>(it - starts.begin()) - 1;
        return from + std::clamp(i, 0, to - from);
    }
    qreal X(std::int32_t unit) const { return Line().cursorToX(Offset(unit)); }
};

// Kept in bytes, not units: malformed bytes an edit brought together may
// have joined into one unit, and undo must give back the very bytes.
struct Step {
    std::size_t from = 0;  // the byte where the edit began
    std::string removed;
    std::string inserted;
    bool typing = false;
};

}  // namespace field

class FieldEditor {
public:
    // What the editor asks of the face that shows the field. Positions are
    // in the face's pixels.
    class Face {
    public:
        // The field's text; null once the widget behind the face is gone.
        virtual model::FieldText* Text() = 0;
        virtual bool ReadOnly() const = 0;
        // An edit by the user: replaces the units [from, from + count) by
        // `bytes` and raises Change. False if the field died in a handler.
        virtual bool UserEdit(std::int32_t from, std::int32_t count, std::string_view bytes) = 0;
        virtual QFont TextFont() const = 0;
        virtual Qt::LayoutDirection Direction() const = 0;
        // Where the text lies inside the face.
        virtual QRectF TextArea() const = 0;
        virtual bool Focused() const = 0;
        // The caret blinked: draw again.
        virtual void Redraw() = 0;
        // The text, caret or selection changed: draw again, tell the input
        // method, and a screen reader that listens.
        virtual void Changed() = 0;
        // The input method asks again what it needs to know.
        virtual void TellInputMethod() = 0;

    protected:
        ~Face() = default;
    };

    // How the face draws text: its colours and the caret's width.
    struct Look {
        QColor Text;
        QBrush Highlight;
        QBrush HighlightedText;
        int CaretWidth = 1;
    };

    explicit FieldEditor(Face& face);
    ~FieldEditor();
    FieldEditor(const FieldEditor&) = delete;
    FieldEditor& operator=(const FieldEditor&) = delete;

    // --- told by the face -----------------------------------------------------------
    // The text was replaced by code: the view goes back to the start and
    // the undo history is gone, as the user's edits no longer apply.
    void TextReplaced();
    // The caret or the selection moved by code.
    void CaretMoved();
    // The size, font or direction changed: the caret is kept in view.
    void Relayout();

    // --- a person's input (each may run the control's handlers) -----------------------
    // A key the handlers left: the caret keys, Delete and the clipboard keys.
    void Key(const QKeyEvent& e);
    // A character the handlers left, as typed (or as they changed it).
    void Char(std::int16_t ascii, std::string_view typed);
    // Whether the field itself uses the key, so that no shortcut of the
    // window takes it first.
    static bool OwnsKey(const QKeyEvent& e);
    // The mouse, across the face at `x`: a press puts the caret (Shift
    // extends the selection), a drag selects, a double click selects a
    // word, the middle button pastes the selection clipboard.
    void Press(qreal x, Qt::MouseButton button, bool extend);
    void Drag(qreal x, Qt::MouseButtons buttons);
    void Release(Qt::MouseButton button);
    void DoubleClick(qreal x);
    // The focus came (by the keyboard: the whole text is selected) or went
    // (to another widget: the selection goes).
    void FocusIn(bool byKeyboard);
    void FocusOut(bool dropSelection);
    // An input method's text, and what it asks (the view is laid out on
    // demand); nullopt for what the face answers itself.
    bool InputMethod(const QInputMethodEvent& e);
    std::optional<QVariant> InputMethodQuery(Qt::InputMethodQuery query, bool enabled);

    // --- the context menu's actions -----------------------------------------------------
    bool CanUndo() const { return !undo_.empty(); }
    bool CanRedo() const { return !redo_.empty(); }
    void Undo() { Revert(true); }
    void Redo() { Revert(false); }
    void Cut();
    void CopySelection() { Copy(QClipboard::Clipboard); }
    void PasteClipboard() { Paste(QClipboard::Clipboard); }
    void DeleteSelection() { DeleteSelectionOr(0, 0); }
    void SelectAll();

    // --- drawing and what a screen reader asks ------------------------------------------
    // The text with its selection, the composing text and the caret.
    void Draw(QPainter& painter, const Look& look);
    // Where unit `unit` shows, empty when it is out of view.
    QRectF CharacterRect(std::int32_t unit);
    // The unit nearest to `x`.
    std::int32_t UnitAtX(qreal x);

private:
    using Piece = field::Piece;
    using Step = field::Step;

    // --- the view (field_view.cpp) ------------------------------------------------------
    // Units enough to fill the field from any unit: no character that
    // shows is narrower than a pixel.
    std::int32_t Reach() const;
    void LayOut(Piece& piece, std::int32_t from, std::int32_t to, bool withPreedit) const;
    void LayOutView();
    Piece& Around(std::int32_t unit);
    void AnchorRight(std::int32_t unit);
    void ShowCaret();
    qreal TextTop(const QTextLine& line) const;
    void Changed();
    void TellInputMethodLater();
    void RestartBlink();

    // --- edits (field_editing.cpp) -------------------------------------------------------
    bool Edit(std::int32_t from, std::int32_t count, std::string_view bytes, bool typing);
    bool Apply(std::int32_t from, std::int32_t count, std::string_view bytes, bool typing);
    bool DeleteSelectionOr(std::int32_t from, std::int32_t to);
    bool Revert(bool back);
    void Move(std::int32_t unit, bool extend);
    std::int32_t Next(std::int32_t from, int direction, QTextLayout::CursorMode mode);
    void SelectWordAt(std::int32_t unit);
    void Copy(QClipboard::Mode mode) const;
    bool Paste(QClipboard::Mode mode);

    Face& face_;
    Piece view_;                 // what the field shows
    Piece scratch_;              // what a key or a scroll works on
    std::int32_t viewUnit_ = 0;  // the unit the view starts with
    qreal viewX_ = 0;            // how far into that unit's piece the left edge lies
    bool caretShown_ = true;
    bool inputMethodTold_ = true;  // false while a word to the input method is queued
    bool selecting_ = false;       // a press of the left button is selecting
    QString preedit_;
    int preeditCaret_ = 0;
    std::deque<Step> undo_;
    std::vector<Step> redo_;
    std::int32_t typingEnd_ = -1;  // where the typing being gathered into one step ends
    // The caret's blink; also the context of the queued word to the input
    // method, so it is dropped with the editor.
    QTimer blink_;
    // Expires with the editor: a handler run by an edit may destroy the
    // field, and the editor with it.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace korvane::tk::qt

// What the field of a text box on Qt keeps behind its widget, shared by
// its three files: field_view.cpp (laying out pieces of the text, keeping
// the caret in view, the blink), field_editing.cpp (edits, undo, the caret
// keys, the clipboard) and field_widget.cpp (the widget's Qt events). Only
// pieces of the text are laid out: the piece the field shows (from the
// unit at its left edge) and the piece around the caret a key works on,
// each at most a few widths of the field long, so a key costs the same
// whatever the length of the text.
#pragma once

#include <QClipboard>
#include <QKeyEvent>
#include <QStyleOptionFrame>
#include <QTextLayout>
#include <algorithm>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "widget_kinds.h"

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

struct FieldWidget::Impl {
    using Piece = field::Piece;
    using Step = field::Step;

    FieldWidget& w;
    Piece view;                 // what the field shows
    Piece scratch;              // what a key or a scroll works on
    std::int32_t viewUnit = 0;  // the unit the view starts with
    qreal viewX = 0;            // how far into that unit's piece the left edge lies
    bool caretShown = true;
    int blinkTimer = 0;
    bool inputMethodTold = true;  // false while a word to the input method is queued
    bool selecting = false;       // a press of the left button is selecting
    QString preedit;
    int preeditCaret = 0;
    std::deque<Step> undo;
    std::vector<Step> redo;
    std::int32_t typingEnd = -1;  // where the typing being gathered into one step ends

    explicit Impl(FieldWidget& widget) : w(widget) {}

    // --- the view -------------------------------------------------------------------
    QtTextBox* Box() const {
        return w.node != nullptr && w.node->desk != nullptr ? static_cast<QtTextBox*>(w.node) : nullptr;
    }
    QRect Contents() const;
    void Panel(QStyleOptionFrame& panel) const;
    // Units enough to fill the field from any unit: no character that
    // shows is narrower than a pixel.
    std::int32_t Reach() const { return std::clamp(Contents().width() + 64, 128, 8192); }
    void LayOut(Piece& piece, std::int32_t from, std::int32_t to, bool withPreedit) const;
    void LayOutView();
    Piece& Around(std::int32_t unit);
    void AnchorRight(std::int32_t unit);
    void ShowCaret();
    void Changed();
    void TellInputMethodLater();
    void RestartBlink();

    // --- edits --------------------------------------------------------------------
    bool Edit(std::int32_t from, std::int32_t count, std::string_view bytes, bool typing);
    bool Apply(std::int32_t from, std::int32_t count, std::string_view bytes, bool typing);
    bool DeleteSelectionOr(std::int32_t from, std::int32_t to);
    bool Revert(bool back);

    // --- caret and selection ---------------------------------------------------------
    void Move(std::int32_t unit, bool extend);
    std::int32_t Next(std::int32_t from, int direction, QTextLayout::CursorMode mode);
    std::int32_t UnitAtX(qreal x);
    void SelectWordAt(std::int32_t unit);

    // --- clipboard ----------------------------------------------------------------------
    void Copy(QClipboard::Mode mode) const;
    bool Paste(QClipboard::Mode mode);

    // --- the keys ----------------------------------------------------------------------
    void Key(QKeyEvent& e);
    void Char(const QKeyEvent& e, std::int16_t ascii, bool asTyped);
    static bool OwnsKey(const QKeyEvent& e);
};

}  // namespace korvane::tk::qt

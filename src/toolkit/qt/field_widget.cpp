// The field a text box shows on Qt: drawing, the caret's blink, the keys,
// the mouse, the clipboard, undo and input methods, over the text box's
// field text. Only pieces of the text are laid out: the piece the field
// shows (from the unit at its left edge) and the piece around the caret a
// key works on, each at most a few widths of the field long, so a key
// costs the same whatever the length of the text.
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QInputMethod>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStyle>
#include <QStyleHints>
#include <QStyleOptionFrame>
#include <QTextLayout>
#include <algorithm>
#include <deque>

#include "text/utf8.h"
#include "widget_kinds.h"

namespace korvane::tk::qt {

namespace {

// Qt's own edit field keeps these margins inside its frame.
constexpr int kMarginX = 2;
constexpr int kMarginY = 1;
// Undo remembers this many edits; typing at one place is one edit.
constexpr std::size_t kUndoSteps = 100;

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

struct Step {
    std::int32_t from = 0;  // where the edit began, in units
    std::string removed;
    std::string inserted;
    bool typing = false;
};

}  // namespace

struct FieldWidget::Impl {
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

    QtTextBox* Box() const {
        return w.node != nullptr && w.node->desk != nullptr ? static_cast<QtTextBox*>(w.node) : nullptr;
    }

    QRect Contents() const {
        QStyleOptionFrame panel;
        Panel(panel);
        return w.style()
            ->subElementRect(QStyle::SE_LineEditContents, &panel, &w)
            .adjusted(kMarginX, kMarginY, -kMarginX, -kMarginY);
    }
    void Panel(QStyleOptionFrame& panel) const {
        panel.initFrom(&w);
        panel.rect = w.rect();
        panel.lineWidth = w.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &panel, &w);
        panel.midLineWidth = 0;
        panel.state |= QStyle::State_Sunken;
        const QtTextBox* box = Box();
        if (box != nullptr && box->locked)
            panel.state |= QStyle::State_ReadOnly;
        panel.features = QStyleOptionFrame::None;
    }
    // Units enough to fill the field from any unit: no character that
    // shows is narrower than a pixel.
    std::int32_t Reach() const { return std::clamp(Contents().width() + 64, 128, 8192); }

    // Lays out the units [from, to) into `piece`, unless it holds them.
    void LayOut(Piece& piece, std::int32_t from, std::int32_t to, bool withPreedit) const {
        const model::FieldText& f = Box()->field;
        const std::int32_t at = withPreedit && !preedit.isEmpty() ? f.Caret() : -1;
        const QString& pre = at >= 0 ? preedit : QString();
        if (piece.from == from && piece.to == to && piece.version == f.Version() && piece.font == w.font() &&
            piece.direction == w.layoutDirection() && piece.preeditAt == at && piece.preedit == pre)
            return;
        piece.from = from;
        piece.to = to;
        piece.version = f.Version();
        piece.font = w.font();
        piece.direction = w.layoutDirection();
        piece.preeditAt = at;
        piece.preedit = pre;
        QString text = ToQ(f.Slice(from, to));
        piece.starts.clear();
        piece.starts.reserve(static_cast<std::size_t>(to - from) + 1);
        for (qsizetype i = 0; i < text.size();) {
            piece.starts.push_back(static_cast<int>(i));
            const bool pair = text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
            i += pair ? 2 : 1;
        }
        piece.starts.push_back(static_cast<int>(text.size()));
        piece.starts.resize(static_cast<std::size_t>(to - from) + 1, static_cast<int>(text.size()));
        // A line break or a control character would end or upset the line;
        // each shows as a space, as in Qt's own edit field.
        for (QChar& c : text) {
            if ((c.unicode() < 0x20 && c.unicode() != 0x09) || c == QChar::LineSeparator ||
                c == QChar::ParagraphSeparator || c == QChar::ObjectReplacementCharacter)
                c = QChar(0x20);
        }
        piece.layout.clearLayout();
        piece.layout.setText(text);
        piece.layout.setFont(w.font());
        QTextOption option;
        option.setWrapMode(QTextOption::NoWrap);
        option.setFlags(QTextOption::IncludeTrailingSpaces);
        option.setTextDirection(w.layoutDirection());
        piece.layout.setTextOption(option);
        if (at >= from && at <= to)
            piece.layout.setPreeditArea(piece.Offset(at), pre);
        else
            piece.layout.setPreeditArea(-1, QString());
        // One line as long as its text, which a line without a width is:
        // it starts at the left edge whatever the direction of its text.
        piece.layout.beginLayout();
        piece.layout.createLine();
        piece.layout.endLayout();
    }

    void LayOutView() {
        const std::int32_t units = Box()->field.Units();
        viewUnit = std::clamp(viewUnit, 0, units);
        LayOut(view, viewUnit, std::min(units, viewUnit + Reach()), true);
    }

    // The piece around `unit`, for keys that step by characters or words.
    Piece& Around(std::int32_t unit) {
        const std::int32_t units = Box()->field.Units();
        const std::int32_t reach = Reach();
        const bool covers = scratch.from >= 0 && scratch.version == Box()->field.Version() &&
                            scratch.font == w.font() && scratch.direction == w.layoutDirection() &&
                            scratch.from <= std::max(0, unit - 16) && scratch.to >= std::min(units, unit + 16);
        if (!covers)
            LayOut(scratch, std::max(0, unit - reach), std::min(units, unit + reach), false);
        return scratch;
    }

    // Scrolls so that `unit` stands at the right edge (or the text starts
    // at the left edge, when it is shorter than the field).
    void AnchorRight(std::int32_t unit) {
        const std::int32_t from = std::max(0, unit - Reach());
        LayOut(scratch, from, unit, false);
        const qreal left = scratch.X(unit) - (Contents().width() - 1);
        if (left <= 0) {
            viewUnit = from;
            viewX = 0;
            return;
        }
        std::int32_t first = scratch.UnitOf(scratch.Line().xToCursor(left, QTextLine::CursorBetweenCharacters));
        while (first > from && scratch.X(first) > left)
            --first;
        viewUnit = first;
        viewX = std::max<qreal>(0, left - scratch.X(first));
    }

    // Scrolls as little as shows the caret, as Qt's edit field does, and
    // fills the field when the end of the text came into view with text
    // hidden on the left.
    void ShowCaret() {
        const QtTextBox* box = Box();
        if (box == nullptr)
            return;
        const model::FieldText& f = box->field;
        const std::int32_t caret = f.Caret();
        const std::int32_t units = f.Units();
        const int width = Contents().width();
        if (caret < viewUnit) {
            viewUnit = caret;
            viewX = 0;
        }
        if (caret - viewUnit > Reach()) {
            AnchorRight(caret);
            return;
        }
        LayOutView();
        const qreal x = view.X(caret) - viewX;
        if (x < 0) {
            viewX = std::max<qreal>(0, view.X(caret));
        } else if (x > width - 1) {
            AnchorRight(caret);
            return;
        }
        if (view.to == units && (viewUnit > 0 || viewX > 0) && view.X(units) - viewX < width - 1)
            AnchorRight(units);
    }

    void Changed() {
        caretShown = true;
        RestartBlink();
        ShowCaret();
        w.update();
        w.updateMicroFocus();
        if (QAccessible::isActive() && Box() != nullptr) {
            QAccessibleTextCursorEvent moved(&w, w.Utf16Offset(Box()->field.Caret()));
            QAccessible::updateAccessibility(&moved);
        }
    }

    // Code may set the text of the focused field many times between two
    // runs of the event loop (moving through the rows); the input method
    // hears of the text once, when the loop runs next.
    void TellInputMethodLater() {
        if (!inputMethodTold || !w.hasFocus())
            return;
        inputMethodTold = false;
        QMetaObject::invokeMethod(
            &w,
            [this] {
                inputMethodTold = true;
                w.updateMicroFocus();
            },
            Qt::QueuedConnection);
    }

    void RestartBlink() {
        if (blinkTimer != 0)
            w.killTimer(blinkTimer);
        blinkTimer = 0;
        const int flash = QGuiApplication::styleHints()->cursorFlashTime();
        if (w.hasFocus() && flash >= 2)
            blinkTimer = w.startTimer(flash / 2);
    }

    // --- edits --------------------------------------------------------------------

    // An edit by the user through the text box, remembered for undo. The
    // handlers of Change may do anything, the field's death included.
    bool Edit(std::int32_t from, std::int32_t count, std::string_view bytes, bool typing) {
        QtTextBox* box = Box();
        if (box == nullptr || box->locked)
            return true;
        model::FieldText& f = box->field;
        from = std::clamp(from, 0, f.Units());
        count = std::clamp(count, 0, f.Units() - from);
        std::string removed(f.Slice(from, from + count));
        if (removed.empty() && bytes.empty())
            return true;
        const bool joins = typing && count == 0 && !undo.empty() && undo.back().typing && typingEnd == from;
        if (joins) {
            undo.back().inserted.append(bytes);
        } else {
            undo.push_back({from, std::move(removed), std::string(bytes), typing});
            if (undo.size() > kUndoSteps)
                undo.pop_front();
        }
        redo.clear();
        return Apply(from, count, bytes, typing);
    }

    // Puts an edit into the text box; its Change handlers may do anything.
    bool Apply(std::int32_t from, std::int32_t count, std::string_view bytes, bool typing) {
        QPointer<FieldWidget> alive(&w);
        const bool lives = Box()->UserEdit(from, count, bytes);
        if (!lives || alive.isNull() || Box() == nullptr)
            return false;
        typingEnd = typing ? Box()->field.Caret() : -1;
        Changed();
        return true;
    }

    bool DeleteSelectionOr(std::int32_t from, std::int32_t to) {
        const model::FieldText& f = Box()->field;
        if (f.HasSelection())
            return Edit(f.SelStart(), f.SelLength(), {}, false);
        if (to <= from)
            return true;
        return Edit(from, to - from, {}, false);
    }

    // Undo and redo put back the text of one step and select it.
    bool Revert(bool back) {
        QtTextBox* box = Box();
        if (box == nullptr || box->locked || (back ? undo.empty() : redo.empty()))
            return true;
        Step step = back ? std::move(undo.back()) : std::move(redo.back());
        if (back)
            undo.pop_back();
        else
            redo.pop_back();
        const std::string now = back ? step.inserted : step.removed;
        const std::string then = back ? step.removed : step.inserted;
        const std::int32_t count = utf8::UnitCount(now);
        const std::int32_t from = step.from;
        if (back)
            redo.push_back(std::move(step));
        else
            undo.push_back(std::move(step));
        if (!Apply(from, count, then, false))
            return false;
        model::FieldText& f = Box()->field;
        f.Select(from, f.Caret());
        Changed();
        return true;
    }

    // --- caret and selection ---------------------------------------------------------

    void Move(std::int32_t unit, bool extend) {
        QtTextBox* box = Box();
        if (box == nullptr)
            return;
        box->field.MoveCaret(unit, extend);
        typingEnd = -1;
        Changed();
    }

    // The next or previous place the caret may stand, by characters (whole
    // graphemes) or by words.
    std::int32_t Next(std::int32_t from, int direction, QTextLayout::CursorMode mode) {
        Piece& p = Around(from);
        const int offset = p.Offset(from);
        const int next =
            direction > 0 ? p.layout.nextCursorPosition(offset, mode) : p.layout.previousCursorPosition(offset, mode);
        if (next == offset)
            return std::clamp(from + direction, 0, Box()->field.Units());
        return p.UnitOf(next);
    }

    std::int32_t UnitAtX(qreal x) {
        LayOutView();
        const int offset = view.Line().xToCursor(x + viewX - Contents().left(), QTextLine::CursorBetweenCharacters);
        return view.UnitOf(offset);
    }

    // The word under the pointer, without the blanks after it.
    void SelectWordAt(std::int32_t unit) {
        Piece& p = Around(unit);
        const int offset = p.Offset(unit);
        const QString text = p.layout.text();
        const int next = std::min(offset + 1, static_cast<int>(text.size()));
        const int start = p.layout.previousCursorPosition(next, QTextLayout::SkipWords);
        int end = p.layout.nextCursorPosition(start, QTextLayout::SkipWords);
        while (end > offset && end > 0 && text.at(end - 1).isSpace())
            --end;
        Box()->field.Select(p.UnitOf(start), p.UnitOf(end));
        typingEnd = -1;
        Changed();
    }

    // --- clipboard ----------------------------------------------------------------------

    void Copy(QClipboard::Mode mode) const {
        const model::FieldText& f = Box()->field;
        if (f.HasSelection())
            QGuiApplication::clipboard()->setText(ToQ(f.Slice(f.SelStart(), f.SelStart() + f.SelLength())), mode);
    }

    bool Paste(QClipboard::Mode mode) {
        const std::string clip = FromQ(QGuiApplication::clipboard()->text(mode));
        const model::FieldText& f = Box()->field;
        if (clip.empty() && !f.HasSelection())
            return true;
        return Edit(f.SelStart(), f.SelLength(), clip, false);
    }

    // --- the keys ----------------------------------------------------------------------

    // The field's own handling of a key the handlers left: the caret keys,
    // Delete and the clipboard keys. Right and Left follow the layout
    // direction, as in Qt's edit field.
    void Key(QKeyEvent& e) {
        QtTextBox* box = Box();
        if (box == nullptr)
            return;
        const model::FieldText& f = box->field;
        const std::int32_t caret = f.Caret();
        const int forward = w.layoutDirection() == Qt::RightToLeft ? -1 : 1;
        const bool selection = f.HasSelection();
        const std::int32_t start = f.SelStart();
        const std::int32_t end = start + f.SelLength();
        if (e.matches(QKeySequence::MoveToNextChar)) {
            Move(selection ? (forward > 0 ? end : start) : Next(caret, forward, QTextLayout::SkipCharacters), false);
        } else if (e.matches(QKeySequence::MoveToPreviousChar)) {
            Move(selection ? (forward > 0 ? start : end) : Next(caret, -forward, QTextLayout::SkipCharacters), false);
        } else if (e.matches(QKeySequence::SelectNextChar)) {
            Move(Next(caret, forward, QTextLayout::SkipCharacters), true);
        } else if (e.matches(QKeySequence::SelectPreviousChar)) {
            Move(Next(caret, -forward, QTextLayout::SkipCharacters), true);
        } else if (e.matches(QKeySequence::MoveToNextWord)) {
            Move(Next(caret, forward, QTextLayout::SkipWords), false);
        } else if (e.matches(QKeySequence::MoveToPreviousWord)) {
            Move(Next(caret, -forward, QTextLayout::SkipWords), false);
        } else if (e.matches(QKeySequence::SelectNextWord)) {
            Move(Next(caret, forward, QTextLayout::SkipWords), true);
        } else if (e.matches(QKeySequence::SelectPreviousWord)) {
            Move(Next(caret, -forward, QTextLayout::SkipWords), true);
        } else if (e.matches(QKeySequence::MoveToStartOfLine) || e.matches(QKeySequence::MoveToStartOfBlock) ||
                   e.matches(QKeySequence::MoveToStartOfDocument)) {
            Move(0, false);
        } else if (e.matches(QKeySequence::MoveToEndOfLine) || e.matches(QKeySequence::MoveToEndOfBlock) ||
                   e.matches(QKeySequence::MoveToEndOfDocument)) {
            Move(f.Units(), false);
        } else if (e.matches(QKeySequence::SelectStartOfLine) || e.matches(QKeySequence::SelectStartOfBlock) ||
                   e.matches(QKeySequence::SelectStartOfDocument)) {
            Move(0, true);
        } else if (e.matches(QKeySequence::SelectEndOfLine) || e.matches(QKeySequence::SelectEndOfBlock) ||
                   e.matches(QKeySequence::SelectEndOfDocument)) {
            Move(f.Units(), true);
        } else if (e.matches(QKeySequence::SelectAll)) {
            box->field.Select(0, f.Units());
            typingEnd = -1;
            Changed();
        } else if (e.matches(QKeySequence::Copy)) {
            Copy(QClipboard::Clipboard);
        } else if (e.matches(QKeySequence::Cut)) {
            Copy(QClipboard::Clipboard);
            if (!box->locked)
                DeleteSelectionOr(caret, caret);
        } else if (e.matches(QKeySequence::Paste)) {
            Paste(QClipboard::Clipboard);
        } else if (e.matches(QKeySequence::Undo)) {
            Revert(true);
        } else if (e.matches(QKeySequence::Redo)) {
            Revert(false);
        } else if (e.matches(QKeySequence::DeleteEndOfWord)) {
            DeleteSelectionOr(caret, Next(caret, 1, QTextLayout::SkipWords));
        } else if (e.matches(QKeySequence::DeleteStartOfWord)) {
            DeleteSelectionOr(Next(caret, -1, QTextLayout::SkipWords), caret);
        } else if (e.matches(QKeySequence::Delete) || e.key() == Qt::Key_Delete) {
            DeleteSelectionOr(caret, Next(caret, 1, QTextLayout::SkipCharacters));
        }
    }

    // A character the handlers left: Backspace deletes one unit back;
    // other control characters are not text; the rest replaces the
    // selection, as typed or as the handlers changed it.
    void Char(const QKeyEvent& e, std::int16_t ascii, bool asTyped) {
        QtTextBox* box = Box();
        if (box == nullptr || box->locked)
            return;
        const model::FieldText& f = box->field;
        if (ascii == key::Back) {
            DeleteSelectionOr(std::max(0, f.Caret() - 1), f.Caret());
            return;
        }
        if (ascii > 0 && (ascii < 32 || ascii == 127))
            return;
        const std::string typed =
            asTyped ? FromQ(e.text()) : utf8::Encode(static_cast<char32_t>(static_cast<std::uint16_t>(ascii)));
        Edit(f.SelStart(), f.SelLength(), typed, true);
    }

    // Whether the field itself uses the key, so that no shortcut of the
    // window takes it first.
    static bool OwnsKey(const QKeyEvent& e) {
        static const QKeySequence::StandardKey keys[] = {
            QKeySequence::MoveToNextChar,
            QKeySequence::MoveToPreviousChar,
            QKeySequence::SelectNextChar,
            QKeySequence::SelectPreviousChar,
            QKeySequence::MoveToNextWord,
            QKeySequence::MoveToPreviousWord,
            QKeySequence::SelectNextWord,
            QKeySequence::SelectPreviousWord,
            QKeySequence::MoveToStartOfLine,
            QKeySequence::MoveToEndOfLine,
            QKeySequence::SelectStartOfLine,
            QKeySequence::SelectEndOfLine,
            QKeySequence::SelectAll,
            QKeySequence::Copy,
            QKeySequence::Cut,
            QKeySequence::Paste,
            QKeySequence::Undo,
            QKeySequence::Redo,
            QKeySequence::Delete,
            QKeySequence::DeleteEndOfWord,
            QKeySequence::DeleteStartOfWord,
        };
        for (QKeySequence::StandardKey k : keys) {
            if (e.matches(k))
                return true;
        }
        const Qt::KeyboardModifiers m = e.modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
        return m == Qt::NoModifier && !e.text().isEmpty() && e.text().at(0).isPrint();
    }
};

FieldWidget::FieldWidget(QWidget* parent) : QWidget(parent), d(std::make_unique<Impl>(*this)) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setAttribute(Qt::WA_KeyCompression, false);
    setCursor(Qt::IBeamCursor);
    setBackgroundRole(QPalette::Base);
}

FieldWidget::~FieldWidget() = default;

void FieldWidget::TextReplaced(const std::string& old) {
    if (QAccessible::isActive()) {
        QAccessibleTextUpdateEvent news(this, 0, ToQ(old), WholeText());
        QAccessible::updateAccessibility(&news);
    }
    d->viewUnit = 0;
    d->viewX = 0;
    d->undo.clear();
    d->redo.clear();
    d->typingEnd = -1;
    update();
    d->TellInputMethodLater();
}

void FieldWidget::CaretMoved() {
    d->typingEnd = -1;
    d->Changed();
}

QString FieldWidget::WholeText() const {
    const QtTextBox* box = d->Box();
    return box != nullptr ? ToQ(box->field.Text()) : QString();
}

// Offsets in the whole text, for a screen reader: counted from the start,
// which costs the text's length, as reading the whole text does.
int FieldWidget::Utf16Offset(std::int32_t unit) const {
    const QtTextBox* box = d->Box();
    if (box == nullptr)
        return 0;
    return static_cast<int>(ToQ(box->field.Slice(0, unit)).size());
}

std::int32_t FieldWidget::UnitOfUtf16(int offset) const {
    const QString whole = WholeText();
    std::int32_t unit = 0;
    for (qsizetype i = 0; i < whole.size() && i < offset; ++unit) {
        const bool pair = whole.at(i).isHighSurrogate() && i + 1 < whole.size() && whole.at(i + 1).isLowSurrogate();
        i += pair ? 2 : 1;
    }
    return unit;
}

QRect FieldWidget::CharacterRect(std::int32_t unit) const {
    if (d->Box() == nullptr)
        return {};
    d->LayOutView();
    const Piece& v = d->view;
    if (unit < v.from || unit >= v.to)
        return {};
    const QRect r = d->Contents();
    const qreal left = v.X(unit) - d->viewX + r.left();
    const qreal right = v.X(unit + 1) - d->viewX + r.left();
    const QTextLine line = v.Line();
    const qreal top = r.top() + (r.height() - line.height()) / 2;
    return QRectF(QPointF(std::min(left, right), top), QPointF(std::max(left, right), top + line.height()))
        .toAlignedRect();
}

std::int32_t FieldWidget::UnitAt(QPoint point) const {
    if (d->Box() == nullptr)
        return 0;
    return d->UnitAtX(point.x());
}

void FieldWidget::SelectUnits(std::int32_t anchor, std::int32_t caret) {
    if (QtTextBox* box = d->Box()) {
        box->field.Select(anchor, caret);
        CaretMoved();
    }
}

QSize FieldWidget::sizeHint() const {
    const QFontMetrics fm(font());
    QStyleOptionFrame panel;
    d->Panel(panel);
    const int h = std::max(fm.height(), 14) + 2 * kMarginY;
    const int wide = fm.horizontalAdvance(QLatin1Char('x')) * 17 + 2 * kMarginX;
    return style()->sizeFromContents(QStyle::CT_LineEdit, &panel, QSize(wide, h), this);
}

QSize FieldWidget::minimumSizeHint() const {
    const QFontMetrics fm(font());
    return {fm.maxWidth() + 2 * kMarginX + 4, fm.height() + 2 * kMarginY + 4};
}

QVariant FieldWidget::inputMethodQuery(Qt::InputMethodQuery query) const {
    const QtTextBox* box = d->Box();
    if (box == nullptr)
        return QWidget::inputMethodQuery(query);
    const model::FieldText& f = box->field;
    // The text around the caret stands for the whole text: an input method
    // only looks near the caret, and the whole text may be long.
    const std::int32_t around = 256;
    const std::int32_t from = std::max(0, f.Caret() - around);
    const QString before = ToQ(f.Slice(from, f.Caret()));
    switch (query) {
        case Qt::ImEnabled:
            return isEnabled() && !box->locked;
        case Qt::ImCursorRectangle: {
            d->LayOutView();
            const QRect r = d->Contents();
            const qreal x = d->view.X(f.Caret()) - d->viewX + r.left();
            return QRect(static_cast<int>(x), r.top(), 1, r.height());
        }
        case Qt::ImFont:
            return font();
        case Qt::ImCursorPosition:
            return static_cast<int>(before.size());
        case Qt::ImAnchorPosition:
            return f.Anchor() >= from ? static_cast<int>(ToQ(f.Slice(from, f.Anchor())).size()) : 0;
        case Qt::ImSurroundingText:
            return before + ToQ(f.Slice(f.Caret(), f.Caret() + around));
        case Qt::ImCurrentSelection:
            return ToQ(f.Slice(f.SelStart(), f.SelStart() + f.SelLength()));
        case Qt::ImTextBeforeCursor:
            return before;
        case Qt::ImTextAfterCursor:
            return ToQ(f.Slice(f.Caret(), f.Caret() + around));
        case Qt::ImMaximumTextLength:
            return QVariant();
        case Qt::ImHints:
            return static_cast<int>(Qt::ImhNone);
        case Qt::ImReadOnly:
            return box->locked;
        default:
            return QWidget::inputMethodQuery(query);
    }
}

bool FieldWidget::event(QEvent* e) {
    if (e->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(e);
        if (Impl::OwnsKey(*key)) {
            key->accept();
            return true;
        }
    }
    return QWidget::event(e);
}

void FieldWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QStyleOptionFrame panel;
    d->Panel(panel);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &panel, &p, this);
    QtTextBox* box = d->Box();
    if (box == nullptr)
        return;
    const QRect r = d->Contents();
    p.setClipRect(r);
    d->LayOutView();
    const Piece& v = d->view;
    const model::FieldText& f = box->field;
    const QTextLine line = v.Line();
    const QPointF origin(r.left() - d->viewX, r.top() + (r.height() - line.height()) / 2);
    QList<QTextLayout::FormatRange> selections;
    const std::int32_t start = std::max(f.SelStart(), v.from);
    const std::int32_t end = std::min(f.SelStart() + f.SelLength(), v.to);
    if (f.HasSelection() && start < end) {
        QTextLayout::FormatRange range;
        range.start = v.Offset(start);
        range.length = v.Offset(end) - range.start;
        if (v.preeditAt >= 0 && v.preeditAt <= start)
            range.start += static_cast<int>(v.preedit.size());
        range.format.setBackground(palette().brush(QPalette::Highlight));
        range.format.setForeground(palette().brush(QPalette::HighlightedText));
        selections.append(range);
    }
    p.setPen(palette().color(QPalette::Text));
    v.layout.draw(&p, origin, selections, r);
    if (hasFocus() && d->caretShown && !box->locked && f.Caret() >= v.from && f.Caret() <= v.to) {
        int at = v.Offset(f.Caret());
        if (v.preeditAt >= 0)
            at += d->preeditCaret;
        v.layout.drawCursor(&p, origin, at, style()->pixelMetric(QStyle::PM_TextCursorWidth, nullptr, this));
    }
}

void FieldWidget::keyPressEvent(QKeyEvent* e) {
    Keys(
        *this, *e, [&](std::int16_t, std::int16_t) { d->Key(*e); },
        [&](std::int16_t ascii, bool asTyped) { d->Char(*e, ascii, asTyped); });
}

void FieldWidget::keyReleaseEvent(QKeyEvent* e) {
    KeyUp(*this, *e);
}

void FieldWidget::mousePressEvent(QMouseEvent* e) {
    QPointer<FieldWidget> alive(this);
    if (d->Box() != nullptr) {
        const std::int32_t unit = d->UnitAtX(e->position().x());
        if (e->button() == Qt::LeftButton) {
            d->Move(unit, (e->modifiers() & Qt::ShiftModifier) != 0);
            d->selecting = true;
        } else if (e->button() == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection()) {
            d->Move(unit, false);
            Guarded([&] { d->Paste(QClipboard::Selection); });
        }
    }
    if (!alive.isNull())
        Mouse(*this, *e, MouseEvent::Down);
}

void FieldWidget::mouseMoveEvent(QMouseEvent* e) {
    if (d->selecting && (e->buttons() & Qt::LeftButton) != 0 && d->Box() != nullptr)
        d->Move(d->UnitAtX(e->position().x()), true);
    Mouse(*this, *e, MouseEvent::Move);
}

void FieldWidget::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && d->selecting) {
        d->selecting = false;
        if (d->Box() != nullptr && QGuiApplication::clipboard()->supportsSelection())
            d->Copy(QClipboard::Selection);
    }
    Mouse(*this, *e, MouseEvent::Up);
}

void FieldWidget::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && d->Box() != nullptr) {
        d->SelectWordAt(d->UnitAtX(e->position().x()));
        d->selecting = false;
    }
    Mouse(*this, *e, MouseEvent::Down);
}

// As in Qt's edit field: the focus coming by Tab selects the whole text,
// and leaving for another widget of the window drops the selection.
void FieldWidget::focusInEvent(QFocusEvent* e) {
    QtTextBox* box = d->Box();
    const Qt::FocusReason why = e->reason();
    if (box != nullptr &&
        (why == Qt::TabFocusReason || why == Qt::BacktabFocusReason || why == Qt::ShortcutFocusReason) &&
        !box->field.HasSelection())
        box->field.Select(0, box->field.Units());
    if (box != nullptr)
        d->Changed();
    FocusIn(*this);
}

void FieldWidget::focusOutEvent(QFocusEvent* e) {
    if (d->blinkTimer != 0)
        killTimer(d->blinkTimer);
    d->blinkTimer = 0;
    d->selecting = false;
    QtTextBox* box = d->Box();
    if (box != nullptr && e->reason() != Qt::ActiveWindowFocusReason && e->reason() != Qt::PopupFocusReason)
        box->field.Select(box->field.Caret(), box->field.Caret());
    update();
}

// An input method's text: the committed part is typed, the part still
// being composed shows at the caret until it is committed.
void FieldWidget::inputMethodEvent(QInputMethodEvent* e) {
    QtTextBox* box = d->Box();
    if (box == nullptr || box->locked) {
        e->ignore();
        return;
    }
    QPointer<FieldWidget> alive(this);
    Guarded([&] {
        model::FieldText& f = box->field;
        if (e->replacementLength() > 0 || !e->commitString().isEmpty()) {
            std::int32_t from = f.SelStart();
            std::int32_t count = f.SelLength();
            if (e->replacementLength() > 0 || e->replacementStart() != 0) {
                from = std::max(0, f.Caret() + e->replacementStart());
                count = e->replacementLength();
            }
            if (!d->Edit(from, count, FromQ(e->commitString()), true))
                return;
        }
        if (alive.isNull())
            return;
        d->preedit = e->preeditString();
        d->preeditCaret = static_cast<int>(d->preedit.size());
        for (const QInputMethodEvent::Attribute& a : e->attributes()) {
            if (a.type == QInputMethodEvent::Cursor)
                d->preeditCaret = std::clamp(a.start, 0, static_cast<int>(d->preedit.size()));
        }
        d->Changed();
    });
}

void FieldWidget::contextMenuEvent(QContextMenuEvent* e) {
    QtTextBox* box = d->Box();
    if (box == nullptr)
        return;
    const model::FieldText& f = box->field;
    const bool editable = !box->locked;
    // The menu pops up and returns at once; its actions run later, if the
    // field is still there.
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<FieldWidget> alive(this);
    auto add = [&](const char* text, QKeySequence::StandardKey keys, bool enabled, auto&& run) {
        QAction* a = menu->addAction(QApplication::translate("QLineEdit", text));
        a->setShortcut(keys);
        a->setEnabled(enabled);
        connect(a, &QAction::triggered, this, [this, alive, run] {
            if (!alive.isNull() && d->Box() != nullptr)
                Guarded(run);
        });
    };
    add("&Undo", QKeySequence::Undo, editable && !d->undo.empty(), [this] { d->Revert(true); });
    add("&Redo", QKeySequence::Redo, editable && !d->redo.empty(), [this] { d->Revert(false); });
    menu->addSeparator();
    add("Cu&t", QKeySequence::Cut, editable && f.HasSelection(), [this] {
        d->Copy(QClipboard::Clipboard);
        d->DeleteSelectionOr(0, 0);
    });
    add("&Copy", QKeySequence::Copy, f.HasSelection(), [this] { d->Copy(QClipboard::Clipboard); });
    add("&Paste", QKeySequence::Paste, editable && !QGuiApplication::clipboard()->text().isEmpty(),
        [this] { d->Paste(QClipboard::Clipboard); });
    add("Delete", QKeySequence::Delete, editable && f.HasSelection(), [this] { d->DeleteSelectionOr(0, 0); });
    menu->addSeparator();
    add("Select All", QKeySequence::SelectAll, f.Units() > 0, [this] {
        d->Box()->field.Select(0, d->Box()->field.Units());
        CaretMoved();
    });
    menu->popup(e->globalPos());
}

void FieldWidget::timerEvent(QTimerEvent* e) {
    if (e->timerId() != d->blinkTimer) {
        QWidget::timerEvent(e);
        return;
    }
    d->caretShown = !d->caretShown;
    update();
}

void FieldWidget::resizeEvent(QResizeEvent*) {
    if (d->Box() != nullptr)
        d->ShowCaret();
}

void FieldWidget::changeEvent(QEvent* e) {
    if ((e->type() == QEvent::FontChange || e->type() == QEvent::LayoutDirectionChange ||
         e->type() == QEvent::StyleChange) &&
        d->Box() != nullptr) {
        d->ShowCaret();
        update();
    }
    QWidget::changeEvent(e);
}

}  // namespace korvane::tk::qt

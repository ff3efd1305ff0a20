// The field's view on both Qt faces (field_editor.h): the pieces of text
// it lays out, the unit at its left edge, keeping the caret in view, the
// caret's blink, and the text drawn with its selection and caret.
#include <QGuiApplication>
#include <QPainter>
#include <QStyleHints>

#include "conversions.h"
#include "field_editor.h"

namespace korvane::tk::qt {

using namespace field;

std::int32_t FieldEditor::Reach() const {
    return std::clamp(static_cast<std::int32_t>(face_.TextArea().width()) + 64, 128, 8192);
}

// Lays out the units [from, to) into `piece`, unless it holds them.
void FieldEditor::LayOut(Piece& piece, std::int32_t from, std::int32_t to, bool withPreedit) const {
    const model::FieldText& f = *face_.Text();
    const QFont font = face_.TextFont();
    const Qt::LayoutDirection direction = face_.Direction();
    const std::int32_t at = withPreedit && !preedit_.isEmpty() ? f.Caret() : -1;
    const QString& pre = at >= 0 ? preedit_ : QString();
    if (piece.from == from && piece.to == to && piece.version == f.Version() && piece.font == font &&
        piece.direction == direction && piece.preeditAt == at && piece.preedit == pre)
        return;
    piece.from = from;
    piece.to = to;
    piece.version = f.Version();
    piece.font = font;
    piece.direction = direction;
    piece.preeditAt = at;
    piece.preedit = pre;
    QString text = ToQ(f.Slice(from, to));
    piece.starts.clear();
    piece.starts.reserve(static_cast<std::size_t>(to - from) + 1);
    for (qsizetype i = 0; i < text.size(); i += UnitLength(text, i))
        piece.starts.push_back(static_cast<int>(i));
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
    piece.layout.setFont(font);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    option.setFlags(QTextOption::IncludeTrailingSpaces);
    option.setTextDirection(direction);
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

void FieldEditor::LayOutView() {
    const std::int32_t units = face_.Text()->Units();
    viewUnit_ = std::clamp(viewUnit_, 0, units);
    LayOut(view_, viewUnit_, std::min(units, viewUnit_ + Reach()), true);
}

// The piece around `unit`, for keys that step by characters or words.
Piece& FieldEditor::Around(std::int32_t unit) {
    const model::FieldText& f = *face_.Text();
    const std::int32_t units = f.Units();
    const std::int32_t reach = Reach();
    const bool covers = scratch_.from >= 0 && scratch_.version == f.Version() && scratch_.font == face_.TextFont() &&
                        scratch_.direction == face_.Direction() && scratch_.from <= std::max(0, unit - 16) &&
                        scratch_.to >= std::min(units, unit + 16);
    if (!covers)
        LayOut(scratch_, std::max(0, unit - reach), std::min(units, unit + reach), false);
    return scratch_;
}

// Scrolls so that `unit` stands at the right edge (or the text starts
// at the left edge, when it is shorter than the field).
void FieldEditor::AnchorRight(std::int32_t unit) {
    const std::int32_t from = std::max(0, unit - Reach());
    LayOut(scratch_, from, unit, false);
    const qreal left = scratch_.X(unit) - (face_.TextArea().width() - 1);
    if (left <= 0) {
        viewUnit_ = from;
        viewX_ = 0;
        return;
    }
    std::int32_t first = scratch_.UnitOf(scratch_.Line().xToCursor(left, QTextLine::CursorBetweenCharacters));
    while (first > from && scratch_.X(first) > left)
        --first;
    viewUnit_ = first;
    viewX_ = std::max<qreal>(0, left - scratch_.X(first));
}

// Scrolls as little as shows the caret, as Qt's edit field does, and
// fills the field when the end of the text came into view with text
// hidden on the left.
void FieldEditor::ShowCaret() {
    const model::FieldText* f = face_.Text();
    if (f == nullptr)
        return;
    const std::int32_t caret = f->Caret();
    const std::int32_t units = f->Units();
    const qreal width = face_.TextArea().width();
    if (caret < viewUnit_) {
        viewUnit_ = caret;
        viewX_ = 0;
    }
    if (caret - viewUnit_ > Reach()) {
        AnchorRight(caret);
        return;
    }
    LayOutView();
    const qreal x = view_.X(caret) - viewX_;
    if (x < 0) {
        viewX_ = std::max<qreal>(0, view_.X(caret));
    } else if (x > width - 1) {
        AnchorRight(caret);
        return;
    }
    if (view_.to == units && (viewUnit_ > 0 || viewX_ > 0) && view_.X(units) - viewX_ < width - 1)
        AnchorRight(units);
}

void FieldEditor::Relayout() {
    ShowCaret();
    face_.Redraw();
}

// The line stands in the middle of the text area.
qreal FieldEditor::TextTop(const QTextLine& line) const {
    const QRectF r = face_.TextArea();
    return r.top() + (r.height() - line.height()) / 2;
}

void FieldEditor::Changed() {
    caretShown_ = true;
    RestartBlink();
    ShowCaret();
    face_.Changed();
}

// Code may set the text of the focused field many times between two
// runs of the event loop (moving through the rows); the input method
// hears of the text once, when the loop runs next.
void FieldEditor::TellInputMethodLater() {
    if (!inputMethodTold_ || !face_.Focused())
        return;
    inputMethodTold_ = false;
    QMetaObject::invokeMethod(
        &blink_,
        [this] {
            inputMethodTold_ = true;
            face_.TellInputMethod();
        },
        Qt::QueuedConnection);
}

void FieldEditor::RestartBlink() {
    blink_.stop();
    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    if (face_.Focused() && flash >= 2)
        blink_.start(flash / 2);
}

std::int32_t FieldEditor::UnitAtX(qreal x) {
    if (face_.Text() == nullptr)
        return 0;
    LayOutView();
    const int offset = view_.Line().xToCursor(x + viewX_ - face_.TextArea().left(), QTextLine::CursorBetweenCharacters);
    return view_.UnitOf(offset);
}

QRectF FieldEditor::CharacterRect(std::int32_t unit) {
    if (face_.Text() == nullptr)
        return {};
    LayOutView();
    if (unit < view_.from || unit >= view_.to)
        return {};
    const qreal origin = face_.TextArea().left() - viewX_;
    const qreal left = view_.X(unit) + origin;
    const qreal right = view_.X(unit + 1) + origin;
    const QTextLine line = view_.Line();
    const qreal top = TextTop(line);
    return {QPointF(std::min(left, right), top), QPointF(std::max(left, right), top + line.height())};
}

// The text from the unit at the left edge, the selection in the
// highlight's colours, the composing text where the caret is, and the
// caret while the field has the focus and may be edited.
void FieldEditor::Draw(QPainter& p, const Look& look) {
    const model::FieldText* field = face_.Text();
    if (field == nullptr)
        return;
    const QRectF r = face_.TextArea();
    p.save();
    p.setClipRect(r);
    LayOutView();
    const Piece& v = view_;
    const model::FieldText& f = *field;
    const QPointF origin(r.left() - viewX_, TextTop(v.Line()));
    QList<QTextLayout::FormatRange> selections;
    const std::int32_t start = std::max(f.SelStart(), v.from);
    const std::int32_t end = std::min(f.SelStart() + f.SelLength(), v.to);
    if (f.HasSelection() && start < end) {
        QTextLayout::FormatRange range;
        range.start = v.Offset(start);
        range.length = v.Offset(end) - range.start;
        if (v.preeditAt >= 0 && v.preeditAt <= start)
            range.start += static_cast<int>(v.preedit.size());
        range.format.setBackground(look.Highlight);
        range.format.setForeground(look.HighlightedText);
        selections.append(range);
    }
    p.setPen(look.Text);
    v.layout.draw(&p, origin, selections, r);
    if (face_.Focused() && caretShown_ && !face_.ReadOnly() && f.Caret() >= v.from && f.Caret() <= v.to) {
        int at = v.Offset(f.Caret());
        if (v.preeditAt >= 0)
            at += preeditCaret_;
        v.layout.drawCursor(&p, origin, at, look.CaretWidth);
    }
    p.restore();
}

}  // namespace korvane::tk::qt

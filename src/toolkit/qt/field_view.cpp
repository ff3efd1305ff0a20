// The field's view on Qt: the pieces of text it lays out, the unit at its
// left edge, keeping the caret in view, and the caret's blink.
#include <QAccessible>
#include <QGuiApplication>
#include <QStyle>
#include <QStyleHints>

#include "field_widget_p.h"

namespace korvane::tk::qt {

using namespace field;

QRect FieldWidget::Impl::Contents() const {
    QStyleOptionFrame panel;
    Panel(panel);
    return w.style()
        ->subElementRect(QStyle::SE_LineEditContents, &panel, &w)
        .adjusted(kMarginX, kMarginY, -kMarginX, -kMarginY);
}

void FieldWidget::Impl::Panel(QStyleOptionFrame& panel) const {
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

// Lays out the units [from, to) into `piece`, unless it holds them.
void FieldWidget::Impl::LayOut(Piece& piece, std::int32_t from, std::int32_t to, bool withPreedit) const {
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

void FieldWidget::Impl::LayOutView() {
    const std::int32_t units = Box()->field.Units();
    viewUnit = std::clamp(viewUnit, 0, units);
    LayOut(view, viewUnit, std::min(units, viewUnit + Reach()), true);
}

// The piece around `unit`, for keys that step by characters or words.
Piece& FieldWidget::Impl::Around(std::int32_t unit) {
    const std::int32_t units = Box()->field.Units();
    const std::int32_t reach = Reach();
    const bool covers = scratch.from >= 0 && scratch.version == Box()->field.Version() && scratch.font == w.font() &&
                        scratch.direction == w.layoutDirection() && scratch.from <= std::max(0, unit - 16) &&
                        scratch.to >= std::min(units, unit + 16);
    if (!covers)
        LayOut(scratch, std::max(0, unit - reach), std::min(units, unit + reach), false);
    return scratch;
}

// Scrolls so that `unit` stands at the right edge (or the text starts
// at the left edge, when it is shorter than the field).
void FieldWidget::Impl::AnchorRight(std::int32_t unit) {
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
void FieldWidget::Impl::ShowCaret() {
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

void FieldWidget::Impl::Changed() {
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
void FieldWidget::Impl::TellInputMethodLater() {
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

void FieldWidget::Impl::RestartBlink() {
    if (blinkTimer != 0)
        w.killTimer(blinkTimer);
    blinkTimer = 0;
    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    if (w.hasFocus() && flash >= 2)
        blinkTimer = w.startTimer(flash / 2);
}

std::int32_t FieldWidget::Impl::UnitAtX(qreal x) {
    LayOutView();
    const int offset = view.Line().xToCursor(x + viewX - Contents().left(), QTextLine::CursorBetweenCharacters);
    return view.UnitOf(offset);
}

}  // namespace korvane::tk::qt

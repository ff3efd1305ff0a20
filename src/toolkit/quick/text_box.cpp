// The text box on Qt Quick: the shared field text (UTF-8 edited by units,
// a caret and a selection counted in units), the keys and characters a
// person edits with, a press that puts the caret, and the field drawn with
// its caret and selection, scrolled so the caret shows.
#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>

#include "../qt/conversions.h"
#include "widget_kinds.h"

namespace korvane::tk::quick {

using qt::ToQ;
using qt::ToQColor;
using qt::ToQFont;

namespace {
constexpr qreal kMarginPx = 2;
}

QuickTextBox::QuickTextBox(QuickDesktop::Impl& d, Node& p, std::string n)
    : WidgetBase(d, Kind::TextBox, std::move(n), &p) {
    width = 1215;
    height = 285;
    MakeItem();
    item->setActiveFocusOnTab(true);
}

// Change is raised only when the text really changes, as an edit field
// notifies only real changes; the caret goes back to the start.
void QuickTextBox::Text(std::string value) {
    const FieldEditNews news = AccessibleFieldEditing(*this, 0, field.Units());
    if (field.Assign(std::move(value))) {
        Update();
        AccessibleFieldRewritten(*this, news);
        AccessibleValueChanged(*this);
        Fire(*this, OnChange);
    }
}

void QuickTextBox::SelStart(std::int32_t value) {
    field.Select(value, value);
    Update();
    AccessibleCaretMoved(*this);
}

void QuickTextBox::SelLength(std::int32_t value) {
    const std::int32_t start = field.SelStart();
    field.Select(start, start + std::max(0, value));
    Update();
    AccessibleCaretMoved(*this);
}

// A field lower than one line of its font would cut the text: a lower
// height written is raised to that line.
void QuickTextBox::SetHeight(float value) {
    CheckSize(value);
    height = std::max(value, TextHeight("X"));
    ApplyGeometry();
}

void QuickTextBox::Edit(std::int32_t from, std::int32_t count, std::string_view bytes) {
    const FieldEditNews news = AccessibleFieldEditing(*this, from, count);
    if (field.Replace(from, count, bytes)) {
        Update();
        AccessibleFieldEdited(*this, news, bytes);
        Fire(*this, OnChange);
    } else {
        Update();
    }
}

// The plain field's keys and characters, as every desktop's field has them;
// a moved caret or selection is drawn again.
void QuickTextBox::DefaultKeyDown(std::int16_t keyCode, std::int16_t shiftState) {
    const bool moved = model::PlainFieldKeyDown(
        field, keyCode, shiftState, locked,
        [this](std::int32_t from, std::int32_t count, std::string_view bytes) { Edit(from, count, bytes); });
    if (moved) {
        Update();
        AccessibleCaretMoved(*this);
    }
}

void QuickTextBox::DefaultChar(std::int16_t keyAscii, std::string_view typed) {
    model::PlainFieldChar(
        field, keyAscii, typed, locked,
        [this](std::int32_t from, std::int32_t count, std::string_view bytes) { Edit(from, count, bytes); });
}

// A press puts the caret at the character boundary nearest to it.
void QuickTextBox::PressAt(float) {
    if (desk == nullptr)
        return;
    const QFontMetricsF metrics(ToQFont(*font));
    const qreal x = pressXPx - kMarginPx;
    std::int32_t best = 0;
    qreal bestDistance = std::abs(x);
    for (std::int32_t unit = 1; unit <= field.Units(); ++unit) {
        const std::string_view before = field.Slice(0, unit);
        const qreal at = metrics.horizontalAdvance(ToQ(before));
        const qreal distance = std::abs(at - x);
        if (distance < bestDistance) {
            best = unit;
            bestDistance = distance;
        }
        if (at > x)
            break;
    }
    field.Select(best, best);
    Update();
    AccessibleCaretMoved(*this);
}

// The text from its start, shifted left when the caret would fall past the
// right edge; the selection in the highlight colours, the caret while the
// field has the focus.
void QuickTextBox::Paint(QPainter& painter) {
    const QRectF r(0, 0, item->width(), item->height());
    painter.fillRect(r, ToQColor(back));
    painter.setPen(ToQColor(fore).darker(150));
    painter.drawRect(r.adjusted(0, 0, -1, -1));
    const QFont f = ToQFont(*font);
    const QFontMetricsF metrics(f);
    painter.setFont(f);
    painter.setClipRect(r.adjusted(1, 1, -1, -1));
    const QString text = ToQ(field.Text());
    const qreal caretX = metrics.horizontalAdvance(ToQ(field.Slice(0, field.Caret())));
    const qreal shift = std::max<qreal>(0, caretX - (r.width() - 2 * kMarginPx - 1));
    const qreal baseline = (r.height() - metrics.height()) / 2 + metrics.ascent();
    const bool focused = item->hasActiveFocus();
    if (field.HasSelection()) {
        const qreal from = metrics.horizontalAdvance(ToQ(field.Slice(0, field.SelStart())));
        const qreal to = metrics.horizontalAdvance(ToQ(field.Slice(0, field.SelStart() + field.SelLength())));
        painter.fillRect(QRectF(kMarginPx + from - shift, 1, to - from, r.height() - 2),
                         ToQColor(desk != nullptr ? desk->SysColor(syscolor::Highlight) : fore));
    }
    painter.setPen(enabled ? ToQColor(fore) : ToQColor(fore).lighter(200));
    painter.drawText(QPointF(kMarginPx - shift, baseline), text);
    if (focused && !field.HasSelection()) {
        painter.setPen(ToQColor(fore));
        painter.drawLine(QPointF(kMarginPx + caretX - shift, 2), QPointF(kMarginPx + caretX - shift, r.height() - 3));
    }
}

}  // namespace korvane::tk::quick

// The list box on Qt Quick: the model's list (entries, selection, top row,
// whole-row height, keys, the row under a point) drawn row by row in its
// item, with a scroll bar when the rows do not all show. Wheel notches,
// presses on the scroll bar's track and drags of its thumb scroll as a
// person would (raising Scroll).
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
constexpr int kRowsPerNotch = 3;
}  // namespace

QuickListBox::QuickListBox(QuickDesktop::Impl& d, Node& p, std::string n)
    : ListBoxModel(d, Kind::ListBox, std::move(n), &p) {
    width = 1215;
    RequestHeight(1440);
    MakeItem();
    item->setActiveFocusOnTab(true);
}

void QuickListBox::Wheel(int notches) {
    UserScroll(FirstShown() - notches * kRowsPerNotch);
}

QuickListBox::ScrollBarRects QuickListBox::ScrollBarGeometry() const {
    const QRectF bar(item->width() - 1 - ScrollBarPx(), 1, ScrollBarPx(), item->height() - 2);
    const qreal count = std::max(1, ShownCount());
    const qreal rows = VisibleRows();
    // The thumb is at least 8 pixels long, and travels the track from the
    // first row to the last top row.
    const qreal length = std::clamp<qreal>(bar.height() * rows / count, std::min<qreal>(8, bar.height()), bar.height());
    const qreal lastTop = std::max<qreal>(1, count - rows);
    const qreal share = std::clamp<qreal>(FirstShown() / lastTop, 0, 1);
    const QRectF thumb(bar.left() + 2, bar.top() + (bar.height() - length) * share, bar.width() - 4, length);
    return {bar, thumb};
}

std::int32_t QuickListBox::RowAtThumb(qreal thumbTop) const {
    const ScrollBarRects r = ScrollBarGeometry();
    const qreal travel = r.bar.height() - r.thumb.height();
    if (travel <= 0)
        return FirstShown();
    const qreal lastTop = std::max(0, ShownCount() - VisibleRows());
    const qreal share = std::clamp<qreal>((thumbTop - r.bar.top()) / travel, 0, 1);
    return static_cast<std::int32_t>(std::lround(share * lastTop));
}

bool QuickListBox::OverScrollBar(QPointF px) const {
    return item != nullptr && ScrollBarShown() && px.x() >= ScrollBarGeometry().bar.left();
}

bool QuickListBox::ScrollBarPress(QPointF px) {
    if (!OverScrollBar(px))
        return false;
    const ScrollBarRects r = ScrollBarGeometry();
    if (px.y() >= r.thumb.top() && px.y() < r.thumb.bottom()) {
        gesture_ = BarGesture::Thumb;
        grabPx_ = px.y() - r.thumb.top();
        return true;
    }
    gesture_ = BarGesture::Track;
    const std::int32_t page = std::max(1, VisibleRows() - 1);
    UserScroll(FirstShown() + (px.y() < r.thumb.top() ? -page : page));
    return true;
}

bool QuickListBox::ScrollBarDrag(QPointF px) {
    if (gesture_ == BarGesture::None)
        return false;
    if (gesture_ == BarGesture::Thumb) {
        const std::int32_t row = RowAtThumb(px.y() - grabPx_);
        if (row != FirstShown())
            UserScroll(row);
    }
    return true;
}

bool QuickListBox::ScrollBarRelease() {
    if (gesture_ == BarGesture::None)
        return false;
    gesture_ = BarGesture::None;
    return true;
}

// The rows from the top row down, the selected one in the highlight
// colours, inside a one-pixel frame; the parts a search matched are drawn
// bold.
void QuickListBox::Paint(QPainter& painter) {
    const QRectF r(0, 0, item->width(), item->height());
    painter.fillRect(r, ToQColor(back));
    painter.setPen(ToQColor(fore).lighter(200));
    painter.drawRect(r.adjusted(0, 0, -1, -1));
    if (desk == nullptr)
        return;
    const QFont f = ToQFont(*font);
    QFont bold = f;
    bold.setBold(true);
    bold.setUnderline(true);
    painter.setFont(f);
    const QFontMetricsF metrics(f);
    const qreal rowPx = RowPx();
    const qreal textWidth = r.width() - 2 - (ScrollBarShown() ? ScrollBarPx() : 0);
    painter.setClipRect(QRectF(1, 1, textWidth, r.height() - 2));
    const std::int32_t rows = VisibleRows();
    for (std::int32_t row = 0; row <= rows; ++row) {
        const std::int32_t entry = ShownEntry(FirstShown() + row);
        if (entry < 0)
            break;
        const QRectF rowRect(1, 1 + row * rowPx, textWidth, rowPx);
        const bool selected = entry == SelectedIndex();
        if (selected)
            painter.fillRect(rowRect, ToQColor(desk->SysColor(syscolor::Highlight)));
        painter.setPen(ToQColor(selected ? desk->SysColor(syscolor::HighlightText) : fore));
        const std::string_view text = EntryText(entry);
        const auto spans = MatchedSpans(entry);
        const qreal baseline = rowRect.top() + metrics.ascent();
        if (spans.empty()) {
            painter.drawText(QPointF(rowRect.left() + 2, baseline), ToQ(text));
            continue;
        }
        qreal x = rowRect.left() + 2;
        std::size_t at = 0;
        auto run = [&](std::size_t from, std::size_t to, bool marked) {
            if (to <= from)
                return;
            const QString piece = ToQ(text.substr(from, to - from));
            painter.setFont(marked ? bold : f);
            painter.drawText(QPointF(x, baseline), piece);
            x += QFontMetricsF(marked ? bold : f).horizontalAdvance(piece);
        };
        for (auto [first, second] : spans) {
            const auto from = std::clamp<std::size_t>(static_cast<std::size_t>(std::max(0, first)), at, text.size());
            const auto to = std::clamp<std::size_t>(static_cast<std::size_t>(std::max(0, second)), from, text.size());
            run(at, from, false);
            run(from, to, true);
            at = to;
        }
        run(at, text.size(), false);
        painter.setFont(f);
    }
    painter.setClipping(false);
    if (ScrollBarShown()) {
        const ScrollBarRects bar = ScrollBarGeometry();
        painter.fillRect(bar.bar, ToQColor(desk->SysColor(15)));
        painter.fillRect(bar.thumb, ToQColor(desk->SysColor(16)));
    }
}

}  // namespace korvane::tk::quick

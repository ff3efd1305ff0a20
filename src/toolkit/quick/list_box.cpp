// The list box on Qt Quick: the model's list (entries, selection, top row,
// whole-row height, keys, the row under a point) drawn row by row in its
// item, with a scroll bar when the rows do not all show. Wheel notches and
// presses on the scroll bar scroll as a person would (raising Scroll).
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

// A press on the scroll bar pages up or down, above or below its thumb; a
// press on the rows selects the row there.
void QuickListBox::PressAt(float yPx) {
    if (item != nullptr && ScrollBarShown() && pressXPx >= item->width() - ScrollBarPx()) {
        const qreal track = item->height() - 2;
        const qreal thumbTop = track * FirstShown() / std::max(1, ShownCount());
        const std::int32_t page = std::max(1, VisibleRows() - 1);
        UserScroll(FirstShown() + (yPx < thumbTop ? -page : page));
        return;
    }
    ListBoxModel::PressAt(yPx);
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
        const QRectF bar(r.width() - 1 - ScrollBarPx(), 1, ScrollBarPx(), r.height() - 2);
        painter.fillRect(bar, ToQColor(desk->SysColor(15)));
        const qreal count = std::max(1, ShownCount());
        const QRectF thumb(bar.left() + 2, bar.top() + bar.height() * FirstShown() / count, bar.width() - 4,
                           std::max<qreal>(8, bar.height() * rows / count));
        painter.fillRect(thumb, ToQColor(desk->SysColor(16)));
    }
}

}  // namespace korvane::tk::quick

// The list box's state machine, the same on every desktop: entries in the
// order added, one selected entry, a top row limited so the last page stays
// full, a height that settles on whole rows of its font plus a one-pixel
// frame, the navigation keys, the first-letter jump, and the row a press
// lands on. A list may show only some of its entries (a search's view):
// indexes stay entry numbers, while the top row, scrolling, the keys and
// the rows drawn walk the entries shown. A desktop derives its list box from ListBoxModel<its widget
// base>; the row height is its font's line height, and the desktop redraws
// when the rows change.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "../row_store.h"
#include "korvane/errors.h"
#include "korvane/toolkit/widgets.h"
#include "node.h"
#include "text.h"

namespace korvane::tk::model {

namespace list_geometry {
constexpr float kFramePx = 2;  // one pixel above the rows, one below
// Room for rounding when a font has rows of fractional pixels.
constexpr float kSlack = 1e-4f;
}  // namespace list_geometry

// `Base` is a desktop's widget base for ListBox (WidgetBase<ListBox, its
// node>).
template <class Base>
class ListBoxModel : public Base {
public:
    template <class... Args>
    explicit ListBoxModel(Args&&... args) : Base(std::forward<Args>(args)...) {}

    // Appending is constant time: nothing here looks at the other entries.
    void AddItem(std::string_view item) override { AddItem(item, 0); }

    void AddItem(std::string_view item, std::int32_t itemData) override {
        if (ListCount() >= ListBox::MaxEntries)
            Raise(ErrorCode::ToolkitInvalidArrayIndex, std::to_string(ListCount()));
        entries.Append(item, itemData);
        newIndex = ListCount() - 1;
        RowsChanged();
    }

    // The selection and the newest entry follow the entries they name;
    // removing the selected entry leaves none selected, without a Click.
    void RemoveItem(std::int32_t index) override {
        CheckIndex(index);
        entries.Erase(static_cast<std::size_t>(index));
        if (filtered)
            DropFromView(index);
        if (listIndex == index) {
            listIndex = -1;
        } else if (listIndex > index) {
            --listIndex;
        }
        if (newIndex == index) {
            newIndex = -1;
        } else if (newIndex > index) {
            --newIndex;
        }
        Settle();
        topIndex = std::min(topIndex, MaxTop());
        RowsChanged();
    }

    void Clear() override {
        entries.Clear();
        shown.clear();
        listIndex = -1;
        newIndex = -1;
        topIndex = 0;
        RowsChanged();
    }

    std::string List(std::int32_t index) const override {
        if (index == -1)
            return {};
        CheckIndex(index);
        return std::string(entries.Text(static_cast<std::size_t>(index)));
    }

    void List(std::int32_t index, std::string_view value) override {
        CheckIndex(index);
        entries.SetText(static_cast<std::size_t>(index), value);
        RowsChanged();
    }

    std::int32_t ListCount() const override { return static_cast<std::int32_t>(entries.size()); }
    std::int32_t NewIndex() const override { return newIndex; }
    std::int32_t ListIndex() const override { return listIndex; }

    // Every selection change, from code, keys or the mouse, comes through
    // here: the entry is scrolled into view with the least movement, the
    // desktop redraws, then Click.
    void ListIndex(std::int32_t value) override {
        if (value < -1 || value >= ListCount())
            Raise(ErrorCode::ToolkitInvalidArrayIndex, std::to_string(value));
        if (value == listIndex)
            return;
        listIndex = value;
        const std::int32_t at = value >= 0 ? ShownPosition(value) : -1;
        if (at >= 0) {
            Settle();
            const std::int32_t rows = std::max(1, VisibleRows());
            if (at < topIndex) {
                topIndex = at;
            } else if (at >= topIndex + rows) {
                topIndex = at - rows + 1;
            }
            topIndex = std::clamp(topIndex, 0, MaxTop());
        }
        SelectionChanged();
        RaiseClick();
    }

    std::int32_t TopIndex() const override {
        Settle();
        if (!filtered)
            return topIndex;
        return topIndex < ShownCount() ? shown[static_cast<std::size_t>(topIndex)] : 0;
    }

    // Code may scroll without a Scroll event; an empty list stays at the top.
    // In a view the first entry shown from `value` on goes to the top. A
    // list already there is not drawn again (the control puts its lists at
    // the top on every key that drops the current row).
    void TopIndex(std::int32_t value) override {
        if (ListCount() == 0)
            return;
        CheckIndex(value);
        Settle();
        const std::int32_t top = std::min(FirstShownFrom(value), MaxTop());
        if (top == topIndex)
            return;
        topIndex = top;
        RowsChanged();
    }

    // The view: only `view`'s entries (ascending entry numbers) are shown.
    void ShowOnly(const std::vector<std::int32_t>& view) override {
        shown.assign(view.begin(), view.end());
        shown.erase(
            std::remove_if(shown.begin(), shown.end(), [&](std::int32_t e) { return e < 0 || e >= ListCount(); }),
            shown.end());
        filtered = true;
        Settle();
        topIndex = 0;
        if (const std::int32_t at = listIndex >= 0 ? ShownPosition(listIndex) : -1; at >= 0)
            topIndex = std::min(at, MaxTop());
        RowsChanged();
        ViewChanged();
    }

    // Every entry again; the entry on top stays on top.
    void ShowAll() override {
        if (!filtered)
            return;
        const std::int32_t top = TopIndex();
        filtered = false;
        shown.clear();
        Settle();
        topIndex = std::clamp(top, 0, MaxTop());
        if (listIndex >= 0)
            topIndex = std::clamp(listIndex, topIndex - std::max(1, VisibleRows()) + 1, topIndex);
        topIndex = std::clamp(topIndex, 0, MaxTop());
        RowsChanged();
        ViewChanged();
    }

    bool Filtered() const override { return filtered; }
    std::int32_t ShownCount() const override {
        return filtered ? static_cast<std::int32_t>(shown.size()) : ListCount();
    }
    std::int32_t ShownEntry(std::int32_t position) const override {
        if (position < 0 || position >= ShownCount())
            return -1;
        return filtered ? shown[static_cast<std::size_t>(position)] : position;
    }
    std::int32_t ShownPosition(std::int32_t index) const override {
        if (index < 0 || index >= ListCount())
            return -1;
        if (!filtered)
            return index;
        auto it = std::lower_bound(shown.begin(), shown.end(), index);
        return it != shown.end() && *it == index ? static_cast<std::int32_t>(it - shown.begin()) : -1;
    }
    void MarkMatches(ListBox::SpanMarker marker) override {
        spanMarker = std::move(marker);
        RowsChanged();
    }
    // The parts of entry `index` drawn highlighted (none without a marker).
    std::vector<std::pair<std::int32_t, std::int32_t>> MatchedSpans(std::int32_t index) const {
        if (!spanMarker || index < 0 || index >= ListCount())
            return {};
        return spanMarker(entries.Text(static_cast<std::size_t>(index)));
    }

    std::int32_t ItemData(std::int32_t index) const override {
        CheckIndex(index);
        return entries.Data(static_cast<std::size_t>(index));
    }

    void ItemData(std::int32_t index, std::int32_t value) override {
        CheckIndex(index);
        entries.SetData(static_cast<std::size_t>(index), value);
    }

    void Reorder(const std::vector<std::int32_t>& order) override {
        if (!entries.Reorder(order))
            Raise(ErrorCode::ToolkitInvalidArrayIndex, std::to_string(order.size()));
        if (filtered)
            ReorderView(order);
        RowsChanged();
    }

    float GetHeight() const override {
        Settle();
        return roundedHeight;
    }

    void SetHeight(float value) override {
        this->CheckSize(value);
        requestedHeight = value;
        settledRowPx = -1;
        Settle();
        GeometryChanged();
    }

    void SetFont(FontRef value) override {
        Base::SetFont(std::move(value));
        Settle();
        GeometryChanged();
    }

    // The user dragged the scroll bar or turned the wheel: Scroll when the
    // top row really moves.
    // `top` counts rows shown (in a view, positions in it).
    void UserScroll(std::int32_t top) {
        if (ShownCount() == 0)
            return;
        Settle();
        const std::int32_t value = std::clamp(top, 0, MaxTop());
        if (value == topIndex) {
            RowsChanged();
            return;
        }
        topIndex = value;
        RowsChanged();
        RaiseScroll();
    }

    // Navigation keys; with nothing selected any of them starts at the
    // first entry (End at the last). A page is one row less than the list
    // shows.
    void DefaultKeyDown(std::int16_t keyCode, std::int16_t /*shift*/) override {
        const std::int32_t count = ShownCount();
        if (count == 0)
            return;
        const std::int32_t cur = listIndex >= 0 ? ShownPosition(listIndex) : -1;
        const std::int32_t page = std::max(1, VisibleRows() - 1);
        std::int32_t next = cur;
        switch (keyCode) {
            case key::Up:
                next = std::max(0, cur - 1);
                break;
            case key::Down:
                next = cur < 0 ? 0 : std::min(count - 1, cur + 1);
                break;
            case key::PageUp:
                next = std::max(0, cur - page);
                break;
            case key::PageDown:
                next = cur < 0 ? 0 : std::min(count - 1, cur + page);
                break;
            case key::Home:
                next = 0;
                break;
            case key::End:
                next = count - 1;
                break;
            default:
                return;
        }
        ListIndex(ShownEntry(std::max(next, 0)));
    }

    // A character jumps to the next entry starting with it, caselessly,
    // wrapping around.
    void DefaultChar(std::int16_t keyAscii, std::string_view typed) override {
        if ((keyAscii >= 0 && keyAscii < 32) || typed.empty())
            return;
        const char32_t wanted = FoldedFirst(typed);
        const std::int32_t count = ShownCount();
        const std::int32_t from = listIndex >= 0 ? ShownPosition(listIndex) : -1;
        for (std::int32_t step = 1; step <= count; ++step) {
            const std::int32_t i = ShownEntry((std::max(from, -1) + step) % count);
            if (FoldedFirst(entries.Text(static_cast<std::size_t>(i))) == wanted) {
                ListIndex(i);
                return;
            }
        }
    }

    // A left press at `yPx` pixels below the first row's top, before the
    // press handlers run: a press on a row selects it; a press on the frame
    // or below the last entry selects nothing.
    void PressAt(float yPx) override {
        const std::int32_t index = RowAt(yPx);
        if (index >= 0)
            ListIndex(index);
    }

    // The rows lie inside a one-pixel frame.
    float ClientInsetPx() const override { return list_geometry::kFramePx / 2; }

    // The entry drawn at `yPx` pixels below the first row's top, -1 for the
    // frame, the room below the last entry, or a row cut off at the bottom.
    std::int32_t RowAt(float yPx) const {
        Settle();
        if (yPx < 0 || settledRowPx <= 0)
            return -1;
        const auto row = static_cast<std::int32_t>(std::floor(yPx / settledRowPx));
        if (row >= VisibleRows())
            return -1;
        return ShownEntry(topIndex + row);
    }

    // The rows the list shows whole.
    std::int32_t VisibleRows() const {
        Settle();
        const float tpp = TwipsPerPixelY();
        if (tpp <= 0 || settledRowPx <= 0)
            return 0;
        return WholeRows(roundedHeight / tpp);
    }

    std::int32_t MaxTop() const {
        const float tpp = TwipsPerPixelY();
        if (tpp <= 0 || settledRowPx <= 0)
            return 0;
        return std::max(0, ShownCount() - std::max(1, WholeRows(roundedHeight / tpp)));
    }

    std::string_view EntryText(std::int32_t index) const override {
        CheckIndex(index);
        return entries.Text(static_cast<std::size_t>(index));
    }

    void VisitEntries(std::int32_t first, std::int32_t count, const EntryVisitor& visit) const override {
        if (count < 0 || first < 0 || first > ListCount() - count)
            Raise(ErrorCode::ToolkitInvalidArrayIndex, std::to_string(first < 0 ? first : first + count));
        entries.ForEach(static_cast<std::size_t>(first), static_cast<std::size_t>(count), visit);
    }
    std::int32_t SelectedIndex() const { return listIndex; }
    // The position of the top row among the rows shown.
    std::int32_t FirstShown() const { return topIndex; }

    // The height of one row in pixels of the list's font.
    float RowPx() const { return this->desk != nullptr ? this->desk->LineHeightPx(*this->font) : 1; }

protected:
    // 0 once the desktop is gone.
    float TwipsPerPixelY() const { return this->desk != nullptr ? this->desk->Tpp() : 0; }
    void RaiseClick() { Fire(*this, this->OnClick); }
    void RaiseScroll() { Fire(*this, this->OnScroll); }
    // The entries, the selection or the top row changed: redraw.
    virtual void RowsChanged() {}
    virtual void SelectionChanged() { RowsChanged(); }
    // The height or the font changed: place the widget again and redraw.
    virtual void GeometryChanged() {}
    // A view was shown or ended (after RowsChanged).
    virtual void ViewChanged() {}

    // Remembers the height last asked for; the list settles on it.
    void RequestHeight(float twips) { requestedHeight = twips; }

private:
    std::int32_t WholeRows(float heightPx) const {
        const float rows = std::floor((heightPx - list_geometry::kFramePx) / settledRowPx + list_geometry::kSlack);
        return rows < 1 ? 0 : static_cast<std::int32_t>(rows);
    }

    // The position of the first entry shown at or after `index`.
    std::int32_t FirstShownFrom(std::int32_t index) const {
        if (!filtered)
            return index;
        return static_cast<std::int32_t>(std::lower_bound(shown.begin(), shown.end(), index) - shown.begin());
    }

    // Entry `index` was removed: it leaves the view, later entries move up.
    void DropFromView(std::int32_t index) {
        auto it = std::lower_bound(shown.begin(), shown.end(), index);
        const auto at = it - shown.begin();
        if (it != shown.end() && *it == index)
            it = shown.erase(it);
        for (; it != shown.end(); ++it)
            --*it;
        if (topIndex > at)
            --topIndex;
    }

    // The entries moved (entry k is the one that was at order[k]); the view
    // names the same entries at their new numbers.
    void ReorderView(const std::vector<std::int32_t>& order) {
        std::vector<std::int32_t> now(order.size());
        for (std::size_t k = 0; k < order.size(); ++k)
            now[static_cast<std::size_t>(order[k])] = static_cast<std::int32_t>(k);
        for (std::int32_t& e : shown)
            e = now[static_cast<std::size_t>(e)];
        std::sort(shown.begin(), shown.end());
    }

    void CheckIndex(std::int32_t index) const {
        if (index < 0 || index >= ListCount())
            Raise(ErrorCode::ToolkitInvalidArrayIndex, std::to_string(index));
    }

    // The height settles on whole rows plus the frame; too low for one row,
    // the list shrinks to nothing. It is rounded again from the height last
    // asked for whenever the row height changes, also through the shared
    // font object, so switching fonts back and forth never drifts.
    void Settle() const {
        const float tpp = TwipsPerPixelY();
        if (tpp <= 0)
            return;
        const float rowPx = RowPx();
        if (rowPx == settledRowPx)
            return;
        settledRowPx = rowPx;
        const float heightPx = requestedHeight / tpp;
        const float rows = std::floor((heightPx - list_geometry::kFramePx) / rowPx + list_geometry::kSlack);
        roundedHeight = rows < 1 ? 0 : (rows * rowPx + list_geometry::kFramePx) * tpp;
        topIndex = std::min(topIndex, MaxTop());
    }

    RowStore entries;
    std::vector<std::int32_t> shown;  // the entries a view shows, ascending
    bool filtered = false;
    ListBox::SpanMarker spanMarker;
    std::int32_t listIndex = -1;
    std::int32_t newIndex = -1;
    float requestedHeight = 0;
    mutable std::int32_t topIndex = 0;
    mutable float roundedHeight = 0;
    mutable float settledRowPx = -1;
};

}  // namespace korvane::tk::model

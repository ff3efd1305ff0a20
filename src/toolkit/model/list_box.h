// The list box's state machine, the same on every desktop: entries in the
// order added, one selected entry, a top row limited so the last page stays
// full, a height that settles on whole rows of its font plus a one-pixel
// frame, the navigation keys, the first-letter jump, and the row a press
// lands on. A desktop derives its list box from ListBoxModel<its widget
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
        if (value >= 0) {
            Settle();
            const std::int32_t rows = std::max(1, VisibleRows());
            if (value < topIndex) {
                topIndex = value;
            } else if (value >= topIndex + rows) {
                topIndex = value - rows + 1;
            }
            topIndex = std::clamp(topIndex, 0, MaxTop());
        }
        SelectionChanged();
        RaiseClick();
    }

    std::int32_t TopIndex() const override {
        Settle();
        return topIndex;
    }

    // Code may scroll without a Scroll event; an empty list stays at the top.
    void TopIndex(std::int32_t value) override {
        if (ListCount() == 0)
            return;
        CheckIndex(value);
        Settle();
        topIndex = std::min(value, MaxTop());
        RowsChanged();
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
    void UserScroll(std::int32_t top) {
        if (ListCount() == 0)
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
        const std::int32_t count = ListCount();
        if (count == 0)
            return;
        const std::int32_t cur = listIndex;
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
        ListIndex(next);
    }

    // A character jumps to the next entry starting with it, caselessly,
    // wrapping around.
    void DefaultChar(std::int16_t keyAscii, std::string_view typed) override {
        if ((keyAscii >= 0 && keyAscii < 32) || typed.empty())
            return;
        const char32_t wanted = FoldedFirst(typed);
        const std::int32_t count = ListCount();
        for (std::int32_t step = 1; step <= count; ++step) {
            const std::int32_t i = (std::max(listIndex, -1) + step) % count;
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
        const std::int32_t index = topIndex + row;
        return index < ListCount() ? index : -1;
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
        return std::max(0, ListCount() - std::max(1, WholeRows(roundedHeight / tpp)));
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

    // Remembers the height last asked for; the list settles on it.
    void RequestHeight(float twips) { requestedHeight = twips; }

private:
    std::int32_t WholeRows(float heightPx) const {
        const float rows = std::floor((heightPx - list_geometry::kFramePx) / settledRowPx + list_geometry::kSlack);
        return rows < 1 ? 0 : static_cast<std::int32_t>(rows);
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
    std::int32_t listIndex = -1;
    std::int32_t newIndex = -1;
    float requestedHeight = 0;
    mutable std::int32_t topIndex = 0;
    mutable float roundedHeight = 0;
    mutable float settledRowPx = -1;
};

}  // namespace korvane::tk::model

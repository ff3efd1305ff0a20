// The headless list box: entries in the order added, one selected entry, a
// top entry limited so the last page stays full, a height that settles on
// whole rows of its font, and the keys, presses and scrolling of a person.
#include <algorithm>
#include <cmath>
#include <string>

#include "korvane/errors.h"
#include "widget_kinds.h"

namespace korvane::tk::headless {

namespace {

constexpr float kFramePx = 2;  // one pixel above the rows, one below
// Room for rounding when a defined font has rows of fractional pixels.
constexpr float kSlack = 1e-4f;

char32_t Folded(char32_t c) {
    return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c;
}

}  // namespace

HeadlessListBox::HeadlessListBox(HeadlessDesktop::Impl& d, Node& p, std::string n)
    : WidgetImpl(d, Kind::ListBox, std::move(n), &p) {
    width = 1215;
    requestedHeight = 1035;
    Settle();
}

float HeadlessListBox::RowPx() const {
    return desk->Metrics(*font).LineHeightPx;
}

// The height settles on whole rows plus the frame; too low for one row, the
// list shrinks to nothing. It is rounded again from the height last asked
// for whenever the row height changes, also through the shared font object,
// so switching fonts back and forth never drifts.
void HeadlessListBox::Settle() const {
    const float rowPx = RowPx();
    if (rowPx == settledRowPx)
        return;
    settledRowPx = rowPx;
    const float heightPx = requestedHeight / desk->Tpy();
    const float rows = std::floor((heightPx - kFramePx) / rowPx + kSlack);
    roundedHeight = rows < 1 ? 0 : (rows * rowPx + kFramePx) * desk->Tpy();
    topIndex = std::min(topIndex, MaxTop());
}

std::int32_t HeadlessListBox::VisibleRows() const {
    Settle();
    const float heightPx = roundedHeight / desk->Tpy();
    const float rows = std::floor((heightPx - kFramePx) / settledRowPx + kSlack);
    return rows < 1 ? 0 : static_cast<std::int32_t>(rows);
}

std::int32_t HeadlessListBox::MaxTop() const {
    const float heightPx = roundedHeight / desk->Tpy();
    const auto rows =
        static_cast<std::int32_t>(std::max(1.0f, std::floor((heightPx - kFramePx) / settledRowPx + kSlack)));
    return std::max(0, ListCount() - rows);
}

float HeadlessListBox::GetHeight() const {
    Settle();
    return roundedHeight;
}

void HeadlessListBox::SetHeight(float value) {
    CheckSize(value);
    requestedHeight = value;
    settledRowPx = -1;
    Settle();
}

void HeadlessListBox::SetFont(FontRef value) {
    Node::SetFont(std::move(value));
    Settle();
}

void HeadlessListBox::CheckIndex(std::int32_t index) const {
    if (index < 0 || index >= ListCount())
        Raise(ErrorCode::ToolkitInvalidArrayIndex, std::to_string(index));
}

// Appending is constant time: nothing here looks at the other entries.
void HeadlessListBox::AddItem(std::string item) {
    if (ListCount() >= MaxEntries)
        Raise(ErrorCode::ToolkitInvalidArrayIndex, std::to_string(ListCount()));
    entries.push_back({std::move(item), 0});
    newIndex = ListCount() - 1;
}

// The selection and the newest entry follow the entries they name; removing
// the selected entry leaves none selected, without a Click.
void HeadlessListBox::RemoveItem(std::int32_t index) {
    CheckIndex(index);
    entries.erase(entries.begin() + index);
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
}

void HeadlessListBox::Clear() {
    entries.clear();
    listIndex = -1;
    newIndex = -1;
    topIndex = 0;
}

std::string HeadlessListBox::List(std::int32_t index) const {
    if (index == -1)
        return {};
    CheckIndex(index);
    return entries[static_cast<std::size_t>(index)].Text;
}

void HeadlessListBox::List(std::int32_t index, std::string value) {
    CheckIndex(index);
    entries[static_cast<std::size_t>(index)].Text = std::move(value);
}

std::int32_t HeadlessListBox::ItemData(std::int32_t index) const {
    CheckIndex(index);
    return entries[static_cast<std::size_t>(index)].Data;
}

void HeadlessListBox::ItemData(std::int32_t index, std::int32_t value) {
    CheckIndex(index);
    entries[static_cast<std::size_t>(index)].Data = value;
}

// Every selection change, from code, keys or the mouse, comes through here:
// the entry is scrolled into view with the least movement, then Click.
void HeadlessListBox::ListIndex(std::int32_t value) {
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
    Fire(*desk, id, OnClick);
}

std::int32_t HeadlessListBox::TopIndex() const {
    Settle();
    return topIndex;
}

// Code may scroll without a Scroll event; an empty list stays at the top.
void HeadlessListBox::TopIndex(std::int32_t value) {
    if (ListCount() == 0)
        return;
    CheckIndex(value);
    Settle();
    topIndex = std::min(value, MaxTop());
}

void HeadlessListBox::UserScroll(std::int32_t top) {
    if (ListCount() == 0)
        return;
    Settle();
    const std::int32_t value = std::clamp(top, 0, MaxTop());
    if (value == topIndex)
        return;
    topIndex = value;
    Fire(*desk, id, OnScroll);
}

// Navigation keys; with nothing selected any of them starts at the first
// entry (End at the last). A page is one row less than the list shows.
void HeadlessListBox::DefaultKeyDown(std::int16_t keyCode, std::int16_t) {
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

// A character jumps to the next entry starting with it, wrapping around.
void HeadlessListBox::DefaultChar(std::int16_t keyAscii, std::string_view typed) {
    if ((keyAscii >= 0 && keyAscii < 32) || typed.empty())
        return;
    const char32_t wanted = Folded(DecodeUnit(typed, 0).CodePoint);
    const std::int32_t count = ListCount();
    for (std::int32_t step = 1; step <= count; ++step) {
        const std::int32_t i = (std::max(listIndex, -1) + step) % count;
        const std::string& entry = entries[static_cast<std::size_t>(i)].Text;
        if (!entry.empty() && Folded(DecodeUnit(entry, 0).CodePoint) == wanted) {
            ListIndex(i);
            return;
        }
    }
}

// A press on a row selects it; a press on the frame or below the last
// entry selects nothing.
void HeadlessListBox::PressAt(float yPx) {
    Settle();
    const float inside = yPx - kFramePx / 2;
    if (inside < 0)
        return;
    const auto row = static_cast<std::int32_t>(std::floor(inside / settledRowPx));
    if (row >= VisibleRows())
        return;
    const std::int32_t index = topIndex + row;
    if (index < ListCount())
        ListIndex(index);
}

}  // namespace korvane::tk::headless

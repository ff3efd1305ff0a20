// The navigation rule shared by the fields, the embedded lists and the
// drop-down window: Up and Down move one row, Page Up and Page Down ten,
// never past the first or last row. The lists, and the Dropdown List's
// closed box (which has no caret), also take Home and End to the first and
// last row, as a list view does; in a field those keys move the caret.
// Every place that moves a row by a key asks RowAfterKey where to.
#pragma once

#include <cstdint>
#include <optional>

#include "korvane/toolkit/types.h"
#include "korvane/toolkit/widgets.h"

namespace korvane::detail {

constexpr std::int32_t kPageRows = 10;

inline bool IsNavigationKey(std::int16_t keyCode) {
    return keyCode == tk::key::PageUp || keyCode == tk::key::PageDown || keyCode == tk::key::Up ||
           keyCode == tk::key::Down;
}

// The row a navigation key moves to from `cur` in a list of `n` rows, or
// nothing when the key stops without moving (or is not a navigation key).
inline std::optional<std::int32_t> NavigateRow(std::int16_t keyCode, std::int32_t cur, std::int32_t n) {
    switch (keyCode) {
        case tk::key::PageUp:
            if (cur <= 0)
                return std::nullopt;
            return cur - kPageRows < 0 ? 0 : cur - kPageRows;
        case tk::key::PageDown:
            if (cur == n - 1 || n <= 0)
                return std::nullopt;
            return cur + kPageRows > n - 1 ? n - 1 : cur + kPageRows;
        case tk::key::Up:
            if (cur <= 0)
                return std::nullopt;
            return cur - 1;
        case tk::key::Down:
            if (cur == n - 1 || n <= 0)
                return std::nullopt;
            return cur + 1 > n - 1 ? n - 1 : cur + 1;
        default:
            return std::nullopt;
    }
}

inline bool IsListNavigationKey(std::int16_t keyCode) {
    return IsNavigationKey(keyCode) || keyCode == tk::key::Home || keyCode == tk::key::End;
}

// NavigateRow, with Home and End as a list takes them.
inline std::optional<std::int32_t> NavigateListRow(std::int16_t keyCode, std::int32_t cur, std::int32_t n) {
    if (keyCode == tk::key::Home)
        return n <= 0 || cur == 0 ? std::nullopt : std::optional<std::int32_t>(0);
    if (keyCode == tk::key::End)
        return n <= 0 || cur == n - 1 ? std::nullopt : std::optional<std::int32_t>(n - 1);
    return NavigateRow(keyCode, cur, n);
}

// Who took the key: a field keeps Home and End for its caret, a list takes
// them to its first and last row.
enum class KeysOf { Field, List };

// The row a key moves `list`'s current row to, counted among the rows the
// list shows (in a search's view, its matches), or nothing when the key
// leaves the row where it is.
inline std::optional<std::int32_t> RowAfterKey(const tk::ListBox& list, std::int16_t keyCode, KeysOf keys) {
    const std::int32_t at = list.ShownPosition(list.ListIndex());
    const std::int32_t shown = list.ShownCount();
    const auto next = keys == KeysOf::List ? NavigateListRow(keyCode, at, shown) : NavigateRow(keyCode, at, shown);
    if (!next)
        return std::nullopt;
    return list.ShownEntry(*next);
}

// The keys that open a closed drop-down and close an open one, besides the
// button: F4, and Alt with Down (opens and closes) or Up (closes).
inline bool IsOpenKey(std::int16_t keyCode, std::int16_t shift) {
    return (keyCode == tk::key::F4 && shift == tk::shift::None) ||
           (keyCode == tk::key::Down && shift == tk::shift::Alt);
}
inline bool IsCloseKey(std::int16_t keyCode, std::int16_t shift) {
    return IsOpenKey(keyCode, shift) || (keyCode == tk::key::Up && shift == tk::shift::Alt);
}

}  // namespace korvane::detail

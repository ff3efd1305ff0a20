// The navigation rule shared by the fields, the embedded lists and the
// drop-down window: Up and Down move one row, Page Up and Page Down ten,
// never past the first or last row.
#pragma once

#include <cstdint>
#include <optional>

#include "korvane/toolkit/types.h"

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

}  // namespace korvane::detail

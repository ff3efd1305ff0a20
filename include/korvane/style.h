/// @file
/// The control's three styles.
#pragma once

#include <cstdint>

#include "korvane/korvane_export.h"

namespace korvane {

/// The control's style (ucvKorvane::Style). Stored as a 32-bit value; a
/// saved form may hold any number, so code that reads a style must not
/// assume it is one of the three.
enum class StyleType : std::int32_t {
    DropdownCombo = 0,  ///< "Dropdown Combo": two editable fields and a button that opens the drop-down.
    SimpleCombo = 1,    ///< "Simple Combo": the two editable fields with the rows always shown under them.
    DropdownList = 2,   ///< "Dropdown List": two read-only labels; the button or a label opens the drop-down.
};

/// The name a property browser shows for a style ("Dropdown Combo", ...),
/// or "" for other values.
KORVANE_EXPORT const char* StyleName(StyleType style);

}  // namespace korvane

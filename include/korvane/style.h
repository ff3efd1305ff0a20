// The control's three styles.
#pragma once

#include <cstdint>

namespace korvane {

// Stored as a 32-bit value; a saved form may hold any number, so code that
// reads a style must not assume it is one of the three.
enum class StyleType : std::int32_t {
    DropdownCombo = 0,  // "Dropdown Combo"
    SimpleCombo = 1,    // "Simple Combo"
    DropdownList = 2,   // "Dropdown List"
};

// The name a property browser shows for a style, or "" for other values.
const char* StyleName(StyleType style);

}  // namespace korvane

// The size both desktops draw a font at. A font object is shared with the
// host, which may change its size at any time after the control checked
// it; a size no desktop can draw (not a number, not above zero, infinite
// or past kLargestDrawnFont) is drawn at the default size instead, so every
// measurement stays a small finite number.
#pragma once

#include "korvane/toolkit/types.h"

namespace korvane::tk::model {

inline constexpr float kLargestDrawnFont = 2048;  // points

inline float DrawnSize(const Font& font) {
    return font.Size > 0 && font.Size <= kLargestDrawnFont ? font.Size : Font{}.Size;
}

}  // namespace korvane::tk::model

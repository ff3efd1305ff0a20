// The size both desktops draw a font at. A font object is shared with the
// host, which may change its size at any time after the control checked
// it; a size no desktop can draw (see tk::DrawableSize) is drawn at the
// default size instead, so every measurement stays a small finite number.
#pragma once

#include "korvane/toolkit/types.h"

namespace korvane::tk::model {

inline float DrawnSize(const Font& font) {
    return DrawableSize(font) ? font.Size : Font{}.Size;
}

}  // namespace korvane::tk::model

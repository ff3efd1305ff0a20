// The headless desktop's fonts: the metrics every measurement and every list
// row height comes from (the UTF-8 units they count are the model's).
#include "../model/fonts.h"

#include <algorithm>
#include <cmath>

#include "desktop.h"

namespace korvane::tk::headless {

namespace {

// The default faces measure like a 96-dpi screen: 8-point text is 13 pixels
// high and 5 wide on average; other sizes scale from there.
constexpr float kPixelsPerPoint = 96.0f / 72.0f;
constexpr float kLineFactor = 1.22f;
constexpr float kWidthFactor = 0.47f;

}  // namespace

FontMetrics HeadlessDesktop::Impl::Metrics(const Font& font) const {
    for (const auto& [face, measure] : fonts) {
        if (SameName(face, font.Name))
            return measure(font);
    }
    const float px = model::DrawnSize(font) * kPixelsPerPoint;
    FontMetrics m;
    m.LineHeightPx = std::max(1.0f, std::round(px * kLineFactor));
    m.AverageCharWidthPx = std::max(1.0f, std::round(px * kWidthFactor)) + (font.Bold ? 1.0f : 0.0f);
    return m;
}

// Text is as wide as its units at the font's average width.
float HeadlessDesktop::Impl::LineWidthPx(const Font& font, std::string_view line) const {
    return static_cast<float>(UnitCount(line)) * Metrics(font).AverageCharWidthPx;
}

}  // namespace korvane::tk::headless

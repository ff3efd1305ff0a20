// Text as the headless desktop sees it: UTF-8 split into units (a malformed
// byte is a unit of its own, so no text can break the caret or the
// measurements), line splitting, and the font metrics every measurement and
// every list row height comes from.
#include <algorithm>
#include <cmath>

#include "model.h"

namespace korvane::tk::headless {

namespace {

bool Continuation(std::string_view text, std::size_t pos, unsigned char low = 0x80, unsigned char high = 0xBF) {
    if (pos >= text.size())
        return false;
    auto c = static_cast<unsigned char>(text[pos]);
    return c >= low && c <= high;
}

// The default faces measure like a 96-dpi screen: 8-point text is 13 pixels
// high and 5 wide on average; other sizes scale from there.
constexpr float kPixelsPerPoint = 96.0f / 72.0f;
constexpr float kLineFactor = 1.22f;
constexpr float kWidthFactor = 0.47f;

}  // namespace

TextUnit DecodeUnit(std::string_view text, std::size_t pos) {
    auto b0 = static_cast<unsigned char>(text[pos]);
    TextUnit invalid{b0, 1, false};
    if (b0 < 0x80)
        return {b0, 1, true};
    std::size_t length = 0;
    char32_t cp = 0;
    unsigned char low = 0x80, high = 0xBF;  // bounds of the second byte
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
        cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        cp = b0 & 0x0F;
        if (b0 == 0xE0)
            low = 0xA0;  // no overlong forms
        if (b0 == 0xED)
            high = 0x9F;  // no surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        cp = b0 & 0x07;
        if (b0 == 0xF0)
            low = 0x90;
        if (b0 == 0xF4)
            high = 0x8F;  // nothing past U+10FFFF
    } else {
        return invalid;
    }
    if (!Continuation(text, pos + 1, low, high))
        return invalid;
    for (std::size_t i = 1; i < length; ++i) {
        if (!Continuation(text, pos + i))
            return invalid;
        cp = (cp << 6) | (static_cast<unsigned char>(text[pos + i]) & 0x3F);
    }
    return {cp, length, true};
}

std::vector<std::size_t> UnitStarts(std::string_view text) {
    std::vector<std::size_t> starts;
    starts.reserve(text.size() + 1);
    for (std::size_t pos = 0; pos < text.size(); pos += DecodeUnit(text, pos).Bytes)
        starts.push_back(pos);
    starts.push_back(text.size());
    return starts;
}

std::int32_t UnitCount(std::string_view text) {
    std::int32_t count = 0;
    for (std::size_t pos = 0; pos < text.size(); pos += DecodeUnit(text, pos).Bytes)
        ++count;
    return count;
}

std::string EncodeUtf8(char32_t cp) {
    std::string out;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        if (cp >= 0xD800 && cp <= 0xDFFF)
            return "?";  // a lone surrogate has no encoding
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp <= 0x10FFFF) {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        return "?";
    }
    return out;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    lines.push_back(text.substr(start));
    return lines;
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

FontMetrics HeadlessDesktop::Impl::Metrics(const Font& font) const {
    for (const auto& [face, measure] : fonts) {
        if (SameName(face, font.Name))
            return measure(font);
    }
    float px = std::max(font.Size, 0.0f) * kPixelsPerPoint;
    FontMetrics m;
    m.LineHeightPx = std::max(1.0f, std::round(px * kLineFactor));
    m.AverageCharWidthPx = std::max(1.0f, std::round(px * kWidthFactor)) + (font.Bold ? 1.0f : 0.0f);
    return m;
}

float Node::TextHeight(std::string_view text) const {
    auto lines = static_cast<float>(SplitLines(text).size());
    return lines * desk->Metrics(*font).LineHeightPx * desk->Tpy();
}

// The width of the longest line.
float Node::TextWidth(std::string_view text) const {
    std::int32_t widest = 0;
    for (auto line : SplitLines(text))
        widest = std::max(widest, UnitCount(line));
    return static_cast<float>(widest) * desk->Metrics(*font).AverageCharWidthPx * desk->Tpx();
}

}  // namespace korvane::tk::headless

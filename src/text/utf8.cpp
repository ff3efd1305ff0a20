// UTF-8 decoding and encoding for the whole library (utf8.h).
#include "text/utf8.h"

namespace korvane::utf8 {

namespace {

bool Continuation(std::string_view text, std::size_t pos, unsigned char low = 0x80, unsigned char high = 0xBF) {
    if (pos >= text.size())
        return false;
    auto c = static_cast<unsigned char>(text[pos]);
    return c >= low && c <= high;
}

}  // namespace

Unit DecodeUnit(std::string_view text, std::size_t pos) {
    auto b0 = static_cast<unsigned char>(text[pos]);
    Unit invalid{b0, 1, false};
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

std::size_t PreviousUnitStart(std::string_view text, std::size_t pos) {
    // The nearest byte before `pos` that is no continuation byte starts a
    // unit; the unit reaches `pos` only if it is exactly that long.
    // Otherwise the byte just before `pos` is a lone byte of its own.
    for (std::size_t back = 1; back <= 4 && back <= pos; ++back) {
        const std::size_t at = pos - back;
        if (Continuation(text, at))
            continue;
        return DecodeUnit(text, at).Bytes == back ? at : pos - 1;
    }
    return pos - 1;
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

std::string Encode(char32_t cp) {
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

bool IsValid(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
        const Unit unit = DecodeUnit(text, pos);
        if (!unit.Valid)
            return false;
        pos += unit.Bytes;
    }
    return true;
}

}  // namespace korvane::utf8

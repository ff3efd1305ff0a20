// The UTF-8 units, lines and names both desktops share (text.h).
#include "text.h"

#include <unicode/uchar.h>

#include <algorithm>

namespace korvane::tk::model {

namespace {

bool Continuation(std::string_view text, std::size_t pos, unsigned char low = 0x80, unsigned char high = 0xBF) {
    if (pos >= text.size())
        return false;
    auto c = static_cast<unsigned char>(text[pos]);
    return c >= low && c <= high;
}

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

char32_t Folded(char32_t codePoint) {
    return static_cast<char32_t>(u_foldCase(static_cast<UChar32>(codePoint), U_FOLD_CASE_DEFAULT));
}

char32_t FoldedFirst(std::string_view text) {
    return text.empty() ? 0 : Folded(DecodeUnit(text, 0).CodePoint);
}

}  // namespace korvane::tk::model

// Text as both desktops see it: UTF-8 split into units (a whole code point,
// or a single byte that does not start a valid sequence, so no text can
// break the caret or a measurement), line splitting, the ASCII
// case-insensitive comparison of widget names, and the case folding of the
// list box's first-letter jump.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::tk::model {

// One unit of a UTF-8 text. Editing and measuring work in these units, so a
// malformed text is still a sequence of things the caret can step over.
struct TextUnit {
    char32_t CodePoint = 0;  // the byte value for an invalid byte
    std::size_t Bytes = 1;
    bool Valid = true;
};
TextUnit DecodeUnit(std::string_view text, std::size_t pos);
// Byte offsets where the units start, followed by text.size().
std::vector<std::size_t> UnitStarts(std::string_view text);
std::int32_t UnitCount(std::string_view text);
std::string EncodeUtf8(char32_t codePoint);
// Lines split on CR LF, CR or LF; the empty text is one line.
std::vector<std::string_view> SplitLines(std::string_view text);
bool SameName(std::string_view a, std::string_view b);  // ASCII case-insensitive
// The first unit of a text folded for a caseless comparison; 0 for the
// empty text.
char32_t FoldedFirst(std::string_view text);
char32_t Folded(char32_t codePoint);

}  // namespace korvane::tk::model

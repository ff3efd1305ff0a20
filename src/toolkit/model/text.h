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

#include "text/utf8.h"

namespace korvane::tk::model {

// Editing and measuring work in UTF-8 units, so a malformed text is still
// a sequence of things the caret can step over.
using TextUnit = utf8::Unit;
using utf8::DecodeUnit;
using utf8::UnitCount;
using utf8::UnitStarts;
inline std::string EncodeUtf8(char32_t codePoint) {
    return utf8::Encode(codePoint);
}
// Lines split on CR LF, CR or LF; the empty text is one line.
std::vector<std::string_view> SplitLines(std::string_view text);
bool SameName(std::string_view a, std::string_view b);  // ASCII case-insensitive
// The first unit of a text folded for a caseless comparison; 0 for the
// empty text.
char32_t FoldedFirst(std::string_view text);
char32_t Folded(char32_t codePoint);

}  // namespace korvane::tk::model

// UTF-8 as the whole library reads it: a text is a sequence of units, each a
// whole code point or a single byte that does not start a valid sequence, so
// a malformed text can still be measured, edited, compared and saved without
// losing a byte. The one decoder every part uses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::utf8 {

// One unit of a UTF-8 text.
struct Unit {
    char32_t CodePoint = 0;  // the byte value for an invalid byte
    std::size_t Bytes = 1;
    bool Valid = true;
};

// The unit that starts at byte `pos` (< text.size()). Overlong forms,
// surrogates and code points past U+10FFFF are invalid, one byte each.
Unit DecodeUnit(std::string_view text, std::size_t pos);
// Where the unit that ends at byte `pos` starts, for a `pos` (> 0) where
// a unit starts or the text ends. Every byte that is no continuation byte
// starts a unit, so the answer lies within the four bytes before `pos`.
std::size_t PreviousUnitStart(std::string_view text, std::size_t pos);
// Byte offsets where the units start, followed by text.size().
std::vector<std::size_t> UnitStarts(std::string_view text);
// Number of units: code points, with each invalid byte counting one.
std::int32_t UnitCount(std::string_view text);
// Whether every unit is a valid code point.
bool IsValid(std::string_view text);
// The encoding of a code point; "?" for a surrogate or a value past U+10FFFF.
std::string Encode(char32_t codePoint);

}  // namespace korvane::utf8

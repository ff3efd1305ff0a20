// JSON as text: a checker that walks a document without recursion (so no
// nesting depth can exhaust the stack) and without converting numbers (so
// none is rounded or refused by a conversion later), and the members of an
// object as spans of the original text. The registry keeps the entries of
// other components byte for byte by editing only the spans of its own.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::component::json_text {

// Deeper nesting than this is refused.
constexpr std::size_t kMaxDepth = 128;

// Checks that `text` is one JSON value with nothing but blanks around it,
// nested at most kMaxDepth deep, whose numbers all lie within the range of
// a double. Otherwise false, with `why` saying what and where ("at line 3,
// column 14"). `beyondLimits` tells a text that is JSON but nests too deep
// or holds too large a number from one that is not JSON at all.
bool Check(std::string_view text, std::string& why, bool& beyondLimits);

// One member of an object: its key as written (with the quotes) and
// decoded, and its value as written.
struct Member {
    std::size_t KeyBegin = 0;
    std::size_t KeyEnd = 0;
    std::string Key;
    std::size_t ValueBegin = 0;
    std::size_t ValueEnd = 0;
};

// An object of checked text: where its braces are and its members in the
// order written (duplicate keys included).
struct Object {
    std::size_t Open = 0;
    std::size_t Close = 0;
    std::vector<Member> Members;
};

// The first offset at or after `pos` that is not a blank.
std::size_t SkipBlanks(std::string_view text, std::size_t pos);
// The end of the value starting at `pos` of checked text.
std::size_t SkipValue(std::string_view text, std::size_t pos);
// The object whose '{' is at `open` in checked text.
Object Members(std::string_view text, std::size_t open);
// The decoded text of the string value at [begin, end) of checked text.
std::string StringValue(std::string_view text, std::size_t begin, std::size_t end);

}  // namespace korvane::component::json_text

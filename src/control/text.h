// Text helpers shared by the control: case-insensitive keys and comparison
// (Unicode case folding and collation), the search key (case and accents
// ignored), blank trimming and the row-text split.
#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace korvane::detail {

// A key that two texts share exactly when they are equal ignoring case
// ("Ärger" and "ärger"). In text that is not valid UTF-8 the valid parts
// are folded the same way and each invalid byte stands for itself, so such
// a text never equals a valid one.
std::string FoldKey(std::string_view text);
// The same into `key`, reusing its storage.
void FoldKeyInto(std::string_view text, std::string& key);

// The key a search compares: FoldKeyInto's case folding, then accents
// removed (the canonical decomposition without its nonspacing marks), so
// "munchen" finds "München". Bytes that are not valid UTF-8 stay as
// FoldKeyInto keeps them; a text of marks alone gives "".
void SearchKeyInto(std::string_view text, std::string& key);

// Equality ignoring case.
bool EqualsNoCase(std::string_view a, std::string_view b);

// Removes leading and trailing blanks (the space character).
std::string_view Trim(std::string_view text);
std::string_view TrimLeft(std::string_view text);

// Splits a row text at the first tab, else at the first ";", else gives the
// whole text as column 1 and an empty column 2. Nothing is trimmed.
std::pair<std::string, std::string> SplitRowText(std::string_view text);

// Number of code points (invalid bytes count one each).
std::size_t CodePoints(std::string_view text);

}  // namespace korvane::detail

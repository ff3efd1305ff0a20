// Keys that the sort orders by, each computed once per row: collation keys
// for text (case ignored, in the user's locale) and numbers read either in
// the fixed format (the leading number, a full stop as the decimal point)
// or by the user's locale rules.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace korvane::detail {

// Byte strings whose order (compared as unsigned bytes) is the
// case-insensitive order of the texts, packed in one buffer. When every
// text is ASCII and the locale orders ASCII texts character by character
// (no contractions, expansions or case levels among those characters), a
// key is one byte per character, its rank in the collator's order, made
// without calling the collator per text; otherwise the collator's own sort
// keys. Both order the texts exactly alike; keys of one call compare only
// with each other.
class TextKeys {
public:
    std::string_view At(std::size_t i) const { return {bytes_.data() + starts_[i], starts_[i + 1] - starts_[i]}; }
    std::size_t Size() const { return starts_.size() - 1; }

private:
    friend void TextSortKeys(const std::vector<std::string_view>&, const std::string&, TextKeys&);
    std::string bytes_;
    std::vector<std::size_t> starts_{0};
};
// Fills `keys`, reusing its storage.
void TextSortKeys(const std::vector<std::string_view>& texts, const std::string& locale, TextKeys& keys);
TextKeys TextSortKeys(const std::vector<std::string>& texts, const std::string& locale);

// The leading number of `text` in the fixed format: blanks are skipped,
// reading stops at the first character that cannot continue a number, and a
// text without a leading number is 0 ("12 kg" is 12, "kg" is 0).
double LeadingNumber(std::string_view text);

// The whole text as a number under the locale's rules ("1,5" is 1.5 in
// German); raises Type mismatch when the text is not a number there.
double LocaleNumber(std::string_view text, const std::string& locale);

// Fills `keys`, reusing its storage.
void NumericKeys(const std::vector<std::string_view>& texts, bool plainNumbers, const std::string& locale,
                 std::vector<double>& keys);
std::vector<double> NumericKeys(const std::vector<std::string>& texts, bool plainNumbers, const std::string& locale);

}  // namespace korvane::detail

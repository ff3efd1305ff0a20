// Case folding through ICU (and the search key, case folded without accents),
// and the small string rules of row texts.
#include "control/text.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>

#include "text/utf8.h"

namespace korvane::detail {

namespace {

// Appends the case folding of valid UTF-8 `text` to `key`.
void FoldValidInto(std::string_view text, std::string& key) {
    if (text.empty())
        return;
    icu::UnicodeString u =
        icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    u.foldCase(U_FOLD_CASE_DEFAULT);
    u.toUTF8String(key);
}

// Appends valid UTF-8 `text` to `key` without its accents: decomposed,
// with the nonspacing marks left out.
void StripAccentsInto(std::string_view text, std::string& key) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
    const icu::UnicodeString u =
        icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    const icu::UnicodeString decomposed = U_SUCCESS(status) ? nfd->normalize(u, status) : u;
    if (U_FAILURE(status)) {
        key.append(text);
        return;
    }
    icu::UnicodeString kept;
    for (int32_t i = 0; i < decomposed.length();) {
        const UChar32 c = decomposed.char32At(i);
        if (u_charType(c) != U_NON_SPACING_MARK)
            kept.append(c);
        i += U16_LENGTH(c);
    }
    kept.toUTF8String(key);
}

}  // namespace

void SearchKeyInto(std::string_view text, std::string& key) {
    FoldKeyInto(text, key);
    if (std::all_of(key.begin(), key.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return;
    // The folded key's valid stretches lose their accents; its invalid
    // bytes (and their 0xFF marks) are kept as they are.
    const std::string folded = std::move(key);
    key.clear();
    std::size_t start = 0;
    for (std::size_t pos = 0; pos < folded.size();) {
        const utf8::Unit unit = utf8::DecodeUnit(folded, pos);
        if (unit.Valid) {
            pos += unit.Bytes;
            continue;
        }
        StripAccentsInto(std::string_view(folded).substr(start, pos - start), key);
        key.push_back(folded[pos]);
        start = ++pos;
    }
    StripAccentsInto(std::string_view(folded).substr(start), key);
}

void FoldKeyInto(std::string_view text, std::string& key) {
    // Full case folding maps ASCII letters exactly as tolower does, so pure
    // ASCII text (most rows) skips the UTF-16 round trip with the same result.
    key.assign(text.data(), text.size());
    auto* out = reinterpret_cast<unsigned char*>(key.data());
    const std::size_t n = key.size();
    unsigned char high = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char c = out[i];
        high |= c;
        out[i] = static_cast<unsigned char>(c + (static_cast<unsigned char>(c - 'A') < 26 ? 'a' - 'A' : 0));
    }
    if (high < 0x80)
        return;
    key.clear();
    if (text.size() > static_cast<std::size_t>(INT32_MAX)) {
        key.push_back('\xFF');
        key.append(text);
        return;
    }
    if (utf8::IsValid(text)) {
        FoldValidInto(text, key);
        return;
    }
    // Text with invalid bytes follows the same rule: its valid stretches
    // are folded, and each invalid byte is kept behind a 0xFF, a byte UTF-8
    // never holds, so such keys never meet the key of a valid text.
    std::size_t start = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        const utf8::Unit unit = utf8::DecodeUnit(text, pos);
        if (unit.Valid) {
            pos += unit.Bytes;
            continue;
        }
        FoldValidInto(text.substr(start, pos - start), key);
        key.push_back('\xFF');
        key.push_back(text[pos]);
        start = ++pos;
    }
    FoldValidInto(text.substr(start), key);
}

std::string FoldKey(std::string_view text) {
    std::string key;
    FoldKeyInto(text, key);
    return key;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a == b || FoldKey(a) == FoldKey(b);
}

std::string_view TrimLeft(std::string_view text) {
    std::size_t first = text.find_first_not_of(' ');
    return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

std::string_view Trim(std::string_view text) {
    text = TrimLeft(text);
    std::size_t last = text.find_last_not_of(' ');
    return last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
}

std::pair<std::string, std::string> SplitRowText(std::string_view text) {
    std::size_t at = text.find('\t');
    if (at == std::string_view::npos)
        at = text.find(';');
    if (at == std::string_view::npos)
        return {std::string(text), std::string()};
    return {std::string(text.substr(0, at)), std::string(text.substr(at + 1))};
}

std::size_t CodePoints(std::string_view text) {
    return static_cast<std::size_t>(utf8::UnitCount(text));
}

}  // namespace korvane::detail

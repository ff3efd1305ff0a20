// Sort keys through ICU: collation keys and locale number parsing, plus the
// fixed-format leading-number reader.
#include "control/sort_keys.h"

#include <unicode/coll.h>
#include <unicode/numfmt.h>
#include <unicode/tblcoll.h>
#include <unicode/ucol.h>
#include <unicode/uniset.h>
#include <unicode/unistr.h>
#include <unicode/usetiter.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>

#include "korvane/errors.h"

namespace korvane::detail {

namespace {

icu::UnicodeString FromUtf8(std::string_view text) {
    return icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
}

std::unique_ptr<icu::Collator> MakeCollator(const std::string& locale) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> collator(icu::Collator::createInstance(icu::Locale(locale.c_str()), status));
    if (U_FAILURE(status) || !collator) {
        status = U_ZERO_ERROR;
        collator.reset(icu::Collator::createInstance(icu::Locale::getRoot(), status));
    }
    if (!collator)
        Raise(ErrorCode::TypeMismatch);
    // Secondary strength: accents count, letter case does not.
    collator->setStrength(icu::Collator::SECONDARY);
    return collator;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// A string that stays on the stack while it is short.
class SmallText {
public:
    SmallText& operator+=(char c) {
        if (size_ < sizeof(local_) - 1) {
            local_[size_++] = c;
        } else {
            if (heap_.empty())
                heap_.assign(local_, size_);
            heap_ += c;
            ++size_;
        }
        return *this;
    }
    SmallText& operator+=(const std::string& text) {
        for (char c : text)
            *this += c;
        return *this;
    }
    const char* data() const { return heap_.empty() ? local_ : heap_.data(); }
    std::size_t size() const { return size_; }
    const char* c_str() {
        if (heap_.empty()) {
            local_[size_] = '\0';
            return local_;
        }
        return heap_.c_str();
    }

private:
    char local_[64];
    std::size_t size_ = 0;
    std::string heap_;
};

// The rank of each ASCII character in a collator's order at secondary
// strength (0: ignored), when that order of ASCII texts is the plain
// order of their characters' ranks: every character maps to at most one
// collation element, no ASCII sequence contracts, all of them carry the same
// secondary weight, and neither case nor numbers form a level of their own.
// Then two ASCII texts compare as the sequences of their non-ignored
// characters' ranks, which the collator's keys would say as well.
struct AsciiRanks {
    bool usable = false;
    std::array<std::uint8_t, 128> rank{};
};

AsciiRanks RankAscii(icu::Collator& collator) {
    AsciiRanks result;
    auto* rules = dynamic_cast<icu::RuleBasedCollator*>(&collator);
    if (rules == nullptr)
        return result;
    UErrorCode status = U_ZERO_ERROR;
    if (collator.getAttribute(UCOL_ALTERNATE_HANDLING, status) != UCOL_NON_IGNORABLE ||
        collator.getAttribute(UCOL_CASE_LEVEL, status) != UCOL_OFF ||
        collator.getAttribute(UCOL_NUMERIC_COLLATION, status) != UCOL_OFF || U_FAILURE(status))
        return result;
    icu::UnicodeSet contractions;
    icu::UnicodeSet expansions;
    ucol_getContractionsAndExpansions(rules->toUCollator(), contractions.toUSet(), expansions.toUSet(), true, &status);
    if (U_FAILURE(status) || expansions.containsSome(0, 0x7F))
        return result;
    for (icu::UnicodeSetIterator it(contractions); it.next();) {
        if (!it.isString())
            continue;
        const icu::UnicodeString& s = it.getString();
        bool ascii = true;
        for (int32_t i = 0; i < s.length() && ascii; ++i)
            ascii = s.charAt(i) < 0x80;
        if (ascii)
            return result;
    }
    // A key at secondary strength is the primary weights, 01, the secondary
    // weights, 00.
    std::vector<std::string> primaries(128);
    std::string secondary;
    bool haveSecondary = false;
    std::vector<std::string> distinct;
    for (int c = 0; c < 128; ++c) {
        const UChar unit = static_cast<UChar>(c);
        uint8_t key[64];
        const int32_t length = collator.getSortKey(&unit, 1, key, sizeof key);
        if (length <= 0 || length > static_cast<int32_t>(sizeof key))
            return result;
        const std::string bytes(reinterpret_cast<const char*>(key), static_cast<std::size_t>(length));
        const std::size_t level = bytes.find('\x01');
        if (level == std::string::npos || bytes.back() != '\0')
            return result;
        std::string primary = bytes.substr(0, level);
        std::string second = bytes.substr(level + 1, bytes.size() - level - 2);
        if (primary.empty()) {
            if (!second.empty())
                return result;  // an accent-like character: not a plain rank
            continue;
        }
        if (haveSecondary && second != secondary)
            return result;
        secondary = second;
        haveSecondary = true;
        primaries[static_cast<std::size_t>(c)] = primary;
        distinct.push_back(primary);
    }
    // std::string compares its bytes as unsigned, as keys are compared.
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    for (std::size_t c = 0; c < 128; ++c) {
        if (primaries[c].empty())
            continue;
        const auto at = std::lower_bound(distinct.begin(), distinct.end(), primaries[c]);
        result.rank[c] = static_cast<std::uint8_t>(1 + (at - distinct.begin()));
    }
    result.usable = true;
    return result;
}

// The ranks of a locale, worked out once per locale and process.
const AsciiRanks& RanksOf(const std::string& locale, icu::Collator& collator) {
    static std::mutex mutex;
    static std::map<std::string, AsciiRanks> known;
    const std::lock_guard<std::mutex> lock(mutex);
    auto it = known.find(locale);
    if (it == known.end())
        it = known.emplace(locale, RankAscii(collator)).first;
    return it->second;
}

bool AllAscii(const std::vector<std::string_view>& texts) {
    unsigned char high = 0;
    for (const std::string_view text : texts)
        for (const char c : text)
            high |= static_cast<unsigned char>(c);
    return high < 0x80;
}

}  // namespace

void TextSortKeys(const std::vector<std::string_view>& texts, const std::string& locale, TextKeys& keys) {
    auto collator = MakeCollator(locale);
    keys.bytes_.clear();
    keys.starts_.assign(1, 0);
    keys.starts_.reserve(texts.size() + 1);
    const AsciiRanks& ranks = RanksOf(locale, *collator);
    if (ranks.usable && AllAscii(texts)) {
        std::size_t total = 0;
        for (const std::string_view text : texts)
            total += text.size();
        keys.bytes_.resize(total);
        char* out = keys.bytes_.data();
        for (const std::string_view text : texts) {
            for (const char c : text) {
                const std::uint8_t r = ranks.rank[static_cast<unsigned char>(c)];
                *out = static_cast<char>(r);
                out += r != 0;
            }
            keys.starts_.push_back(static_cast<std::size_t>(out - keys.bytes_.data()));
        }
        keys.bytes_.resize(keys.starts_.back());
        return;
    }
    keys.bytes_.reserve(texts.size() * 24);
    // One UTF-16 buffer and one key buffer serve every text.
    std::vector<UChar> utf16(64);
    std::vector<uint8_t> buffer(256);
    for (const std::string_view text : texts) {
        UErrorCode status = U_ZERO_ERROR;
        int32_t units = 0;
        // ASCII widens byte by byte; anything else goes through ICU.
        bool ascii = true;
        if (utf16.size() < text.size() + 1)
            utf16.resize(text.size() + 1);
        for (std::size_t i = 0; i < text.size(); ++i) {
            const auto c = static_cast<unsigned char>(text[i]);
            ascii = ascii && c < 0x80;
            utf16[i] = c;
        }
        if (ascii)
            units = static_cast<int32_t>(text.size());
        for (; !ascii;) {
            status = U_ZERO_ERROR;
            u_strFromUTF8WithSub(utf16.data(), static_cast<int32_t>(utf16.size()), &units, text.data(),
                                 static_cast<int32_t>(text.size()), 0xFFFD, nullptr, &status);
            if (status != U_BUFFER_OVERFLOW_ERROR)
                break;
            utf16.resize(static_cast<std::size_t>(units) + 1);
        }
        if (U_FAILURE(status))
            units = 0;
        int32_t length = collator->getSortKey(utf16.data(), units, buffer.data(), static_cast<int32_t>(buffer.size()));
        if (length > static_cast<int32_t>(buffer.size())) {
            buffer.resize(static_cast<std::size_t>(length));
            length = collator->getSortKey(utf16.data(), units, buffer.data(), length);
        }
        keys.bytes_.append(reinterpret_cast<const char*>(buffer.data()), static_cast<std::size_t>(length));
        keys.starts_.push_back(keys.bytes_.size());
    }
}

TextKeys TextSortKeys(const std::vector<std::string>& texts, const std::string& locale) {
    TextKeys keys;
    const std::vector<std::string_view> views(texts.begin(), texts.end());
    TextSortKeys(views, locale, keys);
    return keys;
}

namespace {

// The common case: the number's characters stand together, with no blank
// inside and an E exponent if any, so they can be read where they are.
bool ReadCompactNumber(std::string_view text, double& value) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    const std::size_t start = i;
    // Up to 15 digits with at most 22 after the point: the digits as a whole
    // number divided by a power of ten, both exact in a double, so the one
    // division rounds correctly. Longer numbers go through from_chars.
    std::uint64_t mantissa = 0;
    int digitCount = 0;
    int fraction = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            // Past 19 digits the count alone decides (from_chars reads it).
            if (digitCount < 19)
                mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - '0');
            ++digitCount;
            fraction += point;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (digitCount == 0)
        return false;
    if (i < text.size()) {
        const char c = text[i];
        // Blanks, a D exponent or an exponent of any kind take the full path.
        if (IsBlank(c) || c == 'e' || c == 'E' || c == 'd' || c == 'D')
            return false;
    }
    static constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                              1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    if (digitCount <= 15 && fraction <= 22) {
        value = static_cast<double>(mantissa) / kPowersOfTen[fraction];
    } else {
        const auto [end, error] = std::from_chars(text.data() + start, text.data() + i, value);
        if (error != std::errc() || end != text.data() + i)
            return false;
    }
    if (negative)
        value = -value;
    return true;
}

}  // namespace

double LeadingNumber(std::string_view text) {
    double compact = 0;
    if (ReadCompactNumber(text, compact))
        return compact;
    // Gather the characters of the leading number, skipping blanks, then
    // read that compact form. Most numbers fit the buffer on the stack.
    SmallText number;
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    bool digits = false;
    bool point = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (IsBlank(c))
            continue;
        if (c >= '0' && c <= '9') {
            number += c;
            digits = true;
        } else if (c == '.' && !point) {
            number += c;
            point = true;
        } else {
            break;
        }
    }
    if (!digits)
        return 0;
    // An exponent: E or D, an optional sign, then digits.
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        while (j < text.size() && IsBlank(text[j]))
            ++j;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            exponent += text[j++];
        bool expDigits = false;
        for (; j < text.size(); ++j) {
            if (IsBlank(text[j]))
                continue;
            if (text[j] < '0' || text[j] > '9')
                break;
            exponent += text[j];
            expDigits = true;
        }
        if (expDigits)
            number += exponent;
    }
    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range)
        value = std::strtod(number.c_str(), nullptr);  // gives the infinity or 0 that overflow means
    return negative ? -value : value;
}

namespace {

// Reads whole texts as numbers under one locale's rules.
class LocaleNumberReader {
public:
    explicit LocaleNumberReader(const std::string& locale) {
        UErrorCode status = U_ZERO_ERROR;
        format_.reset(icu::NumberFormat::createInstance(icu::Locale(locale.c_str()), status));
        if (U_FAILURE(status) || !format_)
            Raise(ErrorCode::TypeMismatch);
    }

    double Read(std::string_view text) const {
        icu::UnicodeString u = FromUtf8(text).trim();
        if (u.isEmpty())
            Raise(ErrorCode::TypeMismatch);
        icu::Formattable result;
        icu::ParsePosition position(0);
        format_->parse(u, result, position);
        if (position.getIndex() != u.length() || position.getErrorIndex() >= 0)
            Raise(ErrorCode::TypeMismatch);
        UErrorCode status = U_ZERO_ERROR;
        double value = result.getDouble(status);
        if (U_FAILURE(status) || !std::isfinite(value))
            Raise(ErrorCode::TypeMismatch);
        return value;
    }

private:
    std::unique_ptr<icu::NumberFormat> format_;
};

}  // namespace

double LocaleNumber(std::string_view text, const std::string& locale) {
    return LocaleNumberReader(locale).Read(text);
}

void NumericKeys(const std::vector<std::string_view>& texts, bool plainNumbers, const std::string& locale,
                 std::vector<double>& keys) {
    keys.clear();
    keys.reserve(texts.size());
    if (plainNumbers) {
        for (const std::string_view text : texts)
            keys.push_back(LeadingNumber(text));
        return;
    }
    LocaleNumberReader reader(locale);
    for (const std::string_view text : texts)
        keys.push_back(reader.Read(text));
}

std::vector<double> NumericKeys(const std::vector<std::string>& texts, bool plainNumbers, const std::string& locale) {
    std::vector<double> keys;
    const std::vector<std::string_view> views(texts.begin(), texts.end());
    NumericKeys(views, plainNumbers, locale, keys);
    return keys;
}

}  // namespace korvane::detail

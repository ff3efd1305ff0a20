// The text rules behind the duplicate rule and the sort: case folding of
// every kind of text, the one-pass folding hash agreeing with the plain one,
// the sort keys of ASCII texts agreeing with the collator, and the
// fixed-format number reader.
#include <gtest/gtest.h>
#include <unicode/coll.h>

#include <cmath>
#include <memory>
#include <unordered_map>
#include <vector>

#include "control/row_index.h"
#include "control/sort_keys.h"
#include "control/text.h"
#include "korvane/errors.h"

namespace korvane::detail {
namespace {

struct FoldCase {
    const char* name;
    std::string a;
    std::string b;
    bool equal;
};

TEST(TextRules, CaseInsensitiveEqualityAcrossScriptsAndBrokenBytes) {
    const FoldCase cases[] = {
        {"ASCII", "Apple", "aPPLE", true},
        {"umlaut", "Ärger", "ärger", true},
        {"sharp s folds to ss", "Straße", "STRASSE", true},
        {"Kelvin sign is a k", "\xE2\x84\xAA", "k", true},
        {"Greek final sigma", "ΟΔΟΣ", "οδος", true},
        {"different words", "Apple", "Apples", false},
        {"accents count", "résumé", "resume", false},
        {"invalid bytes equal themselves", "\xff\xfe", "\xff\xfe", true},
        {"invalid bytes never equal a text", "\xff", "\xc3\xbf", false},
        {"a truncated sequence does not stop the rest folding", "abc\xc3", "ABC\xc3", true},
        {"invalid bytes differ from other invalid bytes", "abc\xc3", "abc\xc4", false},
        {"empty", "", "", true},
        {"long ASCII with capitals at word edges", "ABCDEFGHIJKLMNOPQRSTUVWXYZ@[`{", "abcdefghijklmnopqrstuvwxyz@[`{",
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(EqualsNoCase(c.a, c.b), c.equal);
        // The index hashes what it folds in one pass; it must agree with
        // folding first and hashing after, or equal texts would be missed.
        std::string keyA, keyB;
        EXPECT_EQ(FoldAndHash(c.a, keyA), HashText(FoldKey(c.a)));
        EXPECT_EQ(keyA, FoldKey(c.a));
        EXPECT_EQ(FoldAndHash(c.b, keyB) == FoldAndHash(c.a, keyA), c.equal);
    }
}

TEST(TextRules, EveryAsciiByteFoldsLikeTolowerAtEveryPositionOfAWord) {
    for (int c = 1; c < 128; ++c) {
        for (std::size_t at = 0; at < 9; ++at) {
            std::string text(9, 'Q');
            text[at] = static_cast<char>(c);
            std::string key;
            FoldAndHash(text, key);
            std::string expected(9, 'q');
            expected[at] = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
            ASSERT_EQ(key, expected) << "byte " << c << " at " << at;
        }
    }
}

TEST(TextRules, RowIndexCountsEachTextAcrossAddAndRemove) {
    RowIndex index;
    index.Add("Apple", "x");
    index.Add("apple", "y");
    index.Prepare("APPLE", "Y");
    EXPECT_TRUE(index.Refuses());
    index.Remove("Apple", "y");  // one "apple" row and the only "y" row go
    index.Prepare("APPLE", "Y");
    EXPECT_FALSE(index.Refuses());
    index.Prepare("APPLE", "X");
    EXPECT_TRUE(index.Refuses());
    for (int i = 0; i < 5000; ++i)
        index.Add("row " + std::to_string(i), std::to_string(i));
    index.Prepare("ROW 4999", "4999");
    EXPECT_TRUE(index.Refuses()) << "still found after the table grew";
    for (int i = 0; i < 5000; ++i)
        index.Remove("row " + std::to_string(i), std::to_string(i));
    index.Prepare("row 1", "1");
    EXPECT_FALSE(index.Refuses());
}

// Removing a row finds its texts' counts by hash and length, reading the
// key bytes only when two texts share both: two texts whose hashes agree in
// their low half must still be told apart, in either order of removal.
TEST(TextRules, RowIndexTellsApartTextsWhoseHashesAgreeInTheirLowHalf) {
    std::unordered_map<std::uint32_t, std::string> seen;
    std::string a;
    std::string b;
    for (int i = 0; a.empty(); ++i) {
        std::string text = std::to_string(10000000 + i);
        const auto low = static_cast<std::uint32_t>(HashText(text));
        auto [it, added] = seen.emplace(low, text);
        if (!added) {
            a = it->second;
            b = text;
        }
    }
    for (const bool firstGoesFirst : {true, false}) {
        RowIndex index;
        index.Add(a, "one");
        index.Add(b, "two");
        const std::string& gone = firstGoesFirst ? a : b;
        const std::string& stays = firstGoesFirst ? b : a;
        const std::string staysWith = firstGoesFirst ? "two" : "one";
        index.Remove(gone, firstGoesFirst ? "one" : "two");
        index.Prepare(stays, staysWith);
        EXPECT_TRUE(index.Refuses()) << stays << " stays beside " << gone;
        index.Prepare(gone, staysWith);
        EXPECT_FALSE(index.Refuses()) << gone << " was removed, not " << stays;
        index.Remove(stays, staysWith);
        EXPECT_EQ(index.Size(), 0u);
        index.Prepare(stays, staysWith);
        EXPECT_FALSE(index.Refuses());
    }
}

// Rows added and removed for ever, each with new texts, leave many texts no
// row holds; the index drops them when it rebuilds, and must still answer
// for the rows that stay, long keys and keys in one page's last bytes too.
TEST(TextRules, RowIndexRebuiltAfterEndlessAddAndRemoveStillAnswersForTheRowsThatStay) {
    RowIndex index;
    const std::string longText(70 * 1024, 'L');
    index.Add("kept", longText);
    index.Add(std::string(5000, 'K'), "also kept");
    for (int i = 0; i < 200000; ++i) {
        const std::string a = "passing " + std::to_string(i);
        index.Add(a, "x");
        index.Remove(a, "x");
    }
    index.Prepare("KEPT", longText);
    EXPECT_TRUE(index.Refuses());
    index.Prepare(std::string(5000, 'k'), "ALSO KEPT");
    EXPECT_TRUE(index.Refuses());
    index.Prepare("passing 17", "x");
    EXPECT_FALSE(index.Refuses()) << "no row holds these texts any more";
    EXPECT_EQ(index.Size(), 2u);
}

// Probes never wrap around the table: texts whose home slots all lie at
// the very end fill the room past it, and the index must grow rather than
// lose or refuse any of them. 64 texts sharing the last home slot of a
// table of 128 overrun its 32 spare slots.
TEST(TextRules, RowIndexKeepsTextsWhoseProbesRunPastTheLastSlot) {
    std::vector<std::string> crowded;
    for (int i = 0; crowded.size() < 64; ++i) {
        std::string text = "crowd " + std::to_string(i);
        if ((HashText(text) & 127) == 127)
            crowded.push_back(std::move(text));
    }
    RowIndex index;
    for (const std::string& text : crowded) {
        index.Prepare(text, text);
        ASSERT_FALSE(index.Refuses()) << text;
        index.Add();
    }
    EXPECT_EQ(index.Size(), crowded.size());
    for (const std::string& text : crowded) {
        index.Prepare(text, text);
        EXPECT_TRUE(index.Refuses()) << text << " was lost";
    }
    index.Prepare("crowd", "crowd");
    EXPECT_FALSE(index.Refuses());
    for (const std::string& text : crowded)
        index.Remove(text, text);
    EXPECT_EQ(index.Size(), 0u);
    index.Prepare(crowded.back(), crowded.back());
    EXPECT_FALSE(index.Refuses());
}

struct NumberCase {
    const char* text;
    double value;
};

TEST(TextRules, LeadingNumberReadsTheFixedFormat) {
    const NumberCase cases[] = {
        {"12 kg", 12}, {"kg", 0}, {"", 0},     {"1 2 3", 123}, {"-4.5", -4.5}, {"3.14.15", 3.14}, {"1e3", 1000},
        {"2D2", 200},  {"7e", 7}, {"  +8", 8}, {".5", 0.5},    {"1,5", 1},     {"0x10", 0},       {"1e999", HUGE_VAL},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(LeadingNumber(c.text), c.value) << c.text;
}

TEST(TextRules, LocaleNumbersFollowTheLocaleAndRefuseWhatIsNotANumber) {
    EXPECT_DOUBLE_EQ(LocaleNumber("1,5", "de_DE"), 1.5);
    EXPECT_DOUBLE_EQ(LocaleNumber("1.234,5", "de_DE"), 1234.5);
    EXPECT_DOUBLE_EQ(LocaleNumber(" 2.5 ", "en_US"), 2.5);
    for (const char* bad : {"kg", "", "12 kg", "1,5x"}) {
        try {
            LocaleNumber(bad, "de_DE");
            ADD_FAILURE() << bad;
        } catch (const korvane::RuntimeError& e) {
            EXPECT_EQ(e.Number(), 13);
            EXPECT_EQ(e.Description(), "Type mismatch");
        }
    }
}

}  // namespace
}  // namespace korvane::detail

namespace korvane::detail {
namespace {

TEST(TextRules, LeadingNumbersAreReadExactlyAsTheLibraryReadsThem) {
    // The short-number path must round exactly as strtod does.
    std::uint64_t seed = 7;
    for (int i = 0; i < 20000; ++i) {
        seed = seed * 6364136223846793005ull + 1442695040888963407ull;
        const int digits = 1 + static_cast<int>(seed % 17);
        std::string text = (seed >> 20) % 2 ? "-" : "";
        std::uint64_t d = seed >> 8;
        for (int k = 0; k < digits; ++k, d /= 10)
            text += static_cast<char>('0' + d % 10);
        const auto point = static_cast<std::size_t>((seed >> 40) % (text.size() + 1));
        if (point > (text[0] == '-' ? 1u : 0u))
            text.insert(point, ".");
        ASSERT_EQ(LeadingNumber(text), std::strtod(text.c_str(), nullptr)) << text;
    }
}

}  // namespace
}  // namespace korvane::detail

namespace korvane::detail {
namespace {

int Sign(int v) {
    return (v > 0) - (v < 0);
}

// ASCII texts are keyed by character ranks where the locale allows it;
// those keys must order every pair exactly as the collator does (case
// ignored, accents and punctuation counted), in locales with and without
// rules of their own for ASCII letters (Danish aa, Czech ch, Turkish i).
TEST(TextRules, AsciiSortKeysOrderTextsAsTheCollatorDoes) {
    const char* const locales[] = {"en_US", "de_DE", "fr_CA", "da_DK", "cs_CZ", "tr_TR",
                                   "lt_LT", "es_ES", "sv_SE", "ja_JP", "hu_HU", ""};
    // Letters of both cases, digits, punctuation, blanks and control bytes,
    // with the letters that tailorings touch more often than the rest.
    std::string alphabet = "aAcChHiIlLyYzZ01 9-_.,'!~\t\x01\x7f";
    for (int c = 0; c < 128; c += 5)
        alphabet += static_cast<char>(c);
    std::vector<std::string> texts = {"", "a", "A", "aa", "Aa", "ch", "CH", "cz", "i", "I"};
    std::uint64_t seed = 11;
    for (int i = 0; i < 600; ++i) {
        seed = seed * 6364136223846793005ull + 1442695040888963407ull;
        std::string text;
        for (int n = static_cast<int>((seed >> 33) % 7); n > 0; --n) {
            seed = seed * 6364136223846793005ull + 1442695040888963407ull;
            text += alphabet[(seed >> 33) % alphabet.size()];
        }
        texts.push_back(text);
    }
    for (const char* locale : locales) {
        const TextKeys keys = TextSortKeys(texts, locale);
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::Collator> collator(icu::Collator::createInstance(icu::Locale(locale), status));
        ASSERT_TRUE(U_SUCCESS(status)) << locale;
        collator->setStrength(icu::Collator::SECONDARY);
        for (std::size_t a = 0; a < texts.size(); ++a) {
            for (std::size_t b = a + 1; b < texts.size(); b += 7) {
                status = U_ZERO_ERROR;
                const int expected = Sign(collator->compareUTF8(texts[a], texts[b], status));
                ASSERT_EQ(Sign(keys.At(a).compare(keys.At(b))), expected)
                    << locale << ": '" << texts[a] << "' / '" << texts[b] << "'";
            }
        }
    }
}

}  // namespace
}  // namespace korvane::detail

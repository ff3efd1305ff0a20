// The JSON checker and member spans of json_text.h. The checker keeps an
// explicit stack of open brackets instead of recursing, and judges a
// number's range from its digits and exponent, converting only the few
// that come near the largest double.
#include "component/json_text.h"

#include <charconv>
#include <nlohmann/json.hpp>
#include <system_error>

namespace korvane::component::json_text {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsHex(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

std::string Where(std::string_view text, std::size_t at) {
    std::size_t line = 1;
    std::size_t column = 1;
    for (std::size_t i = 0; i < at && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    return " at line " + std::to_string(line) + ", column " + std::to_string(column);
}

// The end of the string starting at `i` ('"'), or npos with `why`.
std::size_t ScanString(std::string_view text, std::size_t i, std::string& why) {
    const std::size_t start = i;
    for (++i; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"')
            return i + 1;
        if (static_cast<unsigned char>(c) < 0x20) {
            why = "a string holds a control character" + Where(text, i);
            return std::string_view::npos;
        }
        if (c != '\\')
            continue;
        if (i + 1 >= text.size())
            break;
        const char e = text[++i];
        if (e == 'u') {
            for (int k = 1; k <= 4; ++k)
                if (i + k >= text.size() || !IsHex(text[i + k])) {
                    why = "a \\u escape needs four hexadecimal digits" + Where(text, i);
                    return std::string_view::npos;
                }
            i += 4;
        } else if (std::string_view("\"\\/bfnrt").find(e) == std::string_view::npos) {
            why = "a string holds an unknown escape" + Where(text, i - 1);
            return std::string_view::npos;
        }
    }
    why = "a string is not closed" + Where(text, start);
    return std::string_view::npos;
}

// The end of the number starting at `i`, or npos with `why`: the grammar
// of JSON, and a magnitude a double can hold (a number too small for one
// becomes 0, as everywhere).
std::size_t ScanNumber(std::string_view text, std::size_t i, std::string& why) {
    const std::size_t start = i;
    auto bad = [&] {
        why = "a number is malformed" + Where(text, start);
        return std::string_view::npos;
    };
    if (i < text.size() && text[i] == '-')
        ++i;
    if (i >= text.size() || !IsDigit(text[i]))
        return bad();
    // Where the first digit other than 0 is, counted from the decimal point.
    long long firstSignificant = 0;
    bool significant = false;
    long long integerDigits = 0;
    if (text[i] == '0') {
        ++i;
    } else {
        for (; i < text.size() && IsDigit(text[i]); ++i)
            ++integerDigits;
        significant = true;
        firstSignificant = integerDigits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        if (i >= text.size() || !IsDigit(text[i]))
            return bad();
        for (long long place = 0; i < text.size() && IsDigit(text[i]); ++i, ++place)
            if (!significant && text[i] != '0') {
                significant = true;
                firstSignificant = -place;
            }
    }
    long long exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool negative = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            negative = text[i++] == '-';
        if (i >= text.size() || !IsDigit(text[i]))
            return bad();
        for (; i < text.size() && IsDigit(text[i]); ++i)
            if (exponent < 1'000'000)
                exponent = exponent * 10 + (text[i] - '0');
        if (negative)
            exponent = -exponent;
    }
    // The value lies below 10^(firstSignificant + exponent).
    if (significant && firstSignificant + exponent > 300) {
        double value = 0;
        const char* first = text.data() + start;
        const std::from_chars_result read = std::from_chars(first, text.data() + i, value);
        if (firstSignificant + exponent > 310 || read.ec == std::errc::result_out_of_range) {
            why = "a number is beyond the range of a double" + Where(text, start);
            return std::string_view::npos;
        }
    }
    return i;
}

}  // namespace

std::size_t SkipBlanks(std::string_view text, std::size_t pos) {
    while (pos < text.size() && IsBlank(text[pos]))
        ++pos;
    return pos;
}

namespace {

// A string, number or literal at `i`: the place after it, or npos with
// `why` set (and `beyondLimits` for a number no double holds).
std::size_t ScanScalar(std::string_view text, std::size_t i, std::string& why, bool& beyondLimits) {
    const char c = text[i];
    if (c == '"')
        return ScanString(text, i, why);
    if (c == '-' || IsDigit(c)) {
        const std::size_t end = ScanNumber(text, i, why);
        beyondLimits = end == std::string_view::npos && why.find("beyond") != std::string::npos;
        return end;
    }
    for (std::string_view word : {"true", "false", "null"})
        if (text.substr(i, word.size()) == word)
            return i + word.size();
    why = "a value is expected" + Where(text, i);
    return std::string_view::npos;
}

}  // namespace

bool Check(std::string_view text, std::string& why, bool& beyondLimits) {
    beyondLimits = false;
    enum class Want { Value, ValueOrClose, Key, KeyOrClose, Colon, CommaOrClose };
    std::vector<char> open;  // the brackets still open, innermost last
    Want want = Want::Value;
    std::size_t i = 0;
    auto fail = [&](std::string reason) {
        why = std::move(reason) + Where(text, i);
        return false;
    };
    for (;;) {
        i = SkipBlanks(text, i);
        if (want == Want::CommaOrClose && open.empty())
            return i >= text.size() ? true : fail("there is more after the value");
        if (i >= text.size())
            return fail("the text ends before the value does");
        const char c = text[i];
        // An object or array closed where its first key or value may stand.
        if ((want == Want::KeyOrClose && c == '}') || (want == Want::ValueOrClose && c == ']')) {
            open.pop_back();
            ++i;
            want = Want::CommaOrClose;
            continue;
        }
        switch (want) {
            case Want::KeyOrClose:
            case Want::Key:
                if (c != '"')
                    return fail("a key (a string in double quotes) is expected");
                i = ScanString(text, i, why);
                if (i == std::string_view::npos)
                    return false;
                want = Want::Colon;
                continue;
            case Want::Colon:
                if (c != ':')
                    return fail("':' is expected after a key");
                ++i;
                want = Want::Value;
                continue;
            case Want::ValueOrClose:
            case Want::Value:
                if (c == '{' || c == '[') {
                    if (open.size() >= kMaxDepth) {
                        beyondLimits = true;
                        return fail("arrays and objects are nested more than " + std::to_string(kMaxDepth) + " deep");
                    }
                    open.push_back(c);
                    ++i;
                    want = c == '{' ? Want::KeyOrClose : Want::ValueOrClose;
                    continue;
                }
                i = ScanScalar(text, i, why, beyondLimits);
                if (i == std::string_view::npos)
                    return false;
                want = Want::CommaOrClose;
                continue;
            case Want::CommaOrClose:
                if (c == ',') {
                    ++i;
                    want = open.back() == '{' ? Want::Key : Want::Value;
                    continue;
                }
                if (c == (open.back() == '{' ? '}' : ']')) {
                    open.pop_back();
                    ++i;
                    continue;
                }
                return fail(open.back() == '{' ? "',' or '}' is expected" : "',' or ']' is expected");
        }
    }
}

std::size_t SkipValue(std::string_view text, std::size_t pos) {
    if (pos >= text.size())
        return pos;
    const char first = text[pos];
    if (first == '"' || first == '{' || first == '[') {
        std::size_t depth = 0;
        bool inString = false;
        for (std::size_t i = pos; i < text.size(); ++i) {
            const char c = text[i];
            if (inString) {
                if (c == '\\')
                    ++i;
                else if (c == '"') {
                    inString = false;
                    if (depth == 0)
                        return i + 1;
                }
                continue;
            }
            if (c == '"')
                inString = true;
            else if (c == '{' || c == '[')
                ++depth;
            else if ((c == '}' || c == ']') && --depth == 0)
                return i + 1;
        }
        return text.size();
    }
    while (pos < text.size() && !IsBlank(text[pos]) && text[pos] != ',' && text[pos] != '}' && text[pos] != ']')
        ++pos;
    return pos;
}

std::string StringValue(std::string_view text, std::size_t begin, std::size_t end) {
    const std::string_view raw = text.substr(begin, end - begin);
    try {
        return nlohmann::json::parse(raw).get<std::string>();
    } catch (const nlohmann::json::exception&) {
        // Bytes that are not UTF-8: the text between the quotes as it is.
        return raw.size() >= 2 ? std::string(raw.substr(1, raw.size() - 2)) : std::string();
    }
}

Object Members(std::string_view text, std::size_t open) {
    Object object;
    object.Open = open;
    std::size_t i = SkipBlanks(text, open + 1);
    while (i < text.size() && text[i] != '}') {
        Member m;
        m.KeyBegin = i;
        m.KeyEnd = SkipValue(text, i);
        m.Key = StringValue(text, m.KeyBegin, m.KeyEnd);
        i = SkipBlanks(text, m.KeyEnd) + 1;  // past ':'
        m.ValueBegin = SkipBlanks(text, i);
        m.ValueEnd = SkipValue(text, m.ValueBegin);
        object.Members.push_back(std::move(m));
        i = SkipBlanks(text, object.Members.back().ValueEnd);
        if (i < text.size() && text[i] == ',')
            i = SkipBlanks(text, i + 1);
    }
    object.Close = i;
    return object;
}

}  // namespace korvane::component::json_text

// Where in a form file's text (form_file_text.h).
#include "properties/form_file_text.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "korvane/errors.h"
#include "korvane/form_file.h"
#include "text/utf8.h"

namespace korvane::detail {

Position PositionOf(std::string_view text, std::size_t offset) {
    offset = std::min(offset, text.size());
    Position pos;
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < offset; ++i) {
        if (text[i] == '\n') {
            ++pos.line;
            lineStart = i + 1;
        }
    }
    for (std::size_t i = lineStart; i < offset; i += utf8::DecodeUnit(text, i).Bytes)
        ++pos.column;
    return pos;
}

void Refuse(std::string_view source, std::string_view text, std::size_t offset, std::string_view why) {
    const Position pos = PositionOf(text, offset);
    Raise(ErrorCode::FormFileInvalid, "'" + std::string(source) + "' at line " + std::to_string(pos.line) +
                                          ", column " + std::to_string(pos.column) + ": " + std::string(why));
}

std::size_t Locator::OffsetOf(const std::vector<Step>& path) {
    i_ = 0;
    Ws();
    for (const Step& step : path) {
        const std::size_t here = i_;
        const std::size_t found = std::holds_alternative<std::string>(step) ? Member(std::get<std::string>(step))
                                                                            : Item(std::get<std::size_t>(step));
        if (found == std::string_view::npos)
            return here;
        i_ = found;
    }
    return i_;
}

void Locator::Ws() {
    while (i_ < t_.size() && (t_[i_] == ' ' || t_[i_] == '\t' || t_[i_] == '\n' || t_[i_] == '\r'))
        ++i_;
}

void Locator::SkipString() {
    ++i_;
    while (i_ < t_.size() && t_[i_] != '"')
        i_ += t_[i_] == '\\' ? 2 : 1;
    ++i_;
}

void Locator::SkipValue() {
    if (At('"')) {
        SkipString();
        return;
    }
    if (At('{') || At('[')) {
        int depth = 0;
        do {
            if (At('"')) {
                SkipString();
                continue;
            }
            if (At('{') || At('['))
                ++depth;
            else if (At('}') || At(']'))
                --depth;
            ++i_;
        } while (depth > 0 && i_ < t_.size());
        return;
    }
    while (i_ < t_.size() && std::string_view(",]} \t\r\n").find(t_[i_]) == std::string_view::npos)
        ++i_;
}

// The last member of that name wins, as when parsing.
std::size_t Locator::Member(const std::string& key) {
    if (!At('{'))
        return std::string_view::npos;
    ++i_;
    std::size_t found = std::string_view::npos;
    for (;;) {
        Ws();
        if (!At('"'))
            break;
        const std::size_t start = i_;
        SkipString();
        std::string name;
        try {
            name = nlohmann::json::parse(t_.substr(start, i_ - start)).get<std::string>();
        } catch (const std::exception&) {
        }
        Ws();
        if (At(':'))
            ++i_;
        Ws();
        if (name == key)
            found = i_;
        SkipValue();
        Ws();
        if (!At(','))
            break;
        ++i_;
    }
    return found;
}

std::size_t Locator::Item(std::size_t index) {
    if (!At('['))
        return std::string_view::npos;
    ++i_;
    for (std::size_t n = 0;; ++n) {
        Ws();
        if (At(']') || i_ >= t_.size())
            return std::string_view::npos;
        if (n == index)
            return i_;
        SkipValue();
        Ws();
        if (!At(','))
            return std::string_view::npos;
        ++i_;
    }
}

void PreScan(std::string_view text, std::string_view source) {
    std::size_t depth = 0;
    std::size_t values = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
            continue;
        }
        switch (c) {
            case '"':
                inString = true;
                break;
            case '{':
            case '[':
                if (++depth > kMaxFormFileDepth)
                    Refuse(source, text, i,
                           "arrays and objects are nested more than " + std::to_string(kMaxFormFileDepth) + " deep");
                [[fallthrough]];
            case ',':
                if (++values > kMaxFormFileValues)
                    Refuse(source, text, i, "it holds more than " + std::to_string(kMaxFormFileValues) + " values");
                break;
            case '}':
            case ']':
                if (depth > 0)
                    --depth;
                break;
            default:
                break;
        }
    }
}

std::string ParseReason(const std::string& what) {
    const auto colon = what.find(": ");
    return colon == std::string::npos ? what : what.substr(colon + 2);
}

}  // namespace korvane::detail

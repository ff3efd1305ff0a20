// Where in a form file's text: the line and column of a byte (columns count
// characters, as an editor shows them), the refusal that names them, the
// place of a value that parsed but is refused (Locator), and the bounds on
// nesting and size checked before the parser runs (PreScan).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace korvane::detail {

struct Position {
    std::size_t line = 1;
    std::size_t column = 1;
};
Position PositionOf(std::string_view text, std::size_t offset);

// Raises the form-file error "'source' at line L, column C: why".
[[noreturn]] void Refuse(std::string_view source, std::string_view text, std::size_t offset, std::string_view why);

// Walks already parsed text to find where a value starts, so that a refusal
// of a value that is valid JSON can still name its line and column. Only
// runs on the way to an error.
class Locator {
public:
    explicit Locator(std::string_view text) : t_(text) {}

    // A member name or an array index.
    using Step = std::variant<std::string, std::size_t>;
    // Where the value at `path` starts; where the path stops matching when
    // a step is missing.
    std::size_t OffsetOf(const std::vector<Step>& path);

private:
    void Ws();
    bool At(char c) const { return i_ < t_.size() && t_[i_] == c; }
    void SkipString();
    void SkipValue();
    std::size_t Member(const std::string& key);
    std::size_t Item(std::size_t index);

    std::string_view t_;
    std::size_t i_ = 0;
};

// The parser recurses into arrays and objects, and its values take memory
// per item: both are bounded before it runs.
void PreScan(std::string_view text, std::string_view source);

// The reason part of the parser's message, without its own position.
std::string ParseReason(const std::string& what);

}  // namespace korvane::detail

// An index of the rows' texts, case folded, that answers the duplicate rule
// without scanning the rows: a new row is refused when some row has its
// column-1 text and some row (any row) has its column-2 text.
//
// The control keeps it in step with its list pair through every operation
// that changes rows; RebuildFrom re-reads a pair when the store changes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace korvane::detail {

class RowIndex {
public:
    bool Refuses(std::string_view col1, std::string_view col2) const;
    void Add(std::string_view col1, std::string_view col2);
    void Remove(std::string_view col1, std::string_view col2);
    void Clear();
    std::size_t Size() const { return rows_; }
    void Reserve(std::size_t rows);

private:
    using Counts = std::unordered_map<std::string, std::int32_t>;
    static void Increment(Counts& counts, std::string_view text);
    static void Decrement(Counts& counts, std::string_view text);

    Counts col1_;
    Counts col2_;
    std::size_t rows_ = 0;
};

}  // namespace korvane::detail

// The case-folded text index behind the duplicate rule.
#include "control/row_index.h"

#include "control/text.h"

namespace korvane::detail {

bool RowIndex::Refuses(std::string_view col1, std::string_view col2) const {
    if (rows_ == 0)
        return false;
    return col1_.count(FoldKey(col1)) != 0 && col2_.count(FoldKey(col2)) != 0;
}

void RowIndex::Add(std::string_view col1, std::string_view col2) {
    Increment(col1_, col1);
    Increment(col2_, col2);
    ++rows_;
}

void RowIndex::Remove(std::string_view col1, std::string_view col2) {
    Decrement(col1_, col1);
    Decrement(col2_, col2);
    if (rows_ > 0)
        --rows_;
}

void RowIndex::Clear() {
    col1_.clear();
    col2_.clear();
    rows_ = 0;
}

void RowIndex::Reserve(std::size_t rows) {
    col1_.reserve(rows);
    col2_.reserve(rows);
}

void RowIndex::Increment(Counts& counts, std::string_view text) {
    ++counts[FoldKey(text)];
}

void RowIndex::Decrement(Counts& counts, std::string_view text) {
    auto it = counts.find(FoldKey(text));
    if (it == counts.end())
        return;
    if (--it->second <= 0)
        counts.erase(it);
}

}  // namespace korvane::detail

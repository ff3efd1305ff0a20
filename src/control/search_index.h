// Find as you type: the folded texts of every row in one contiguous buffer,
// and the matcher that picks the rows a typed query finds (starts with,
// contains, or every typed word starting a word of the row), in row order.
//
// The control builds the index on the first search after a mode is set,
// so a control that never searches pays nothing, and keeps it in step with
// its rows from then on. A keystroke scans the one buffer for the query's
// rarest byte with memchr (no allocation, no call a row), which at 32767
// rows of two columns is well under a millisecond; see
// docs/architecture.md for why a scan and not an n-gram index.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace korvane::tk {
class ListBox;
}

namespace korvane::detail {

// SearchMode values, as the property holds them.
enum class SearchKind : std::int16_t { None = 0, StartsWith = 1, Contains = 2, Words = 3 };

// SearchColumns flags: which parts of a row a query is compared with.
namespace search_columns {
constexpr std::int16_t Col1 = 1;
constexpr std::int16_t Col2 = 2;
constexpr std::int16_t ItemNumber = 4;
constexpr std::int16_t All = Col1 | Col2 | ItemNumber;
constexpr std::int16_t Default = Col1 | Col2;
}  // namespace search_columns

// True for the values the properties accept.
constexpr bool ValidSearchMode(std::int32_t mode) {
    return mode >= 0 && mode <= 3;
}
constexpr bool ValidSearchColumns(std::int32_t flags) {
    return flags > 0 && flags <= search_columns::All;
}

class SearchIndex {
public:
    bool Built() const { return built_; }
    // Folds every row of the pair; the index is then in step with it.
    void Build(const tk::ListBox& col1, const tk::ListBox& col2);
    // Frees everything (mode 0 again).
    void Drop();

    // Keeping step with the rows. A change the buffer cannot take in place
    // marks the index stale; the next Find builds it again from the lists.
    void Append(std::string_view col1, std::string_view col2, std::int32_t itemData);
    void Remove(std::int32_t row);
    void Replace(std::int32_t row, std::string_view col1, std::string_view col2, std::int32_t itemData);
    void Clear();
    void MarkStale() { stale_ = true; }
    // The rows put in a new order by a sort that changed no text: row k is
    // the old row order[k]. The folded texts move with them; nothing is
    // folded again.
    void Reorder(const std::vector<std::int32_t>& order);

    // The rows `query` finds, in row order, into `out` (its storage is
    // reused). A query with no character other than blanks finds every row.
    // Returns false (and leaves `out` empty) when the query finds every
    // row that way, so the caller can show every row without a view.
    bool Find(std::string_view query, SearchKind kind, std::int16_t columns, const tk::ListBox& col1,
              const tk::ListBox& col2, std::vector<std::int32_t>& out);

    // Whether `query` finds row `row` alone (a row just added or rewritten).
    bool RowMatches(std::int32_t row, std::string_view query, SearchKind kind, std::int16_t columns,
                    const tk::ListBox& col1, const tk::ListBox& col2);

    // The heap the index holds, for the benchmark's bytes a row.
    std::size_t Bytes() const;
    std::int32_t Rows() const { return static_cast<std::int32_t>(rows_.size()); }

private:
    // A row's folded texts: column 1, column 2 and the item number's
    // decimal text, one after another from `start`.
    struct Row {
        std::uint32_t start = 0;
        std::uint32_t len1 = 0;
        std::uint32_t len2 = 0;
        std::uint32_t lenNum = 0;
    };

    // Rows this close to the end are taken out in place (at most 16 KiB of
    // the row table moves); of the others, this many between two searches.
    static constexpr std::int32_t kRemoveInPlace = 1024;
    static constexpr std::int32_t kFarRemovals = 256;

    void AppendFolded(std::string_view col1, std::string_view col2, std::int32_t itemData);
    void Compact();
    void FindStartsWith(std::string_view q, std::int16_t columns, std::vector<std::int32_t>& out) const;
    void FindContains(std::string_view q, std::int16_t columns, bool wordStart, std::vector<std::int32_t>& out) const;
    bool RowHasWord(const Row& row, std::string_view word, std::int16_t columns) const;
    bool HitInColumn(const Row& row, std::size_t hit, std::size_t length, std::int16_t columns, bool wordStart) const;

    // The byte of `q` the buffer holds least often, where a scan starts.
    std::size_t Anchor(std::string_view q) const;

    std::string text_;  // the folded texts of every row, in row order
    // How often each byte value was appended (removals are not taken back:
    // it only picks the byte a scan looks for).
    std::array<std::uint32_t, 256> byteCounts_{};
    std::vector<Row> rows_;
    std::int32_t farRemovals_ = 0;  // removals far from the end since the last search
    std::size_t dead_ = 0;          // bytes of removed or rewritten rows still in text_
    bool built_ = false;
    bool stale_ = false;
    // Scratch reused from keystroke to keystroke.
    std::string fold_;
    std::string scratch_;
    std::vector<std::string_view> words_;
};

// The parts of `text` that `query` matched, as byte ranges of `text`, for
// drawing them highlighted: the same rule as the index, on one cell.
std::vector<std::pair<std::int32_t, std::int32_t>> MatchedSpans(std::string_view text, std::string_view query,
                                                                SearchKind kind);

}  // namespace korvane::detail

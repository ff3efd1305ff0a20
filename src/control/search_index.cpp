// The search index and its matcher: the rows' search keys (case folded,
// accents removed) in one buffer, scanned for every keystroke, and the
// matched spans of one cell for drawing.
#include "control/search_index.h"

#include <algorithm>
#include <cstring>

#include "control/text.h"
#include "korvane/toolkit/widgets.h"
#include "text/utf8.h"

namespace korvane::detail {

namespace {

// The decimal text of an item number, without allocating.
std::string_view NumberText(std::int32_t value, char (&buffer)[12]) {
    char* end = buffer + sizeof buffer;
    char* p = end;
    std::int64_t v = value;
    const bool negative = v < 0;
    if (negative)
        v = -v;
    do {
        *--p = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    if (negative)
        *--p = '-';
    return {p, static_cast<std::size_t>(end - p)};
}

// A word starts where the byte before it is an ASCII character that is not
// a letter or digit (a blank, punctuation), or at the start of a cell.
// Bytes of other scripts count as letters.
bool StartsWord(const char* begin, std::size_t at) {
    if (at == 0)
        return true;
    const auto c = static_cast<unsigned char>(begin[at - 1]);
    if (c >= 0x80)
        return false;
    return !((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'));
}

bool OnlyBlanks(std::string_view text) {
    return text.find_first_not_of(' ') == std::string_view::npos;
}

// The query's words (split at blanks), views into `query`.
void SplitWords(std::string_view query, std::vector<std::string_view>& words) {
    words.clear();
    std::size_t pos = 0;
    while (pos < query.size()) {
        const std::size_t start = query.find_first_not_of(' ', pos);
        if (start == std::string_view::npos)
            break;
        std::size_t end = query.find(' ', start);
        if (end == std::string_view::npos)
            end = query.size();
        words.push_back(query.substr(start, end - start));
        pos = end;
    }
}

}  // namespace

void SearchIndex::Build(const tk::ListBox& col1, const tk::ListBox& col2) {
    text_.clear();
    rows_.clear();
    byteCounts_.fill(0);
    dead_ = 0;
    farRemovals_ = 0;
    const std::int32_t n = std::min(col1.ListCount(), col2.ListCount());
    rows_.reserve(static_cast<std::size_t>(n));
    // One row at a time, from the lists' own texts (no copy).
    for (std::int32_t i = 0; i < n; ++i)
        AppendFolded(col1.EntryText(i), col2.EntryText(i), col1.ItemData(i));
    text_.shrink_to_fit();
    built_ = true;
    stale_ = false;
}

void SearchIndex::Drop() {
    std::string().swap(text_);
    std::vector<Row>().swap(rows_);
    std::string().swap(fold_);
    std::string().swap(scratch_);
    std::vector<std::string_view>().swap(words_);
    dead_ = 0;
    built_ = false;
    stale_ = false;
}

void SearchIndex::AppendFolded(std::string_view col1, std::string_view col2, std::int32_t itemData) {
    Row row;
    row.start = static_cast<std::uint32_t>(text_.size());
    SearchKeyInto(col1, scratch_);
    text_ += scratch_;
    row.len1 = static_cast<std::uint32_t>(scratch_.size());
    SearchKeyInto(col2, scratch_);
    text_ += scratch_;
    row.len2 = static_cast<std::uint32_t>(scratch_.size());
    char digits[12];
    const std::string_view number = NumberText(itemData, digits);
    text_ += number;
    row.lenNum = static_cast<std::uint32_t>(number.size());
    rows_.push_back(row);
    for (std::size_t i = row.start; i < text_.size(); ++i)
        ++byteCounts_[static_cast<unsigned char>(text_[i])];
}

void SearchIndex::Append(std::string_view col1, std::string_view col2, std::int32_t itemData) {
    if (!built_ || stale_)
        return;
    // Offsets are 32-bit: a buffer near that size is rebuilt instead (the
    // lists' texts would then be over 4 GiB, which no list holds today).
    if (text_.size() + col1.size() * 3 + col2.size() * 3 + 12 > UINT32_MAX) {
        stale_ = true;
        return;
    }
    AppendFolded(col1, col2, itemData);
}

void SearchIndex::Remove(std::int32_t row) {
    if (!built_ || stale_)
        return;
    if (row < 0 || row >= Rows()) {
        stale_ = true;
        return;
    }
    // Taking a row out moves the row table after it: a few microseconds at
    // 32767 rows. A host that removes many rows one by one would move it
    // once a row, so past kFarRemovals such removals between two searches
    // the index is made again at the next search instead, once.
    if (Rows() - row > kRemoveInPlace && ++farRemovals_ > kFarRemovals) {
        stale_ = true;
        return;
    }
    const Row& r = rows_[static_cast<std::size_t>(row)];
    dead_ += r.len1 + r.len2 + r.lenNum;
    rows_.erase(rows_.begin() + row);
    if (dead_ > text_.size() / 2 + 4096)
        Compact();
}

void SearchIndex::Replace(std::int32_t row, std::string_view col1, std::string_view col2, std::int32_t itemData) {
    if (!built_ || stale_)
        return;
    if (row < 0 || row >= Rows()) {
        stale_ = true;
        return;
    }
    Row& r = rows_[static_cast<std::size_t>(row)];
    // The new folded texts go where the old ones were when they fit, so the
    // buffer stays in row order; otherwise the next search rebuilds.
    SearchKeyInto(col1, fold_);
    SearchKeyInto(col2, scratch_);
    char digits[12];
    const std::string_view number = NumberText(itemData, digits);
    const std::size_t old = std::size_t{r.len1} + r.len2 + r.lenNum;
    const std::size_t now = fold_.size() + scratch_.size() + number.size();
    if (now > old) {
        stale_ = true;
        return;
    }
    char* at = text_.data() + r.start;
    std::memcpy(at, fold_.data(), fold_.size());
    std::memcpy(at + fold_.size(), scratch_.data(), scratch_.size());
    std::memcpy(at + fold_.size() + scratch_.size(), number.data(), number.size());
    r.len1 = static_cast<std::uint32_t>(fold_.size());
    r.len2 = static_cast<std::uint32_t>(scratch_.size());
    r.lenNum = static_cast<std::uint32_t>(number.size());
    dead_ += old - now;
}

void SearchIndex::Clear() {
    if (!built_)
        return;
    text_.clear();
    rows_.clear();
    dead_ = 0;
    stale_ = false;
}

// Moves the live texts together, in place and in row order.
void SearchIndex::Reorder(const std::vector<std::int32_t>& order) {
    if (!built_ || stale_)
        return;
    if (order.size() != rows_.size()) {
        stale_ = true;
        return;
    }
    std::string text;
    text.reserve(text_.size() - dead_);
    std::vector<Row> rows;
    rows.reserve(rows_.size());
    for (std::int32_t k : order) {
        if (k < 0 || static_cast<std::size_t>(k) >= rows_.size()) {
            stale_ = true;
            return;
        }
        Row r = rows_[static_cast<std::size_t>(k)];
        const std::size_t length = std::size_t{r.len1} + r.len2 + r.lenNum;
        const std::size_t from = r.start;
        r.start = static_cast<std::uint32_t>(text.size());
        text.append(text_, from, length);
        rows.push_back(r);
    }
    text_ = std::move(text);
    rows_ = std::move(rows);
    dead_ = 0;
}

void SearchIndex::Compact() {
    std::size_t to = 0;
    for (Row& r : rows_) {
        const std::size_t length = std::size_t{r.len1} + r.len2 + r.lenNum;
        if (r.start != to)
            std::memmove(text_.data() + to, text_.data() + r.start, length);
        r.start = static_cast<std::uint32_t>(to);
        to += length;
    }
    text_.resize(to);
    dead_ = 0;
}

std::size_t SearchIndex::Bytes() const {
    return text_.capacity() + rows_.capacity() * sizeof(Row) + fold_.capacity() + scratch_.capacity() +
           words_.capacity() * sizeof(std::string_view);
}

bool SearchIndex::HitInColumn(const Row& row, std::size_t hit, std::size_t length, std::int16_t columns,
                              bool wordStart) const {
    const std::size_t bounds[4] = {row.start, row.start + row.len1, std::size_t{row.start} + row.len1 + row.len2,
                                   std::size_t{row.start} + row.len1 + row.len2 + row.lenNum};
    for (int c = 0; c < 3; ++c) {
        if (hit < bounds[c] || hit >= bounds[c + 1])
            continue;
        if ((columns & (1 << c)) == 0 || hit + length > bounds[c + 1])
            return false;
        return !wordStart || StartsWord(text_.data() + bounds[c], hit - bounds[c]);
    }
    return false;
}

void SearchIndex::FindStartsWith(std::string_view q, std::int16_t columns, std::vector<std::int32_t>& out) const {
    const char* base = text_.data();
    const std::int32_t n = Rows();
    for (std::int32_t i = 0; i < n; ++i) {
        const Row& r = rows_[static_cast<std::size_t>(i)];
        const char* cell = base + r.start;
        const std::uint32_t lengths[3] = {r.len1, r.len2, r.lenNum};
        for (int c = 0; c < 3; ++c) {
            if ((columns & (1 << c)) != 0 && lengths[c] >= q.size() && std::memcmp(cell, q.data(), q.size()) == 0) {
                out.push_back(i);
                break;
            }
            cell += lengths[c];
        }
    }
}

std::size_t SearchIndex::Anchor(std::string_view q) const {
    std::size_t anchor = 0;
    for (std::size_t i = 1; i < q.size(); ++i) {
        if (byteCounts_[static_cast<unsigned char>(q[i])] < byteCounts_[static_cast<unsigned char>(q[anchor])])
            anchor = i;
    }
    return anchor;
}

// One pass over the whole buffer: memchr finds the query's rarest byte
// (memchr reads many bytes a cycle, where a general substring search
// reads about one), memcmp checks the query around it; each hit is placed
// in its row by walking forward through the rows (hits only move forward),
// and a row that matched is skipped to its end.
void SearchIndex::FindContains(std::string_view q, std::int16_t columns, bool wordStart,
                               std::vector<std::int32_t>& out) const {
    const char* base = text_.data();
    const std::size_t size = text_.size();
    const auto n = rows_.size();
    const std::size_t anchor = Anchor(q);
    const char anchorByte = q[anchor];
    std::size_t pos = 0;
    std::size_t r = 0;
    while (pos + q.size() <= size && r < n) {
        const void* found = std::memchr(base + pos + anchor, anchorByte, size - q.size() + 1 - pos);
        if (found == nullptr)
            break;
        const auto hit = static_cast<std::size_t>(static_cast<const char*>(found) - base) - anchor;
        if (std::memcmp(base + hit, q.data(), q.size()) != 0) {
            pos = hit + 1;
            continue;
        }
        // Rows are in buffer order; dead bytes lie between them.
        while (r + 1 < n && rows_[r + 1].start <= hit)
            ++r;
        const Row& row = rows_[r];
        const std::size_t end = std::size_t{row.start} + row.len1 + row.len2 + row.lenNum;
        if (hit < row.start || hit >= end) {
            pos = hit + 1;
            continue;
        }
        if (HitInColumn(row, hit, q.size(), columns, wordStart)) {
            out.push_back(static_cast<std::int32_t>(r));
            pos = end;
            ++r;
        } else {
            pos = hit + 1;
        }
    }
}

bool SearchIndex::RowHasWord(const Row& row, std::string_view word, std::int16_t columns) const {
    const std::string_view cells(text_.data() + row.start, std::size_t{row.len1} + row.len2 + row.lenNum);
    for (std::size_t at = cells.find(word); at != std::string_view::npos; at = cells.find(word, at + 1)) {
        if (HitInColumn(row, row.start + at, word.size(), columns, true))
            return true;
    }
    return false;
}

bool SearchIndex::Find(std::string_view query, SearchKind kind, std::int16_t columns, const tk::ListBox& col1,
                       const tk::ListBox& col2, std::vector<std::int32_t>& out) {
    out.clear();
    if (kind == SearchKind::None || OnlyBlanks(query))
        return false;
    if (!built_ || stale_ || Rows() != std::min(col1.ListCount(), col2.ListCount()))
        Build(col1, col2);
    farRemovals_ = 0;
    SearchKeyInto(query, fold_);
    if (OnlyBlanks(fold_))
        return false;  // marks alone: nothing to look for, every row shows
    switch (kind) {
        case SearchKind::StartsWith:
            FindStartsWith(fold_, columns, out);
            break;
        case SearchKind::Contains:
            FindContains(fold_, columns, false, out);
            break;
        case SearchKind::Words: {
            SplitWords(fold_, words_);
            // The longest word narrows the rows fastest; the others are
            // checked in the rows it found.
            auto longest = std::max_element(words_.begin(), words_.end(),
                                            [](std::string_view a, std::string_view b) { return a.size() < b.size(); });
            FindContains(*longest, columns, true, out);
            if (words_.size() > 1) {
                auto kept = std::remove_if(out.begin(), out.end(), [&](std::int32_t row) {
                    for (std::string_view word : words_) {
                        if (!RowHasWord(rows_[static_cast<std::size_t>(row)], word, columns))
                            return true;
                    }
                    return false;
                });
                out.erase(kept, out.end());
            }
            break;
        }
        case SearchKind::None:
            break;
    }
    return true;
}

bool SearchIndex::RowMatches(std::int32_t row, std::string_view query, SearchKind kind, std::int16_t columns,
                             const tk::ListBox& col1, const tk::ListBox& col2) {
    if (kind == SearchKind::None || OnlyBlanks(query))
        return false;
    if (!built_ || stale_ || Rows() != std::min(col1.ListCount(), col2.ListCount()))
        Build(col1, col2);
    if (row < 0 || row >= Rows())
        return false;
    SearchKeyInto(query, fold_);
    if (OnlyBlanks(fold_))
        return false;
    const Row& r = rows_[static_cast<std::size_t>(row)];
    if (kind == SearchKind::StartsWith) {
        const char* cell = text_.data() + r.start;
        const std::uint32_t lengths[3] = {r.len1, r.len2, r.lenNum};
        for (int c = 0; c < 3; ++c) {
            if ((columns & (1 << c)) != 0 && lengths[c] >= fold_.size() &&
                std::memcmp(cell, fold_.data(), fold_.size()) == 0) {
                return true;
            }
            cell += lengths[c];
        }
        return false;
    }
    if (kind == SearchKind::Contains) {
        const std::string_view cells(text_.data() + r.start, std::size_t{r.len1} + r.len2 + r.lenNum);
        for (std::size_t at = cells.find(fold_); at != std::string_view::npos; at = cells.find(fold_, at + 1)) {
            if (HitInColumn(r, r.start + at, fold_.size(), columns, false))
                return true;
        }
        return false;
    }
    SplitWords(fold_, words_);
    return std::all_of(words_.begin(), words_.end(),
                       [&](std::string_view word) { return RowHasWord(r, word, columns); });
}

std::vector<std::pair<std::int32_t, std::int32_t>> MatchedSpans(std::string_view text, std::string_view query,
                                                                SearchKind kind) {
    std::vector<std::pair<std::int32_t, std::int32_t>> spans;
    if (kind == SearchKind::None || OnlyBlanks(query) || text.size() > static_cast<std::size_t>(INT32_MAX))
        return spans;
    // The cell is folded a unit at a time, remembering where each folded
    // byte came from, so a match maps back to whole units of the text.
    std::string folded;
    std::string unitKey;
    std::vector<std::int32_t> from;
    for (std::size_t pos = 0; pos < text.size();) {
        const utf8::Unit unit = utf8::DecodeUnit(text, pos);
        SearchKeyInto(text.substr(pos, unit.Bytes), unitKey);
        folded += unitKey;
        from.insert(from.end(), unitKey.size(), static_cast<std::int32_t>(pos));
        pos += unit.Bytes;
    }
    from.push_back(static_cast<std::int32_t>(text.size()));
    std::string q;
    SearchKeyInto(query, q);
    if (OnlyBlanks(q))
        return spans;
    std::vector<std::string_view> words;
    if (kind == SearchKind::Words) {
        SplitWords(q, words);
    } else {
        words.push_back(q);
    }
    for (std::string_view word : words) {
        for (std::size_t at = folded.find(word); at != std::string::npos; at = folded.find(word, at + 1)) {
            const bool ok = kind == SearchKind::Contains || (kind == SearchKind::StartsWith && at == 0) ||
                            (kind == SearchKind::Words && StartsWord(folded.data(), at));
            if (!ok)
                continue;
            std::size_t endAt = at + word.size();
            while (endAt < from.size() - 1 && from[endAt] == from[endAt - 1])
                ++endAt;  // a match ending inside a unit's folding takes the whole unit
            spans.emplace_back(from[at], from[endAt]);
            if (kind == SearchKind::StartsWith)
                break;
            at = std::max(at, endAt - 1);
        }
    }
    std::sort(spans.begin(), spans.end());
    return spans;
}

}  // namespace korvane::detail

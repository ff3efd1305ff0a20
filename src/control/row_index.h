// An index of the rows' texts, case folded, that answers the duplicate rule
// without scanning the rows: a new row is refused when some row has its
// column-1 text and some row (any row) has its column-2 text.
//
// The control keeps it in step with its list pair through every operation
// that changes rows; a change of the pair that holds the rows rebuilds it.
// Filling a list must cost little more than storing its texts, so each
// column's counts live in one open-addressing table whose keys sit in one
// shared buffer: adding a row allocates nothing most of the time.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::detail {

// How many rows hold each folded text. The table is a small array of
// (tag, entry) pairs, at most half full, so a probe is short and stays in
// cache; the entries and the key
// bytes are appended in order as texts arrive.
class TextCounts {
public:
    static constexpr std::size_t kNoSlot = static_cast<std::size_t>(-1);

    bool Contains(std::string_view key, std::uint64_t hash) const;
    // The slot where `key` is or would go, for an Increment that follows
    // without another change of the table in between.
    std::size_t Locate(std::string_view key, std::uint64_t hash) const;
    bool Holds(std::size_t slot) const;
    // Starts loading the slot `hash` probes first, so that the lookups of
    // both columns wait for memory at the same time.
    void Prefetch(std::uint64_t hash) const;
    void Increment(std::string_view key, std::uint64_t hash, std::size_t slot = kNoSlot);
    void Decrement(std::string_view key, std::uint64_t hash);
    void Clear();
    void Reserve(std::size_t keys);

private:
    struct Slot {
        std::uint32_t tag = 0;    // high bits of the hash
        std::uint32_t entry = 0;  // 1 + index into entries_; 0 for an empty slot
    };
    // A text once held by some row; it keeps its place at count 0 until the
    // table is rebuilt.
    struct Entry {
        std::size_t offset = 0;
        std::size_t length = 0;
        std::int32_t count = 0;
        std::uint64_t hash = 0;
    };
    std::size_t Find(std::string_view key, std::uint64_t hash) const;  // the slot, or an empty one
    void Grow(std::size_t minimumSlots);

    std::vector<Slot> slots_;
    std::vector<Entry> entries_;
    std::string keys_;
};

class RowIndex {
public:
    // Folds both texts once; Refuses and Add then use the keys of the last
    // Prepare.
    void Prepare(std::string_view col1, std::string_view col2);
    bool Refuses() const;
    void Add();

    void Add(std::string_view col1, std::string_view col2);
    void Remove(std::string_view col1, std::string_view col2);
    void Clear();
    std::size_t Size() const { return rows_; }
    void Reserve(std::size_t rows);

private:
    TextCounts col1_;
    TextCounts col2_;
    std::size_t rows_ = 0;
    std::string key1_;
    std::string key2_;
    std::uint64_t hash1_ = 0;
    std::uint64_t hash2_ = 0;
    mutable std::size_t slot1_ = TextCounts::kNoSlot;
    mutable std::size_t slot2_ = TextCounts::kNoSlot;
};

std::uint64_t HashText(std::string_view text);
// Folds `text` into `key` (as FoldKeyInto does) and returns HashText(key).
std::uint64_t FoldAndHash(std::string_view text, std::string& key);

}  // namespace korvane::detail

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

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::detail {

// How many rows hold each folded text. The table is an array of 4-byte
// slots (a tag of the hash and the entry's number), at most half full, so a
// probe is short and stays in cache; a probe runs towards the end and never
// wraps around, into spare slots past the last home slot. The entries (16
// bytes) and the key bytes are appended in order as texts arrive. Short
// keys fill pages one after another (the first of 512 bytes, each next one
// twice the last up to 64 KiB) and a long key has a page of its own, so the
// key store never copies its keys as a doubling buffer would, and a short
// list has a small store. The table is sized by the texts some row still holds, so
// adding and removing rows for ever keeps it small.
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
    // Starts loading the entry that the slot of `hash` names, once that slot
    // is at hand (after a Prefetch), for a Decrement that follows.
    void PrefetchEntry(std::uint64_t hash) const;
    void Increment(std::string_view key, std::uint64_t hash, std::size_t slot = kNoSlot);
    // `key` is one some row holds, so it is in the table.
    void Decrement(std::string_view key, std::uint64_t hash);
    void Clear();
    void Reserve(std::size_t keys);

private:
    // A text once held by some row; it keeps its place at count 0 until the
    // table is rebuilt.
    struct Entry {
        std::uint32_t place = 0;  // a short key's page and offset, a long key's own page
        std::uint32_t length = 0;
        std::int32_t count = 0;
        std::uint32_t hash = 0;  // the low half of the key's hash, for rebuilding
    };
    // The slot of `key`, or the empty one where it would go; kNoSlot when
    // the probe reaches the end of the table first.
    std::size_t Find(std::string_view key, std::uint64_t hash) const;
    // The slot of a key that is in the table, most often without reading
    // its bytes; kNoSlot if it is not there after all.
    std::size_t FindPresent(std::string_view key, std::uint64_t hash) const;
    std::string_view KeyOf(const Entry& e) const;
    // Stores the key's bytes; the place of the entry.
    std::uint32_t Store(std::string_view key);
    // Stores the key and appends its entry with `count`.
    void Append(std::string_view key, std::uint64_t hash, std::int32_t count) {
        entries_.push_back(
            {Store(key), static_cast<std::uint32_t>(key.size()), count, static_cast<std::uint32_t>(hash)});
    }
    void Rebuild(std::size_t minimumSlots);
    // Packs the entries and key bytes of the texts some row holds.
    void DropDeadKeys();
    // Lays the slots out afresh for `size` home slots; false when a probe
    // would run off the end.
    bool LayOut(std::size_t size);
    // The home slots; the table has kPad more for probes that start near
    // its end.
    std::size_t Capacity() const { return slots_.empty() ? 0 : slots_.size() - kPad; }

    // The entries in blocks of 1024 that stay where they are: growing the
    // table never copies them. The first block grows as a vector does, so a
    // short list keeps a short one.
    class Entries {
    public:
        std::size_t size() const { return size_; }
        Entry& operator[](std::size_t k) { return blocks_[k >> kBits][k & kMask]; }
        const Entry& operator[](std::size_t k) const { return blocks_[k >> kBits][k & kMask]; }
        void push_back(Entry entry) {
            const std::size_t block = size_ >> kBits;
            if (block == blocks_.size())
                blocks_.emplace_back().reserve(block == 0 ? 32 : kBlock);
            blocks_[block].push_back(entry);
            ++size_;
        }
        // Calls visit(k, entry) for every entry in order.
        template <class Visit>
        void ForEach(const Visit& visit) const {
            std::size_t k = 0;
            for (const std::vector<Entry>& block : blocks_)
                for (const Entry& e : block)
                    visit(k++, e);
        }
        void reserve(std::size_t n) {
            if (blocks_.empty())
                blocks_.emplace_back();
            blocks_.front().reserve(std::min(n, kBlock));
        }

    private:
        static constexpr std::size_t kBits = 10;
        static constexpr std::size_t kBlock = std::size_t{1} << kBits;
        static constexpr std::size_t kMask = kBlock - 1;
        std::vector<std::vector<Entry>> blocks_;
        std::size_t size_ = 0;
    };

    static constexpr std::size_t kPad = 32;

    std::vector<std::uint32_t> slots_;  // tag in the top 8 bits, 1 + entry below; 0 is empty
    Entries entries_;
    std::vector<std::unique_ptr<char[]>> pages_;     // short keys, appended to the last
    std::vector<std::unique_ptr<char[]>> ownPages_;  // one long key each
    std::size_t used_ = 0;                           // the bytes the last page holds
    std::size_t pageBytes_ = 0;                      // the size of the last page
    std::size_t live_ = 0;                           // entries with a count above 0
};

class RowIndex {
public:
    // Folds both texts once; Refuses, Add and Remove then use the keys of
    // the last Prepare (the texts themselves may go in between).
    void Prepare(std::string_view col1, std::string_view col2);
    // Starts loading the slots of the prepared keys, for a Remove that
    // follows other work. (Adding looks them up at once, where this would
    // only add a wait.)
    void PrefetchSlots() const;
    bool Refuses() const;
    void Add();
    // Starts loading the counts' entries of the prepared keys, some time
    // after Prepare started loading their slots, for a Remove to follow.
    void PrefetchEntries() const;
    void Remove();

    void Add(std::string_view col1, std::string_view col2);
    void Remove(std::string_view col1, std::string_view col2);
    void Clear();
    std::size_t Size() const { return rows_; }
    void Reserve(std::size_t rows);

private:
    // A folded text and its hash; the buffer is reused from row to row.
    struct Key {
        std::string buffer;
        std::size_t length = 0;
        std::uint64_t hash = 0;
        void Fold(std::string_view text);
        std::string_view View() const { return {buffer.data(), length}; }
    };

    TextCounts col1_;
    TextCounts col2_;
    std::size_t rows_ = 0;
    Key key1_;
    Key key2_;
    mutable std::size_t slot1_ = TextCounts::kNoSlot;
    mutable std::size_t slot2_ = TextCounts::kNoSlot;
};

std::uint64_t HashText(std::string_view text);
// Folds `text` into `key` (as FoldKeyInto does) and returns HashText(key).
std::uint64_t FoldAndHash(std::string_view text, std::string& key);

}  // namespace korvane::detail

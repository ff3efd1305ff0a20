// The case-folded text index behind the duplicate rule.
#include "control/row_index.h"

#include <cstring>

#include "control/text.h"

namespace korvane::detail {

namespace {

constexpr std::uint64_t kSeed = 0x9E3779B97F4A7C15ull;
constexpr std::uint64_t kMix1 = 0xBF58476D1CE4E5B9ull;
constexpr std::uint64_t kMix2 = 0x94D049BB133111EBull;
constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

std::uint64_t MixWord(std::uint64_t h, std::uint64_t w) {
    h = (h ^ w) * kMix1;
    return h ^ (h >> 31);
}

std::uint64_t MixTail(std::uint64_t h, std::uint64_t w) {
    h = (h ^ w) * kMix2;
    return h ^ (h >> 29);
}

// Lowers the ASCII capitals of eight bytes at once; bytes of 0x80 and above
// must not occur (the caller checks).
std::uint64_t LowerAsciiWord(std::uint64_t w) {
    const std::uint64_t aboveZ = w + kOnes * (0x7F - 'Z');
    const std::uint64_t fromA = w + kOnes * (0x80 - 'A');
    return w ^ (((fromA & ~aboveZ) & kHighBits) >> 2);
}

}  // namespace

std::uint64_t HashText(std::string_view text) {
    // Eight bytes at a time, each step mixed by a multiply and a shift.
    const char* p = text.data();
    std::size_t n = text.size();
    std::uint64_t h = kSeed ^ n;
    for (; n >= 8; p += 8, n -= 8) {
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        h = MixWord(h, w);
    }
    std::uint64_t w = 0;
    std::memcpy(&w, p, n);
    return MixTail(h, w);
}

std::uint64_t FoldAndHash(std::string_view text, std::string& key) {
    // ASCII text folds and hashes in one pass, a word at a time; the result
    // is exactly HashText of the folded key, which the other path computes.
    key.resize(text.size());
    const char* in = text.data();
    char* out = key.data();
    std::size_t n = text.size();
    std::uint64_t h = kSeed ^ n;
    std::uint64_t high = 0;
    for (; n >= 8; in += 8, out += 8, n -= 8) {
        std::uint64_t w;
        std::memcpy(&w, in, 8);
        high |= w;
        w = LowerAsciiWord(w);
        std::memcpy(out, &w, 8);
        h = MixWord(h, w);
    }
    std::uint64_t w = 0;
    std::memcpy(&w, in, n);
    high |= w;
    w = LowerAsciiWord(w);
    std::memcpy(out, &w, n);
    h = MixTail(h, w);
    if ((high & kHighBits) == 0)
        return h;
    FoldKeyInto(text, key);
    return HashText(key);
}

// --- TextCounts ----------------------------------------------------------------------

namespace {
std::uint32_t TagOf(std::uint64_t hash) {
    return static_cast<std::uint32_t>(hash >> 32);
}
}  // namespace

std::size_t TextCounts::Find(std::string_view key, std::uint64_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    const std::uint32_t tag = TagOf(hash);
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& s = slots_[i];
        if (s.entry == 0)
            return i;
        if (s.tag != tag)
            continue;
        const Entry& e = entries_[s.entry - 1];
        if (e.hash == hash && e.length == key.size() &&
            std::memcmp(keys_.data() + e.offset, key.data(), key.size()) == 0)
            return i;
    }
}

std::size_t TextCounts::Locate(std::string_view key, std::uint64_t hash) const {
    return slots_.empty() ? kNoSlot : Find(key, hash);
}

void TextCounts::Prefetch(std::uint64_t hash) const {
    if (!slots_.empty())
        __builtin_prefetch(&slots_[hash & (slots_.size() - 1)]);
}

bool TextCounts::Holds(std::size_t slot) const {
    if (slot >= slots_.size() || slots_[slot].entry == 0)
        return false;
    return entries_[slots_[slot].entry - 1].count > 0;
}

bool TextCounts::Contains(std::string_view key, std::uint64_t hash) const {
    return Holds(Locate(key, hash));
}

void TextCounts::Increment(std::string_view key, std::uint64_t hash, std::size_t slot) {
    if ((entries_.size() + 1) * 2 > slots_.size()) {
        Grow((entries_.size() + 1) * 4);
        slot = kNoSlot;  // the table moved
    }
    if (slot == kNoSlot)
        slot = Find(key, hash);
    Slot& s = slots_[slot];
    if (s.entry == 0) {
        entries_.push_back(Entry{keys_.size(), key.size(), 0, hash});
        keys_.append(key);
        s.tag = TagOf(hash);
        s.entry = static_cast<std::uint32_t>(entries_.size());
    }
    ++entries_[s.entry - 1].count;
}

void TextCounts::Decrement(std::string_view key, std::uint64_t hash) {
    if (slots_.empty())
        return;
    const Slot& s = slots_[Find(key, hash)];
    if (s.entry != 0 && entries_[s.entry - 1].count > 0)
        --entries_[s.entry - 1].count;
}

void TextCounts::Clear() {
    slots_ = {};
    entries_ = {};
    keys_ = {};
}

void TextCounts::Reserve(std::size_t keys) {
    if (keys * 4 > slots_.size() * 3)
        Grow(keys * 2);
}

// Rebuilds a larger table, dropping the texts no row holds any more and
// packing the entries and key bytes again.
void TextCounts::Grow(std::size_t minimumSlots) {
    std::size_t size = 64;
    while (size < minimumSlots)
        size *= 2;
    std::vector<Entry> oldEntries = std::move(entries_);
    std::string oldKeys = std::move(keys_);
    slots_.assign(size, Slot{});
    entries_.clear();
    entries_.reserve(size / 2);
    keys_.clear();
    keys_.reserve(oldKeys.size() * 2);
    for (const Entry& e : oldEntries) {
        if (e.count <= 0)
            continue;
        std::string_view key(oldKeys.data() + e.offset, e.length);
        Slot& s = slots_[Find(key, e.hash)];
        entries_.push_back(Entry{keys_.size(), e.length, e.count, e.hash});
        keys_.append(key);
        s.tag = TagOf(e.hash);
        s.entry = static_cast<std::uint32_t>(entries_.size());
    }
}

// --- RowIndex ----------------------------------------------------------------------------

void RowIndex::Prepare(std::string_view col1, std::string_view col2) {
    hash1_ = FoldAndHash(col1, key1_);
    hash2_ = FoldAndHash(col2, key2_);
    col1_.Prefetch(hash1_);
    col2_.Prefetch(hash2_);
    slot1_ = slot2_ = TextCounts::kNoSlot;
}

bool RowIndex::Refuses() const {
    if (rows_ == 0)
        return false;
    // The slots found here serve the Add that usually follows.
    slot1_ = col1_.Locate(key1_, hash1_);
    if (!col1_.Holds(slot1_))
        return false;
    slot2_ = col2_.Locate(key2_, hash2_);
    return col2_.Holds(slot2_);
}

void RowIndex::Add() {
    col1_.Increment(key1_, hash1_, slot1_);
    col2_.Increment(key2_, hash2_, slot2_);
    slot1_ = slot2_ = TextCounts::kNoSlot;
    ++rows_;
}

void RowIndex::Add(std::string_view col1, std::string_view col2) {
    Prepare(col1, col2);
    Add();
}

void RowIndex::Remove(std::string_view col1, std::string_view col2) {
    Prepare(col1, col2);
    col1_.Decrement(key1_, hash1_);
    col2_.Decrement(key2_, hash2_);
    if (rows_ > 0)
        --rows_;
}

void RowIndex::Clear() {
    col1_.Clear();
    col2_.Clear();
    rows_ = 0;
}

void RowIndex::Reserve(std::size_t rows) {
    col1_.Reserve(rows);
    col2_.Reserve(rows);
}

}  // namespace korvane::detail

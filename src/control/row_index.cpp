// The case-folded text index behind the duplicate rule.
#include "control/row_index.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <utility>

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

// The last `n` (< 8) bytes before `end` as a little-endian word, the
// bytes above them 0; `total` bytes end at `end`. Fixed-size loads only: a
// call of memcpy for every text's tail costs more than hashing the rest.
std::uint64_t LoadTail(const char* end, std::size_t n, std::size_t total) {
    if (n == 0)
        return 0;
    if (total >= 8) {
        std::uint64_t w;
        std::memcpy(&w, end - 8, 8);
        return w >> (8 * (8 - n));
    }
    const char* p = end - n;
    if (n >= 4) {
        std::uint32_t low;
        std::uint32_t high;
        std::memcpy(&low, p, 4);
        std::memcpy(&high, end - 4, 4);
        return low | (static_cast<std::uint64_t>(high) << (8 * (n - 4)));
    }
    const auto byte = [](char c) { return static_cast<std::uint64_t>(static_cast<unsigned char>(c)); };
    return byte(p[0]) | (byte(p[n / 2]) << (8 * (n / 2))) | (byte(p[n - 1]) << (8 * (n - 1)));
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
    return MixTail(h, LoadTail(p + n, n, text.size()));
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
    std::uint64_t w = LoadTail(in + n, n, text.size());
    high |= w;
    w = LowerAsciiWord(w);
    if (text.size() >= 8) {
        // The last eight bytes again, the earlier ones folding as before.
        std::uint64_t last;
        std::memcpy(&last, in + n - 8, 8);
        last = LowerAsciiWord(last);
        std::memcpy(out + n - 8, &last, 8);
    } else {
        for (std::size_t k = 0; k < n; ++k)
            out[k] = static_cast<char>(w >> (8 * k));
    }
    h = MixTail(h, w);
    if ((high & kHighBits) == 0)
        return h;
    FoldKeyInto(text, key);
    return HashText(key);
}

// --- TextCounts ----------------------------------------------------------------------

namespace {

constexpr std::size_t kPageBytes = 64 * 1024;
constexpr std::size_t kOwnPage = kPageBytes / 4;  // keys this long get a page of their own
constexpr std::uint32_t kEntryBits = 24;
constexpr std::uint32_t kEntryMask = (1u << kEntryBits) - 1;
constexpr std::size_t kMaxEntries = kEntryMask - 1;

// The tag is the top byte of the hash's low half, which the entry keeps;
// the slot comes from its low bits.
std::uint32_t TagOf(std::uint64_t hash) {
    return static_cast<std::uint32_t>(hash) & ~kEntryMask;
}

}  // namespace

std::string_view TextCounts::KeyOf(const Entry& e) const {
    return std::string_view(pages_[e.page].data() + e.offset, e.length);
}

std::size_t TextCounts::Find(std::string_view key, std::uint64_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    const std::uint32_t tag = TagOf(hash);
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const std::uint32_t s = slots_[i];
        if (s == 0)
            return i;
        if ((s & ~kEntryMask) != tag)
            continue;
        const Entry& e = entries_[(s & kEntryMask) - 1];
        if (e.length == key.size() && KeyOf(e) == key)
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
    if (slot >= slots_.size() || slots_[slot] == 0)
        return false;
    return entries_[(slots_[slot] & kEntryMask) - 1].count > 0;
}

bool TextCounts::Contains(std::string_view key, std::uint64_t hash) const {
    return Holds(Locate(key, hash));
}

// Appends the key's bytes to the last page, or to a new one when it is full.
void TextCounts::Store(std::string_view key, Entry& e) {
    if (key.size() > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("text too long for the duplicate rule");
    if (key.size() >= kOwnPage) {
        pages_.emplace_back(key);
    } else if (pages_.empty() || pages_.back().size() + key.size() > kPageBytes ||
               pages_.back().capacity() < kPageBytes) {
        pages_.emplace_back().reserve(kPageBytes);
    }
    std::string& page = pages_.back();
    e.page = static_cast<std::uint32_t>(pages_.size() - 1);
    e.offset = static_cast<std::uint32_t>(key.size() >= kOwnPage ? 0 : page.size());
    e.length = static_cast<std::uint32_t>(key.size());
    if (key.size() < kOwnPage)
        page.append(key);
}

void TextCounts::Increment(std::string_view key, std::uint64_t hash, std::size_t slot) {
    if ((entries_.size() + 1) * 2 > slots_.size()) {
        Rebuild((live_ + 1) * 2);
        slot = kNoSlot;  // the table moved
    }
    if (slot == kNoSlot)
        slot = Find(key, hash);
    std::uint32_t& s = slots_[slot];
    if (s == 0) {
        Entry& e = entries_.emplace_back();
        Store(key, e);
        e.hash = static_cast<std::uint32_t>(hash);
        s = TagOf(hash) | static_cast<std::uint32_t>(entries_.size());
    }
    if (entries_[(s & kEntryMask) - 1].count++ == 0)
        ++live_;
}

// Every key has one entry, so when one entry alone on the key's probe
// path has its hash (the low half) and its length, it is the key's: the
// key bytes, far away in their page, need not be compared. Only when two
// such entries meet are the keys compared.
std::size_t TextCounts::FindPresent(std::string_view key, std::uint64_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    const std::uint32_t tag = TagOf(hash);
    std::size_t found = kNoSlot;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const std::uint32_t s = slots_[i];
        if (s == 0)
            break;
        if ((s & ~kEntryMask) != tag)
            continue;
        const Entry& e = entries_[(s & kEntryMask) - 1];
        if (e.hash != static_cast<std::uint32_t>(hash) || e.length != key.size())
            continue;
        if (found != kNoSlot) {
            const std::size_t slot = Find(key, hash);
            return slots_[slot] == 0 ? kNoSlot : slot;
        }
        found = i;
    }
    return found;
}

void TextCounts::PrefetchEntry(std::uint64_t hash) const {
    if (slots_.empty())
        return;
    const std::uint32_t s = slots_[hash & (slots_.size() - 1)];
    if (s != 0)
        __builtin_prefetch(&entries_[(s & kEntryMask) - 1]);
}

void TextCounts::Decrement(std::string_view key, std::uint64_t hash) {
    if (slots_.empty())
        return;
    const std::size_t slot = FindPresent(key, hash);
    if (slot == kNoSlot)
        return;
    const std::uint32_t s = slots_[slot];
    if (s != 0 && entries_[(s & kEntryMask) - 1].count > 0 && --entries_[(s & kEntryMask) - 1].count == 0)
        --live_;
}

void TextCounts::Clear() {
    slots_ = {};
    entries_ = Entries();
    pages_ = {};
    live_ = 0;
}

void TextCounts::Reserve(std::size_t keys) {
    if (keys * 2 > slots_.size())
        Rebuild(keys * 2);
}

// Rebuilds the table for at least `minimumSlots`, dropping the texts no row
// holds any more and packing the entries and key bytes again. A table still
// more than a quarter full of live texts doubles, so rebuilding stays rare.
void TextCounts::Rebuild(std::size_t minimumSlots) {
    std::size_t size = std::bit_ceil(std::max<std::size_t>(minimumSlots, 64));
    if (size <= slots_.size() && live_ * 4 > slots_.size())
        size = slots_.size() * 2;
    if (size / 2 > kMaxEntries)
        throw std::length_error("too many texts for the duplicate rule");
    if (live_ == entries_.size()) {
        // No text to drop: the entries and their keys stay where they are,
        // only the slots are laid out again.
        slots_.assign(size, 0);
        entries_.reserve(size / 2);
        // The keys are distinct, so each takes the first free slot of its
        // probe without a comparison.
        const std::size_t mask = size - 1;
        for (std::size_t k = 0; k < entries_.size(); ++k) {
            const std::uint32_t hash = entries_[k].hash;
            std::size_t i = hash & mask;
            while (slots_[i] != 0)
                i = (i + 1) & mask;
            slots_[i] = TagOf(hash) | static_cast<std::uint32_t>(k + 1);
        }
        return;
    }
    const Entries oldEntries = std::exchange(entries_, Entries());
    std::vector<std::string> oldPages = std::move(pages_);
    slots_.assign(size, 0);
    entries_.reserve(size / 2);
    pages_.clear();
    for (std::size_t k = 0; k < oldEntries.size(); ++k) {
        const Entry& old = oldEntries[k];
        if (old.count <= 0)
            continue;
        const std::string_view key(oldPages[old.page].data() + old.offset, old.length);
        const std::uint64_t hash = old.hash;
        std::uint32_t& s = slots_[Find(key, hash)];
        Entry& e = entries_.emplace_back();
        Store(key, e);
        e.count = old.count;
        e.hash = old.hash;
        s = TagOf(hash) | static_cast<std::uint32_t>(entries_.size());
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
    PrefetchEntries();
    Remove();
}

void RowIndex::PrefetchEntries() const {
    col1_.PrefetchEntry(hash1_);
    col2_.PrefetchEntry(hash2_);
}

void RowIndex::Remove() {
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

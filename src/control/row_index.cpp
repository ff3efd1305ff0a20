// The case-folded text index behind the duplicate rule.
#include "control/row_index.h"

#include <algorithm>
#include <bit>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cstring>
#include <limits>
#include <memory>
#include <stdexcept>
#include <utility>

#include "control/text.h"

namespace korvane::detail {

namespace {

constexpr std::uint64_t kSeed = 0x9E3779B97F4A7C15ull;
constexpr std::uint64_t kMix0 = 0xA0761D6478BD642Full;
constexpr std::uint64_t kMix1 = 0xE7037ED1A0B428DBull;
constexpr std::uint64_t kMix2 = 0x8EBC6AF09C88C6E3ull;
constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

// Both halves of the 128-bit product folded together: one multiply mixes
// sixteen bytes into every bit of the result.
std::uint64_t Mum(std::uint64_t a, std::uint64_t b) {
    __extension__ using Wide = unsigned __int128;
    const Wide r = static_cast<Wide>(a) * b;
    return static_cast<std::uint64_t>(r) ^ static_cast<std::uint64_t>(r >> 64);
}

std::uint64_t Load(const char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
}

// Lowers the ASCII capitals of eight bytes at once; bytes of 0x80 and above
// must not occur (the caller checks).
std::uint64_t LowerAsciiWord(std::uint64_t w) {
    const std::uint64_t aboveZ = w + kOnes * (0x7F - 'Z');
    const std::uint64_t fromA = w + kOnes * (0x80 - 'A');
    return w ^ (((fromA & ~aboveZ) & kHighBits) >> 2);
}

// The last `n` (<= 8) bytes before `end` as a little-endian word, the
// bytes above them 0; `total` bytes end at `end`. Fixed-size loads only: a
// call of memcpy for every text's tail costs more than hashing the rest.
std::uint64_t LoadTail(const char* end, std::size_t n, std::size_t total) {
    if (n == 0)
        return 0;
    if (total >= 8)
        return Load(end - 8) >> (8 * (8 - n));
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

// The last 1 to 15 bytes of a text as two words: the first eight (or all,
// when there are no more) and the rest.
struct Tail {
    std::uint64_t a;
    std::uint64_t b;
};
Tail LoadLast(const char* p, std::size_t n, std::size_t total) {
    if (n > 8)
        return {Load(p), LoadTail(p + n, n - 8, total)};
    return {LoadTail(p + n, n, total), 0};
}

}  // namespace

// Sixteen bytes a step, each step one multiply; the last step takes the
// remaining bytes and a final multiply spreads them over the low bits, which
// pick the slot.
std::uint64_t HashText(std::string_view text) {
    const char* p = text.data();
    std::size_t n = text.size();
    std::uint64_t h = kSeed ^ n;
    for (; n >= 16; p += 16, n -= 16)
        h = Mum(Load(p) ^ kMix0, Load(p + 8) ^ h);
    const Tail t = LoadLast(p, n, text.size());
    h = Mum(t.a ^ kMix1, t.b ^ h);
    return Mum(h ^ kMix2, kMix0);
}

namespace {

// Folds ASCII `text` into `out` (room for text.size() bytes) in one pass,
// a word at a time, and returns HashText of the folded bytes; `ascii` is
// false (and `out` of no use) when the text has other bytes.
std::uint64_t FoldAsciiAndHash(std::string_view text, char* out, bool& ascii) {
    const std::size_t total = text.size();
    const char* in = text.data();
    std::size_t n = total;
    std::uint64_t h = kSeed ^ n;
    std::uint64_t high = 0;
    for (; n >= 16; in += 16, out += 16, n -= 16) {
        std::uint64_t a = Load(in);
        std::uint64_t b = Load(in + 8);
        high |= a | b;
        a = LowerAsciiWord(a);
        b = LowerAsciiWord(b);
        std::memcpy(out, &a, 8);
        std::memcpy(out + 8, &b, 8);
        h = Mum(a ^ kMix0, b ^ h);
    }
    Tail t = LoadLast(in, n, total);
    high |= t.a | t.b;
    t.a = LowerAsciiWord(t.a);
    t.b = LowerAsciiWord(t.b);
    if (total >= 8) {
        // The first eight bytes of the tail and the last eight of the text
        // (overlapping what is already folded, which folds the same).
        if (n > 8)
            std::memcpy(out, &t.a, 8);
        if (n > 0) {
            const std::uint64_t last = LowerAsciiWord(Load(in + n - 8));
            std::memcpy(out + n - 8, &last, 8);
        }
    } else {
        for (std::size_t k = 0; k < n; ++k)
            out[k] = static_cast<char>(t.a >> (8 * k));
    }
    ascii = (high & kHighBits) == 0;
    return Mum(Mum(t.a ^ kMix1, t.b ^ h) ^ kMix2, kMix0);
}

// Copies a key's bytes, short ones with loads and stores of fixed size.
void CopyKey(char* out, std::string_view key) {
    const char* in = key.data();
    const std::size_t n = key.size();
    if (n >= 8 && n <= 16) {
        const std::uint64_t a = Load(in);
        const std::uint64_t b = Load(in + n - 8);
        std::memcpy(out, &a, 8);
        std::memcpy(out + n - 8, &b, 8);
    } else if (n > 16 && n <= 32) {
        const std::uint64_t a = Load(in);
        const std::uint64_t b = Load(in + 8);
        const std::uint64_t c = Load(in + n - 16);
        const std::uint64_t d = Load(in + n - 8);
        std::memcpy(out, &a, 8);
        std::memcpy(out + 8, &b, 8);
        std::memcpy(out + n - 16, &c, 8);
        std::memcpy(out + n - 8, &d, 8);
    } else if (n < 8) {
        for (std::size_t k = 0; k < n; ++k)
            out[k] = in[k];
    } else {
        std::memcpy(out, in, n);
    }
}

}  // namespace

std::uint64_t FoldAndHash(std::string_view text, std::string& key) {
    key.resize(text.size());
    bool ascii = true;
    const std::uint64_t hash = FoldAsciiAndHash(text, key.data(), ascii);
    if (ascii)
        return hash;
    FoldKeyInto(text, key);
    return HashText(key);
}

// --- TextCounts ----------------------------------------------------------------------

namespace {

constexpr std::size_t kPageBytes = 64 * 1024;
constexpr std::size_t kFirstPageBytes = 512;
constexpr std::size_t kOwnPage = kPageBytes / 4;  // keys this long get a page of their own
// A short key's place: its page's number above its offset there.
constexpr unsigned kOffsetBits = 16;
constexpr std::uint32_t kOffsetMask = (1u << kOffsetBits) - 1;
constexpr std::size_t kMaxPage = std::numeric_limits<std::uint32_t>::max() >> kOffsetBits;
static_assert(kPageBytes - 1 <= kOffsetMask);
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
    const char* bytes = e.length >= kOwnPage ? ownPages_[e.place].get()
                                             : pages_[e.place >> kOffsetBits].get() + (e.place & kOffsetMask);
    return std::string_view(bytes, e.length);
}

// A probe runs from the key's home slot towards the end of the table and
// never wraps around: the room past the last home slot takes the runs that
// start near the end. Four slots are compared at a time where the processor
// can, so a probe rarely takes more than one step, and one branch.
std::size_t TextCounts::Find(std::string_view key, std::uint64_t hash) const {
    const std::uint32_t* slots = slots_.data();
    const std::size_t end = slots_.size();
    const std::uint32_t tag = TagOf(hash);
    std::size_t i = hash & (Capacity() - 1);
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i tagBits = _mm_set1_epi32(static_cast<int>(~kEntryMask));
    const __m128i tags = _mm_set1_epi32(static_cast<int>(tag));
    for (; i + 4 <= end; i += 4) {
        const __m128i group = _mm_loadu_si128(reinterpret_cast<const __m128i*>(slots + i));
        const auto empty = static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(group, zero))));
        auto match = static_cast<unsigned>(
            _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(_mm_and_si128(group, tagBits), tags))));
        // Only the slots before the first empty one lie on the probe.
        match &= (empty & (0u - empty)) - 1u;
        for (; match != 0; match &= match - 1) {
            const std::size_t at = i + static_cast<std::size_t>(std::countr_zero(match));
            const Entry& e = entries_[(slots[at] & kEntryMask) - 1];
            if (e.length == key.size() && KeyOf(e) == key)
                return at;
        }
        if (empty != 0)
            return i + static_cast<std::size_t>(std::countr_zero(empty));
    }
#endif
    for (; i < end; ++i) {
        const std::uint32_t s = slots[i];
        if (s == 0)
            return i;
        if ((s & ~kEntryMask) != tag)
            continue;
        const Entry& e = entries_[(s & kEntryMask) - 1];
        if (e.length == key.size() && KeyOf(e) == key)
            return i;
    }
    return kNoSlot;
}

std::size_t TextCounts::Locate(std::string_view key, std::uint64_t hash) const {
    return slots_.empty() ? kNoSlot : Find(key, hash);
}

void TextCounts::Prefetch(std::uint64_t hash) const {
    if (!slots_.empty())
        __builtin_prefetch(&slots_[hash & (Capacity() - 1)]);
}

bool TextCounts::Holds(std::size_t slot) const {
    if (slot >= slots_.size() || slots_[slot] == 0)
        return false;
    return entries_[(slots_[slot] & kEntryMask) - 1].count > 0;
}

bool TextCounts::Contains(std::string_view key, std::uint64_t hash) const {
    return Holds(Locate(key, hash));
}

// Appends the key's bytes to the last page of short keys, or to a new one
// when it is full; a long key gets a page of its own. The pages grow from a
// small first one, doubling up to kPageBytes, so a list of a few rows (a
// form of many boxes) keeps a store of a few hundred bytes.
std::uint32_t TextCounts::Store(std::string_view key) {
    if (key.size() > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("text too long for the duplicate rule");
    if (key.size() >= kOwnPage) {
        ownPages_.push_back(std::unique_ptr<char[]>(new char[key.size()]));
        std::memcpy(ownPages_.back().get(), key.data(), key.size());
        return static_cast<std::uint32_t>(ownPages_.size() - 1);
    }
    if (pages_.empty() || used_ + key.size() > pageBytes_) {
        if (pages_.size() > kMaxPage)
            throw std::length_error("too many texts for the duplicate rule");
        const std::size_t next = pages_.empty() ? kFirstPageBytes : std::min(pageBytes_ * 2, kPageBytes);
        pageBytes_ = std::max(next, key.size());  // a short key is under kOwnPage, so within kPageBytes
        pages_.push_back(std::unique_ptr<char[]>(new char[pageBytes_]));
        used_ = 0;
    }
    CopyKey(pages_.back().get() + used_, key);
    const auto place = static_cast<std::uint32_t>(((pages_.size() - 1) << kOffsetBits) | used_);
    used_ += key.size();
    return place;
}

void TextCounts::Increment(std::string_view key, std::uint64_t hash, std::size_t slot) {
    if ((entries_.size() + 1) * 2 > Capacity()) {
        Rebuild((live_ + 1) * 2);
        slot = kNoSlot;  // the table moved
    }
    if (slot == kNoSlot)
        slot = Find(key, hash);
    while (slot == kNoSlot) {
        // The probe ran off the end of the table: a larger one spreads the
        // keys out again.
        Rebuild(Capacity() * 2);
        slot = Find(key, hash);
    }
    std::uint32_t& s = slots_[slot];
    if (s != 0) {
        if (entries_[(s & kEntryMask) - 1].count++ == 0)
            ++live_;
        return;
    }
    Append(key, hash, 1);
    s = TagOf(hash) | static_cast<std::uint32_t>(entries_.size());
    ++live_;
}

// Every key has one entry, so when one entry alone on the key's probe
// path has its hash (the low half) and its length, it is the key's: the
// key bytes, far away in their page, need not be compared. Only when two
// such entries meet are the keys compared.
std::size_t TextCounts::FindPresent(std::string_view key, std::uint64_t hash) const {
    const std::size_t end = slots_.size();
    const std::uint32_t tag = TagOf(hash);
    std::size_t found = kNoSlot;
    for (std::size_t i = hash & (Capacity() - 1); i < end; ++i) {
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
            return slot == kNoSlot || slots_[slot] == 0 ? kNoSlot : slot;
        }
        found = i;
    }
    return found;
}

void TextCounts::PrefetchEntry(std::uint64_t hash) const {
    if (slots_.empty())
        return;
    const std::uint32_t s = slots_[hash & (Capacity() - 1)];
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
    pages_ = std::vector<std::unique_ptr<char[]>>();
    ownPages_ = std::vector<std::unique_ptr<char[]>>();
    used_ = 0;
    pageBytes_ = 0;
    live_ = 0;
}

void TextCounts::Reserve(std::size_t keys) {
    if (keys * 2 > Capacity())
        Rebuild(keys * 2);
}

// Rebuilds the table for at least `minimumSlots`, dropping the texts no row
// holds any more and packing the entries and key bytes again. A table still
// more than a quarter full of live texts doubles, so rebuilding stays rare.
void TextCounts::Rebuild(std::size_t minimumSlots) {
    std::size_t size = std::bit_ceil(std::max<std::size_t>(minimumSlots, 64));
    const std::size_t capacity = Capacity();
    if (size <= capacity && live_ * 4 > capacity)
        size = capacity * 2;
    if (live_ != entries_.size())
        DropDeadKeys();
    for (;; size *= 2) {
        if (size / 2 > kMaxEntries)
            throw std::length_error("too many texts for the duplicate rule");
        if (LayOut(size))
            break;
    }
    entries_.reserve(size / 2);
}

// Packs the entries and key bytes of the texts some row holds; the slots
// are laid out afresh after.
void TextCounts::DropDeadKeys() {
    const Entries oldEntries = std::exchange(entries_, Entries());
    std::vector<std::unique_ptr<char[]>> oldPages = std::move(pages_);
    std::vector<std::unique_ptr<char[]>> oldOwnPages = std::move(ownPages_);
    pages_.clear();
    ownPages_.clear();
    used_ = 0;
    pageBytes_ = 0;
    oldEntries.ForEach([&](std::size_t, const Entry& old) {
        if (old.count <= 0)
            return;
        if (old.length >= kOwnPage) {
            // A long key keeps its page.
            ownPages_.push_back(std::move(oldOwnPages[old.place]));
            entries_.push_back({static_cast<std::uint32_t>(ownPages_.size() - 1), old.length, old.count, old.hash});
        } else {
            const char* bytes = oldPages[old.place >> kOffsetBits].get() + (old.place & kOffsetMask);
            Append(std::string_view(bytes, old.length), old.hash, old.count);
        }
    });
}

// Lays the slots out for `size` home slots; false when a probe would run
// off the end. The keys are distinct, so each takes the first free slot of
// its probe without a comparison.
bool TextCounts::LayOut(std::size_t size) {
    slots_.assign(size + kPad, 0);
    const std::size_t mask = size - 1;
    const std::size_t end = slots_.size();
    std::uint32_t* slots = slots_.data();
    bool fits = true;
    entries_.ForEach([&](std::size_t k, const Entry& e) {
        std::size_t i = e.hash & mask;
        while (i < end && slots[i] != 0)
            ++i;
        if (i == end) {
            fits = false;
            return;
        }
        slots[i] = TagOf(e.hash) | static_cast<std::uint32_t>(k + 1);
    });
    return fits;
}

// --- RowIndex ----------------------------------------------------------------------------

void RowIndex::Key::Fold(std::string_view text) {
    // The buffer only grows, so folding allocates nothing once it holds the
    // longest text so far.
    if (buffer.size() < text.size())
        buffer.resize(text.size());
    bool ascii = true;
    hash = FoldAsciiAndHash(text, buffer.data(), ascii);
    length = text.size();
    if (ascii)
        return;
    FoldKeyInto(text, buffer);
    length = buffer.size();
    hash = HashText(buffer);
}

void RowIndex::Prepare(std::string_view col1, std::string_view col2) {
    key1_.Fold(col1);
    key2_.Fold(col2);
    slot1_ = slot2_ = TextCounts::kNoSlot;
}

void RowIndex::PrefetchSlots() const {
    col1_.Prefetch(key1_.hash);
    col2_.Prefetch(key2_.hash);
}

bool RowIndex::Refuses() const {
    if (rows_ == 0)
        return false;
    // The slots found here serve the Add that usually follows.
    slot1_ = col1_.Locate(key1_.View(), key1_.hash);
    if (!col1_.Holds(slot1_))
        return false;
    slot2_ = col2_.Locate(key2_.View(), key2_.hash);
    return col2_.Holds(slot2_);
}

void RowIndex::Add() {
    col1_.Increment(key1_.View(), key1_.hash, slot1_);
    col2_.Increment(key2_.View(), key2_.hash, slot2_);
    slot1_ = slot2_ = TextCounts::kNoSlot;
    ++rows_;
}

void RowIndex::Add(std::string_view col1, std::string_view col2) {
    Prepare(col1, col2);
    Add();
}

void RowIndex::Remove(std::string_view col1, std::string_view col2) {
    Prepare(col1, col2);
    PrefetchSlots();
    PrefetchEntries();
    Remove();
}

void RowIndex::PrefetchEntries() const {
    col1_.PrefetchEntry(key1_.hash);
    col2_.PrefetchEntry(key2_.hash);
}

void RowIndex::Remove() {
    col1_.Decrement(key1_.View(), key1_.hash);
    col2_.Decrement(key2_.View(), key2_.hash);
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

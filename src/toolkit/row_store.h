// The entries of a list box, shared by both desktops: a text and a number
// per entry, appended at the end, read, rewritten and removed anywhere.
//
// Entries sit in leaves of up to kLeafRows, in order; a Fenwick tree over
// the leaves' counts finds the leaf of an entry in O(log n), so removing an
// entry anywhere moves at most one leaf's entries (never all later ones).
// Entries are only ever appended at the end (a list box has no insert), so
// the newest leaf (the tail) stays outside the tree and appending touches
// nothing else. Leaves emptied by removals stay in place until the store is
// a quarter full, when it is packed again in one linear pass.
//
// Each text takes 16 bytes in its leaf; up to 15 bytes are kept there, a
// longer text in one allocation of exactly its size.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::tk {

// A text of up to 15 bytes inline, or a pointer to exactly its bytes.
class CompactText {
public:
    CompactText() { Empty(); }
    explicit CompactText(std::string_view text) {
        Empty();  // Assign releases what the text held before
        Assign(text);
    }
    CompactText(const CompactText&) = delete;
    CompactText& operator=(const CompactText&) = delete;
    CompactText(CompactText&& other) noexcept {
        std::memcpy(bytes_, other.bytes_, sizeof bytes_);
        other.Empty();
    }
    CompactText& operator=(CompactText&& other) noexcept {
        if (this != &other) {
            if (!Inline())
                ReleaseHeap();
            std::memcpy(bytes_, other.bytes_, sizeof bytes_);
            other.Empty();
        }
        return *this;
    }
    ~CompactText() {
        if (!Inline())
            ReleaseHeap();
    }

    std::string_view View() const {
        if (Inline())
            return {bytes_, static_cast<std::size_t>(bytes_[kTag])};
        return {HeapData(), HeapSize()};
    }
    void Assign(std::string_view text);

private:
    static constexpr std::size_t kTag = 15;
    static constexpr char kOnHeap = 0x7F;  // in the tag byte; inline lengths are 0 to 15

    bool Inline() const { return bytes_[kTag] != kOnHeap; }
    void Empty() { bytes_[kTag] = 0; }
    const char* HeapData() const {
        const char* p;
        std::memcpy(&p, bytes_, sizeof p);
        return p;
    }
    std::size_t HeapSize() const {
        std::uint32_t low;
        std::uint16_t high;
        std::memcpy(&low, bytes_ + 8, sizeof low);
        std::memcpy(&high, bytes_ + 12, sizeof high);
        return static_cast<std::size_t>(low) | (static_cast<std::size_t>(high) << 32);
    }
    void Release() {
        if (!Inline())
            ReleaseHeap();
    }
    void ReleaseHeap();

    char bytes_[16];
};

class RowStore {
public:
    static constexpr std::size_t kLeafRows = 64;

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    std::string_view Text(std::size_t index) const { return Row(index).text.View(); }
    std::int32_t Data(std::size_t index) const { return Row(index).data; }
    void SetText(std::size_t index, std::string_view text) { Row(index).text.Assign(text); }
    void SetData(std::size_t index, std::int32_t data) { Row(index).data = data; }

    // Calls visit(text, data) for `count` entries from `first` on, in order;
    // `visit` must not change the store.
    template <class Visit>
    void ForEach(std::size_t first, std::size_t count, const Visit& visit) const {
        if (count == 0)
            return;
        Place p = Locate(first);
        for (std::size_t leaf = p.leaf, offset = p.offset; count > 0; ++leaf, offset = 0) {
            const Leaf& entries = leaves_[leaf];
            const std::size_t end = std::min(entries.size(), offset + count);
            for (std::size_t k = offset; k < end; ++k)
                visit(entries[k].text.View(), entries[k].data);
            count -= end - offset;
        }
    }

    void Append(std::string_view text, std::int32_t data = 0);
    void Erase(std::size_t index);
    void Clear();
    // Entry k becomes the entry that was at order[k]; false (and nothing
    // changed) unless `order` names every entry exactly once. Linear and in
    // place: the entries move along the cycles of the permutation, the
    // leaves keep their sizes and their texts stay where they are.
    bool Reorder(const std::vector<std::int32_t>& order);

private:
    struct Entry {
        CompactText text;
        std::int32_t data = 0;
    };
    using Leaf = std::vector<Entry>;
    struct Place {
        std::size_t leaf;
        std::size_t offset;
    };

    Entry& Row(std::size_t index) const;
    // The leaf holding entry `index` (< size()) and its place there; the
    // leaf found last is remembered, so reading in order costs O(1) a row.
    Place Locate(std::size_t index) const;
    void AddToTree(std::size_t leaf, std::int64_t delta);
    void RebuildTree();
    void Pack();
    std::size_t Sealed() const { return leaves_.empty() ? 0 : leaves_.size() - 1; }

    // All leaves but the last are in the tree; the last is the tail.
    mutable std::vector<Leaf> leaves_;
    std::vector<std::int32_t> tree_;  // Fenwick tree, 1-based, power-of-two size
    std::size_t size_ = 0;
    std::size_t sealedRows_ = 0;  // rows in the leaves before the tail
    mutable std::size_t cursorLeaf_ = 0;
    mutable std::size_t cursorStart_ = 0;
    mutable bool cursorValid_ = false;
};

}  // namespace korvane::tk

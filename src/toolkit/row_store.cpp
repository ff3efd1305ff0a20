// The list boxes' entries: compact texts in leaves, found through a
// Fenwick tree of the leaves' counts (see row_store.h).
#include "row_store.h"

#include <algorithm>
#include <bit>
#include <stdexcept>

namespace korvane::tk {

// --- CompactText ---------------------------------------------------------------------

void CompactText::ReleaseHeap() {
    delete[] HeapData();
    Empty();
}

void CompactText::Assign(std::string_view text) {
    if (text.size() < kTag) {
        // Inline, with loads and stores of fixed size (a call of memcpy
        // costs more than the copy); the bytes are loaded before anything
        // is released, which keeps a view of this text's own bytes valid.
        const std::size_t n = text.size();
        const char* p = text.data();
        std::uint64_t low = 0;
        std::uint64_t high = 0;
        if (n >= 8) {
            std::memcpy(&low, p, 8);
            std::memcpy(&high, p + n - 8, 8);
            high = n > 8 ? high >> (8 * (16 - n)) : 0;  // the bytes from 8 on, at the bottom
        } else if (n >= 4) {
            std::uint32_t a;
            std::uint32_t b;
            std::memcpy(&a, p, 4);
            std::memcpy(&b, p + n - 4, 4);
            low = a | (static_cast<std::uint64_t>(b) << (8 * (n - 4)));
        } else if (n > 0) {
            const auto byte = [](char c) { return static_cast<std::uint64_t>(static_cast<unsigned char>(c)); };
            low = byte(p[0]) | (byte(p[n / 2]) << (8 * (n / 2))) | (byte(p[n - 1]) << (8 * (n - 1)));
        }
        Release();
        std::memcpy(bytes_, &low, 8);
        std::memcpy(bytes_ + 8, &high, 8);
        bytes_[kTag] = static_cast<char>(n);
        return;
    }
    if (text.size() >= (std::size_t{1} << 48))
        throw std::length_error("text too long for a list entry");
    char* p = new char[text.size()];
    std::memcpy(p, text.data(), text.size());
    Release();
    const auto low = static_cast<std::uint32_t>(text.size());
    const auto high = static_cast<std::uint16_t>(text.size() >> 32);
    std::memcpy(bytes_, &p, sizeof p);
    std::memcpy(bytes_ + 8, &low, sizeof low);
    std::memcpy(bytes_ + 12, &high, sizeof high);
    bytes_[kTag] = kOnHeap;
}

// --- RowStore ----------------------------------------------------------------------------

RowStore::Entry& RowStore::Row(std::size_t index) const {
    const Place p = Locate(index);
    return leaves_[p.leaf][p.offset];
}

RowStore::Place RowStore::Locate(std::size_t index) const {
    if (cursorValid_) {
        std::size_t leaf = cursorLeaf_;
        std::size_t start = cursorStart_;
        // Reading in order steps from one leaf to the next; a few empty
        // leaves on the way are stepped over as well.
        for (int step = 0; step < 4 && leaf < leaves_.size() && index >= start; ++step) {
            if (index < start + leaves_[leaf].size()) {
                cursorLeaf_ = leaf;
                cursorStart_ = start;
                return {leaf, index - start};
            }
            start += leaves_[leaf].size();
            ++leaf;
        }
    }
    Place place;
    std::size_t start;
    if (index >= sealedRows_) {
        place = {Sealed(), index - sealedRows_};
        start = sealedRows_;
    } else {
        // The last leaf whose preceding rows number at most `index`. Each
        // step's choice is made with a mask, not a branch: at random places
        // a branch would be mispredicted half the time, at every level. The
        // root covers every sealed row, more than `index`, so the walk
        // starts below it and never leaves the tree.
        std::size_t pos = 0;
        std::size_t rest = index;
        for (std::size_t step = (tree_.size() - 1) / 2; step > 0; step >>= 1) {
            const auto count = static_cast<std::size_t>(tree_[pos + step]);
            const std::size_t take = std::size_t{0} - static_cast<std::size_t>(count <= rest);
            pos += step & take;
            rest -= count & take;
        }
        place = {pos, rest};
        start = index - rest;
    }
    cursorLeaf_ = place.leaf;
    cursorStart_ = start;
    cursorValid_ = true;
    return place;
}

void RowStore::AddToTree(std::size_t leaf, std::int64_t delta) {
    for (std::size_t j = leaf + 1; j < tree_.size(); j += j & (~j + 1))
        tree_[j] += static_cast<std::int32_t>(delta);
}

// A tree with room for every leaf, filled in linear time.
void RowStore::RebuildTree() {
    const std::size_t capacity = std::bit_ceil(std::max<std::size_t>(leaves_.size(), 16));
    tree_.assign(capacity + 1, 0);
    for (std::size_t leaf = 0; leaf < Sealed(); ++leaf)
        tree_[leaf + 1] = static_cast<std::int32_t>(leaves_[leaf].size());
    for (std::size_t j = 1; j <= capacity; ++j) {
        const std::size_t parent = j + (j & (~j + 1));
        if (parent <= capacity)
            tree_[parent] += tree_[j];
    }
}

void RowStore::Append(std::string_view text, std::int32_t data) {
    if (leaves_.empty() || leaves_.back().size() >= kLeafRows) {
        if (!leaves_.empty()) {
            // The full tail joins the tree.
            const std::size_t tail = leaves_.size() - 1;
            sealedRows_ += leaves_[tail].size();
            if (tail + 1 < tree_.size())
                AddToTree(tail, static_cast<std::int64_t>(leaves_[tail].size()));
        }
        leaves_.emplace_back().reserve(kLeafRows);
        if (leaves_.size() >= tree_.size())
            RebuildTree();
    }
    // Made in place; a text that cannot be stored leaves no entry behind.
    Leaf& leaf = leaves_.back();
    Entry& entry = leaf.emplace_back();
    try {
        entry.text.Assign(text);
    } catch (...) {
        leaf.pop_back();
        throw;
    }
    entry.data = data;
    ++size_;
}

void RowStore::Erase(std::size_t index) {
    const Place p = Locate(index);
    Leaf& leaf = leaves_[p.leaf];
    leaf.erase(leaf.begin() + static_cast<std::ptrdiff_t>(p.offset));
    --size_;
    if (p.leaf < Sealed()) {
        AddToTree(p.leaf, -1);
        --sealedRows_;
        if (leaf.empty())
            Leaf().swap(leaf);  // its memory goes back at once
    }
    if (p.leaf < cursorLeaf_)
        --cursorStart_;
    // Mostly empty leaves are packed again once they outnumber the rows'
    // needs four times over, so the work is linear in the removals.
    if (leaves_.size() > 4 + 4 * (size_ / kLeafRows + 1))
        Pack();
}

void RowStore::Clear() {
    std::vector<Leaf>().swap(leaves_);
    std::vector<std::int32_t>().swap(tree_);
    size_ = 0;
    sealedRows_ = 0;
    cursorValid_ = false;
}

bool RowStore::Reorder(const std::vector<std::int32_t>& order) {
    if (order.size() != size_)
        return false;
    std::vector<std::uint8_t> seen(size_);
    for (const std::int32_t k : order) {
        if (k < 0 || static_cast<std::size_t>(k) >= size_ || seen[static_cast<std::size_t>(k)])
            return false;
        seen[static_cast<std::size_t>(k)] = 1;
    }
    // When every leaf but the last is full (as after filling), entry k is
    // found by arithmetic; otherwise through a table of the entries.
    bool full = true;
    for (std::size_t leaf = 0; leaf + 1 < leaves_.size() && full; ++leaf)
        full = leaves_[leaf].size() == kLeafRows;
    std::vector<Entry*> table;
    if (!full) {
        table.reserve(size_);
        for (Leaf& leaf : leaves_)
            for (Entry& entry : leaf)
                table.push_back(&entry);
    }
    const auto at = [&](std::size_t k) -> Entry& { return full ? leaves_[k / kLeafRows][k % kLeafRows] : *table[k]; };
    // Each cycle of the permutation moves its entries one step round, with
    // one entry held aside; `seen` now marks the places already filled.
    for (std::size_t start = 0; start < size_; ++start) {
        if (!seen[start])
            continue;
        Entry held = std::move(at(start));
        std::size_t k = start;
        for (;;) {
            seen[k] = 0;
            const auto from = static_cast<std::size_t>(order[k]);
            if (from == start) {
                at(k) = std::move(held);
                break;
            }
            at(k) = std::move(at(from));
            k = from;
        }
    }
    cursorValid_ = false;
    return true;
}

void RowStore::Pack() {
    std::vector<Leaf> packed;
    packed.reserve(size_ / kLeafRows + 1);
    for (Leaf& leaf : leaves_) {
        for (Entry& entry : leaf) {
            if (packed.empty() || packed.back().size() >= kLeafRows)
                packed.emplace_back().reserve(kLeafRows);
            packed.back().push_back(std::move(entry));
        }
    }
    if (packed.empty())
        packed.emplace_back().reserve(kLeafRows);
    leaves_ = std::move(packed);
    sealedRows_ = size_ - leaves_.back().size();
    cursorValid_ = false;
    RebuildTree();
}

}  // namespace korvane::tk

// Sorting the rows by column 1, column 2 or item number, as text (case
// ignored) or as numbers. The keys are made from the list pair's texts
// (trimmed), the rows ordered by a quicksort with random pivots (so rows
// with equal keys come out in no fixed order), and the lists put in the new
// order. While it
// runs the control is disabled, shows the busy pointer, refuses the row
// members, and lets the host's events run now and then.
#include <algorithm>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "control/guards.h"
#include "control/sort_keys.h"
#include "control/text.h"
#include "control/ucvKorvane_p.h"

namespace korvane {

namespace {

// Host events run at least this often while the rows are being ordered.
constexpr std::int64_t kPumpIntervalMs = 10;
constexpr std::uint32_t kStepsBetweenClockReads = 4096;
constexpr std::int32_t kRowsBetweenClockReads = 256;
constexpr std::int32_t kSmallRange = 16;

template <typename Key>
using Item = detail::SortItem<Key>;

// The quicksort over prepared keys. Each partition takes a random pivot,
// and both scans stop at keys equal to it, so equal keys split evenly and
// land in no fixed order; only the smaller side recurses, so the depth
// stays logarithmic. Short ranges finish by insertion.
template <typename Key>
class QuickSort {
public:
    QuickSort(std::vector<Item<Key>>& items, std::mt19937& random, const std::function<bool()>& pump)
        : items_(items), random_(random), pump_(pump) {}

    // False when the pump reported that the control is gone.
    bool Run() {
        if (items_.empty())
            return true;
        return Sort(0, static_cast<std::int32_t>(items_.size()) - 1);
    }

private:
    Item<Key>& at(std::int32_t i) { return items_[static_cast<std::size_t>(i)]; }

    // Partitions long ranges a block at a time, as block quicksort does:
    // the scan of a block only notes, without a branch, which rows stand
    // on the wrong side (on the left a key not below the pivot, on the
    // right one not above it), and the noted rows then swap in pairs. A
    // comparison whose outcome the processor cannot guess costs no
    // mispredicted branch, which is most of what partitioning random keys
    // costs. Equal keys still go both ways. On return the rows in
    // [lo, i] are at most the pivot and those in [j, hi] at least it; the
    // rows between are left to the plain scans, which need no bounds
    // check: the pivot itself and the largest of the three picked stop
    // them.
    void PartitionBlocks(const Key& pivot, std::int32_t& i, std::int32_t& j) {
        constexpr std::int32_t kBlock = 64;
        std::uint8_t left[kBlock], right[kBlock];
        std::int32_t leftCount = 0, rightCount = 0, leftStart = 0, rightStart = 0;
        std::int32_t l = i + 1;  // the first row of the left block
        std::int32_t r = j - 1;  // the last row of the right block
        while (r - l + 1 >= 2 * kBlock) {
            if (leftCount == 0) {
                leftStart = 0;
                for (std::int32_t k = 0; k < kBlock; ++k) {
                    left[leftCount] = static_cast<std::uint8_t>(k);
                    leftCount += !(at(l + k).key < pivot);
                }
            }
            if (rightCount == 0) {
                rightStart = 0;
                for (std::int32_t k = 0; k < kBlock; ++k) {
                    right[rightCount] = static_cast<std::uint8_t>(k);
                    rightCount += !(pivot < at(r - k).key);
                }
            }
            const std::int32_t pairs = std::min(leftCount, rightCount);
            for (std::int32_t k = 0; k < pairs; ++k)
                std::swap(at(l + left[leftStart + k]), at(r - right[rightStart + k]));
            leftCount -= pairs;
            rightCount -= pairs;
            leftStart += pairs;
            rightStart += pairs;
            if (leftCount == 0)
                l += kBlock;
            if (rightCount == 0)
                r -= kBlock;
        }
        // A block with rows still noted keeps them inside [l, r], where the
        // plain scans find them again.
        i = l - 1;
        j = r + 1;
    }

    bool Steps(std::int32_t count) {
        steps_ += static_cast<std::uint32_t>(count);
        if (steps_ < kStepsBetweenClockReads)
            return true;
        steps_ = 0;
        return pump_();
    }

    bool Sort(std::int32_t lo, std::int32_t hi) {
        while (hi - lo > kSmallRange) {
            if (!Steps(hi - lo))
                return false;
            // The pivot is the middle of three rows picked at random: still
            // random, but an even split is likelier. The smallest of the
            // three goes next to it and the largest to the end, where they
            // stop both scans without a bounds check.
            std::uniform_int_distribution<std::int32_t> pick(lo, hi);
            std::swap(at(lo), at(pick(random_)));
            std::swap(at(lo + 1), at(pick(random_)));
            std::swap(at(hi), at(pick(random_)));
            if (at(lo).key < at(lo + 1).key)
                std::swap(at(lo), at(lo + 1));
            if (at(hi).key < at(lo).key) {
                std::swap(at(lo), at(hi));
                if (at(lo).key < at(lo + 1).key)
                    std::swap(at(lo), at(lo + 1));
            }
            const Key pivot = at(lo).key;
            // Everything before `i + 1` is at most the pivot and everything
            // after `j - 1` at least the pivot; blocks in between are
            // scanned first, then the rest as below.
            std::int32_t i = lo + 1;
            std::int32_t j = hi;
            PartitionBlocks(pivot, i, j);
            for (;;) {
                do {
                    ++i;
                } while (at(i).key < pivot);
                do {
                    --j;
                } while (pivot < at(j).key);
                if (i >= j)
                    break;
                std::swap(at(i), at(j));
            }
            std::swap(at(lo), at(j));
            if (j - lo < hi - j) {
                if (!Sort(lo, j - 1))
                    return false;
                lo = j + 1;
            } else {
                if (!Sort(j + 1, hi))
                    return false;
                hi = j - 1;
            }
        }
        for (std::int32_t k = lo + 1; k <= hi; ++k) {
            Item<Key> item = std::move(at(k));
            std::int32_t m = k - 1;
            for (; m >= lo && item.key < at(m).key; --m)
                at(m + 1) = std::move(at(m));
            at(m + 1) = std::move(item);
        }
        return true;
    }

    std::vector<Item<Key>>& items_;
    std::mt19937& random_;
    const std::function<bool()>& pump_;
    std::uint32_t steps_ = 0;
};

// Orders the rows by their keys: `items` ends with the rows in the new
// order. False when the pump reported that the control is gone.
template <typename Key, typename KeyOf>
bool Order(std::int32_t n, const KeyOf& keyOf, std::vector<Item<Key>>& items, std::mt19937& random,
           const std::function<bool()>& pump) {
    items.clear();
    items.reserve(static_cast<std::size_t>(n));
    for (std::int32_t k = 0; k < n; ++k)
        items.push_back(Item<Key>{keyOf(k), k});
    return QuickSort<Key>(items, random, pump).Run();
}

// The row order out of the sorted items.
template <typename Key>
void RowsOf(const std::vector<Item<Key>>& items, std::vector<std::int32_t>& rows) {
    rows.clear();
    rows.reserve(items.size());
    for (const auto& item : items)
        rows.push_back(item.row);
}

// One sort, in its steps: read the rows (the host's events run now and
// then), gather the texts keyed, order the rows, and put the lists in the
// new order. Each step that lets events run reports whether the control is
// still there.
class SortRun {
public:
    SortRun(ucvKorvane::Private& p, std::int16_t col, std::int32_t n)
        : p_(p),
          desktop_(p.desktop),
          alive_(p.alive),
          col_(col),
          n_(n),
          col1_(p.sortCol1),
          col2_(p.sortCol2),
          itemData_(p.sortItemData),
          scratch_(p.sortScratch),
          column_(scratch_.column) {}

    bool ReadRows();
    bool GatherColumn();
    bool OrderRows();
    void Rebuild();

private:
    bool Pump();
    void CheckFirst(std::string_view first, std::int32_t data);
    void CheckSecond(std::string_view second);
    void CopyRows();
    void RewriteInPlace(const std::vector<std::int32_t>& sortedData);
    void RefillFromCopies(const std::vector<std::int32_t>& sortedData);

    ucvKorvane::Private& p_;
    tk::Desktop& desktop_;
    std::shared_ptr<bool> alive_;
    const std::int16_t col_;
    const std::int32_t n_;
    std::vector<std::string>& col1_;
    std::vector<std::string>& col2_;
    std::vector<std::int32_t>& itemData_;
    detail::SortScratch& scratch_;
    std::vector<std::string_view>& column_;
    ListPair pair_;
    ListPair readFrom_;
    bool samePair_ = true;
    bool cellsChanged_ = false;
    bool copied_ = false;
    bool eventsRan_ = false;
    std::int64_t lastPump_ = 0;
};

// The host's events run when the sort starts and then at most once in
// kPumpIntervalMs, never once a row: running them costs far more than
// moving a row, and a list that is redrawn on every step only flickers.
bool SortRun::Pump() {
    const std::int64_t now = desktop_.TickCount();
    if (now - lastPump_ < kPumpIntervalMs)
        return true;
    lastPump_ = now;
    desktop_.DoEvents();
    return *alive_;
}

// A row reads as column 1, a tab, column 2, and splits again at its first
// tab, so a tab inside column 1 moves the rest into column 2.
void SortRun::CheckFirst(std::string_view first, std::int32_t data) {
    cellsChanged_ =
        cellsChanged_ || first.find('\t') != std::string_view::npos || detail::Trim(first).size() != first.size();
    itemData_.push_back(data);
    if (col_ == 1)
        column_.push_back(first);
}

void SortRun::CheckSecond(std::string_view second) {
    cellsChanged_ = cellsChanged_ || detail::Trim(second).size() != second.size();
    if (col_ == 2)
        column_.push_back(second);
}

// Mostly no cell needs trimming or splitting: then the keys are made from
// the lists' own texts, and no row is copied unless the host's events could
// change the lists before the rows are put back. The control's sort arrays
// keep their memory from one sort to the next. The first row is read, then
// runs of kRowsBetweenClockReads rows, each followed by the host's events
// when they are due.
bool SortRun::ReadRows() {
    lastPump_ = desktop_.TickCount();
    col1_.clear();
    col2_.clear();
    itemData_.clear();
    itemData_.reserve(static_cast<std::size_t>(n_));
    pair_ = p_.Pair();
    readFrom_ = pair_;
    column_.clear();
    column_.reserve(static_cast<std::size_t>(n_));
    const auto first = [this](std::string_view text, std::int32_t data) { CheckFirst(text, data); };
    const auto second = [this](std::string_view text, std::int32_t) { CheckSecond(text); };
    for (std::int32_t k = 0; k < n_ && pair_;) {
        const std::int32_t count = k == 0 ? 1 : std::min(kRowsBetweenClockReads, n_ - k);
        pair_.col1->VisitEntries(k, count, first);
        pair_.col2->VisitEntries(k, count, second);
        if (k + count == n_) {
            p_.lastRowText.assign(pair_.col1->EntryText(n_ - 1));
            p_.lastRowText += '\t';
            p_.lastRowText += pair_.col2->EntryText(n_ - 1);
            p_.lastItemData = itemData_.back();
        }
        k += count;
        if (k == 1) {
            desktop_.DoEvents();
            if (!*alive_)
                return false;
        } else {
            eventsRan_ = eventsRan_ || desktop_.TickCount() - lastPump_ >= kPumpIntervalMs;
            if (!Pump())
                return false;
        }
        pair_ = p_.Pair();
        samePair_ = samePair_ && pair_.col1 == readFrom_.col1 && pair_.col2 == readFrom_.col2;
    }
    return static_cast<std::int32_t>(itemData_.size()) == n_;
}

// The rows as they stand after the events, trimmed and split at a tab.
void SortRun::CopyRows() {
    col1_.reserve(static_cast<std::size_t>(n_));
    col2_.reserve(static_cast<std::size_t>(n_));
    for (std::int32_t k = 0; k < n_; ++k) {
        std::string first(pair_.col1->EntryText(k));
        std::string second(pair_.col2->EntryText(k));
        const std::size_t tab = first.find('\t');
        if (tab != std::string::npos) {
            second = first.substr(tab + 1) + '\t' + second;
            first.erase(tab);
        }
        const std::string_view trimmed1 = detail::Trim(first);
        const std::string_view trimmed2 = detail::Trim(second);
        col1_.push_back(trimmed1.size() == first.size() ? std::move(first) : std::string(trimmed1));
        col2_.push_back(trimmed2.size() == second.size() ? std::move(second) : std::string(trimmed2));
    }
    copied_ = true;
}

// The texts keyed: the copies when some cell changed or the list pair
// changed while the rows were read; read again when events ran after they
// were gathered; else the ones gathered.
bool SortRun::GatherColumn() {
    if (!pair_ || pair_.col1->ListCount() != n_ || pair_.col2->ListCount() != n_)
        return false;
    if (cellsChanged_ || !samePair_)
        CopyRows();
    if (copied_) {
        column_.clear();
        for (const std::string& text : col_ == 2 ? col2_ : col1_)
            column_.emplace_back(text);
    } else if (eventsRan_ && col_ != 3) {
        column_.clear();
        (col_ == 2 ? pair_.col2 : pair_.col1)->VisitEntries(0, n_, [&](std::string_view text, std::int32_t) {
            column_.push_back(text);
        });
    } else if (col_ != 3) {
        // The first row was read before the events that always run then.
        column_[0] = (col_ == 2 ? pair_.col2 : pair_.col1)->EntryText(0);
    }
    return true;
}

// Keys made once, then the quicksort. Before the host's events run while
// the rows are ordered, the rows are copied: the events may take the lists
// away or change them.
bool SortRun::OrderRows() {
    const std::function<bool()> pumpDuringSort = [this] {
        if (!copied_ && desktop_.TickCount() - lastPump_ >= kPumpIntervalMs)
            CopyRows();
        return Pump();
    };
    std::mt19937 random(static_cast<std::uint32_t>(desktop_.TickCount() / 1000 % 86400));
    bool finished = true;
    std::vector<std::int32_t>& order = scratch_.order;
    if (col_ == 3) {
        finished = Order<double>(
            n_, [&](std::int32_t k) { return static_cast<double>(itemData_[static_cast<std::size_t>(k)]); },
            scratch_.numberItems, random, pumpDuringSort);
        RowsOf(scratch_.numberItems, order);
    } else if (p_.numericSort) {
        p_.plainNumbers = column_[0].find(',') == std::string_view::npos;
        // Converting throws Type mismatch for a text the locale cannot read;
        // the rows are still untouched then. A single row is never compared.
        if (n_ > 1) {
            detail::NumericKeys(column_, p_.plainNumbers, desktop_.UserLocale(), scratch_.numberKeys);
        } else {
            scratch_.numberKeys.assign(1, 0);
        }
        finished = Order<double>(
            n_, [&](std::int32_t k) { return scratch_.numberKeys[static_cast<std::size_t>(k)]; }, scratch_.numberItems,
            random, pumpDuringSort);
        RowsOf(scratch_.numberItems, order);
    } else {
        detail::TextSortKeys(column_, desktop_.UserLocale(), scratch_.textKeys);
        finished = Order<std::string_view>(
            n_, [&](std::int32_t k) { return scratch_.textKeys.At(static_cast<std::size_t>(k)); }, scratch_.textItems,
            random, pumpDuringSort);
        RowsOf(scratch_.textItems, order);
    }
    column_.clear();
    return finished && *alive_;
}

// The rows are written over the old ones in their new order, which leaves
// the lists as emptying and refilling them would, without giving their
// entries back and taking them again. A row chosen in the drop-down before
// the sort is another row now.
void SortRun::RewriteInPlace(const std::vector<std::int32_t>& sortedData) {
    const std::vector<std::int32_t>& order = scratch_.order;
    if (p_.HasDropDownStyle() && p_.window)
        p_.window->RowsCleared();
    pair_.col1->ListIndex(-1);
    pair_.col2->ListIndex(-1);
    p_.lblCol1->Caption("");
    p_.lblCol2->Caption("");
    p_.txtCol1->Text("");
    p_.txtCol2->Text("");
    p_.currentRow = -1;
    p_.topRow = 0;
    if (!cellsChanged_) {
        // Only the order changed: the lists move their entries, numbers and
        // all, without copying a text.
        pair_.col1->Reorder(order);
        pair_.col2->Reorder(order);
    }
    // The rows are read in sorted order, scattered over memory: ask for the
    // ones a few steps ahead while moving this one.
    constexpr std::size_t kAhead = 8;
    for (std::int32_t k = 0; cellsChanged_ && k < n_; ++k) {
        const auto at = static_cast<std::size_t>(k);
        if (at + kAhead < order.size()) {
            const auto ahead = static_cast<std::size_t>(order[at + kAhead]);
            __builtin_prefetch(&col1_[ahead]);
            __builtin_prefetch(&col2_[ahead]);
        }
        const auto row = static_cast<std::size_t>(order[at]);
        pair_.col1->List(k, std::move(col1_[row]));
        pair_.col2->List(k, std::move(col2_[row]));
        pair_.col1->ItemData(k, sortedData[at]);
    }
    pair_.col1->TopIndex(0);
    pair_.col2->TopIndex(0);
}

// The lists are gone or changed size: the rows go into the style's pair
// anew. No event ran since the rows were read unless they were copied
// first, so the lists read are still there to copy from.
void SortRun::RefillFromCopies(const std::vector<std::int32_t>& sortedData) {
    if (!copied_) {
        pair_ = readFrom_;
        CopyRows();
    }
    p_.ClearRows();
    pair_ = p_.Pair();
    if (!pair_)
        return;
    const std::vector<std::int32_t>& order = scratch_.order;
    for (std::size_t k = 0; k < order.size(); ++k) {
        const auto row = static_cast<std::size_t>(order[k]);
        pair_.col1->AddItem(std::move(col1_[row]), sortedData[k]);
        pair_.col2->AddItem(std::move(col2_[row]));
    }
    cellsChanged_ = true;
}

// Rebuild the pair in the new order; no events run from here on. The rows
// hold the same texts as before unless trimming or a tab changed some, so
// the duplicate-rule index is kept or rebuilt accordingly. The texts move
// into the lists.
void SortRun::Rebuild() {
    std::vector<std::int32_t>& sortedData = scratch_.sortedData;
    sortedData.clear();
    sortedData.reserve(scratch_.order.size());
    for (std::int32_t k : scratch_.order)
        sortedData.push_back(itemData_[static_cast<std::size_t>(k)]);
    detail::RowIndex kept = std::move(p_.rowIndex);
    // A list that fails half way must not leave the duplicate rule without
    // its index: the index is then rebuilt from whatever the lists hold.
    bool indexed = false;
    detail::ScopeExit reindex([&] {
        if (!indexed && *alive_)
            detail::ContinueOnError([&] { p_.RebuildRowIndex(); });
    });
    pair_ = p_.Pair();
    if (pair_ && pair_.col1->ListCount() == n_ && pair_.col2->ListCount() == n_) {
        RewriteInPlace(sortedData);
    } else {
        RefillFromCopies(sortedData);
    }
    if (!cellsChanged_) {
        p_.rowIndex = std::move(kept);
        indexed = true;
        // The search index moves its rows the same way; new texts are
        // folded again at the next search.
        p_.searchIndex.Reorder(scratch_.order);
    } else {
        p_.searchIndex.MarkStale();
    }
}

}  // namespace

void ucvKorvane::Sort(std::int16_t Col, bool OnNumeric) {
    if (d->RefusedWhileSorting())
        return;
    if (Col < 1 || Col > 3)
        Raise(ErrorCode::InvalidProcedureCall);
    const std::int32_t n = ListCount();
    if (n == 0)
        return;

    Private* p = d.get();
    tk::Desktop& desktop = p->desktop;
    auto alive = p->alive;
    desktop.MousePointer(tk::pointer::Hourglass);
    p->sorting = true;
    // However the sort ends (a conversion error, a host that threw inside an
    // event), the control is left enabled, with the default pointer and no
    // sorting flag, so that it stays usable.
    detail::ScopeExit restore([&] {
        if (*alive) {
            try {
                p->q.Enabled(true);
            } catch (...) {
            }
            p->sorting = false;
            // The rows moved, and the search index with them: a search on
            // view is found again.
            detail::ContinueOnError([&] { p->SearchRowsMoved(); });
        }
        desktop.MousePointer(tk::pointer::Default);
    });
    Enabled(false);
    p->numericSort = OnNumeric || Col == 3;

    SortRun run(*p, Col, n);
    if (run.ReadRows() && run.GatherColumn() && run.OrderRows())
        run.Rebuild();
}

}  // namespace korvane

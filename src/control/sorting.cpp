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
            // The rows moved: a search on view is found again.
            detail::ContinueOnError([&] { p->SearchRowsChanged(); });
        }
        desktop.MousePointer(tk::pointer::Default);
    });
    Enabled(false);
    p->numericSort = OnNumeric || Col == 3;

    // The host's events run when the sort starts and then at most once in
    // kPumpIntervalMs, never once a row: running them costs far more than
    // moving a row, and a list that is redrawn on every step only flickers.
    std::int64_t lastPump = desktop.TickCount();
    const std::function<bool()> pump = [&] {
        const std::int64_t now = desktop.TickCount();
        if (now - lastPump < kPumpIntervalMs)
            return true;
        lastPump = now;
        desktop.DoEvents();
        return *alive;
    };

    // Read the rows, trimmed.
    // A row reads as column 1, a tab, column 2, and splits again at its
    // first tab, so a tab inside column 1 moves the rest into column 2.
    // Mostly no cell needs trimming or splitting: then the keys are made
    // from the lists' own texts, and no row is copied unless the host's
    // events could change the lists before the rows are put back. The
    // control's sort arrays keep their memory from one sort to the next.
    std::vector<std::string>& col1 = p->sortCol1;
    std::vector<std::string>& col2 = p->sortCol2;
    std::vector<std::int32_t>& itemData = p->sortItemData;
    col1.clear();
    col2.clear();
    itemData.clear();
    itemData.reserve(static_cast<std::size_t>(n));
    bool cellsChanged = false;
    ListPair pair = p->Pair();
    const ListPair readFrom = pair;
    bool samePair = true;
    // The texts keyed are gathered on the way; they serve unless events ran
    // after they were read (then they are read again).
    detail::SortScratch& scratch = p->sortScratch;
    std::vector<std::string_view>& column = scratch.column;
    column.clear();
    column.reserve(static_cast<std::size_t>(n));
    const auto checkFirst = [&](std::string_view first, std::int32_t data) {
        cellsChanged =
            cellsChanged || first.find('\t') != std::string_view::npos || detail::Trim(first).size() != first.size();
        itemData.push_back(data);
        if (Col == 1)
            column.push_back(first);
    };
    const auto checkSecond = [&](std::string_view second, std::int32_t) {
        cellsChanged = cellsChanged || detail::Trim(second).size() != second.size();
        if (Col == 2)
            column.push_back(second);
    };
    bool eventsRan = false;
    // The first row, then runs of kRowsBetweenClockReads rows, each
    // followed by the host's events when they are due.
    for (std::int32_t k = 0; k < n && pair;) {
        const std::int32_t count = k == 0 ? 1 : std::min(kRowsBetweenClockReads, n - k);
        pair.col1->VisitEntries(k, count, checkFirst);
        pair.col2->VisitEntries(k, count, checkSecond);
        if (k + count == n) {
            p->lastRowText.assign(pair.col1->EntryText(n - 1));
            p->lastRowText += '\t';
            p->lastRowText += pair.col2->EntryText(n - 1);
            p->lastItemData = itemData.back();
        }
        k += count;
        if (k == 1) {
            desktop.DoEvents();
            if (!*alive)
                return;
        } else {
            eventsRan = eventsRan || desktop.TickCount() - lastPump >= kPumpIntervalMs;
            if (!pump())
                return;
        }
        pair = p->Pair();
        samePair = samePair && pair.col1 == readFrom.col1 && pair.col2 == readFrom.col2;
    }
    if (static_cast<std::int32_t>(itemData.size()) != n)
        return;
    // The rows as they stand after the events; copied (and trimmed, and
    // split at a tab) only when some cell changes or the list pair changed
    // while they were read.
    bool copied = false;
    const auto copyRows = [&] {
        col1.reserve(static_cast<std::size_t>(n));
        col2.reserve(static_cast<std::size_t>(n));
        for (std::int32_t k = 0; k < n; ++k) {
            std::string first(pair.col1->EntryText(k));
            std::string second(pair.col2->EntryText(k));
            const std::size_t tab = first.find('\t');
            if (tab != std::string::npos) {
                second = first.substr(tab + 1) + '\t' + second;
                first.erase(tab);
            }
            const std::string_view trimmed1 = detail::Trim(first);
            const std::string_view trimmed2 = detail::Trim(second);
            col1.push_back(trimmed1.size() == first.size() ? std::move(first) : std::string(trimmed1));
            col2.push_back(trimmed2.size() == second.size() ? std::move(second) : std::string(trimmed2));
        }
        copied = true;
    };
    if (!pair || pair.col1->ListCount() != n || pair.col2->ListCount() != n)
        return;
    if (cellsChanged || !samePair)
        copyRows();
    if (copied) {
        column.clear();
        for (const std::string& text : Col == 2 ? col2 : col1)
            column.emplace_back(text);
    } else if (eventsRan && Col != 3) {
        column.clear();
        (Col == 2 ? pair.col2 : pair.col1)->VisitEntries(0, n, [&](std::string_view text, std::int32_t) {
            column.push_back(text);
        });
    } else if (Col != 3) {
        // The first row was read before the events that always run then.
        column[0] = (Col == 2 ? pair.col2 : pair.col1)->EntryText(0);
    }
    // Before the host's events run while the rows are ordered, the rows are
    // copied: the events may take the lists away or change them.
    const std::function<bool()> pumpDuringSort = [&] {
        if (!copied && desktop.TickCount() - lastPump >= kPumpIntervalMs)
            copyRows();
        return pump();
    };

    std::mt19937 random(static_cast<std::uint32_t>(desktop.TickCount() / 1000 % 86400));

    bool finished = true;
    std::vector<std::int32_t>& order = scratch.order;
    if (Col == 3) {
        finished = Order<double>(
            n, [&](std::int32_t k) { return static_cast<double>(itemData[static_cast<std::size_t>(k)]); },
            scratch.numberItems, random, pumpDuringSort);
        RowsOf(scratch.numberItems, order);
    } else if (p->numericSort) {
        p->plainNumbers = column[0].find(',') == std::string_view::npos;
        // Converting throws Type mismatch for a text the locale cannot read;
        // the rows are still untouched then. A single row is never compared.
        if (n > 1) {
            detail::NumericKeys(column, p->plainNumbers, desktop.UserLocale(), scratch.numberKeys);
        } else {
            scratch.numberKeys.assign(1, 0);
        }
        finished = Order<double>(
            n, [&](std::int32_t k) { return scratch.numberKeys[static_cast<std::size_t>(k)]; }, scratch.numberItems,
            random, pumpDuringSort);
        RowsOf(scratch.numberItems, order);
    } else {
        detail::TextSortKeys(column, desktop.UserLocale(), scratch.textKeys);
        finished = Order<std::string_view>(
            n, [&](std::int32_t k) { return scratch.textKeys.At(static_cast<std::size_t>(k)); }, scratch.textItems,
            random, pumpDuringSort);
        RowsOf(scratch.textItems, order);
    }
    column.clear();
    if (!finished || !*alive)
        return;

    // Rebuild the pair in the new order; no events run from here on. The
    // rows hold the same texts as before unless trimming or a tab changed
    // some, so the duplicate-rule index is kept or rebuilt accordingly. The
    // texts move into the lists.
    std::vector<std::int32_t>& sortedData = scratch.sortedData;
    sortedData.clear();
    sortedData.reserve(order.size());
    for (std::int32_t k : order)
        sortedData.push_back(itemData[static_cast<std::size_t>(k)]);
    detail::RowIndex kept = std::move(p->rowIndex);
    // A list that fails half way must not leave the duplicate rule without
    // its index: the index is then rebuilt from whatever the lists hold.
    bool indexed = false;
    detail::ScopeExit reindex([&] {
        if (!indexed && *alive)
            detail::ContinueOnError([&] { p->RebuildRowIndex(); });
    });
    pair = p->Pair();
    if (pair && pair.col1->ListCount() == n && pair.col2->ListCount() == n) {
        // The rows are written over the old ones in their new order, which
        // leaves the lists as emptying and refilling them would, without
        // giving their entries back and taking them again. A row chosen in
        // the drop-down before the sort is another row now.
        if (p->HasDropDownStyle() && p->window)
            p->window->RowsCleared();
        pair.col1->ListIndex(-1);
        pair.col2->ListIndex(-1);
        p->lblCol1->Caption("");
        p->lblCol2->Caption("");
        p->txtCol1->Text("");
        p->txtCol2->Text("");
        p->currentRow = -1;
        p->topRow = 0;
        if (!cellsChanged) {
            // Only the order changed: the lists move their entries, numbers
            // and all, without copying a text.
            pair.col1->Reorder(order);
            pair.col2->Reorder(order);
        }
        // The rows are read in sorted order, scattered over memory: ask for
        // the ones a few steps ahead while moving this one.
        constexpr std::size_t kAhead = 8;
        for (std::int32_t k = 0; cellsChanged && k < n; ++k) {
            const auto at = static_cast<std::size_t>(k);
            if (at + kAhead < order.size()) {
                const auto ahead = static_cast<std::size_t>(order[at + kAhead]);
                __builtin_prefetch(&col1[ahead]);
                __builtin_prefetch(&col2[ahead]);
            }
            const auto row = static_cast<std::size_t>(order[at]);
            pair.col1->List(k, std::move(col1[row]));
            pair.col2->List(k, std::move(col2[row]));
            pair.col1->ItemData(k, sortedData[static_cast<std::size_t>(k)]);
        }
        pair.col1->TopIndex(0);
        pair.col2->TopIndex(0);
    } else {
        // No event ran since the rows were read unless they were copied
        // first, so the lists read are still there to copy from.
        if (!copied) {
            pair = readFrom;
            copyRows();
        }
        p->ClearRows();
        pair = p->Pair();
        if (!pair)
            return;
        for (std::size_t k = 0; k < order.size(); ++k) {
            const auto row = static_cast<std::size_t>(order[k]);
            pair.col1->AddItem(std::move(col1[row]), sortedData[k]);
            pair.col2->AddItem(std::move(col2[row]));
        }
        cellsChanged = true;
    }
    if (!cellsChanged) {
        p->rowIndex = std::move(kept);
        indexed = true;
    }
}

}  // namespace korvane

// Sorting the rows by column 1, column 2 or item number, as text (case
// ignored) or as numbers. The rows are copied out of the list pair with
// their cells trimmed, ordered by a quicksort with random pivots (so rows
// with equal keys come out in no fixed order), and appended again. While it
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
constexpr std::uint32_t kStepsBetweenClockReads = 512;

// The quicksort over prepared keys. Each call picks a random pivot and
// splits its range into keys below, equal to and above it; only the smaller
// side recurses, so the depth stays logarithmic whatever the keys.
template <typename Key>
class QuickSort {
public:
    QuickSort(std::vector<Key>& keys, std::vector<std::int32_t>& order, std::mt19937& random,
              const std::function<bool()>& pump)
        : keys_(keys), order_(order), random_(random), pump_(pump) {}

    // False when the pump reported that the control is gone.
    bool Run() {
        if (order_.empty())
            return true;
        return Sort(0, static_cast<std::int32_t>(order_.size()) - 1);
    }

private:
    const Key& key(std::int32_t i) const {
        return keys_[static_cast<std::size_t>(order_[static_cast<std::size_t>(i)])];
    }
    void swap(std::int32_t a, std::int32_t b) {
        std::swap(order_[static_cast<std::size_t>(a)], order_[static_cast<std::size_t>(b)]);
    }
    bool Step() {
        if (++steps_ % kStepsBetweenClockReads != 0)
            return true;
        return pump_();
    }

    bool Sort(std::int32_t lo, std::int32_t hi) {
        while (lo < hi) {
            if (hi - lo == 1) {
                if (key(hi) < key(lo))
                    swap(lo, hi);  // equal keys are not exchanged
                return true;
            }
            std::uniform_real_distribution<double> uniform(0.0, 1.0);
            auto pivotPosition = lo + static_cast<std::int32_t>(uniform(random_) * (hi - lo + 1));
            if (pivotPosition > hi)
                pivotPosition = hi;
            swap(hi, pivotPosition);
            const Key pivot = key(hi);
            // [lo, lt) below, [lt, i) equal, (gt, hi] above.
            std::int32_t lt = lo;
            std::int32_t gt = hi;
            std::int32_t i = lo;
            while (i <= gt) {
                if (!Step())
                    return false;
                if (key(i) < pivot) {
                    swap(lt++, i++);
                } else if (pivot < key(i)) {
                    swap(i, gt--);
                } else {
                    ++i;
                }
            }
            if (lt - lo < hi - gt) {
                if (!Sort(lo, lt - 1))
                    return false;
                lo = gt + 1;
            } else {
                if (!Sort(gt + 1, hi))
                    return false;
                hi = lt - 1;
            }
        }
        return true;
    }

    std::vector<Key>& keys_;
    std::vector<std::int32_t>& order_;
    std::mt19937& random_;
    const std::function<bool()>& pump_;
    std::uint32_t steps_ = 0;
};

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
        }
        desktop.MousePointer(tk::pointer::Default);
    });
    Enabled(false);
    p->numericSort = OnNumeric || Col == 3;

    // Copy the rows out, trimmed, letting the host's events run once a row.
    std::vector<std::string> col1;
    std::vector<std::string> col2;
    std::vector<std::int32_t> itemData;
    col1.reserve(static_cast<std::size_t>(n));
    col2.reserve(static_cast<std::size_t>(n));
    itemData.reserve(static_cast<std::size_t>(n));
    for (std::int32_t k = 0; k < n; ++k) {
        const std::string text = p->RowText(k);
        const std::size_t tab = text.find('\t');
        col1.emplace_back(detail::Trim(std::string_view(text).substr(0, tab)));
        col2.emplace_back(tab == std::string::npos ? std::string_view()
                                                   : detail::Trim(std::string_view(text).substr(tab + 1)));
        itemData.push_back(p->RowItemData(k));
        desktop.DoEvents();
        if (!*alive)
            return;
    }

    std::mt19937 random(static_cast<std::uint32_t>(desktop.TickCount() / 1000 % 86400));
    std::int64_t lastPump = desktop.TickCount();
    const std::function<bool()> pump = [&] {
        const std::int64_t now = desktop.TickCount();
        if (now - lastPump < kPumpIntervalMs)
            return true;
        lastPump = now;
        desktop.DoEvents();
        return *alive;
    };

    std::vector<std::int32_t> order(static_cast<std::size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    const std::vector<std::string>& column = Col == 2 ? col2 : col1;
    bool finished = true;
    if (Col == 3) {
        std::vector<double> keys(itemData.begin(), itemData.end());
        finished = QuickSort<double>(keys, order, random, pump).Run();
    } else if (p->numericSort) {
        p->plainNumbers = column[0].find(',') == std::string::npos;
        // Converting throws Type mismatch for a text the locale cannot read;
        // the rows are still untouched then.
        std::vector<double> keys =
            n > 1 ? detail::NumericKeys(column, p->plainNumbers, desktop.UserLocale()) : std::vector<double>{0};
        finished = QuickSort<double>(keys, order, random, pump).Run();
    } else {
        std::vector<std::string> keys = detail::TextSortKeys(column, desktop.UserLocale());
        finished = QuickSort<std::string>(keys, order, random, pump).Run();
    }
    if (!finished || !*alive)
        return;

    // Rebuild the pair in the new order; no events run from here on.
    p->sortCol1.clear();
    p->sortCol2.clear();
    p->sortItemData.clear();
    for (std::int32_t k : order) {
        p->sortCol1.push_back(std::move(col1[static_cast<std::size_t>(k)]));
        p->sortCol2.push_back(std::move(col2[static_cast<std::size_t>(k)]));
        p->sortItemData.push_back(itemData[static_cast<std::size_t>(k)]);
    }
    p->ClearRows();
    for (std::size_t k = 0; k < p->sortCol1.size(); ++k)
        p->AppendRow(p->sortCol1[k], p->sortCol2[k], p->sortItemData[k]);
}

}  // namespace korvane

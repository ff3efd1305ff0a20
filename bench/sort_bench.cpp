// Sorting 32767 random rows by column 1, as text and as numbers, beside
// std::sort on the same prepared keys with the same comparison, and beside
// the plain algorithm that restarts its scans after every exchange,
// compares texts afresh and converts numbers at every comparison, and lets
// events run at every scan step.
#include <benchmark/benchmark.h>
#include <unicode/coll.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "bench_rows.h"
#include "control/sort_keys.h"
#include "korvane/toolkit/headless.h"
#include "korvane/ucvKorvane.h"

namespace {

using korvane::StyleType;
using korvane::ucvKorvane;
using korvane::tk::headless::HeadlessDesktop;

constexpr int kRows = 32767;

const korvane::bench::SortRows& SampleRows() {
    return korvane::bench::RandomSortRows();
}

// A Simple Combo holding the rows, refilled before each measured sort.
struct Filled {
    HeadlessDesktop desktop;
    std::unique_ptr<korvane::tk::Form> form = desktop.CreateForm("Form1");
    std::unique_ptr<ucvKorvane> ctl;
    explicit Filled(const std::vector<std::string>& column) {
        ctl = std::make_unique<ucvKorvane>(*form);
        korvane::tk::MemoryPropertyBag bag;
        bag.Set("Style", static_cast<std::int32_t>(StyleType::SimpleCombo));
        ctl->ReadProperties(bag);
        Refill(column);
    }
    void Refill(const std::vector<std::string>& column) {
        ctl->Clear();
        for (int i = 0; i < kRows; ++i)
            ctl->AddItem(column[i], std::to_string(i), i);
    }
};

void ControlSort(benchmark::State& state, const std::vector<std::string>& column, bool numeric) {
    Filled filled(column);
    for (auto _ : state) {
        state.PauseTiming();
        filled.Refill(column);
        state.ResumeTiming();
        filled.ctl->Sort(1, numeric);
    }
}

void BM_ControlSortText(benchmark::State& state) {
    ControlSort(state, SampleRows().words, false);
}
void BM_ControlSortNumbers(benchmark::State& state) {
    ControlSort(state, SampleRows().numbers, true);
}

// std::sort over (key, row) pairs made from the prepared keys: the same
// items and the same comparison the control's quicksort works on.
template <typename Key, typename KeyOf>
void StdSort(benchmark::State& state, std::size_t n, const KeyOf& keyOf) {
    for (auto _ : state) {
        std::vector<std::pair<Key, std::int32_t>> items(n);
        for (std::size_t k = 0; k < n; ++k)
            items[k] = {keyOf(k), static_cast<std::int32_t>(k)};
        std::sort(items.begin(), items.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        benchmark::DoNotOptimize(items.data());
    }
}

void BM_StdSortTextKeys(benchmark::State& state) {
    const auto keys = korvane::detail::TextSortKeys(SampleRows().words, "en_US");
    StdSort<std::string_view>(state, keys.Size(), [&](std::size_t k) { return keys.At(k); });
}
void BM_StdSortNumberKeys(benchmark::State& state) {
    const auto keys = korvane::detail::NumericKeys(SampleRows().numbers, true, "en_US");
    StdSort<double>(state, keys.size(), [&](std::size_t k) { return keys[k]; });
}

// --- the plain algorithm ---------------------------------------------------------------

template <typename Less>
void PlainQuickSort(std::vector<std::int32_t>& a, std::int32_t lo, std::int32_t hi, std::mt19937& random,
                    const Less& less, HeadlessDesktop& desktop) {
    if (lo >= hi)
        return;
    if (hi - lo == 1) {
        if (less(a[hi], a[lo]))
            std::swap(a[lo], a[hi]);
        return;
    }
    std::uniform_real_distribution<double> uniform(0, 1);
    std::int32_t pivot = lo + static_cast<std::int32_t>(uniform(random) * (hi - lo + 1));
    std::swap(a[hi], a[pivot]);
    const std::int32_t p = a[hi];
    std::int32_t i, j;
    do {
        i = lo;
        j = hi;
        while (!less(p, a[i]) && i < j) {
            desktop.DoEvents();
            ++i;
        }
        while (!less(a[j], p) && j > i) {
            desktop.DoEvents();
            --j;
        }
        if (i < j)
            std::swap(a[i], a[j]);
    } while (i < j);
    std::swap(a[i], a[hi]);
    if (i - lo < hi - i) {
        PlainQuickSort(a, lo, i - 1, random, less, desktop);
        PlainQuickSort(a, i + 1, hi, random, less, desktop);
    } else {
        PlainQuickSort(a, i + 1, hi, random, less, desktop);
        PlainQuickSort(a, lo, i - 1, random, less, desktop);
    }
}

void BM_PlainSortText(benchmark::State& state) {
    const auto& words = SampleRows().words;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> collator(icu::Collator::createInstance(icu::Locale("en_US"), status));
    collator->setStrength(icu::Collator::SECONDARY);
    HeadlessDesktop desktop;
    auto less = [&](std::int32_t a, std::int32_t b) {
        UErrorCode s = U_ZERO_ERROR;
        return collator->compareUTF8(words[a], words[b], s) == UCOL_LESS;
    };
    for (auto _ : state) {
        std::vector<std::int32_t> order(words.size());
        std::iota(order.begin(), order.end(), 0);
        std::mt19937 random(1);
        PlainQuickSort(order, 0, static_cast<std::int32_t>(order.size()) - 1, random, less, desktop);
    }
}

void BM_PlainSortNumbers(benchmark::State& state) {
    const auto& numbers = SampleRows().numbers;
    HeadlessDesktop desktop;
    auto less = [&](std::int32_t a, std::int32_t b) {
        return korvane::detail::LeadingNumber(numbers[a]) < korvane::detail::LeadingNumber(numbers[b]);
    };
    for (auto _ : state) {
        std::vector<std::int32_t> order(numbers.size());
        std::iota(order.begin(), order.end(), 0);
        std::mt19937 random(1);
        PlainQuickSort(order, 0, static_cast<std::int32_t>(order.size()) - 1, random, less, desktop);
    }
}

}  // namespace

BENCHMARK(BM_StdSortTextKeys)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ControlSortText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdSortNumberKeys)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ControlSortNumbers)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainSortText)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PlainSortNumbers)->Unit(benchmark::kMillisecond)->Iterations(1);

namespace {
void BM_PrepareTextKeys(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(korvane::detail::TextSortKeys(SampleRows().words, "en_US"));
}
void BM_PrepareNumberKeys(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(korvane::detail::NumericKeys(SampleRows().numbers, true, "en_US"));
}
}  // namespace
BENCHMARK(BM_PrepareTextKeys)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PrepareNumberKeys)->Unit(benchmark::kMillisecond);

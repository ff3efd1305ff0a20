// Rows at scale on the headless desktop, each beside the limit it is held
// to in the same run: filling, sorting, removing from the front, the back
// and random places, clearing and ListIndex writes at 1000 to 32767 rows
// (the growth table), the heap each row takes, the inputs that break naive
// structures, and use that must not grow the heap.
//
// Heap figures come from mallinfo2 (bytes in use, mapped blocks included)
// and are reported as counters: heap_B_per_row after a fill, heap_growth_B
// between the first thousand uses and the end.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <deque>
#include <memory>
#include <numeric>
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

using korvane::bench::HeapInUse;
using korvane::bench::PlainRows;
using korvane::bench::RandomSortRows;
using korvane::bench::RemoveEach;
using korvane::bench::Sizes;
using korvane::bench::Texts;
using korvane::bench::Where;

// Random words of mixed case in column 1, as the sort benchmark uses.
const Texts& WordRows() {
    static const Texts rows{RandomSortRows().words, RandomSortRows().rowNumbers};
    return rows;
}

// Random decimal numbers in column 1.
const Texts& NumberRows() {
    static const Texts rows{RandomSortRows().numbers, RandomSortRows().rowNumbers};
    return rows;
}

// A Simple Combo on its own form; its rows are the control's list pair.
struct Box {
    HeadlessDesktop desktop;
    std::unique_ptr<korvane::tk::Form> form = desktop.CreateForm("Form1");
    std::unique_ptr<ucvKorvane> ctl;
    explicit Box(StyleType style = StyleType::SimpleCombo) {
        ctl = std::make_unique<ucvKorvane>(*form);
        korvane::tk::MemoryPropertyBag bag;
        bag.Set("Style", static_cast<std::int32_t>(style));
        ctl->ReadProperties(bag);
    }
    void Fill(const Texts& rows, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i)
            ctl->AddItem(rows.col1[i], rows.col2[i], static_cast<std::int32_t>(i));
    }
};

// --- fill --------------------------------------------------------------------------------

void BM_Fill(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const Texts& rows = PlainRows();
    double perRow = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto box = std::make_unique<Box>();
        const std::size_t before = HeapInUse();
        state.ResumeTiming();
        box->Fill(rows, n);
        state.PauseTiming();
        perRow = static_cast<double>(HeapInUse() - before) / static_cast<double>(n);
        box.reset();
        state.ResumeTiming();
    }
    state.counters["heap_B_per_row"] = perRow;
}
BENCHMARK(BM_Fill)->Apply(Sizes);

// The limit: both columns' texts pushed onto one std::vector<std::string>.
void BM_FillLimitVectorPush(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const Texts& rows = PlainRows();
    double perRow = 0;
    for (auto _ : state) {
        // Reading the heap figure walks the allocator's free lists: not part
        // of pushing the texts.
        state.PauseTiming();
        const std::size_t before = HeapInUse();
        state.ResumeTiming();
        std::vector<std::string> texts;
        for (std::size_t i = 0; i < n; ++i) {
            texts.push_back(rows.col1[i]);
            texts.push_back(rows.col2[i]);
        }
        benchmark::DoNotOptimize(texts.data());
        state.PauseTiming();
        perRow = static_cast<double>(HeapInUse() - before) / static_cast<double>(n);
        texts = {};
        state.ResumeTiming();
    }
    state.counters["heap_B_per_row"] = perRow;
}
BENCHMARK(BM_FillLimitVectorPush)->Apply(Sizes);

// --- sort --------------------------------------------------------------------------------

// The control's sort of column 1 after a fresh fill, keys made included.
void SortColumn1(benchmark::State& state, const Texts& rows, bool asNumbers) {
    const auto n = static_cast<std::size_t>(state.range(0));
    Box box;
    for (auto _ : state) {
        state.PauseTiming();
        box.ctl->Clear();
        box.Fill(rows, n);
        state.ResumeTiming();
        box.ctl->Sort(1, asNumbers);
    }
}

void BM_SortText(benchmark::State& state) {
    SortColumn1(state, WordRows(), false);
}
BENCHMARK(BM_SortText)->Apply(Sizes);

// The limit: std::sort over (key, row) pairs of the prepared collation keys.
void BM_SortLimitStdSortTextKeys(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const std::vector<std::string> words(WordRows().col1.begin(), WordRows().col1.begin() + static_cast<long>(n));
    const auto keys = korvane::detail::TextSortKeys(words, "en_US");
    for (auto _ : state) {
        std::vector<std::pair<std::string_view, std::int32_t>> items(n);
        for (std::size_t k = 0; k < n; ++k)
            items[k] = {keys.At(k), static_cast<std::int32_t>(k)};
        std::sort(items.begin(), items.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        benchmark::DoNotOptimize(items.data());
    }
}
BENCHMARK(BM_SortLimitStdSortTextKeys)->Apply(Sizes);

void BM_SortNumbers(benchmark::State& state) {
    SortColumn1(state, NumberRows(), true);
}
BENCHMARK(BM_SortNumbers)->Apply(Sizes);

// The limit: std::sort over (number, row) pairs of the converted numbers.
void BM_SortLimitStdSortNumberKeys(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const std::vector<std::string> numbers(NumberRows().col1.begin(), NumberRows().col1.begin() + static_cast<long>(n));
    const auto keys = korvane::detail::NumericKeys(numbers, true, "en_US");
    for (auto _ : state) {
        std::vector<std::pair<double, std::int32_t>> items(n);
        for (std::size_t k = 0; k < n; ++k)
            items[k] = {keys[k], static_cast<std::int32_t>(k)};
        std::sort(items.begin(), items.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        benchmark::DoNotOptimize(items.data());
    }
}
BENCHMARK(BM_SortLimitStdSortNumberKeys)->Apply(Sizes);

// --- removing ------------------------------------------------------------------------------

void Remove(benchmark::State& state, Where where) {
    const auto n = static_cast<std::size_t>(state.range(0));
    Box box;
    for (auto _ : state) {
        state.PauseTiming();
        box.ctl->Clear();
        box.Fill(PlainRows(), n);
        state.ResumeTiming();
        RemoveEach(static_cast<std::int32_t>(n), where, [&](std::int32_t at) { box.ctl->RemoveItem(at); });
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
void BM_RemoveFront(benchmark::State& state) {
    Remove(state, Where::Front);
}
void BM_RemoveBack(benchmark::State& state) {
    Remove(state, Where::Back);
}
void BM_RemoveRandom(benchmark::State& state) {
    Remove(state, Where::Random);
}
BENCHMARK(BM_RemoveFront)->Apply(Sizes);
BENCHMARK(BM_RemoveBack)->Apply(Sizes);
BENCHMARK(BM_RemoveRandom)->Apply(Sizes);

// The limit: two std::deque<std::string> emptied from the front.
void BM_RemoveLimitDequeFront(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const Texts& rows = PlainRows();
    for (auto _ : state) {
        state.PauseTiming();
        std::deque<std::string> col1(rows.col1.begin(), rows.col1.begin() + static_cast<long>(n));
        std::deque<std::string> col2(rows.col2.begin(), rows.col2.begin() + static_cast<long>(n));
        state.ResumeTiming();
        while (!col1.empty()) {
            col1.pop_front();
            col2.pop_front();
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_RemoveLimitDequeFront)->Apply(Sizes);

// --- clear and ListIndex --------------------------------------------------------------------

void BM_Clear(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    Box box;
    for (auto _ : state) {
        state.PauseTiming();
        box.Fill(PlainRows(), n);
        state.ResumeTiming();
        box.ctl->Clear();
    }
}
BENCHMARK(BM_Clear)->Apply(Sizes);

// One write of ListIndex, alternating between the first row and the last.
void BM_ListIndex(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    Box box;
    box.Fill(PlainRows(), n);
    const auto last = static_cast<std::int32_t>(n - 1);
    std::int32_t k = 0;
    for (auto _ : state)
        box.ctl->ListIndex((++k & 1) ? last : 0);
}
BENCHMARK(BM_ListIndex)->Arg(1000)->Arg(4000)->Arg(16000)->Arg(32767)->Unit(benchmark::kMicrosecond);

// --- bad input ------------------------------------------------------------------------------

// Fills 32767 rows from `make(i)` pairs; heap per row as a counter.
template <typename Make>
void FillFrom(benchmark::State& state, const Make& make) {
    constexpr std::int32_t kRows = korvane::tk::ListBox::MaxEntries;
    Texts rows;
    for (std::int32_t i = 0; i < kRows; ++i) {
        auto [a, b] = make(i);
        rows.col1.push_back(std::move(a));
        rows.col2.push_back(std::move(b));
    }
    double perRow = 0;
    std::int32_t count = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto box = std::make_unique<Box>();
        const std::size_t before = HeapInUse();
        state.ResumeTiming();
        box->Fill(rows, kRows);
        state.PauseTiming();
        perRow = static_cast<double>(HeapInUse() - before) / kRows;
        count = box->ctl->ListCount();
        box.reset();
        state.ResumeTiming();
    }
    state.counters["heap_B_per_row"] = perRow;
    state.counters["rows"] = count;
}

void BM_BadFillColumn1AllEqual(benchmark::State& state) {
    FillFrom(state, [](std::int32_t i) { return std::pair{std::string("Same"), "Row " + std::to_string(i)}; });
}
BENCHMARK(BM_BadFillColumn1AllEqual)->Unit(benchmark::kMillisecond);

// Every column-1 text is one word in another mix of capitals.
void BM_BadFillOnlyCaseDiffers(benchmark::State& state) {
    FillFrom(state, [](std::int32_t i) {
        std::string word = "abcdefghijklmnop";
        for (int bit = 0; bit < 16; ++bit)
            if (i & (1 << bit))
                word[static_cast<std::size_t>(bit)] = static_cast<char>(word[static_cast<std::size_t>(bit)] - 32);
        return std::pair{word, "Row " + std::to_string(i)};
    });
}
BENCHMARK(BM_BadFillOnlyCaseDiffers)->Unit(benchmark::kMillisecond);

// Column-1 texts of one letter followed by a different run of combining
// marks each (U+0300 to U+0303).
void BM_BadFillOnlyCombiningMarksDiffer(benchmark::State& state) {
    FillFrom(state, [](std::int32_t i) {
        std::string text = "e";
        for (int digit = 0; digit < 8; ++digit) {
            text += '\xCC';
            text += static_cast<char>(0x80 + ((i >> (2 * digit)) & 3));
        }
        return std::pair{text, std::string("same")};
    });
}
BENCHMARK(BM_BadFillOnlyCombiningMarksDiffer)->Unit(benchmark::kMillisecond);

// 32767 rows whose column 1 holds 64 KiB each: text_B_per_row beside
// heap_B_per_row shows what the rows cost beyond their texts.
void BM_BadFill64KiBTexts(benchmark::State& state) {
    constexpr std::int32_t kRows = korvane::tk::ListBox::MaxEntries;
    constexpr std::size_t kBytes = 64 * 1024;
    std::string text(kBytes, 'x');
    double perRow = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto box = std::make_unique<Box>();
        const std::size_t before = HeapInUse();
        state.ResumeTiming();
        for (std::int32_t i = 0; i < kRows; ++i) {
            const std::string number = std::to_string(i);
            text.replace(0, number.size(), number);
            box->ctl->AddItem(text, number, i);
        }
        state.PauseTiming();
        perRow = static_cast<double>(HeapInUse() - before) / kRows;
        box.reset();
        state.ResumeTiming();
    }
    state.counters["heap_B_per_row"] = perRow;
    state.counters["text_B_per_row"] = static_cast<double>(kBytes);
}
BENCHMARK(BM_BadFill64KiBTexts)->Unit(benchmark::kMillisecond)->Iterations(1);

// A row added at the end and one removed in the middle of 1000, 10^6 times.
void BM_BadAddRemoveOnePlace1e6(benchmark::State& state) {
    const Texts& rows = PlainRows();
    double growth = 0;
    for (auto _ : state) {
        Box box;
        box.Fill(rows, 1000);
        std::size_t settled = 0;
        for (std::int32_t k = 0; k < 1000000; ++k) {
            const auto i = static_cast<std::size_t>(1000 + k % 30000);
            box.ctl->AddItem(rows.col1[i], rows.col2[i], k);
            box.ctl->RemoveItem(500);
            if (k == 1000)
                settled = HeapInUse();
        }
        growth = static_cast<double>(HeapInUse()) - static_cast<double>(settled);
    }
    state.counters["heap_growth_B"] = growth;
}
BENCHMARK(BM_BadAddRemoveOnePlace1e6)->Unit(benchmark::kMillisecond)->Iterations(1);

// Typing into the column-1 field of a Dropdown Combo, one key at a time;
// linear typing costs the same per character at every length.
void BM_TypeIntoField(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const std::string keys(n, 'k');
    for (auto _ : state) {
        state.PauseTiming();
        Box box(StyleType::DropdownCombo);
        box.form->Show();
        box.desktop.Find("Form1.KorvaneBox1.txtCol1")->SetFocus();
        state.ResumeTiming();
        box.desktop.Type(keys);
        state.PauseTiming();
        box.ctl.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_TypeIntoField)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond);

// --- no growth with use -------------------------------------------------------------------

// Runs `use` `times` times; heap_growth_B is what the heap gained after the
// first thousand.
template <typename Use>
void Growth(benchmark::State& state, std::int32_t times, const Use& use) {
    double growth = 0;
    for (auto _ : state) {
        std::size_t settled = 0;
        for (std::int32_t k = 0; k < times; ++k) {
            use(k);
            if (k == 1000)
                settled = HeapInUse();
        }
        growth = static_cast<double>(HeapInUse()) - static_cast<double>(settled);
    }
    state.counters["heap_growth_B"] = growth;
}

void BM_UseListIndexWrites1e6(benchmark::State& state) {
    Box box;
    box.Fill(PlainRows(), 1000);
    Growth(state, 1000000, [&](std::int32_t k) { box.ctl->ListIndex(k % 1000); });
}
BENCHMARK(BM_UseListIndexWrites1e6)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_UseDropDownOpenClose1e5(benchmark::State& state) {
    Box box(StyleType::DropdownCombo);
    box.Fill(PlainRows(), 100);
    box.form->Show();
    korvane::tk::Widget* button = box.desktop.Find("Form1.KorvaneBox1.imgCombo");
    Growth(state, 100000, [&](std::int32_t) {
        box.desktop.ClickAt(*button, 90, 90);
        box.desktop.PressKey(korvane::tk::key::Escape);
        box.desktop.Advance(100);
    });
}
BENCHMARK(BM_UseDropDownOpenClose1e5)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_UseSorts1e4(benchmark::State& state) {
    Box box;
    box.Fill(WordRows(), 100);
    Growth(state, 10000, [&](std::int32_t k) { box.ctl->Sort(static_cast<std::int16_t>(1 + k % 2), k % 2 == 1); });
}
BENCHMARK(BM_UseSorts1e4)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

// The usual console lines, then the growth table of this file's works and
// the side-by-side figures of the fill and sort benchmarks.
int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    korvane::bench::GrowthTable table(
        {
            {"fill", "BM_Fill", "BM_FillLimitVectorPush"},
            {"sort text", "BM_SortText", "BM_SortLimitStdSortTextKeys"},
            {"sort numbers", "BM_SortNumbers", "BM_SortLimitStdSortNumberKeys"},
            {"remove front", "BM_RemoveFront", "BM_RemoveLimitDequeFront"},
            {"remove back", "BM_RemoveBack", nullptr},
            {"remove random", "BM_RemoveRandom", nullptr},
            {"clear", "BM_Clear", nullptr},
            {"ListIndex", "BM_ListIndex", nullptr},
            {"fill 32767", "BM_FillSimpleCombo", "BM_AppendToVector"},
            {"sort text 32767", "BM_ControlSortText", "BM_StdSortTextKeys"},
            {"sort nums 32767", "BM_ControlSortNumbers", "BM_StdSortNumberKeys"},
        },
        "its limit (std::vector push, std::sort on the prepared keys, std::deque pop_front)");
    benchmark::RunSpecifiedBenchmarks(&table);
    benchmark::Shutdown();
    return 0;
}

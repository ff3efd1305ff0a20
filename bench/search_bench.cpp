// Find as you type on the headless desktop: each keystroke of a query of 1
// to 6 letters typed into a Simple Combo's field, from the key to the
// lists' view updated, at 1000 to 32767 rows in each search mode, with the
// index's heap a row and the heap a keystroke leaves behind as counters.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "bench_rows.h"
#include "korvane/toolkit/headless.h"
#include "korvane/ucvKorvane.h"

namespace {

using korvane::StyleType;
using korvane::ucvKorvane;
using korvane::bench::HeapInUse;
using korvane::bench::SearchQueries;
using korvane::bench::SearchRows;
using korvane::tk::headless::HeadlessDesktop;

struct SearchBox {
    HeadlessDesktop desktop;
    std::unique_ptr<korvane::tk::Form> form = desktop.CreateForm("Form1");
    std::unique_ptr<ucvKorvane> ctl;
    korvane::tk::TextBox* field = nullptr;

    explicit SearchBox(std::int32_t n) {
        ctl = std::make_unique<ucvKorvane>(*form);
        korvane::tk::MemoryPropertyBag bag;
        bag.Set("Style", static_cast<std::int32_t>(StyleType::SimpleCombo));
        ctl->ReadProperties(bag);
        form->Show();
        const auto& rows = SearchRows();
        for (std::int32_t i = 0; i < n; ++i)
            ctl->AddItem(rows.col1[static_cast<std::size_t>(i)], rows.col2[static_cast<std::size_t>(i)], i);
        field = dynamic_cast<korvane::tk::TextBox*>(desktop.Find("Form1.KorvaneBox1.txtCol1"));
        field->SetFocus();
    }
};

// One iteration types the six letters of "müller" one key at a time (each
// key is a keystroke: KeyDown, KeyPress, the field's change, the search and
// the view); the field is emptied between iterations, untimed.
void Keystrokes(benchmark::State& state, std::int16_t mode) {
    const auto n = static_cast<std::int32_t>(state.range(0));
    SearchBox box(n);
    const std::size_t before = HeapInUse();
    box.ctl->SearchMode(mode);
    box.desktop.Type("m");  // the index is built on the first search
    const std::size_t indexed = HeapInUse();
    box.field->Text("");
    const std::string& query = SearchQueries().back();
    std::size_t heapAfterFirst = 0;
    std::int64_t keys = 0;
    for (auto _ : state) {
        box.desktop.Type(query);
        keys += 6;
        state.PauseTiming();
        if (heapAfterFirst == 0)
            heapAfterFirst = HeapInUse();
        benchmark::DoNotOptimize(box.ctl->SearchMatches());
        box.field->Text("");
        state.ResumeTiming();
    }
    state.counters["per_key"] =
        benchmark::Counter(static_cast<double>(keys), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["index_B_per_row"] = static_cast<double>(indexed - before) / n;
    state.counters["heap_growth_B"] = static_cast<double>(HeapInUse()) - static_cast<double>(heapAfterFirst);
    state.counters["matches_6_letters"] = [&] {
        box.desktop.Type(query);
        return static_cast<double>(box.ctl->SearchMatches());
    }();
}

void BM_SearchStartsWithSixKeys(benchmark::State& state) {
    Keystrokes(state, 1);
}
void BM_SearchContainsSixKeys(benchmark::State& state) {
    Keystrokes(state, 2);
}
void BM_SearchWordsSixKeys(benchmark::State& state) {
    Keystrokes(state, 3);
}

void SearchSizes(benchmark::internal::Benchmark* b) {
    for (int n : {1000, 4000, 16000, 32767})
        b->Arg(n);
    b->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_SearchStartsWithSixKeys)->Apply(SearchSizes);
BENCHMARK(BM_SearchContainsSixKeys)->Apply(SearchSizes);
BENCHMARK(BM_SearchWordsSixKeys)->Apply(SearchSizes);

// One keystroke at a time: the key that makes the query `length` letters
// long (the letters before it typed untimed), at 32767 rows in each mode,
// so the slowest key shows, not only the mean.
void OneKey(benchmark::State& state) {
    const auto mode = static_cast<std::int16_t>(state.range(0));
    const auto length = static_cast<std::size_t>(state.range(1));
    SearchBox box(korvane::tk::ListBox::MaxEntries);
    box.ctl->SearchMode(mode);
    const std::string& query = SearchQueries()[length - 1];
    const std::string& before = length > 1 ? SearchQueries()[length - 2] : std::string();
    const std::string last = query.substr(before.size());
    for (auto _ : state) {
        state.PauseTiming();
        box.field->Text("");
        box.desktop.Type(before);
        state.ResumeTiming();
        box.desktop.Type(last);
    }
    state.counters["matches"] = static_cast<double>(box.ctl->SearchMatches());
}
BENCHMARK(OneKey)
    ->ArgNames({"mode", "letters"})
    ->ArgsProduct({{1, 2, 3}, {1, 2, 3, 4, 5, 6}})
    ->Unit(benchmark::kMicrosecond)
    ->Name("BM_SearchOneKeyAt32767");

// Keeping the index in step: every row removed from the front, one by one,
// after a search built the index (mode 2), beside the same with no search
// (mode 0). A removal near the top makes the index stale (it is made again
// at the next search), one near the end takes the row out in place.
void RemoveAllFromFront(benchmark::State& state) {
    const auto mode = static_cast<std::int16_t>(state.range(0));
    const auto n = static_cast<std::int32_t>(state.range(1));
    for (auto _ : state) {
        state.PauseTiming();
        SearchBox box(n);
        box.ctl->SearchMode(mode);
        box.desktop.Type("m");
        box.field->Text("");
        state.ResumeTiming();
        for (std::int32_t left = n; left > 0; --left)
            box.ctl->RemoveItem(0);
        state.PauseTiming();
        box.ctl.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(RemoveAllFromFront)
    ->ArgNames({"mode", "rows"})
    ->ArgsProduct({{0, 2}, {1000, 32767}})
    ->Unit(benchmark::kMillisecond)
    ->Name("BM_SearchRemoveAllFromFront");

// The first key after the host removed a row near the top: the index is
// made again from the lists, then searched (mode 2).
void KeyAfterRemoval(benchmark::State& state) {
    const auto n = static_cast<std::int32_t>(state.range(0));
    SearchBox box(n - 1);
    box.ctl->SearchMode(2);
    box.desktop.Type("m");
    std::int32_t added = 0;
    for (auto _ : state) {
        state.PauseTiming();
        box.field->Text("");
        box.ctl->AddItem("X-" + std::to_string(++added), "Anna Müller, Köln", -1);
        box.ctl->RemoveItem(0);
        state.ResumeTiming();
        box.desktop.Type("m");
    }
}
BENCHMARK(KeyAfterRemoval)->Arg(1000)->Arg(32767)->Unit(benchmark::kMillisecond)->Name("BM_SearchKeyAfterRemoval");

// The first keys after a sort (mode 2, a 3-letter query): the index moved
// its rows with the sort, so the keys only search; the sort itself is not
// timed.
void KeyAfterSort(benchmark::State& state) {
    const auto n = static_cast<std::int32_t>(state.range(0));
    SearchBox box(n);
    box.ctl->SearchMode(2);
    const std::string& query = SearchQueries()[2];
    box.desktop.Type(query);
    std::int16_t column = 1;
    for (auto _ : state) {
        state.PauseTiming();
        box.field->Text("");
        column = column == 1 ? 2 : 1;
        box.ctl->Sort(column);
        box.field->SetFocus();  // the sort disabled the control, which took the focus away
        state.ResumeTiming();
        box.desktop.Type(query);
    }
    state.counters["matches"] = static_cast<double>(box.ctl->SearchMatches());
}
BENCHMARK(KeyAfterSort)
    ->Arg(1000)
    ->Arg(32767)
    ->Iterations(30)  // each runs a sort untimed first
    ->Unit(benchmark::kMillisecond)
    ->Name("BM_SearchKeyAfterSort");

// Mode 0 costs nothing: typing the same keys with no search, the baseline.
void BM_SearchOffSixKeys(benchmark::State& state) {
    Keystrokes(state, 0);
}
BENCHMARK(BM_SearchOffSixKeys)->Apply(SearchSizes);

}  // namespace

// Filling a Simple Combo with 32767 distinct rows, beside appending the same
// strings to a std::vector<std::string>: the duplicate rule must not make
// filling cost more than a small multiple of storing the texts.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "bench_rows.h"
#include "korvane/toolkit/headless.h"
#include "korvane/ucvKorvane.h"

namespace {

using korvane::StyleType;
using korvane::ucvKorvane;
using korvane::tk::headless::HeadlessDesktop;

constexpr int kRows = 32767;

using korvane::bench::Texts;

const Texts& SampleRows() {
    return korvane::bench::PlainRows();
}

void BM_FillSimpleCombo(benchmark::State& state) {
    const Texts& rows = SampleRows();
    HeadlessDesktop desktop;
    auto form = desktop.CreateForm("Form1");
    for (auto _ : state) {
        // Each fill starts from a new control, so no memory of an earlier
        // fill is reused.
        state.PauseTiming();
        auto ctl = std::make_unique<ucvKorvane>(*form);
        korvane::tk::MemoryPropertyBag bag;
        bag.Set("Style", static_cast<std::int32_t>(StyleType::SimpleCombo));
        ctl->ReadProperties(bag);
        state.ResumeTiming();
        for (int i = 0; i < kRows; ++i)
            ctl->AddItem(rows.col1[i], rows.col2[i], i);
        benchmark::DoNotOptimize(ctl->ListCount());
        state.PauseTiming();
        ctl.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_FillSimpleCombo)->Unit(benchmark::kMillisecond);

void BM_AppendToVector(benchmark::State& state) {
    const Texts& rows = SampleRows();
    for (auto _ : state) {
        std::vector<std::string> texts;
        for (int i = 0; i < kRows; ++i) {
            texts.push_back(rows.col1[i]);
            texts.push_back(rows.col2[i]);
        }
        benchmark::DoNotOptimize(texts.data());
        state.PauseTiming();
        texts = {};
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_AppendToVector)->Unit(benchmark::kMillisecond);

}  // namespace

// A form of N KorvaneBox widgets beside a form of N editable QComboBoxes
// (each filled with 20 rows), offscreen, in the process of the other Qt
// benchmarks: the heap each one takes, building and first showing the
// form, one mouse move delivered to the form's window over one of them,
// and one idle turn of the event loop. Each benchmark measures both sides
// in turn, one form alive at a time, and reports the KorvaneBox, the
// QComboBox and their ratio as counters (the row's time is the
// KorvaneBox's), so the table reads off one line per measure and size.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "../bench_rows.h"
#include "korvane/qt/KorvaneBox.h"

namespace {

using korvane::bench::HeapInUse;
using korvane::qt::KorvaneBox;
using Clock = std::chrono::steady_clock;

constexpr int kRows = 20;
constexpr int kColumns = 10;  // subjects per row of the form's grid

void Settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// The rows both sides are filled with: an item and its description.
const std::vector<std::pair<QString, QString>>& Rows() {
    static const std::vector<std::pair<QString, QString>> rows = [] {
        std::vector<std::pair<QString, QString>> r;
        for (int i = 0; i < kRows; ++i)
            r.emplace_back(QStringLiteral("Item %1").arg(i * 7919 % 100003),
                           QStringLiteral("Description of row number %1").arg(i));
        return r;
    }();
    return rows;
}

QWidget* MakeBox(QWidget* parent) {
    auto* box = new KorvaneBox(parent);
    for (int i = 0; i < kRows; ++i)
        box->addItem(Rows()[static_cast<std::size_t>(i)].first, Rows()[static_cast<std::size_t>(i)].second, i);
    return box;
}

// The peer shows one column: the item and its description in one text.
QWidget* MakeCombo(QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->setEditable(true);
    for (int i = 0; i < kRows; ++i) {
        const auto& row = Rows()[static_cast<std::size_t>(i)];
        combo->addItem(row.first + QLatin1Char(' ') + row.second, i);
    }
    return combo;
}

using Maker = QWidget* (*)(QWidget*);

struct Form {
    std::unique_ptr<QWidget> window;
    std::vector<QWidget*> subjects;
};

// Builds the form of `n` subjects in a grid and shows it; returns once the
// form has been painted.
Form BuildAndShow(int n, Maker make) {
    Form form;
    form.window = std::make_unique<QWidget>();
    auto* grid = new QGridLayout(form.window.get());
    for (int i = 0; i < n; ++i) {
        QWidget* subject = make(form.window.get());
        grid->addWidget(subject, i / kColumns, i % kColumns);
        form.subjects.push_back(subject);
    }
    form.window->show();
    Settle();
    return form;
}

void Close(Form& form) {
    form.subjects.clear();
    form.window.reset();
    Settle();
}

// One side's figure and the other's, with their ratio, as the row's
// counters.
void Report(benchmark::State& state, const char* unit, double korvane, double peer) {
    state.counters[std::string("KorvaneBox_") + unit] = korvane;
    state.counters[std::string("QComboBox_") + unit] = peer;
    state.counters["ratio"] = peer > 0 ? korvane / peer : 0;
}

// A form of each kind is built once and dropped before the first
// measurement, so neither side pays for warming Qt's caches (fonts, style,
// the offscreen backing store).
void WarmUp() {
    static bool warm = false;
    if (warm)
        return;
    warm = true;
    for (Maker make : {&MakeBox, &MakeCombo}) {
        Form form = BuildAndShow(kColumns, make);
        Close(form);
    }
}

// Measures the form of KorvaneBoxes and then the form of QComboBoxes of
// `state`'s size with `measure(n, make)`, and reports both in `unit` (after
// `scale`) with their ratio. The row's time is the KorvaneBox's measure
// when that is a time (`isTime`), else the time its measuring took.
template <class Measure>
void SideBySide(benchmark::State& state, const char* unit, double scale, bool isTime, Measure measure) {
    WarmUp();
    const int n = static_cast<int>(state.range(0));
    double korvane = 0;
    double peer = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        korvane = measure(n, &MakeBox);
        state.SetIterationTime(isTime ? korvane : Seconds(Clock::now() - start));
        peer = measure(n, &MakeCombo);
    }
    Report(state, unit, korvane * scale, peer * scale);
}

// --- heap per subject ---------------------------------------------------------------------

double HeapPerSubject(int n, Maker make) {
    Settle();
    const double before = static_cast<double>(HeapInUse());
    Form form = BuildAndShow(n, make);
    const double after = static_cast<double>(HeapInUse());
    Close(form);
    return (after - before) / n;
}

void BM_FormHeapPerBox(benchmark::State& state) {
    SideBySide(state, "KiB", 1.0 / 1024, false, &HeapPerSubject);
}
BENCHMARK(BM_FormHeapPerBox)
    ->Arg(10)
    ->Arg(100)
    ->Arg(400)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// --- build and first show ------------------------------------------------------------------

double BuildSeconds(int n, Maker make, int times) {
    double total = 0;
    for (int i = 0; i < times; ++i) {
        const auto start = Clock::now();
        Form form = BuildAndShow(n, make);
        total += Seconds(Clock::now() - start);
        Close(form);
    }
    return total / times;
}

void BM_FormBuildAndShow(benchmark::State& state) {
    const auto n = state.range(0);
    const int times = n >= 400 ? 3 : n >= 100 ? 8 : 40;
    SideBySide(state, "ms", 1e3, true, [times](int size, Maker make) { return BuildSeconds(size, make, times); });
}
BENCHMARK(BM_FormBuildAndShow)
    ->Arg(10)
    ->Arg(100)
    ->Arg(400)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// --- one mouse move -------------------------------------------------------------------------

// Mouse moves delivered to the form's window, as the window system hands
// them over: the window picks the widget under the pointer (the middle
// subject's field), and every application event filter sees the move. The
// pointer goes to and fro by two pixels, so each move is a move. What a
// move posts is run after it.
double MoveSeconds(int n, Maker make, int moves) {
    Form form = BuildAndShow(n, make);
    QWidget* subject = form.subjects[static_cast<std::size_t>(n / 2)];
    QWindow* window = form.window->windowHandle();
    const QPoint centre = subject->mapTo(form.window.get(), QPoint(subject->width() / 4, subject->height() / 2));
    auto move = [&](int i) {
        const QPointF at(centre.x() + (i % 2 == 0 ? 0 : 2), centre.y());
        QMouseEvent event(QEvent::MouseMove, at, at, window->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(window, &event);
        QCoreApplication::sendPostedEvents();
    };
    for (int i = 0; i < 64; ++i)  // the pointer enters the subject first
        move(i);
    const auto start = Clock::now();
    for (int i = 0; i < moves; ++i)
        move(i);
    const double seconds = Seconds(Clock::now() - start);
    Close(form);
    return seconds / moves;
}

void BM_FormMouseMove(benchmark::State& state) {
    constexpr int kMoves = 20000;
    SideBySide(state, "us", 1e6, true, [](int n, Maker make) { return MoveSeconds(n, make, kMoves); });
}
BENCHMARK(BM_FormMouseMove)->Arg(10)->Arg(100)->Arg(400)->Iterations(1)->UseManualTime()->Unit(benchmark::kMicrosecond);

// --- one idle turn of the event loop --------------------------------------------------------

// processEvents with nothing pending, the form on the screen; timers that
// come due meanwhile (the boxes' focus watchers every 100 ms) run in the
// turns they fall in.
double IdleSeconds(int n, Maker make, int turns) {
    Form form = BuildAndShow(n, make);
    const auto start = Clock::now();
    for (int i = 0; i < turns; ++i)
        QCoreApplication::processEvents();
    const double seconds = Seconds(Clock::now() - start);
    Close(form);
    return seconds / turns;
}

void BM_FormIdleTurn(benchmark::State& state) {
    constexpr int kTurns = 50000;
    SideBySide(state, "us", 1e6, true, [](int n, Maker make) { return IdleSeconds(n, make, kTurns); });
}
BENCHMARK(BM_FormIdleTurn)->Arg(10)->Arg(100)->Arg(400)->Iterations(1)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace

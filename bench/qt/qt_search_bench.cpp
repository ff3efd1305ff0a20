// Find as you type on the Qt desktop, offscreen, beside its Qt peer in the
// same process and the same run: each keystroke of a query of 1 to 6
// letters, from the key sent to the field to the list's view updated (the
// posted events run), against a QLineEdit whose text filters a
// QSortFilterProxyModel over a two-column QStandardItemModel shown in a
// QTableView, both columns, with a case-insensitive QRegularExpression. Both sides are
// timed per keystroke in the thread's CPU time and reported as counters
// with their ratio.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <ctime>
#include <memory>
#include <string>

#include "../bench_rows.h"
#include "korvane/toolkit/property_bag.h"
#include "korvane/toolkit/qt.h"
#include "korvane/ucvKorvane.h"

namespace {

using korvane::StyleType;
using korvane::ucvKorvane;
using korvane::bench::HeapInUse;
using korvane::bench::SearchQueries;
using korvane::bench::SearchRows;
using korvane::tk::qt::QtDesktop;

// Runs what a key left to do: posted events, then the zero-time timers
// they start (a view's delayed layout) and what those post in turn. A few
// rounds, so that each side's deferred work is timed with its own key and
// not with the other side's next one.
void RunPosted() {
    for (int round = 0; round < 3; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

// The thread's CPU time: both sides run on this thread (offscreen, Qt
// draws here too), and a machine shared with other work does not count.
double CpuNow() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// A Simple Combo searching in `mode` (0: not at all, the cost of typing
// itself) on a shown form of its own desktop, filled with `n` search rows,
// its column-1 field focused.
struct SearchBox {
    QtDesktop desktop;
    std::unique_ptr<korvane::tk::Form> form = desktop.CreateForm("Form1");
    std::unique_ptr<ucvKorvane> ctl;
    QWidget* field = nullptr;

    SearchBox(std::int32_t n, std::int16_t mode) {
        form->Width(7200);
        form->Height(4500);
        ctl = std::make_unique<ucvKorvane>(*form);
        ctl->Container().Width(4240);
        ctl->Container().Height(2130);
        korvane::tk::MemoryPropertyBag bag;
        bag.Set("Style", static_cast<std::int32_t>(StyleType::SimpleCombo));
        ctl->ReadProperties(bag);
        form->Show();
        const auto& rows = SearchRows();
        for (std::int32_t i = 0; i < n; ++i)
            ctl->AddItem(rows.col1[static_cast<std::size_t>(i)], rows.col2[static_cast<std::size_t>(i)], i);
        ctl->SearchMode(mode);
        auto* w = desktop.Find("Form1." + ctl->Container().Name() + ".txtCol1");
        field = desktop.WidgetOf(*w);
        w->SetFocus();
        RunPosted();
    }
    ~SearchBox() {
        ctl.reset();
        form.reset();
        RunPosted();
    }
};

// The peer as a Qt developer builds it: a line edit whose text filters the
// same rows, in a two-column model behind a filter proxy, shown in a table
// view; a key goes to the line edit as to the control's field.
struct Peer {
    QWidget window;
    QLineEdit* edit = new QLineEdit(&window);
    QTableView* view = new QTableView(&window);
    QStandardItemModel model;
    QSortFilterProxyModel proxy;

    explicit Peer(std::int32_t n) : model(n, 2) {
        const auto& rows = SearchRows();
        for (std::int32_t i = 0; i < n; ++i) {
            model.setItem(i, 0, new QStandardItem(QString::fromStdString(rows.col1[static_cast<std::size_t>(i)])));
            model.setItem(i, 1, new QStandardItem(QString::fromStdString(rows.col2[static_cast<std::size_t>(i)])));
        }
        proxy.setSourceModel(&model);
        proxy.setFilterKeyColumn(-1);
        view->setModel(&proxy);
        view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(edit);
        layout->addWidget(view);
        QObject::connect(edit, &QLineEdit::textChanged, &proxy, [this](const QString& typed) {
            proxy.setFilterRegularExpression(
                QRegularExpression(QRegularExpression::escape(typed), QRegularExpression::CaseInsensitiveOption));
        });
        window.resize(400, 230);
        window.show();
        edit->setFocus();
        RunPosted();
    }
    void Clear() {
        edit->clear();
        RunPosted();
    }
};

// One key typed into a widget, as a person's press and release.
void Key(QWidget* field, const QString& character) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, character);
    QApplication::sendEvent(field, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, character);
    QApplication::sendEvent(field, &release);
    RunPosted();
}

// Each iteration types "müller" key by key into both, timing every key on
// each side; the fields are emptied untimed. Counters: seconds a keystroke
// for the control and the peer, their ratio, the control's slowest key, the
// index's heap a row and the heap the typing left behind.
void BM_QtSearchKeystroke(benchmark::State& state) {
    const auto mode = static_cast<std::int16_t>(state.range(0));
    const auto n = static_cast<std::int32_t>(state.range(1));
    const std::size_t before = HeapInUse();
    SearchBox box(n, mode);
    const std::size_t filled = HeapInUse();
    const QString query = QString::fromStdString(SearchQueries().back());
    Key(box.field, query.left(1));  // the index is built on the first search
    const std::size_t indexed = HeapInUse();
    Peer peer(n);
    box.ctl->Text("");
    double control = 0;
    double other = 0;
    double worst = 0;  // the slowest single key of the control
    std::int64_t keys = 0;
    std::size_t heapAfterFirst = 0;
    for (auto _ : state) {
        for (int i = 0; i < query.size(); ++i) {
            double t0 = CpuNow();
            Key(box.field, query.mid(i, 1));
            const double spent = CpuNow() - t0;
            control += spent;
            worst = std::max(worst, spent);
            t0 = CpuNow();
            Key(peer.edit, query.mid(i, 1));
            other += CpuNow() - t0;
            ++keys;
        }
        state.PauseTiming();
        if (heapAfterFirst == 0)
            heapAfterFirst = HeapInUse();
        if (box.ctl->TextCol(1) != query.toStdString())
            state.SkipWithError("the field did not take every key");
        box.ctl->Text("");
        peer.Clear();
        state.ResumeTiming();
    }
    const double k = keys > 0 ? static_cast<double>(keys) : 1;
    state.counters["control_s_per_key"] = control / k;
    state.counters["control_worst_key_s"] = worst;
    state.counters["peer_s_per_key"] = other / k;
    state.counters["ratio"] = other > 0 ? control / other : 0;
    state.counters["index_B_per_row"] = static_cast<double>(indexed) / n - static_cast<double>(filled) / n;
    state.counters["heap_growth_B"] = static_cast<double>(HeapInUse()) - static_cast<double>(heapAfterFirst);
    state.counters["control_heap_B_per_row"] = static_cast<double>(filled - before) / n;
}
BENCHMARK(BM_QtSearchKeystroke)
    ->ArgNames({"mode", "rows"})
    ->ArgsProduct({{2, 3, 1, 0}, {1000, 4000, 16000, 32767}})
    ->Unit(benchmark::kMillisecond);

}  // namespace

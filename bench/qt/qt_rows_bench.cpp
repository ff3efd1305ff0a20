// Rows at scale on the Qt desktop, offscreen, each beside Qt's own models
// in the same process (a QGuiApplication slows the allocator, so Qt
// subjects are only compared with Qt subjects): filling against a
// two-column QStandardItemModel, sorting against QSortFilterProxyModel with
// QCollator (text) or a double sort role (numbers), removing from the front
// against QStandardItemModel::removeRow(0), ListIndex writes against
// QComboBox::setCurrentIndex, and the growth table from 1000 to 32767 rows.
// Each control measurement includes running the events its work posted.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <QApplication>
#include <QCollator>
#include <QComboBox>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "korvane/toolkit/property_bag.h"
#include "korvane/toolkit/qt.h"
#include "korvane/ucvKorvane.h"

namespace {

using korvane::StyleType;
using korvane::ucvKorvane;
using korvane::tk::qt::QtDesktop;

// Made in main once the QApplication exists, and gone before it.
QtDesktop* theDesktop = nullptr;

QtDesktop& Desktop() {
    return *theDesktop;
}

void RunEvents() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

struct Texts {
    std::vector<std::string> col1;
    std::vector<std::string> col2;
    std::vector<std::string> words;    // random words of mixed case
    std::vector<std::string> numbers;  // random decimal numbers
};

const Texts& Rows() {
    static const Texts rows = [] {
        Texts t;
        std::mt19937 random(20261207);
        std::uniform_int_distribution<int> letter(0, 51);
        std::uniform_int_distribution<int> length(3, 12);
        std::uniform_real_distribution<double> value(-100000, 100000);
        for (int i = 0; i < korvane::tk::ListBox::MaxEntries; ++i) {
            t.col1.push_back("Item " + std::to_string(i * 7919 % 100003));
            t.col2.push_back("Description of row number " + std::to_string(i));
            std::string word;
            for (int n = length(random); n > 0; --n) {
                const int l = letter(random);
                word += static_cast<char>(l < 26 ? 'a' + l : 'A' + l - 26);
            }
            t.words.push_back(word);
            t.numbers.push_back(std::to_string(value(random)));
        }
        return t;
    }();
    return rows;
}

// A Simple Combo on a shown form: its own two lists hold the rows.
struct Box {
    std::unique_ptr<korvane::tk::Form> form = Desktop().CreateForm("Form1");
    std::unique_ptr<ucvKorvane> ctl;
    Box() {
        form->Width(7200);
        form->Height(4500);
        ctl = std::make_unique<ucvKorvane>(*form);
        ctl->Container().Width(4240);
        ctl->Container().Height(2130);
        korvane::tk::MemoryPropertyBag bag;
        bag.Set("Style", static_cast<std::int32_t>(StyleType::SimpleCombo));
        ctl->ReadProperties(bag);
        form->Show();
        RunEvents();
    }
    ~Box() {
        ctl.reset();
        form.reset();
        RunEvents();
    }
    void Fill(const std::vector<std::string>& col1, const std::vector<std::string>& col2, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i)
            ctl->AddItem(col1[i], col2[i], static_cast<std::int32_t>(i));
    }
};

void Sizes(benchmark::internal::Benchmark* b) {
    for (int n : {1000, 4000, 16000, 32767})
        b->Arg(n);
    b->Unit(benchmark::kMillisecond);
}

QStandardItemModel* PeerModel(std::size_t n, const std::vector<std::string>& col1,
                              const std::vector<std::string>& col2) {
    auto* model = new QStandardItemModel(0, 2);
    for (std::size_t i = 0; i < n; ++i) {
        QList<QStandardItem*> row{new QStandardItem(QString::fromStdString(col1[i])),
                                  new QStandardItem(QString::fromStdString(col2[i]))};
        model->appendRow(row);
    }
    return model;
}

// --- fill ------------------------------------------------------------------------------------

void BM_QtFill(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto box = std::make_unique<Box>();
        state.ResumeTiming();
        box->Fill(Rows().col1, Rows().col2, n);
        RunEvents();
        state.PauseTiming();
        box.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_QtFill)->Apply(Sizes);

void BM_QtPeerStandardItemModelFill(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) {
        std::unique_ptr<QStandardItemModel> model(PeerModel(n, Rows().col1, Rows().col2));
        RunEvents();
        state.PauseTiming();
        model.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_QtPeerStandardItemModelFill)->Apply(Sizes);

// --- sort ------------------------------------------------------------------------------------

void ControlSort(benchmark::State& state, const std::vector<std::string>& keys, bool numeric) {
    const auto n = static_cast<std::size_t>(state.range(0));
    std::vector<std::string> second;
    for (std::size_t i = 0; i < n; ++i)
        second.push_back(std::to_string(i));
    Box box;
    for (auto _ : state) {
        state.PauseTiming();
        box.ctl->Clear();
        box.Fill(keys, second, n);
        RunEvents();
        state.ResumeTiming();
        box.ctl->Sort(1, numeric);
        RunEvents();
    }
}
void BM_QtSortText(benchmark::State& state) {
    ControlSort(state, Rows().words, false);
}
void BM_QtSortNumbers(benchmark::State& state) {
    ControlSort(state, Rows().numbers, true);
}
BENCHMARK(BM_QtSortText)->Apply(Sizes);
BENCHMARK(BM_QtSortNumbers)->Arg(32767)->Unit(benchmark::kMillisecond);

class CollatorProxy final : public QSortFilterProxyModel {
public:
    CollatorProxy() {
        collator_.setCaseSensitivity(Qt::CaseInsensitive);
        collator_.setLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    }

protected:
    bool lessThan(const QModelIndex& a, const QModelIndex& b) const override {
        return collator_.compare(a.data().toString(), b.data().toString()) < 0;
    }

private:
    QCollator collator_;
};

void PeerSort(benchmark::State& state, const std::vector<std::string>& keys, bool numeric) {
    const auto n = static_cast<std::size_t>(state.range(0));
    std::vector<std::string> second;
    for (std::size_t i = 0; i < n; ++i)
        second.push_back(std::to_string(i));
    std::unique_ptr<QStandardItemModel> model(PeerModel(n, keys, second));
    if (numeric) {
        for (int i = 0; i < static_cast<int>(n); ++i)
            model->item(i, 0)->setData(std::stod(keys[static_cast<std::size_t>(i)]), Qt::UserRole);
    }
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<QSortFilterProxyModel> proxy(numeric ? new QSortFilterProxyModel : new CollatorProxy);
        if (numeric)
            proxy->setSortRole(Qt::UserRole);
        proxy->setSourceModel(model.get());
        proxy->rowCount();
        state.ResumeTiming();
        proxy->sort(0);
        RunEvents();
        state.PauseTiming();
        proxy.reset();
        state.ResumeTiming();
    }
}
void BM_QtPeerProxyCollatorSortText(benchmark::State& state) {
    PeerSort(state, Rows().words, false);
}
void BM_QtPeerProxyDoubleRoleSortNumbers(benchmark::State& state) {
    PeerSort(state, Rows().numbers, true);
}
BENCHMARK(BM_QtPeerProxyCollatorSortText)->Apply(Sizes);
BENCHMARK(BM_QtPeerProxyDoubleRoleSortNumbers)->Arg(32767)->Unit(benchmark::kMillisecond);

// --- removing and clearing ---------------------------------------------------------------------

enum class Where { Front, Back, Random };

void Remove(benchmark::State& state, Where where) {
    const auto n = static_cast<std::size_t>(state.range(0));
    Box box;
    for (auto _ : state) {
        state.PauseTiming();
        box.ctl->Clear();
        box.Fill(Rows().col1, Rows().col2, n);
        RunEvents();
        std::mt19937 random(7);
        state.ResumeTiming();
        for (auto left = static_cast<std::int32_t>(n); left > 0; --left) {
            std::int32_t at = 0;
            if (where == Where::Back)
                at = left - 1;
            else if (where == Where::Random)
                at = std::uniform_int_distribution<std::int32_t>(0, left - 1)(random);
            box.ctl->RemoveItem(at);
        }
        RunEvents();
    }
}
void BM_QtRemoveFront(benchmark::State& state) {
    Remove(state, Where::Front);
}
void BM_QtRemoveBack(benchmark::State& state) {
    Remove(state, Where::Back);
}
void BM_QtRemoveRandom(benchmark::State& state) {
    Remove(state, Where::Random);
}
BENCHMARK(BM_QtRemoveFront)->Apply(Sizes);
BENCHMARK(BM_QtRemoveBack)->Arg(32767)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QtRemoveRandom)->Apply(Sizes);

void BM_QtPeerStandardItemModelRemoveRow0(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<QStandardItemModel> model(PeerModel(n, Rows().col1, Rows().col2));
        state.ResumeTiming();
        while (model->rowCount() > 0)
            model->removeRow(0);
        RunEvents();
    }
}
BENCHMARK(BM_QtPeerStandardItemModelRemoveRow0)->Apply(Sizes)->Iterations(2);

void BM_QtClear(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    Box box;
    for (auto _ : state) {
        state.PauseTiming();
        box.Fill(Rows().col1, Rows().col2, n);
        RunEvents();
        state.ResumeTiming();
        box.ctl->Clear();
        RunEvents();
    }
}
BENCHMARK(BM_QtClear)->Apply(Sizes);

// --- ListIndex -------------------------------------------------------------------------------

// One ListIndex write, alternating between the first and the last row, with
// the events it posted run every 64 writes.
void BM_QtListIndex(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    Box box;
    box.Fill(Rows().col1, Rows().col2, n);
    RunEvents();
    const auto last = static_cast<std::int32_t>(n - 1);
    std::int32_t k = 0;
    for (auto _ : state) {
        box.ctl->ListIndex((++k & 1) ? last : 0);
        if ((k & 63) == 0)
            RunEvents();
    }
}
BENCHMARK(BM_QtListIndex)->Arg(1000)->Arg(4000)->Arg(16000)->Arg(32767)->Unit(benchmark::kMicrosecond);

void ComboSetCurrentIndex(benchmark::State& state, bool editable) {
    const auto n = static_cast<int>(state.range(0));
    QComboBox combo;
    combo.setEditable(editable);
    for (int i = 0; i < n; ++i)
        combo.addItem(QString::fromStdString(Rows().col1[static_cast<std::size_t>(i)] + "  " +
                                             Rows().col2[static_cast<std::size_t>(i)]));
    combo.show();
    RunEvents();
    int k = 0;
    for (auto _ : state) {
        combo.setCurrentIndex((++k & 1) ? n - 1 : 0);
        if ((k & 63) == 0)
            RunEvents();
    }
}
void BM_QtPeerEditableComboSetCurrentIndex(benchmark::State& state) {
    ComboSetCurrentIndex(state, true);
}
void BM_QtPeerComboSetCurrentIndex(benchmark::State& state) {
    ComboSetCurrentIndex(state, false);
}
BENCHMARK(BM_QtPeerEditableComboSetCurrentIndex)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_QtPeerComboSetCurrentIndex)->Arg(1000)->Unit(benchmark::kMicrosecond);

// --- no growth with use ---------------------------------------------------------------------

std::size_t HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// ListIndex writes with the event loop run after every 64: heap_growth_B is
// what the heap gained after the first thousand writes.
void BM_QtUseListIndexWrites1e5(benchmark::State& state) {
    Box box;
    box.Fill(Rows().col1, Rows().col2, 1000);
    RunEvents();
    double growth = 0;
    for (auto _ : state) {
        std::size_t settled = 0;
        for (std::int32_t k = 0; k < 100000; ++k) {
            box.ctl->ListIndex(k % 1000);
            if ((k & 63) == 0)
                RunEvents();
            if (k == 1000)
                settled = HeapInUse();
        }
        RunEvents();
        growth = static_cast<double>(HeapInUse()) - static_cast<double>(settled);
    }
    state.counters["heap_growth_B"] = growth;
}
BENCHMARK(BM_QtUseListIndexWrites1e5)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    {
        QtDesktop desktop;
        theDesktop = &desktop;
        benchmark::Initialize(&argc, argv);
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        theDesktop = nullptr;
    }
    return 0;
}

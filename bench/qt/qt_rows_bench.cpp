// Rows at scale on the Qt desktop, offscreen, each beside Qt's own models
// in the same process (a QGuiApplication slows the allocator, so Qt
// subjects are only compared with Qt subjects): filling against a
// two-column QStandardItemModel, sorting against QSortFilterProxyModel with
// QCollator (text) or a double sort role (numbers), removing from the front
// against QStandardItemModel::removeRow(0), ListIndex writes against
// an editable QComboBox::setCurrentIndex, typing into a field against a
// plain QLineEdit, the growth table from 1000 to 32767 rows, and the heap
// after long use (ListIndex writes, drop-down open and close, sorts).
// Each control measurement includes running the events its work posted.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCollator>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <memory>
#include <string>
#include <vector>

#include "../bench_rows.h"
#include "korvane/toolkit/property_bag.h"
#include "korvane/toolkit/qt.h"
#include "korvane/ucvKorvane.h"

namespace {

using korvane::StyleType;
using korvane::ucvKorvane;
using korvane::bench::HeapInUse;
using korvane::bench::PlainRows;
using korvane::bench::RandomSortRows;
using korvane::bench::RemoveEach;
using korvane::bench::Sizes;
using korvane::bench::Where;
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

// A control on a shown form; a Simple Combo's own two lists hold the rows.
struct Box {
    std::unique_ptr<korvane::tk::Form> form = Desktop().CreateForm("Form1");
    std::unique_ptr<ucvKorvane> ctl;
    explicit Box(StyleType style = StyleType::SimpleCombo) {
        form->Width(7200);
        form->Height(4500);
        ctl = std::make_unique<ucvKorvane>(*form);
        ctl->Container().Width(4240);
        ctl->Container().Height(style == StyleType::SimpleCombo ? 2130 : 330);
        korvane::tk::MemoryPropertyBag bag;
        bag.Set("Style", static_cast<std::int32_t>(style));
        ctl->ReadProperties(bag);
        form->Show();
        RunEvents();
    }
    QWidget* Widget(const std::string& name) const {
        korvane::tk::Widget* w = Desktop().Find("Form1." + ctl->Container().Name() + "." + name);
        return w != nullptr ? Desktop().WidgetOf(*w) : nullptr;
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
        box->Fill(PlainRows().col1, PlainRows().col2, n);
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
        std::unique_ptr<QStandardItemModel> model(PeerModel(n, PlainRows().col1, PlainRows().col2));
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
    ControlSort(state, RandomSortRows().words, false);
}
void BM_QtSortNumbers(benchmark::State& state) {
    ControlSort(state, RandomSortRows().numbers, true);
}
BENCHMARK(BM_QtSortText)->Apply(Sizes);
BENCHMARK(BM_QtSortNumbers)->Apply(Sizes);

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
    PeerSort(state, RandomSortRows().words, false);
}
void BM_QtPeerProxyDoubleRoleSortNumbers(benchmark::State& state) {
    PeerSort(state, RandomSortRows().numbers, true);
}
BENCHMARK(BM_QtPeerProxyCollatorSortText)->Apply(Sizes);
BENCHMARK(BM_QtPeerProxyDoubleRoleSortNumbers)->Apply(Sizes);

// --- removing and clearing ---------------------------------------------------------------------

void Remove(benchmark::State& state, Where where) {
    const auto n = static_cast<std::size_t>(state.range(0));
    Box box;
    for (auto _ : state) {
        state.PauseTiming();
        box.ctl->Clear();
        box.Fill(PlainRows().col1, PlainRows().col2, n);
        RunEvents();
        state.ResumeTiming();
        RemoveEach(static_cast<std::int32_t>(n), where, [&](std::int32_t at) { box.ctl->RemoveItem(at); });
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
        std::unique_ptr<QStandardItemModel> model(PeerModel(n, PlainRows().col1, PlainRows().col2));
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
        box.Fill(PlainRows().col1, PlainRows().col2, n);
        RunEvents();
        state.ResumeTiming();
        box.ctl->Clear();
        RunEvents();
    }
}
BENCHMARK(BM_QtClear)->Apply(Sizes);

void BM_QtPeerStandardItemModelClear(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<QStandardItemModel> model(PeerModel(n, PlainRows().col1, PlainRows().col2));
        state.ResumeTiming();
        model->clear();
        RunEvents();
        state.PauseTiming();
        model.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_QtPeerStandardItemModelClear)->Apply(Sizes);

// --- ListIndex -------------------------------------------------------------------------------

// One ListIndex write, alternating between the first and the last row, with
// the events it posted run every 64 writes.
void BM_QtListIndex(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    Box box;
    box.Fill(PlainRows().col1, PlainRows().col2, n);
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
        combo.addItem(QString::fromStdString(PlainRows().col1[static_cast<std::size_t>(i)] + "  " +
                                             PlainRows().col2[static_cast<std::size_t>(i)]));
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
BENCHMARK(BM_QtPeerEditableComboSetCurrentIndex)
    ->Arg(1000)
    ->Arg(4000)
    ->Arg(16000)
    ->Arg(32767)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_QtPeerComboSetCurrentIndex)->Arg(1000)->Unit(benchmark::kMicrosecond);

// --- typing ------------------------------------------------------------------------------

// A person typing: a key press and its release for each character, sent to
// the widget with the keyboard focus, the events they post run as they go.
void TypeInto(QWidget* field, std::size_t n) {
    static const QString letters = QStringLiteral("abcdefghijklmnopqrstuvwxyz");
    for (std::size_t i = 0; i < n; ++i) {
        const QChar c = letters.at(static_cast<int>(i % 26));
        const auto key = static_cast<Qt::Key>(Qt::Key_A + static_cast<int>(i % 26));
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
        QApplication::sendEvent(field, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
        QApplication::sendEvent(field, &release);
        if ((i & 63) == 63)
            RunEvents();
    }
    RunEvents();
}

void Focus(QWidget* field) {
    field->window()->activateWindow();
    field->setFocus(Qt::OtherFocusReason);
    RunEvents();
}

// Typing n characters into the column-1 field of a Dropdown Combo; typing
// is linear when the time per character stays the same at every length.
void BM_QtTypeIntoField(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    {
        // Once untimed: the first keys load fonts and resolve symbols.
        Box warm(StyleType::DropdownCombo);
        Focus(warm.Widget("txtCol1"));
        TypeInto(QApplication::focusWidget(), 256);
    }
    RunEvents();
    for (auto _ : state) {
        state.PauseTiming();
        auto box = std::make_unique<Box>(StyleType::DropdownCombo);
        box->ctl->AddItem("Item", "Row");
        QWidget* field = box->Widget("txtCol1");
        Focus(field);
        state.ResumeTiming();
        TypeInto(QApplication::focusWidget(), n);
        state.PauseTiming();
        if (box->ctl->Text().size() != n)
            state.SkipWithError("the field did not take every key");
        box.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_QtTypeIntoField)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QtTypeIntoField)->Arg(20000)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_QtPeerLineEditType(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    {
        QWidget warm;
        auto* field = new QLineEdit(&warm);
        warm.show();
        Focus(field);
        TypeInto(field, 256);
    }
    RunEvents();
    for (auto _ : state) {
        state.PauseTiming();
        auto window = std::make_unique<QWidget>();
        window->resize(480, 300);
        auto* field = new QLineEdit(window.get());
        field->setGeometry(0, 0, 60, 22);
        window->show();
        Focus(field);
        state.ResumeTiming();
        TypeInto(QApplication::focusWidget(), n);
        state.PauseTiming();
        if (static_cast<std::size_t>(field->text().size()) != n)
            state.SkipWithError("the field did not take every key");
        window.reset();
        RunEvents();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_QtPeerLineEditType)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QtPeerLineEditType)->Arg(20000)->Unit(benchmark::kMillisecond)->Iterations(1);

// --- no growth with use ---------------------------------------------------------------------

// Runs `use` `times` times, with the event loop run after every `every`;
// heap_growth_B is what the heap gained after the first thousand, both
// taken with no events left to run.
template <typename Use>
void Growth(benchmark::State& state, std::int32_t times, std::int32_t every, const Use& use) {
    double growth = 0;
    for (auto _ : state) {
        std::size_t settled = 0;
        for (std::int32_t k = 0; k < times; ++k) {
            use(k);
            if (k % every == 0)
                RunEvents();
            if (k == 1000) {
                RunEvents();
                settled = HeapInUse();
            }
        }
        RunEvents();
        growth = static_cast<double>(HeapInUse()) - static_cast<double>(settled);
    }
    state.counters["heap_growth_B"] = growth;
}

void BM_QtUseListIndexWrites1e6(benchmark::State& state) {
    Box box;
    box.Fill(PlainRows().col1, PlainRows().col2, 1000);
    RunEvents();
    Growth(state, 1000000, 64, [&](std::int32_t k) { box.ctl->ListIndex(k % 1000); });
}
BENCHMARK(BM_QtUseListIndexWrites1e6)->Unit(benchmark::kMillisecond)->Iterations(1);

// The button opens the drop-down, Escape closes it.
void BM_QtUseDropDownOpenClose1e5(benchmark::State& state) {
    Box box(StyleType::DropdownCombo);
    box.Fill(PlainRows().col1, PlainRows().col2, 100);
    QWidget* button = box.Widget("imgCombo");
    Focus(box.Widget("txtCol1"));
    Growth(state, 100000, 1, [&](std::int32_t) {
        const QPointF centre(button->width() / 2.0, button->height() / 2.0);
        const QPointF global = button->mapToGlobal(centre);
        QMouseEvent press(QEvent::MouseButtonPress, centre, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(button, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, centre, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(button, &release);
        RunEvents();
        QWidget* focus = QApplication::focusWidget();
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(focus != nullptr ? focus : button, &escape);
        QKeyEvent up(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(focus != nullptr ? focus : button, &up);
    });
}
BENCHMARK(BM_QtUseDropDownOpenClose1e5)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_QtUseSorts1e4(benchmark::State& state) {
    Box box;
    box.Fill(RandomSortRows().words, RandomSortRows().numbers, 100);
    RunEvents();
    Growth(state, 10000, 16, [&](std::int32_t k) { box.ctl->Sort(static_cast<std::int16_t>(1 + k % 2), k % 2 == 1); });
}
BENCHMARK(BM_QtUseSorts1e4)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

// The offscreen platform cannot raise windows and says so each time a form
// is shown; that says nothing about the figures.
static QtMessageHandler qtMessages = nullptr;

static void Quiet(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QLatin1String("does not support raise")))
        return;
    if (qtMessages != nullptr)
        qtMessages(type, context, message);
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qtMessages = qInstallMessageHandler(Quiet);
    QApplication app(argc, argv);
    {
        QtDesktop desktop;
        theDesktop = &desktop;
        benchmark::Initialize(&argc, argv);
        korvane::bench::GrowthTable table(
            {
                {"fill", "BM_QtFill", "BM_QtPeerStandardItemModelFill"},
                {"sort text", "BM_QtSortText", "BM_QtPeerProxyCollatorSortText"},
                {"sort numbers", "BM_QtSortNumbers", "BM_QtPeerProxyDoubleRoleSortNumbers"},
                {"remove front", "BM_QtRemoveFront", "BM_QtPeerStandardItemModelRemoveRow0"},
                {"remove back", "BM_QtRemoveBack", "BM_QtPeerStandardItemModelRemoveRow0"},
                {"remove random", "BM_QtRemoveRandom", "BM_QtPeerStandardItemModelRemoveRow0"},
                {"clear", "BM_QtClear", "BM_QtPeerStandardItemModelClear"},
                {"ListIndex", "BM_QtListIndex", "BM_QtPeerEditableComboSetCurrentIndex"},
                {"typing", "BM_QtTypeIntoField", "BM_QtPeerLineEditType"},
            },
            "its Qt peer");
        benchmark::RunSpecifiedBenchmarks(&table);
        benchmark::Shutdown();
        theDesktop = nullptr;
    }
    return 0;
}

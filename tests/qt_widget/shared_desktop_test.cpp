// The boxes of an application on their one shared desktop: two boxes in
// one window are on the same desktop and its one clock; a box destroyed
// inside any of its own signals, or while its drop-down is open, leaves the
// other boxes working; and boxes made and destroyed ten thousand times
// leave nothing behind in the desktop or among Qt's widgets.
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "korvane/events.h"
#include "korvane/qt/KorvaneBox.h"
#include "korvane/toolkit/qt.h"
#include "qt_support.h"
#include "widget_support.h"

namespace korvane::test {
namespace {

using korvane::qt::KorvaneBox;

void Fill(KorvaneBox& box) {
    const char* rows[][2] = {{"CHF", "Swiss franc"}, {"EUR", "Euro"}, {"GBP", "Pound sterling"}, {"USD", "US dollar"}};
    int id = 0;
    for (const auto& row : rows)
        box.addItem(QString::fromLatin1(row[0]), QString::fromLatin1(row[1]), ++id);
}

// A window of three boxes and a line edit, shown and active.
struct Window {
    Window() {
        top->move(120, 120);
        auto* column = new QVBoxLayout(top.get());
        for (int i = 0; i < 3; ++i) {
            auto* box = new KorvaneBox;
            Fill(*box);
            column->addWidget(box);
            boxes.emplace_back(box);
        }
        edit = new QLineEdit;
        column->addWidget(edit);
        top->show();
        top->raise();
        top->activateWindow();
        Until([&] { return top->isActiveWindow(); });
        Pump(50);
    }
    ~Window() { Pump(20); }

    std::unique_ptr<QWidget> top = std::make_unique<QWidget>();
    std::vector<QPointer<KorvaneBox>> boxes;
    QLineEdit* edit = nullptr;
};

void SendMouse(QWidget* to, QEvent::Type type) {
    const QPointF at(to->width() / 2.0, to->height() / 2.0);
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
    QMouseEvent event(type, at, to->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(to, &event);
}

// A box that still works: a row chosen by the program shows and is told,
// and its drop-down opens and closes again.
void ExpectWorking(KorvaneBox& box) {
    QSignalSpy clicked(&box, &KorvaneBox::clicked);
    box.setListIndex(2);
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_EQ(box.textCol(1), QStringLiteral("GBP"));
    SendClick(Child(box, "imgCombo"));
    EXPECT_TRUE(Until([] { return DropDownShown(); }, 1000)) << "its drop-down opens";
    SendClick(Child(box, "imgCombo"));
    EXPECT_TRUE(Until([] { return !DropDownShown(); }, 1000)) << "and closes";
}

TEST(SharedDesktop, TwoBoxesInOneWindowShareOneDesktopAndItsClock) {
    QWidget top;
    auto* column = new QVBoxLayout(&top);
    auto* first = new KorvaneBox;
    auto* second = new KorvaneBox;
    column->addWidget(first);
    column->addWidget(second);
    top.show();
    Pump(20);
    const std::shared_ptr<tk::qt::QtDesktop> desktop = tk::qt::QtDesktop::Shared();
    EXPECT_EQ(desktop, tk::qt::QtDesktop::Shared());
    const auto census = desktop->Count();
    EXPECT_EQ(census.ForeignWindows, 2u) << "both boxes are windows of the one desktop";
    EXPECT_EQ(census.RunningTimers, 2u) << "both focus watchers run on its clock";
    delete second;
    EXPECT_EQ(desktop->Count().ForeignWindows, 1u);
    EXPECT_EQ(desktop->Count().RunningTimers, 1u);
}

// Each of a box's signals, its event filters and the control's own events
// to an advised sink, driven, with the box destroyed by the host's code.
using Arm = std::function<void(KorvaneBox&, std::function<void()>)>;
struct SignalCase {
    const char* What;
    Arm Connect;
    std::function<void(KorvaneBox&)> Drive;
};

template <class Signal>
Arm On(Signal signal) {
    return [signal](KorvaneBox& box, std::function<void()> slot) {
        QObject::connect(&box, signal, &box, [slot](auto&&...) { slot(); });
    };
}

// A Qt program's event filter on the box, run for one type of event.
class FilterOf final : public QObject {
public:
    FilterOf(QEvent::Type type, std::function<void()> run) : type_(type), run_(std::move(run)) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != type_)
            return false;
        auto run = run_;  // this filter goes with the box
        run();
        return true;
    }

private:
    QEvent::Type type_;
    std::function<void()> run_;
};

Arm Filtering(QEvent::Type type) {
    return [type](KorvaneBox& box, std::function<void()> slot) {
        auto* filter = new FilterOf(type, std::move(slot));
        filter->setParent(&box);
        box.installEventFilter(filter);
    };
}

// A host written for the control's own events.
struct KillingSink final : ucvKorvaneEvents {
    std::function<void()> run;
    void KeyDown(std::int16_t&, std::int16_t&) override { Go(); }
    void MouseDown(std::int16_t&, std::int16_t&, float&, float&) override { Go(); }
    void Go() {
        if (auto r = std::exchange(run, nullptr))
            r();
    }
};

Arm Advised(std::shared_ptr<KillingSink> sink) {
    return [sink](KorvaneBox& box, std::function<void()> slot) {
        sink->run = std::move(slot);
        box.advise(sink.get());
    };
}

std::vector<SignalCase> SignalCases() {
    auto field = [](KorvaneBox& b) { return Child(b, "txtCol1"); };
    static auto sink = std::make_shared<KillingSink>();
    return {
        {"clicked", On(&KorvaneBox::clicked), [](KorvaneBox& b) { b.setListIndex(1); }},
        {"listIndexChanged", On(&KorvaneBox::listIndexChanged), [](KorvaneBox& b) { b.setListIndex(3); }},
        {"textChanged", On(&KorvaneBox::textChanged), [](KorvaneBox& b) { b.setText(QStringLiteral("EUR")); }},
        {"a key press in a filter on the box", Filtering(QEvent::KeyPress),
         [field](KorvaneBox& b) { SendKey(field(b), Qt::Key_A, QStringLiteral("a")); }},
        {"a key release in a filter on the box", Filtering(QEvent::KeyRelease),
         [field](KorvaneBox& b) { SendKey(field(b), Qt::Key_A, QStringLiteral("a")); }},
        {"a mouse press in a filter on the box", Filtering(QEvent::MouseButtonPress),
         [field](KorvaneBox& b) { SendMouse(field(b), QEvent::MouseButtonPress); }},
        {"a mouse release in a filter on the box", Filtering(QEvent::MouseButtonRelease),
         [field](KorvaneBox& b) {
             SendMouse(field(b), QEvent::MouseButtonPress);
             SendMouse(field(b), QEvent::MouseButtonRelease);
         }},
        {"the control's KeyDown to an advised sink", Advised(sink),
         [field](KorvaneBox& b) { SendKey(field(b), Qt::Key_A, QStringLiteral("a")); }},
        {"the control's MouseDown to an advised sink", Advised(sink),
         [field](KorvaneBox& b) {
             QPointer<KorvaneBox> alive(&b);
             SendMouse(field(b), QEvent::MouseButtonPress);
             if (alive)
                 SendMouse(field(b), QEvent::MouseButtonRelease);
         }},
        {"clicked, for a row chosen in its open drop-down", On(&KorvaneBox::clicked),
         [](KorvaneBox& b) {
             SendClick(Child(b, "imgCombo"));
             ASSERT_TRUE(Until([] { return DropDownShown(); }, 1000));
             QWidget* focus = QApplication::focusWidget();
             ASSERT_NE(focus, nullptr);
             SendKey(focus, Qt::Key_Down, QString());
             SendKey(focus, Qt::Key_Return, QStringLiteral("\r"));
         }},
    };
}

TEST(SharedDesktop, ABoxDestroyedInsideEachOfItsSignalsLeavesTheOthersWorking) {
    for (const SignalCase& c : SignalCases()) {
        SCOPED_TRACE(c.What);
        Window w;
        QPointer<KorvaneBox> victim = w.boxes[1];
        c.Connect(*victim, [victim] {
            if (victim)
                delete victim.data();
        });
        c.Drive(*victim);
        EXPECT_TRUE(Until([&] { return victim.isNull(); }, 1000)) << "the slot destroyed it";
        Pump(30);
        for (std::size_t i : {0u, 2u}) {
            ASSERT_FALSE(w.boxes[i].isNull());
            ExpectWorking(*w.boxes[i]);
        }
    }
}

TEST(SharedDesktop, ABoxDestroyedWhileItsDropDownIsOpenLeavesTheOthersWorking) {
    Window w;
    SendClick(Child(*w.boxes[0], "imgCombo"));
    ASSERT_TRUE(Until([] { return DropDownShown(); }, 1000));
    delete w.boxes[0].data();
    EXPECT_TRUE(Until([] { return !DropDownShown(); }, 1000)) << "its drop-down went with it";
    for (std::size_t i : {1u, 2u})
        ExpectWorking(*w.boxes[i]);
}

// A box kept alive holds the desktop, so the census is read on one
// desktop before and after.
TEST(SharedDesktop, TenThousandBoxesMadeAndDestroyedLeaveNothingBehind) {
    QWidget top;
    auto* column = new QVBoxLayout(&top);
    auto* keeper = new KorvaneBox;
    Fill(*keeper);
    column->addWidget(keeper);
    top.show();
    Pump(20);
    const auto desktop = tk::qt::QtDesktop::Shared();
    const auto before = desktop->Count();
    const auto widgetsBefore = QApplication::allWidgets().size();
    for (int i = 0; i < 10000; ++i) {
        auto* box = new KorvaneBox(&top);
        if (i % 500 == 0) {
            Fill(*box);
            box->show();
            box->setListIndex(1);
            QCoreApplication::processEvents();
        }
        delete box;
        if (i % 100 == 0)
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    Pump(50);
    const auto after = desktop->Count();
    EXPECT_EQ(after.Widgets, before.Widgets);
    EXPECT_EQ(after.ForeignWindows, before.ForeignWindows);
    EXPECT_EQ(after.RunningTimers, before.RunningTimers);
    EXPECT_EQ(QApplication::allWidgets().size(), widgetsBefore);
    ExpectWorking(*keeper);
}

TEST(SharedDesktop, TheLastBoxGoneTheNextOneGetsAFreshDesktop) {
    std::weak_ptr<tk::qt::QtDesktop> first;
    {
        KorvaneBox box;
        first = tk::qt::QtDesktop::Shared();
        EXPECT_EQ(first.lock()->Count().ForeignWindows, 1u);
    }
    Pump(20);
    EXPECT_TRUE(first.expired()) << "nobody holds it any more";
    KorvaneBox again;
    EXPECT_EQ(tk::qt::QtDesktop::Shared()->Count().ForeignWindows, 1u);
}

}  // namespace
}  // namespace korvane::test

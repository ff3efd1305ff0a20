// The change signals of KorvaneBox's properties: each way a property can
// change (the program, by either of its names, the keys, the mouse, a
// resize, a new style) emits the property's NOTIFY signal exactly once,
// with the value the property reads afterwards. The top row's signal has
// its own test beside the scrolling it follows (korvane_box_test.cpp).
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "korvane/qt/KorvaneBox.h"
#include "widget_support.h"

namespace korvane::test {
namespace {

using korvane::qt::KorvaneBox;

// Runs what Qt has queued (the box reads what the user changed once the
// control has finished with the input), without waiting for any time.
void Settle() {
    for (int turn = 0; turn < 3; ++turn) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

// A box on a shown window, filled with ten rows.
struct Shown {
    explicit Shown(KorvaneBox::Style style) {
        auto* layout = new QVBoxLayout(&window);
        box = new KorvaneBox;
        box->setBoxStyle(style);
        for (int i = 0; i < 10; ++i)
            box->addItem(QStringLiteral("r%1").arg(i), QStringLiteral("row %1").arg(i), i);
        layout->addWidget(box);
        layout->addStretch();
        window.resize(400, 300);
        window.show();
        Settle();
    }
    QWidget window;
    KorvaneBox* box = nullptr;
};

// A press and release of the left button at `at` in `w`, as the window
// system delivers them.
void Click(QWidget* w, QPoint at) {
    const QPointF local(at);
    const QPointF global = w->mapToGlobal(local);
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &release);
}

// The place of row `row` in a list's rows, for a click.
QPoint RowAt(QWidget* rows, int row, int rowHeight) {
    return {rows->width() / 4, row * rowHeight + rowHeight / 2};
}

struct Way {
    const char* name;
    std::function<void(KorvaneBox&)> change;
};

// Each way, on a box of its own, emits `signal` once with what `read`
// gives afterwards.
template <class Signal, class Read>
void EachWayEmitsOnce(KorvaneBox::Style style, Signal signal, Read read, const std::vector<Way>& ways) {
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        Shown shown(style);
        KorvaneBox& box = *shown.box;
        const auto before = read(box);
        QSignalSpy spy(&box, signal);
        way.change(box);
        Settle();
        ASSERT_NE(read(box), before) << "the property changed";
        EXPECT_EQ(spy.count(), 1);
        if (!spy.isEmpty()) {
            EXPECT_EQ(spy.last().at(0).template value<decltype(read(box))>(), read(box));
        }
    }
}

QWidget* Field(KorvaneBox& box) {
    return Child(box, "txtCol1");
}

int RowHeight(QWidget* list) {
    // The lists lay their rows out one font line apart.
    return list->fontMetrics().height();
}

// Simple Combo's first list: its rows' area, where the rows are drawn.
QWidget* Rows(KorvaneBox& box) {
    QWidget* list = Child(box, "lstCol1a");
    auto* area = list != nullptr ? list->findChild<QWidget*>(QStringLiteral("qt_scrollarea_viewport")) : nullptr;
    return area != nullptr ? area : list;
}

const std::vector<Way> kChoosingARow = {
    {"the program", [](KorvaneBox& box) { box.setCurrentIndex(4); }},
    {"the program, by the control's name", [](KorvaneBox& box) { box.setProperty("listIndex", 4); }},
    {"a key in the field",
     [](KorvaneBox& box) {
         box.setFocus();
         SendKey(Field(box), Qt::Key_Down);
     }},
    {"a click on a row of the list",
     [](KorvaneBox& box) {
         QWidget* rows = Rows(box);
         Click(rows, RowAt(rows, 3, RowHeight(rows)));
     }},
};

TEST(KorvaneBoxChangeSignals, ChoosingARowTellsTheCurrentIndexOnce) {
    EachWayEmitsOnce(
        KorvaneBox::SimpleCombo, &KorvaneBox::currentIndexChanged, [](KorvaneBox& box) { return box.currentIndex(); },
        kChoosingARow);
    EachWayEmitsOnce(
        KorvaneBox::SimpleCombo, &KorvaneBox::listIndexChanged, [](KorvaneBox& box) { return box.listIndex(); },
        kChoosingARow);
}

TEST(KorvaneBoxChangeSignals, TheTextTellsEachChangeOnce) {
    std::vector<Way> ways = kChoosingARow;
    ways.push_back({"the program's text", [](KorvaneBox& box) { box.setText(QStringLiteral("new\ttext")); }});
    ways.push_back({"typing a character", [](KorvaneBox& box) {
                        box.setFocus();
                        SendKey(Field(box), Qt::Key_X, QStringLiteral("x"));
                    }});
    EachWayEmitsOnce(
        KorvaneBox::SimpleCombo, &KorvaneBox::textChanged, [](KorvaneBox& box) { return box.text(); }, ways);
}

TEST(KorvaneBoxChangeSignals, TheStyleIsToldOnceByEitherName) {
    for (const char* name : {"boxStyle", "style"}) {
        SCOPED_TRACE(name);
        KorvaneBox box;
        QSignalSpy spy(&box, &KorvaneBox::boxStyleChanged);
        box.setProperty(name, QVariant::fromValue(KorvaneBox::DropdownList));
        Settle();
        ASSERT_EQ(box.boxStyle(), KorvaneBox::DropdownList);
        ASSERT_EQ(spy.count(), 1);
        EXPECT_EQ(spy.last().at(0).value<KorvaneBox::Style>(), KorvaneBox::DropdownList);
    }
}

TEST(KorvaneBoxChangeSignals, FlagsAndSearchSettingsAreToldOnce) {
    EachWayEmitsOnce(KorvaneBox::DropdownCombo, &KorvaneBox::lockedChanged,
                     [](KorvaneBox& box) { return box.locked(); },
                     {{"the program", [](KorvaneBox& box) { box.setLocked(true); }}});
    EachWayEmitsOnce(KorvaneBox::DropdownCombo, &KorvaneBox::searchModeChanged,
                     [](KorvaneBox& box) { return box.searchMode(); },
                     {{"the program", [](KorvaneBox& box) { box.setSearchMode(2); }}});
    EachWayEmitsOnce(KorvaneBox::DropdownCombo, &KorvaneBox::searchColumnsChanged,
                     [](KorvaneBox& box) { return box.searchColumns(); },
                     {{"the program", [](KorvaneBox& box) { box.setSearchColumns(5); }}});
}

// AutoFill is set by the program and taken away by the list-only style,
// which has no fields to fill a row from.
TEST(KorvaneBoxChangeSignals, AutoFillIsToldOnceWhenSetAndWhenTheStyleTakesItAway) {
    {
        Shown shown(KorvaneBox::DropdownCombo);
        QSignalSpy spy(shown.box, &KorvaneBox::autoFillChanged);
        shown.box->setAutoFill(true);
        Settle();
        ASSERT_EQ(spy.count(), 1);
        EXPECT_TRUE(spy.last().at(0).toBool());
    }
    KorvaneBox box;
    box.setAutoFill(true);
    QSignalSpy spy(&box, &KorvaneBox::autoFillChanged);
    box.setBoxStyle(KorvaneBox::DropdownList);
    Settle();
    ASSERT_FALSE(box.autoFill());
    ASSERT_EQ(spy.count(), 1);
    EXPECT_FALSE(spy.last().at(0).toBool());
}

TEST(KorvaneBoxChangeSignals, ColoursAreToldOnce) {
    EachWayEmitsOnce(KorvaneBox::DropdownCombo, &KorvaneBox::backColorChanged,
                     [](KorvaneBox& box) { return box.backColor(); },
                     {{"the program", [](KorvaneBox& box) { box.setBackColor(QColor(255, 255, 200)); }}});
    EachWayEmitsOnce(KorvaneBox::DropdownCombo, &KorvaneBox::foreColorChanged,
                     [](KorvaneBox& box) { return box.foreColor(); },
                     {{"the program", [](KorvaneBox& box) { box.setForeColor(QColor(0, 0, 128)); }}});
}

// A new width of the box rescales both columns.
void Widen(KorvaneBox& box) {
    box.parentWidget()->layout()->removeWidget(&box);
    box.resize(box.width() + 150, box.height());
}

TEST(KorvaneBoxChangeSignals, ColumnWidthsAreToldOnceInPixelsAndInTwips) {
    const std::vector<Way> first = {
        {"the program, in pixels", [](KorvaneBox& box) { box.setColumn1Width(120); }},
        {"the program, in twips", [](KorvaneBox& box) { box.setWidthCol1(1800); }},
        {"a resize", Widen},
    };
    EachWayEmitsOnce(
        KorvaneBox::DropdownCombo, &KorvaneBox::column1WidthChanged, [](KorvaneBox& box) { return box.column1Width(); },
        first);
    EachWayEmitsOnce(
        KorvaneBox::DropdownCombo, &KorvaneBox::widthCol1Changed, [](KorvaneBox& box) { return box.widthCol1(); },
        first);
    const std::vector<Way> second = {
        {"the program, in pixels", [](KorvaneBox& box) { box.setColumn2Width(150); }},
        {"the program, in twips", [](KorvaneBox& box) { box.setWidthCol2(2250); }},
        {"a resize", Widen},
    };
    EachWayEmitsOnce(
        KorvaneBox::DropdownCombo, &KorvaneBox::column2WidthChanged, [](KorvaneBox& box) { return box.column2Width(); },
        second);
    EachWayEmitsOnce(
        KorvaneBox::DropdownCombo, &KorvaneBox::widthCol2Changed, [](KorvaneBox& box) { return box.widthCol2(); },
        second);
}

// Simple Combo's list is as tall as the box leaves below the fields.
TEST(KorvaneBoxChangeSignals, TheListHeightIsToldOnceInPixelsAndInTwips) {
    const std::vector<Way> ways = {
        {"the program, in pixels", [](KorvaneBox& box) { box.setListViewHeight(200); }},
        {"the program, in twips", [](KorvaneBox& box) { box.setListHeight(3000); }},
        {"a resize",
         [](KorvaneBox& box) {
             box.parentWidget()->layout()->removeWidget(&box);
             box.resize(box.width(), box.height() + 80);
         }},
    };
    EachWayEmitsOnce(
        KorvaneBox::SimpleCombo, &KorvaneBox::listViewHeightChanged,
        [](KorvaneBox& box) { return box.listViewHeight(); }, ways);
    EachWayEmitsOnce(
        KorvaneBox::SimpleCombo, &KorvaneBox::listHeightChanged, [](KorvaneBox& box) { return box.listHeight(); },
        ways);
}

}  // namespace
}  // namespace korvane::test

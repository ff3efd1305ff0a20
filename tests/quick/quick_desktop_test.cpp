// The Qt Quick desktop with the control on a form of the desktop's own: the
// form is a window, the drop-down a window of its own above it, and a
// person's presses and keys reach the control through Qt Quick's events.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>
#include <QTimer>
#include <memory>

#include "korvane/errors.h"
#include "korvane/toolkit/quick.h"
#include "korvane/ucvKorvane.h"

namespace korvane::tk::quick {
namespace {

struct Chosen : ucvKorvaneEvents {
    int clicks = 0;
    void Click() override { ++clicks; }
};

// The middle of row `row` of a list item, in its window's coordinates.
QPoint RowCentre(const QQuickItem& list, int row, int rowHeightPx) {
    return list.mapToScene(QPointF(20, 1 + rowHeightPx * (row + 0.5))).toPoint();
}

// A form of the desktop's own with a Dropdown Combo of three currencies,
// on the manual clock; shown by Show.
struct CurrencyForm {
    QuickDesktop desktop{QuickDesktop::Options{true}};
    std::unique_ptr<Form> form = desktop.CreateForm("frmHost");
    std::unique_ptr<ucvKorvane> box;
    Chosen events;

    CurrencyForm() {
        form->Width(6000);
        form->Height(3000);
        box = std::make_unique<ucvKorvane>(*form, Site{"Currency"});
        box->Advise(&events);
        box->InitProperties();
        box->AddItem("EUR", "Euro", 978);
        box->AddItem("USD", "US dollar", 840);
        box->AddItem("JPY", "Yen", 392);
    }
    // Shows the form; its window.
    QQuickWindow* Show() {
        form->Show();
        return desktop.WindowOf(*form);
    }
};

TEST(QuickDesktop, AClickOnTheButtonOpensTheDropDownInAWindowOfItsOwnAndAClickedRowIsChosen) {
    CurrencyForm host;
    host.form->Left(1500);
    host.form->Top(1500);
    QuickDesktop& desktop = host.desktop;
    ucvKorvane& box = *host.box;
    Chosen& events = host.events;
    QQuickWindow* window = host.Show();
    ASSERT_NE(window, nullptr);

    Widget* button = desktop.Find("frmHost.Currency.imgCombo");
    ASSERT_NE(button, nullptr);
    QQuickItem* buttonItem = desktop.ItemOf(*button);
    QTest::mouseClick(window, Qt::LeftButton, {}, buttonItem->mapToScene(QPointF(4, 4)).toPoint());

    Widget* list = desktop.FocusWidget();
    ASSERT_NE(list, nullptr) << "the drop-down's list has the focus";
    EXPECT_EQ(list->Name(), "lstCol1");
    QQuickItem* listItem = desktop.ItemOf(*list);
    QQuickWindow* dropDown = listItem->window();
    ASSERT_NE(dropDown, nullptr);
    EXPECT_NE(dropDown, window) << "a form of the desktop's own opens its drop-down as a window";
    EXPECT_TRUE(dropDown->isVisible());
    Rect formRect, listRect = desktop.ScreenRectPx(*list);
    desktop.GetWindowRect(host.form->hWnd(), formRect);
    EXPECT_GT(listRect.Top, formRect.Top) << "under the box";

    const int rowHeight = static_cast<int>(box.Container().TextHeight("X") / desktop.TwipsPerPixelY());
    QTest::mouseClick(dropDown, Qt::LeftButton, {}, RowCentre(*listItem, 1, rowHeight));
    EXPECT_EQ(events.clicks, 0) << "the control takes the row at the next tick of its focus watcher";
    desktop.Advance(100);
    EXPECT_EQ(events.clicks, 1);
    EXPECT_EQ(box.ListIndex(), 1);
    EXPECT_EQ(box.Text(), "USD\tUS dollar");
    EXPECT_FALSE(dropDown->isVisible()) << "the drop-down closed";
}

TEST(QuickDesktop, KeysTypedIntoAFieldReachTheControl) {
    QuickDesktop desktop;
    auto form = desktop.CreateForm("frmHost");
    form->Width(6000);
    form->Height(3000);
    ucvKorvane box(*form, Site{"Currency"});
    box.InitProperties();
    box.AddItem("EUR", "Euro", 978);
    box.ListIndex(0);
    form->Show();
    QQuickWindow* window = desktop.WindowOf(*form);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window)) << "the form shown is the active window";
    Widget* field = desktop.Find("frmHost.Currency.txtCol1");
    ASSERT_NE(field, nullptr);
    field->SetFocus();
    EXPECT_TRUE(desktop.ItemOf(*field)->hasActiveFocus()) << "Qt Quick's focus follows the desktop's";
    QTest::keyClick(window, Qt::Key_End);
    QTest::keyClick(window, Qt::Key_S);
    EXPECT_EQ(box.TextCol(1), "EURs");
    EXPECT_EQ(box.ListIndex(), -1) << "free text drops the current row";
    QTest::keyClick(window, Qt::Key_Backspace);
    EXPECT_EQ(box.TextCol(1), "EUR");
}

// The drop-down of a form of the desktop's own takes no focus from the
// window system: the keys a person types arrive at the form, and go on to
// the drop-down's list, which has the desktop's focus.
TEST(QuickDesktop, KeysTypedAtTheFormReachTheOpenDropDown) {
    CurrencyForm host;
    QuickDesktop& desktop = host.desktop;
    ucvKorvane& box = *host.box;
    Chosen& events = host.events;
    QQuickWindow* window = host.Show();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    desktop.Find("frmHost.Currency.txtCol1")->SetFocus();
    QTest::keyClick(window, Qt::Key_F4);
    Widget* list = desktop.FocusWidget();
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->Name(), "lstCol1");
    EXPECT_NE(desktop.ItemOf(*list)->window(), window) << "the drop-down is a window of its own";
    QTest::keyClick(window, Qt::Key_Down);
    QTest::keyClick(window, Qt::Key_Down);
    QTest::keyClick(window, Qt::Key_Return);
    desktop.Advance(100);
    EXPECT_EQ(events.clicks, 1);
    EXPECT_EQ(box.ListIndex(), 1);
}

// A message box is a modal dialog of the desktop's own: the call returns
// once the person pressed its OK button.
TEST(QuickDesktop, AMessageBoxWaitsForItsOKButton) {
    QuickDesktop desktop(QuickDesktop::Options{true});
    std::string seen;
    QTimer::singleShot(0, [&] {
        Widget* prompt = desktop.Find("KorvaneMessageBox.lblPrompt");
        Widget* ok = desktop.Find("KorvaneMessageBox.btnOK");
        ASSERT_NE(prompt, nullptr);
        ASSERT_NE(ok, nullptr);
        seen = dynamic_cast<Label*>(prompt)->Caption();
        QQuickItem* button = desktop.ItemOf(*ok);
        QTest::mouseClick(button->window(), Qt::LeftButton, {}, button->mapToScene(QPointF(10, 10)).toPoint());
    });
    EXPECT_EQ(desktop.MsgBox("Invalid property value", msgbox::Critical, "Currency"), 1);
    EXPECT_EQ(seen, "Invalid property value");
    EXPECT_EQ(desktop.Find("KorvaneMessageBox"), nullptr) << "the dialog is gone";
}

// Timers tick on the desktop's clock, in time order; a handler may stop or
// destroy its own timer.
TEST(QuickDesktop, TimersTickOnTheDesktopsClock) {
    QuickDesktop desktop(QuickDesktop::Options{true});
    auto form = desktop.CreateForm("frmHost");
    auto fast = desktop.CreateTimer(*form, "tmrFast");
    auto slow = desktop.CreateTimer(*form, "tmrSlow");
    std::vector<std::string> ticks;
    fast->OnTimer = [&] { ticks.push_back("fast " + std::to_string(desktop.TickCount())); };
    slow->OnTimer = [&] {
        ticks.push_back("slow " + std::to_string(desktop.TickCount()));
        slow.reset();  // a timer that ends itself
    };
    fast->Interval(100);
    slow->Interval(150);
    desktop.Advance(350);
    EXPECT_EQ(ticks, (std::vector<std::string>{"fast 100", "slow 150", "fast 200", "fast 300"}));
    EXPECT_EQ(desktop.TickCount(), 350);
    fast->Enabled(false);
    desktop.Advance(1000);
    EXPECT_EQ(ticks.size(), 4u);
    EXPECT_THROW(desktop.Advance(-1), RuntimeError) << "the clock only moves forward";
}

}  // namespace
}  // namespace korvane::tk::quick

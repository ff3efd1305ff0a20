// The control on the Qt desktop, driven from outside the program: xdotool
// moves the X server's pointer and presses its keys, and the tests read back
// what the host and the user see. Screenshots of each situation go into the
// folder named by KORVANE_SCREENSHOTS.
#include <QAccessible>
#include <QElapsedTimer>
#include <QWidget>

#include "qt_support.h"

namespace korvane::test {
namespace {

class EndToEnd : public testing::Test {
protected:
    void SetUp() override {
        if (!HaveXdotool())
            GTEST_SKIP() << "xdotool is not installed";
        Xdo("mousemove 5 5");
    }
    std::unique_ptr<QtHost> Make(QtHost::Options options) {
        auto host = std::make_unique<QtHost>(options);
        EXPECT_TRUE(host->desktop.WidgetOf(*host->form)->isActiveWindow()) << "the host form never became active";
        return host;
    }
};

TEST_F(EndToEnd, ButtonOpensTheListHoverFollowsThePointerAndAClickChoosesTheRow) {
    auto host = Make({});
    host->Shot("dropdown-combo-closed");
    host->ClickAt(host->Centre(host->Widget("imgCombo")));
    ASSERT_TRUE(WaitUntil(host->desktop, [&] { return host->DropDownOpen(); }));
    auto& list1 = host->List("lstCol1");
    auto& list2 = host->List("lstCol2");
    const tk::Rect fields = host->desktop.ScreenRectPx(host->Widget("txtCol1"));
    const tk::Rect drop = host->desktop.ScreenRectPx(host->DropDown());
    EXPECT_EQ(drop.Left, fields.Left) << "the list opens flush under the fields";
    EXPECT_EQ(drop.Top, host->desktop.ScreenRectPx(host->control->Container()).Bottom);

    for (int row : {2, 5, 4}) {
        host->MoveTo(host->RowCentre(list1, row));
        EXPECT_TRUE(WaitUntil(host->desktop, [&] { return list1.ListIndex() == row; })) << "row " << row;
        EXPECT_EQ(list2.ListIndex(), row) << "both columns show the row under the pointer";
    }
    host->Shot("dropdown-combo-open");
    EXPECT_EQ(host->control->ListIndex(), -1) << "hovering chooses nothing";

    Xdo("click 1");
    ASSERT_TRUE(WaitUntil(host->desktop, [&] { return host->control->ListIndex() == 4; }));
    EXPECT_FALSE(host->DropDownOpen());
    EXPECT_EQ(host->Text("txtCol1").Text(), "JPY");
    EXPECT_EQ(host->Text("txtCol2").Text(), "Japanese yen");
    EXPECT_EQ(host->recorder.Count("Click"), 1);
}

TEST_F(EndToEnd, TheButtonClosesTheListItOpenedAndTheFieldGetsTheFocusBack) {
    auto host = Make({});
    host->control->ListIndex(1);
    host->recorder.Clear();
    const auto button = host->Centre(host->Widget("imgCombo"));
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        host->ClickAt(button);
        ASSERT_TRUE(WaitUntil(host->desktop, [&] { return host->DropDownOpen(); }));
        host->desktop.ProcessEventsFor(30 * round);  // at another point of the watcher's period each round
        host->ClickAt(button);
        ASSERT_TRUE(WaitUntil(host->desktop, [&] { return !host->DropDownOpen(); }));
        host->desktop.ProcessEventsFor(150);
        EXPECT_FALSE(host->DropDownOpen()) << "closed, not opened again";
        EXPECT_EQ(host->desktop.GetFocus(), host->Widget("txtCol1").hWnd());
        EXPECT_EQ(host->Text("txtCol1").SelLength(), 3) << "with its text selected";
    }
    EXPECT_EQ(host->control->ListIndex(), 1);
    EXPECT_EQ(host->recorder.Count("Click"), 0);
}

// After a close by Escape, Enter or a chosen row, the next press on the
// button (and in Dropdown List on a label) opens the list again, however
// soon it comes: only a press that itself took the activation from the open
// list counts as its close.
TEST_F(EndToEnd, APressRightAfterTheDropDownClosedIsSwallowed) {
    for (StyleType style : {StyleType::DropdownCombo, StyleType::DropdownList}) {
        auto host = Make({.Style = style});
        // The button in one style, a label in the other: both open the list.
        const std::string target = style == StyleType::DropdownList ? "lblCol2" : "imgCombo";
        const auto [x, y] = host->Centre(host->Widget(target));
        const std::string press = "mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1";
        struct Close {
            const char* name;
            std::function<void()> act;
        };
        const Close closes[] = {
            {"Escape", [] { Xdo("key Escape"); }},
            {"Enter", [] { Xdo("key Return"); }},
            {"a click on a row", [&] { host->ClickAt(host->RowCentre(host->List("lstCol1"), 2)); }},
        };
        Xdo(press);
        ASSERT_TRUE(WaitUntil(host->desktop, [&] { return host->DropDownOpen(); }));
        for (const Close& close : closes) {
            for (int ms : {0, 50, 150, 300}) {
                SCOPED_TRACE(target + " " + std::to_string(ms) + " ms after " + close.name);
                close.act();
                ASSERT_TRUE(WaitUntil(host->desktop, [&] { return !host->DropDownOpen(); }));
                host->desktop.ProcessEventsFor(ms);
                Xdo(press);
                ASSERT_TRUE(WaitUntil(
                    host->desktop, [&] { return host->DropDownOpen(); }, 1000))
                    << "the press opens the list";
            }
        }
        Xdo(press);
        EXPECT_TRUE(WaitUntil(host->desktop, [&] { return !host->DropDownOpen(); })) << "and a press on it closes it";
    }
}

TEST_F(EndToEnd, AltDownOpensDownMovesAndEnterChooses) {
    auto host = Make({});
    host->control->ListIndex(2);
    // A press at 7, 5 pixels into the field reaches the host in twips of the field.
    const tk::Rect field = host->desktop.ScreenRectPx(host->Widget("txtCol1"));
    host->ClickAt({field.Left + 7, field.Top + 5});
    ASSERT_TRUE(WaitUntil(host->desktop, [&] {
        return host->desktop.GetFocus() == host->Widget("txtCol1").hWnd() && host->recorder.Count("MouseUp") == 1;
    }));
    EXPECT_EQ(host->recorder.Count("MouseDown 1 0 105 75"), 1) << testing::PrintToString(host->recorder.events);
    host->recorder.Clear();
    Xdo("key alt+Down");
    ASSERT_TRUE(WaitUntil(host->desktop, [&] { return host->DropDownOpen(); }));
    // The host sees the Alt key with its codes; Alt+Down itself belongs to
    // the control.
    EXPECT_EQ(host->recorder.Count("KeyDown 18 4"), 1) << testing::PrintToString(host->recorder.events);
    EXPECT_EQ(host->recorder.Count("KeyDown 40"), 0);
    Xdo("key Down");
    ASSERT_TRUE(WaitUntil(host->desktop, [&] { return host->List("lstCol1").ListIndex() == 3; }));
    Xdo("key Return");
    ASSERT_TRUE(WaitUntil(host->desktop, [&] { return host->control->ListIndex() == 3; }));
    EXPECT_FALSE(host->DropDownOpen());
    EXPECT_EQ(host->control->Text(), "GBP\tPound sterling");
    EXPECT_EQ(host->recorder.Count("Click"), 1);
}

TEST_F(EndToEnd, TypingIntoDropdownComboWithAutoFillAddsTheRowAndRaisesFilled) {
    auto host = Make({.AutoFill = true});
    const std::int32_t before = host->control->ListCount();
    host->ClickAt(host->Centre(host->Widget("txtCol1")));
    ASSERT_TRUE(WaitUntil(host->desktop, [&] { return host->desktop.GetFocus() == host->Widget("txtCol1").hWnd(); }));
    Xdo("type --delay 20 XAU");
    Xdo("key Return");
    ASSERT_TRUE(WaitUntil(host->desktop, [&] { return host->desktop.GetFocus() == host->Widget("txtCol2").hWnd(); }))
        << "Enter in column 1 moves on to column 2";
    Xdo("type --delay 20 Gold");
    Xdo("key Return");
    ASSERT_TRUE(WaitUntil(host->desktop, [&] { return host->recorder.Count("Filled") == 1; }));
    ASSERT_EQ(host->control->ListCount(), before + 1);
    EXPECT_EQ(host->control->ListCol(1, before), "XAU");
    EXPECT_EQ(host->control->ListCol(2, before), "Gold");
    EXPECT_GE(host->recorder.Count("KeyPress 88 1"), 1) << "the host saw the X typed into column 1";
    host->Shot("dropdown-combo-filled");
}

TEST_F(EndToEnd, TabbingIntoDropdownListDrawsTheHighlightAndTabbingOutRemovesIt) {
    auto host = Make({.Style = StyleType::DropdownList, .HostFieldFirst = true});
    host->control->ListIndex(1);
    host->Shot("dropdown-list-closed");
    host->ClickAt(host->Centre(*host->hostField));
    ASSERT_TRUE(WaitUntil(host->desktop, [&] { return host->desktop.GetFocus() == host->hostField->hWnd(); }));
    const std::uint32_t highlight = host->desktop.GetSysColor(tk::syscolor::Highlight);
    auto& label = host->Widget("lblCol1");
    EXPECT_NE(label.BackColor(), highlight);

    Xdo("key Tab");
    ASSERT_TRUE(WaitUntil(host->desktop, [&] { return label.BackColor() == highlight; }))
        << "the watcher draws the highlight once the control has the focus";
    EXPECT_EQ(host->desktop.GetFocus(), host->control->hWnd());
    EXPECT_EQ(host->desktop.FocusRects(host->control->hDC()).size(), 1u) << "with the dotted focus rectangle";
    host->Shot("dropdown-list-highlight");

    Xdo("key Tab");
    ASSERT_TRUE(WaitUntil(host->desktop, [&] { return label.BackColor() != highlight; }));
    EXPECT_TRUE(host->desktop.FocusRects(host->control->hDC()).empty());
}

TEST_F(EndToEnd, AClickOutsideClosesTheDropDownWithinOneTickWithoutChoosing) {
    auto host = Make({.Style = StyleType::DropdownList});
    host->ClickAt(host->Centre(host->Widget("imgCombo")));
    ASSERT_TRUE(WaitUntil(host->desktop, [&] { return host->DropDownOpen(); }));
    host->Shot("dropdown-list-open");
    host->MoveTo(host->RowCentre(host->List("lstCol1"), 3));
    ASSERT_TRUE(WaitUntil(host->desktop, [&] { return host->List("lstCol1").ListIndex() == 3; }));

    const tk::Rect formRect = host->desktop.ScreenRectPx(*host->form);
    host->MoveTo({formRect.Right - 20, formRect.Bottom - 20});
    host->desktop.ProcessEventsFor(30);
    QElapsedTimer clock;
    Xdo("click 1");
    clock.start();
    ASSERT_TRUE(WaitUntil(host->desktop, [&] { return !host->DropDownOpen(); }));
    EXPECT_LE(clock.elapsed(), 100 + 50) << "closed by the first tick of the focus watcher at the latest";
    EXPECT_EQ(host->control->ListIndex(), -1);
    host->desktop.ProcessEventsFor(150);
    EXPECT_EQ(host->recorder.Count("Click"), 0);
}

TEST_F(EndToEnd, TheWheelOverEitherListOfTheSimpleComboScrollsBoth) {
    auto host = Make({.Style = StyleType::SimpleCombo});
    auto& list1 = host->List("lstCol1a");
    auto& list2 = host->List("lstCol2a");
    for (tk::ListBox* over : {&list2, &list1}) {
        list1.TopIndex(0);
        list2.TopIndex(0);
        host->MoveTo(host->RowCentre(*over, 1));
        Xdo("click 5");  // one notch towards the end
        ASSERT_TRUE(WaitUntil(host->desktop, [&] { return over->TopIndex() == 1 || over->TopIndex() > 0; }));
        host->desktop.ProcessEventsFor(30);
        EXPECT_EQ(list1.TopIndex(), list2.TopIndex()) << over->Name();
        EXPECT_GT(list1.TopIndex(), 0) << over->Name();
    }
    host->control->ListIndex(3);
    host->Shot("simple-combo");
}

TEST_F(EndToEnd, TheWheelOverEitherListOfTheDropDownScrollsBoth) {
    auto host = Make({});
    for (int i = 0; i < 30; ++i)
        host->control->AddItem("X" + std::to_string(i), "extra " + std::to_string(i));
    host->ClickAt(host->Centre(host->Widget("imgCombo")));
    ASSERT_TRUE(WaitUntil(host->desktop, [&] { return host->DropDownOpen(); }));
    auto& list1 = host->List("lstCol1");
    auto& list2 = host->List("lstCol2");
    int expected = 0;
    for (tk::ListBox* over : {&list1, &list2}) {
        host->MoveTo(host->RowCentre(*over, over->TopIndex() + 1));
        Xdo("click 5");
        expected += 3;
        ASSERT_TRUE(WaitUntil(host->desktop, [&] { return list2.TopIndex() == expected; })) << over->Name();
        EXPECT_EQ(list1.TopIndex(), expected) << over->Name();
    }
}

TEST_F(EndToEnd, ALockedControlKeepsItsRowWhateverTheUserDoes) {
    auto host = Make({});
    host->control->ListIndex(1);
    host->control->Locked(true);
    host->ClickAt(host->Centre(host->Widget("imgCombo")));
    ASSERT_TRUE(WaitUntil(host->desktop, [&] { return host->DropDownOpen(); }));
    host->MoveTo(host->RowCentre(host->List("lstCol1"), 5));
    host->desktop.ProcessEventsFor(100);
    EXPECT_EQ(host->List("lstCol1").ListIndex(), 1);
    host->Shot("dropdown-combo-locked");
    Xdo("click 1");
    ASSERT_TRUE(WaitUntil(host->desktop, [&] { return !host->DropDownOpen(); }));
    host->desktop.ProcessEventsFor(150);
    EXPECT_EQ(host->control->ListIndex(), 1);
}

}  // namespace
}  // namespace korvane::test

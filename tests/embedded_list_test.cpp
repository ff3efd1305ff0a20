// The always-visible lists of Simple Combo used with the mouse: choosing a
// row at the press and at the release, the two lists kept together while
// scrolling and dragging, Locked, and the events passed to the host.
#include <gtest/gtest.h>

#include "support.h"

namespace korvane::test {
namespace {

class EmbeddedList : public testing::Test {
protected:
    Host host{StyleType::SimpleCombo};
    ucvKorvane& ctl = host.ctl();
    tk::ListBox& list1() { return host.Widget<tk::ListBox>("lstCol1a"); }
    tk::ListBox& list2() { return host.Widget<tk::ListBox>("lstCol2a"); }
    void SetUp() override {
        for (int i = 0; i < 30; ++i)
            ctl.AddItem("r" + std::to_string(i), "c" + std::to_string(i), i);
        host.recorder.Clear();
    }
};

TEST_F(EmbeddedList, APlainClickChoosesAtThePressAndAtTheRelease) {
    host.desktop.ClickRow(list2(), 3);
    EXPECT_EQ(ctl.ListIndex(), 3);
    EXPECT_EQ(list1().ListIndex(), 3);
    EXPECT_EQ(ctl.Text(), "r3\tc3");
    const auto events = host.recorder.WithoutMoves();
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].rfind("MouseDown 1 0 ", 0), 0u);
    EXPECT_EQ(events[1], "Click");
    EXPECT_EQ(events[2].rfind("MouseUp 1 0 ", 0), 0u);
    EXPECT_EQ(events[3], "Click");
}

TEST_F(EmbeddedList, TheRightButtonChoosesNothingAndShiftChoosesOnlyAtThePress) {
    host.desktop.ClickRow(list1(), 4, tk::button::Right);
    EXPECT_EQ(ctl.ListIndex(), -1);
    EXPECT_EQ(host.recorder.Count("MouseDown 2"), 1);
    EXPECT_EQ(host.recorder.Count("MouseUp 2"), 1);

    host.recorder.Clear();
    host.desktop.KeyDown(tk::key::Shift);
    host.desktop.ClickRow(list1(), 4);
    host.desktop.KeyUp(tk::key::Shift);
    EXPECT_EQ(ctl.ListIndex(), 4);
    EXPECT_EQ(host.recorder.Count("Click"), 1);
}

TEST_F(EmbeddedList, ScrollingOneListScrollsTheOther) {
    host.desktop.ScrollTo(list2(), 7);
    EXPECT_EQ(list1().TopIndex(), 7);
    EXPECT_EQ(ctl.TopIndex(), 7);
    host.desktop.ScrollTo(list1(), 2);
    EXPECT_EQ(list2().TopIndex(), 2);
    EXPECT_EQ(ctl.TopIndex(), 2);
}

TEST_F(EmbeddedList, MovingThePointerKeepsTheListsTogetherAndChoosesNothing) {
    ctl.ListIndex(1);
    host.recorder.Clear();
    host.desktop.MoveToRow(list1(), 5);
    host.desktop.MoveToRow(list2(), 6);
    EXPECT_EQ(ctl.ListIndex(), 1);
    EXPECT_EQ(list1().ListIndex(), list2().ListIndex());
    EXPECT_EQ(list1().TopIndex(), list2().TopIndex());
    EXPECT_EQ(host.recorder.Count("Click"), 0);
    EXPECT_GT(host.recorder.Count("MouseMove"), 0);
}

TEST_F(EmbeddedList, LockedClicksAndDragsLeaveTheStoredRow) {
    ctl.ListIndex(2);
    ctl.Locked(true);
    host.recorder.Clear();
    host.desktop.MoveToRow(list1(), 5);
    host.desktop.MouseDown();
    host.desktop.MoveToRow(list1(), 8);
    host.desktop.MouseUp();
    host.desktop.ClickRow(list2(), 9);
    EXPECT_EQ(ctl.ListIndex(), 2);
    EXPECT_EQ(list1().ListIndex(), 2);
    EXPECT_EQ(list2().ListIndex(), 2);
    EXPECT_EQ(list1().TopIndex(), list2().TopIndex());
    EXPECT_EQ(host.recorder.Count("Click"), 0);
}

// A saved current row that names a row not added yet (the form restores
// the index before the host fills the list): locked, the lists show no row
// while the row does not exist, whether it lies past the end or is the one
// just past the last row, and show it once it does.
TEST(EmbeddedListRestored, ALockedListShowsAStoredRowOnlyOnceItExists) {
    for (int rows : {3, 4}) {
        SCOPED_TRACE(rows);
        const auto driver = MakeTestDesktop();
        TestDesktop& desktop = *driver;
        auto form = desktop.CreateForm("Form1");
        form->Width(9000);
        form->Height(6000);
        ucvKorvane ctl(*form);
        ctl.Container().Width(3970);
        ctl.Container().Height(2130);
        tk::MemoryPropertyBag bag;
        bag.Set("Style", static_cast<std::int32_t>(StyleType::SimpleCombo));
        bag.Set("ListIndex", std::int32_t{4});
        ctl.ReadProperties(bag);
        form->Show();
        ctl.Locked(true);
        for (int i = 0; i < rows; ++i)
            ctl.AddItem("r" + std::to_string(i), "c" + std::to_string(i), i);
        auto& list = *static_cast<tk::ListBox*>(desktop.Find("Form1.KorvaneBox1.lstCol1a"));
        desktop.MoveToRow(list, 1);
        desktop.ClickRow(list, 2);
        EXPECT_EQ(list.ListIndex(), -1) << "no row 4 among " << rows << " rows";
        ctl.AddItem("r4", "c4", 4);
        if (rows == 4) {
            desktop.ClickRow(list, 2);
            EXPECT_EQ(list.ListIndex(), 4) << "row 4 exists now";
        }
    }
}

TEST_F(EmbeddedList, APressBelowTheLastRowChoosesNothing) {
    ctl.Clear();
    ctl.AddItem("only", "row");
    host.desktop.MoveTo(list1(), 30, 600);
    host.desktop.MouseDown();
    host.desktop.MouseUp();
    EXPECT_EQ(ctl.ListIndex(), -1);
    EXPECT_EQ(host.recorder.Count("Click"), 0);
}

TEST_F(EmbeddedList, AHostClickHandlerThatClearsTheRowsMidClick) {
    host.recorder.onClick = [&] { ctl.Clear(); };
    host.desktop.ClickRow(list1(), 3);
    EXPECT_EQ(ctl.ListCount(), 0);
    EXPECT_EQ(ctl.ListIndex(), -1);
}

}  // namespace
}  // namespace korvane::test

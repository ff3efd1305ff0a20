// The current row: choosing it (ListIndex), scrolling (TopIndex), the texts
// it shows (Text, TextCol) in fields or labels, Click and Locked, design-time
// refusals, and hosts whose handlers throw or call back into the control.
#include <gtest/gtest.h>

#include "support.h"

namespace korvane::test {
namespace {

class CurrentRow : public testing::TestWithParam<StyleType> {
protected:
    Host host{GetParam()};
    ucvKorvane& ctl = host.ctl();
    void SetUp() override { host.Fill({{"Alpha", "Beta"}, {"Gamma", ""}, {"Delta", "Epsilon"}}); }
};

INSTANTIATE_TEST_SUITE_P(Styles, CurrentRow, testing::ValuesIn(kAllStyles), StyleLabel);

TEST_P(CurrentRow, ChoosingARowShowsItSelectsItInBothListsAndRaisesClickOnce) {
    ctl.ListIndex(2);
    EXPECT_EQ(ctl.ListIndex(), 2);
    EXPECT_EQ(host.RowList(1).ListIndex(), 2);
    EXPECT_EQ(host.RowList(2).ListIndex(), 2);
    EXPECT_EQ(ctl.TextCol(1), "Delta");
    EXPECT_EQ(ctl.TextCol(2), "Epsilon");
    EXPECT_EQ(ctl.Text(), "Delta\tEpsilon");
    EXPECT_EQ(host.recorder.events, (std::vector<std::string>{"Click"}));
    ctl.ListIndex(2);
    EXPECT_EQ(host.recorder.Count("Click"), 2) << "the same row again is announced again";
}

TEST_P(CurrentRow, TheHostsClickHandlerSeesTheNewRow) {
    std::string seen;
    host.recorder.onClick = [&] { seen = std::to_string(ctl.ListIndex()) + " " + ctl.Text() + " " + ctl.TextCol(1); };
    ctl.ListIndex(0);
    EXPECT_EQ(seen, "0 Alpha\tBeta Alpha");
}

TEST_P(CurrentRow, NoRowEmptiesTheFieldsAndSelectsNothing) {
    ctl.ListIndex(1);
    host.recorder.Clear();
    ctl.ListIndex(-1);
    EXPECT_EQ(host.RowList(1).ListIndex(), -1);
    EXPECT_EQ(host.RowList(2).ListIndex(), -1);
    EXPECT_EQ(ctl.Text(), "");
    EXPECT_EQ(ctl.TextCol(1), "");
    EXPECT_EQ(host.recorder.events, (std::vector<std::string>{"Click"}));
}

TEST_P(CurrentRow, LockedChangesTheRowWithoutClick) {
    ctl.Locked(true);
    ctl.ListIndex(2);
    EXPECT_EQ(ctl.ListIndex(), 2);
    EXPECT_EQ(ctl.TextCol(1), "Delta");
    EXPECT_EQ(host.recorder.Count("Click"), 0);
    EXPECT_TRUE(ctl.Locked());
}

TEST_P(CurrentRow, TextLeavesOutAnEmptyColumnTwo) {
    ctl.ListIndex(1);
    EXPECT_EQ(ctl.Text(), "Gamma");
}

TEST_P(CurrentRow, TopIndexReadsBackWhatTheListCanShow) {
    for (int i = 0; i < 30; ++i)
        ctl.AddItem("more " + std::to_string(i), "x");
    const std::int32_t last = ctl.ListCount() - 1;
    ctl.TopIndex(last);
    const std::int32_t rows = host.desktop.VisibleRows(host.RowList(2));
    if (rows > 0) {
        EXPECT_EQ(ctl.TopIndex(), ctl.ListCount() - rows);
    }
    EXPECT_EQ(ctl.TopIndex(), host.RowList(2).TopIndex());
    EXPECT_EQ(host.RowList(1).TopIndex(), host.RowList(2).TopIndex());
    EXPECT_EQ(ctl.ListIndex(), -1) << "scrolling does not choose a row";
    EXPECT_TRUE(host.recorder.events.empty());
}

TEST_P(CurrentRow, TheListIndexWriteIsAnnouncedBeforeTheClick) {
    ctl.ListIndex(0);
    const auto& changes = host.desktop.PropertyChanges();
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(changes.front().Property, "ListIndex");
}

TEST_P(CurrentRow, AHostHandlerThatThrowsReachesTheHostAndLeavesTheControlUsable) {
    host.recorder.onClick = [] { throw std::runtime_error("host failure"); };
    EXPECT_THROW(ctl.ListIndex(1), std::runtime_error);
    EXPECT_EQ(ctl.ListIndex(), 1);
    EXPECT_EQ(ctl.TextCol(1), "Gamma");
    host.recorder.onClick = nullptr;
    ctl.RemoveItem(0);
    ctl.AddItem("Zeta", "Eta");
    EXPECT_EQ(ctl.ListCount(), 3);
    ctl.ListIndex(0);
    EXPECT_EQ(ctl.TextCol(1), "Gamma");
}

TEST_P(CurrentRow, AClickHandlerMayClearTheRowsOrChooseAnotherRow) {
    host.recorder.onClick = [&] {
        host.recorder.onClick = nullptr;
        ctl.ListIndex(0);
    };
    ctl.ListIndex(2);
    EXPECT_EQ(ctl.ListIndex(), 0);
    EXPECT_EQ(ctl.TextCol(1), "Alpha");
    EXPECT_EQ(host.recorder.Count("Click"), 2);

    host.recorder.onClick = [&] { ctl.Clear(); };
    ctl.ListIndex(1);
    EXPECT_EQ(ctl.ListCount(), 0);
    EXPECT_EQ(ctl.ListIndex(), -1);
    EXPECT_EQ(ctl.Text(), "");
}

TEST_P(CurrentRow, AClickHandlerMayDestroyTheControl) {
    host.recorder.onClick = [&] { host.control.reset(); };
    ctl.ListIndex(1);
    EXPECT_EQ(host.control, nullptr);
    // A new control on the same desktop works: nothing was left set.
    ucvKorvane again(*host.form, Site{"KorvaneBox2"});
    again.InitProperties();
    again.AddItem("a", "b");
    again.ListIndex(0);
    EXPECT_EQ(again.TextCol(1), "a");
}

TEST(CurrentRowDropdownList, LabelsShowTheRowAfterABlank) {
    Host host(StyleType::DropdownList);
    host.Fill({{"Alpha", "Beta"}});
    host.ctl().ListIndex(0);
    EXPECT_EQ(host.Widget<tk::Label>("lblCol1").Caption(), " Alpha");
    EXPECT_EQ(host.Widget<tk::Label>("lblCol2").Caption(), " Beta");
    EXPECT_EQ(host.ctl().TextCol(1), "Alpha");
    EXPECT_EQ(host.ctl().Text(), "Alpha\tBeta");
    host.ctl().ListIndex(-1);
    EXPECT_EQ(host.Widget<tk::Label>("lblCol1").Caption(), " ");
    EXPECT_EQ(host.ctl().Text(), "");
}

TEST(CurrentRowDropdownList, TextCannotBeSetAtRunTime) {
    Host host(StyleType::DropdownList);
    auto [number, description] = ErrorOf([&] { host.ctl().Text("a;b"); });
    EXPECT_EQ(number, 7);
    EXPECT_EQ(description, "Can't assign to read-only property");
}

TEST(CurrentRowDropdownList, AtDesignTimeOnlyADifferentTextIsRefused) {
    Host host(StyleType::DropdownList, /*userMode=*/false);
    host.ctl().Text("");  // equal to the last text
    EXPECT_TRUE(host.desktop.MessageBoxes().empty());
    host.ctl().Text("x");
    ASSERT_EQ(host.desktop.MessageBoxes().size(), 1u);
    EXPECT_EQ(host.desktop.MessageBoxes()[0].Prompt, "Can't assign to read-only property");
    EXPECT_EQ(host.desktop.MessageBoxes()[0].Style, 16);
    EXPECT_EQ(host.ctl().Text(), "");
}

TEST(CurrentRowEditStyles, SettingTextFillsTheFieldsAndKeepsTheRow) {
    for (StyleType style : {StyleType::DropdownCombo, StyleType::SimpleCombo}) {
        Host host(style);
        host.Fill({{"a", "1"}, {"b", "2"}});
        host.ctl().ListIndex(1);
        host.ctl().Text("x;y");
        EXPECT_EQ(host.ctl().TextCol(1), "x");
        EXPECT_EQ(host.ctl().TextCol(2), "y");
        EXPECT_EQ(host.ctl().ListIndex(), 1);
        EXPECT_EQ(host.ctl().Text(), "x\ty");
        host.ctl().Text("");  // both fields empty: no row any more
        EXPECT_EQ(host.ctl().ListIndex(), -1);
    }
}

TEST(CurrentRowEditStyles, BlankFieldsReadAsNoText) {
    Host host(StyleType::SimpleCombo);
    host.ctl().Text("  \t ");
    EXPECT_EQ(host.ctl().Text(), "");
    host.ctl().Text("a\t");
    EXPECT_EQ(host.ctl().Text(), "a");
}

TEST(CurrentRowAtDesignTime, TextSeparatesTheColumnsWithASemicolon) {
    Host host(StyleType::SimpleCombo, /*userMode=*/false);
    host.ctl().Text("a\tb");
    EXPECT_EQ(host.ctl().Text(), "a;b");
}

TEST(CurrentRowByMouse, ClickingARowOfTheEmbeddedListChoosesIt) {
    Host host(StyleType::SimpleCombo);
    host.Fill({{"Alpha", "Beta"}, {"Gamma", "Delta"}, {"Epsilon", "Zeta"}});
    host.desktop.ClickRow(host.Widget<tk::ListBox>("lstCol2a"), 1);
    EXPECT_EQ(host.ctl().ListIndex(), 1);
    EXPECT_EQ(host.ctl().Text(), "Gamma\tDelta");
    EXPECT_EQ(host.Widget<tk::ListBox>("lstCol1a").ListIndex(), 1);
    const auto events = host.recorder.WithoutMoves();
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].rfind("MouseDown 1 0", 0), 0u);
    EXPECT_EQ(events[1], "Click");
    EXPECT_EQ(events[2].rfind("MouseUp 1 0", 0), 0u);
    EXPECT_EQ(events[3], "Click");
}

TEST(CurrentRowByMouse, AHostThatDestroysTheControlInsideAClickSurvives) {
    Host host(StyleType::SimpleCombo);
    host.Fill({{"Alpha", "Beta"}, {"Gamma", "Delta"}});
    host.recorder.onClick = [&] { host.control.reset(); };
    host.desktop.ClickRow(host.Widget<tk::ListBox>("lstCol1a"), 1);
    EXPECT_EQ(host.control, nullptr);
}

}  // namespace
}  // namespace korvane::test

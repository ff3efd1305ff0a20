// Typing into the fields: free text drops the current row, Enter walks from
// column 1 to column 2, AutoFill appends the typed row and raises Filled,
// and the fields pass keys and mouse events on to the host.
#include <gtest/gtest.h>

#include "support.h"

namespace korvane::test {
namespace {

class TextEntry : public testing::TestWithParam<StyleType> {
protected:
    Host host{GetParam()};
    ucvKorvane& ctl = host.ctl();
    tk::TextBox& field1() { return host.Widget<tk::TextBox>("txtCol1"); }
    tk::TextBox& field2() { return host.Widget<tk::TextBox>("txtCol2"); }
    void Focus(tk::TextBox& field) { host.desktop.ClickAt(field, 30, 30); }
    void FillSeven() {
        host.Fill({{"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}, {"e", "5"}, {"f", "6"}, {"g", "7"}});
        host.recorder.Clear();
    }
};

INSTANTIATE_TEST_SUITE_P(EditStyles, TextEntry, testing::Values(StyleType::DropdownCombo, StyleType::SimpleCombo),
                         StyleLabel);

TEST_P(TextEntry, EnterInColumnOneOnlyMovesToColumnTwo) {
    for (bool autoFill : {false, true}) {
        for (bool locked : {false, true}) {
            SCOPED_TRACE(std::to_string(autoFill) + std::to_string(locked));
            ctl.AutoFill(autoFill);
            ctl.Locked(locked);
            field1().Text("x");
            field2().Text("y");
            Focus(field1());
            host.recorder.Clear();
            host.desktop.PressKey(tk::key::Return);
            EXPECT_EQ(host.desktop.GetFocus(), field2().hWnd());
            EXPECT_EQ(ctl.ListCount(), 0);
            EXPECT_EQ(host.recorder.Count("KeyPress"), 0);
            EXPECT_EQ(field1().Text(), "x");
        }
    }
}

TEST_P(TextEntry, EnterInColumnTwoWithoutAutoFillGoesBackToColumnOne) {
    Focus(field2());
    host.desktop.Type("y");
    host.desktop.PressKey(tk::key::Return);
    EXPECT_EQ(host.desktop.GetFocus(), field1().hWnd());
    EXPECT_EQ(ctl.ListCount(), 0);
    EXPECT_EQ(host.recorder.Count("Filled"), 0);
}

TEST_P(TextEntry, AutoFillAppendsTheRowAsTyped) {
    ctl.AutoFill(true);
    std::string seen;
    host.recorder.onFilled = [&] { seen = field1().Text() + "|" + field2().Text() + "|" + ctl.List(ctl.NewIndex()); };
    Focus(field1());
    host.desktop.Type(" a ");
    host.desktop.PressKey(tk::key::Return);
    host.desktop.Type("b ");
    host.desktop.PressKey(tk::key::Return);
    ASSERT_EQ(ctl.ListCount(), 1);
    EXPECT_EQ(ctl.ListCol(1, 0), " a ");
    EXPECT_EQ(ctl.ListCol(2, 0), "b ");
    EXPECT_EQ(ctl.ItemData(0), 0);
    EXPECT_EQ(field1().Text(), "");
    EXPECT_EQ(field2().Text(), "");
    EXPECT_EQ(host.desktop.GetFocus(), field1().hWnd());
    EXPECT_EQ(host.recorder.Count("Filled"), 1);
    EXPECT_EQ(seen, "|| a \tb ") << "the host sees empty fields and the new row";
}

// A pair the duplicate rule refuses is no new row: the user keeps what they
// typed to change it, hears the beep, and the host is not told of a row.
TEST_P(TextEntry, AutoFillWithARefusedPairEmptiedTheFieldsAndStillRaisedFilled) {
    struct Case {
        const char* name;
        int widthCol1;  // 0 hides column 1
        const char* col1;
        const char* col2;
    };
    const Case cases[] = {
        {"both columns", 1100, "eur", "EURO"},
        {"column 2 only", 0, "", "Euro"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Host host(GetParam());
        ucvKorvane& box = host.ctl();
        box.WidthCol1(c.widthCol1);
        box.AddItem(c.widthCol1 == 0 ? "" : "EUR", "Euro");
        box.AutoFill(true);
        tk::TextBox& f1 = host.Widget<tk::TextBox>("txtCol1");
        tk::TextBox& f2 = host.Widget<tk::TextBox>("txtCol2");
        f1.Text(c.col1);
        f2.Text(c.col2);
        f2.SetFocus();
        host.recorder.Clear();
        const auto beeps = host.desktop.Beeps();
        host.desktop.PressKey(tk::key::Return);
        EXPECT_EQ(box.ListCount(), 1);
        EXPECT_EQ(f1.Text(), c.col1);
        EXPECT_EQ(f2.Text(), c.col2);
        EXPECT_EQ(host.desktop.Beeps(), beeps + 1);
        EXPECT_EQ(host.recorder.Count("Filled"), 0);
        EXPECT_EQ(host.desktop.GetFocus(), f2.hWnd()) << "the user goes on where they were";

        f2.Text("Euro (old)");
        host.desktop.PressKey(tk::key::Return);
        EXPECT_EQ(box.ListCount(), 2) << "a changed pair is taken";
        EXPECT_EQ(host.recorder.Count("Filled"), 1);
    }
}

TEST_P(TextEntry, AutoFillNeedsBothColumnsFilledBeyondSpaces) {
    ctl.AutoFill(true);
    field1().Text("   ");
    field2().Text("z");
    Focus(field2());
    host.desktop.PressKey(tk::key::Return);
    EXPECT_EQ(ctl.ListCount(), 0);
    EXPECT_EQ(host.desktop.GetFocus(), field1().hWnd());
}

TEST_P(TextEntry, WithColumnOneHiddenTheRowHasOnlyColumnTwo) {
    ctl.WidthCol1(0);
    ctl.AutoFill(true);
    field2().SetFocus();
    host.desktop.Type("x");
    host.desktop.PressKey(tk::key::Return);
    ASSERT_EQ(ctl.ListCount(), 1);
    EXPECT_EQ(ctl.List(0), "\tx");
    EXPECT_EQ(host.desktop.GetFocus(), field2().hWnd());
    EXPECT_EQ(host.recorder.Count("Filled"), 1);
}

TEST_P(TextEntry, EnterInColumnOneWithColumnTwoHiddenStaysPut) {
    ctl.WidthCol2(0);
    field1().SetFocus();
    host.desktop.PressKey(tk::key::Return);
    EXPECT_EQ(host.desktop.GetFocus(), field1().hWnd());
}

TEST_P(TextEntry, LockedSwallowsEnterInColumnTwo) {
    ctl.AutoFill(true);
    field1().Text("a");
    field2().Text("b");
    ctl.Locked(true);
    field2().SetFocus();
    host.recorder.Clear();
    host.desktop.PressKey(tk::key::Return);
    EXPECT_EQ(ctl.ListCount(), 0);
    EXPECT_EQ(host.desktop.GetFocus(), field2().hWnd());
    EXPECT_EQ(host.recorder.Count("KeyPress"), 0);
    EXPECT_EQ(host.recorder.Count("Filled"), 0);
}

TEST_P(TextEntry, TypingDropsTheCurrentRowAndScrollsToTheTop) {
    FillSeven();
    ctl.ListIndex(5);
    host.recorder.Clear();
    Focus(field1());
    host.desktop.Type("a");
    EXPECT_EQ(ctl.ListIndex(), -1);
    EXPECT_EQ(host.RowList(1).ListIndex(), -1);
    EXPECT_EQ(host.RowList(2).ListIndex(), -1);
    EXPECT_EQ(host.RowList(1).TopIndex(), 0);
    EXPECT_EQ(ctl.TopIndex(), 0);
    EXPECT_EQ(host.recorder.Count("Click"), 0);
    EXPECT_EQ(host.recorder.Count("KeyPress 97 1"), 1);
}

TEST_P(TextEntry, AKeyTheHostCancelsKeepsTheRowInColumnOneButNotInColumnTwo) {
    FillSeven();
    host.recorder.onKeyPress = [](std::int16_t& keyAscii, std::int16_t& col) {
        keyAscii = 0;
        col = 9;  // a change of the column has no effect
    };
    ctl.ListIndex(5);
    Focus(field1());
    host.desktop.Type("a");
    EXPECT_EQ(ctl.ListIndex(), 5);
    EXPECT_EQ(field1().Text(), "f") << "the cancelled key is not typed";
    Focus(field2());
    host.desktop.Type("a");
    EXPECT_EQ(ctl.ListIndex(), -1);
}

TEST_P(TextEntry, TypingKeepsTheRowWithAnEmptyListOrWithAutoFill) {
    field1().SetFocus();
    host.desktop.Type("q");
    EXPECT_EQ(ctl.ListIndex(), -1);
    FillSeven();
    ctl.AutoFill(true);
    ctl.ListIndex(2);
    field2().SetFocus();
    host.desktop.Type("q");
    EXPECT_EQ(ctl.ListIndex(), 2);
}

TEST_P(TextEntry, EmptyingBothFieldsDropsTheRow) {
    FillSeven();
    ctl.ListIndex(0);  // "a" and "1"
    field1().Text("");
    EXPECT_EQ(ctl.ListIndex(), 0) << "column 2 still has text";
    field2().Text(" ");
    EXPECT_EQ(ctl.ListIndex(), 0) << "a blank is text";
    field2().Text("");
    EXPECT_EQ(ctl.ListIndex(), -1);
    // Backspace is an ordinary key: it drops the row as any typing does.
    ctl.ListIndex(1);
    field1().SetFocus();
    host.desktop.PressKey(tk::key::End);
    host.desktop.PressKey(tk::key::Back);
    EXPECT_EQ(ctl.ListIndex(), -1);
}

TEST_P(TextEntry, EnteringAFieldSelectsItsText) {
    field1().Text("hello");
    field2().Text("world");
    field2().SetFocus();
    field1().SetFocus();
    EXPECT_EQ(field1().SelStart(), 0);
    EXPECT_EQ(field1().SelLength(), 5);
    host.desktop.Type("Z");
    EXPECT_EQ(field1().Text(), "Z");
}

TEST_P(TextEntry, MouseEventsKeepTheFieldsCoordinates) {
    host.desktop.ClickAt(field2(), 45, 60);
    const auto events = host.recorder.WithoutMoves();
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events[0], "MouseDown 1 0 45 60");
    EXPECT_EQ(events[1], "MouseUp 1 0 45 60");
}

TEST_P(TextEntry, HostsThatChangeTheRowsInsideKeyPressOrFilled) {
    FillSeven();
    struct Reentry {
        const char* name;
        std::function<void()> action;
    };
    const Reentry actions[] = {
        {"remove the current row", [&] { ctl.RemoveItem(ctl.ListIndex() < 0 ? 0 : ctl.ListIndex()); }},
        {"clear", [&] { ctl.Clear(); }},
        {"sort", [&] { ctl.Sort(2); }},
        {"choose a row",
         [&] {
             if (ctl.ListCount() > 0)
                 ctl.ListIndex(0);
         }},
    };
    for (const auto& a : actions) {
        SCOPED_TRACE(a.name);
        if (ctl.ListCount() == 0)
            FillSeven();
        ctl.ListIndex(3);
        host.recorder.onKeyPress = [&](std::int16_t&, std::int16_t&) { a.action(); };
        field1().SetFocus();
        host.desktop.Type("k");
        host.recorder.onKeyPress = nullptr;
        EXPECT_GE(ctl.ListIndex(), -1);
        EXPECT_LT(ctl.ListIndex(), ctl.ListCount());
        EXPECT_EQ(host.RowList(1).ListCount(), host.RowList(2).ListCount());

        ctl.AutoFill(true);
        host.recorder.onFilled = [&] { a.action(); };
        field1().Text("new");
        field2().Text("row");
        field2().SetFocus();
        host.desktop.PressKey(tk::key::Return);
        host.recorder.onFilled = nullptr;
        ctl.AutoFill(false);
        EXPECT_EQ(host.RowList(1).ListCount(), host.RowList(2).ListCount());
        EXPECT_TRUE(host.desktop.MessageBoxes().empty());
    }
}

TEST(TextEntryDropdownCombo, EnteringAFieldClosesAnOpenDropDown) {
    Host host(StyleType::DropdownCombo);
    host.Fill({{"a", "1"}, {"b", "2"}});
    host.desktop.ClickAt(host.Widget("imgCombo"), 60, 60);
    auto& window = *host.desktop.Find("Window");
    ASSERT_TRUE(window.Visible());
    host.desktop.ClickAt(host.Widget("txtCol2"), 30, 30);
    EXPECT_FALSE(window.Visible());
}

}  // namespace
}  // namespace korvane::test

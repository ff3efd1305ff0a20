// The navigation keys in every place that takes them: the fields, the
// Dropdown List control itself and the embedded lists; Alt+Down, Delete,
// Locked, hosts that change or cancel the key, and letters, which move no
// list.
#include <gtest/gtest.h>

#include "support.h"

namespace korvane::test {
namespace {

std::vector<std::pair<std::string, std::string>> Rows(int n) {
    std::vector<std::pair<std::string, std::string>> rows;
    for (int i = 0; i < n; ++i)
        rows.push_back({"r" + std::to_string(i), "c" + std::to_string(i)});
    return rows;
}

struct Move {
    const char* name;
    int rows;
    std::int32_t from;
    std::int16_t key;
    std::int32_t to;  // -2: stays where it was, no Click
};

const Move kMoves[] = {
    {"down from no row", 3, -1, tk::key::Down, 0},
    {"down on the last row", 3, 2, tk::key::Down, -2},
    {"page down from 2 of 7", 7, 2, tk::key::PageDown, 6},
    {"page down from no row", 30, -1, tk::key::PageDown, 9},
    {"page up from 4", 7, 4, tk::key::PageUp, 0},
    {"page up on row 0", 7, 0, tk::key::PageUp, -2},
    {"up from no row", 7, -1, tk::key::Up, -2},
    {"up from 3", 7, 3, tk::key::Up, 2},
    {"down on an empty list", 0, -1, tk::key::Down, -2},
    {"page down on one row", 1, -1, tk::key::PageDown, 0},
    {"page up from the last of 32767", 32767, 32766, tk::key::PageUp, 32756},
    {"down on the last of 32767", 32767, 32766, tk::key::Down, -2},
};

TEST(KeyboardInFields, TheNavigationRule) {
    for (StyleType style : {StyleType::DropdownCombo, StyleType::SimpleCombo}) {
        for (const auto& m : kMoves) {
            SCOPED_TRACE(std::string(m.name) + (style == StyleType::SimpleCombo ? " simple" : " dropdown"));
            Host host(style);
            host.Fill(Rows(m.rows));
            if (m.from >= 0)
                host.ctl().ListIndex(m.from);
            host.Widget("txtCol2").SetFocus();
            host.recorder.Clear();
            host.desktop.PressKey(m.key);
            const std::int32_t expected = m.to == -2 ? m.from : m.to;
            EXPECT_EQ(host.ctl().ListIndex(), expected);
            EXPECT_EQ(host.RowList(1).ListIndex(), expected);
            EXPECT_EQ(host.RowList(2).ListIndex(), expected);
            EXPECT_EQ(host.recorder.Count("Click"), m.to == -2 ? 0 : 1);
            EXPECT_EQ(host.recorder.Count("KeyDown"), 1);
            if (m.to >= 0) {
                EXPECT_EQ(host.ctl().TextCol(1), "r" + std::to_string(m.to));
            }
        }
    }
}

TEST(KeyboardInFields, DeleteDropsTheRowAndStillDeletes) {
    Host host(StyleType::SimpleCombo);
    host.Fill(Rows(40));
    host.ctl().ListIndex(30);
    auto& field = host.Widget<tk::TextBox>("txtCol1");
    field.SetFocus();
    host.desktop.PressKey(tk::key::Home);
    host.desktop.PressKey(tk::key::Delete);
    EXPECT_EQ(host.ctl().ListIndex(), -1);
    EXPECT_EQ(field.Text(), "30");
    EXPECT_EQ(host.RowList(1).TopIndex(), 0);
    EXPECT_EQ(host.recorder.Count("Click"), 1) << "only the ListIndex write before";
}

TEST(KeyboardInFields, AltDown) {
    Host combo(StyleType::DropdownCombo);
    combo.Fill(Rows(3));
    combo.Widget("txtCol1").SetFocus();
    combo.recorder.Clear();
    combo.desktop.PressKey(tk::key::Down, tk::shift::Alt);
    EXPECT_TRUE(combo.desktop.Find("Window")->Visible());
    EXPECT_EQ(combo.recorder.Count("KeyDown"), 0);

    Host simple(StyleType::SimpleCombo);
    simple.Fill(Rows(3));
    simple.Widget("txtCol1").SetFocus();
    simple.recorder.Clear();
    simple.desktop.PressKey(tk::key::Down, tk::shift::Alt);
    EXPECT_EQ(simple.ctl().ListIndex(), -1);
    EXPECT_EQ(simple.recorder.Count("KeyDown"), 0);
    simple.desktop.PressKey(tk::key::Down, tk::shift::Alt | tk::shift::Shift);  // an ordinary Down
    EXPECT_EQ(simple.ctl().ListIndex(), 0);
}

TEST(KeyboardInFields, TheHostCanCancelOrLockedStops) {
    Host host(StyleType::SimpleCombo);
    host.Fill(Rows(5));
    host.Widget("txtCol1").SetFocus();
    host.recorder.onKeyDown = [](std::int16_t& keyCode, std::int16_t&) { keyCode = 0; };
    host.desktop.PressKey(tk::key::Down);
    EXPECT_EQ(host.ctl().ListIndex(), -1);
    host.recorder.onKeyDown = nullptr;
    host.ctl().Locked(true);
    host.desktop.PressKey(tk::key::Down);
    EXPECT_EQ(host.ctl().ListIndex(), -1);
    EXPECT_EQ(host.recorder.Count("KeyDown"), 2) << "the host sees every key";
}

TEST(KeyboardInEmbeddedList, MovesWithoutClickAndReportsTheKeyAfterwards) {
    Host host(StyleType::SimpleCombo);
    host.Fill(Rows(8));
    host.ctl().ListIndex(3);
    auto& list = host.Widget<tk::ListBox>("lstCol2a");
    list.SetFocus();
    host.recorder.Clear();
    host.desktop.PressKey(tk::key::Up);
    EXPECT_EQ(host.ctl().ListIndex(), 2);
    EXPECT_EQ(host.Widget<tk::ListBox>("lstCol1a").ListIndex(), 2);
    EXPECT_EQ(host.ctl().TextCol(1), "r2");
    EXPECT_EQ(host.recorder.events, (std::vector<std::string>{"KeyDown 0 0", "KeyUp 38 0"}));

    // End and Home go to the last and first row, as in a list view.
    host.desktop.PressKey(tk::key::End);
    EXPECT_EQ(host.ctl().ListIndex(), 7);
    EXPECT_EQ(host.Widget<tk::ListBox>("lstCol1a").ListIndex(), 7);
    host.desktop.PressKey(tk::key::Home);
    EXPECT_EQ(host.ctl().ListIndex(), 0);
    host.desktop.PressKey(tk::key::Down);
    host.desktop.PressKey(tk::key::Down);

    host.recorder.Clear();
    for (std::int16_t key : {std::int16_t{'A'}, tk::key::Space, tk::key::Return}) {
        host.desktop.PressKey(key);
    }
    EXPECT_EQ(host.ctl().ListIndex(), 2);
    EXPECT_EQ(host.recorder.Count("KeyDown"), 0);

    host.desktop.PressKey(tk::key::Delete);
    EXPECT_EQ(host.ctl().ListIndex(), 2) << "Delete removes no row";
    EXPECT_EQ(host.ctl().ListCount(), 8);
    EXPECT_EQ(host.recorder.Count("KeyDown 46 0"), 1);
}

TEST(KeyboardInDropdownList, KeysMoveTheRowThroughListIndex) {
    Host host(StyleType::DropdownList);
    host.Fill(Rows(3));
    host.ctl().ListIndex(0);
    host.ctl().Container().SetFocus();
    host.recorder.Clear();
    host.desktop.ClearRecords();
    host.desktop.PressKey(tk::key::Down);
    EXPECT_EQ(host.ctl().ListIndex(), 1);
    EXPECT_EQ(host.Widget<tk::Label>("lblCol1").Caption(), " r1");
    EXPECT_EQ(host.recorder.Count("Click"), 1);
    EXPECT_FALSE(host.desktop.FocusRects().empty()) << "the highlight is drawn";

    host.desktop.PressKey(tk::key::Down);
    host.desktop.PressKey(tk::key::Down);  // the last row: nothing
    EXPECT_EQ(host.ctl().ListIndex(), 2);
    EXPECT_EQ(host.recorder.Count("Click"), 2);
    host.desktop.PressKey(tk::key::Home);
    EXPECT_EQ(host.ctl().ListIndex(), 0) << "Home: the first row";
    host.desktop.PressKey(tk::key::End);
    EXPECT_EQ(host.ctl().ListIndex(), 2) << "End: the last row";
    host.desktop.PressKey(tk::key::End);  // already there: nothing
    EXPECT_EQ(host.recorder.Count("Click"), 4);

    host.recorder.onKeyDown = [](std::int16_t& keyCode, std::int16_t&) {
        if (keyCode == tk::key::Down)
            keyCode = tk::key::Up;
    };
    host.desktop.PressKey(tk::key::Down);
    EXPECT_EQ(host.ctl().ListIndex(), 1) << "the host's Up moved it, and the arriving Down made it count";

    host.recorder.onKeyDown = nullptr;
    host.ctl().Locked(true);
    host.desktop.PressKey(tk::key::Up);
    EXPECT_EQ(host.ctl().ListIndex(), 1);
}

// A letter typed where rows are chosen moves neither column: a list box's
// own first-letter jump would move only the list that has the focus, and
// Enter or the next tick would then commit a row the other column never
// showed. Every place that takes keys, with each column focused.
TEST(TypingALetterInTheOpenDropDownMovesOnlyColumnOne, NoListMovesAndTheRowShownIsTheRowCommitted) {
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"CHF", "Swiss franc"},  {"DKK", "Danish krone"},    {"EUR", "Euro"},          {"GBP", "Pound sterling"},
        {"JPY", "Japanese yen"}, {"NOK", "Norwegian krone"}, {"SEK", "Swedish krona"}, {"USD", "US dollar"},
    };
    struct Place {
        const char* name;
        StyleType style;
        int column;  // the list that has the focus
    };
    const Place places[] = {
        {"Dropdown Combo, column 1", StyleType::DropdownCombo, 1},
        {"Dropdown Combo, column 2", StyleType::DropdownCombo, 2},
        {"Dropdown List, column 1", StyleType::DropdownList, 1},
        {"Dropdown List, column 2", StyleType::DropdownList, 2},
        {"Simple Combo, column 1", StyleType::SimpleCombo, 1},
        {"Simple Combo, column 2", StyleType::SimpleCombo, 2},
    };
    for (const Place& place : places) {
        for (const char* typed : {"e", "E", "s", "\xc3\xa9"}) {
            SCOPED_TRACE(std::string(place.name) + ", typed " + typed);
            Host host(place.style);
            host.Fill(rows);
            tk::ListBox& focused = host.RowList(place.column);
            if (place.style == StyleType::SimpleCombo) {
                host.desktop.ClickRow(focused, 0);
            } else {
                host.PressButton();
                ASSERT_TRUE(host.DropDownWindow()->Visible());
                host.desktop.MoveToRow(focused, 0);
            }
            ASSERT_EQ(host.desktop.GetFocus(), focused.hWnd());
            for (int i = 0; i < 6; ++i)
                host.desktop.PressKey(tk::key::Down);
            ASSERT_EQ(host.RowList(1).ListIndex(), 6);  // Swedish krona
            host.desktop.Type(typed);
            EXPECT_EQ(host.RowList(1).ListIndex(), 6);
            EXPECT_EQ(host.RowList(2).ListIndex(), 6);
            host.desktop.PressKey(tk::key::Down);
            EXPECT_EQ(host.RowList(1).ListIndex(), 7) << "the keys go on from the row shown";
            EXPECT_EQ(host.RowList(2).ListIndex(), 7);
            host.desktop.PressKey(tk::key::Return);
            host.desktop.Advance(100);
            EXPECT_EQ(host.ctl().ListIndex(), 7);
            EXPECT_EQ(host.ctl().Text(), "USD\tUS dollar");
        }
    }
}

TEST(TypingALetterInTheOpenDropDownMovesOnlyColumnOne, TheClosedDropdownListIgnoresLettersToo) {
    Host host(StyleType::DropdownList);
    host.Fill({{"CHF", "Swiss franc"}, {"EUR", "Euro"}, {"SEK", "Swedish krona"}});
    host.ctl().ListIndex(2);
    host.ctl().Container().SetFocus();
    host.recorder.Clear();
    host.desktop.Type("e");
    EXPECT_EQ(host.ctl().ListIndex(), 2);
    EXPECT_EQ(host.RowList(1).ListIndex(), 2);
    EXPECT_EQ(host.RowList(2).ListIndex(), 2);
    EXPECT_EQ(host.recorder.Count("Click"), 0);
}

}  // namespace
}  // namespace korvane::test

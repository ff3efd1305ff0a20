// The drop-down as a person uses it: the button and the labels, placing the
// window on the screen, choosing a row by mouse and by keyboard, Escape,
// clicking elsewhere, Locked, a foreign host's modal drop-down, and the
// focus watcher's tick that hands a chosen row to the control.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "support.h"

namespace korvane::test {
namespace {

const std::vector<std::pair<std::string, std::string>> kRows = {
    {"CHF", "Swiss franc"},    {"DKK", "Danish krone"},     {"EUR", "Euro"},
    {"GBP", "Pound sterling"}, {"JPY", "Japanese yen"},     {"NOK", "Norwegian krone"},
    {"SEK", "Swedish krona"},  {"USD", "US dollar"},        {"CZK", "Czech koruna"},
    {"PLN", "Polish zloty"},   {"HUF", "Hungarian forint"}, {"ISK", "Icelandic krona"},
};

class DropDown : public DropDownFixture {
protected:
    void SetUp() override { FillWith(kRows); }
};

INSTANTIATE_TEST_SUITE_P(Styles, DropDown, kDropDownStyles, StyleLabel);

TEST_P(DropDown, ChoosingARowWithTheMouseReachesTheHostAtTheNextTick) {
    PressButton();
    ASSERT_TRUE(window().Visible());
    EXPECT_TRUE(host.desktop.IsTopMost(window().hWnd()));
    EXPECT_EQ(host.desktop.GetFocus(), list1().hWnd());

    host.desktop.MoveToRow(list1(), 3);
    EXPECT_EQ(list1().ListIndex(), 3);
    EXPECT_EQ(list2().ListIndex(), 3);
    EXPECT_EQ(ctl.ListIndex(), -1) << "hovering chooses nothing";

    host.desktop.ClickRow(list1(), 3);
    EXPECT_FALSE(window().Visible());
    EXPECT_EQ(ctl.ListIndex(), -1) << "the row is handed over at the next tick";
    EXPECT_EQ(host.recorder.Count("Click"), 0);

    Tick();
    EXPECT_EQ(ctl.ListIndex(), 3);
    EXPECT_EQ(ctl.Text(), "GBP\tPound sterling");
    EXPECT_EQ(host.recorder.Count("Click"), 1);
    Tick();
    EXPECT_EQ(host.recorder.Count("Click"), 1) << "handed over once";
}

// A host handler that fails inside the tick's hand-over reaches the
// desktop's log, once for the same failure, and the watcher keeps working.
TEST_P(DropDown, AnErrorInATickIsLoggedOnceAndTheWatcherGoesOn) {
    host.recorder.onClick = [] { throw std::runtime_error("the host's handler failed"); };
    for (int row : {3, 5}) {
        PressButton();
        host.desktop.ClickRow(list1(), row);
        Tick();
        EXPECT_EQ(ctl.ListIndex(), row) << "the row was handed over before the handler failed";
    }
    ASSERT_EQ(host.desktop.Logged().size(), 1U) << "the same failure is logged once";
    EXPECT_NE(host.desktop.Logged()[0].find("the host's handler failed"), std::string::npos);
    EXPECT_NE(host.desktop.Logged()[0].find("KorvaneBox1"), std::string::npos);

    host.recorder.onClick = nullptr;
    PressButton();
    EXPECT_TRUE(window().Visible());
    host.desktop.ClickRow(list1(), 7);
    EXPECT_FALSE(window().Visible());
    Tick();
    EXPECT_EQ(ctl.ListIndex(), 7) << "the watcher goes on";
}

TEST_P(DropDown, ChoosingARowWithTheKeyboard) {
    if (GetParam() == StyleType::DropdownCombo) {
        host.desktop.ClickAt(host.Widget("txtCol1"), 60, 60);
    } else {
        host.ctl().Container().SetFocus();
    }
    host.desktop.PressKey(tk::key::Down, tk::shift::Alt);
    ASSERT_TRUE(window().Visible());
    host.desktop.PressKey(tk::key::Down);
    host.desktop.PressKey(tk::key::Down);
    host.desktop.PressKey(tk::key::Return);
    EXPECT_FALSE(window().Visible());
    Tick();
    EXPECT_EQ(ctl.ListIndex(), 1);
    EXPECT_EQ(ctl.TextCol(1), "DKK");
    EXPECT_EQ(host.recorder.Count("Click"), 1);
}

TEST_P(DropDown, TheWindowOpensOnTheCurrentRowAndMovesTenRowsAPage) {
    ctl.ListIndex(3);
    PressButton();
    EXPECT_EQ(list1().ListIndex(), 3);
    struct Step {
        std::int16_t key;
        std::int32_t row;
    };
    const Step steps[] = {{tk::key::PageDown, 11}, {tk::key::Down, 11}, {tk::key::PageUp, 1}, {tk::key::PageUp, 0},
                          {tk::key::Up, 0},        {tk::key::End, 11},  {tk::key::Home, 0},   {tk::key::Down, 1}};
    for (const auto& step : steps) {
        host.desktop.PressKey(step.key);
        EXPECT_EQ(list1().ListIndex(), step.row) << "key " << step.key;
        EXPECT_EQ(list2().ListIndex(), step.row) << "key " << step.key;
    }
    EXPECT_EQ(ctl.ListIndex(), 3) << "keys move only the window's lists";
}

TEST_P(DropDown, EscapeAfterHoveringPutsTheListsBack) {
    ctl.ListIndex(2);
    host.recorder.Clear();
    PressButton();
    host.desktop.MoveToRow(list1(), 5);
    host.desktop.PressKey(tk::key::Escape);
    EXPECT_FALSE(window().Visible());
    EXPECT_EQ(list1().ListIndex(), 2);
    EXPECT_EQ(list2().ListIndex(), 2);
    Tick();
    EXPECT_EQ(ctl.ListIndex(), 2);
    EXPECT_EQ(host.recorder.Count("Click"), 0);
}

TEST_P(DropDown, ClicksWithModifiersOrTheRightButtonChooseNothing) {
    PressButton();
    host.desktop.KeyDown(tk::key::Shift);
    host.desktop.ClickRow(list1(), 4);
    host.desktop.KeyUp(tk::key::Shift);
    EXPECT_TRUE(window().Visible());
    host.desktop.ClickRow(list1(), 4, tk::button::Right);
    EXPECT_TRUE(window().Visible());
    Tick();
    EXPECT_EQ(ctl.ListIndex(), -1);
}

TEST_P(DropDown, ClickingElsewhereClosesItWithoutChoosing) {
    auto other = host.desktop.CreateTextBox(*host.form, "txtOther");
    other->Left(300);
    other->Top(3000);
    PressButton();
    host.desktop.MoveToRow(list1(), 6);
    host.desktop.ClickAt(*other, 30, 30);
    Tick();
    EXPECT_FALSE(window().Visible());
    EXPECT_EQ(ctl.ListIndex(), -1);
    EXPECT_EQ(list1().ListIndex(), -1);
    EXPECT_EQ(host.recorder.Count("Click"), 0);
}

// A window moved or resized without a click (the window manager's keyboard
// move) takes the box away from under the open drop-down: the drop-down
// closes at the next tick, choosing nothing, instead of hanging detached
// and still taking the keys. Left alone, it stays open.
TEST_P(DropDown, MovingOrResizingTheFormClosesItAtTheNextTick) {
    struct Case {
        const char* name;
        std::function<void(tk::Form&)> change;
        bool closes;
    };
    const Case cases[] = {
        {"nothing moves", [](tk::Form&) {}, false},
        {"the form moves", [](tk::Form& f) { f.Left(f.Left() + 600); }, true},
        {"the form moves up", [](tk::Form& f) { f.Top(f.Top() - 150); }, true},
        {"the form gets wider", [](tk::Form& f) { f.Width(f.Width() + 300); }, true},
        {"the form gets shorter", [](tk::Form& f) { f.Height(f.Height() - 300); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PressButton();
        host.desktop.MoveToRow(list1(), 3);
        ASSERT_TRUE(window().Visible());
        c.change(*host.form);
        Tick();
        EXPECT_EQ(window().Visible(), !c.closes);
        EXPECT_EQ(ctl.ListIndex(), -1) << "closing chooses nothing";
        EXPECT_EQ(host.recorder.Count("Click"), 0);
        if (window().Visible())
            host.desktop.PressKey(tk::key::Escape);
        Tick();
    }
}

TEST_P(DropDown, ASecondPressOnTheButtonClosesIt) {
    PressButton();
    ASSERT_TRUE(window().Visible());
    PressButton();
    EXPECT_FALSE(window().Visible());
    if (GetParam() == StyleType::DropdownCombo) {
        EXPECT_EQ(host.desktop.GetFocus(), host.Widget("txtCol1").hWnd());
    }
    PressButton();  // and a third opens it again
    EXPECT_TRUE(window().Visible());
}

// Only the press that itself took the activation from the open drop-down
// closes it; after a close by Escape, Enter, a chosen row or a press
// elsewhere, the next press on the button (or, in Dropdown List, on a
// label) opens the list again, however soon it comes.
TEST_P(DropDown, APressRightAfterTheDropDownClosedIsSwallowed) {
    auto other = host.desktop.CreateTextBox(*host.form, "txtOther");
    other->Left(300);
    other->Top(3000);
    struct Close {
        const char* name;
        std::function<void()> act;
    };
    const Close closes[] = {
        {"Escape", [&] { host.desktop.PressKey(tk::key::Escape); }},
        {"Enter", [&] { host.desktop.PressKey(tk::key::Return); }},
        {"a click on a row", [&] { host.desktop.ClickRow(list1(), 2); }},
        {"a press elsewhere", [&] { host.desktop.ClickAt(*other, 30, 30); }},
    };
    std::vector<std::string> presses = {"imgCombo"};
    if (GetParam() == StyleType::DropdownList) {
        presses.push_back("lblCol1");
        presses.push_back("lblCol2");
    }
    for (const std::string& pressed : presses) {
        for (const Close& close : closes) {
            for (std::int64_t ms : {0, 50, 150, 300}) {
                SCOPED_TRACE(pressed + " " + std::to_string(ms) + " ms after " + close.name);
                PressButton();
                ASSERT_TRUE(window().Visible());
                host.desktop.MoveToRow(list1(), 1);
                close.act();
                ASSERT_FALSE(window().Visible());
                host.desktop.Advance(ms);
                host.desktop.ClickAt(host.Widget(pressed), 90, 90);
                EXPECT_TRUE(window().Visible()) << "the press opens the list";
                host.desktop.ClickAt(host.Widget(pressed), 90, 90);
                EXPECT_FALSE(window().Visible()) << "and the next one closes it";
                Tick();
            }
        }
    }
}

// A tap, or an automation tool, delivers a press and its release together:
// the release is already waiting when the press handler lets the host's
// events run. Both must leave what a slow click leaves: the list open, the
// button drawn up (also when the pointer then moves over it), and in
// Dropdown List the highlight back once the list closes.
TEST_P(DropDown, APressAndItsReleaseArrivingTogetherLeaveTheButtonUp) {
    auto& button = host.Widget<tk::Image>("imgCombo");
    const tk::PictureRef up = host.Widget<tk::Image>("imgCboUp").Picture();
    auto& label = host.Widget("lblCol1");
    const tk::OleColor highlight = host.desktop.GetSysColor(13);
    for (const bool together : {false, true}) {
        SCOPED_TRACE(together ? "press and release together" : "release after the press");
        host.desktop.MoveTo(button, 90, 90);
        if (together)
            host.desktop.Post([&] { host.desktop.MouseUp(tk::button::Left); });
        host.desktop.MouseDown(tk::button::Left);
        if (!together)
            host.desktop.MouseUp(tk::button::Left);
        EXPECT_TRUE(window().Visible());
        EXPECT_EQ(button.Picture()->Name, up->Name);
        host.desktop.MoveTo(button, 100, 100);
        EXPECT_EQ(button.Picture()->Name, up->Name) << "moving over the button draws it pressed";
        Tick();
        host.desktop.PressKey(tk::key::Escape);
        ASSERT_FALSE(window().Visible());
        Tick();
        Tick();
        if (GetParam() == StyleType::DropdownList) {
            EXPECT_EQ(label.BackColor(), highlight) << "the highlight comes back";
        }
    }
}

TEST_P(DropDown, EnterOnTheCurrentRowStillWritesListIndex) {
    ctl.ListIndex(4);
    host.recorder.Clear();
    PressButton();
    host.desktop.PressKey(tk::key::Return);
    Tick();
    EXPECT_EQ(ctl.ListIndex(), 4);
    EXPECT_EQ(host.recorder.Count("Click"), 1);
}

TEST_P(DropDown, LockedTheListsStayOnTheRowAndAClickChoosesNothing) {
    ctl.ListIndex(2);
    ctl.Locked(true);
    host.recorder.Clear();
    PressButton();
    host.desktop.MoveToRow(list1(), 6);
    EXPECT_EQ(list1().ListIndex(), 2);
    host.desktop.PressKey(tk::key::Down);
    EXPECT_EQ(list1().ListIndex(), 2);
    host.desktop.ClickRow(list1(), 7);
    EXPECT_FALSE(window().Visible());
    EXPECT_EQ(list2().ListIndex(), 2);
    Tick();
    EXPECT_EQ(ctl.ListIndex(), 2);
    EXPECT_TRUE(host.recorder.events.empty());
}

TEST_P(DropDown, ScrollingTheVisibleScrollBarScrollsBothColumns) {
    PressButton();
    host.desktop.ScrollTo(list2(), 3);
    EXPECT_EQ(list1().TopIndex(), 3);
    host.desktop.MoveToRow(list1(), 5);  // the third visible row, counted from the new top
    EXPECT_EQ(list1().ListIndex(), 5);
}

TEST_P(DropDown, HoverCountsRowsFromTheTopRowShown) {
    for (int i = 0; i < 30; ++i)
        ctl.AddItem("more " + std::to_string(i), "x");
    ctl.TopIndex(5);
    PressButton();
    ASSERT_EQ(list1().TopIndex(), 5);
    host.desktop.MoveTo(list1(), 30, 2 * 195 + 20);  // inside the third visible row
    EXPECT_EQ(list1().ListIndex(), 7);
    EXPECT_EQ(list2().ListIndex(), 7);
}

// The row under the pointer is the row drawn there, on every pixel line of
// the list: a row's last line belongs to it, not to the row below (the
// list's one-pixel frame lies above the first row).
TEST_P(DropDown, HoverPicksTheRowDrawnUnderThePointerOnEveryPixelLine) {
    PressButton();
    const int tpp = host.desktop.TwipsPerPixelY();
    const auto rowPx = static_cast<int>(window().TextHeight("T")) / tpp;
    const int rows = host.desktop.VisibleRows(list1());
    ASSERT_GT(rows, 2);
    for (int line = 1; line <= rows * rowPx; ++line) {  // line 0 is the frame
        host.desktop.MoveTo(list1(), 30, static_cast<float>(line * tpp));
        const int drawn = list1().TopIndex() + (line - 1) / rowPx;
        EXPECT_EQ(list1().ListIndex(), drawn) << "pixel line " << line << " of the list";
        EXPECT_EQ(list2().ListIndex(), drawn) << "pixel line " << line << " of the list";
    }
}

TEST_P(DropDown, TheHostMayDestroyTheControlWhenTheRowArrives) {
    host.recorder.onClick = [&] { host.control.reset(); };
    PressButton();
    host.desktop.ClickRow(list1(), 2);
    Tick();
    EXPECT_EQ(host.control, nullptr);
    EXPECT_EQ(host.desktop.Find("Window"), nullptr);
    Tick();  // no timer of the control is left to fire
}

// --- placement ----------------------------------------------------------------------------

struct Placement {
    const char* name;
    std::int32_t screenW, screenH;  // pixels
    float controlLeft, controlTop;  // twips on the form, whose corner is at 0, 100 px
    std::int32_t w1, w2;
    float windowLeft, windowTop, windowHeight;  // twips; -1: not checked
};

TEST(DropDownPlacement, UnderAboveOrCutToTheScreen) {
    // Form at (0, 1500) twips; the control is 330 high; the lists settle
    // at 1785 (nine rows of 195 twips and a frame).
    const Placement table[] = {
        {"below", 1024, 768, 300, 300, 1100, 2900, 300, 2130, 1785},
        {"above, near the bottom", 1024, 768, 300, 8400, 1100, 2900, 300, 9900 - 1785, 1785},
        {"column 1 hidden: shifted left by 1100", 1024, 768, 3000, 300, 0, 2000, 3000 - 1100, 2130, -1},
        {"column 1 hidden, never past the left edge", 1024, 768, 0, 300, 0, 2000, 0, 2130, -1},
        {"column 2 hidden at the right edge: flush with it", 1024, 768, 13000, 300, 1100, 0, 15360 - (1100 + 3140),
         2130, -1},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.name);
        TestDesktop::Options options;
        options.ScreenWidthPx = row.screenW;
        options.ScreenHeightPx = row.screenH;
        Host host(StyleType::DropdownCombo, true, options);
        host.form->Left(0);
        host.form->Width(15360);
        host.form->Height(11000);
        if (row.w1 == 0) {
            host.ctl().WidthCol2(row.w2);
            host.ctl().WidthCol1(row.w1);
        } else {
            host.ctl().WidthCol1(row.w1);
            host.ctl().WidthCol2(row.w2);
        }
        host.ctl().Container().Left(row.controlLeft);
        host.ctl().Container().Top(row.controlTop);
        host.Fill(kRows);
        host.desktop.ClickAt(host.Widget("imgCombo"), 60, 60);
        auto& window = *host.desktop.Find("Window");
        ASSERT_TRUE(window.Visible());
        if (row.windowLeft >= 0) {
            EXPECT_EQ(window.Left(), row.windowLeft);
        }
        EXPECT_EQ(window.Top(), row.windowTop);
        if (row.windowHeight >= 0) {
            EXPECT_EQ(window.Height(), row.windowHeight);
        }
        EXPECT_LE(window.Left() + window.Width(), host.desktop.ScreenWidth());
    }
}

TEST(DropDownPlacement, AboveButTallerThanTheRoomTheWindowStartsAtTheTop) {
    TestDesktop::Options options;
    options.ScreenHeightPx = 200;  // 3000 twips
    Host host(StyleType::DropdownCombo, true, options);
    if (!host.desktop.ScreenIs(options))
        GTEST_SKIP() << "a screen keeps its size while a program runs; a program of its own runs this case";
    host.ctl().Container().Top(0);  // upper edge at 100 px, lower at 122 px
    host.Fill(kRows);
    host.desktop.ClickAt(host.Widget("imgCombo"), 60, 60);
    auto& window = *host.desktop.Find("Window");
    EXPECT_EQ(window.Top(), 0);
    EXPECT_EQ(window.Height(), 1500) << "cut by what did not fit above";
    EXPECT_EQ(host.RowList(1).Height(), 1785) << "the lists keep their height; the window clips them";
}

TEST(DropDownPlacement, AListThatFitsNeitherWayOpensBelowCutToWholeRows) {
    TestDesktop::Options options;
    options.ScreenHeightPx = 100;  // 1500 twips
    Host host(StyleType::DropdownCombo, true, options);
    if (!host.desktop.ScreenIs(options))
        GTEST_SKIP() << "a screen keeps its size while a program runs; a program of its own runs this case";
    host.form->Left(0);
    host.form->Top(0);
    host.ctl().Container().Top(0);  // lower edge at 330 twips: more room below than above
    host.Fill(kRows);
    host.desktop.ClickAt(host.Widget("imgCombo"), 60, 60);
    auto& window = *host.desktop.Find("Window");
    EXPECT_EQ(window.Top(), 330);
    // 1170 twips were left; the lists settle at five rows and a frame.
    EXPECT_EQ(window.Height(), (5 * 13 + 2) * 15);
    EXPECT_EQ(host.RowList(1).Height(), window.Height());
    EXPECT_EQ(host.RowList(2).Height(), window.Height());
}

TEST(DropDownPlacement, ColumnWidthsOfTheWindowsLists) {
    Host host(StyleType::DropdownCombo);
    host.ctl().WidthCol2(2000);
    host.ctl().WidthCol1(0);
    host.desktop.ClickAt(host.Widget("imgCombo"), 60, 60);
    EXPECT_EQ(host.RowList(1).Width(), 1100 + 270);
    EXPECT_EQ(host.RowList(2).Left(), 1100);
    EXPECT_EQ(host.RowList(2).Width(), 2000 + 270 - 30);
    EXPECT_EQ(host.desktop.Find("Window")->Width(), 1100 + 2240) << "the window ends where column 2's list ends";
}

// --- foreign hosts ------------------------------------------------------------------------

TEST(DropDownForeignHost, OpensModallyAndReleasesTheButtonWhenClosed) {
    Host host(StyleType::DropdownCombo);
    host.Fill(kRows);
    const tk::Hwnd foreign = host.desktop.CreateForeignWindow("SomeOtherHost", tk::Rect{50, 50, 600, 400});
    host.desktop.Reparent(host.ctl().Container(), foreign);
    bool ranModal = false;
    host.desktop.OnModal([&](tk::Form& modal) {
        ranModal = true;
        EXPECT_EQ(modal.Name(), "Window");
        host.desktop.Advance(300);  // the watcher ticks inside the modal loop
        host.desktop.ClickRow(host.RowList(1), 5);
    });
    host.desktop.ClickAt(host.Widget("imgCombo"), 60, 60);
    EXPECT_TRUE(ranModal);
    EXPECT_FALSE(host.desktop.Find("Window")->Visible());
    EXPECT_EQ(host.Widget<tk::Image>("imgCombo").Picture(), host.Widget<tk::Image>("imgCboUp").Picture());
    host.desktop.Advance(100);
    EXPECT_EQ(host.ctl().ListIndex(), 5);
}

// --- the Dropdown List focus look -----------------------------------------------------

TEST(DropDownHighlight, FollowsTheFocusAtTheTicks) {
    Host host(StyleType::DropdownList);
    host.Fill(kRows);
    auto other = host.desktop.CreateTextBox(*host.form, "txtOther");
    other->Top(3000);
    other->SetFocus();
    auto& label = host.Widget("lblCol1");
    const tk::OleColor highlight = host.desktop.GetSysColor(13);

    host.desktop.Tab(/*backwards=*/true);  // into the control
    ASSERT_EQ(host.desktop.GetFocus(), host.ctl().hWnd());
    host.desktop.Advance(100);
    EXPECT_EQ(label.BackColor(), highlight);
    host.desktop.Advance(100);
    const auto drawn = host.desktop.FocusRects().size();
    EXPECT_LE(drawn, 2u);
    host.desktop.Advance(300);
    EXPECT_EQ(host.desktop.FocusRects().size(), drawn) << "not drawn again while the focus stays";

    host.desktop.PressKey(tk::key::Down, tk::shift::Alt);  // open
    EXPECT_EQ(label.BackColor(), host.ctl().Backcolor()) << "no highlight while the list is open";
    host.desktop.Advance(100);
    host.desktop.PressKey(tk::key::Escape);
    host.desktop.Advance(100);
    EXPECT_EQ(label.BackColor(), highlight) << "drawn again after the drop-down closed";
    const auto renewed = host.desktop.FocusRects().size();
    host.desktop.Advance(300);
    EXPECT_EQ(host.desktop.FocusRects().size(), renewed) << "once";

    host.ctl().Locked(true);
    other->SetFocus();
    host.desktop.Advance(100);
    EXPECT_EQ(label.BackColor(), tk::Rgb(192, 192, 192));
    EXPECT_EQ(label.ForeColor(), tk::Rgb(0, 0, 0));
}

TEST(DropDownHighlight, KeysMoveTheRowWhileTheListIsClosed) {
    Host host(StyleType::DropdownList);
    host.Fill(kRows);
    host.ctl().Container().SetFocus();
    host.desktop.PressKey(tk::key::Down);
    host.desktop.PressKey(tk::key::Down);
    EXPECT_EQ(host.ctl().ListIndex(), 1);
    EXPECT_EQ(host.recorder.Count("Click"), 2);
    EXPECT_FALSE(host.desktop.Find("Window")->Visible());
    host.desktop.PressKey(tk::key::Home);
    EXPECT_EQ(host.ctl().ListIndex(), 0) << "Home goes to the first row, as on a closed list";
}

// The keys a desktop combo box opens and closes its list with, beside the
// button: F4 and Alt+Down open it, Space opens a Dropdown List (in a field
// it is a character), and in the open list F4, Alt+Up and Alt+Down close it
// as Escape does, choosing nothing.
TEST(DropDownKeys, OpenAndCloseAsOnADesktopComboBox) {
    struct Case {
        const char* name;
        StyleType style;
        std::int16_t key, shift;
        bool opens;
    };
    const Case opening[] = {
        {"Dropdown Combo, F4", StyleType::DropdownCombo, tk::key::F4, tk::shift::None, true},
        {"Dropdown Combo, Alt+Down", StyleType::DropdownCombo, tk::key::Down, tk::shift::Alt, true},
        {"Dropdown Combo, Shift+F4", StyleType::DropdownCombo, tk::key::F4, tk::shift::Shift, false},
        {"Dropdown Combo, Space types", StyleType::DropdownCombo, tk::key::Space, tk::shift::None, false},
        {"Dropdown List, F4", StyleType::DropdownList, tk::key::F4, tk::shift::None, true},
        {"Dropdown List, Alt+Down", StyleType::DropdownList, tk::key::Down, tk::shift::Alt, true},
        {"Dropdown List, Space", StyleType::DropdownList, tk::key::Space, tk::shift::None, true},
    };
    const std::pair<std::int16_t, std::int16_t> closing[] = {
        {tk::key::F4, tk::shift::None}, {tk::key::Up, tk::shift::Alt}, {tk::key::Down, tk::shift::Alt}};
    for (const Case& c : opening) {
        SCOPED_TRACE(c.name);
        Host host(c.style);
        host.Fill(kRows);
        host.ctl().ListIndex(2);
        host.recorder.Clear();
        auto focus = [&] {
            if (c.style == StyleType::DropdownCombo)
                host.Widget("txtCol1").SetFocus();
            else
                host.ctl().Container().SetFocus();
        };
        focus();
        host.desktop.PressKey(c.key, c.shift);
        EXPECT_EQ(host.DropDownWindow()->Visible(), c.opens);
        if (!c.opens)
            continue;
        for (auto [key, shift] : closing) {
            SCOPED_TRACE(key);
            if (!host.DropDownWindow()->Visible()) {
                focus();
                host.desktop.PressKey(tk::key::F4);
            }
            ASSERT_TRUE(host.DropDownWindow()->Visible());
            host.desktop.PressKey(tk::key::Down);
            host.desktop.PressKey(key, shift);
            EXPECT_FALSE(host.DropDownWindow()->Visible());
            host.desktop.Advance(100);
            EXPECT_EQ(host.ctl().ListIndex(), 2) << "closing so chooses nothing";
        }
        EXPECT_EQ(host.recorder.Count("Click"), 0);
    }
}

// The control's KeyDown comes first: a host that takes F4 or Space away
// keeps the list closed.
TEST(DropDownKeys, AHostThatTakesTheKeyAwayKeepsTheListClosed) {
    for (StyleType style : {StyleType::DropdownCombo, StyleType::DropdownList}) {
        for (std::int16_t key : {tk::key::F4, tk::key::Space}) {
            if (style == StyleType::DropdownCombo && key == tk::key::Space)
                continue;
            Host host(style);
            host.Fill(kRows);
            host.recorder.onKeyDown = [](std::int16_t& keyCode, std::int16_t&) { keyCode = 0; };
            if (style == StyleType::DropdownCombo)
                host.Widget("txtCol1").SetFocus();
            else
                host.ctl().Container().SetFocus();
            host.desktop.PressKey(key);
            EXPECT_EQ(host.recorder.Count("KeyDown " + std::to_string(key) + " 0"), 1);
            EXPECT_FALSE(host.DropDownWindow()->Visible());
        }
    }
}

TEST(DropDownHighlight, EditStylesAreNeverColouredByTheWatcher) {
    for (StyleType style : {StyleType::DropdownCombo, StyleType::SimpleCombo}) {
        Host host(style);
        const tk::OleColor before = host.Widget("lblCol1").BackColor();
        host.ctl().Container().SetFocus();
        host.desktop.Advance(500);
        EXPECT_EQ(host.Widget("lblCol1").BackColor(), before);
        EXPECT_TRUE(host.desktop.FocusRects().empty());
    }
}

TEST(DropDownAtDesignTime, TheWatcherNeverTicks) {
    Host host(StyleType::DropdownList, /*userMode=*/false);
    host.ctl().Container().SetFocus();
    host.desktop.Advance(1000);
    EXPECT_TRUE(host.desktop.FocusRects().empty());
}

}  // namespace
}  // namespace korvane::test

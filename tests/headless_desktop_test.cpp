// The headless desktop driven as a person would drive it: presses, drags,
// keys and typing routed to the right widget in the right order, focus and
// activation, the virtual clock, modal loops that cannot hang, handlers
// that destroy their own widgets, and two desktops side by side.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "contract/field_keys.h"
#include "korvane/errors.h"
#include "korvane/toolkit/headless.h"
#include "text/utf8.h"

namespace korvane::tk::headless {
namespace {

using Log = std::vector<std::string>;

class HeadlessFixture : public testing::Test {
protected:
    HeadlessFixture() {
        form = d.CreateForm("frmMain");
        Place(*form, 1500, 1500, 9000, 6000);
    }

    static void Place(Widget& w, float left, float top, float width, float height) {
        w.Left(left);
        w.Top(top);
        w.Width(width);
        w.Height(height);
    }

    // Logs the widget's mouse, key and focus events as "name Event args".
    void Watch(Widget& w) {
        const std::string n = w.Name();
        auto mouse = [this, n](const char* what) {
            return [this, n, what](std::int16_t& b, std::int16_t& s, float& x, float& y) {
                log.push_back(n + " " + what + " " + std::to_string(b) + " " + std::to_string(s) + " " +
                              std::to_string(static_cast<int>(x)) + " " + std::to_string(static_cast<int>(y)));
            };
        };
        w.OnMouseDown = mouse("MouseDown");
        w.OnMouseMove = mouse("MouseMove");
        w.OnMouseUp = mouse("MouseUp");
        w.OnKeyDown = [this, n](std::int16_t& k, std::int16_t& s) {
            log.push_back(n + " KeyDown " + std::to_string(k) + " " + std::to_string(s));
        };
        w.OnKeyPress = [this, n](std::int16_t& a) { log.push_back(n + " KeyPress " + std::to_string(a)); };
        w.OnGotFocus = [this, n] { log.push_back(n + " GotFocus"); };
        w.OnLostFocus = [this, n] { log.push_back(n + " LostFocus"); };
    }

    void WatchActivation(Form& f) {
        const std::string n = f.Name();
        f.OnActivate = [this, n] { log.push_back(n + " Activate"); };
        f.OnDeactivate = [this, n] { log.push_back(n + " Deactivate"); };
    }

    std::unique_ptr<ListBox> RowList(int rows) {
        auto list = d.CreateListBox(*form, "lstRows");
        Place(*list, 300, 300, 2000, 1800);  // 9 rows of 13 pixels
        for (int i = 0; i < rows; ++i)
            list->AddItem("row " + std::to_string(i));
        return list;
    }

    HeadlessDesktop d;
    std::unique_ptr<Form> form;
    Log log;
};

std::int32_t ErrorNumber(const std::function<void()>& action) {
    try {
        action();
    } catch (const RuntimeError& e) {
        return e.Number();
    }
    return 0;
}

// --- mouse ------------------------------------------------------------------------------

using HeadlessMouse = HeadlessFixture;

TEST_F(HeadlessMouse, PressOnARowSelectsItBeforeMouseDownIsRaised) {
    auto list = RowList(20);
    form->Show();
    list->TopIndex(5);
    list->OnClick = [&] { log.push_back("Click " + std::to_string(list->ListIndex())); };
    list->OnMouseDown = [&](std::int16_t& b, std::int16_t&, float&, float& y) {
        log.push_back("MouseDown " + std::to_string(b) + " row " + std::to_string(list->ListIndex()) + " y " +
                      std::to_string(static_cast<int>(y)));
    };

    // The third row on view: 2.5 rows of 13 px below the first row's top
    // (Y counts from inside the list's one-pixel frame).
    d.ClickRow(*list, 7);
    EXPECT_EQ(log, (Log{"Click 7", "MouseDown 1 row 7 y 480"}));
    EXPECT_EQ(d.GetFocus(), list->hWnd());

    log.clear();
    d.ClickRow(*list, 7);
    d.ClickRow(*list, 8, button::Right);
    EXPECT_EQ(log, (Log{"MouseDown 1 row 7 y 480", "MouseDown 2 row 7 y 675"})) << "no Click without a change";

    list->Clear();
    list->AddItem("only");
    log.clear();
    d.ClickAt(*list, 300, 1200);  // below the last entry
    EXPECT_EQ(list->ListIndex(), -1);
    EXPECT_EQ(log, (Log{"MouseDown 1 row -1 y 1185"}));
}

// A row the list does not have is nowhere: clicking it or moving to it
// does nothing, also where the list's empty part lies under it, and at the
// extremes of a row number (on a scrolled list the distance from the top
// row once overflowed).
TEST_F(HeadlessMouse, ARowOutsideTheListIsNowhere) {
    struct Row {
        int rows;
        std::int32_t top;
        std::int32_t row;
    };
    const std::vector<Row> table = {{3, 0, 3},   {3, 0, 5},   {3, 0, -1},          {20, 5, INT32_MIN},
                                    {20, 5, -1}, {20, 5, 20}, {20, 11, INT32_MAX}, {20, 11, INT32_MIN + 1}};
    for (const Row& r : table) {
        SCOPED_TRACE(std::to_string(r.rows) + " rows from " + std::to_string(r.top) + ", row " + std::to_string(r.row));
        auto list = RowList(r.rows);
        form->Show();
        list->ListIndex(1);
        list->TopIndex(r.top);
        log.clear();
        list->OnClick = [&] { log.push_back("Click"); };
        list->OnMouseDown = [&](std::int16_t&, std::int16_t&, float&, float&) { log.push_back("MouseDown"); };
        list->OnMouseMove = [&](std::int16_t&, std::int16_t&, float&, float&) { log.push_back("MouseMove"); };
        d.ClickRow(*list, r.row);
        d.MoveToRow(*list, r.row);
        EXPECT_EQ(log, Log{});
        EXPECT_EQ(list->ListIndex(), 1);
        EXPECT_EQ(list->TopIndex(), r.top);
    }
}

TEST_F(HeadlessMouse, ThePressedWidgetKeepsTheMouseUntilRelease) {
    auto left = d.CreateTextBox(*form, "txtLeft");
    auto right = d.CreateTextBox(*form, "txtRight");
    Place(*left, 0, 0, 1500, 300);
    Place(*right, 1500, 0, 1500, 300);
    form->Show();
    Watch(*left);
    Watch(*right);

    d.MoveTo(*left, 150, 150);
    d.KeyDown(key::Control);  // held keys give the mouse its shift state
    d.MouseDown();
    d.KeyUp(key::Control);
    d.MoveTo(*right, 150, 150);
    d.MouseUp();
    d.MoveTo(*right, 300, 150);
    EXPECT_EQ(
        log, (Log{"txtLeft MouseMove 0 0 150 150", "txtLeft KeyDown 17 2", "txtLeft MouseDown 1 2 150 150",
                  "txtLeft MouseMove 1 0 1650 150", "txtLeft MouseUp 1 0 1650 150", "txtRight MouseMove 0 0 300 150"}));
}

TEST_F(HeadlessMouse, WindowlessWidgetsAreHitInsideTheirContainer) {
    auto box = d.CreateUserControl(*form, "ucvBox", Ambient{});
    Place(*box, 300, 1500, 3000, 330);
    auto label = d.CreateLabel(*box, "lblCaption");
    Place(*label, 0, 0, 1500, 330);
    auto image = d.CreateImage(*box, "imgButton");
    Place(*image, 1200, 0, 300, 330);  // created later: lies over the label's right end
    auto text = d.CreateTextBox(*form, "txtOther");
    form->Show();
    text->SetFocus();
    for (Widget* w :
         {static_cast<Widget*>(box.get()), static_cast<Widget*>(label.get()), static_cast<Widget*>(image.get())}) {
        Watch(*w);
    }

    d.ClickAt(*label, 30, 45, button::Right);
    d.ClickAt(*box, 1250, 15);
    EXPECT_EQ(log, (Log{"lblCaption MouseMove 0 0 30 45", "ucvBox GotFocus", "lblCaption MouseDown 2 0 30 45",
                        "lblCaption MouseUp 2 0 30 45", "imgButton MouseMove 0 0 45 15",
                        "imgButton MouseDown 1 0 45 15", "imgButton MouseUp 1 0 45 15"}));
    EXPECT_EQ(d.GetFocus(), box->hWnd()) << "a press on a windowless widget focuses the container that holds it";

    text->SetFocus();
    log.clear();
    d.ClickAt(*box, 2000, 15);  // its own background: with no field to focus, it takes the focus itself
    EXPECT_EQ(d.GetFocus(), box->hWnd());
    EXPECT_EQ(log.at(1), "ucvBox GotFocus");

    box->Enabled(false);
    EXPECT_EQ(d.GetFocus(), form->hWnd()) << "a focus the container can no longer hold goes to its form";
    log.clear();
    d.ClickAt(*label, 30, 45);
    d.ClickAt(*image, 30, 45);
    EXPECT_TRUE(log.empty()) << "a disabled container shuts out its children";
}

// --- focus and activation ---------------------------------------------------------------------

using HeadlessFocus = HeadlessFixture;

TEST_F(HeadlessFocus, APressOnAnotherFormActivatesItBeforeMovingTheFocus) {
    auto popup = d.CreateForm("frmPopup");
    Place(*popup, 9000, 9000, 3000, 3000);
    auto mainText = d.CreateTextBox(*form, "txtMain");
    auto popupText = d.CreateTextBox(*popup, "txtPopup");
    form->Show();
    popup->Show();
    EXPECT_EQ(d.ActiveForm(), popup.get());
    EXPECT_EQ(d.GetFocus(), popupText->hWnd()) << "a shown form focuses its first stop";
    WatchActivation(*form);
    WatchActivation(*popup);
    Watch(*mainText);
    Watch(*popupText);

    d.MouseMove(200, 200);  // the main form, outside the popup
    d.MouseDown();
    d.MouseUp();
    EXPECT_EQ(log, (Log{"frmPopup Deactivate", "frmMain Activate", "txtPopup LostFocus", "txtMain GotFocus"}))
        << "a press on a form's background gives the focus back to the field that had it";
}

TEST_F(HeadlessFocus, ClickingOutsideATopMostPopupClosesItThroughDeactivate) {
    auto popup = d.CreateForm("frmPopup");
    Place(*popup, 1500, 1500, 3000, 3000);  // right over the main form's corner
    auto mainText = d.CreateTextBox(*form, "txtMain");
    Place(*mainText, 4500, 4500, 1500, 300);
    auto popupList = d.CreateListBox(*popup, "lstPopup");
    form->Show();
    mainText->SetFocus();
    popup->OnDeactivate = [&] { popup->Hide(); };
    popup->Show();
    d.SetWindowPos(popup->hWnd(), hwnd::TopMost, 0, 0, 0, 0, swp::NoMove | swp::NoSize);
    EXPECT_TRUE(d.IsTopMost(popup->hWnd()));
    EXPECT_EQ(d.ZOrder(), (std::vector<Hwnd>{popup->hWnd(), form->hWnd()}));
    EXPECT_EQ(d.GetFocus(), popupList->hWnd());

    d.ClickAt(*form, 150, 150);  // under the popup: the top-most window takes the press
    EXPECT_TRUE(popup->Visible());
    d.ClickAt(*mainText, 15, 15);
    EXPECT_FALSE(popup->Visible());
    EXPECT_EQ(d.ActiveForm(), form.get());
    EXPECT_EQ(d.GetFocus(), mainText->hWnd());

    // Hiding the active form hands activation and focus back.
    popup->OnDeactivate = nullptr;
    popup->Show();
    popup->Hide();
    EXPECT_EQ(d.ActiveForm(), form.get());
    EXPECT_EQ(d.GetFocus(), mainText->hWnd()) << "the last focused widget gets the focus back";

    // A field of an inactive form given the focus by code activates its form.
    popup->Show();
    WatchActivation(*popup);
    mainText->SetFocus();
    EXPECT_EQ(d.ActiveForm(), form.get());
    EXPECT_EQ(log, (Log{"frmPopup Deactivate"}));
}

TEST_F(HeadlessFocus, TabFollowsCreationOrderOfReachableWindows) {
    auto first = d.CreateTextBox(*form, "txtFirst");
    auto box = d.CreateUserControl(*form, "ucvFields", Ambient{});
    auto inner = d.CreateTextBox(*box, "txtInner");
    auto hidden = d.CreateTextBox(*box, "txtHidden");
    auto list = d.CreateListBox(*form, "lstRows");
    auto label = d.CreateLabel(*form, "lblCaption");
    auto disabled = d.CreateTextBox(*form, "txtDisabled");
    auto labelsOnly = d.CreateUserControl(*form, "ucvLabels", Ambient{});
    auto innerLabel = d.CreateLabel(*labelsOnly, "lblInner");
    hidden->Visible(false);
    disabled->Enabled(false);
    form->Show();
    Watch(*first);

    std::vector<Hwnd> visited{d.GetFocus()};
    for (int i = 0; i < 4; ++i) {
        d.PressKey(key::Tab);
        visited.push_back(d.GetFocus());
    }
    EXPECT_EQ(visited,
              (std::vector<Hwnd>{first->hWnd(), inner->hWnd(), list->hWnd(), labelsOnly->hWnd(), first->hWnd()}));
    d.PressKey(key::Tab, shift::Shift);
    EXPECT_EQ(d.GetFocus(), labelsOnly->hWnd());
    for (const std::string& entry : log) {
        EXPECT_EQ(entry.find("KeyDown"), std::string::npos) << "Tab never reaches a widget: " << entry;
    }
}

// --- keys and typing -----------------------------------------------------------------------------

using HeadlessKeys = HeadlessFixture;

TEST_F(HeadlessKeys, NavigationKeysMoveTheListSelectionUnlessCancelled) {
    auto list = RowList(20);
    form->Show();
    list->SetFocus();
    int clicks = 0;
    list->OnClick = [&] { ++clicks; };
    struct Row {
        std::int32_t From;
        std::int16_t Key;
        std::int32_t To;
    };
    const Row rows[] = {
        {5, key::Down, 6},       {5, key::Up, 4},     {-1, key::Down, 0}, {19, key::Down, 19}, {5, key::PageDown, 13},
        {15, key::PageDown, 19}, {5, key::PageUp, 0}, {10, key::Home, 0}, {3, key::End, 19},   {4, key::Left, 4},
    };
    for (const Row& row : rows) {
        list->ListIndex(row.From);
        clicks = 0;
        d.PressKey(row.Key);
        EXPECT_EQ(list->ListIndex(), row.To) << "key " << row.Key << " from " << row.From;
        EXPECT_EQ(clicks, row.To != row.From ? 1 : 0) << "key " << row.Key << " from " << row.From;
    }

    list->ListIndex(5);
    d.PressKey(key::Down, shift::Alt);
    EXPECT_EQ(list->ListIndex(), 5) << "Alt+Down is left to the handlers";
    list->OnKeyDown = [](std::int16_t& keyCode, std::int16_t&) { keyCode = 0; };
    d.PressKey(key::Down);
    EXPECT_EQ(list->ListIndex(), 5);
}

TEST_F(HeadlessKeys, KeyPressHandlersCancelOrReplaceCharacters) {
    auto text = d.CreateTextBox(*form, "txtEntry");
    form->Show();
    Log seen;
    text->OnKeyPress = [&](std::int16_t& ascii) {
        seen.push_back(std::to_string(ascii));
        if (ascii == 'x')
            ascii = 0;
        if (ascii == 'a')
            ascii = 'b';
    };
    d.Type("xay");
    d.PressKey('A');
    d.PressKey('A', shift::Shift);
    d.PressKey('A', shift::Ctrl);  // no character with Ctrl
    d.PressKey(key::Return);
    d.PressKey(key::Escape);
    EXPECT_EQ(text->Text(), "bybA");
    EXPECT_EQ(seen, (Log{"120", "97", "121", "97", "65", "13", "27"}));

    text->OnKeyDown = [](std::int16_t& keyCode, std::int16_t&) {
        if (keyCode == key::Delete)
            keyCode = 0;
    };
    text->SelStart(0);
    d.PressKey(key::Delete);
    EXPECT_EQ(text->Text(), "bybA");
    d.PressKey(key::Back);
    d.PressKey(key::End);
    d.PressKey(key::Back);
    EXPECT_EQ(text->Text(), "byb");

    text->Locked(true);
    seen.clear();
    d.Type("q");
    d.PressKey(key::Back);
    EXPECT_EQ(text->Text(), "byb") << "a locked field still hears the keys but does not edit";
    EXPECT_EQ(seen, (Log{"113", "8"}));
}

TEST_F(HeadlessKeys, TypingEditsUtf8ByCharacterAndSurvivesMalformedBytes) {
    auto text = d.CreateTextBox(*form, "txtEntry");
    form->Show();
    Log seen;
    int changes = 0;
    text->OnKeyPress = [&](std::int16_t& ascii) { seen.push_back(std::to_string(ascii)); };
    text->OnChange = [&] { ++changes; };

    d.Type("añ€😀");
    EXPECT_EQ(text->Text(), "añ€😀");
    EXPECT_EQ(seen, (Log{"97", "241", "8364", "63"})) << "past 16 bits KeyAscii is '?', the text keeps the character";
    EXPECT_EQ(text->SelStart(), 4);
    EXPECT_EQ(changes, 4);
    d.PressKey(key::Left);
    d.PressKey(key::Left);
    d.PressKey(key::Back);
    d.PressKey(key::Delete);
    EXPECT_EQ(text->Text(), "a😀");
    d.PressKey(key::End);
    d.PressKey(key::Back);
    EXPECT_EQ(text->Text(), "a");

    text->Text("");
    seen.clear();
    d.Type("x\xFF\xC3(y");  // a stray byte and a cut-off sequence
    EXPECT_EQ(text->Text(), "x\xFF\xC3(y");
    EXPECT_EQ(seen, (Log{"120", "255", "195", "40", "121"}));
    EXPECT_EQ(text->SelStart(), 5);
    text->SelStart(2);
    text->SelLength(2);
    d.PressKey(key::Delete);
    EXPECT_EQ(text->Text(), "x\xFFy");
    d.PressKey(key::Back);
    EXPECT_EQ(text->Text(), "xy");
}

TEST_F(HeadlessKeys, FieldKeysEditAndSelectAsInAnyField) {
    auto text = d.CreateTextBox(*form, "txtEntry");
    form->Show();
    text->SetFocus();
    int changes = 0;
    text->OnChange = [&] { ++changes; };
    for (const auto& c : tk::contract::FieldKeysCases()) {
        SCOPED_TRACE(c.Name);
        text->Locked(c.Locked);
        text->Text(c.Text);
        text->SelStart(c.SelStart);
        text->SelLength(c.SelLength);
        changes = 0;
        for (const auto& k : c.Keys) {
            if (k.Typed != nullptr)
                d.Type(k.Typed);
            else
                d.PressKey(k.Code, k.Shift);
        }
        EXPECT_EQ(text->Text(), c.TextAfter);
        EXPECT_EQ(text->SelStart(), c.SelStartAfter);
        EXPECT_EQ(text->SelLength(), c.SelLengthAfter);
        EXPECT_EQ(changes, c.Changes);
    }
}

// The field keeps only a few units decoded around each edit, so it is
// checked against a text decoded whole after every step: random typing of
// characters and of the loose bytes of cut-off sequences (which join their
// neighbours), deleting, caret keys and selections set by code.
TEST_F(HeadlessKeys, RandomEditsCountUnitsAndPlaceTheCaretAsAWholeDecodeDoes) {
    auto text = d.CreateTextBox(*form, "txtEntry");
    form->Show();
    text->SetFocus();
    std::string expected;
    std::int32_t caret = 0;
    std::int32_t selected = 0;
    auto starts = [&] { return utf8::UnitStarts(expected); };
    auto units = [&] { return static_cast<std::int32_t>(starts().size()) - 1; };
    // What the field must do: replace the selection, caret after the
    // inserted bytes, or after the unit they joined.
    auto replace = [&](std::int32_t from, std::int32_t count, std::string_view bytes) {
        const auto before = starts();
        const std::size_t begin = before[static_cast<std::size_t>(from)];
        const std::size_t end = before[static_cast<std::size_t>(from + count)];
        expected.replace(begin, end - begin, bytes);
        const auto after = starts();
        caret = 0;
        while (after[static_cast<std::size_t>(caret)] < begin + bytes.size())
            ++caret;
        selected = 0;
    };
    const char* pieces[] = {
        "a",    "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xE2", "\x82", "\xAC", "\xF0", "\x9F", "\x98",
        "\x80", "\xFF",     "\xC3"};
    std::mt19937 random(7);
    auto pick = [&](int n) { return static_cast<std::int32_t>(random() % static_cast<unsigned>(n)); };
    for (int step = 0; step < 4000; ++step) {
        SCOPED_TRACE("step " + std::to_string(step));
        const std::int32_t length = units();
        switch (pick(10)) {
            case 0:
            case 1:
            case 2: {
                const char* piece = pieces[pick(std::size(pieces))];
                d.Type(piece);
                replace(caret, selected, piece);
                break;
            }
            case 3:
                d.PressKey(key::Back);
                if (selected > 0)
                    replace(caret, selected, {});
                else if (caret > 0)
                    replace(caret - 1, 1, {});
                break;
            case 4:
                d.PressKey(key::Delete);
                if (selected > 0)
                    replace(caret, selected, {});
                else if (caret < length)
                    replace(caret, 1, {});
                break;
            case 5:
                d.PressKey(key::Left);
                caret = selected > 0 ? caret : std::max(0, caret - 1);
                selected = 0;
                break;
            case 6: {
                const bool home = pick(2) == 0;
                d.PressKey(home ? key::Home : key::End);
                caret = home ? 0 : length;
                selected = 0;
                break;
            }
            case 7:
                caret = pick(length + 3);
                selected = pick(6);
                text->SelStart(caret);
                text->SelLength(selected);
                caret = std::min(caret, length);
                selected = std::min(selected, length - caret);
                break;
            case 8:
                d.PressKey(key::Right);
                caret = selected > 0 ? caret + selected : std::min(length, caret + 1);
                selected = 0;
                break;
            default:
                if (pick(20) == 0) {
                    expected = std::string(static_cast<std::size_t>(pick(40)), 'z') + "\xE2\x82";
                    text->Text(expected);
                    caret = 0;
                    selected = 0;
                } else {
                    text->SelStart(std::numeric_limits<std::int32_t>::max());
                    caret = length;
                    selected = 0;
                }
                break;
        }
        ASSERT_EQ(text->Text(), expected);
        ASSERT_EQ(text->SelStart(), caret);
        ASSERT_EQ(text->SelLength(), selected);
    }
}

// --- clock and modal loops ----------------------------------------------------------------------

using HeadlessClock = HeadlessFixture;

TEST_F(HeadlessClock, TimersFireInTimeOrderOnTheVirtualClockOnly) {
    auto fast = d.CreateTimer(*form, "tmrFast");
    auto slow = d.CreateTimer(*form, "tmrSlow");
    auto idle = d.CreateTimer(*form, "tmrIdle");  // Interval 0: never ticks
    fast->Interval(100);
    slow->Interval(250);
    fast->OnTimer = [&] { log.push_back("fast@" + std::to_string(d.TickCount())); };
    slow->OnTimer = [&] { log.push_back("slow@" + std::to_string(d.TickCount())); };
    idle->OnTimer = [&] { log.push_back("idle"); };

    d.DoEvents();
    EXPECT_TRUE(log.empty()) << "the event pump does not move the clock";
    d.Advance(500);
    EXPECT_EQ(log, (Log{"fast@100", "fast@200", "slow@250", "fast@300", "fast@400", "fast@500", "slow@500"}));

    log.clear();
    slow->Enabled(false);
    d.Advance(100);
    slow->Enabled(true);  // counts again from 600
    d.Advance(300);
    EXPECT_EQ(log, (Log{"fast@600", "fast@700", "fast@800", "slow@850", "fast@900"}));
    EXPECT_EQ(d.TickCount(), 900);
}

TEST_F(HeadlessClock, AThrowingTimerLeavesTheClockAtItsTick) {
    auto timer = d.CreateTimer(*form, "tmrFail");
    timer->Interval(100);
    int ticks = 0;
    timer->OnTimer = [&] {
        if (++ticks == 2)
            throw std::runtime_error("handler failed");
    };
    EXPECT_THROW(d.Advance(350), std::runtime_error);
    EXPECT_EQ(d.TickCount(), 200);
    d.Advance(100);
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(d.TickCount(), 300);
}

// The clock once wrapped around to negative times when moved past its last
// millisecond; now such a step is refused and moves nothing. A host that
// steps tick by tick learns when the next one falls due.
TEST_F(HeadlessClock, TheClockCannotBeMovedPastItsLastMillisecond) {
    EXPECT_EQ(d.NextTimerDue(), std::nullopt);
    auto timer = d.CreateTimer(*form, "tmrTick");
    timer->Interval(100);
    int ticks = 0;
    timer->OnTimer = [&] { ++ticks; };
    EXPECT_EQ(d.NextTimerDue(), 100);
    d.Advance(150);
    EXPECT_EQ(d.NextTimerDue(), 200);
    try {
        d.Advance(std::numeric_limits<std::int64_t>::max());
        ADD_FAILURE() << "the clock moved past its end";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.Number(), 6);
        EXPECT_EQ(e.Description(), "Overflow");
    }
    EXPECT_EQ(d.TickCount(), 150);
    EXPECT_EQ(ticks, 1);

    timer->Enabled(false);
    d.Advance(std::numeric_limits<std::int64_t>::max() - 150);
    EXPECT_EQ(d.TickCount(), std::numeric_limits<std::int64_t>::max());
    EXPECT_THROW(d.Advance(1), RuntimeError);
    EXPECT_EQ(d.NextTimerDue(), std::nullopt);
}

TEST_F(HeadlessClock, PostedWorkRunsAtTheNextPumpButNotWhatItPostsItself) {
    d.Post([&] {
        log.push_back("first");
        d.Post([&] { log.push_back("second"); });
    });
    EXPECT_EQ(d.PendingEvents(), 1u);
    d.DoEvents();
    EXPECT_EQ(log, (Log{"first"}));
    d.DoEvents();
    EXPECT_EQ(log, (Log{"first", "second"}));
}

using HeadlessModal = HeadlessFixture;

TEST_F(HeadlessModal, ScriptsPlayTheUserAndTimersTickInsideTheLoop) {
    auto mainText = d.CreateTextBox(*form, "txtMain");
    form->Show();
    mainText->OnMouseDown = [&](std::int16_t&, std::int16_t&, float&, float&) { log.push_back("pressed"); };
    auto dialog = d.CreateForm("frmDialog");
    Place(*dialog, 12000, 9000, 1500, 1500);
    auto watcher = d.CreateTimer(*form, "tmrWatch");
    watcher->Interval(100);
    watcher->OnTimer = [&] {
        if (d.TickCount() == 300)
            dialog->Hide();
    };
    d.OnModal([&](Form& modal) {
        EXPECT_EQ(&modal, dialog.get());
        d.ClickAt(*mainText, 15, 15);  // the other forms take no input meanwhile
        d.Advance(1000);
    });
    dialog->Show(Form::Modal);
    EXPECT_FALSE(dialog->Visible());
    EXPECT_EQ(d.TickCount(), 1000);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(d.ActiveForm(), form.get());
}

TEST_F(HeadlessModal, AStalledModalFormFailsNamingTheFormInsteadOfHanging) {
    form->Show();
    auto dialog = d.CreateForm("frmDialog");
    d.OnModal([](Form&) {});  // a user who does nothing
    try {
        dialog->Show(Form::Modal);
        FAIL() << "the modal loop returned while the form was still waiting";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.Number(), 20006);
        EXPECT_NE(e.Description().find("frmDialog"), std::string::npos) << e.Description();
    }
    EXPECT_FALSE(dialog->Visible());
    EXPECT_EQ(d.ActiveForm(), form.get());

    d.Post([&] { dialog->Hide(); });  // posted work counts as something to do
    dialog->Show(Form::Modal);
    EXPECT_FALSE(dialog->Visible());
}

// --- lifetimes ---------------------------------------------------------------------------------

using HeadlessLifetime = HeadlessFixture;

TEST_F(HeadlessLifetime, HandlersMayDestroyTheWidgetThatRaisedThem) {
    auto list = RowList(5);
    auto text = d.CreateTextBox(*form, "txtEntry");
    Place(*text, 3000, 300, 1500, 300);
    auto timer = d.CreateTimer(*form, "tmrOnce");
    form->Show();

    list->OnClick = [&] { list.reset(); };
    list->OnMouseDown = [&](std::int16_t&, std::int16_t&, float&, float&) { ADD_FAILURE() << "after its death"; };
    d.ClickRow(*list, 1);
    EXPECT_EQ(list, nullptr);
    d.MouseUp();
    d.MouseMove(0, 0);

    text->SetFocus();
    text->OnKeyDown = [&](std::int16_t&, std::int16_t&) { text.reset(); };
    d.PressKey('A');
    EXPECT_EQ(d.GetFocus(), 0);

    timer->Interval(10);
    int ticks = 0;
    timer->OnTimer = [&] {
        ++ticks;
        timer.reset();
    };
    d.Advance(100);
    EXPECT_EQ(ticks, 1);

    auto dialog = d.CreateForm("frmDialog");
    d.OnModal([&](Form&) { dialog.reset(); });
    dialog->Show(Form::Modal);
    EXPECT_EQ(dialog, nullptr);

    auto popup = d.CreateForm("frmPopup");
    Place(*popup, 12000, 9000, 1500, 1500);
    popup->OnDeactivate = [&] { popup.reset(); };
    popup->Show();
    d.ClickAt(*form, 15, 15);
    EXPECT_EQ(popup, nullptr);
    EXPECT_EQ(d.ActiveForm(), form.get());
}

// --- the desktop around the widgets ----------------------------------------------------------------

using HeadlessScreen = HeadlessFixture;

TEST_F(HeadlessScreen, RecordsWhatAPersonSawOrHeard) {
    d.SetApp({"Orders", 2, 1, 0});
    EXPECT_EQ(d.MsgBox("Saved"), 1);
    d.SetMsgBoxAnswer(2);
    EXPECT_EQ(d.MsgBox("Really?", msgbox::Critical, "Check"), 2);
    ASSERT_EQ(d.MessageBoxes().size(), 2u);
    EXPECT_EQ(d.MessageBoxes()[0].Title, "Orders") << "no title shows the application's";
    EXPECT_EQ(d.MessageBoxes()[1].Style, msgbox::Critical);

    EXPECT_EQ(d.ShellExecuteA(0, "open", "mailto:a@b.c", "", "", 1), 42);
    d.SetShellResult(2);
    EXPECT_EQ(d.ShellExecuteA(0, "open", "missing.txt", "", "", 1), 2);
    d.MousePointer(pointer::Hourglass);
    d.MousePointer(pointer::Default);
    EXPECT_EQ(d.PointerHistory(), (std::vector<std::int16_t>{11, 0}));
    d.ClearRecords();
    EXPECT_TRUE(d.MessageBoxes().empty());
    EXPECT_TRUE(d.ShellRequests().empty());

    EXPECT_EQ(d.GetSysColor(syscolor::Window), 0xFFFFFFu);
    EXPECT_EQ(d.GetSysColor(syscolor::Highlight), Rgb(0, 0, 128));
    EXPECT_EQ(d.GetSysColor(syscolor::HighlightText), 0xFFFFFFu);
    EXPECT_EQ(d.GetSystemMetrics(sm::CxVScroll), 16);
}

// A program that runs for ever must not grow with its records: each list
// keeps a window of the newest, and the newest are always there.
TEST_F(HeadlessScreen, RecordsKeepAWindowOfTheNewestSoLongUseDoesNotGrow) {
    const std::size_t window = HeadlessDesktop::RecordWindow;
    for (std::size_t k = 0; k < 5 * window + 3; ++k) {
        d.MousePointer(static_cast<std::int16_t>(k % 1000));
        d.MsgBox("message " + std::to_string(k));
    }
    for (const std::size_t size : {d.PointerHistory().size(), d.MessageBoxes().size()}) {
        EXPECT_GE(size, window);
        EXPECT_LE(size, 2 * window);
    }
    EXPECT_EQ(d.PointerHistory().back(), static_cast<std::int16_t>((5 * window + 2) % 1000));
    EXPECT_EQ(d.MessageBoxes().back().Prompt, "message " + std::to_string(5 * window + 2));
    const auto& history = d.PointerHistory();
    EXPECT_EQ(history[history.size() - window], static_cast<std::int16_t>((4 * window + 3) % 1000))
        << "the last window is complete and in order";
}

TEST_F(HeadlessScreen, DefinedFontsGiveExactRowHeights) {
    d.DefineFont("Row Face", [](const Font& f) { return FontMetrics{f.Size * 50.0f / 15.0f, 4}; });
    auto face = std::make_shared<Font>();
    face->Name = "Row Face";
    face->Size = 8;  // 400 twips a line
    form->Font(face);
    EXPECT_FLOAT_EQ(form->TextHeight("X"), 400);
    EXPECT_FLOAT_EQ(form->TextWidth("abc\r\nab"), 180) << "the widest line";

    auto list = RowList(10);
    list->Font(face);
    list->Height(2000);  // 133 pixels
    EXPECT_FLOAT_EQ(list->Height(), 4 * 400 + 30);
    face->Size = 4;  // a change through another holder shows at the next measurement
    EXPECT_FLOAT_EQ(list->Height(), 9 * 200 + 30);
    EXPECT_EQ(d.VisibleRows(*list), 9);
}

TEST_F(HeadlessScreen, OnlyTheUserScrollingRaisesScroll) {
    auto list = RowList(20);
    form->Show();
    int scrolls = 0;
    list->OnScroll = [&] { ++scrolls; };
    list->TopIndex(4);
    EXPECT_EQ(scrolls, 0);
    d.ScrollTo(*list, 50);
    EXPECT_EQ(list->TopIndex(), 11);
    d.ScrollTo(*list, 11);
    EXPECT_EQ(scrolls, 1);
    d.MoveToRow(*list, 12);
    d.MouseWheel(2);
    EXPECT_EQ(list->TopIndex(), 5);
    d.MouseWheel(-5);
    EXPECT_EQ(list->TopIndex(), 11);
    EXPECT_EQ(scrolls, 3);
}

TEST_F(HeadlessScreen, ForeignHostsAndTwoDesktopsStayApart) {
    auto box = d.CreateUserControl(*form, "ucvBox", Ambient{});
    box->Left(300);
    const Hwnd host = d.CreateForeignWindow("ForeignFrame", {50, 60, 450, 360});
    d.Reparent(*box, host);
    std::string name;
    d.GetClassNameA(d.GetParent(box->hWnd()), name, 250);
    EXPECT_EQ(name, "ForeignFrame");
    EXPECT_EQ(d.ScreenRectPx(*box).Left, 50 + 20);

    HeadlessDesktop other;
    auto otherForm = other.CreateForm("frmMain");
    auto otherTimer = other.CreateTimer(*otherForm, "tmrOther");
    otherTimer->Interval(10);
    int otherTicks = 0;
    otherTimer->OnTimer = [&] { ++otherTicks; };
    form->Show();
    otherForm->Show();
    d.Advance(100);
    d.Beep();
    EXPECT_EQ(otherTicks, 0);
    EXPECT_EQ(other.Beeps(), 0);
    EXPECT_EQ(other.TickCount(), 0);
    EXPECT_EQ(other.ActiveForm(), otherForm.get());
    EXPECT_EQ(d.ActiveForm(), form.get());
    EXPECT_EQ(ErrorNumber([&] { other.CreateTextBox(*form, "txtStray"); }), 5) << "a parent from another desktop";
}

}  // namespace
}  // namespace korvane::tk::headless

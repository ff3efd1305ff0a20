// The control on the Qt desktop, driven from outside the program: xdotool
// moves the X server's pointer and presses its keys, and the tests read back
// what the host and the user see. Screenshots of each situation go into the
// folder named by KORVANE_SCREENSHOTS.
#include <sys/stat.h>

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTimer>
#include <QWidget>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "qt_support.h"
#include "shell/about.h"

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

// What a person sees of the open drop-down is what the X server shows, not
// what the window can render of itself: compared pixel by pixel, in both
// drop-down styles, opened by the mouse and by the keys.
TEST_F(EndToEnd, TheXServerShowsTheOpenDropDownAsItDrewItself) {
    struct Case {
        const char* name;
        StyleType style;
        const char* press;  // a part to click, or null for Alt+Down
    };
    const Case cases[] = {
        {"Dropdown Combo, the button", StyleType::DropdownCombo, "imgCombo"},
        {"Dropdown Combo, Alt+Down", StyleType::DropdownCombo, nullptr},
        {"Dropdown List, the button", StyleType::DropdownList, "imgCombo"},
        {"Dropdown List, a label", StyleType::DropdownList, "lblCol2"},
        {"Dropdown List, Alt+Down", StyleType::DropdownList, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto host = Make({.Style = c.style});
        if (c.press != nullptr) {
            // The program's pixels, made the screen's (the test runs at twice the scale too).
            const double scale = host->desktop.WidgetOf(*host->form)->devicePixelRatioF();
            const auto [x, y] = host->Centre(host->Widget(c.press));
            host->ClickAt({static_cast<int>(std::lround(x * scale)), static_cast<int>(std::lround(y * scale))});
        } else {
            host->control->Container().SetFocus();
            Xdo("key alt+Down");
        }
        ASSERT_TRUE(WaitUntil(host->desktop, [&] { return host->DropDownOpen(); }));
        QWidget* drop = host->desktop.WidgetOf(host->DropDown());
        WaitUntil(
            host->desktop, [&] { return ShownAsDrawn(drop) > 0.95; }, 1500);
        EXPECT_GT(ShownAsDrawn(drop), 0.95);
        const tk::Rect box = host->desktop.ScreenRectPx(host->control->Container());
        const tk::Rect list = host->desktop.ScreenRectPx(host->DropDown());
        EXPECT_EQ(list.Left, box.Left) << "the drop-down lines up with the box";
        EXPECT_EQ(list.Right, box.Right) << "the drop-down lines up with the box";
        host->Shot(std::string("x-server-") + (c.style == StyleType::DropdownList ? "list" : "combo") + "-open");
        Xdo("key Escape");
        WaitUntil(host->desktop, [&] { return !host->DropDownOpen(); });
    }
}

// Typing a search opens the drop-down for the matches and gives the field
// the keys back, which makes the form the active window again: raised, the
// form must stay below the drop-down on the X server, not cover it.
TEST_F(EndToEnd, TypingASearchShowsTheDropDownAboveTheForm) {
    auto host = Make({});
    host->control->SearchMode(2);
    host->Widget("txtCol1").SetFocus();
    Xdo("type an");
    ASSERT_TRUE(WaitUntil(host->desktop, [&] { return host->DropDownOpen(); }));
    EXPECT_EQ(host->desktop.GetFocus(), host->Widget("txtCol1").hWnd()) << "the field keeps the keys";
    QWidget* drop = host->desktop.WidgetOf(host->DropDown());
    WaitUntil(
        host->desktop, [&] { return ShownAsDrawn(drop) > 0.95; }, 1500);
    EXPECT_GT(ShownAsDrawn(drop), 0.95) << "the X server shows the drop-down above the form";
    host->Shot("x-server-combo-search");
}

// The window manager moves or resizes the window without a click (its
// keyboard move, or a program such as xdotool): the open drop-down closes
// instead of staying behind, detached and still taking the keys.
TEST_F(EndToEnd, MovingOrResizingTheWindowWithoutAClickClosesTheDropDown) {
    for (const char* how : {"windowmove", "windowsize"}) {
        SCOPED_TRACE(how);
        auto host = Make({});
        host->ClickAt(host->Centre(host->Widget("imgCombo")));
        ASSERT_TRUE(WaitUntil(host->desktop, [&] { return host->DropDownOpen(); }));
        const auto window = static_cast<unsigned long long>(host->desktop.WidgetOf(*host->form)->winId());
        const char* to = std::string_view(how) == "windowmove" ? " 160 140" : " 520 320";
        Xdo(std::string(how) + " " + std::to_string(window) + to);
        EXPECT_TRUE(WaitUntil(host->desktop, [&] { return !host->DropDownOpen(); }));
        EXPECT_EQ(host->control->ListIndex(), -1);
        EXPECT_EQ(host->recorder.Count("Click"), 0);
    }
}

// The row under the pointer is the row the user sees there, on every pixel
// line of the screen: a row's last line is its own. The test program runs
// this once more at twice the scale (QT_SCALE_FACTOR=2), where one pixel
// of the list is two of the screen.
TEST_F(EndToEnd, HoverPicksTheRowDrawnUnderThePointerOnEveryPixelLine) {
    auto host = Make({});
    const double scale = host->desktop.WidgetOf(*host->form)->devicePixelRatioF();
    const auto button = host->Centre(host->Widget("imgCombo"));  // the program's pixels
    host->ClickAt(
        {static_cast<int>(std::lround(button.first * scale)), static_cast<int>(std::lround(button.second * scale))});
    ASSERT_TRUE(WaitUntil(host->desktop, [&] { return host->DropDownOpen(); }));
    auto& list1 = host->List("lstCol1");
    int moves = 0;
    const tk::MouseHandler follow = list1.OnMouseMove;
    list1.OnMouseMove = [&](std::int16_t& b, std::int16_t& s, float& x, float& y) {
        ++moves;
        if (follow)
            follow(b, s, x, y);
    };
    auto* area = dynamic_cast<QAbstractScrollArea*>(host->desktop.WidgetOf(list1));
    ASSERT_NE(area, nullptr);
    const QWidget* rows = area->viewport();
    const QPoint origin = rows->mapToGlobal(QPoint(0, 0));  // the first row's top, in the program's pixels
    const int rowPx = static_cast<int>(host->form->TextHeight("X")) / host->desktop.TwipsPerPixelY();
    const int x = static_cast<int>(std::lround((origin.x() + 30) * scale));
    const int top = static_cast<int>(std::lround(origin.y() * scale));
    for (int line = 0; line < static_cast<int>(std::lround(3 * rowPx * scale)); ++line) {
        const int before = moves;
        host->MoveTo({x, top + line});
        ASSERT_TRUE(WaitUntil(host->desktop, [&] { return moves > before; })) << "screen line " << line;
        const int drawn = list1.TopIndex() + static_cast<int>(std::floor(line / scale)) / rowPx;
        EXPECT_EQ(list1.ListIndex(), drawn) << "screen line " << line << " below the first row's top";
    }
    list1.OnMouseMove = follow;
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

// Presses on a Dropdown List's label take turns: the first opens the list,
// the next closes it, the third opens it again, however soon each follows
// the one before (a quick second press is a double click to the X server).
TEST_F(EndToEnd, PressesOnADropdownListLabelOpenCloseAndOpenAgain) {
    for (int ms : {0, 50, 150, 400}) {
        SCOPED_TRACE(std::to_string(ms) + " ms between the presses");
        auto host = Make({.Style = StyleType::DropdownList});
        for (const char* label : {"lblCol1", "lblCol2"}) {
            SCOPED_TRACE(label);
            host->MoveTo(host->Centre(host->Widget(label)));
            for (bool open : {true, false, true, false}) {
                Xdo("click 1");
                ASSERT_TRUE(WaitUntil(host->desktop, [&] { return host->DropDownOpen() == open; }))
                    << (open ? "this press opens the list" : "this press closes the list");
                host->desktop.ProcessEventsFor(ms);
            }
        }
        EXPECT_EQ(host->recorder.Count("Click"), 0);
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

// A plain Qt field of the host's on the same form: Tab from the control to
// it takes the focus, and with it the Dropdown List highlight, away; Shift+Tab
// brings both back.
TEST_F(EndToEnd, FocusShownNowhereWhenTabMovesToAWidgetTheDesktopDidNotMake) {
    auto host = Make({.Style = StyleType::DropdownList});
    host->control->ListIndex(1);
    QWidget* formWidget = host->desktop.WidgetOf(*host->form);
    auto* plain = new QLineEdit(formWidget);
    plain->setGeometry(20, 200, 120, 24);
    plain->show();
    QWidget::setTabOrder(host->desktop.WidgetOf(host->control->Container()), plain);
    const std::uint32_t highlight = host->desktop.GetSysColor(tk::syscolor::Highlight);
    auto& label = host->Widget("lblCol1");
    host->ClickAt(host->Centre(label));
    ASSERT_TRUE(WaitUntil(host->desktop, [&] { return host->DropDownOpen(); }));
    host->ClickAt(host->Centre(label));
    ASSERT_TRUE(WaitUntil(host->desktop, [&] { return !host->DropDownOpen() && label.BackColor() == highlight; }));

    Xdo("key Tab");
    ASSERT_TRUE(WaitUntil(host->desktop, [&] { return plain->hasFocus(); }));
    EXPECT_TRUE(WaitUntil(host->desktop, [&] { return label.BackColor() != highlight; }))
        << "the highlight goes with the focus";
    EXPECT_NE(host->desktop.GetFocus(), host->control->hWnd());
    EXPECT_TRUE(host->desktop.FocusRects(host->control->hDC()).empty());

    Xdo("key shift+Tab");
    EXPECT_TRUE(WaitUntil(host->desktop, [&] { return label.BackColor() == highlight; }));
    EXPECT_EQ(host->desktop.GetFocus(), host->control->hWnd());
    delete plain;
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

// --- the About box on a real screen ----------------------------------------------------------

// A stand-in for the desktop's opener, first on the PATH: it notes what it
// was asked to open, takes its time and answers with the given exit code.
class FakeOpener {
public:
    FakeOpener(double seconds, int exitCode) {
        char pattern[] = "/tmp/korvane-opener-XXXXXX";
        dir_ = mkdtemp(pattern);
        log_ = dir_ + "/opened";
        const std::string script = dir_ + "/xdg-open";
        FILE* f = std::fopen(script.c_str(), "w");
        std::fprintf(f, "#!/bin/sh\necho \"$1\" >> '%s'\nsleep %.2f\nexit %d\n", log_.c_str(), seconds, exitCode);
        std::fclose(f);
        chmod(script.c_str(), 0755);
        const char* path = std::getenv("PATH");
        oldPath_ = path != nullptr ? path : "";
        setenv("PATH", (dir_ + ":" + oldPath_).c_str(), 1);
    }
    ~FakeOpener() {
        setenv("PATH", oldPath_.c_str(), 1);
        std::system(("rm -rf '" + dir_ + "'").c_str());
    }
    std::string Opened() const {
        std::string text;
        if (FILE* f = std::fopen(log_.c_str(), "r")) {
            char buffer[512];
            while (std::fgets(buffer, sizeof buffer, f) != nullptr)
                text += buffer;
            std::fclose(f);
        }
        return text;
    }

private:
    std::string dir_, log_, oldPath_;
};

// Runs `inside` once the modal About box is up, from inside its loop; a box
// still open after a while is closed, and that counts as a failure.
void WithAboutBox(QtHost& host, const std::function<void(QWidget& box)>& inside) {
    bool ran = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        tk::Widget* box = host.desktop.Find("fabout");
        if (ran || box == nullptr || !box->Visible() || !host.desktop.WidgetOf(*box)->isActiveWindow())
            return;
        ran = true;
        poll.stop();
        inside(*host.desktop.WidgetOf(*box));
    });
    poll.start(20);
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] {
        ADD_FAILURE() << "the About box did not close";
        detail::AboutBoxes::Unload(host.desktop);
    });
    guard.start(6000);
    host.control->About();
    EXPECT_TRUE(ran);
}

TEST_F(EndToEnd, TheAboutBoxIsAKeyboardTrap) {
    FakeOpener opener(0, 0);
    auto host = Make({});
    struct Case {
        const char* keys;
        const char* opened;
    };
    const Case cases[] = {
        {"Return", ""},         {"Escape", ""},
        {"space", ""},          {"Tab Return", "mailto:maintainers@korvane.example\n"},
        {"Tab Tab Escape", ""}, {"Tab Tab Tab Return", ""},
    };
    std::string opened;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        WithAboutBox(*host, [&](QWidget& box) {
            EXPECT_EQ(box.windowType(), Qt::Dialog);
            EXPECT_FALSE(box.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
            EXPECT_EQ(host->desktop.GetFocus(), host->desktop.Find("fabout.btnOK")->hWnd()) << "it opens on OK";
            Xdo(std::string("key --delay 40 ") + c.keys);
        });
        opened += c.opened;
        EXPECT_TRUE(WaitUntil(
            host->desktop, [&] { return opener.Opened() == opened; }, 2000))
            << opener.Opened();
    }
}

TEST_F(EndToEnd, TheAboutBoxShowsItsLinksAndTextWhole) {
    auto host = Make({});
    WithAboutBox(*host, [&](QWidget& box) {
        host->desktop.ProcessEventsFor(100);
        const QRect inside = box.rect();
        std::vector<std::pair<std::string, QRect>> placed;
        for (const char* name : {"lblAbout", "lblmailto", "lblwebtext", "lblweb", "btnOK"}) {
            SCOPED_TRACE(name);
            tk::Widget* part = host->desktop.Find(std::string("fabout.") + name);
            ASSERT_NE(part, nullptr);
            QWidget* w = host->desktop.WidgetOf(*part);
            const QFontMetrics fm(w->font());
            std::string text;
            if (auto* label = dynamic_cast<tk::Label*>(part))
                text = label->Caption();
            if (std::string_view(name) == "lblAbout")
                text = detail::SplitAboutText(text).Above;  // what it shows above the links
            if (auto* button = dynamic_cast<tk::CommandButton*>(part))
                text = button->Caption();
            int lines = 0;
            std::size_t start = 0;
            for (;;) {
                const std::size_t end = text.find('\r', start);
                const QString line = QString::fromStdString(text.substr(start, end - start));
                EXPECT_LE(fm.horizontalAdvance(line) + 4, w->width()) << line.toStdString();
                ++lines;
                if (end == std::string::npos)
                    break;
                start = end + 1;
            }
            EXPECT_LE(lines * fm.lineSpacing(), w->height());
            EXPECT_TRUE(inside.contains(w->geometry())) << "inside the box";
            for (const auto& [other, rect] : placed)
                EXPECT_FALSE(rect.intersects(w->geometry())) << "clear of " << other;
            placed.emplace_back(name, w->geometry());
        }
        const tk::Rect r = host->desktop.ScreenRectPx(*host->desktop.Find("fabout"));
        if (const char* dir = std::getenv("KORVANE_SCREENSHOTS"); dir != nullptr && *dir != '\0') {
            std::system((std::string("mkdir -p '") + dir + "'").c_str());
            EXPECT_TRUE(host->desktop.SaveScreenPng(r, std::string(dir) + "/about-box.png"));
        }
        Xdo("key Escape");
    });
}

// The opener takes its time and fails: the application goes on meanwhile,
// and the failure then reaches the user with the table's message.
TEST_F(EndToEnd, ALinkOpensWithoutHoldingTheApplicationAndAFailureIsShown) {
    FakeOpener opener(1.5, 3);  // no handler for the address, after a while
    auto host = Make({});
    QElapsedTimer clock;
    clock.start();
    WithAboutBox(*host, [&](QWidget&) { SendClick(host->desktop.WidgetOf(*host->desktop.Find("fabout.lblweb"))); });
    EXPECT_LT(clock.elapsed(), 1200) << "the box closed without waiting for the opener";
    std::int64_t longestGap = 0;
    QElapsedTimer gap;
    gap.start();
    ASSERT_TRUE(WaitUntil(
        host->desktop,
        [&] {
            longestGap = std::max<std::int64_t>(longestGap, gap.restart());
            return !host->desktop.MessageBoxes().empty();
        },
        5000));
    EXPECT_LT(longestGap, 300) << "events ran while the opener worked";
    EXPECT_EQ(host->desktop.MessageBoxes().back().Prompt, "Missing association type of file.");
    EXPECT_EQ(opener.Opened(), "https://korvane.example/\n");
}

}  // namespace
}  // namespace korvane::test

// The About box: its composed text, shown modally by the About method and
// by the hidden gesture on the drop-down button, its links and what a failed
// link tells the user, the keyboard in the box, its layout from the measured
// text, its timer, and its closing when a control terminates.
#include "shell/about.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "korvane/version.h"
#include "shell/window_utils.h"
#include "support.h"

namespace korvane::test {
namespace {

using detail::ComposeAboutText;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (char c : text) {
        if (c == '\r') {
            lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    lines.push_back(line);
    return lines;
}

// The control's own version as the box shows it when the host has not
// named its application: major.minor, and .patch when there is one.
std::string OwnVersion() {
    std::string version = std::to_string(KORVANE_VERSION_MAJOR) + "." + std::to_string(KORVANE_VERSION_MINOR);
    if (KORVANE_VERSION_PATCH >= 1)
        version += "." + std::to_string(KORVANE_VERSION_PATCH);
    return version;
}

TEST(AboutText, EmptyLinesFollowTheShapeOfTheComment) {
    struct Case {
        const char* name;
        std::string comment;
        bool startsEmpty;
        bool emptyAfterComment;
        bool emptyAfterLocation;
    };
    const Case cases[] = {
        {"empty", "", true, true, true},
        {"only spaces", "   ", true, true, true},
        {"starts with CR", "\rnote", true, true, true},
        {"one line", "A note", false, true, true},
        {"one CR", "A\rnote", false, true, false},
        {"two CRs", "A\rlonger\rnote", false, false, false},
    };
    const auto driver = MakeTestDesktop();
    TestDesktop& desktop = *driver;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string text = ComposeAboutText(desktop, c.comment);
        EXPECT_EQ(text.find('\n'), std::string::npos) << "carriage returns only";
        const auto lines = Lines(text);
        std::size_t at = 0;
        EXPECT_EQ(lines[at].empty(), c.startsEmpty);
        if (c.startsEmpty)
            ++at;
        EXPECT_EQ(lines[at], "Korvane  \xE2\x80\x93  version " + OwnVersion());
        ++at;
        if (c.startsEmpty) {
            EXPECT_EQ(lines[at++], "") << "the blank comment is one empty line";
        } else {
            at += static_cast<std::size_t>(std::count(c.comment.begin(), c.comment.end(), '\r')) + 1;
            EXPECT_EQ(lines[at].empty(), c.emptyAfterComment);
            if (c.emptyAfterComment)
                ++at;
        }
        EXPECT_EQ(lines[at++], "Copyright \xC2\xA9 2026, The Korvane developers");
        ++at;  // the location
        EXPECT_EQ(lines[at].empty(), c.emptyAfterLocation);
        if (c.emptyAfterLocation)
            ++at;
        EXPECT_EQ(lines[at++], "for comments or bugs send e-mail to address:");
        EXPECT_EQ(lines[at++],
                  std::string(detail::AuthorEmail().size() + 12, ' ') + "or check for updates on the web:");
        EXPECT_EQ(lines[at++], std::string(detail::GetWebAddress().size(), ' '));
        EXPECT_EQ(at, lines.size());
    }
}

TEST(AboutText, UntilTheHostNamesItselfTheBoxShowsTheControlsOwnVersion) {
    const auto driver = MakeTestDesktop();
    TestDesktop& desktop = *driver;
    EXPECT_EQ(desktop.App().Major, KORVANE_VERSION_MAJOR);
    EXPECT_EQ(desktop.App().Minor, KORVANE_VERSION_MINOR);
    EXPECT_EQ(desktop.App().Revision, KORVANE_VERSION_PATCH);
    EXPECT_EQ(KORVANE_VERSION_STRING, std::to_string(KORVANE_VERSION_MAJOR) + "." +
                                          std::to_string(KORVANE_VERSION_MINOR) + "." +
                                          std::to_string(KORVANE_VERSION_PATCH));
    desktop.SetApp({"Orders", 3, 2, 0});
    EXPECT_NE(ComposeAboutText(desktop, "").find("Orders  \xE2\x80\x93  version 3.2\r"), std::string::npos)
        << "a host's own application shows as the host named it";
}

TEST(AboutText, TheRevisionShowsOnlyWhenItIsSet) {
    const auto driver = MakeTestDesktop();
    TestDesktop& desktop = *driver;
    desktop.SetApp({"Korvane", 1, 4, 3});
    EXPECT_NE(ComposeAboutText(desktop, "").find("version 1.4.3\r"), std::string::npos);
    desktop.SetApp({"Korvane", 1, 4, 0});
    EXPECT_NE(ComposeAboutText(desktop, "").find("version 1.4\r"), std::string::npos);
}

TEST(AboutText, TheMakersNameAndAddressAreOurOwn) {
    EXPECT_EQ(detail::GetAuthorName(), "The Korvane developers");
    EXPECT_EQ(detail::GetWebAddress(), "https://korvane.example/");
}

class AboutBox : public testing::Test {
protected:
    Host host{StyleType::DropdownCombo};
    tk::Widget& Part(const std::string& name) {
        tk::Widget* w = host.desktop.Find("fabout." + name);
        if (w == nullptr)
            throw std::runtime_error("no part " + name);
        return *w;
    }
    tk::Label& Label(const char* name) { return dynamic_cast<tk::Label&>(Part(name)); }
    tk::CommandButton& Button(const char* name) { return dynamic_cast<tk::CommandButton&>(Part(name)); }
};

TEST_F(AboutBox, TheAboutMethodShowsItModallyAndOkClosesIt) {
    bool shown = false;
    host.desktop.OnModal([&](tk::Form& box) {
        shown = true;
        EXPECT_EQ(box.Caption(), "About");
        const std::string composed = ComposeAboutText(host.desktop, "");
        const auto parts = detail::SplitAboutText(composed);
        EXPECT_EQ(Label("lblAbout").Caption(), composed) << "the caption is the composed text, runs of spaces and all";
        EXPECT_EQ(std::count(composed.begin(), composed.end(), '\r'), 8) << "nine lines";
        EXPECT_EQ(parts.Above.substr(parts.Above.rfind('\r') + 1), "for comments or bugs send e-mail to address:");
        EXPECT_EQ(Label("lblwebtext").Caption(), "or check for updates on the web:");
        EXPECT_EQ(Button("lblmailto").Caption(), "maintainers@korvane.example");
        EXPECT_EQ(Button("lblweb").Caption(), "https://korvane.example/");
        // Centred: the differences rounded, then halved as whole numbers.
        EXPECT_EQ(box.Left(), static_cast<float>(static_cast<int>(host.desktop.ScreenWidth() - box.Width()) / 2));
        host.desktop.ClickAt(Part("btnOK"), 100, 100);
    });
    host.ctl().About();
    EXPECT_TRUE(shown);
    EXPECT_FALSE(host.desktop.Find("fabout")->Visible());
    EXPECT_EQ(host.desktop.MessageBeeps(), (std::vector<std::uint32_t>{64}));
}

TEST_F(AboutBox, TheHiddenGestureOnTheButtonOpensIt) {
    int shown = 0;
    host.desktop.OnModal([&](tk::Form& box) {
        ++shown;
        box.Hide();
    });
    struct Gesture {
        std::vector<std::int16_t> held;
        int opens;
    };
    const Gesture gestures[] = {
        {{}, 0},
        {{tk::key::Shift, tk::key::Control}, 0},
        {{tk::key::Menu}, 0},
        {{tk::key::Shift, tk::key::Control, tk::key::Menu}, 1},
    };
    for (const auto& g : gestures) {
        shown = 0;
        for (auto k : g.held)
            host.desktop.KeyDown(k);
        host.desktop.ClickAt(host.Widget("imgCombo"), 60, 60, tk::button::Right);
        for (auto k : g.held)
            host.desktop.KeyUp(k);
        EXPECT_EQ(shown, g.opens) << g.held.size() << " keys held";
    }
}

TEST_F(AboutBox, LinksUnderlineUnderThePointerAndOpenThroughTheDesktop) {
    host.desktop.SetShellResult(31);  // no mail program
    host.desktop.OnModal([&](tk::Form&) {
        host.desktop.MoveTo(Part("lblmailto"), 30, 30);
        EXPECT_TRUE(Part("lblmailto").Font()->Underline);
        EXPECT_FALSE(Part("lblweb").Font()->Underline);
        EXPECT_EQ(Part("lblmailto").MousePointer(), 99);
        host.desktop.MoveTo(Part("lblweb"), 30, 30);
        EXPECT_FALSE(Part("lblmailto").Font()->Underline);
        EXPECT_TRUE(Part("lblweb").Font()->Underline);
        EXPECT_EQ(Part("lblmailto").MousePointer(), 0);
        host.desktop.MoveTo(Label("lblAbout"), 30, 30);
        EXPECT_FALSE(Part("lblweb").Font()->Underline);
        host.desktop.ClickAt(Part("lblmailto"), 30, 30);
    });
    host.ctl().About();
    ASSERT_EQ(host.desktop.ShellRequests().size(), 1u);
    EXPECT_EQ(host.desktop.ShellRequests()[0].File, "mailto:maintainers@korvane.example");
    EXPECT_FALSE(host.desktop.Find("fabout")->Visible()) << "closed even though the shell failed";
}

// A link opens without waiting for the handler; when the handler reports a
// failure, the user reads the table's message for it (the box is closed by
// then), and a success says nothing.
TEST_F(AboutBox, ALinkOpensWithoutHoldingTheApplicationAndAFailureIsShown) {
    struct Case {
        std::intptr_t code;
        const char* message;  // "" none
    };
    const Case cases[] = {
        {42, ""},
        {2, "File not found."},
        {5, "Access denied."},
        {31, "Missing association type of file."},
        {0, "Generic access file error."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        host.desktop.SetShellResult(c.code);
        const auto before = host.desktop.MessageBoxes().size();
        host.desktop.OnModal([&](tk::Form&) { host.desktop.ClickAt(Part("lblweb"), 30, 30); });
        host.ctl().About();
        EXPECT_FALSE(host.desktop.Find("fabout")->Visible());
        const auto& boxes = host.desktop.MessageBoxes();
        if (*c.message == '\0') {
            EXPECT_EQ(boxes.size(), before);
        } else {
            ASSERT_EQ(boxes.size(), before + 1);
            EXPECT_EQ(boxes.back().Prompt, c.message);
        }
    }
}

// OK is a real default button: the box opens with the focus on it, Tab
// walks OK and the two links, Enter presses what has the focus (OK closes,
// a link opens), Escape closes from anywhere, and the box is a dialog.
TEST_F(AboutBox, TheAboutBoxIsAKeyboardTrap) {
    struct Case {
        const char* name;
        int tabs;
        std::int16_t key;
        const char* opened;  // "" nothing
    };
    const Case cases[] = {
        {"Enter on OK", 0, tk::key::Return, ""},
        {"Escape", 0, tk::key::Escape, ""},
        {"Space on OK", 0, tk::key::Space, ""},
        {"Enter on the e-mail link", 1, tk::key::Return, "mailto:maintainers@korvane.example"},
        {"Space on the web link", 2, tk::key::Space, "https://korvane.example/"},
        {"Escape on the web link", 2, tk::key::Escape, ""},
        {"Enter on OK again", 3, tk::key::Return, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto requests = host.desktop.ShellRequests().size();
        std::vector<std::string> walked;
        host.desktop.OnModal([&](tk::Form& box) {
            EXPECT_TRUE(box.Dialog());
            EXPECT_EQ(host.desktop.GetFocus(), Part("btnOK").hWnd()) << "the box opens on OK";
            for (int i = 0; i < c.tabs; ++i) {
                host.desktop.PressKey(tk::key::Tab);
                walked.push_back(host.desktop.FocusWidget() ? host.desktop.FocusWidget()->Name() : "");
            }
            host.desktop.PressKey(c.key);
            if (box.Visible()) {
                ADD_FAILURE() << "the key left the box open";
                box.Hide();
            }
        });
        host.ctl().About();
        const std::vector<std::string> order = {"lblmailto", "lblweb", "btnOK"};
        EXPECT_EQ(walked, std::vector<std::string>(order.begin(), order.begin() + c.tabs));
        if (*c.opened == '\0') {
            EXPECT_EQ(host.desktop.ShellRequests().size(), requests);
        } else {
            ASSERT_EQ(host.desktop.ShellRequests().size(), requests + 1);
            EXPECT_EQ(host.desktop.ShellRequests().back().File, c.opened);
        }
    }
}

// Every part is as large as what it shows in its font, lies inside the box
// and clear of the others, whatever the font measures and however long the
// comment.
TEST_F(AboutBox, TheAboutBoxShowsItsLinksAndTextWhole) {
    struct Case {
        const char* name;
        tk::headless::FontMetrics arial;
        std::string comment;
    };
    const Case cases[] = {
        {"the usual font", {13, 5}, ""},
        {"a large font", {31, 14}, ""},
        {"a narrow tall font", {22, 4}, "A comment\rof three\rlines"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (host.desktop.Headless() == nullptr)
            GTEST_SKIP() << "fonts measure as the screen's font engine says, no test can set their metrics";
        host.desktop.Headless()->DefineFont("Arial", [m = c.arial](const tk::Font&) { return m; });
        auto measure = host.desktop.CreateForm("measure");
        host.desktop.OnModal([&](tk::Form& box) {
            struct Shown {
                const char* name;
                std::string text;
            };
            const std::vector<Shown> parts = {
                {"lblAbout", detail::SplitAboutText(Label("lblAbout").Caption()).Above},
                {"lblmailto", Button("lblmailto").Caption()},
                {"lblwebtext", Label("lblwebtext").Caption()},
                {"lblweb", Button("lblweb").Caption()},
                {"btnOK", Button("btnOK").Caption()},
            };
            for (const Shown& part : parts) {
                SCOPED_TRACE(part.name);
                tk::Widget& w = Part(part.name);
                measure->Font(w.Font());
                EXPECT_GE(w.Width(), measure->TextWidth(part.text));
                EXPECT_GE(w.Height(), measure->TextHeight(part.text));
                EXPECT_GE(w.Left(), 0);
                EXPECT_GE(w.Top(), 0);
                EXPECT_LE(w.Left() + w.Width(), box.Width());
                EXPECT_LE(w.Top() + w.Height(), box.Height());
                for (const Shown& other : parts) {
                    if (&other == &part)
                        continue;
                    tk::Widget& o = Part(other.name);
                    const bool apart = w.Left() + w.Width() <= o.Left() || o.Left() + o.Width() <= w.Left() ||
                                       w.Top() + w.Height() <= o.Top() || o.Top() + o.Height() <= w.Top();
                    EXPECT_TRUE(apart) << "overlaps " << other.name;
                }
            }
            box.Hide();
        });
        detail::AboutBoxes::AboutBox(host.desktop, c.comment, 0, std::make_shared<const tk::Picture>());
    }
}

TEST_F(AboutBox, AModelessBoxIsTopMostAndClosesWithItsTimerOrAControlsEnd) {
    auto* box = detail::AboutBoxes::Find(host.desktop);
    ASSERT_EQ(box, nullptr);
    host.desktop.OnModal([&](tk::Form& form) { form.Hide(); });
    host.ctl().About();  // creates the desktop's box
    box = detail::AboutBoxes::Find(host.desktop);
    ASSERT_NE(box, nullptr);
    box->Modeless(true);
    box->Interval(500);
    host.ctl().About();
    EXPECT_TRUE(box->Form().Visible());
    EXPECT_TRUE(host.desktop.IsTopMost(box->Form().hWnd()));
    host.desktop.Advance(400);
    EXPECT_TRUE(box->Form().Visible());
    host.desktop.Advance(100);
    EXPECT_FALSE(box->Form().Visible()) << "the timer closed it";

    host.ctl().About();
    EXPECT_TRUE(box->Form().Visible());
    host.control.reset();  // a control's end closes the desktop's box
    EXPECT_EQ(detail::AboutBoxes::Find(host.desktop), nullptr);
}

TEST(AboutResources, AnUnknownPictureIsAClearError) {
    EXPECT_NO_THROW(detail::LoadResPicture(101));
    auto [number, description] = ErrorOf([] { detail::LoadResPicture(364); });
    EXPECT_EQ(number, 326);
    EXPECT_EQ(description, "Resource with identifier '364' not found");
}

}  // namespace
}  // namespace korvane::test

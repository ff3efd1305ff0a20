// The About box: its composed text, shown modally by the About method and
// by the hidden gesture on the drop-down button, its links, its timer, and
// its closing when a control terminates.
#include "shell/about.h"

#include <gtest/gtest.h>

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
    HeadlessDesktop desktop;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string text = ComposeAboutText(desktop, c.comment);
        EXPECT_EQ(text.find('\n'), std::string::npos) << "carriage returns only";
        const auto lines = Lines(text);
        std::size_t at = 0;
        EXPECT_EQ(lines[at].empty(), c.startsEmpty);
        if (c.startsEmpty)
            ++at;
        EXPECT_EQ(lines[at], "Korvane  \xE2\x80\x93  version 1.0");
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

TEST(AboutText, TheRevisionShowsOnlyWhenItIsSet) {
    HeadlessDesktop desktop;
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
    tk::Label& Label(const char* name) {
        return *static_cast<tk::Label*>(host.desktop.Find(std::string("fabout.") + name));
    }
};

TEST_F(AboutBox, TheAboutMethodShowsItModallyAndOkClosesIt) {
    bool shown = false;
    host.desktop.OnModal([&](tk::Form& box) {
        shown = true;
        EXPECT_EQ(box.Caption(), "About");
        EXPECT_EQ(Label("lblAbout").Caption(), ComposeAboutText(host.desktop, ""));
        EXPECT_EQ(Label("lblmailto").Caption(), "maintainers@korvane.example");
        EXPECT_EQ(Label("lblweb").Caption(), "https://korvane.example/");
        // Centred: the differences rounded, then halved as whole numbers.
        EXPECT_EQ(box.Left(), static_cast<float>(static_cast<int>(host.desktop.ScreenWidth() - box.Width()) / 2));
        host.desktop.ClickAt(Label("btnOK"), 100, 100);
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
        host.desktop.MoveTo(Label("lblmailto"), 30, 30);
        EXPECT_TRUE(Label("lblmailto").Font()->Underline);
        EXPECT_FALSE(Label("lblweb").Font()->Underline);
        EXPECT_EQ(Label("lblmailto").MousePointer(), 99);
        host.desktop.MoveTo(Label("lblweb"), 30, 30);
        EXPECT_FALSE(Label("lblmailto").Font()->Underline);
        EXPECT_TRUE(Label("lblweb").Font()->Underline);
        EXPECT_EQ(Label("lblmailto").MousePointer(), 0);
        host.desktop.MoveTo(Label("lblAbout"), 30, 30);
        EXPECT_FALSE(Label("lblweb").Font()->Underline);
        host.desktop.ClickAt(Label("lblmailto"), 30, 30);
    });
    host.ctl().About();
    ASSERT_EQ(host.desktop.ShellRequests().size(), 1u);
    EXPECT_EQ(host.desktop.ShellRequests()[0].File, "mailto:maintainers@korvane.example");
    EXPECT_FALSE(host.desktop.Find("fabout")->Visible()) << "closed even though the shell failed";
    EXPECT_TRUE(host.desktop.MessageBoxes().empty()) << "the failure is not shown";
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

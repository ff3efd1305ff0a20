// The desktop opener with hostile targets: whatever the text, the opener
// gets it as one argument, nothing runs through a shell, and its failures
// map onto the message table's codes.
#include "korvane/toolkit/desktop_opener.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "shell/window_utils.h"
#include "support.h"

namespace korvane::test {
namespace {

namespace fs = std::filesystem;

class DesktopOpener : public testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("korvane-opener-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        opener = (dir / "opener").string();
        record = (dir / "arguments").string();
        std::ofstream script(opener);
        // Writes the argument count, then each argument in brackets.
        script << "#!/bin/sh\n"
               << "printf '%s\\n' \"$#\" > '" << record << "'\n"
               << "for a in \"$@\"; do printf '[%s]\\n' \"$a\" >> '" << record << "'; done\n"
               << "exit \"${KORVANE_OPENER_EXIT:-0}\"\n";
        script.close();
        fs::permissions(opener, fs::perms::owner_all);
        ::unsetenv("KORVANE_OPENER_EXIT");
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string Recorded() const {
        std::ifstream in(record);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path dir;
    std::string opener;
    std::string record;
};

TEST_F(DesktopOpener, HostileTargetsArriveAsOneArgumentAndRunNothing) {
    const std::string canary = (dir / "pwned").string();
    struct Case {
        std::string target;
        std::string received;
    };
    const Case cases[] = {
        {"x; rm -rf ~", "x; rm -rf ~"},
        {"$(touch " + canary + ")", "$(touch " + canary + ")"},
        {"`touch " + canary + "`", "`touch " + canary + "`"},
        {"a | touch " + canary, "a | touch " + canary},
        {"-rf", "./-rf"},
        {"--help", "./--help"},
        {"mailto:someone@example.org?subject=a b&c", "mailto:someone@example.org?subject=a b&c"},
        {"with\nnew line", "with\nnew line"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        EXPECT_GT(tk::OpenWithDesktop(c.target, opener), 32);
        EXPECT_EQ(Recorded(), "1\n[" + c.received + "]\n");
    }
    EXPECT_FALSE(fs::exists(canary));
}

TEST_F(DesktopOpener, FailuresMapOntoTheMessageTable) {
    struct Case {
        const char* exit;
        const char* message;
    };
    const Case cases[] = {
        {"0", ""},
        {"1", "Generic access file error."},
        {"2", "File not found."},
        {"3", "Missing association type of file."},
        {"4", "Generic access file error."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.exit);
        ::setenv("KORVANE_OPENER_EXIT", c.exit, 1);
        const auto code = tk::OpenWithDesktop("document.txt", opener);
        // The same code through the control's message table.
        HeadlessDesktop desktop;
        desktop.SetShellResult(code);
        EXPECT_EQ(detail::ShellOpen(desktop, "document.txt"), c.message);
    }
    ::unsetenv("KORVANE_OPENER_EXIT");
    EXPECT_EQ(tk::OpenWithDesktop("x", (dir / "no-such-opener").string()), 31);
    EXPECT_EQ(tk::OpenWithDesktop("", opener), 2);
    EXPECT_EQ(tk::OpenWithDesktop(std::string_view("a\0b", 3), opener), 2);
}

// The program the opener starts sees standard input, output and error and
// nothing else, even a descriptor the host opened without close-on-exec.
TEST_F(DesktopOpener, TheStartedProgramInheritsNoDescriptorOfTheHost) {
    const std::string listing = (dir / "descriptors").string();
    {
        std::ofstream script(opener);
        script << "#!/bin/sh\n"
               << "ls /proc/$$/fd > '" << listing << "'\n";
    }
    fs::permissions(opener, fs::perms::owner_all);
    const int inherited = ::open(record.c_str(), O_WRONLY | O_CREAT, 0600);  // no O_CLOEXEC
    ASSERT_GE(inherited, 0);
    EXPECT_GT(tk::OpenWithDesktop("document.txt", opener), 32);
    ::close(inherited);
    std::ifstream in(listing);
    std::vector<int> open;
    for (int fd; in >> fd;)
        open.push_back(fd);
    ASSERT_FALSE(open.empty());
    EXPECT_EQ(std::count(open.begin(), open.end(), inherited), 0) << "descriptor " << inherited << " was inherited";
}

TEST(ShellOpen, AsksTheDesktopWithTheTargetAndTheDefaultVerb) {
    HeadlessDesktop desktop;
    EXPECT_EQ(detail::ShellOpen(desktop, "https://example.org/x y"), "");
    ASSERT_EQ(desktop.ShellRequests().size(), 1u);
    const auto& request = desktop.ShellRequests()[0];
    EXPECT_EQ(request.File, "https://example.org/x y");
    EXPECT_EQ(request.Operation, "");
    EXPECT_EQ(request.ShowCmd, 1);
    EXPECT_EQ(request.Owner, desktop.GetDesktopWindow());
}

}  // namespace
}  // namespace korvane::test

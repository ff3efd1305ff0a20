// Form files: a control saved with its form at design time and loaded at
// run time gets its properties back; the writer never leaves a half-written
// form; the reader refuses what is not a form file with file, line and
// column, and leaves out, with a warning, every value the control can't hold.
#include "korvane/form_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "support.h"

namespace korvane::test {
namespace {

namespace fs = std::filesystem;

// A folder of its own for each test, removed afterwards.
class FormFileTest : public testing::Test {
protected:
    void SetUp() override {
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::temp_directory_path() /
              ("korvane-formfile-" + std::to_string(::getpid()) + "-" + info->test_suite_name() + "-" + info->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(dir, fs::perms::all, ec);
        fs::remove_all(dir, ec);
    }
    static std::string Slurp(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    std::vector<std::string> FilesInDir() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path dir;
};

// A host: one desktop, one form, and the control placed on it either at
// design time (new, with its defaults) or at run time (from a saved bag).
struct FormHost {
    const std::unique_ptr<TestDesktop> driver = MakeTestDesktop();
    TestDesktop& desktop = *driver;
    std::unique_ptr<tk::Form> form = desktop.CreateForm("Form1");
    std::unique_ptr<ucvKorvane> ctl;

    void Design() {
        ctl.reset();
        ctl = std::make_unique<ucvKorvane>(*form, Site{"Combo1", false, 300, 300});
        ctl->InitProperties();
        ctl->Container().Width(4240);
        ctl->Container().Height(330);
    }
    // As a form loads: the control's place and extent first, then its properties.
    void Run(const FormControl& saved) {
        ctl.reset();
        ctl = std::make_unique<ucvKorvane>(*form, Site{saved.Name, true, saved.Left, saved.Top});
        ctl->Container().Width(saved.Width);
        ctl->Container().Height(saved.Height);
        ctl->ReadProperties(saved.Properties);
    }
    FormFile Save() {
        FormFile file;
        FormControl c;
        c.Name = "Combo1";
        c.Left = 300;
        c.Top = 300;
        c.Width = ctl->Container().Width();
        c.Height = ctl->Container().Height();
        ctl->WriteProperties(c.Properties);
        file.Controls.push_back(std::move(c));
        return file;
    }
};

std::vector<std::string> Keys(const tk::MemoryPropertyBag& bag) {
    std::vector<std::string> keys;
    for (const auto& [k, v] : bag.Entries())
        keys.push_back(k);
    return keys;
}

// The bags hold the same keys in the same order with the same values.
void ExpectSameBag(const tk::MemoryPropertyBag& a, const tk::MemoryPropertyBag& b) {
    ASSERT_EQ(Keys(a), Keys(b));
    for (std::size_t i = 0; i < a.Entries().size(); ++i) {
        SCOPED_TRACE(a.Entries()[i].first);
        EXPECT_TRUE(SamePropertyValue(a.Entries()[i].second, b.Entries()[i].second));
    }
}

// What a control loaded at run time from `saved` saves again. A control
// loaded from a form file must be indistinguishable from one given the same
// bag in memory: the run-time control adjusts some values itself (the list
// height snaps to whole rows), which is no concern of the file.
tk::MemoryPropertyBag RunAndSave(const FormControl& saved) {
    FormHost host;
    host.Run(saved);
    return host.Save().Controls[0].Properties;
}

const std::vector<std::string> kSavedKeys = {
    "Font",      "BackColor", "ForeColor", "Enabled", "List", "ListIndex", "ItemData",   "WidthCol1",
    "WidthCol2", "Style",     "AutoFill",  "Locked",  "Text", "NewIndex",  "ListHeight", "ToolTipText"};

TEST_F(FormFileTest, DefaultsAreLeftOutAndComeBackAsDefaults) {
    FormHost host;
    host.Design();
    const fs::path file = dir / "form.json";
    WriteFormFile(file, host.Save());

    const FormFile loaded = ReadFormFile(file);
    EXPECT_TRUE(loaded.Warnings.empty());
    ASSERT_EQ(loaded.Controls.size(), 1u);
    EXPECT_TRUE(loaded.Controls[0].Properties.Entries().empty()) << Slurp(file);

    host.Run(loaded.Controls[0]);
    auto& c = *host.ctl;
    EXPECT_EQ(c.Font()->Name, "MS Sans Serif");
    EXPECT_EQ(c.Font()->Size, 8.0f);
    EXPECT_TRUE(c.Enabled());
    EXPECT_EQ(c.ListIndex(), -1);
    EXPECT_EQ(c.NewIndex(), -1);
    EXPECT_EQ(c.WidthCol1(), 1100);
    EXPECT_EQ(c.WidthCol2(), 2900);
    EXPECT_EQ(c.Style(), StyleType::DropdownCombo);
    EXPECT_FALSE(c.AutoFill());
    EXPECT_FALSE(c.Locked());
    EXPECT_EQ(c.ToolTipText(), "");
    FormHost designed;
    designed.Design();
    EXPECT_EQ(c.Backcolor(), designed.ctl->Backcolor());
    EXPECT_EQ(c.Forecolor(), designed.ctl->Forecolor());
    FormControl inMemory;
    inMemory.Name = "Combo1";
    ExpectSameBag(RunAndSave(inMemory), RunAndSave(loaded.Controls[0]));
}

// One row per saved key: how a designer gives it a value other than its default.
struct KeyRow {
    const char* key;
    std::function<void(ucvKorvane&)> change;
};

const std::vector<KeyRow> kChanges = {
    {"Font",
     [](ucvKorvane& c) {
         auto f = std::make_shared<tk::Font>();
         f->Name = "Courier New";
         f->Size = 10.5f;
         f->Bold = f->Italic = f->Underline = f->Strikethrough = true;
         c.Font(f);
     }},
    {"BackColor", [](ucvKorvane& c) { c.Backcolor(0xFF00FF00u); }},
    {"ForeColor", [](ucvKorvane& c) { c.Forecolor(tk::Rgb(1, 2, 3)); }},
    {"Enabled", [](ucvKorvane& c) { c.Enabled(false); }},
    {"List",
     [](ucvKorvane& c) {
         c.AddItem("EUR", "Euro", 978);
         (void)c.List(0);
     }},
    {"ListIndex",
     [](ucvKorvane& c) {
         c.AddItem("EUR", "Euro", 978);
         c.AddItem("USD", "US dollar", 840);
         c.ListIndex(1);
     }},
    {"ItemData",
     [](ucvKorvane& c) {
         c.AddItem("EUR", "Euro", 978);
         c.ItemData(0, -123456);
     }},
    {"WidthCol1", [](ucvKorvane& c) { c.WidthCol1(1500); }},
    {"WidthCol2", [](ucvKorvane& c) { c.WidthCol2(2000); }},
    {"Style", [](ucvKorvane& c) { c.Style(StyleType::DropdownList); }},
    {"AutoFill", [](ucvKorvane& c) { c.AutoFill(true); }},
    {"Locked", [](ucvKorvane& c) { c.Locked(true); }},
    {"Text", [](ucvKorvane& c) { c.Text("GBP;Pound \xC2\xA3"); }},
    {"NewIndex", [](ucvKorvane& c) { c.AddItem("EUR", "Euro", 978); }},
    {"ListHeight", [](ucvKorvane& c) { c.ListHeight(2400); }},
    {"ToolTipText", [](ucvKorvane& c) { c.ToolTipText("Pick a currency"); }},
};

TEST_F(FormFileTest, EveryKeyAtANonDefaultValueComesBackFromTheFile) {
    ASSERT_EQ(kChanges.size(), kSavedKeys.size());
    for (const KeyRow& row : kChanges) {
        SCOPED_TRACE(row.key);
        FormHost host;
        host.Design();
        row.change(*host.ctl);
        const FormFile saved = host.Save();
        const auto& bag = saved.Controls[0].Properties;
        ASSERT_TRUE(bag.Contains(row.key));

        const fs::path file = dir / "form.json";
        WriteFormFile(file, saved);
        const FormFile loaded = ReadFormFile(file);
        EXPECT_TRUE(loaded.Warnings.empty());
        ExpectSameBag(bag, loaded.Controls[0].Properties);

        ExpectSameBag(RunAndSave(saved.Controls[0]), RunAndSave(loaded.Controls[0]));
    }
}

TEST_F(FormFileTest, AllKeysChangedAtOnceKeepTheirOrderAndValues) {
    FormHost host;
    host.Design();
    for (const KeyRow& row : kChanges)
        row.change(*host.ctl);
    // Text can't be written in Dropdown List, which also turns AutoFill off.
    host.ctl->Style(StyleType::SimpleCombo);
    // The rows are in the other lists now, with no current row: choose one
    // there again.
    host.ctl->AddItem("EUR", "Euro", 978);
    host.ctl->AddItem("USD", "US dollar", 840);
    host.ctl->ListIndex(1);
    host.ctl->AutoFill(true);
    host.ctl->Text("GBP\tPound");
    const FormFile saved = host.Save();
    EXPECT_EQ(Keys(saved.Controls[0].Properties), kSavedKeys);

    const fs::path file = dir / "form.json";
    WriteFormFile(file, saved);
    const FormFile loaded = ReadFormFile(file);
    EXPECT_TRUE(loaded.Warnings.empty());
    ExpectSameBag(saved.Controls[0].Properties, loaded.Controls[0].Properties);

    host.Run(loaded.Controls[0]);
    auto& c = *host.ctl;
    EXPECT_EQ(c.Font()->Name, "Courier New");
    EXPECT_EQ(c.Font()->Size, 10.5f);
    EXPECT_TRUE(c.Font()->Strikethrough);
    EXPECT_EQ(c.Backcolor(), 0xFF00FF00u);
    EXPECT_EQ(c.Forecolor(), tk::Rgb(1, 2, 3));
    EXPECT_FALSE(c.Enabled());
    EXPECT_EQ(c.Style(), StyleType::SimpleCombo);
    EXPECT_TRUE(c.AutoFill());
    EXPECT_TRUE(c.Locked());
    EXPECT_EQ(c.ToolTipText(), "Pick a currency");
    EXPECT_EQ(c.TextCol(1), "GBP");
    EXPECT_EQ(c.TextCol(2), "Pound");
    ExpectSameBag(RunAndSave(saved.Controls[0]), RunAndSave(loaded.Controls[0]));
}

TEST_F(FormFileTest, FormAndControlsOfOtherClassesComeBack) {
    FormFile form;
    form.Name = "Orders";
    form.Caption = "Orders \xE2\x80\x93 2026";
    form.Width = 12000;
    form.Height = 7500.5f;
    FormControl other;
    other.Class = "Host.Slider";
    other.Name = "Amount";
    other.Left = -150;
    other.Top = 45.25f;
    other.Width = 2000;
    other.Height = 400;
    other.Properties.Set("Value", std::int32_t{-7});
    other.Properties.Set("Ratio", 0.25);
    other.Properties.Set("Big", 1e12);
    other.Properties.Set("On", true);
    other.Properties.Set("Label", std::string("x\ny \"quoted\""));
    other.Properties.Set("Raw", std::string("\xFF\xFE\x00z", 4));
    form.Controls.push_back(other);
    FormControl box;
    box.Name = "Combo1";
    box.Properties.Set("ToolTipText", std::string("\x80 not UTF-8"));
    form.Controls.push_back(box);

    const FormFile back = ParseFormFile(FormatFormFile(form), "mem");
    EXPECT_TRUE(back.Warnings.empty());
    EXPECT_EQ(back.Name, "Orders");
    EXPECT_EQ(back.Caption, form.Caption);
    EXPECT_EQ(back.Width, 12000);
    EXPECT_EQ(back.Height, 7500.5f);
    ASSERT_EQ(back.Controls.size(), 2u);
    EXPECT_EQ(back.Controls[0].Class, "Host.Slider");
    EXPECT_EQ(back.Controls[0].Left, -150);
    EXPECT_EQ(back.Controls[0].Top, 45.25f);
    ExpectSameBag(other.Properties, back.Controls[0].Properties);
    EXPECT_EQ(std::get<std::string>(back.Controls[0].Properties.ReadProperty("Raw", {})),
              std::string("\xFF\xFE\x00z", 4));
    EXPECT_EQ(back.Controls[1].Class, kKorvaneClass);
    EXPECT_EQ(std::get<std::string>(back.Controls[1].Properties.ReadProperty("ToolTipText", {})), "\x80 not UTF-8");
}

TEST_F(FormFileTest, AControlWithoutANameIsNotWritten) {
    FormFile form;
    form.Controls.emplace_back();
    const fs::path file = dir / "form.json";
    auto [number, text] = ErrorOf([&] { WriteFormFile(file, form); });
    EXPECT_EQ(number, static_cast<std::int32_t>(ErrorCode::FormFileInvalid));
    EXPECT_NE(text.find("control 1 has no name"), std::string::npos) << text;
    EXPECT_FALSE(fs::exists(file));
}

// ---- atomic writing ---------------------------------------------------------

FormFile SmallForm(const std::string& tip) {
    FormFile form;
    FormControl c;
    c.Name = "Combo1";
    c.Properties.Set("ToolTipText", tip);
    form.Controls.push_back(std::move(c));
    return form;
}

TEST_F(FormFileTest, AFullDiskKeepsTheOldFileAndLeavesNoTemporaryFile) {
    const fs::path file = dir / "form.json";
    WriteFormFile(file, SmallForm("old"));
    const std::string old = Slurp(file);

    // A file size limit makes writes fail the way a full disk does.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previous = ::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    auto [number, text] = ErrorOf([&] { WriteFormFile(file, SmallForm(std::string(100000, 'x'))); });
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, previous);

    EXPECT_EQ(number, static_cast<std::int32_t>(ErrorCode::FormFileAccess));
    EXPECT_NE(text.find("'" + file.string() + "' can't be written: writing: "), std::string::npos) << text;
    EXPECT_EQ(Slurp(file), old);
    EXPECT_EQ(FilesInDir(), std::vector<std::string>{"form.json"});
}

TEST_F(FormFileTest, AFailedReplaceLeavesNoTemporaryFile) {
    // A folder where the form file should be: everything but the rename works.
    const fs::path file = dir / "form.json";
    fs::create_directories(file / "inside");
    auto [number, text] = ErrorOf([&] { WriteFormFile(file, SmallForm("new")); });
    EXPECT_EQ(number, static_cast<std::int32_t>(ErrorCode::FormFileAccess));
    EXPECT_NE(text.find("can't be written: replacing: "), std::string::npos) << text;
    EXPECT_EQ(FilesInDir(), std::vector<std::string>{"form.json"});
    EXPECT_TRUE(fs::is_directory(file / "inside"));
}

TEST_F(FormFileTest, AFolderThatIsAFileIsReportedWithTheFileName) {
    std::ofstream(dir / "plain") << "x";
    const fs::path file = dir / "plain" / "form.json";
    auto [number, text] = ErrorOf([&] { WriteFormFile(file, SmallForm("new")); });
    EXPECT_EQ(number, static_cast<std::int32_t>(ErrorCode::FormFileAccess));
    EXPECT_EQ(text, "Form file '" + file.string() + "' can't be written: creating a temporary file: Not a directory");
    EXPECT_EQ(FilesInDir(), std::vector<std::string>{"plain"});
}

TEST_F(FormFileTest, SavingAgainReplacesTheFileAndKeepsItsPermissions) {
    const fs::path file = dir / "form.json";
    WriteFormFile(file, SmallForm("first"));
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    WriteFormFile(file, SmallForm("second"));
    EXPECT_EQ(std::get<std::string>(ReadFormFile(file).Controls[0].Properties.ReadProperty("ToolTipText", {})),
              "second");
    EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(FilesInDir(), std::vector<std::string>{"form.json"});
}

// Saving through a symbolic link (a form kept in a shared folder and linked
// into the project) replaces the file the link points at, with that file's
// permissions, and leaves the link a link.
TEST_F(FormFileTest, SavingThroughASymlinkReplacesItsTargetAndKeepsTheLink) {
    fs::create_directories(dir / "shared");
    const fs::path target = dir / "shared" / "form.json";
    WriteFormFile(target, SmallForm("first"));
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    const fs::path link = dir / "form.json";
    fs::create_symlink(fs::path("shared") / "form.json", link);
    const fs::path chain = dir / "chain.json";
    fs::create_symlink(link, chain);

    WriteFormFile(chain, SmallForm("second"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_TRUE(fs::is_symlink(chain));
    EXPECT_EQ(std::get<std::string>(ReadFormFile(target).Controls[0].Properties.ReadProperty("ToolTipText", {})),
              "second");
    EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(FilesInDir(), (std::vector<std::string>{"chain.json", "form.json", "shared"}));

    // A link whose target does not exist yet: the target is created.
    const fs::path dangling = dir / "new.json";
    fs::create_symlink(fs::path("shared") / "new.json", dangling);
    WriteFormFile(dangling, SmallForm("third"));
    EXPECT_TRUE(fs::is_symlink(dangling));
    EXPECT_TRUE(fs::is_regular_file(dir / "shared" / "new.json"));
}

// Another user's account for links and files planted in shared folders;
// only root can make them.
constexpr uid_t kNobody = 65534;
constexpr uid_t kDaemon = 1;

// Resolving links itself, the writer must not follow one the kernel would
// refuse to follow (fs.protected_symlinks): in a sticky, world-writable
// folder only a link of the folder's owner or of the saving user. Root's
// save through another user's planted link is refused, and nothing is lost.
TEST_F(FormFileTest, LinksInAStickySharedFolderAreFollowedOnlyAsTheKernelWould) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "planting another user's link needs root";
    struct Planted {
        const char* name;
        uid_t folderOwner;
        uid_t linkOwner;
        bool followed;
    };
    const std::vector<Planted> rows = {
        {"another user's link in root's shared folder", 0, kNobody, false},
        {"another user's link in a third user's shared folder", kDaemon, kNobody, false},
        {"the saving user's own link", kNobody, 0, true},
        {"the folder owner's link", kNobody, kNobody, true},
    };
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Planted& row = rows[i];
        SCOPED_TRACE(row.name);
        const fs::path shared = dir / ("shared" + std::to_string(i));
        fs::create_directories(shared);
        ASSERT_EQ(::chown(shared.c_str(), row.folderOwner, row.folderOwner), 0);
        ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
        const fs::path victim = dir / ("victim" + std::to_string(i) + ".txt");
        std::ofstream(victim) << "precious";
        const fs::path link = shared / "form.json";
        fs::create_symlink(victim, link);
        ASSERT_EQ(::lchown(link.c_str(), row.linkOwner, row.linkOwner), 0);

        if (row.followed) {
            WriteFormFile(link, SmallForm("through the link"));
            EXPECT_EQ(
                std::get<std::string>(ReadFormFile(victim).Controls[0].Properties.ReadProperty("ToolTipText", {})),
                "through the link");
        } else {
            auto [number, text] = ErrorOf([&] { WriteFormFile(link, SmallForm("planted")); });
            EXPECT_EQ(number, static_cast<std::int32_t>(ErrorCode::FormFileAccess));
            EXPECT_EQ(text, "Form file '" + link.string() +
                                "' can't be written: following a link of another user in a shared folder: "
                                "Permission denied");
            EXPECT_EQ(Slurp(victim), "precious");
        }
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_EQ(std::distance(fs::directory_iterator(shared), fs::directory_iterator()), 1);
    }
}

// A loop of links is refused as the system refuses it; the links stay.
TEST_F(FormFileTest, ALinkLoopIsRefusedAndKept) {
    fs::create_symlink("b.json", dir / "a.json");
    fs::create_symlink("a.json", dir / "b.json");
    fs::create_symlink("self.json", dir / "self.json");
    for (const char* name : {"a.json", "self.json"}) {
        SCOPED_TRACE(name);
        const fs::path file = dir / name;
        auto [number, text] = ErrorOf([&] { WriteFormFile(file, SmallForm("looped")); });
        EXPECT_EQ(number, static_cast<std::int32_t>(ErrorCode::FormFileAccess));
        EXPECT_EQ(text, "Form file '" + file.string() +
                            "' can't be written: following links: Too many levels of symbolic links");
    }
    for (const char* name : {"a.json", "b.json", "self.json"})
        EXPECT_TRUE(fs::is_symlink(dir / name)) << name;
    EXPECT_EQ(FilesInDir(), (std::vector<std::string>{"a.json", "b.json", "self.json"}));
}

// The saved file belongs to whoever saves it, so the permissions it keeps
// never include set-user-id, set-group-id or sticky: root saving another
// user's set-id file must not leave a set-id file of root.
TEST_F(FormFileTest, KeptPermissionsNeverCarrySetIdOrStickyBits) {
    const std::vector<std::pair<mode_t, mode_t>> rows = {
        {04755, 0755}, {02750, 0750}, {06755, 0755}, {01644, 0644}, {0640, 0640}};
    for (const auto& [before, after] : rows) {
        SCOPED_TRACE(before);
        const fs::path file = dir / ("mode" + std::to_string(before) + ".json");
        WriteFormFile(file, SmallForm("first"));
        if (::geteuid() == 0) {
            ASSERT_EQ(::chown(file.c_str(), kNobody, kNobody), 0);  // before chmod, which it would clear
        }
        ASSERT_EQ(::chmod(file.c_str(), before), 0);
        WriteFormFile(file, SmallForm("second"));
        struct stat st {};
        ASSERT_EQ(::stat(file.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, after);
        EXPECT_EQ(st.st_uid, ::geteuid());
    }
}

// A child that saves a large form and is killed by the file size limit in
// the middle of writing, as a crash or a kill would end it; its pid.
pid_t KilledMidSave(const fs::path& file) {
    const pid_t child = ::fork();
    if (child == 0) {
        const rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
        const rlimit small{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &small);
        ::signal(SIGXFSZ, SIG_DFL);
        try {
            WriteFormFile(file, SmallForm(std::string(100000, 'x')));
        } catch (...) {
        }
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << "status " << status;
    return child;
}

// Saves killed mid-way leave their temporary files; the next save in the
// folder removes those whose writer is gone, and only those. Children
// forked from a process that saved before draw names of their own.
TEST_F(FormFileTest, TheNextSaveRemovesTemporaryFilesOfKilledSaves) {
    const fs::path file = dir / "form.json";
    WriteFormFile(file, SmallForm("old"));
    // Each killed save leaves its temporary file, and the next save (here
    // the second child's) removes the one left before.
    std::vector<std::string> suffixes;
    for (int kill = 0; kill < 2; ++kill) {
        const std::string prefix = ".form.json.tmp-" + std::to_string(KilledMidSave(file)) + "-";
        const std::vector<std::string> names = FilesInDir();
        ASSERT_EQ(names.size(), 2u) << testing::PrintToString(names);
        ASSERT_EQ(names[0].rfind(prefix, 0), 0u) << names[0];
        suffixes.push_back(names[0].substr(prefix.size()));
    }
    EXPECT_NE(suffixes[0], suffixes[1]) << "forked children drew the same name";
    EXPECT_EQ(Slurp(file), FormatFormFile(SmallForm("old")));

    // What is not a stale temporary of ours stays: one of a writer that
    // still runs (pid 1, this process) and names of another making.
    const std::vector<std::string> kept = {
        ".form.json.tmp-1-0123456789abcdef", ".form.json.tmp-" + std::to_string(::getpid()) + "-0123456789abcdef",
        ".form.json.tmp-999999999-short", "form.json.tmp-999999999-0123456789abcdef"};
    for (const std::string& name : kept)
        std::ofstream(dir / name) << "x";
    WriteFormFile(file, SmallForm("new"));
    std::vector<std::string> expected = kept;
    expected.push_back("form.json");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FilesInDir(), expected);
    EXPECT_EQ(Slurp(file), FormatFormFile(SmallForm("new")));
}

// ---- refusals ---------------------------------------------------------------

const std::string kHead = "{\"format\": \"korvane-form\", \"version\": 1, ";

struct RefusalRow {
    const char* name;
    std::string text;
    std::string where;  // "line L, column C"
    std::string why;    // a part of the reason
};

TEST_F(FormFileTest, WhatIsNotAFormFileIsRefusedWithLineAndColumn) {
    const std::vector<RefusalRow> rows = {
        {"empty", "", "line 1, column 1", "unexpected end of input"},
        {"not JSON", "Form1 = KorvaneBox", "line 1, column 1", "invalid literal"},
        {"missing comma", "{\n  \"format\": \"korvane-form\",\n  \"version\": 1\n  \"controls\": []\n}",
         "line 4, column 12", "unexpected string literal; expected '}'"},
        {"truncated", kHead + "\"controls\": [{\"name\": \"Co", "line 1, column 67", "missing closing quote"},
        {"NaN is not JSON", kHead + "\"controls\": [{\"name\": \"A\", \"properties\": {\"ListHeight\": NaN}}]}",
         "line 1, column 98", "invalid literal"},
        {"number beyond a double",
         kHead + "\"controls\": [{\"name\": \"A\", \"properties\": {\"Font\": {\"Size\": 1e400}}}]}",
         "line 1, column 101", "number overflow parsing '1e400'"},
        {"top level array", "[1, 2]", "line 1, column 1", "the top level is not an object"},
        {"no format", "{\"version\": 1, \"controls\": []}", "line 1, column 1", "\"format\" is not \"korvane-form\""},
        {"other format", "{\n\"format\": \"slides\", \"version\": 1, \"controls\": []}", "line 2, column 11",
         "\"format\" is not \"korvane-form\""},
        {"newer version", "{\"format\": \"korvane-form\",\n \"version\": 2, \"controls\": []}", "line 2, column 13",
         "version 2 is newer"},
        {"version as text", "{\"format\": \"korvane-form\", \"version\": \"1\", \"controls\": []}", "line 1, column 39",
         "\"version\" is not 1"},
        {"no controls", kHead + "\"name\": \"Form1\"}", "line 1, column 1", "\"controls\" is not an array"},
        {"controls an object", kHead + "\"controls\": {\"name\": \"A\"}}", "line 1, column 54",
         "\"controls\" is not an array"},
        {"control not an object", kHead + "\"controls\": [{\"name\": \"A\"},\n 5]}", "line 2, column 2",
         "control 2 is not an object"},
        {"control without a name", kHead + "\"controls\": [\n  {\"class\": \"Korvane.ucvKorvane\"}]}",
         "line 2, column 3", "control 1 has no name"},
        {"name not a text", kHead + "\"controls\": [{\"name\": 12}]}", "line 1, column 64", "control 1 has no name"},
        {"class not a text", kHead + "\"controls\": [{\"name\": \"A\", \"class\": []}]}", "line 1, column 78",
         "control 1 has no class name"},
        {"properties not an object", kHead + "\"controls\": [{\"name\": \"A\", \"properties\": [1]}]}",
         "line 1, column 83", "\"properties\" is not an object"},
        {"a character counts once", "{\"format\": \"korvan\xC3\xA9\", \"version\": 1, \"controls\": []}",
         "line 1, column 12", "\"format\" is not"},
    };
    for (const RefusalRow& row : rows) {
        SCOPED_TRACE(row.name);
        auto [number, text] = ErrorOf([&] { ParseFormFile(row.text, "form.json"); });
        EXPECT_EQ(number, static_cast<std::int32_t>(ErrorCode::FormFileInvalid));
        EXPECT_EQ(text.rfind("Invalid form file 'form.json' at " + row.where + ": ", 0), 0u) << text;
        EXPECT_NE(text.find(row.why), std::string::npos) << text;
    }
}

TEST_F(FormFileTest, ARefusedFileNamesItsPathAndChangesNothing) {
    const fs::path file = dir / "broken.json";
    std::ofstream(file) << kHead << "\"controls\": [";
    const std::string before = Slurp(file);
    auto [number, text] = ErrorOf([&] { ReadFormFile(file); });
    EXPECT_EQ(number, static_cast<std::int32_t>(ErrorCode::FormFileInvalid));
    EXPECT_EQ(text.rfind("Invalid form file '" + file.string() + "' at line 1, column 55: ", 0), 0u) << text;
    EXPECT_EQ(Slurp(file), before);
}

TEST_F(FormFileTest, WhatCantBeReadIsReportedWithItsPathAndNeverWaitedFor) {
    fs::create_directories(dir / "folder.json");
    ASSERT_EQ(::mkfifo((dir / "pipe.json").c_str(), 0600), 0);  // opening it for reading must not block
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"none.json", "No such file or directory"},
        {"folder.json", "Is a directory"},
        {"pipe.json", "it is not a regular file"},
    };
    for (const auto& [name, why] : rows) {
        SCOPED_TRACE(name);
        const fs::path file = dir / name;
        auto [number, text] = ErrorOf([&] { ReadFormFile(file); });
        EXPECT_EQ(number, static_cast<std::int32_t>(ErrorCode::FormFileAccess));
        EXPECT_EQ(text, "Form file '" + file.string() + "' can't be read: " + why);
    }
}

TEST_F(FormFileTest, AnEnormousFileIsRefusedBeforeItIsRead) {
    const fs::path file = dir / "huge.json";
    std::ofstream(file).close();
    fs::resize_file(file, kMaxFormFileBytes + 1);  // sparse: costs no disk
    auto [number, text] = ErrorOf([&] { ReadFormFile(file); });
    EXPECT_EQ(number, static_cast<std::int32_t>(ErrorCode::FormFileInvalid));
    EXPECT_EQ(text, "Invalid form file '" + file.string() + "': it is larger than 64 MiB");
}

TEST_F(FormFileTest, DeepNestingIsRefusedWithoutCrashing) {
    const std::string deep(100000, '[');
    auto [number, text] = ErrorOf([&] { ParseFormFile(deep + std::string(100000, ']'), "deep.json"); });
    EXPECT_EQ(number, static_cast<std::int32_t>(ErrorCode::FormFileInvalid));
    EXPECT_EQ(text,
              "Invalid form file 'deep.json' at line 1, column 65: arrays and objects are nested more than 64 deep");

    // Inside a property value, and without the closing brackets.
    std::tie(number, text) = ErrorOf([&] {
        ParseFormFile(kHead + "\"controls\": [{\"name\": \"A\", \"properties\": {\"Text\": " + deep, "deep.json");
    });
    EXPECT_EQ(number, static_cast<std::int32_t>(ErrorCode::FormFileInvalid));
    EXPECT_NE(text.find("nested more than 64 deep"), std::string::npos) << text;

    // Brackets inside texts are no nesting.
    const FormFile ok = ParseFormFile(
        kHead + "\"controls\": [{\"name\": \"A\", \"properties\": {\"Text\": \"" + deep + "\"}}]}", "deep.json");
    EXPECT_EQ(std::get<std::string>(ok.Controls[0].Properties.ReadProperty("Text", {})), deep);
}

// ---- hostile values -----------------------------------------------------------

struct HostileRow {
    const char* key;
    std::string value;  // as JSON
    std::string shown;  // how the warning shows the key and value
};

std::string OneControl(const std::string& key, const std::string& value) {
    return kHead + "\"controls\": [{\"name\": \"Combo1\", \"properties\": {\"" + key + "\": " + value +
           ", \"ToolTipText\": \"kept\"}}]}";
}

TEST_F(FormFileTest, ValuesTheControlCantHoldAreLeftOutWithAWarning) {
    const std::string tenMegabytes(10u << 20, 'a');
    const std::vector<HostileRow> rows = {
        {"WidthCol1", "-5", "\"WidthCol1\" = -5 is outside 0 to 1000000"},
        {"WidthCol1", "100", "\"WidthCol1\" = 100 is neither 0 nor 270"},
        {"WidthCol2", "269", "\"WidthCol2\" = 269 is neither 0 nor 270"},
        {"WidthCol2", "\"wide\"", "\"WidthCol2\" = \"wide\" is not a number"},
        {"Style", "7", "\"Style\" = 7 is outside 0 to 2"},
        {"Style", "-1", "\"Style\" = -1 is outside 0 to 2"},
        {"Style", "1.5", "\"Style\" = 1.5 is not a whole number"},
        {"ListHeight", "-1", "\"ListHeight\" = -1 is outside 0 to 1000000"},
        {"ListIndex", "-2", "\"ListIndex\" = -2 is outside -1 to 32766"},
        {"NewIndex", "40000", "\"NewIndex\" = 40000 is outside -1 to 32766"},
        {"ItemData", "4294967296", "\"ItemData\" = 4294967296 is outside -2147483648 to 2147483647"},
        {"ItemData", "-2147483649", "\"ItemData\" = -2147483649 is outside"},
        {"ItemData", "18446744073709551615", "\"ItemData\" = 18446744073709551615 is outside"},
        {"ItemData", "1e300", "\"ItemData\" = 1e+300 is outside"},
        {"BackColor", "4294967296", "\"BackColor\" = 4294967296 is outside -2147483648 to 4294967295"},
        {"ForeColor", "-2147483649", "\"ForeColor\" = -2147483649 is outside"},
        {"Enabled", "1", "\"Enabled\" = 1 is not true or false"},
        {"Locked", "null", "\"Locked\" = null is not true or false"},
        {"Text", "12345", "\"Text\" = 12345 is not a text"},
        {"List", "[\"a\", \"b\"]", "\"List\" = an array of 2 values is not a text"},
        {"List", "{\"Hex\": \"4g\"}", "\"List\" = an object of 1 members is not a text"},
        {"Text", "\"" + tenMegabytes + "\"",
         "\"Text\" = \"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\"... (10485760 bytes) is longer than 1048576 bytes"},
        {"Font", "\"Arial\"", "\"Font\" = \"Arial\" is not a font"},
        {"Font", "{\"Size\": 0}", "\"Font.Size\" = 0 is not a font size above 0 and up to 2048"},
        {"Font", "{\"Size\": -3}", "\"Font.Size\" = -3 is not a font size"},
        {"Font", "{\"Size\": \"NaN\"}", "\"Font.Size\" = \"NaN\" is not a font size"},
        {"Font", "{\"Size\": 1e300}", "\"Font.Size\" = 1e+300 is not a font size"},
        {"Font", "{\"Size\": 1e-50}", "\"Font.Size\" = 1e-50 is not a font size"},  // 0 as a float
        {"Font", "{\"Name\": \"\"}", "\"Font.Name\" = \"\" is not a font name"},
        {"Font", "{\"Name\": \"Arial\", \"Bold\": \"yes\"}", "\"Font.Bold\" = \"yes\" is not true or false"},
    };
    for (const HostileRow& row : rows) {
        SCOPED_TRACE(row.shown.substr(0, 80));
        const FormFile form = ParseFormFile(OneControl(row.key, row.value), "form.json");
        const auto& bag = form.Controls[0].Properties;
        EXPECT_FALSE(bag.Contains(row.key));
        EXPECT_TRUE(bag.Contains("ToolTipText"));  // one key's failure does not stop the others
        ASSERT_EQ(form.Warnings.size(), 1u);
        EXPECT_EQ(form.Warnings[0].rfind("Control 'Combo1': " + row.shown, 0), 0u) << form.Warnings[0];
        EXPECT_NE(form.Warnings[0].find("; the default is used"), std::string::npos);
        EXPECT_LT(form.Warnings[0].size(), 200u);

        // The control takes the default of what was left out.
        FormControl onlyKept;
        onlyKept.Name = "Combo1";
        onlyKept.Properties.Set("ToolTipText", std::string("kept"));
        ExpectSameBag(RunAndSave(onlyKept), RunAndSave(form.Controls[0]));
    }
}

TEST_F(FormFileTest, ValuesAtTheEdgesOfWhatTheControlHoldsAreLoaded) {
    struct Row {
        const char* key;
        std::string value;
        tk::Variant expected;
    };
    const std::vector<Row> rows = {
        {"BackColor", "4294967295", std::int32_t{-1}},
        {"BackColor", "2147483648", std::int32_t{INT32_MIN}},
        {"ForeColor", "-2147483648", std::int32_t{INT32_MIN}},
        {"ItemData", "2147483647", std::int32_t{INT32_MAX}},
        {"ListIndex", "-1", std::int32_t{-1}},
        {"WidthCol1", "0", std::int32_t{0}},
        {"WidthCol2", "270", std::int32_t{270}},
        {"Style", "2.0", std::int32_t{2}},
        {"ListHeight", "0", std::int32_t{0}},
        {"Text", "{\"Hex\": \"41ff\"}", std::string("A\xFF")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.key) + " " + row.value);
        const FormFile form = ParseFormFile(OneControl(row.key, row.value), "form.json");
        EXPECT_TRUE(form.Warnings.empty());
        EXPECT_TRUE(SamePropertyValue(form.Controls[0].Properties.ReadProperty(row.key, {}), row.expected));
    }
}

TEST_F(FormFileTest, APlaceOrSizeOutOfRangeKeepsTheDefaultWithAWarning) {
    const FormFile form = ParseFormFile(kHead +
                                            "\"width\": -5, \"name\": 3, \"controls\": [{\"name\": \"Combo1\", "
                                            "\"width\": -5, \"left\": 1e9, \"height\": \"tall\", \"top\": 120}]}",
                                        "form.json");
    EXPECT_EQ(form.Width, FormFile{}.Width);
    EXPECT_EQ(form.Name, "Form1");
    const FormControl& c = form.Controls[0];
    EXPECT_EQ(c.Width, FormControl{}.Width);
    EXPECT_EQ(c.Left, FormControl{}.Left);
    EXPECT_EQ(c.Height, FormControl{}.Height);
    EXPECT_EQ(c.Top, 120);
    const std::vector<std::string> expected = {
        "Form: \"name\" = 3 is not a text; the default is used",
        "Form: \"width\" = -5 is outside 0 to 1000000 twips; the default is used",
        "Control 'Combo1': \"left\" = 1000000000.0 is outside -1000000 to 1000000 twips; the default is used",
        "Control 'Combo1': \"width\" = -5 is outside 0 to 1000000 twips; the default is used",
        "Control 'Combo1': \"height\" = \"tall\" is not a number; the default is used",
    };
    EXPECT_EQ(form.Warnings, expected);
}

TEST_F(FormFileTest, WarningsShowOnlyTheStartOfLongNamesAndKeys) {
    const std::string longName(100000, 'n');
    const std::string longKey(100000, 'k');
    const FormFile form = ParseFormFile(
        kHead + "\"controls\": [{\"name\": \"" + longName + "\", \"properties\": {\"" + longKey + "\": []}}]}", "f");
    ASSERT_EQ(form.Warnings.size(), 1u);
    EXPECT_EQ(form.Warnings[0], "Control '" + longName.substr(0, 40) + "...': \"" + longKey.substr(0, 40) +
                                    "\"... (100000 bytes) = an array of 0 values is not a value a control can hold; "
                                    "the default is used");
    EXPECT_EQ(form.Controls[0].Name, longName);
}

TEST_F(FormFileTest, ManyWarningsEndInOneCountingLine) {
    std::string controls;
    for (std::size_t i = 0; i < kMaxFormWarnings + 5; ++i)
        controls +=
            std::string(i ? "," : "") + "{\"name\": \"C" + std::to_string(i) + "\", \"properties\": {\"Style\": 9}}";
    const FormFile form = ParseFormFile(kHead + "\"controls\": [" + controls + "]}", "form.json");
    ASSERT_EQ(form.Warnings.size(), kMaxFormWarnings + 1);
    EXPECT_EQ(form.Warnings.back(), "... and 5 more values left out");
}

}  // namespace
}  // namespace korvane::test

// The registry file and the shared library's entry points: registering and
// unregistering against every state the file can be in, lookups, atomic
// replacement, and a whole round through libkorvane-control.so loaded with dlopen
// (register, create through the factory, use, release, unregister).
#include "korvane/component/registry.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "korvane/component/dispatch.h"
#include "korvane/component/entry_points.h"
#include "korvane/component/ids.h"
#include "korvane/toolkit/headless.h"

namespace korvane::component {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteAll(const fs::path& p, const std::string& text) {
    std::ofstream out(p, std::ios::binary);
    out << text;
}

class RegistryFile : public testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("korvane-registry-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
               std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        file = dir / "registry.json";
        library = (dir / "libkorvane-control.so").string();
        WriteAll(library, "");  // stands in for the library in lookups
    }
    void TearDown() override { fs::remove_all(dir); }

    // Only the registry file itself is left in the folder: no temporary file.
    void ExpectNoStrayFiles() {
        for (const auto& entry : fs::directory_iterator(dir)) {
            const auto name = entry.path().filename().string();
            EXPECT_TRUE(name == "registry.json" || name == "libkorvane-control.so") << name;
        }
    }

    fs::path dir;
    fs::path file;
    std::string library;
};

const char* kForeign = R"({"classes": {"{11111111-2222-3333-4444-555555555555}": {"name": "Other",
  "library": "/opt/other.so"}}, "progids": {"Other.Thing": "{11111111-2222-3333-4444-555555555555}"},
  "typelibs": {}, "owner-notes": "kept"})";

TEST_F(RegistryFile, RegisterInEveryStateOfTheFile) {
    const struct {
        const char* label;
        const char* content;  // nullptr: no file
        Result result;
    } rows[] = {
        {"no file", nullptr, result::Ok},
        {"an empty object", "{}", result::Ok},
        {"other components", kForeign, result::Ok},
        {"an empty file", "", result::RegistryDamaged},
        {"blanks only", "  \n", result::RegistryDamaged},
        {"not JSON", "{\"classes\": {", result::RegistryDamaged},
        {"not an object", "[1, 2]", result::RegistryDamaged},
        {"a section of the wrong kind", R"({"classes": []})", result::RegistryDamaged},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        fs::remove(file);
        if (row.content)
            WriteAll(file, row.content);
        const auto outcome = registry::Register(file, library);
        EXPECT_EQ(outcome.Code, row.result) << outcome.Message;
        if (row.result == result::RegistryDamaged) {
            EXPECT_EQ(ReadAll(file), row.content) << "a damaged file is left as it was";
            EXPECT_NE(outcome.Message.find(file.string()), std::string::npos) << outcome.Message;
            continue;
        }
        const json doc = json::parse(ReadAll(file));
        EXPECT_EQ(doc["progids"][ids::kProgId], ids::kClass);
        EXPECT_EQ(doc["classes"][ids::kClass]["library"], library);
        EXPECT_EQ(doc["classes"][ids::kClass]["typelib"], ids::kLibrary);
        EXPECT_EQ(doc["typelibs"][ids::kLibrary]["help"], "KorvaneBox Custom Control");
        if (row.content == kForeign) {
            EXPECT_EQ(doc["progids"]["Other.Thing"], "{11111111-2222-3333-4444-555555555555}");
            EXPECT_EQ(doc["classes"]["{11111111-2222-3333-4444-555555555555}"]["library"], "/opt/other.so");
            EXPECT_EQ(doc["owner-notes"], "kept");
        }
        ExpectNoStrayFiles();
    }
}

// What a registry must not do to a host: end it (a number beyond a double
// once threw out of the parser), overflow its stack (nesting), or hang it
// (a FIFO in the file's place). Each is refused as damaged, with the
// reason, and the file is left exactly as it was.
TEST_F(RegistryFile, HostileFilesAreRefusedAsDamagedAndKept) {
    const std::string deep = "{\"x\": " + std::string(200000, '[') + std::string(200000, ']') + "}";
    const struct {
        const char* label;
        std::string content;
        const char* why;
    } rows[] = {
        {"a number beyond a double", R"({"x": 1e999})", "a number is beyond the range of a double at line 1, column 7"},
        {"a negative one", R"({"classes": {"a": {"n": -2.5e308}}})", "beyond the range of a double"},
        {"nested 200,000 deep", deep, "nested more than 128 deep"},
        {"an unclosed string", "{\"x\": \"abc}", "not valid JSON (a string is not closed at line 1, column 7)"},
        {"text after the object", "{} {}", "there is more after the value"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        WriteAll(file, row.content);
        registry::ClassEntry entry;
        for (const auto& outcome : {registry::Register(file, library), registry::Unregister(file),
                                    registry::Lookup(file, ids::kProgId, entry)}) {
            EXPECT_EQ(outcome.Code, result::RegistryDamaged) << outcome.Message;
            EXPECT_NE(outcome.Message.find(row.why), std::string::npos) << outcome.Message;
            EXPECT_NE(outcome.Message.find("left as it is"), std::string::npos) << outcome.Message;
        }
        EXPECT_EQ(ReadAll(file), row.content);
    }
    // Numbers that a double holds, if not exactly, are fine.
    WriteAll(file, R"({"x": [1.7976931348623157e308, 1e-999, 123456789012345678901234567890]})");
    EXPECT_EQ(registry::Register(file, library).Code, result::Ok);

    fs::remove(file);
    ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    registry::ClassEntry entry;
    for (const auto& outcome :
         {registry::Register(file, library), registry::Unregister(file), registry::Lookup(file, ids::kProgId, entry)}) {
        EXPECT_EQ(outcome.Code, result::RegistryDamaged) << outcome.Message;
        EXPECT_NE(outcome.Message.find("is not a regular file"), std::string::npos) << outcome.Message;
    }
    EXPECT_TRUE(fs::is_fifo(file));
}

// Registering and unregistering touch only this library's entries: those of
// other components keep every byte (numbers beyond a double's precision,
// duplicate keys, their layout), and unregistering gives the file back.
TEST_F(RegistryFile, EntriesOfOtherComponentsKeepEveryByte) {
    const std::string original = R"({
  "format": "korvane-registry 1",
  "classes": {
    "{11111111-2222-3333-4444-555555555555}": {"name": "Other", "serial": 123456789012345678901234567890,
                                               "library": "/opt/other.so", "ratio": 1.50},
    "{22222222-2222-3333-4444-555555555555}": {"name": "Twice"},
    "{22222222-2222-3333-4444-555555555555}": {"name": "Twice, again"}
  },
  "progids": {"Other.Thing": "{11111111-2222-3333-4444-555555555555}", "Other.Thing": "kept twice"},
  "typelibs": {},
  "notes": ["caf\u00e9", -0.0, 1E+2]
}
)";
    WriteAll(file, original);
    ASSERT_EQ(registry::Register(file, library).Code, result::Ok);
    const std::string registered = ReadAll(file);
    for (const char* kept :
         {R"("serial": 123456789012345678901234567890)", R"("ratio": 1.50})", R"({"name": "Twice"},)",
          R"({"name": "Twice, again"})", R"("Other.Thing": "kept twice")", R"(["caf\u00e9", -0.0, 1E+2])"})
        EXPECT_NE(registered.find(kept), std::string::npos) << kept << " in\n" << registered;
    registry::ClassEntry entry;
    EXPECT_EQ(registry::Lookup(file, ids::kProgId, entry).Code, result::Ok);
    EXPECT_EQ(entry.Library, library);
    EXPECT_EQ(json::parse(registered)["typelibs"][ids::kLibrary]["library"], library);

    ASSERT_EQ(registry::Unregister(file).Code, result::Ok);
    EXPECT_EQ(ReadAll(file), original);
    ExpectNoStrayFiles();
}

// Our own entry with a library that is not a path (written by hand, or
// damaged) is repaired by registering and removed by unregistering; the
// entries of other components keep every byte.
TEST_F(RegistryFile, OurEntryNamingNoLibraryIsRepairedOrRemoved) {
    const std::string other =
        R"("{11111111-2222-3333-4444-555555555555}": {"library": "/opt/other.so", "ratio": 1.50})";
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"5", "(it was registered to no library (\"library\": 5))"},
        {"null", "(it was registered to no library (\"library\": null))"},
        {R"(["/a.so"])", "(it was registered to no library (\"library\": [\"/a.so\"]))"}};
    for (const auto& [value, said] : rows) {
        SCOPED_TRACE(value);
        const std::string damaged = "{\"classes\": {" + other + ",\n \"" + ids::kClass + "\": {\"library\": " + value +
                                    "}},\n \"progids\": {\"" + ids::kProgId + "\": \"" + ids::kClass + "\"}}\n";
        WriteAll(file, damaged);
        const auto registered = registry::Register(file, library);
        EXPECT_EQ(registered.Code, result::Ok);
        EXPECT_NE(registered.Message.find(said), std::string::npos) << registered.Message;
        const std::string repaired = ReadAll(file);
        EXPECT_NE(repaired.find(other), std::string::npos) << repaired;
        registry::ClassEntry entry;
        EXPECT_EQ(registry::Lookup(file, ids::kProgId, entry).Code, result::Ok);

        WriteAll(file, damaged);
        EXPECT_EQ(registry::Lookup(file, ids::kProgId, entry).Code, result::LibraryMissing);
        const auto unregistered = registry::Unregister(file);
        EXPECT_EQ(unregistered.Code, result::Ok) << unregistered.Message;
        EXPECT_EQ(ReadAll(file), "{\"classes\": {" + other + "},\n \"progids\": {}}\n");
    }
    ExpectNoStrayFiles();
}

// Removing an entry from a section it had been added to alone gave back
// "{}" for a section that had held blanks, changing the user's file.
TEST_F(RegistryFile, UnregisterGivesBackEmptySectionsAsTheyWereWritten) {
    for (const char* blanks : {"", " ", "\n  ", "\n\n    ", "\n"}) {
        SCOPED_TRACE(json(blanks).dump());
        const std::string original = std::string("{\n  \"format\": \"korvane-registry 1\",\n  \"classes\": {") +
                                     blanks + "},\n  \"progids\": {" + blanks + "},\n  \"typelibs\": {" + blanks +
                                     "}\n}\n";
        WriteAll(file, original);
        ASSERT_EQ(registry::Register(file, library).Code, result::Ok);
        EXPECT_EQ(json::parse(ReadAll(file))["typelibs"][ids::kLibrary]["library"], library);
        ASSERT_EQ(registry::Unregister(file).Code, result::Ok);
        EXPECT_EQ(ReadAll(file), original);
    }
}

// The writer never follows what someone planted beside the registry, and a
// registry reached through a link stays a link with its permissions.
TEST_F(RegistryFile, ReplacingTheFileFollowsNoPlantedLinkAndKeepsLinksAndPermissions) {
    const fs::path victim = dir / "victim";
    WriteAll(victim, "precious");
    // The temporary names a writer without exclusive creation would use.
    for (const std::string& planted :
         {file.string() + ".tmp." + std::to_string(::getpid()), (dir / ".registry.json.tmp").string()})
        fs::create_symlink(victim, planted);
    ASSERT_EQ(registry::Register(file, library).Code, result::Ok);
    EXPECT_EQ(ReadAll(victim), "precious");
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(file)));

    fs::create_directories(dir / "real");
    const fs::path real = dir / "real" / "registry.json";
    WriteAll(real, kForeign);
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write);
    const fs::path link = dir / "linked.json";
    fs::create_symlink(real, link);
    ASSERT_EQ(registry::Register(link, library).Code, result::Ok);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::status(real).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    registry::ClassEntry entry;
    EXPECT_EQ(registry::Lookup(real, ids::kProgId, entry).Code, result::Ok);
    EXPECT_EQ(registry::Lookup(real, "Other.Thing", entry).Code, result::LibraryMissing);
    EXPECT_EQ(entry.Library, "/opt/other.so");
}

TEST_F(RegistryFile, RegisteringTwiceSaysSoAndChangesNothing) {
    WriteAll(file, kForeign);
    ASSERT_EQ(registry::Register(file, library).Code, result::Ok);
    const std::string once = ReadAll(file);
    const auto again = registry::Register(file, library);
    EXPECT_EQ(again.Code, result::Unchanged);
    EXPECT_NE(again.Message.find("already registered"), std::string::npos) << again.Message;
    EXPECT_EQ(ReadAll(file), once);

    // From another place, the entry follows the library.
    const std::string moved = (dir / "moved.so").string();
    WriteAll(moved, "");
    const auto elsewhere = registry::Register(file, moved);
    EXPECT_EQ(elsewhere.Code, result::Ok);
    EXPECT_NE(elsewhere.Message.find(library), std::string::npos) << elsewhere.Message;
    registry::ClassEntry entry;
    EXPECT_EQ(registry::Lookup(file, ids::kProgId, entry).Code, result::Ok);
    EXPECT_EQ(entry.Library, moved);
}

TEST_F(RegistryFile, UnregisterRemovesOnlyItsOwnEntries) {
    WriteAll(file, kForeign);
    ASSERT_EQ(registry::Register(file, library).Code, result::Ok);
    EXPECT_EQ(registry::Unregister(file).Code, result::Ok);
    json expected = json::parse(kForeign);
    expected["format"] = "korvane-registry 1";
    EXPECT_EQ(json::parse(ReadAll(file)), expected);
    const auto again = registry::Unregister(file);
    EXPECT_EQ(again.Code, result::Unchanged);
    EXPECT_NE(again.Message.find("not registered"), std::string::npos) << again.Message;
    ExpectNoStrayFiles();
}

TEST_F(RegistryFile, UnregisterLeavesTheNameWhenAnotherClassNowOwnsIt) {
    ASSERT_EQ(registry::Register(file, library).Code, result::Ok);
    json doc = json::parse(ReadAll(file));
    doc["progids"][ids::kProgId] = "{11111111-2222-3333-4444-555555555555}";
    WriteAll(file, doc.dump());
    EXPECT_EQ(registry::Unregister(file).Code, result::Ok);
    EXPECT_EQ(json::parse(ReadAll(file))["progids"][ids::kProgId], "{11111111-2222-3333-4444-555555555555}");
}

TEST_F(RegistryFile, UnregisterWithoutAFileOrFromADamagedOne) {
    const auto none = registry::Unregister(file);
    EXPECT_EQ(none.Code, result::Unchanged);
    EXPECT_FALSE(fs::exists(file)) << "nothing to remove creates no file";
    EXPECT_EQ(registry::Unregister(dir / "new-folder" / "registry.json").Code, result::Unchanged);
    EXPECT_FALSE(fs::exists(dir / "new-folder")) << "nor a folder";
    WriteAll(file, "not json");
    EXPECT_EQ(registry::Unregister(file).Code, result::RegistryDamaged);
    EXPECT_EQ(ReadAll(file), "not json");
}

TEST_F(RegistryFile, LookupAnswers) {
    registry::ClassEntry entry;
    EXPECT_EQ(registry::Lookup(file, ids::kProgId, entry).Code, result::NotRegistered);
    WriteAll(file, "{oops");
    EXPECT_EQ(registry::Lookup(file, ids::kProgId, entry).Code, result::RegistryDamaged);
    fs::remove(file);
    ASSERT_EQ(registry::Register(file, library).Code, result::Ok);
    EXPECT_EQ(registry::Lookup(file, "korvane.UCVKORVANE", entry).Code, result::Ok);
    EXPECT_EQ(entry.ClassId, ids::kClass);
    EXPECT_EQ(entry.TypeLibrary, ids::kLibrary);
    EXPECT_EQ(registry::Lookup(file, "{2a784cc5-08fd-4d88-adfc-26a5b3534e6e}", entry).Code, result::Ok);
    EXPECT_EQ(registry::Lookup(file, "Other.Thing", entry).Code, result::NotRegistered);
    fs::remove(library);
    const auto gone = registry::Lookup(file, ids::kProgId, entry);
    EXPECT_EQ(gone.Code, result::LibraryMissing);
    EXPECT_NE(gone.Message.find(library), std::string::npos) << gone.Message;
}

TEST_F(RegistryFile, AFailedWriteKeepsTheOldFile) {
    ASSERT_EQ(registry::Register(file, library).Code, result::Ok);
    const std::string before = ReadAll(file);
    // The registry's folder replaced by a file: nothing can be created in it.
    const fs::path blocked = dir / "blocked" / "registry.json";
    WriteAll(dir / "blocked", "a file, not a folder");
    EXPECT_EQ(registry::Register(blocked, library).Code, result::RegistryIo);
    EXPECT_EQ(ReadAll(file), before);
}

TEST(RegistryPath, FollowsTheEnvironment) {
    const char* saved = std::getenv("KORVANE_REGISTRY");
    const std::string keep = saved ? saved : "";
    ::setenv("KORVANE_REGISTRY", "/tmp/some/where.json", 1);
    EXPECT_EQ(registry::DefaultPath(), fs::path("/tmp/some/where.json"));
    ::unsetenv("KORVANE_REGISTRY");
    EXPECT_EQ(registry::DefaultPath().filename(), "registry.json");
    if (saved)
        ::setenv("KORVANE_REGISTRY", keep.c_str(), 1);
}

#ifdef KORVANE_SHARED_LIBRARY

// libkorvane-control.so as a host loads it: through dlopen and its four entry points.
class SharedLibrary : public RegistryFile {
protected:
    void SetUp() override {
        RegistryFile::SetUp();
        const char* saved = std::getenv("KORVANE_REGISTRY");
        savedEnv = saved ? saved : "";
        ::setenv("KORVANE_REGISTRY", file.c_str(), 1);
        handle = ::dlopen(KORVANE_SHARED_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle, nullptr) << ::dlerror();
        reg = reinterpret_cast<KorvaneRegisterFn>(::dlsym(handle, "DllRegisterServer"));
        unreg = reinterpret_cast<KorvaneRegisterFn>(::dlsym(handle, "DllUnregisterServer"));
        getClass = reinterpret_cast<KorvaneGetClassObjectFn>(::dlsym(handle, "DllGetClassObject"));
        canUnload = reinterpret_cast<KorvaneCanUnloadNowFn>(::dlsym(handle, "DllCanUnloadNow"));
        ASSERT_TRUE(reg && unreg && getClass && canUnload);
    }
    void TearDown() override {
        if (handle)
            ::dlclose(handle);
        ::setenv("KORVANE_REGISTRY", savedEnv.c_str(), 1);
        RegistryFile::TearDown();
    }

    std::string Message(KorvaneRegisterFn fn, Result& code) {
        char buffer[512];
        code = fn(buffer, sizeof buffer);
        return buffer;
    }

    void* handle = nullptr;
    std::string savedEnv;
    KorvaneRegisterFn reg = nullptr;
    KorvaneRegisterFn unreg = nullptr;
    KorvaneGetClassObjectFn getClass = nullptr;
    KorvaneCanUnloadNowFn canUnload = nullptr;
};

TEST_F(SharedLibrary, RegisterCreateUseReleaseUnregister) {
    Result code = 0;
    const std::string registered = Message(reg, code);
    EXPECT_EQ(code, result::Ok) << registered;
    EXPECT_EQ(Message(reg, code).find("already registered") != std::string::npos, true);
    EXPECT_EQ(code, result::Unchanged);
    registry::ClassEntry entry;
    ASSERT_EQ(registry::Lookup(file, ids::kProgId, entry).Code, result::Ok);
    EXPECT_EQ(entry.Library, fs::canonical(KORVANE_SHARED_LIBRARY).string());

    EXPECT_EQ(canUnload(), result::Ok);
    void* raw = nullptr;
    EXPECT_EQ(getClass("{00000000-0000-0000-0000-000000000000}", kClassFactoryInterface, &raw),
              result::ClassNotAvailable);
    EXPECT_EQ(getClass(entry.ClassId.c_str(), "Nonsense", &raw), result::NoInterface);
    EXPECT_EQ(getClass(entry.ClassId.c_str(), kClassFactoryInterface, nullptr), result::InvalidPointer);
    ASSERT_EQ(getClass(entry.ClassId.c_str(), kClassFactoryInterface, &raw), result::Ok);
    auto* factory = static_cast<ClassFactory*>(raw);
    EXPECT_EQ(canUnload(), result::Unchanged) << "a factory is alive";

    tk::headless::HeadlessDesktop desktop;
    auto form = desktop.CreateForm("Form1");
    CreateOptions options;
    options.Width = 3970;
    options.Height = 2130;
    tk::MemoryPropertyBag bag;
    bag.Set("Style", std::int32_t{1});
    options.Saved = &bag;
    Control* ctl = nullptr;
    ASSERT_EQ(factory->CreateInstance(*form, options, &ctl), result::Ok);
    factory->Release();
    EXPECT_EQ(canUnload(), result::Unchanged) << "a control is alive";

    DispId addItem = 0, listCount = 0;
    ASSERT_EQ(ctl->GetIDsOfNames("AddItem", addItem, nullptr), result::Ok);
    ASSERT_EQ(ctl->GetIDsOfNames("listcount", listCount, nullptr), result::Ok);
    std::vector<Variant> args{std::string("a"), std::string("b"), 5.0};
    EXPECT_EQ(ctl->Invoke(addItem, kMethod, args, nullptr, nullptr), result::Ok);
    Variant count;
    EXPECT_EQ(ctl->Invoke(listCount, kPropertyGet, {}, &count, nullptr), result::Ok);
    EXPECT_EQ(count, Variant(std::int32_t{1}));
    ExceptionInfo info;
    std::vector<Variant> bad{std::int32_t{3}};
    EXPECT_EQ(ctl->Invoke(listCount, kPropertyLet, bad, nullptr, &info), result::Exception);
    EXPECT_EQ(info.Number, 7);
    EXPECT_EQ(info.Description, "Can't assign to read-only property");
    // The control's widgets are the host desktop's own.
    EXPECT_NE(desktop.Find("Form1.KorvaneBox1.lstCol1a"), nullptr);
    ctl->Release();
    EXPECT_EQ(canUnload(), result::Ok);

    EXPECT_EQ(Message(unreg, code).find("unregistered") != std::string::npos, true);
    EXPECT_EQ(code, result::Ok);
    EXPECT_EQ(registry::Lookup(file, ids::kProgId, entry).Code, result::NotRegistered);
    EXPECT_NE(Message(unreg, code).find("not registered"), std::string::npos);
    EXPECT_EQ(code, result::Unchanged);
}

TEST_F(SharedLibrary, ADamagedRegistryIsRefusedAndKept) {
    WriteAll(file, "{\"classes\": ");
    Result code = 0;
    const std::string message = Message(reg, code);
    EXPECT_EQ(code, result::RegistryDamaged);
    EXPECT_NE(message.find("left as it is"), std::string::npos) << message;
    EXPECT_EQ(ReadAll(file), "{\"classes\": ");
    Message(unreg, code);
    EXPECT_EQ(code, result::RegistryDamaged);
    EXPECT_EQ(ReadAll(file), "{\"classes\": ");
    // A message buffer too small is cut, never overrun.
    char tiny[8];
    std::memset(tiny, 'x', sizeof tiny);
    reg(tiny, 4);
    EXPECT_EQ(std::strlen(tiny), 3u);
    EXPECT_EQ(reg(nullptr, 0), result::RegistryDamaged);
}

#endif

}  // namespace
}  // namespace korvane::component

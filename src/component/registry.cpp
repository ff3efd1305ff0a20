// The registry file: reading it without trusting it, changing only this
// library's entries, and replacing it so that a reader never sees half a
// file.
#include "korvane/component/registry.h"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "korvane/component/ids.h"

namespace korvane::component::registry {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

constexpr const char* kFormat = "korvane-registry 1";

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

std::string Version() {
    const auto& lib = Library();
    return std::to_string(lib.MajorVersion) + "." + std::to_string(lib.MinorVersion);
}

// Reads the registry. A missing file is an empty registry (`exists` false);
// anything that is not a registry object fills `why` and returns false.
bool Load(const fs::path& file, json& doc, bool& exists, std::string& why) {
    std::error_code ec;
    exists = fs::exists(file, ec);
    if (!exists) {
        doc = json::object();
        return true;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        why = "cannot be opened: " + std::string(std::strerror(errno));
        return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    const std::string content = text.str();
    if (content.find_first_not_of(" \t\r\n") == std::string::npos) {
        why = "is empty";
        return false;
    }
    try {
        doc = json::parse(content);
    } catch (const json::parse_error& e) {
        why = "is not valid JSON (" + std::string(e.what()) + ")";
        return false;
    }
    if (!doc.is_object()) {
        why = "does not hold a registry object";
        return false;
    }
    for (const char* section : {"classes", "progids", "typelibs"}) {
        if (doc.contains(section) && !doc[section].is_object()) {
            why = "has a \"" + std::string(section) + "\" entry that is not an object";
            return false;
        }
    }
    return true;
}

Outcome Damaged(const fs::path& file, const std::string& why) {
    return {result::RegistryDamaged,
            "the registry file " + file.string() + " " + why + "; it was left as it is (repair or remove it)"};
}

// Writes `doc` beside `file` and renames it over `file`. The old file stays
// whole until the rename; on failure the temporary file is removed.
bool Save(const fs::path& file, const json& doc, std::string& why) {
    std::error_code ec;
    if (file.has_parent_path())
        fs::create_directories(file.parent_path(), ec);
    const fs::path temp = file.string() + ".tmp." + std::to_string(::getpid());
    const std::string text = doc.dump(2) + "\n";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        why = "cannot create " + temp.string() + ": " + std::strerror(errno);
        return false;
    }
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            why = "cannot write " + temp.string() + ": " + std::strerror(errno);
            ::close(fd);
            ::unlink(temp.c_str());
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        why = "cannot flush " + temp.string() + ": " + std::strerror(errno);
        ::unlink(temp.c_str());
        return false;
    }
    if (::rename(temp.c_str(), file.c_str()) != 0) {
        why = "cannot replace " + file.string() + ": " + std::strerror(errno);
        ::unlink(temp.c_str());
        return false;
    }
    // The rename itself lasts only once the directory is on disk too.
    const fs::path dir = file.has_parent_path() ? file.parent_path() : fs::path(".");
    const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

json ClassRecord(const std::string& libraryPath) {
    const auto& lib = Library();
    return {{"name", std::string(lib.Class.Name)},
            {"progid", ids::kProgId},
            {"library", libraryPath},
            {"typelib", ids::kLibrary},
            {"version", Version()},
            {"help", std::string(lib.Class.Help)},
            {"interface", std::string(lib.Class.DefaultInterface.Id)},
            {"events", std::string(lib.Class.EventInterface.Id)}};
}

json TypeLibraryRecord(const std::string& libraryPath) {
    const auto& lib = Library();
    return {{"name", std::string(lib.Name)},
            {"help", std::string(lib.Help)},
            {"version", Version()},
            {"library", libraryPath}};
}

}  // namespace

fs::path DefaultPath() {
    if (const char* env = std::getenv("KORVANE_REGISTRY"); env && *env)
        return env;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        return fs::path(xdg) / "korvane" / "registry.json";
    if (const char* home = std::getenv("HOME"); home && *home)
        return fs::path(home) / ".config" / "korvane" / "registry.json";
    return fs::path("korvane-registry.json");
}

Outcome Register(const fs::path& file, const std::string& libraryPath) {
    json doc;
    bool exists = false;
    std::string why;
    if (!Load(file, doc, exists, why))
        return Damaged(file, why);
    const json cls = ClassRecord(libraryPath);
    const json tlb = TypeLibraryRecord(libraryPath);
    auto& classes = doc["classes"];
    auto& progids = doc["progids"];
    auto& typelibs = doc["typelibs"];
    if (classes.is_null())
        classes = json::object();
    if (progids.is_null())
        progids = json::object();
    if (typelibs.is_null())
        typelibs = json::object();
    if (classes.contains(ids::kClass) && classes[ids::kClass] == cls && progids.contains(ids::kProgId) &&
        progids[ids::kProgId] == ids::kClass && typelibs.contains(ids::kLibrary) && typelibs[ids::kLibrary] == tlb)
        return {result::Unchanged,
                std::string(ids::kProgId) + " is already registered to " + libraryPath + " in " + file.string()};
    std::string previous;
    if (classes.contains(ids::kClass) && classes[ids::kClass].is_object() &&
        classes[ids::kClass].value("library", "") != libraryPath)
        previous = classes[ids::kClass].value("library", "");
    doc["format"] = kFormat;
    classes[ids::kClass] = cls;
    progids[ids::kProgId] = ids::kClass;
    typelibs[ids::kLibrary] = tlb;
    if (!Save(file, doc, why))
        return {result::RegistryIo, "the registry file was not changed: " + why};
    std::string message = std::string(ids::kProgId) + " registered to " + libraryPath + " in " + file.string();
    if (!previous.empty())
        message += " (it was registered to " + previous + ")";
    return {result::Ok, message};
}

Outcome Unregister(const fs::path& file) {
    json doc;
    bool exists = false;
    std::string why;
    if (!Load(file, doc, exists, why))
        return Damaged(file, why);
    bool found = false;
    auto erase = [&](const char* section, const char* key, const char* onlyIfValue = nullptr) {
        if (!doc.contains(section) || !doc[section].contains(key))
            return;
        if (onlyIfValue && doc[section][key] != onlyIfValue)
            return;  // the name now belongs to another class
        doc[section].erase(key);
        found = true;
    };
    erase("classes", ids::kClass);
    erase("progids", ids::kProgId, ids::kClass);
    erase("typelibs", ids::kLibrary);
    if (!found)
        return {result::Unchanged, std::string(ids::kProgId) + " is not registered in " + file.string() +
                                       (exists ? "" : " (there is no registry file)")};
    if (!Save(file, doc, why))
        return {result::RegistryIo, "the registry file was not changed: " + why};
    return {result::Ok, std::string(ids::kProgId) + " unregistered from " + file.string()};
}

Outcome Lookup(const fs::path& file, std::string_view name, ClassEntry& out) {
    json doc;
    bool exists = false;
    std::string why;
    if (!Load(file, doc, exists, why))
        return Damaged(file, why);
    if (!exists)
        return {result::NotRegistered,
                "there is no registry file at " + file.string() + "; register the library first"};
    const std::string wanted(name);
    std::string classId;
    if (doc.contains("progids"))
        for (const auto& [progid, id] : doc["progids"].items())
            if (Upper(progid) == Upper(wanted) && id.is_string())
                classId = id.get<std::string>();
    if (classId.empty())
        classId = wanted;
    const json* record = nullptr;
    if (doc.contains("classes"))
        for (const auto& [id, value] : doc["classes"].items())
            if (Upper(id) == Upper(classId) && value.is_object()) {
                classId = id;
                record = &value;
            }
    if (!record)
        return {result::NotRegistered, wanted + " is not registered in " + file.string()};
    auto text = [&](const char* key) {
        const auto it = record->find(key);
        return it != record->end() && it->is_string() ? it->get<std::string>() : std::string();
    };
    out.ClassId = classId;
    out.ProgId = text("progid");
    out.Name = text("name");
    out.Library = text("library");
    out.TypeLibrary = text("typelib");
    out.Version = text("version");
    std::error_code ec;
    if (out.Library.empty() || !fs::exists(out.Library, ec))
        return {result::LibraryMissing, "the library registered for " + wanted + ", \"" + out.Library +
                                            "\", no longer exists; register it again from where it is now"};
    return {result::Ok, wanted + " is served by " + out.Library};
}

}  // namespace korvane::component::registry

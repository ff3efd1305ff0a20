// The registry file: reading it without trusting it, replacing it so that
// a reader never sees half a file, and looking classes up. Hosts link this
// part alone; changing the entries is registration.cpp, inside the library.
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

#include "component/registry_file.h"

namespace korvane::component::registry {

namespace fs = std::filesystem;
using nlohmann::json;

namespace detail {

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
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

}  // namespace detail

using namespace detail;

fs::path DefaultPath() {
    if (const char* env = std::getenv("KORVANE_REGISTRY"); env && *env)
        return env;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        return fs::path(xdg) / "korvane" / "registry.json";
    if (const char* home = std::getenv("HOME"); home && *home)
        return fs::path(home) / ".config" / "korvane" / "registry.json";
    return fs::path("korvane-registry.json");
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

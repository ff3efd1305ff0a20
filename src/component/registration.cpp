// Registration: adding and removing this library's own entries in the
// registry file, and nothing else of it.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "component/registry_file.h"
#include "korvane/component/ids.h"

namespace korvane::component::registry {

namespace fs = std::filesystem;
using nlohmann::json;
using namespace detail;

namespace {

// Holds an exclusive lock on the registry's folder while this process reads,
// changes and replaces the file, so that two registrations at once do not
// lose one another's entries. Locking the folder leaves no lock file behind.
// Without a folder to lock (it cannot be created) the change goes on
// unlocked and Save reports the real failure.
class FolderLock {
public:
    FolderLock(const fs::path& file, bool create) {
        const fs::path dir = file.has_parent_path() ? file.parent_path() : fs::path(".");
        std::error_code ec;
        if (create)
            fs::create_directories(dir, ec);
        fd_ = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd_ >= 0)
            while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
            }
    }
    ~FolderLock() {
        if (fd_ >= 0)
            ::close(fd_);  // releases the lock
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int fd_ = -1;
};

std::string Version() {
    const auto& lib = Library();
    return std::to_string(lib.MajorVersion) + "." + std::to_string(lib.MinorVersion);
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

Outcome Register(const fs::path& file, const std::string& libraryPath) {
    FolderLock lock(file, true);
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
    FolderLock lock(file, false);  // nothing to remove creates nothing
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

}  // namespace korvane::component::registry

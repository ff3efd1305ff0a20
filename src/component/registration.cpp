// Registration: adding and removing this library's own entries in the
// registry file, and nothing else of it.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <nlohmann/json.hpp>

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

// Our entry `key` of `section`, parsed; null when absent or unreadable.
json OwnEntry(const std::string& text, const char* section, const char* key) {
    const auto raw = Entry(text, section, key);
    return raw ? json::parse(*raw, nullptr, false) : json();
}

}  // namespace

Outcome Register(const fs::path& file, const std::string& libraryPath) {
    FolderLock lock(file, true);
    std::string text;
    bool exists = false;
    std::string why;
    if (!Load(file, text, exists, why))
        return Damaged(file, why);
    const json cls = ClassRecord(libraryPath);
    const json tlb = TypeLibraryRecord(libraryPath);
    const json oldClass = OwnEntry(text, "classes", ids::kClass);
    if (oldClass == cls && OwnEntry(text, "progids", ids::kProgId) == ids::kClass &&
        OwnEntry(text, "typelibs", ids::kLibrary) == tlb)
        return {result::Unchanged,
                std::string(ids::kProgId) + " is already registered to " + libraryPath + " in " + file.string()};
    std::string previous;
    if (oldClass.is_object() && oldClass.value("library", "") != libraryPath)
        previous = oldClass.value("library", "");
    SetEntry(text, "", "format", json(kFormat).dump());
    SetEntry(text, "classes", ids::kClass, cls.dump(2));
    SetEntry(text, "progids", ids::kProgId, json(ids::kClass).dump());
    SetEntry(text, "typelibs", ids::kLibrary, tlb.dump(2));
    if (!Save(file, text, why))
        return {result::RegistryIo, "the registry file was not changed: " + why};
    std::string message = std::string(ids::kProgId) + " registered to " + libraryPath + " in " + file.string();
    if (!previous.empty())
        message += " (it was registered to " + previous + ")";
    return {result::Ok, message};
}

Outcome Unregister(const fs::path& file) {
    FolderLock lock(file, false);  // nothing to remove creates nothing
    std::string text;
    bool exists = false;
    std::string why;
    if (!Load(file, text, exists, why))
        return Damaged(file, why);
    bool found = RemoveEntry(text, "classes", ids::kClass);
    // The name stays when it now belongs to another class.
    if (OwnEntry(text, "progids", ids::kProgId) == ids::kClass)
        found = RemoveEntry(text, "progids", ids::kProgId) || found;
    found = RemoveEntry(text, "typelibs", ids::kLibrary) || found;
    if (!found)
        return {result::Unchanged, std::string(ids::kProgId) + " is not registered in " + file.string() +
                                       (exists ? "" : " (there is no registry file)")};
    if (!Save(file, text, why))
        return {result::RegistryIo, "the registry file was not changed: " + why};
    return {result::Ok, std::string(ids::kProgId) + " unregistered from " + file.string()};
}

}  // namespace korvane::component::registry

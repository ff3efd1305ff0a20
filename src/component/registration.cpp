// Registration: adding this library's own entries to the registry file,
// and nothing else of it (removing them is registry.cpp's, so that a host
// can remove an entry whose library is gone).
#include <nlohmann/json.hpp>

#include "component/registry_file.h"
#include "korvane/component/ids.h"

namespace korvane::component::registry {

namespace fs = std::filesystem;
using nlohmann::json;
using namespace detail;

namespace {

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

// The library an old class entry of ours names; a description when the
// entry (written by hand, or damaged) names none, so that registering again
// repairs it and says what it replaced.
std::string LibraryOf(const json& entry) {
    const auto it = entry.find("library");
    if (it == entry.end())
        return "no library";
    return it->is_string() ? it->get<std::string>() : "no library (\"library\": " + it->dump() + ")";
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
    if (oldClass.is_object() && LibraryOf(oldClass) != libraryPath)
        previous = LibraryOf(oldClass);
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

}  // namespace korvane::component::registry

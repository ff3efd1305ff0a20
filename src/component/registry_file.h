// The registry file as text, shared by the lookups of hosts and the
// registration of the library itself. Only this library's own entries are
// ever parsed or written; every other byte of the file stays as written, so
// entries of other components (numbers past a double's precision,
// duplicate keys, their layout) come back exactly as they were.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "korvane/component/registry.h"

namespace korvane::component::registry::detail {

constexpr const char* kFormat = "korvane-registry 1";
// The sections whose members are entries; each is an object when present.
constexpr const char* kSections[] = {"classes", "progids", "typelibs"};
// A registry larger than this is refused (registries hold a few entries).
constexpr std::size_t kMaxBytes = 16u << 20;

std::string Upper(std::string_view s);

// Reads the registry into `text`. A missing file is an empty registry
// (`exists` false, `text` "{}"); anything that is not a registry object
// (unreadable, not a regular file, too large, not JSON, nested too deep, a
// number beyond a double, a section that is not an object) fills `why` and
// returns false. The file itself is never changed.
bool Load(const std::filesystem::path& file, std::string& text, bool& exists, std::string& why);
// Checks text that claims to be a registry, as Load does after reading.
bool CheckText(std::string_view text, std::string& why);
Outcome Damaged(const std::filesystem::path& file, const std::string& why);

// The members of a registry's text (checked by CheckText). `section` ""
// is the top level; otherwise the last top-level member of that name.
// The value of the last member named `key`, as JSON text; none when absent.
std::optional<std::string> Entry(std::string_view text, std::string_view section, std::string_view key);
// Sets `key` of `section` to the JSON text `value`: the first member of
// that name gets it and later ones are removed; a new member goes last,
// and a missing section is added. Nothing else of the text changes.
void SetEntry(std::string& text, std::string_view section, std::string_view key, std::string_view value);
// Removes every member `key` of `section`; false when there was none.
bool RemoveEntry(std::string& text, std::string_view section, std::string_view key);

// Holds an exclusive lock on the registry's folder while this process reads,
// changes and replaces the file, so that two registrations at once do not
// lose one another's entries. Locking the folder leaves no lock file behind.
// Without a folder to lock (it cannot be created) the change goes on
// unlocked and Save reports the real failure.
class FolderLock {
public:
    FolderLock(const std::filesystem::path& file, bool create);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int fd_ = -1;
};

// Replaces the file with `text` atomically (see files::WriteAtomically).
bool Save(const std::filesystem::path& file, std::string_view text, std::string& why);

}  // namespace korvane::component::registry::detail

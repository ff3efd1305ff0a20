// The registry file: reading it without trusting it, editing only this
// library's own entries in its text, replacing it so that a reader never
// sees half a file, looking classes up, and removing this library's
// entries. Hosts link this part alone (a host can so remove an entry whose
// library is gone or unreadable); adding the entries, which needs the type
// information, is registration.cpp, inside the library.
#include "korvane/component/registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <nlohmann/json.hpp>

#include "component/json_text.h"
#include "component/registry_file.h"
#include "files/file_io.h"
#include "korvane/component/ids.h"

namespace korvane::component::registry {

namespace fs = std::filesystem;
using nlohmann::json;

namespace detail {

namespace {

// The object that holds the members of `section` ("" for the top level),
// or none when the section is not there.
std::optional<json_text::Object> SectionOf(std::string_view text, std::string_view section) {
    const json_text::Object top = json_text::Members(text, json_text::SkipBlanks(text, 0));
    if (section.empty())
        return top;
    const json_text::Member* found = nullptr;
    for (const auto& m : top.Members)
        if (m.Key == section)
            found = &m;
    if (!found || text[found->ValueBegin] != '{')
        return std::nullopt;
    return json_text::Members(text, found->ValueBegin);
}

// The blanks that open the line `pos` is on.
std::string LineIndent(std::string_view text, std::size_t pos) {
    const std::size_t lineStart = text.rfind('\n', pos == 0 ? 0 : pos - 1);
    std::size_t i = lineStart == std::string_view::npos ? 0 : lineStart + 1;
    std::string indent;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        indent += text[i++];
    return indent;
}

// `value` (written from column 0) indented to sit at `indent`.
std::string Indented(std::string_view value, const std::string& indent) {
    std::string out;
    for (char c : value) {
        out += c;
        if (c == '\n')
            out += indent;
    }
    return out;
}

// The line break and indent that close an object holding one member:
// its brace goes on a line of its own, under the line that opened it.
std::string ClosingLine(std::string_view text, const json_text::Object& object) {
    return "\n" + LineIndent(text, object.Open);
}

// Adds the member `key: value` as the last of `object`. In an empty object
// it goes on lines of its own in front of whatever blanks the object held,
// so that removing it gives those blanks back.
void Append(std::string& text, const json_text::Object& object, std::string_view key, std::string_view value) {
    const std::string indent = object.Members.empty() ? LineIndent(text, object.Open) + "  "
                                                      : LineIndent(text, object.Members.front().KeyBegin);
    const std::string member = json(std::string(key)).dump() + ": " + Indented(value, indent);
    if (object.Members.empty())
        text.insert(object.Open + 1, "\n" + indent + member + ClosingLine(text, object));
    else
        text.insert(object.Members.back().ValueEnd, ",\n" + indent + member);
}

// Removes member `index` of `object` with the comma that joins it; the only
// member goes with the closing line Append put after it.
void Erase(std::string& text, const json_text::Object& object, std::size_t index) {
    const auto& members = object.Members;
    if (members.size() == 1) {
        std::size_t end = members[0].ValueEnd;
        if (const std::string closing = ClosingLine(text, object); text.compare(end, closing.size(), closing) == 0)
            end += closing.size();
        text.erase(object.Open + 1, end - object.Open - 1);
    } else if (index > 0) {
        text.erase(members[index - 1].ValueEnd, members[index].ValueEnd - members[index - 1].ValueEnd);
    } else {
        text.erase(members[0].KeyBegin, members[1].KeyBegin - members[0].KeyBegin);
    }
}

}  // namespace

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

bool CheckText(std::string_view text, std::string& why) {
    if (text.find_first_not_of(" \t\r\n") == std::string_view::npos) {
        why = "is empty";
        return false;
    }
    bool beyondLimits = false;
    std::string reason;
    if (!json_text::Check(text, reason, beyondLimits)) {
        why = (beyondLimits ? "cannot be read: " : "is not valid JSON (") + reason + (beyondLimits ? "" : ")");
        return false;
    }
    if (text[json_text::SkipBlanks(text, 0)] != '{') {
        why = "does not hold a registry object";
        return false;
    }
    const json_text::Object top = json_text::Members(text, json_text::SkipBlanks(text, 0));
    for (const auto& m : top.Members)
        for (const char* section : kSections)
            if (m.Key == section && text[m.ValueBegin] != '{') {
                why = "has a \"" + std::string(section) + "\" entry that is not an object";
                return false;
            }
    return true;
}

bool Load(const fs::path& file, std::string& text, bool& exists, std::string& why) {
    int error = 0;
    exists = true;
    switch (files::ReadRegularFile(file, kMaxBytes, text, error)) {
        case files::ReadStatus::Ok:
            break;
        case files::ReadStatus::Missing:
            exists = false;
            text = "{}\n";
            return true;
        case files::ReadStatus::NotRegular:
            why = error == EISDIR ? "is a folder" : "is not a regular file";
            return false;
        case files::ReadStatus::TooLarge:
            why = "is larger than " + std::to_string(kMaxBytes >> 20) + " MiB";
            return false;
        case files::ReadStatus::Failed:
            why = "cannot be opened: " + std::string(std::strerror(error));
            return false;
    }
    return CheckText(text, why);
}

Outcome Damaged(const fs::path& file, const std::string& why) {
    return {result::RegistryDamaged,
            "the registry file " + file.string() + " " + why + "; it was left as it is (repair or remove it)"};
}

std::optional<std::string> Entry(std::string_view text, std::string_view section, std::string_view key) {
    const auto object = SectionOf(text, section);
    if (!object)
        return std::nullopt;
    std::optional<std::string> value;
    for (const auto& m : object->Members)
        if (m.Key == key)
            value = std::string(text.substr(m.ValueBegin, m.ValueEnd - m.ValueBegin));
    return value;
}

void SetEntry(std::string& text, std::string_view section, std::string_view key, std::string_view value) {
    const auto object = SectionOf(text, section);
    if (!object) {
        SetEntry(text, "", section, "{}");
        return SetEntry(text, section, key, value);
    }
    // Later duplicates go first, so the offsets of earlier members hold.
    std::optional<std::size_t> first;
    for (std::size_t i = object->Members.size(); i-- > 0;) {
        if (object->Members[i].Key != key)
            continue;
        if (first)
            Erase(text, *object, *first);
        first = i;
    }
    if (!first)
        return Append(text, *object, key, value);
    // Erasing later members left this one's offsets as they were.
    const auto& m = object->Members[*first];
    text.replace(m.ValueBegin, m.ValueEnd - m.ValueBegin, Indented(value, LineIndent(text, m.KeyBegin)));
}

bool RemoveEntry(std::string& text, std::string_view section, std::string_view key) {
    bool removed = false;
    for (;;) {
        const auto object = SectionOf(text, section);
        if (!object)
            return removed;
        std::optional<std::size_t> last;
        for (std::size_t i = 0; i < object->Members.size(); ++i)
            if (object->Members[i].Key == key)
                last = i;
        if (!last)
            return removed;
        Erase(text, *object, *last);
        removed = true;
    }
}

FolderLock::FolderLock(const fs::path& file, bool create) {
    const fs::path dir = file.has_parent_path() ? file.parent_path() : fs::path(".");
    std::error_code ec;
    if (create)
        fs::create_directories(dir, ec);
    fd_ = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ >= 0)
        while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
        }
}

FolderLock::~FolderLock() {
    if (fd_ >= 0)
        ::close(fd_);  // releases the lock
}

bool Save(const fs::path& file, std::string_view text, std::string& why) {
    std::error_code ec;
    if (file.has_parent_path())
        fs::create_directories(file.parent_path(), ec);
    if (const files::Failure failed = files::WriteAtomically(file, text)) {
        why = "cannot write " + file.string() + ": " + failed.Step + ": " + std::strerror(failed.Error);
        return false;
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
    std::string text;
    bool exists = false;
    std::string why;
    if (!Load(file, text, exists, why))
        return Damaged(file, why);
    if (!exists)
        return {result::NotRegistered,
                "there is no registry file at " + file.string() + "; register the library first"};
    const std::string wanted(name);
    std::string classId;
    if (const auto progids = SectionOf(text, "progids"))
        for (const auto& m : progids->Members)
            if (Upper(m.Key) == Upper(wanted) && text[m.ValueBegin] == '"')
                classId = json_text::StringValue(text, m.ValueBegin, m.ValueEnd);
    if (classId.empty())
        classId = wanted;
    json record;
    if (const auto classes = SectionOf(text, "classes"))
        for (const auto& m : classes->Members)
            if (Upper(m.Key) == Upper(classId) && text[m.ValueBegin] == '{') {
                classId = m.Key;
                // Checked text within a double's range: only bytes that are
                // not UTF-8 can still fail, and leave the record unusable.
                record = json::parse(text.substr(m.ValueBegin, m.ValueEnd - m.ValueBegin), nullptr, false);
            }
    if (!record.is_object())
        return {result::NotRegistered, wanted + " is not registered in " + file.string()};
    auto field = [&](const char* key) {
        const auto it = record.find(key);
        return it != record.end() && it->is_string() ? it->get<std::string>() : std::string();
    };
    out.ClassId = classId;
    out.ProgId = field("progid");
    out.Name = field("name");
    out.Library = field("library");
    out.TypeLibrary = field("typelib");
    out.Version = field("version");
    std::error_code ec;
    if (out.Library.empty() || !fs::exists(out.Library, ec))
        return {result::LibraryMissing, "the library registered for " + wanted + ", \"" + out.Library +
                                            "\", no longer exists; register it again from where it is now"};
    return {result::Ok, wanted + " is served by " + out.Library};
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
    const auto progid = Entry(text, "progids", ids::kProgId);
    if (progid && json::parse(*progid, nullptr, false) == ids::kClass)
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

// Fuzz target of the registry reader and its editing of the file's text.
// Any bytes are either refused with a reason or accepted; what is accepted
// the JSON parser reads too (only bytes that are not UTF-8 may still stop
// it), and what the parser reads is refused only for nesting or a number
// beyond a double. Setting this library's entries in accepted text keeps
// it a registry, stores exactly the value given, and leaves every other
// member of the file as written; removing a new entry again gives back the
// text as it was.
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "component/json_text.h"
#include "component/registry_file.h"

namespace {

using namespace korvane::component;

void Require(bool condition) {
    if (!condition)
        __builtin_trap();
}

// The top-level members of checked text, as written, but `except`.
std::vector<std::string> Others(std::string_view text, std::string_view except) {
    std::vector<std::string> out;
    const auto top = json_text::Members(text, json_text::SkipBlanks(text, 0));
    for (const auto& m : top.Members)
        if (m.Key != except && m.Key != "format")
            out.emplace_back(text.substr(m.KeyBegin, m.ValueEnd - m.KeyBegin));
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string why;
    const bool accepted = registry::detail::CheckText(text, why);

    bool parsed = false;
    std::string parseError;
    try {
        (void)nlohmann::json::parse(text);
        parsed = true;
    } catch (const nlohmann::json::exception& e) {
        parseError = e.what();
    }
    if (accepted)
        Require(parsed || parseError.find("invalid string") != std::string::npos);
    // The parser skips a byte-order mark and ends at a NUL byte; the reader
    // does neither.
    if (parsed && !accepted && text.rfind("\xEF\xBB\xBF", 0) != 0 && text.find('\0') == std::string::npos)
        Require(why.find("is not valid JSON") == std::string::npos);
    if (!accepted)
        return 0;

    const std::string key = "{2A784CC5-08FD-4D88-ADFC-26A5B3534E6E}";
    const std::string value = R"({"library": "/x/libkorvane.so", "n": [1, 2.5, "\u00e9"]})";
    const bool hadSection = registry::detail::Entry(text, "", "classes").has_value();
    const bool hadKey = registry::detail::Entry(text, "classes", key).has_value();

    std::string edited = text;
    registry::detail::SetEntry(edited, "", "format", "\"korvane-registry 1\"");
    const bool formatWasSo = edited == text;
    registry::detail::SetEntry(edited, "classes", key, value);
    Require(registry::detail::CheckText(edited, why));
    Require(registry::detail::Entry(edited, "classes", key) == value);
    Require(registry::detail::Entry(edited, "", "format") == "\"korvane-registry 1\"");
    Require(Others(edited, "classes") == Others(text, "classes"));

    Require(registry::detail::RemoveEntry(edited, "classes", key));
    Require(registry::detail::CheckText(edited, why));
    Require(!registry::detail::Entry(edited, "classes", key));
    if (hadSection && !hadKey && formatWasSo)
        Require(edited == text);
    return 0;
}

// The registry file as JSON, shared by the lookups of hosts and the
// registration of the library itself.
#pragma once

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "korvane/component/registry.h"

namespace korvane::component::registry::detail {

constexpr const char* kFormat = "korvane-registry 1";

std::string Upper(std::string_view s);
// Reads the registry. A missing file is an empty registry (`exists` false);
// anything that is not a registry object fills `why` and returns false.
bool Load(const std::filesystem::path& file, nlohmann::json& doc, bool& exists, std::string& why);
Outcome Damaged(const std::filesystem::path& file, const std::string& why);
// Writes `doc` beside `file` and renames it over `file`. The old file stays
// whole until the rename; on failure the temporary file is removed.
bool Save(const std::filesystem::path& file, const nlohmann::json& doc, std::string& why);

}  // namespace korvane::component::registry::detail

/// @file
/// The per-user registry of components: a JSON file that maps a class
/// identifier and its programmatic name to the loadable library that serves
/// it and to its type library. Hosts look classes up here; a library adds and
/// removes its own entries when it registers and unregisters itself.
///
/// The file lives at $KORVANE_REGISTRY, or else at
/// $XDG_CONFIG_HOME/korvane/registry.json, or ~/.config/korvane/registry.json.
/// It is replaced atomically (a temporary file beside it, flushed to disk,
/// then renamed over it) while a lock on its folder keeps other registrations
/// out, and entries of other components are kept as they are. A file that
/// cannot be read as a registry is never overwritten: every operation then
/// refuses with RegistryDamaged and says why.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "korvane/component/dispatch.h"

/// The per-user registry file.
namespace korvane::component::registry {

/// A registered class, as Lookup finds it.
struct ClassEntry {
    std::string ClassId;      ///< the class identifier
    std::string ProgId;       ///< the programmatic name
    std::string Name;         ///< the class's description
    std::string Library;      ///< absolute path of the loadable library
    std::string TypeLibrary;  ///< identifier of its type library
    std::string Version;      ///< the type library's version, "1.0"
};

/// The result code and a sentence for a person.
struct Outcome {
    Result Code = result::Ok;  ///< a result:: value
    std::string Message;       ///< what happened, for a person
};

/// Where the registry file lives: $KORVANE_REGISTRY, else
/// $XDG_CONFIG_HOME/korvane/registry.json, else ~/.config/korvane/registry.json.
std::filesystem::path DefaultPath();

/// Adds (or updates) the entries of this library's class, programmatic name
/// and type library, pointing at `libraryPath`. Unchanged when they are
/// already there exactly so; RegistryDamaged or RegistryIo on failure.
Outcome Register(const std::filesystem::path& file, const std::string& libraryPath);
/// Removes those entries; Unchanged when none of them is there.
Outcome Unregister(const std::filesystem::path& file);
/// Finds a class by programmatic name or class identifier (ignoring case).
/// NotRegistered when it is not there, LibraryMissing when its library file
/// is gone.
Outcome Lookup(const std::filesystem::path& file, std::string_view name, ClassEntry& out);

}  // namespace korvane::component::registry

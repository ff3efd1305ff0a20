/// @file
/// Form files: where a host keeps a form and its controls between sessions,
/// each control with its class, name, place and property bag, as JSON
/// (Korvane::FormFile).
///
/// Writing replaces the file atomically, so a crash or a full disk leaves the
/// old form in place. Reading refuses a file that is not a form file (with
/// its name, line and column) and loads every value that the control can
/// hold; a value it cannot hold is left out, so the control takes its
/// default, and a line in FormFile::Warnings says which one.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "korvane/korvane_formfile_export.h"
#include "korvane/toolkit/property_bag.h"

namespace korvane {

/// The bag a host saves a control into: a value equal to its default is left
/// out (a font is equal to another when all its attributes are), so a saved
/// control holds only what differs. Keys keep the order they were written in.
class KORVANE_FORMFILE_EXPORT FormPropertyBag : public tk::MemoryPropertyBag {
public:
    /// Stores `value` under `key`, or removes the key when `value` is the
    /// same as `def` (SamePropertyValue).
    void WriteProperty(std::string_view key, const tk::Variant& value, const tk::Variant& def) override;
};

/// Whether two saved values are the same: numbers by value whatever their
/// width, fonts by their attributes.
KORVANE_FORMFILE_EXPORT bool SamePropertyValue(const tk::Variant& a, const tk::Variant& b);

/// The class name of a KorvaneBox in a form file.
inline constexpr const char* kKorvaneClass = "Korvane.ucvKorvane";

/// One control of a form file.
struct FormControl {
    std::string Class = kKorvaneClass;  ///< the control's class name
    std::string Name;                   ///< the control's name on the form; required
    float Left = 0;                     ///< the left edge on the form, in twips
    float Top = 0;                      ///< the top edge on the form, in twips
    float Width = 4240;                 ///< the width, in twips
    float Height = 330;                 ///< the height, in twips
    /// The control's saved properties, for ucvKorvane::ReadProperties and
    /// ucvKorvane::WriteProperties.
    FormPropertyBag Properties;
};

/// A form and its controls, as a form file holds them.
struct FormFile {
    std::string Name = "Form1";         ///< the form's name
    std::string Caption;                ///< the form's title
    float Width = 9000;                 ///< the form's width, in twips
    float Height = 6000;                ///< the form's height, in twips
    std::vector<FormControl> Controls;  ///< the controls, in the order they were saved
    /// Filled by reading: one line for each value that was left out, naming
    /// the control, the key and the value.
    std::vector<std::string> Warnings;
};

/// A larger file is refused (FormFileInvalid).
inline constexpr std::size_t kMaxFormFileBytes = std::size_t{64} << 20;
/// Deeper nesting of arrays and objects is refused (FormFileInvalid).
inline constexpr std::size_t kMaxFormFileDepth = 64;
/// More arrays, objects and list items in one file are refused (FormFileInvalid).
inline constexpr std::size_t kMaxFormFileValues = 1'000'000;
/// A longer text property is left out with a warning.
inline constexpr std::size_t kMaxPropertyTextBytes = std::size_t{1} << 20;
/// At most this many warnings are kept; further ones are counted in one last line.
inline constexpr std::size_t kMaxFormWarnings = 1000;

/// Reads the form file `file`.
/// @throws RuntimeError 1002 (FormFileAccess) when the file can't be read,
///         1001 (FormFileInvalid) when it is not a form file (naming the
///         file, line and column); nothing is loaded then.
KORVANE_FORMFILE_EXPORT FormFile ReadFormFile(const std::filesystem::path& file);
/// Reads a form file from the text `json`; `sourceName` names the text in
/// errors and warnings.
/// @throws RuntimeError 1001 (FormFileInvalid) as ReadFormFile.
KORVANE_FORMFILE_EXPORT FormFile ParseFormFile(std::string_view json, std::string_view sourceName);

/// Writes `form` to `file`, replacing it atomically (a temporary file beside
/// it, flushed, then renamed).
/// @throws RuntimeError 1002 (FormFileAccess) when the file can't be
///         written; the old file is then untouched and no temporary file is
///         left beside it. 1001 (FormFileInvalid) for a control without a
///         name, which no reader would accept.
/// Symbolic links are followed as the kernel follows them in shared folders:
/// in a sticky, world-writable folder only a link of the folder's owner or
/// of the saving user; another link there, or a loop, is refused (1002).
/// With `within` given, the file (after its links) must lie in that folder
/// or below it, else 1002: a host confines where scripts may save.
KORVANE_FORMFILE_EXPORT void WriteFormFile(const std::filesystem::path& file, const FormFile& form,
                                           const std::filesystem::path& within = {});
/// The text WriteFormFile writes for `form`; texts that are not valid UTF-8
/// are kept byte for byte as {"Hex": "..."}.
/// @throws RuntimeError 1001 (FormFileInvalid) for a control without a name.
KORVANE_FORMFILE_EXPORT std::string FormatFormFile(const FormFile& form);

}  // namespace korvane

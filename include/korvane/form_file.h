// Form files: where a host keeps a form and its controls between sessions,
// each control with its class, name, place and property bag, as JSON.
//
// Writing replaces the file atomically, so a crash or a full disk leaves the
// old form in place. Reading refuses a file that is not a form file (with
// its name, line and column) and loads every value that the control can
// hold; a value it cannot hold is left out, so the control takes its
// default, and a line in FormFile::Warnings says which one.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "korvane/toolkit/property_bag.h"

namespace korvane {

// The bag a host saves a control into: a value equal to its default is left
// out (a font is equal to another when all its attributes are), so a saved
// control holds only what differs. Keys keep the order they were written in.
class FormPropertyBag : public tk::MemoryPropertyBag {
public:
    void WriteProperty(std::string_view key, const tk::Variant& value, const tk::Variant& def) override;
};

// Whether two saved values are the same: numbers by value whatever their
// width, fonts by their attributes.
bool SamePropertyValue(const tk::Variant& a, const tk::Variant& b);

inline constexpr const char* kKorvaneClass = "Korvane.ucvKorvane";

struct FormControl {
    std::string Class = kKorvaneClass;
    std::string Name;
    float Left = 0;  // twips, on the form
    float Top = 0;
    float Width = 4240;
    float Height = 330;
    FormPropertyBag Properties;
};

struct FormFile {
    std::string Name = "Form1";
    std::string Caption;
    float Width = 9000;  // twips
    float Height = 6000;
    std::vector<FormControl> Controls;
    // Filled by reading: one line for each value that was left out.
    std::vector<std::string> Warnings;
};

// Limits of what a reader accepts.
inline constexpr std::size_t kMaxFormFileBytes = std::size_t{64} << 20;  // larger files are refused
inline constexpr std::size_t kMaxFormFileDepth = 64;                     // nesting of arrays and objects
inline constexpr std::size_t kMaxFormFileValues = 1'000'000;             // arrays, objects and list items
inline constexpr std::size_t kMaxPropertyTextBytes = std::size_t{1} << 20;
inline constexpr std::size_t kMaxFormWarnings = 1000;  // further ones are counted in one last line

// Raises FormFileAccess when the file can't be read, FormFileInvalid when it
// is not a form file.
FormFile ReadFormFile(const std::filesystem::path& file);
// `sourceName` names the text in errors and warnings.
FormFile ParseFormFile(std::string_view json, std::string_view sourceName);

// Raises FormFileAccess when the file can't be written; the old file is then
// untouched and no temporary file is left beside it. Raises FormFileInvalid
// for a control without a name, which no reader would accept.
void WriteFormFile(const std::filesystem::path& file, const FormFile& form);
std::string FormatFormFile(const FormFile& form);

}  // namespace korvane

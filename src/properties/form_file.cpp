// Form files in JSON: writing a form with its controls and their property
// bags atomically, and reading one back strictly in its shape and tolerantly
// in its values. The reader checks every saved key of a KorvaneBox against
// what the control can hold; controls of other classes keep their values
// as plain numbers, texts, booleans and fonts.
#include "korvane/form_file.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <variant>

#include "files/file_io.h"
#include "korvane/errors.h"
#include "properties/form_file_text.h"
#include "text/utf8.h"

namespace korvane {

namespace {

using detail::Locator;
using detail::ParseReason;
using detail::PreScan;
using detail::Refuse;
using Json = nlohmann::ordered_json;

constexpr const char* kFormat = "korvane-form";
constexpr std::int64_t kVersion = 1;
constexpr double kMaxTwips = 1'000'000;  // far beyond any screen, small enough for sums in 32 bits
constexpr std::size_t kMaxFontNameBytes = 256;
constexpr std::int64_t kMaxRowIndex = 32766;  // a KorvaneBox holds at most 32767 rows

std::string Quote(std::string_view s) {
    return "'" + std::string(s) + "'";
}

// ---- values ---------------------------------------------------------------

std::optional<double> AsNumber(const tk::Variant& v) {
    if (auto p = std::get_if<std::int16_t>(&v))
        return *p;
    if (auto p = std::get_if<std::int32_t>(&v))
        return *p;
    if (auto p = std::get_if<float>(&v))
        return *p;
    if (auto p = std::get_if<double>(&v))
        return *p;
    return std::nullopt;
}

bool SameFont(const tk::FontRef& a, const tk::FontRef& b) {
    if (a == b)
        return true;
    if (!a || !b)
        return false;
    return a->Name == b->Name && a->Size == b->Size && a->Bold == b->Bold && a->Italic == b->Italic &&
           a->Underline == b->Underline && a->Strikethrough == b->Strikethrough;
}

// Texts that are not valid UTF-8 cannot be JSON strings; they are kept byte
// for byte as {"Hex": "..."}.
std::string ToHex(std::string_view s) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(s.size() * 2);
    for (char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        out += digits[c >> 4];
        out += digits[c & 0xF];
    }
    return out;
}

std::optional<std::string> FromHex(std::string_view hex) {
    if (hex.size() % 2 != 0)
        return std::nullopt;
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    std::string out;
    out.reserve(hex.size() / 2);
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int hi = digit(hex[i]);
        const int lo = digit(hex[i + 1]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        out += static_cast<char>(hi * 16 + lo);
    }
    return out;
}

// Whole numbers of twips are written as integers, which reads better.
Json NumberJson(double x) {
    if (!std::isfinite(x))
        return nullptr;  // read back as a value that is left out, with a warning
    if (x == std::trunc(x) && std::fabs(x) < 9.0e15)
        return static_cast<std::int64_t>(x);
    return x;
}

Json FontJson(const tk::Font& f) {
    Json j = Json::object();
    j["Name"] = f.Name;
    j["Size"] = NumberJson(f.Size);
    j["Bold"] = f.Bold;
    j["Italic"] = f.Italic;
    j["Underline"] = f.Underline;
    j["Strikethrough"] = f.Strikethrough;
    return j;
}

std::optional<Json> ValueJson(const tk::Variant& v) {
    if (auto p = std::get_if<bool>(&v))
        return Json(*p);
    if (auto p = std::get_if<std::int16_t>(&v))
        return Json(*p);
    if (auto p = std::get_if<std::int32_t>(&v))
        return Json(*p);
    if (auto p = std::get_if<float>(&v))
        return NumberJson(*p);
    if (auto p = std::get_if<double>(&v))
        return NumberJson(*p);
    if (auto p = std::get_if<std::string>(&v)) {
        if (utf8::IsValid(*p))
            return Json(*p);
        Json j = Json::object();
        j["Hex"] = ToHex(*p);
        return j;
    }
    if (auto p = std::get_if<tk::FontRef>(&v); p && *p)
        return FontJson(**p);
    return std::nullopt;  // nothing to save
}

// ---- reading values -------------------------------------------------------

constexpr std::size_t kShown = 40;

// The first characters of a text that may be as long as a book.
std::string_view Head(std::string_view s) {
    if (s.size() <= kShown)
        return s;
    std::size_t cut = kShown;
    while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80)
        --cut;
    return s.substr(0, cut);
}

std::string Shorten(std::string_view s) {
    return std::string(Head(s)) + (s.size() > kShown ? "..." : "");
}

// A value as a warning shows it: short, and never a whole 10 MB text.
std::string Show(const Json& v) {
    if (v.is_string()) {
        const auto& s = v.get_ref<const std::string&>();
        if (s.size() <= kShown)
            return v.dump();
        return Json(std::string(Head(s))).dump() + "... (" + std::to_string(s.size()) + " bytes)";
    }
    if (v.is_array())
        return "an array of " + std::to_string(v.size()) + " values";
    if (v.is_object())
        return "an object of " + std::to_string(v.size()) + " members";
    return v.dump();
}

class Reader {
public:
    Reader(std::string_view text, std::string_view source) : text_(text), source_(source) {}

    FormFile Read() {
        Json root;
        try {
            root = Json::parse(text_.begin(), text_.end());
        } catch (const Json::parse_error& e) {
            Refuse(source_, text_, e.byte > 0 ? e.byte - 1 : 0, ParseReason(e.what()));
        } catch (const Json::exception& e) {
            // A number too large for a double ("1e400") comes without a
            // position; the message quotes it, so it is found in the text.
            const std::string what = e.what();
            const auto open = what.find('\'');
            const auto close = open == std::string::npos ? open : what.find('\'', open + 1);
            std::size_t offset = 0;
            if (close != std::string::npos && close > open + 1) {
                const auto at = text_.find(std::string_view(what).substr(open + 1, close - open - 1));
                offset = at == std::string_view::npos ? 0 : at;
            }
            Refuse(source_, text_, offset, ParseReason(what));
        }
        if (!root.is_object())
            Fail({}, "it is not a form file: the top level is not an object");
        const Json* format = Find(root, "format");
        if (!format || !format->is_string() || format->get_ref<const std::string&>() != kFormat)
            Fail(format ? Path{"format"} : Path{},
                 std::string("it is not a form file: \"format\" is not \"") + kFormat + "\"");
        const Json* version = Find(root, "version");
        if (!version || !version->is_number_integer() || version->get<std::int64_t>() != kVersion) {
            if (version && version->is_number_integer() && version->get<std::int64_t>() > kVersion)
                Fail({"version"}, "version " + version->dump() + " is newer than this reader, which knows version " +
                                      std::to_string(kVersion));
            Fail(version ? Path{"version"} : Path{}, "\"version\" is not " + std::to_string(kVersion));
        }

        FormFile form;
        const std::string formWho = "Form";
        TextMember(root, "name", formWho, form.Name);
        TextMember(root, "caption", formWho, form.Caption);
        Extent(root, "width", formWho, 0, form.Width);
        Extent(root, "height", formWho, 0, form.Height);

        const Json* controls = Find(root, "controls");
        if (!controls || !controls->is_array())
            Fail(controls ? Path{"controls"} : Path{}, "\"controls\" is not an array");
        for (std::size_t i = 0; i < controls->size(); ++i)
            form.Controls.push_back(Control((*controls)[i], i));

        if (dropped_ > 0)
            warnings_.push_back("... and " + std::to_string(dropped_) + " more values left out");
        form.Warnings = std::move(warnings_);
        return form;
    }

private:
    using Path = std::vector<Locator::Step>;

    [[noreturn]] void Fail(const Path& path, std::string_view why) {
        Refuse(source_, text_, Locator(text_).OffsetOf(path), why);
    }

    static const Json* Find(const Json& object, const char* key) {
        auto it = object.find(key);
        return it == object.end() ? nullptr : &*it;
    }

    void Warn(const std::string& who, std::string_view key, const Json& value, std::string_view why) {
        if (warnings_.size() >= kMaxFormWarnings) {
            ++dropped_;
            return;
        }
        warnings_.push_back(who + ": " + Show(Json(std::string(key))) + " = " + Show(value) + " " + std::string(why) +
                            "; the default is used");
    }

    void TextMember(const Json& object, const char* key, const std::string& who, std::string& out) {
        const Json* v = Find(object, key);
        if (!v)
            return;
        if (!v->is_string())
            Warn(who, key, *v, "is not a text");
        else if (v->get_ref<const std::string&>().size() > kMaxPropertyTextBytes)
            Warn(who, key, *v, "is longer than " + std::to_string(kMaxPropertyTextBytes) + " bytes");
        else
            out = v->get<std::string>();
    }

    // Positions may be negative, sizes not; both stay within kMaxTwips.
    void Extent(const Json& object, const char* key, const std::string& who, double lowest, float& out) {
        const Json* v = Find(object, key);
        if (!v)
            return;
        if (!v->is_number())
            return Warn(who, key, *v, "is not a number");
        const double x = v->get<double>();
        if (!std::isfinite(x) || x < lowest || x > kMaxTwips)
            return Warn(who, key, *v,
                        "is outside " + NumberJson(lowest).dump() + " to " + NumberJson(kMaxTwips).dump() + " twips");
        out = static_cast<float>(x);
    }

    FormControl Control(const Json& c, std::size_t index) {
        const std::string position = "control " + std::to_string(index + 1);
        if (!c.is_object())
            Fail({"controls", index}, position + " is not an object");
        FormControl control;
        const Json* name = Find(c, "name");
        if (!name || !name->is_string() || name->get_ref<const std::string&>().empty())
            Fail(name ? Path{"controls", index, "name"} : Path{"controls", index}, position + " has no name");
        control.Name = name->get<std::string>();
        if (const Json* cls = Find(c, "class")) {
            if (!cls->is_string() || cls->get_ref<const std::string&>().empty())
                Fail({"controls", index, "class"}, position + " has no class name");
            control.Class = cls->get<std::string>();
        }
        const std::string who = "Control " + Quote(Shorten(control.Name));
        Extent(c, "left", who, -kMaxTwips, control.Left);
        Extent(c, "top", who, -kMaxTwips, control.Top);
        Extent(c, "width", who, 0, control.Width);
        Extent(c, "height", who, 0, control.Height);

        const Json* props = Find(c, "properties");
        if (!props)
            return control;
        if (!props->is_object())
            Fail({"controls", index, "properties"}, position + ": \"properties\" is not an object");
        const bool korvane = control.Class == kKorvaneClass;
        for (const auto& [key, value] : props->items()) {
            std::optional<tk::Variant> v = korvane ? KorvaneValue(who, key, value) : AnyValue(who, key, value);
            if (v)
                control.Properties.Set(key, std::move(*v));
        }
        return control;
    }

    // ---- one value

    std::optional<tk::Variant> Text(const std::string& who, const std::string& key, const Json& v) {
        std::optional<std::string> text;
        if (v.is_string()) {
            text = v.get<std::string>();
        } else if (v.is_object() && v.size() == 1 && v.contains("Hex") && v["Hex"].is_string()) {
            const auto& hex = v["Hex"].get_ref<const std::string&>();
            if (hex.size() / 2 > kMaxPropertyTextBytes) {
                Warn(who, key, v, "is longer than " + std::to_string(kMaxPropertyTextBytes) + " bytes");
                return std::nullopt;
            }
            text = FromHex(hex);
        }
        if (!text) {
            Warn(who, key, v, "is not a text");
            return std::nullopt;
        }
        if (text->size() > kMaxPropertyTextBytes) {
            Warn(who, key, v, "is longer than " + std::to_string(kMaxPropertyTextBytes) + " bytes");
            return std::nullopt;
        }
        return tk::Variant(std::move(*text));
    }

    // A whole number in [lo, hi]; a number written with a fraction of zero counts.
    std::optional<std::int64_t> Whole(const std::string& who, const std::string& key, const Json& v, std::int64_t lo,
                                      std::int64_t hi, std::string_view range) {
        if (!v.is_number()) {
            Warn(who, key, v, "is not a number");
            return std::nullopt;
        }
        std::optional<std::int64_t> x;
        if (v.is_number_unsigned()) {
            const auto u = v.get<std::uint64_t>();
            if (u <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
                x = static_cast<std::int64_t>(u);
        } else if (v.is_number_integer()) {
            x = v.get<std::int64_t>();
        } else {
            const double d = v.get<double>();
            if (std::isfinite(d) && d != std::trunc(d)) {
                Warn(who, key, v, "is not a whole number");
                return std::nullopt;
            }
            if (std::isfinite(d) && std::fabs(d) < 9.0e15)
                x = static_cast<std::int64_t>(d);
        }
        if (!x || *x < lo || *x > hi) {
            Warn(who, key, v, "is outside " + std::string(range));
            return std::nullopt;
        }
        return x;
    }

    std::optional<tk::Variant> Int32(const std::string& who, const std::string& key, const Json& v, std::int64_t lo,
                                     std::int64_t hi) {
        const std::string range = std::to_string(lo) + " to " + std::to_string(hi);
        if (auto x = Whole(who, key, v, lo, hi, range))
            return tk::Variant(static_cast<std::int32_t>(*x));
        return std::nullopt;
    }

    std::optional<tk::Variant> Bool(const std::string& who, const std::string& key, const Json& v) {
        if (v.is_boolean())
            return tk::Variant(v.get<bool>());
        Warn(who, key, v, "is not true or false");
        return std::nullopt;
    }

    std::optional<tk::Variant> FontValue(const std::string& who, const std::string& key, const Json& v) {
        if (!v.is_object()) {
            Warn(who, key, v, "is not a font");
            return std::nullopt;
        }
        auto font = std::make_shared<tk::Font>();
        bool ok = true;
        for (const auto& [attr, a] : v.items()) {
            const std::string name = key + "." + attr;
            if (attr == "Name") {
                if (!a.is_string() || a.get_ref<const std::string&>().empty() ||
                    a.get_ref<const std::string&>().size() > kMaxFontNameBytes) {
                    Warn(who, name, a, "is not a font name of 1 to " + std::to_string(kMaxFontNameBytes) + " bytes");
                    ok = false;
                } else {
                    font->Name = a.get<std::string>();
                }
            } else if (attr == "Size") {
                const double size = a.is_number() ? a.get<double>() : std::nan("");
                // The font holds a float: a size that rounds to 0 there is no size.
                if (!std::isfinite(size) || size > tk::kLargestFontSize || !(static_cast<float>(size) > 0)) {
                    Warn(who, name, a,
                         "is not a font size above 0 and up to " + NumberJson(tk::kLargestFontSize).dump());
                    ok = false;
                } else {
                    font->Size = static_cast<float>(size);
                }
            } else if (attr == "Bold" || attr == "Italic" || attr == "Underline" || attr == "Strikethrough") {
                if (!a.is_boolean()) {
                    Warn(who, name, a, "is not true or false");
                    ok = false;
                    continue;
                }
                bool& flag = attr == "Bold"        ? font->Bold
                             : attr == "Italic"    ? font->Italic
                             : attr == "Underline" ? font->Underline
                                                   : font->Strikethrough;
                flag = a.get<bool>();
            }
            // Attributes of a later version are passed over.
        }
        if (!ok)
            return std::nullopt;
        return tk::Variant(tk::FontRef(std::move(font)));
    }

    // The saved keys of a KorvaneBox, each with what the control can hold.
    std::optional<tk::Variant> KorvaneValue(const std::string& who, const std::string& key, const Json& v) {
        constexpr std::int64_t i32min = std::numeric_limits<std::int32_t>::min();
        constexpr std::int64_t i32max = std::numeric_limits<std::int32_t>::max();
        constexpr auto twips = static_cast<std::int64_t>(kMaxTwips);
        if (key == "Font")
            return FontValue(who, key, v);
        if (key == "BackColor" || key == "ForeColor") {
            // Any 32 bits, written signed or unsigned.
            auto x = Whole(who, key, v, i32min, std::numeric_limits<std::uint32_t>::max(),
                           std::to_string(i32min) + " to " + std::to_string(std::numeric_limits<std::uint32_t>::max()));
            if (!x)
                return std::nullopt;
            return tk::Variant(static_cast<std::int32_t>(static_cast<std::uint32_t>(*x)));
        }
        if (key == "Enabled" || key == "AutoFill" || key == "Locked")
            return Bool(who, key, v);
        if (key == "List" || key == "Text" || key == "ToolTipText")
            return Text(who, key, v);
        if (key == "ListIndex" || key == "NewIndex")
            return Int32(who, key, v, -1, kMaxRowIndex);
        if (key == "ItemData")
            return Int32(who, key, v, i32min, i32max);
        if (key == "WidthCol1" || key == "WidthCol2") {
            // A visible column is at least 270 twips wide; 0 hides it.
            auto x = Int32(who, key, v, 0, twips);
            if (x && std::get<std::int32_t>(*x) > 0 && std::get<std::int32_t>(*x) < 270) {
                Warn(who, key, v, "is neither 0 nor 270 to " + std::to_string(twips));
                return std::nullopt;
            }
            return x;
        }
        if (key == "Style")
            return Int32(who, key, v, 0, 2);
        if (key == "SearchMode")
            return Int32(who, key, v, 0, 3);
        if (key == "SearchColumns")
            return Int32(who, key, v, 1, 7);
        if (key == "ListHeight")
            return Int32(who, key, v, 0, twips);
        return AnyValue(who, key, v);
    }

    // A key this reader has no rule for keeps its value in the plainest type.
    std::optional<tk::Variant> AnyValue(const std::string& who, const std::string& key, const Json& v) {
        if (v.is_boolean())
            return tk::Variant(v.get<bool>());
        if (v.is_number_integer() && !v.is_number_unsigned() &&
            v.get<std::int64_t>() >= std::numeric_limits<std::int32_t>::min() &&
            v.get<std::int64_t>() <= std::numeric_limits<std::int32_t>::max())
            return tk::Variant(static_cast<std::int32_t>(v.get<std::int64_t>()));
        if (v.is_number_unsigned() && v.get<std::uint64_t>() <= std::numeric_limits<std::int32_t>::max())
            return tk::Variant(static_cast<std::int32_t>(v.get<std::uint64_t>()));
        if (v.is_number()) {
            const double d = v.get<double>();
            if (std::isfinite(d))
                return tk::Variant(d);
            Warn(who, key, v, "is not a finite number");
            return std::nullopt;
        }
        if (v.is_string() || (v.is_object() && v.contains("Hex")))
            return Text(who, key, v);
        if (v.is_object() && (v.contains("Name") || v.contains("Size")))
            return FontValue(who, key, v);
        Warn(who, key, v, "is not a value a control can hold");
        return std::nullopt;
    }

    std::string_view text_;
    std::string_view source_;
    std::vector<std::string> warnings_;
    std::size_t dropped_ = 0;
};

// ---- files ----------------------------------------------------------------

std::string SystemMessage(int err) {
    return std::generic_category().message(err);
}

[[noreturn]] void CantRead(const std::filesystem::path& file, int err) {
    Raise(ErrorCode::FormFileAccess, Quote(file.string()) + " can't be read: " + SystemMessage(err));
}

[[noreturn]] void CantWrite(const std::filesystem::path& file, std::string_view step, int err) {
    Raise(ErrorCode::FormFileAccess,
          Quote(file.string()) + " can't be written: " + std::string(step) + ": " + SystemMessage(err));
}

std::string ReadWhole(const std::filesystem::path& file) {
    std::string text;
    int err = 0;
    switch (files::ReadRegularFile(file, kMaxFormFileBytes, text, err)) {
        case files::ReadStatus::Ok:
            return text;
        case files::ReadStatus::NotRegular:
            if (err == EISDIR)
                CantRead(file, EISDIR);
            Raise(ErrorCode::FormFileAccess, Quote(file.string()) + " can't be read: it is not a regular file");
        case files::ReadStatus::TooLarge:
            Raise(ErrorCode::FormFileInvalid,
                  Quote(file.string()) + ": it is larger than " + std::to_string(kMaxFormFileBytes >> 20) + " MiB");
        case files::ReadStatus::Missing:
        case files::ReadStatus::Failed:
            break;
    }
    CantRead(file, err);
}

}  // namespace

// ---- public -----------------------------------------------------------------

bool SamePropertyValue(const tk::Variant& a, const tk::Variant& b) {
    const auto x = AsNumber(a);
    const auto y = AsNumber(b);
    if (x || y)
        return x && y && *x == *y;
    if (auto fa = std::get_if<tk::FontRef>(&a)) {
        auto fb = std::get_if<tk::FontRef>(&b);
        return fb && SameFont(*fa, *fb);
    }
    return a == b;
}

void FormPropertyBag::WriteProperty(std::string_view key, const tk::Variant& value, const tk::Variant& def) {
    // Saving again into the same bag must not keep a value that is now the default.
    if (SamePropertyValue(value, def))
        Remove(key);
    else
        Set(key, value);
}

FormFile ParseFormFile(std::string_view json, std::string_view sourceName) {
    if (json.size() > kMaxFormFileBytes)
        Raise(ErrorCode::FormFileInvalid,
              Quote(sourceName) + ": it is larger than " + std::to_string(kMaxFormFileBytes >> 20) + " MiB");
    PreScan(json, sourceName);
    return Reader(json, sourceName).Read();
}

FormFile ReadFormFile(const std::filesystem::path& file) {
    const std::string text = ReadWhole(file);
    return ParseFormFile(text, file.string());
}

std::string FormatFormFile(const FormFile& form) {
    Json root = Json::object();
    root["format"] = kFormat;
    root["version"] = kVersion;
    root["name"] = form.Name;
    root["caption"] = form.Caption;
    root["width"] = NumberJson(form.Width);
    root["height"] = NumberJson(form.Height);
    Json controls = Json::array();
    for (std::size_t i = 0; i < form.Controls.size(); ++i) {
        const FormControl& c = form.Controls[i];
        if (c.Name.empty())
            Raise(ErrorCode::FormFileInvalid, "for form " + Quote(form.Name) + ": control " + std::to_string(i + 1) +
                                                  " has no name, so it could not be read back");
        Json j = Json::object();
        j["class"] = c.Class;
        j["name"] = c.Name;
        j["left"] = NumberJson(c.Left);
        j["top"] = NumberJson(c.Top);
        j["width"] = NumberJson(c.Width);
        j["height"] = NumberJson(c.Height);
        Json props = Json::object();
        for (const auto& [key, value] : c.Properties.Entries())
            if (auto v = ValueJson(value))
                props[key] = std::move(*v);
        j["properties"] = std::move(props);
        controls.push_back(std::move(j));
    }
    root["controls"] = std::move(controls);
    // Names and captions that are not valid UTF-8 get replacement characters;
    // property texts were already kept byte for byte above.
    return root.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

void WriteFormFile(const std::filesystem::path& file, const FormFile& form, const std::filesystem::path& within) {
    const std::string text = FormatFormFile(form);
    if (const files::Failure failed = files::WriteAtomically(file, text, within))
        CantWrite(file, failed.Step, failed.Error);
}

}  // namespace korvane

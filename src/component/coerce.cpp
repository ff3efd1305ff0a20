// Argument conversions of late-bound calls. A script hands over whatever
// type it has; the member gets its declared type, converted the way an
// automation client converts it, or a type-mismatch or overflow error.
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "component/names.h"
#include "korvane/component/dispatch.h"
#include "korvane/errors.h"

namespace korvane::component {

namespace {

// A decimal number with optional sign, fraction and exponent, surrounded by
// blanks at most. Words such as "nan" or "inf" are not numbers here.
double ParseNumber(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    if (text.empty())
        Raise(ErrorCode::TypeMismatch);
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.' && c != 'e' && c != 'E')
            Raise(ErrorCode::TypeMismatch);
    if (text.front() == '+')
        text.remove_prefix(1);
    double value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec == std::errc::result_out_of_range)
        Raise(ErrorCode::Overflow);
    if (ec != std::errc() || end != text.data() + text.size())
        Raise(ErrorCode::TypeMismatch);
    return value;
}

double NumberOf(const Variant& v) {
    struct Visitor {
        double operator()(std::monostate) const { return 0; }
        double operator()(bool b) const { return b ? -1 : 0; }
        double operator()(std::int16_t i) const { return i; }
        double operator()(std::int32_t i) const { return i; }
        double operator()(float f) const { return f; }
        double operator()(double d) const { return d; }
        double operator()(const std::string& s) const {
            if (SameName(s, "True"))
                return -1;
            if (SameName(s, "False"))
                return 0;
            return ParseNumber(s);
        }
        double operator()(const tk::FontRef&) const { Raise(ErrorCode::TypeMismatch); }
    };
    return std::visit(Visitor{}, v);
}

// Rounds half to even and checks the range; NaN and infinities overflow.
double Integral(double value, double low, double high) {
    if (!std::isfinite(value))
        Raise(ErrorCode::Overflow);
    const double r = std::nearbyint(value);
    if (r < low || r > high)
        Raise(ErrorCode::Overflow);
    return r;
}

template <typename T>
std::string Shortest(T value) {
    if (std::isnan(value))
        return "NaN";
    if (std::isinf(value))
        return value > 0 ? "Infinity" : "-Infinity";
    char buffer[64];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return ec == std::errc() ? std::string(buffer, end) : std::string("?");
}

}  // namespace

Variant Coerce(const Variant& value, VarType type) {
    switch (type) {
        case VarType::Void:
            return {};
        case VarType::Bool:
            if (const bool* b = std::get_if<bool>(&value))
                return *b;
            return NumberOf(value) != 0;
        case VarType::Int16:
            if (const auto* i = std::get_if<std::int16_t>(&value))
                return *i;
            return static_cast<std::int16_t>(Integral(NumberOf(value), -32768.0, 32767.0));
        case VarType::Int32:
        case VarType::Style:
            if (const auto* i = std::get_if<std::int32_t>(&value))
                return *i;
            return static_cast<std::int32_t>(Integral(NumberOf(value), -2147483648.0, 2147483647.0));
        case VarType::Color: {
            // The upper half of the 32-bit colour range comes as negative
            // numbers or as numbers above the signed range; both are accepted.
            if (const auto* i = std::get_if<std::int32_t>(&value))
                return *i;
            const double r = Integral(NumberOf(value), -2147483648.0, 4294967295.0);
            return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::int64_t>(r)));
        }
        case VarType::Single: {
            const double d = NumberOf(value);
            if (std::isfinite(d) && std::fabs(d) > std::numeric_limits<float>::max())
                Raise(ErrorCode::Overflow);
            return static_cast<float>(d);
        }
        case VarType::Double:
            return NumberOf(value);
        case VarType::String:
            if (std::holds_alternative<tk::FontRef>(value))
                Raise(ErrorCode::TypeMismatch);
            if (std::holds_alternative<std::monostate>(value))
                return std::string();
            return ToDisplay(value);
        case VarType::Font:
            if (const auto* f = std::get_if<tk::FontRef>(&value); f && *f)
                return *f;
            Raise(ErrorCode::ObjectRequired);
    }
    Raise(ErrorCode::TypeMismatch);
}

std::string ToDisplay(const Variant& value) {
    struct Visitor {
        std::string operator()(std::monostate) const { return "Empty"; }
        std::string operator()(bool b) const { return b ? "True" : "False"; }
        std::string operator()(std::int16_t i) const { return std::to_string(i); }
        std::string operator()(std::int32_t i) const { return std::to_string(i); }
        std::string operator()(float f) const { return Shortest(f); }
        std::string operator()(double d) const { return Shortest(d); }
        std::string operator()(const std::string& s) const { return s; }
        std::string operator()(const tk::FontRef& f) const {
            if (!f)
                return "Nothing";
            return "(Font " + f->Name + " " + Shortest(f->Size) + ")";
        }
    };
    return std::visit(Visitor{}, value);
}

}  // namespace korvane::component

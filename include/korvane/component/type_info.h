// The control's type information as data: the library, the control class,
// its default interface _ucvKorvane (30 members, in order, with their member
// numbers), its event interface __ucvKorvane (8 events by number) and the
// StyleType enumeration. Hosts that do not compile against ucvKorvane.h read
// this to learn what they may call; the late-bound dispatch is built from the
// same member table, so a name or number here is exactly what Invoke accepts.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "korvane/toolkit/property_bag.h"

namespace korvane {
class ucvKorvane;
}

namespace korvane::component {

// A late-bound value: empty (an omitted optional argument), Boolean (True is
// -1 when seen as a number), 16- and 32-bit integers, single, double, string
// or a font object (shared by reference).
using Variant = tk::Variant;

// A member number. Members and events are reached by these numbers.
using DispId = std::int32_t;

constexpr DispId kDispIdValue = 0;     // the default member
constexpr DispId kDispIdFont = -512;   // the standard font property
constexpr DispId kDispIdAbout = -552;  // the standard About-box method
constexpr DispId kDispIdUnknown = -1;  // GetIDsOfNames found nothing

// The declared type of a parameter or result.
enum class VarType : std::uint8_t {
    Void,  // no result
    Bool,  // 16-bit Boolean, True = -1
    Int16,
    Int32,
    Single,
    Double,
    String,
    Font,   // font object, passed by reference
    Color,  // 32-bit colour value; negative numbers are its upper half
    Style,  // StyleType, a 32-bit enumeration
};

// How a member is reached; a member offers one or more of these.
enum InvokeKind : std::uint8_t {
    kMethod = 1,
    kPropertyGet = 2,
    kPropertyLet = 4,  // assign a value
    kPropertySet = 8,  // assign an object reference
};

struct ParamInfo {
    std::string_view Name;
    VarType Type = VarType::Void;
    bool Optional = false;
    std::int32_t Default = 0;  // of an optional parameter; Booleans as 0 / -1
};

using Binding = Variant (*)(ucvKorvane& control, std::span<const Variant> args);

// One member of _ucvKorvane. Parameters are listed as the let or set takes
// them: a property's get takes all of them but the last (the new value),
// a method or a get-only property all of them.
struct MemberInfo {
    std::string_view Name;
    DispId Id = 0;
    std::uint8_t Kinds = 0;  // InvokeKind bits
    std::array<ParamInfo, 3> Params{};
    std::uint8_t ParamCount = 0;
    VarType Result = VarType::Void;
    std::string_view Category;  // with its leading ';', or empty
    std::string_view Help;
    bool Hidden = false;    // not shown by property browsers
    Binding Get = nullptr;  // get or method
    Binding Put = nullptr;  // let or set

    std::span<const ParamInfo> Parameters() const { return {Params.data(), ParamCount}; }
    // The parameters of one way of reaching the member.
    std::span<const ParamInfo> ParametersOf(InvokeKind kind) const {
        auto all = Parameters();
        if (kind == kPropertyGet && (Kinds & (kPropertyLet | kPropertySet)) && !all.empty())
            return all.first(all.size() - 1);
        return all;
    }
};

struct EventInfo {
    std::string_view Name;
    DispId Number = 0;
    std::array<ParamInfo, 4> Params{};  // all by reference
    std::uint8_t ParamCount = 0;
    std::string_view Help;

    std::span<const ParamInfo> Parameters() const { return {Params.data(), ParamCount}; }
};

struct EnumMember {
    std::string_view Name;
    std::int32_t Value = 0;
};

struct EnumInfo {
    std::string_view Name;
    std::span<const EnumMember> Members;
};

struct InterfaceInfo {
    std::string_view Name;
    std::string_view Id;
};

struct ClassInfo {
    std::string_view Name;
    std::string_view Id;
    std::string_view ProgId;  // the programmatic name hosts create it by
    std::string_view Help;
    InterfaceInfo DefaultInterface;
    InterfaceInfo EventInterface;
};

struct LibraryInfo {
    std::string_view Name;
    std::string_view Id;
    std::string_view Help;
    std::uint16_t MajorVersion = 1;
    std::uint16_t MinorVersion = 0;
    ClassInfo Class;
    std::span<const MemberInfo> Members;
    std::span<const EventInfo> Events;
    EnumInfo Style;
};

// The one description of the library, valid for the life of the process
// (or, in the shared library, until it is unloaded).
const LibraryInfo& Library();

// The member with this number that can be reached this way, or nullptr.
const MemberInfo* FindMember(DispId id, InvokeKind kind);
// The number of a member or event name, ignoring case; kDispIdUnknown if none.
DispId MemberId(std::string_view name);
DispId EventId(std::string_view name);
const EventInfo* FindEvent(DispId number);

// The name tools show for a type.
constexpr std::string_view TypeName(VarType type) {
    switch (type) {
        case VarType::Void:
            return "void";
        case VarType::Bool:
            return "Boolean";
        case VarType::Int16:
            return "int16";
        case VarType::Int32:
            return "int32";
        case VarType::Single:
            return "single";
        case VarType::Double:
            return "double";
        case VarType::String:
            return "string";
        case VarType::Font:
            return "font";
        case VarType::Color:
            return "colour";
        case VarType::Style:
            return "StyleType";
    }
    return "?";
}

}  // namespace korvane::component

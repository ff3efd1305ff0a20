/// @file
/// The control's type information as data: the library, the control class,
/// its default interface _ucvKorvane (30 members, in order, with their member
/// numbers), its event interface __ucvKorvane (8 events by number) and the
/// StyleType enumeration. Hosts that do not compile against ucvKorvane.h read
/// this to learn what they may call; the late-bound dispatch is built from the
/// same member table, so a name or number here is exactly what Invoke accepts.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "korvane/toolkit/property_bag.h"
#include "korvane/version.h"

namespace korvane {
class ucvKorvane;
}

/// The component layer: the control for hosts that reach it late-bound, by
/// member name or number, through the loadable library libkorvane-control.so
/// (Korvane::Component).
namespace korvane::component {

/// A late-bound value: empty (an omitted optional argument), Boolean (True is
/// -1 when seen as a number), 16- and 32-bit integers, single, double, string
/// or a font object (shared by reference).
using Variant = tk::Variant;

/// A member number. Members and events are reached by these numbers.
using DispId = std::int32_t;

constexpr DispId kDispIdValue = 0;     ///< the default member (Text)
constexpr DispId kDispIdFont = -512;   ///< the standard font property
constexpr DispId kDispIdAbout = -552;  ///< the standard About-box method
constexpr DispId kDispIdUnknown = -1;  ///< GetIDsOfNames found nothing

/// The declared type of a parameter or result.
enum class VarType : std::uint8_t {
    Void,    ///< no result
    Bool,    ///< 16-bit Boolean, True = -1
    Int16,   ///< 16-bit integer
    Int32,   ///< 32-bit integer
    Single,  ///< single-precision number
    Double,  ///< double-precision number
    String,  ///< UTF-8 text
    Font,    ///< font object, passed by reference
    Color,   ///< 32-bit colour value; negative numbers are its upper half
    Style,   ///< StyleType, a 32-bit enumeration
};

/// How a member is reached; a member offers one or more of these.
enum InvokeKind : std::uint8_t {
    kMethod = 1,       ///< call a method
    kPropertyGet = 2,  ///< read a property
    kPropertyLet = 4,  ///< assign a value
    kPropertySet = 8,  ///< assign an object reference
};

/// One parameter of a member or event.
struct ParamInfo {
    std::string_view Name;         ///< its name
    VarType Type = VarType::Void;  ///< its declared type
    bool Optional = false;         ///< whether a caller may leave it out
    std::int32_t Default = 0;      ///< of an optional parameter; Booleans as 0 / -1
};

/// How the dispatch calls a member of the control with checked arguments.
using Binding = Variant (*)(ucvKorvane& control, std::span<const Variant> args);

/// One member of _ucvKorvane. Parameters are listed as the let or set takes
/// them: a property's get takes all of them but the last (the new value),
/// a method or a get-only property all of them.
struct MemberInfo {
    std::string_view Name;              ///< the member's name
    DispId Id = 0;                      ///< its member number
    std::uint8_t Kinds = 0;             ///< the InvokeKind bits it offers
    std::array<ParamInfo, 3> Params{};  ///< its parameters (the first ParamCount)
    std::uint8_t ParamCount = 0;        ///< how many parameters it has
    VarType Result = VarType::Void;     ///< the type a get or method gives
    std::string_view Category;          ///< its property-browser category, with its leading ';', or empty
    std::string_view Help;              ///< its help text
    bool Hidden = false;                ///< not shown by property browsers
    Binding Get = nullptr;              ///< calls the get or method
    Binding Put = nullptr;              ///< calls the let or set

    /// The parameters, as the let or set takes them.
    std::span<const ParamInfo> Parameters() const { return {Params.data(), ParamCount}; }
    /// The parameters of one way of reaching the member.
    std::span<const ParamInfo> ParametersOf(InvokeKind kind) const {
        auto all = Parameters();
        if (kind == kPropertyGet && (Kinds & (kPropertyLet | kPropertySet)) && !all.empty())
            return all.first(all.size() - 1);
        return all;
    }
};

/// One event of __ucvKorvane.
struct EventInfo {
    std::string_view Name;              ///< the event's name
    DispId Number = 0;                  ///< its number (korvane::event_id)
    std::array<ParamInfo, 4> Params{};  ///< its arguments, all by reference (the first ParamCount)
    std::uint8_t ParamCount = 0;        ///< how many arguments it has
    std::string_view Help;              ///< its help text

    /// The arguments.
    std::span<const ParamInfo> Parameters() const { return {Params.data(), ParamCount}; }
};

/// One value of an enumeration.
struct EnumMember {
    std::string_view Name;   ///< the value's name
    std::int32_t Value = 0;  ///< the value
};

/// An enumeration and its values.
struct EnumInfo {
    std::string_view Name;                ///< the enumeration's name
    std::span<const EnumMember> Members;  ///< its values, in order
};

/// An interface's name and identifier.
struct InterfaceInfo {
    std::string_view Name;  ///< the interface's name
    std::string_view Id;    ///< its identifier (ids.h)
};

/// The control class.
struct ClassInfo {
    std::string_view Name;           ///< the class's name, "ucvKorvane"
    std::string_view Id;             ///< its class identifier (ids::kClass)
    std::string_view ProgId;         ///< the programmatic name hosts create it by
    std::string_view Help;           ///< its help text
    InterfaceInfo DefaultInterface;  ///< _ucvKorvane, its members
    InterfaceInfo EventInterface;    ///< __ucvKorvane, its events
};

/// The whole type library.
struct LibraryInfo {
    std::string_view Name;                               ///< the library's name, "Korvane"
    std::string_view Id;                                 ///< its identifier (ids::kLibrary)
    std::string_view Help;                               ///< its help text, "KorvaneBox Custom Control"
    std::uint16_t MajorVersion = KORVANE_VERSION_MAJOR;  ///< major version, the package's (korvane/version.h)
    std::uint16_t MinorVersion = KORVANE_VERSION_MINOR;  ///< minor version, the package's
    ClassInfo Class;                                     ///< the control class
    std::span<const MemberInfo> Members;                 ///< the members of _ucvKorvane, in order
    std::span<const EventInfo> Events;                   ///< the events of __ucvKorvane, in order
    EnumInfo Style;                                      ///< StyleType
};

/// The one description of the library, valid for the life of the process
/// (or, in the loadable library, until it is unloaded).
const LibraryInfo& Library();

/// The member with this number that can be reached this way, or nullptr.
const MemberInfo* FindMember(DispId id, InvokeKind kind);
/// The number of a member name, ignoring case; kDispIdUnknown if none.
DispId MemberId(std::string_view name);
/// The number of an event name, ignoring case; kDispIdUnknown if none.
DispId EventId(std::string_view name);
/// The event with this number, or nullptr.
const EventInfo* FindEvent(DispId number);

/// The name tools show for a type.
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

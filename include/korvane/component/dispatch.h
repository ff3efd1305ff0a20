/// @file
/// Late-bound access to a KorvaneBox: result codes, the reference-counted
/// object interfaces a host holds (the control, its event sink, the class
/// factory), and the argument conversions an automation client expects.
///
/// Everything a host gets from the loadable library is one of these abstract
/// classes; it never sees ucvKorvane itself. Members are reached by number
/// (GetIDsOfNames turns a name into one), with arguments in their natural
/// order, left to right.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "korvane/component/type_info.h"

namespace korvane::tk {
class Form;
}

namespace korvane::component {

/// Result codes: 0 and above succeed, below 0 fail.
using Result = std::int32_t;
/// The Result values.
namespace result {
constexpr Result Ok = 0;                  ///< succeeded
constexpr Result Unchanged = 1;           ///< succeeded, nothing to do (already registered, ...)
constexpr Result Failed = -1;             ///< failed for a reason not listed here
constexpr Result InvalidPointer = -2;     ///< a required pointer argument was null
constexpr Result NoInterface = -3;        ///< the object does not answer to that interface name
constexpr Result ClassNotAvailable = -4;  ///< the library does not serve that class
constexpr Result UnknownName = -10;       ///< no member by that name
constexpr Result MemberNotFound = -11;    ///< no member by that number reached that way
constexpr Result BadParamCount = -12;     ///< too many or too few arguments (error 450)
constexpr Result ParamNotOptional = -13;  ///< a required argument left out (error 449)
constexpr Result TypeMismatch = -14;      ///< an argument that cannot be converted (error 13)
constexpr Result Overflow = -15;          ///< an argument outside its type's range (error 6)
constexpr Result Exception = -16;         ///< the member raised a run-time error; see ExceptionInfo
constexpr Result RegistryDamaged = -20;   ///< the registry file cannot be read; it was left alone
constexpr Result RegistryIo = -21;        ///< the registry file cannot be written
constexpr Result NotRegistered = -22;     ///< the class is not in the registry
constexpr Result LibraryMissing = -23;    ///< the registered library file is gone
}  // namespace result

/// Whether `r` is a success (0 and above).
inline bool Succeeded(Result r) {
    return r >= 0;
}

/// What a failed call tells the host: the run-time error number and its
/// description, and the name of the object that raised it.
struct ExceptionInfo {
    std::int32_t Number = 0;     ///< the error number (korvane::ErrorCode as hosts see it)
    std::string Description;     ///< the error's text
    std::string Source;          ///< the object that raised it
    std::int32_t ArgIndex = -1;  ///< the argument that could not be converted, from 0; -1 for none
};

/// Reference counting: an object lives while it has references; the last
/// Release destroys it.
class Unknown {
public:
    /// Adds a reference; returns the new count.
    virtual std::uint32_t AddRef() = 0;
    /// Drops a reference, destroying the object with the last one; returns
    /// the new count.
    virtual std::uint32_t Release() = 0;

protected:
    ~Unknown() = default;
};

/// Where a control's events go. Not reference counted; the host keeps it
/// alive while it is connected.
class EventSink {
public:
    /// Event `event` (korvane::event_id) happened. `args` are the event's
    /// parameters by reference: what the sink leaves in them, converted back
    /// to each parameter's type, is what the control goes on with.
    virtual void Invoke(DispId event, std::span<Variant> args) = 0;

protected:
    ~EventSink() = default;
};

/// A KorvaneBox seen late-bound.
class Control : public Unknown {
public:
    /// The type information of the library that made the control.
    virtual const LibraryInfo& TypeInfo() const = 0;
    /// The number of member `name` (ignoring case), in `id`; kDispIdUnknown
    /// and UnknownName when there is none (with error 438 in `info`, if given).
    virtual Result GetIDsOfNames(std::string_view name, DispId& id, ExceptionInfo* info) = 0;
    /// Calls member `id` with `args`, converted to the parameters' types as
    /// Coerce does. `kinds` may combine kMethod and kPropertyGet, as a host
    /// does when it cannot tell a call from a read; a let or set goes alone.
    /// `result` may be null. On failure `info` (if given) holds the error
    /// number and text: the control's own errors with result::Exception, and
    /// 6, 13, 424, 438, 449 or 450 for a call the dispatch refuses.
    virtual Result Invoke(DispId id, std::uint8_t kinds, std::span<const Variant> args, Variant* result,
                          ExceptionInfo* info) = 0;
    /// Connects the event sink (nullptr disconnects).
    virtual Result Advise(EventSink* sink) = 0;
    /// Writes the control's saved properties into `bag`, as a host does when
    /// it saves its form.
    virtual Result Save(tk::PropertyBag& bag, ExceptionInfo* info) = 0;

protected:
    ~Control() = default;
};

/// How the factory places a new control.
struct CreateOptions {
    std::string Name = "KorvaneBox1";  ///< the control's name on the form
    bool UserMode = true;              ///< false: design time
    float Left = 0;                    ///< the left edge on the form, in twips
    float Top = 0;                     ///< the top edge on the form, in twips
    float Width = 0;                   ///< the width in twips; 0: keep what the control chose
    float Height = 0;                  ///< the height in twips; 0: keep what the control chose
    /// Saved properties to read, or nullptr for a new control with defaults.
    const tk::PropertyBag* Saved = nullptr;
};

/// Makes controls; handed out by DllGetClassObject.
class ClassFactory : public Unknown {
public:
    /// Makes a new control on `hostForm` placed as `options` say, and stores
    /// it in `*out` with one reference for the caller.
    virtual Result CreateInstance(tk::Form& hostForm, const CreateOptions& options, Control** out) = 0;
    /// Keeps the library loaded without an object (true) or lets it go (false).
    virtual Result LockServer(bool lock) = 0;

protected:
    ~ClassFactory() = default;
};

/// The interface names DllGetClassObject and the objects answer to.
constexpr const char* kClassFactoryInterface = "ClassFactory";

/// Converts `value` to `type` as an automation client would: numbers from
/// Booleans (-1 / 0) and numeric strings, doubles rounded half to even into
/// integers. Empty converts to 0, False or "".
/// @throws RuntimeError 13 (TypeMismatch) for what has no such value, 6
///         (Overflow) for a number outside the type's range, NaN and
///         infinities included.
Variant Coerce(const Variant& value, VarType type);

/// The value as a host prints it ("True", "3", "1.5", "a", "(Font Arial 10)").
std::string ToDisplay(const Variant& value);

/// Objects of the library alive now (controls, factories, locks).
std::int32_t LiveObjects();

/// A control object around a new ucvKorvane, for hosts linked with the
/// library itself; the loadable library's factory creates them the same way.
Result CreateControl(tk::Form& hostForm, const CreateOptions& options, Control** out);
/// What DllGetClassObject does, for hosts linked with the library itself.
Result GetClassFactory(std::string_view classId, std::string_view interfaceName, void** out);

}  // namespace korvane::component

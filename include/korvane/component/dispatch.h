// Late-bound access to a KorvaneBox: result codes, the reference-counted
// object interfaces a host holds (the control, its event sink, the class
// factory), and the argument conversions an automation client expects.
//
// Everything a host gets from the shared library is one of these abstract
// classes; it never sees ucvKorvane itself. Members are reached by number
// (GetIDsOfNames turns a name into one), with arguments in their natural
// order, left to right.
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

// Result codes: 0 and above succeed, below 0 fail.
using Result = std::int32_t;
namespace result {
constexpr Result Ok = 0;
constexpr Result Unchanged = 1;  // succeeded, nothing to do (already registered, ...)
constexpr Result Failed = -1;
constexpr Result InvalidPointer = -2;
constexpr Result NoInterface = -3;
constexpr Result ClassNotAvailable = -4;
constexpr Result UnknownName = -10;     // no member by that name
constexpr Result MemberNotFound = -11;  // no member by that number reached that way
constexpr Result BadParamCount = -12;
constexpr Result ParamNotOptional = -13;
constexpr Result TypeMismatch = -14;
constexpr Result Overflow = -15;
constexpr Result Exception = -16;        // the member raised a run-time error; see ExceptionInfo
constexpr Result RegistryDamaged = -20;  // the registry file cannot be read; it was left alone
constexpr Result RegistryIo = -21;       // the registry file cannot be written
constexpr Result NotRegistered = -22;
constexpr Result LibraryMissing = -23;
}  // namespace result

inline bool Succeeded(Result r) {
    return r >= 0;
}

// What a failed call tells the host: the run-time error number and its
// description, and the name of the object that raised it.
struct ExceptionInfo {
    std::int32_t Number = 0;
    std::string Description;
    std::string Source;
    std::int32_t ArgIndex = -1;  // the argument that could not be converted, from 0
};

// Reference counting: an object lives while it has references; the last
// Release destroys it.
class Unknown {
public:
    virtual std::uint32_t AddRef() = 0;
    virtual std::uint32_t Release() = 0;

protected:
    ~Unknown() = default;
};

// Where a control's events go. `args` are the event's parameters by
// reference: what the sink leaves in them, converted back to each
// parameter's type, is what the control goes on with. Not reference counted;
// the host keeps it alive while it is connected.
class EventSink {
public:
    virtual void Invoke(DispId event, std::span<Variant> args) = 0;

protected:
    ~EventSink() = default;
};

// A KorvaneBox seen late-bound.
class Control : public Unknown {
public:
    virtual const LibraryInfo& TypeInfo() const = 0;
    // Case-insensitive; kDispIdUnknown and UnknownName when there is none.
    virtual Result GetIDsOfNames(std::string_view name, DispId& id, ExceptionInfo* info) = 0;
    // `kinds` may combine kMethod and kPropertyGet, as a host does when it
    // cannot tell a call from a read; a let or set goes alone. `result` may be
    // null. On failure `info` (if given) holds the error number and text.
    virtual Result Invoke(DispId id, std::uint8_t kinds, std::span<const Variant> args, Variant* result,
                          ExceptionInfo* info) = 0;
    // Connects the event sink (nullptr disconnects).
    virtual Result Advise(EventSink* sink) = 0;
    // Writes the control's saved properties into `bag`, as a host does when
    // it saves its form.
    virtual Result Save(tk::PropertyBag& bag, ExceptionInfo* info) = 0;

protected:
    ~Control() = default;
};

// How the factory places a new control.
struct CreateOptions {
    std::string Name = "KorvaneBox1";
    bool UserMode = true;  // false: design time
    float Left = 0;
    float Top = 0;
    float Width = 0;  // 0: keep what the control chose
    float Height = 0;
    // Saved properties to read, or nullptr for a new control with defaults.
    const tk::PropertyBag* Saved = nullptr;
};

class ClassFactory : public Unknown {
public:
    virtual Result CreateInstance(tk::Form& hostForm, const CreateOptions& options, Control** out) = 0;
    // Keeps the library loaded without an object (true) or lets it go (false).
    virtual Result LockServer(bool lock) = 0;

protected:
    ~ClassFactory() = default;
};

// The interface names DllGetClassObject and the objects answer to.
constexpr const char* kClassFactoryInterface = "ClassFactory";

// Converts `value` to `type` as an automation client would: numbers from
// Booleans (-1 / 0) and numeric strings, doubles rounded half to even into
// integers. Raises TypeMismatch (13) for what has no such value and
// Overflow (6) for a number outside the type's range, NaN and infinities
// included. Empty converts to 0, False or "".
Variant Coerce(const Variant& value, VarType type);

// The value as a host prints it ("True", "3", "1.5", "a", "(Font Arial 10)").
std::string ToDisplay(const Variant& value);

// Objects of the library alive now (controls, factories, locks).
std::int32_t LiveObjects();

// A control object around a new ucvKorvane, for hosts linked with the
// library itself; the shared library's factory creates them the same way.
Result CreateControl(tk::Form& hostForm, const CreateOptions& options, Control** out);
Result GetClassFactory(std::string_view classId, std::string_view interfaceName, void** out);

}  // namespace korvane::component

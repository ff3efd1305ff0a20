// Run-time errors: the one table of every numbered failure that the control
// and its toolkit raise towards a host, and the one function that raises them.
//
// A failure reaches the host as korvane::RuntimeError with a number and a
// description, the way an automation client sees a failed member call.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace korvane {

// Every failure a host can receive. The numbers are part of the control's
// interface: hosts test them, so they never change.
enum class ErrorCode : std::int32_t {
    InvalidProcedureCall = 5,           // "Invalid procedure call or argument"
    ItemDoesNotExist = 6,               // "Item '<n>' do not exist"
    ReadOnlyProperty = 7,               // "Can't assign to read-only property"
    InvalidPropertyValue = 8,           // "Invalid property value"
    IllegalValueStyle = 9,              // "Illegal value style"
    TypeMismatch = 13,                  // "Type mismatch"
    ListFull = 1000,                    // "List is full: a KorvaneBox holds at most 32767 rows"
    ToolkitInvalidPropertyValue = 380,  // a widget refused a value (negative size, ...)
    ToolkitInvalidArrayIndex = 381,     // a list box refused an entry index
    ToolkitObjectUnloaded = 364,        // the form was unloaded while still in use
    ToolkitCantSetFocus = 20005,        // focus given to a hidden, disabled or windowless widget
    ToolkitResourceNotFound = 326,      // no resource with that identifier
    ToolkitModalStalled = 20006,        // a modal form waits for input nobody will give
    UnknownMember = 438,                // late-bound: no such property or method
    WrongArgumentCount = 450,           // late-bound: too many or too few arguments
    ArgumentNotOptional = 449,          // late-bound: a required argument left out
    ObjectRequired = 424,               // late-bound: an object reference expected
    // "Overflow" is number 6 towards the host, like ItemDoesNotExist; its own
    // value keeps the two apart in the table (ErrorNumber maps it back).
    Overflow = 0x10006,
    FormFileInvalid = 1001,  // not JSON or not a form file; names file, line and column
    FormFileAccess = 1002,   // a form file that can't be read or written, and why
};

class RuntimeError : public std::runtime_error {
public:
    RuntimeError(std::int32_t number, std::string description);

    std::int32_t Number() const noexcept { return number_; }
    const std::string& Description() const noexcept { return description_; }

private:
    std::int32_t number_;
    std::string description_;
};

// The fixed description of an error; `detail` fills the variable part
// (the index for ItemDoesNotExist, the resource id, the waiting form's name).
std::string ErrorDescription(ErrorCode code, std::string_view detail = {});

// The number a host sees for `code`.
std::int32_t ErrorNumber(ErrorCode code);

// Raises `code` as a RuntimeError. Every failure of the library goes through here.
[[noreturn]] void Raise(ErrorCode code, std::string_view detail = {});

}  // namespace korvane

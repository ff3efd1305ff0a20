/// @file
/// Run-time errors: the one table of every numbered failure that the control
/// and its toolkit raise towards a host, and the one function that raises them.
///
/// A failure reaches the host as korvane::RuntimeError with a number and a
/// description, the way an automation client sees a failed member call.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "korvane/korvane_export.h"

namespace korvane {

/// Every failure a host can receive. The numbers are part of the control's
/// interface: hosts test them, so they never change. Each value is the
/// number RuntimeError::Number gives, except Overflow (see there).
enum class ErrorCode : std::int32_t {
    /// 5, "Invalid procedure call or argument": an index below 0 (below -1
    /// for ListIndex), a column other than 1 or 2 (1 to 3 for Sort).
    InvalidProcedureCall = 5,
    /// 6, "Item '<n>' do not exist": an index past the last row.
    ItemDoesNotExist = 6,
    /// 7, "Can't assign to read-only property": ListCount, Style at run
    /// time, Text in Dropdown List.
    ReadOnlyProperty = 7,
    /// 8, "Invalid property value": a column width below its minimum or
    /// above the widest (1000000 twips).
    InvalidPropertyValue = 8,
    /// 9, "Illegal value style": a style other than 0, 1 or 2.
    IllegalValueStyle = 9,
    /// 13, "Type mismatch": a numeric sort over texts the user's locale
    /// cannot read as numbers.
    TypeMismatch = 13,
    /// 1000, "List is full: a KorvaneBox holds at most 32767 rows".
    ListFull = 1000,
    /// 380, "Invalid property value": a widget refused a value (a negative
    /// size, ...).
    ToolkitInvalidPropertyValue = 380,
    /// 381, "Invalid property array index": a list box refused an entry index.
    ToolkitInvalidArrayIndex = 381,
    /// 364, "Object was unloaded": the form was unloaded while still in use.
    ToolkitObjectUnloaded = 364,
    /// 20005, "Can't move focus to '<name>': it is invisible, disabled, or
    /// can't take the focus".
    ToolkitCantSetFocus = 20005,
    /// 326, "Resource with identifier '<id>' not found".
    ToolkitResourceNotFound = 326,
    /// 20006, "Modal form '<name>' is still waiting, and nothing is left to
    /// process": a modal form waits for input nobody will give (the headless
    /// desktop's unattended runs).
    ToolkitModalStalled = 20006,
    /// 438, "Object doesn't support this property or method" (late-bound
    /// calls).
    UnknownMember = 438,
    /// 450, "Wrong number of arguments or invalid property assignment"
    /// (late-bound calls).
    WrongArgumentCount = 450,
    /// 449, "Argument not optional": a required argument left out
    /// (late-bound calls).
    ArgumentNotOptional = 449,
    /// 424, "Object required": an object reference expected (late-bound
    /// calls).
    ObjectRequired = 424,
    /// "Overflow": a number that does not fit the argument's type
    /// (late-bound calls). Hosts see number 6, like ItemDoesNotExist; its
    /// own value keeps the two apart in the table (ErrorNumber maps it back).
    Overflow = 0x10006,
    /// 1001, "Invalid form file '<path>' at line L, column C: ...": not JSON
    /// or not a form file.
    FormFileInvalid = 1001,
    /// 1002, "Form file '<path>' can't be read / written: ...", with the
    /// cause.
    FormFileAccess = 1002,
};

/// The exception every member of the control, its desktops and the form
/// file functions throw: a number from ErrorCode (as ErrorNumber gives it)
/// and the description of the error table. what() gives the description.
class KORVANE_EXPORT RuntimeError : public std::runtime_error {
public:
    /// Makes an error with the host's `number` and its `description`.
    RuntimeError(std::int32_t number, std::string description);

    /// The number the host tests, e.g. 6 for ItemDoesNotExist.
    std::int32_t Number() const noexcept { return number_; }
    /// The text of the error, with its variable part filled in.
    const std::string& Description() const noexcept { return description_; }

private:
    std::int32_t number_;
    std::string description_;
};

/// The fixed description of an error; `detail` fills the variable part
/// (the index for ItemDoesNotExist, the resource id, the waiting form's name).
KORVANE_EXPORT std::string ErrorDescription(ErrorCode code, std::string_view detail = {});

/// The number a host sees for `code` (6 for Overflow, the code's own value
/// for every other).
KORVANE_EXPORT std::int32_t ErrorNumber(ErrorCode code);

/// Throws `code` as a RuntimeError with ErrorNumber(code) and
/// ErrorDescription(code, detail). Every failure of the library goes
/// through here.
[[noreturn]] void Raise(ErrorCode code, std::string_view detail = {});

}  // namespace korvane

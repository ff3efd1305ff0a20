// The error table: every numbered failure of the library and its fixed text.
#include "korvane/errors.h"

#include <utility>

namespace korvane {

RuntimeError::RuntimeError(std::int32_t number, std::string description)
    : std::runtime_error(description), number_(number), description_(std::move(description)) {}

std::string ErrorDescription(ErrorCode code, std::string_view detail) {
    switch (code) {
        case ErrorCode::InvalidProcedureCall:
            return "Invalid procedure call or argument";
        case ErrorCode::ItemDoesNotExist:
            return "Item '" + std::string(detail) + "' do not exist";
        case ErrorCode::ReadOnlyProperty:
            return "Can't assign to read-only property";
        case ErrorCode::InvalidPropertyValue:
        case ErrorCode::ToolkitInvalidPropertyValue:
            return "Invalid property value";
        case ErrorCode::IllegalValueStyle:
            return "Illegal value style";
        case ErrorCode::TypeMismatch:
            return "Type mismatch";
        case ErrorCode::ListFull:
            return "List is full: a KorvaneBox holds at most 32767 rows";
        case ErrorCode::ToolkitInvalidArrayIndex:
            return "Invalid property array index";
        case ErrorCode::ToolkitObjectUnloaded:
            return "Object was unloaded";
        case ErrorCode::ToolkitCantSetFocus:
            return "Can't move focus to '" + std::string(detail) +
                   "': it is invisible, disabled, or can't take the focus";
        case ErrorCode::ToolkitResourceNotFound:
            return "Resource with identifier '" + std::string(detail) + "' not found";
        case ErrorCode::ToolkitModalStalled:
            return "Modal form '" + std::string(detail) + "' is still waiting, and nothing is left to process";
        case ErrorCode::UnknownMember:
            return "Object doesn't support this property or method";
        case ErrorCode::WrongArgumentCount:
            return "Wrong number of arguments or invalid property assignment";
        case ErrorCode::ArgumentNotOptional:
            return "Argument not optional";
        case ErrorCode::ObjectRequired:
            return "Object required";
        case ErrorCode::Overflow:
            return "Overflow";
        case ErrorCode::FormFileInvalid:
            return "Invalid form file " + std::string(detail);
        case ErrorCode::FormFileAccess:
            return "Form file " + std::string(detail);
    }
    return "Unknown error";
}

std::int32_t ErrorNumber(ErrorCode code) {
    return code == ErrorCode::Overflow ? 6 : static_cast<std::int32_t>(code);
}

void Raise(ErrorCode code, std::string_view detail) {
    throw RuntimeError(ErrorNumber(code), ErrorDescription(code, detail));
}

}  // namespace korvane

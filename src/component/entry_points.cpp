// The exported entry points of libkorvane-control.so. They hand over to the
// registry and the class factory; nothing else of the library is visible
// from outside it.
#include "korvane/component/entry_points.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <filesystem>

#include "korvane/component/dispatch.h"
#include "korvane/component/registry.h"

namespace {

using namespace korvane::component;

void Tell(const std::string& text, char* message, std::uint32_t capacity) {
    if (!message || capacity == 0)
        return;
    const std::size_t n = std::min<std::size_t>(text.size(), capacity - 1);
    std::memcpy(message, text.data(), n);
    message[n] = '\0';
}

// The path this library was loaded from.
std::string OwnPath() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&Tell), &info) == 0 || !info.dli_fname)
        return {};
    std::error_code ec;
    auto path = std::filesystem::canonical(info.dli_fname, ec);
    return ec ? std::string(info.dli_fname) : path.string();
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) std::int32_t DllRegisterServer(char* message, std::uint32_t capacity) {
    try {
        const std::string self = OwnPath();
        if (self.empty()) {
            Tell("the library cannot tell where it was loaded from", message, capacity);
            return result::Failed;
        }
        const auto outcome = registry::Register(registry::DefaultPath(), self);
        Tell(outcome.Message, message, capacity);
        return outcome.Code;
    } catch (const std::exception& e) {
        Tell(e.what(), message, capacity);
        return result::Failed;
    }
}

__attribute__((visibility("default"))) std::int32_t DllUnregisterServer(char* message, std::uint32_t capacity) {
    try {
        const auto outcome = registry::Unregister(registry::DefaultPath());
        Tell(outcome.Message, message, capacity);
        return outcome.Code;
    } catch (const std::exception& e) {
        Tell(e.what(), message, capacity);
        return result::Failed;
    }
}

__attribute__((visibility("default"))) std::int32_t DllGetClassObject(const char* classId, const char* interfaceName,
                                                                      void** out) {
    if (!out)
        return result::InvalidPointer;
    *out = nullptr;
    if (!classId || !interfaceName)
        return result::InvalidPointer;
    try {
        return GetClassFactory(classId, interfaceName, out);
    } catch (const std::exception&) {
        return result::Failed;
    }
}

__attribute__((visibility("default"))) std::int32_t DllCanUnloadNow() {
    return LiveObjects() == 0 ? result::Ok : result::Unchanged;
}

}  // extern "C"

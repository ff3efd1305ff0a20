/// @file
/// The four entry points of libkorvane-control.so, the only symbols it exports. A
/// host loads the library with dlopen, finds them with dlsym and reaches
/// everything else through the objects they hand out.
///
///   DllRegisterServer(message, capacity)
///       Adds the control's class, programmatic name ("Korvane.ucvKorvane")
///       and type library to the per-user registry (registry.h), pointing at
///       this library's own path. Returns 0 when registered, 1 when it was
///       already registered exactly so, below 0 on failure (RegistryDamaged:
///       the file was left alone; RegistryIo: it could not be written). A
///       sentence for a person goes to `message` (capacity bytes including the
///       terminating zero; may be null).
///   DllUnregisterServer(message, capacity)
///       Removes those entries and nothing else. 0 when removed, 1 when they
///       were not there, below 0 as above.
///   DllGetClassObject(classId, interfaceName, out)
///       For the class identifier (ignoring case) and the interface name
///       "ClassFactory", stores a new ClassFactory* (dispatch.h) in *out, with
///       one reference for the caller. ClassNotAvailable or NoInterface
///       otherwise, with *out null.
///   DllCanUnloadNow()
///       0 when no object of the library (control, factory, server lock) is
///       alive and the library may be unloaded; 1 otherwise.
///
/// All results are the Result codes of dispatch.h. No C++ exception leaves an
/// entry point.
#pragma once

#include <cstdint>

extern "C" {
/// DllRegisterServer and DllUnregisterServer, as dlsym gives them.
using KorvaneRegisterFn = std::int32_t (*)(char* message, std::uint32_t capacity);
/// DllGetClassObject, as dlsym gives it.
using KorvaneGetClassObjectFn = std::int32_t (*)(const char* classId, const char* interfaceName, void** out);
/// DllCanUnloadNow, as dlsym gives it.
using KorvaneCanUnloadNowFn = std::int32_t (*)();
}

// What the parts of korvane-host's Lua binding share: the host's state,
// kept in the Lua state's extra space; the frames that mark the host's own
// work; the registry keys no script can name; values between Lua and the
// control; and Protect, the one way a function Lua calls does its C++ work
// and then raises its error.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <lua.hpp>
#include <optional>
#include <string>
#include <unordered_set>

#include "component/host/lua_binding.h"
#include "component/host/watchdog.h"
#include "korvane/toolkit/widgets.h"

namespace korvane::host {

using component::Control;
using component::DispId;
using component::ExceptionInfo;
using component::InvokeKind;
using component::Result;
using component::Variant;

struct ScriptHost::State final : component::EventSink {
    Control& control;
    tk::headless::HeadlessDesktop& desktop;
    ScriptOptions options;
    lua_State* L = nullptr;
    std::optional<std::string> pendingError;  // a handler failed; raised when the causing call returns
    int modalScripts = 0;
    int handlerDepth = 0;
    lua_State* current = nullptr;           // the thread (main or coroutine) in the host's innermost call
    bool inHost = false;                    // the host's own work: allocations are never refused
    bool closing = false;                   // the script is done; its finalizers run as Lua closes
    std::unordered_set<const void*> fonts;  // the font objects alive in the script
    const void* controlObject = nullptr;
    // Limits.
    std::uint64_t instructions = 0;
    std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max();
    std::size_t memory = 0;
    std::optional<std::string> limitReached;  // once reached, every check fails again

    // Ends the process when a script runs on where the count hook cannot
    // stop it (see watchdog.h).
    Watchdog watchdog;

    std::string TimeLimitMessage() const {
        return "the script ran past its time limit of " + std::to_string(options.TimeLimitMs) + " ms (--time-limit)";
    }

    // The reason the script must stop now, if a limit is reached. The
    // first time, the watchdog gets the margin to see the script gone.
    const std::optional<std::string>& CheckLimits() {
        if (limitReached)
            return limitReached;
        if (options.InstructionLimit && instructions > options.InstructionLimit)
            limitReached = "the script ran past its limit of " + std::to_string(options.InstructionLimit) +
                           " instructions (--instruction-limit)";
        else if (options.TimeLimitMs && std::chrono::steady_clock::now() >= deadline)
            limitReached = TimeLimitMessage();
        if (limitReached)
            watchdog.Arm(Watchdog::Clock::now() + kLimitMargin, *limitReached);
        return limitReached;
    }

    State(Control& c, tk::headless::HeadlessDesktop& d, ScriptOptions o) : control(c), desktop(d), options(o) {}

    void Invoke(DispId event, std::span<Variant> args) override;
};

namespace detail {

// Registry keys: addresses no script can name.
extern const char kControlMeta;
extern const char kFontMeta;
extern const char kHandlersKey;
extern const char kModalKey;
constexpr int kHookPeriod = 1000;  // instructions between two checks of the limits
// Handlers that cause their own events nest; this bounds the C++ stack
// they take (each level holds the control's frames too).
constexpr int kMaxHandlerDepth = 100;

// The host's state sits in the extra space of the main thread, which every
// coroutine copies when it is created; no script can reach it.
inline ScriptHost::State& StateOf(lua_State* L) {
    return **static_cast<ScriptHost::State**>(lua_getextraspace(L));
}

// Marks the host's own work for the time of a call from Lua: the calling
// thread is where events deliver their handlers, and memory is not refused.
class HostFrame {
public:
    explicit HostFrame(lua_State* L) : state_(StateOf(L)), thread_(state_.current), inHost_(state_.inHost) {
        state_.current = L;
        state_.inHost = true;
    }
    ~HostFrame() {
        state_.current = thread_;
        state_.inHost = inHost_;
    }
    HostFrame(const HostFrame&) = delete;
    HostFrame& operator=(const HostFrame&) = delete;

private:
    ScriptHost::State& state_;
    lua_State* thread_;
    bool inHost_;
};

// Lets script code run (a handler) inside the host's work.
class ScriptFrame {
public:
    explicit ScriptFrame(ScriptHost::State& state) : state_(state), inHost_(state.inHost) { state.inHost = false; }
    ~ScriptFrame() { state_.inHost = inHost_; }
    ScriptFrame(const ScriptFrame&) = delete;
    ScriptFrame& operator=(const ScriptFrame&) = delete;

private:
    ScriptHost::State& state_;
    bool inHost_;
};

inline void PushRegistryValue(lua_State* L, const void* key) {
    lua_rawgetp(L, LUA_REGISTRYINDEX, key);
}

// --- values ----------------------------------------------------------------

void PushFont(lua_State* L, const tk::FontRef& font);
// A font object the host made and has not released; nullptr for any other
// value, whatever metatable a script gave it.
tk::FontRef* ToFont(lua_State* L, int index);
void PushVariant(lua_State* L, const Variant& v);
// A Lua value as a variant; false (with `why`) for tables, functions and
// other values a member cannot take.
bool ToVariant(lua_State* L, int index, Variant& out, std::string& why);
// "where: run-time error N: description (argument i)".
std::string ErrorText(const std::string& where, Result r, const ExceptionInfo& info);
// Takes a failed handler's error, if any, onto the stack, naming the call
// that raised the event.
bool TakePendingError(lua_State* L, const std::string& label);

// Raises the error left on the stack by a helper that returned -1, with
// the script's file and line in front.
int Finish(lua_State* L, int n);

// Runs a helper as the host's work, then raises its error, if any, once
// every C++ object of the helper is gone.
template <typename Fn>
int Protect(lua_State* L, Fn impl) {
    int n = 0;
    {
        HostFrame frame(L);
        n = impl();
        if (n >= 0 && StateOf(L).limitReached) {
            lua_pushstring(L, StateOf(L).limitReached->c_str());
            n = -1;
        }
    }
    return Finish(L, n);
}

// --- the parts a script sees ---------------------------------------------------

// `ctl`, its metatable and its handler table `ctl.on`.
void InstallControl(lua_State* L);
// The font objects' metatable and `korvane.font`.
void InstallFonts(lua_State* L);
// `desktop` (the user's hands) and `host` (saving the form).
void InstallDesktop(lua_State* L);

// --- limits and the sandbox --------------------------------------------------

void LimitHook(lua_State* L, lua_Debug*);
void* Allocate(void* ud, void* ptr, std::size_t oldSize, std::size_t newSize);
int Panic(lua_State* L);
void OpenSandbox(lua_State* L);

}  // namespace detail
}  // namespace korvane::host

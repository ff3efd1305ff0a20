// Lua bindings of korvane-host. Lua reports errors with longjmp, so every
// function Lua calls does its C++ work in a helper that returns before the
// error is raised: no C++ object is alive in a frame that Lua jumps over.
// Everything Lua does inside an event (finding the handler, running it) runs
// under lua_pcall, so no error ever jumps through the control; a handler's
// error is kept and raised in the script once the call that caused the
// event has returned, leaving the control consistent.
//
// What the host owns stays out of a script's reach: the host's state lives
// in the Lua state's extra space, its tables are reached with raw access
// under keys no script can name, its metatables are protected, and a font
// object is recognised by the host's own list of them, so even the debug
// library can at worst make a call fail. Limits on instructions, time and
// memory end a runaway script with an error (see ScriptOptions).
//
// This file holds the host itself and the events; the parts a script sees
// are in control_binding.cpp, font_binding.cpp and desktop_binding.cpp, the
// values and frames they share in script_state.h, and the limits and the
// sandbox in sandbox.cpp.
#include "component/host/lua_binding.h"

#include <cstdio>
#include <new>
#include <string>

#include "component/host/script_state.h"
#include "korvane/events.h"

namespace korvane::host {

using namespace detail;

namespace {

// An event's name and its parameters' names, as the type information gives
// them (made-up ones for an event it does not know).
struct EventNames {
    const component::EventInfo* info = nullptr;
    std::string name;

    std::string Param(std::size_t i) const {
        return info && i < info->Parameters().size() ? std::string(info->Parameters()[i].Name)
                                                     : "arg" + std::to_string(i + 1);
    }
};

EventNames NamesOf(const Control& control, DispId event) {
    EventNames names;
    for (const auto& e : control.TypeInfo().Events)
        if (e.Number == event)
            names.info = &e;
    names.name = names.info ? std::string(names.info->Name) : "Event" + std::to_string(event);
    return names;
}

void PrintEvent(const EventNames& names, std::span<const Variant> args) {
    std::string line = "event " + names.name;
    if (!args.empty()) {
        line += "(";
        for (std::size_t i = 0; i < args.size(); ++i)
            line += (i ? ", " : "") + names.Param(i) + "=" + component::ToDisplay(args[i]);
        line += ")";
    }
    std::printf("%s\n", line.c_str());
}

// Pushes `table[key]` read raw, or nil when `table` (at the top) is no
// table, in the table's place.
void ReplaceByRawField(lua_State* T, const std::string& key) {
    if (lua_istable(T, -1)) {
        lua_pushlstring(T, key.data(), key.size());
        lua_rawget(T, -2);
    } else {
        lua_pushnil(T);
    }
    lua_remove(T, -2);
}

// Pushes the event's handler (or what stands where it would be) and gives
// its name for messages: ctl.on.Name, else the first global function of
// ctl_Name and <control name>_Name. Only raw reads: no metamethod a script
// set runs here, with the control's frames below this one.
std::string PushHandler(lua_State* T, const ScriptOptions& options, const std::string& name) {
    std::string handlerName = "ctl.on." + name;
    PushRegistryValue(T, &kHandlersKey);
    ReplaceByRawField(T, name);
    for (const std::string& global : {"ctl_" + name, options.ControlName + "_" + name}) {
        if (lua_isfunction(T, -1))
            break;
        lua_pop(T, 1);
        lua_rawgeti(T, LUA_REGISTRYINDEX, LUA_RIDX_GLOBALS);
        ReplaceByRawField(T, global);
        handlerName = global;
    }
    return handlerName;
}

// The values a handler returned (from `base` + 1 on) replace the event's
// arguments, nil keeping one; the first that is no argument's type stops
// the script.
void TakeHandlerResults(ScriptHost::State& state, lua_State* T, int base, const EventNames& names,
                        const std::string& handlerName, std::span<Variant> args) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const int index = base + 1 + static_cast<int>(i);
        if (lua_isnil(T, index))
            continue;
        Variant v;
        std::string why;
        if (!ToVariant(T, index, v, why)) {
            state.pendingError = "error in event handler " + handlerName + ": " + names.Param(i) + ": " + why;
            break;
        }
        if (v != args[i]) {
            std::printf("  %s set %s=%s\n", handlerName.c_str(), names.Param(i).c_str(),
                        component::ToDisplay(v).c_str());
            args[i] = std::move(v);
        }
    }
}

}  // namespace

// Prints the event, then runs its handler: ctl.on.Name, else a global
// function ctl_Name, else <control name>_Name. A handler gets the arguments
// as values and may return new values for them, in order (nil keeps one).
void ScriptHost::State::Invoke(DispId event, std::span<Variant> args) {
    const EventNames names = NamesOf(control, event);
    if (options.PrintMouseMoves || event != event_id::MouseMove)
        PrintEvent(names, args);
    if (pendingError)
        return;  // the script is stopping; no more handlers run
    if (handlerDepth >= kMaxHandlerDepth) {
        pendingError = "event handlers nested more than " + std::to_string(kMaxHandlerDepth) +
                       " deep (a handler that causes its own event again and again)";
        return;
    }
    lua_State* T = current ? current : L;
    if (!lua_checkstack(T, static_cast<int>(args.size()) + 8)) {
        pendingError = "no room on the Lua stack for event " + names.name;
        return;
    }
    const int base = lua_gettop(T);
    const std::string handlerName = PushHandler(T, options, names.name);
    if (!lua_isfunction(T, -1)) {
        lua_settop(T, base);
        return;
    }
    for (const auto& a : args)
        PushVariant(T, a);
    const int n = static_cast<int>(args.size());
    int rc = LUA_OK;
    {
        ScriptFrame frame(*this);
        ++handlerDepth;
        rc = lua_pcall(T, n, n, 0);
        --handlerDepth;
    }
    if (rc != LUA_OK) {
        const std::string message = lua_type(T, -1) == LUA_TSTRING ? lua_tostring(T, -1) : "(no message)";
        // A nested handler's failure is reported once, from where it began.
        const std::size_t nested = message.find("error in event handler ");
        pendingError = nested != std::string::npos ? message.substr(nested)
                                                   : "error in event handler " + handlerName + ": " + message;
    } else {
        TakeHandlerResults(*this, T, base, names, handlerName, args);
    }
    lua_settop(T, base);
}

ScriptHost::ScriptHost(Control& control, tk::headless::HeadlessDesktop& desktop, ScriptOptions options)
    : state_(std::make_unique<State>(control, desktop, std::move(options))) {
    State& state = *state_;
    state.inHost = true;
    lua_State* L = lua_newstate(Allocate, &state);
    if (!L)
        throw std::bad_alloc();
    state.L = L;
    *static_cast<State**>(lua_getextraspace(L)) = &state;
    lua_atpanic(L, Panic);
    if (state.options.Sandbox)
        OpenSandbox(L);
    else
        luaL_openlibs(L);

    InstallControl(L);
    InstallFonts(L);
    InstallDesktop(L);

    if (state.options.InstructionLimit || state.options.TimeLimitMs) {
        lua_sethook(L, LimitHook, LUA_MASKCOUNT, kHookPeriod);
        state.watchdog.Start();
    }
    state.inHost = false;
    control.Advise(&state);
}

ScriptHost::~ScriptHost() {
    state_->control.Advise(nullptr);
    // Closing the state runs the finalizers the script left, with Lua's
    // hooks off: a time limit still holds through the watchdog, and with
    // an instruction limit alone they get the margin.
    const auto& limits = state_->options;
    if (limits.InstructionLimit && !limits.TimeLimitMs)
        state_->watchdog.Arm(Watchdog::Clock::now() + kLimitMargin, "the script's finalizers were still running " +
                                                                        std::to_string(kLimitMargin.count()) +
                                                                        " ms after it ended (--instruction-limit)");
    // The host's references in font objects go first: a script may have
    // left some without their finalizer (the debug library can take a
    // metatable away), and Lua frees their memory without asking.
    for (const void* font : state_->fonts)
        static_cast<tk::FontRef*>(const_cast<void*>(font))->~shared_ptr();
    state_->fonts.clear();
    state_->closing = true;
    lua_close(state_->L);
    state_->watchdog.Stop();
}

bool ScriptHost::Run(const std::string& file, const std::vector<std::string>& args) {
    lua_State* L = state_->L;
    lua_createtable(L, static_cast<int>(args.size()), 1);
    lua_pushstring(L, file.c_str());
    lua_rawseti(L, -2, 0);
    for (std::size_t i = 0; i < args.size(); ++i) {
        lua_pushstring(L, args[i].c_str());
        lua_rawseti(L, -2, static_cast<lua_Integer>(i + 1));
    }
    lua_setglobal(L, "arg");
    if (state_->options.TimeLimitMs) {
        state_->deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(state_->options.TimeLimitMs);
        state_->watchdog.Arm(state_->deadline + kLimitMargin, state_->TimeLimitMessage());
    }
    // Text only: a precompiled chunk can break the interpreter.
    if (luaL_loadfilex(L, file.c_str(), "t") != LUA_OK || lua_pcall(L, 0, 0, 0) != LUA_OK) {
        const char* message = lua_tostring(L, -1);
        std::fflush(stdout);
        std::fprintf(stderr, "korvane-host: %s\n", message ? message : "(error without a message)");
        lua_pop(L, 1);
        state_->pendingError.reset();
        return false;
    }
    // An error of a handler run after the script's last call (none should be).
    if (state_->pendingError) {
        std::fflush(stdout);
        std::fprintf(stderr, "korvane-host: %s\n", state_->pendingError->c_str());
        state_->pendingError.reset();
        return false;
    }
    return true;
}

}  // namespace korvane::host

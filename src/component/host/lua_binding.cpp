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
#include "component/host/lua_binding.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <lua.hpp>
#include <map>
#include <new>
#include <optional>
#include <unordered_set>

#include "korvane/errors.h"
#include "korvane/events.h"
#include "korvane/toolkit/widgets.h"

namespace korvane::host {

using component::Control;
using component::DispId;
using component::ExceptionInfo;
using component::InvokeKind;
using component::Result;
using component::Variant;

namespace {

// Registry keys: addresses only this file can name.
const char kControlMeta = 0;
const char kFontMeta = 0;
const char kHandlersKey = 0;
const char kModalKey = 0;
constexpr int kHookPeriod = 1000;  // instructions between two checks of the limits
// Handlers that cause their own events nest; this bounds the C++ stack
// they take (each level holds the control's frames too).
constexpr int kMaxHandlerDepth = 100;

}  // namespace

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
    std::unordered_set<const void*> fonts;  // the font objects alive in the script
    const void* controlObject = nullptr;
    // Limits.
    std::uint64_t instructions = 0;
    std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max();
    std::size_t memory = 0;
    std::optional<std::string> limitReached;  // once reached, every check fails again

    // The reason the script must stop now, if a limit is reached.
    const std::optional<std::string>& CheckLimits() {
        if (limitReached)
            return limitReached;
        if (options.InstructionLimit && instructions > options.InstructionLimit)
            limitReached = "the script ran past its limit of " + std::to_string(options.InstructionLimit) +
                           " instructions (--instruction-limit)";
        else if (options.TimeLimitMs && std::chrono::steady_clock::now() >= deadline)
            limitReached =
                "the script ran past its time limit of " + std::to_string(options.TimeLimitMs) + " ms (--time-limit)";
        return limitReached;
    }

    State(Control& c, tk::headless::HeadlessDesktop& d, ScriptOptions o) : control(c), desktop(d), options(o) {}

    void Invoke(DispId event, std::span<Variant> args) override;
};

namespace {

// The host's state sits in the extra space of the main thread, which every
// coroutine copies when it is created; no script can reach it.
ScriptHost::State& StateOf(lua_State* L) {
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

void PushRegistryValue(lua_State* L, const void* key) {
    lua_rawgetp(L, LUA_REGISTRYINDEX, key);
}

// --- values ----------------------------------------------------------------

void PushFont(lua_State* L, const tk::FontRef& font) {
    void* memory = lua_newuserdatauv(L, sizeof(tk::FontRef), 0);
    new (memory) tk::FontRef(font);
    StateOf(L).fonts.insert(memory);
    PushRegistryValue(L, &kFontMeta);
    lua_setmetatable(L, -2);
}

// A font object the host made and has not released; nullptr for any other
// value, whatever metatable a script gave it.
tk::FontRef* ToFont(lua_State* L, int index) {
    if (lua_type(L, index) != LUA_TUSERDATA)
        return nullptr;
    void* memory = lua_touserdata(L, index);
    return StateOf(L).fonts.count(memory) ? static_cast<tk::FontRef*>(memory) : nullptr;
}

void PushVariant(lua_State* L, const Variant& v) {
    struct Visitor {
        lua_State* L;
        void operator()(std::monostate) const { lua_pushnil(L); }
        void operator()(bool b) const { lua_pushboolean(L, b); }
        void operator()(std::int16_t i) const { lua_pushinteger(L, i); }
        void operator()(std::int32_t i) const { lua_pushinteger(L, i); }
        void operator()(float f) const { lua_pushnumber(L, f); }
        void operator()(double d) const { lua_pushnumber(L, d); }
        void operator()(const std::string& s) const { lua_pushlstring(L, s.data(), s.size()); }
        void operator()(const tk::FontRef& f) const {
            if (f)
                PushFont(L, f);
            else
                lua_pushnil(L);
        }
    };
    std::visit(Visitor{L}, v);
}

// A Lua value as a variant; false (with `why`) for tables, functions and
// other values a member cannot take.
bool ToVariant(lua_State* L, int index, Variant& out, std::string& why) {
    switch (lua_type(L, index)) {
        case LUA_TNIL:
        case LUA_TNONE:
            out = std::monostate{};
            return true;
        case LUA_TBOOLEAN:
            out = lua_toboolean(L, index) != 0;
            return true;
        case LUA_TNUMBER:
            if (lua_isinteger(L, index)) {
                const lua_Integer i = lua_tointeger(L, index);
                if (i >= INT32_MIN && i <= INT32_MAX)
                    out = static_cast<std::int32_t>(i);
                else
                    out = static_cast<double>(i);
            } else {
                out = static_cast<double>(lua_tonumber(L, index));
            }
            return true;
        case LUA_TSTRING: {
            std::size_t n = 0;
            const char* s = lua_tolstring(L, index, &n);
            out = std::string(s, n);
            return true;
        }
        default:
            if (tk::FontRef* font = ToFont(L, index)) {
                out = *font;
                return true;
            }
            why = std::string("a ") + luaL_typename(L, index) + " cannot be passed to the control";
            return false;
    }
}

std::string ErrorText(const std::string& where, Result r, const ExceptionInfo& info) {
    std::string text = where + ": run-time error " + std::to_string(info.Number) + ": " + info.Description;
    if (info.ArgIndex >= 0)
        text += " (argument " + std::to_string(info.ArgIndex + 1) + ")";
    if (info.Number == 0)
        text = where + ": failed (result " + std::to_string(r) + ")" +
               (info.Description.empty() ? "" : ": " + info.Description);
    return text;
}

// Raises the error left on the stack by a helper that returned -1, with
// the script's file and line in front.
int Finish(lua_State* L, int n) {
    if (n >= 0)
        return n;
    luaL_where(L, 1);
    lua_insert(L, -2);
    lua_concat(L, 2);
    return lua_error(L);
}

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

// Takes a failed handler's error, if any, onto the stack, naming the call
// that raised the event.
bool TakePendingError(lua_State* L, const std::string& label) {
    auto& state = StateOf(L);
    if (!state.pendingError)
        return false;
    const std::string text = label + ": " + *state.pendingError;
    state.pendingError.reset();
    lua_pushlstring(L, text.data(), text.size());
    return true;
}

// --- calls into the control ---------------------------------------------------

const component::MemberInfo* MemberRow(const Control& ctl, DispId id, InvokeKind kind) {
    for (const auto& m : ctl.TypeInfo().Members)
        if (m.Id == id && (m.Kinds & kind))
            return &m;
    return nullptr;
}

// Invokes member `id` with the Lua values from `first` to the top of the
// stack. Pushes the result (methods without one push nothing) and returns
// how many values it pushed, or pushes an error message and returns -1.
int InvokeFromLua(lua_State* L, DispId id, std::uint8_t kinds, int first, const std::string& label) {
    auto& state = StateOf(L);
    std::vector<Variant> args;
    const int top = lua_gettop(L);
    for (int i = first; i <= top; ++i) {
        Variant v;
        std::string why;
        if (!ToVariant(L, i, v, why)) {
            lua_pushstring(L, (label + ": argument " + std::to_string(i - first + 1) + ": " + why).c_str());
            return -1;
        }
        args.push_back(std::move(v));
    }
    Variant out;
    ExceptionInfo info;
    const Result r = state.control.Invoke(id, kinds, args, &out, &info);
    if (TakePendingError(L, label))
        return -1;
    if (!component::Succeeded(r)) {
        lua_pushstring(L, ErrorText(label, r, info).c_str());
        return -1;
    }
    if (std::holds_alternative<std::monostate>(out) && !(kinds & component::kPropertyGet))
        return 0;
    PushVariant(L, out);
    return 1;
}

bool IsControl(lua_State* L, int index) {
    return lua_type(L, index) == LUA_TUSERDATA && lua_touserdata(L, index) == StateOf(L).controlObject;
}

int LookUp(lua_State* L, const std::string& name, DispId& id) {
    ExceptionInfo info;
    const Result r = StateOf(L).control.GetIDsOfNames(name, id, &info);
    if (!component::Succeeded(r)) {
        lua_pushstring(L, ErrorText("ctl." + name, r, info).c_str());
        return -1;
    }
    return 0;
}

// ctl:Name(...) for methods and for properties that take arguments.
int MemberCallImpl(lua_State* L) {
    if (!lua_isinteger(L, lua_upvalueindex(1)) || lua_type(L, lua_upvalueindex(2)) != LUA_TSTRING) {
        lua_pushstring(L, "ctl: a member call was tampered with");
        return -1;
    }
    const DispId id = static_cast<DispId>(lua_tointeger(L, lua_upvalueindex(1)));
    const std::string name = lua_tostring(L, lua_upvalueindex(2));
    const int first = IsControl(L, 1) ? 2 : 1;
    return InvokeFromLua(L, id, component::kMethod | component::kPropertyGet, first, "ctl:" + name);
}
int MemberCall(lua_State* L) {
    return Protect(L, [&] { return MemberCallImpl(L); });
}

int ControlIndexImpl(lua_State* L);
int ControlIndex(lua_State* L) {
    return Protect(L, [&] { return ControlIndexImpl(L); });
}

// ctl:get(name, ...), ctl:let(name, ..., value), ctl:set(name, object)
int NamedInvokeImpl(lua_State* L, std::uint8_t kinds) {
    if (!IsControl(L, 1) || !lua_isstring(L, 2)) {
        lua_pushstring(L, "use ctl:get(name, ...), ctl:let(name, ..., value) or ctl:set(name, object)");
        return -1;
    }
    const std::string name = lua_tostring(L, 2);
    DispId id = 0;
    if (LookUp(L, name, id) < 0)
        return -1;
    return InvokeFromLua(L, id, kinds, 3, "ctl." + name);
}
int GetByName(lua_State* L) {
    return Protect(L, [&] { return NamedInvokeImpl(L, component::kPropertyGet | component::kMethod); });
}
int LetByName(lua_State* L) {
    return Protect(L, [&] { return NamedInvokeImpl(L, component::kPropertyLet); });
}
int SetByName(lua_State* L) {
    return Protect(L, [&] { return NamedInvokeImpl(L, component::kPropertySet); });
}

// ctl:invoke(number or name, "get" | "let" | "set" | "method", ...)
int InvokeByNumberImpl(lua_State* L) {
    DispId id = 0;
    if (lua_isinteger(L, 2)) {
        id = static_cast<DispId>(lua_tointeger(L, 2));
    } else if (lua_type(L, 2) == LUA_TSTRING) {
        if (LookUp(L, lua_tostring(L, 2), id) < 0)
            return -1;
    } else {
        lua_pushstring(L, "ctl:invoke needs a member number or name");
        return -1;
    }
    const std::string kind = lua_isstring(L, 3) ? lua_tostring(L, 3) : "";
    const std::map<std::string, std::uint8_t> kinds = {{"method", component::kMethod},
                                                       {"get", component::kPropertyGet},
                                                       {"let", component::kPropertyLet},
                                                       {"set", component::kPropertySet}};
    const auto it = kinds.find(kind);
    if (it == kinds.end()) {
        lua_pushstring(L, "ctl:invoke: the kind is one of \"method\", \"get\", \"let\", \"set\"");
        return -1;
    }
    return InvokeFromLua(L, id, it->second, 4, "member " + std::to_string(id));
}
int InvokeByNumber(lua_State* L) {
    return Protect(L, [&] { return InvokeByNumberImpl(L); });
}

void SetString(lua_State* L, const char* key, std::string_view value) {
    lua_pushlstring(L, value.data(), value.size());
    lua_setfield(L, -2, key);
}

void PushParams(lua_State* L, std::span<const component::ParamInfo> params) {
    lua_createtable(L, static_cast<int>(params.size()), 0);
    for (std::size_t i = 0; i < params.size(); ++i) {
        lua_createtable(L, 0, 4);
        SetString(L, "name", params[i].Name);
        SetString(L, "type", component::TypeName(params[i].Type));
        lua_pushboolean(L, params[i].Optional);
        lua_setfield(L, -2, "optional");
        if (params[i].Optional) {
            if (params[i].Type == component::VarType::Bool)
                lua_pushboolean(L, params[i].Default != 0);
            else
                lua_pushinteger(L, params[i].Default);
            lua_setfield(L, -2, "default");
        }
        lua_rawseti(L, -2, static_cast<lua_Integer>(i + 1));
    }
}

// ctl.on.Name = function: only the control's events can have handlers, so
// a misspelt name is an error rather than a handler that never runs.
int HandlerNewIndexImpl(lua_State* L) {
    PushRegistryValue(L, &kHandlersKey);
    const bool handlers = lua_rawequal(L, 1, -1) != 0;
    lua_pop(L, 1);
    if (!handlers) {
        lua_pushstring(L, "ctl.on: only the control's handler table takes handlers");
        return -1;
    }
    const char* name = lua_type(L, 2) == LUA_TSTRING ? lua_tostring(L, 2) : nullptr;
    std::string known;
    for (const auto& e : StateOf(L).control.TypeInfo().Events) {
        if (name && e.Name == name) {
            if (!lua_isnil(L, 3) && !lua_isfunction(L, 3)) {
                lua_pushfstring(L, "ctl.on.%s: a handler is a function", name);
                return -1;
            }
            lua_rawset(L, 1);
            return 0;
        }
        known += (known.empty() ? "" : ", ") + std::string(e.Name);
    }
    lua_pushstring(L, ("ctl.on: the control has no event " + std::string(name ? name : "(not a name)") +
                       "; its events are " + known)
                          .c_str());
    return -1;
}
int HandlerNewIndex(lua_State* L) {
    return Protect(L, [&] { return HandlerNewIndexImpl(L); });
}

// ctl:typeinfo(): the control's type information as Lua tables, read from
// the library (what a property browser lists).
int TypeInfoImpl(lua_State* L) {
    const component::LibraryInfo& lib = StateOf(L).control.TypeInfo();
    lua_createtable(L, 0, 6);
    SetString(L, "name", lib.Name);
    SetString(L, "id", lib.Id);
    SetString(L, "help", lib.Help);
    lua_pushfstring(L, "%d.%d", static_cast<int>(lib.MajorVersion), static_cast<int>(lib.MinorVersion));
    lua_setfield(L, -2, "version");

    lua_createtable(L, 0, 6);
    SetString(L, "name", lib.Class.Name);
    SetString(L, "id", lib.Class.Id);
    SetString(L, "progid", lib.Class.ProgId);
    SetString(L, "interface", lib.Class.DefaultInterface.Name);
    SetString(L, "interfaceId", lib.Class.DefaultInterface.Id);
    SetString(L, "events", lib.Class.EventInterface.Name);
    SetString(L, "eventsId", lib.Class.EventInterface.Id);
    lua_setfield(L, -2, "class");

    lua_createtable(L, static_cast<int>(lib.Members.size()), 0);
    for (std::size_t i = 0; i < lib.Members.size(); ++i) {
        const auto& m = lib.Members[i];
        lua_createtable(L, 0, 8);
        SetString(L, "name", m.Name);
        lua_pushinteger(L, m.Id);
        lua_setfield(L, -2, "id");
        lua_createtable(L, 4, 0);
        int n = 0;
        for (auto [bit, word] : {std::pair{component::kPropertyGet, "get"}, std::pair{component::kPropertyLet, "let"},
                                 std::pair{component::kPropertySet, "set"}, std::pair{component::kMethod, "method"}})
            if (m.Kinds & bit) {
                lua_pushstring(L, word);
                lua_rawseti(L, -2, ++n);
            }
        lua_setfield(L, -2, "kinds");
        PushParams(L, m.Parameters());
        lua_setfield(L, -2, "params");
        SetString(L, "result", component::TypeName(m.Result));
        SetString(L, "category", m.Category);
        SetString(L, "help", m.Help);
        lua_pushboolean(L, m.Hidden);
        lua_setfield(L, -2, "hidden");
        lua_rawseti(L, -2, static_cast<lua_Integer>(i + 1));
    }
    lua_setfield(L, -2, "members");

    lua_createtable(L, static_cast<int>(lib.Events.size()), 0);
    for (std::size_t i = 0; i < lib.Events.size(); ++i) {
        const auto& e = lib.Events[i];
        lua_createtable(L, 0, 4);
        SetString(L, "name", e.Name);
        lua_pushinteger(L, e.Number);
        lua_setfield(L, -2, "number");
        PushParams(L, e.Parameters());
        lua_setfield(L, -2, "params");
        SetString(L, "help", e.Help);
        lua_rawseti(L, -2, static_cast<lua_Integer>(i + 1));
    }
    lua_setfield(L, -2, "events");

    lua_createtable(L, 0, 1);
    lua_createtable(L, static_cast<int>(lib.Style.Members.size()), 0);
    for (std::size_t i = 0; i < lib.Style.Members.size(); ++i) {
        lua_createtable(L, 0, 2);
        SetString(L, "name", lib.Style.Members[i].Name);
        lua_pushinteger(L, lib.Style.Members[i].Value);
        lua_setfield(L, -2, "value");
        lua_rawseti(L, -2, static_cast<lua_Integer>(i + 1));
    }
    lua_setfield(L, -2, std::string(lib.Style.Name).c_str());
    lua_setfield(L, -2, "enums");
    return 1;
}

int TypeInfo(lua_State* L) {
    return Protect(L, [&] { return TypeInfoImpl(L); });
}

int ControlIndexImpl(lua_State* L) {
    if (lua_type(L, 2) != LUA_TSTRING) {
        lua_pushstring(L, "ctl: members are named by strings");
        return -1;
    }
    const std::string name = lua_tostring(L, 2);
    if (name == "on") {
        PushRegistryValue(L, &kHandlersKey);
        return 1;
    }
    static const std::map<std::string, lua_CFunction> helpers = {
        {"get", GetByName}, {"let", LetByName}, {"set", SetByName}, {"invoke", InvokeByNumber}, {"typeinfo", TypeInfo}};
    if (const auto it = helpers.find(name); it != helpers.end()) {
        lua_pushcfunction(L, it->second);
        return 1;
    }
    DispId id = 0;
    if (LookUp(L, name, id) < 0)
        return -1;
    const Control& ctl = StateOf(L).control;
    const auto* method = MemberRow(ctl, id, component::kMethod);
    const auto* getter = MemberRow(ctl, id, component::kPropertyGet);
    if (method || (getter && !getter->ParametersOf(component::kPropertyGet).empty())) {
        lua_pushinteger(L, id);
        lua_pushstring(L, name.c_str());
        lua_pushcclosure(L, MemberCall, 2);
        return 1;
    }
    lua_settop(L, 0);
    return InvokeFromLua(L, id, component::kPropertyGet, 1, "ctl." + name);
}

int ControlNewIndexImpl(lua_State* L) {
    if (lua_type(L, 2) != LUA_TSTRING) {
        lua_pushstring(L, "ctl: members are named by strings");
        return -1;
    }
    const std::string name = lua_tostring(L, 2);
    DispId id = 0;
    if (LookUp(L, name, id) < 0)
        return -1;
    const std::uint8_t kind = ToFont(L, 3) ? component::kPropertySet : component::kPropertyLet;
    lua_remove(L, 2);
    lua_remove(L, 1);
    return InvokeFromLua(L, id, kind, 1, "ctl." + name);
}
int ControlNewIndex(lua_State* L) {
    return Protect(L, [&] { return ControlNewIndexImpl(L); });
}

// ctl() reads the default member.
int ControlCallImpl(lua_State* L) {
    return InvokeFromLua(L, component::kDispIdValue, component::kPropertyGet, 2, "ctl()");
}
int ControlCall(lua_State* L) {
    return Protect(L, [&] { return ControlCallImpl(L); });
}

int ControlToString(lua_State* L) {
    return Protect(L, [&] {
        const std::string text =
            StateOf(L).options.ControlName + " (" + std::string(StateOf(L).control.TypeInfo().Class.ProgId) + ")";
        lua_pushlstring(L, text.data(), text.size());
        return 1;
    });
}

// --- fonts ----------------------------------------------------------------

// A font object the script still holds, or -1 with the error pushed.
const tk::FontRef* LiveFont(lua_State* L, const char* what) {
    const tk::FontRef* f = ToFont(L, 1);
    if (!f || !*f) {
        lua_pushfstring(L, "font.%s: not a font object (or one already released)", what);
        return nullptr;
    }
    return f;
}

int FontIndexImpl(lua_State* L) {
    const tk::FontRef* font = LiveFont(L, "get");
    if (!font)
        return -1;
    const tk::FontRef& f = *font;
    const std::string key = lua_type(L, 2) == LUA_TSTRING ? lua_tostring(L, 2) : "";
    if (key == "Name")
        lua_pushstring(L, f->Name.c_str());
    else if (key == "Size")
        lua_pushnumber(L, f->Size);
    else if (key == "Bold")
        lua_pushboolean(L, f->Bold);
    else if (key == "Italic")
        lua_pushboolean(L, f->Italic);
    else if (key == "Underline")
        lua_pushboolean(L, f->Underline);
    else if (key == "Strikethrough")
        lua_pushboolean(L, f->Strikethrough);
    else
        lua_pushnil(L);
    return 1;
}
int FontIndex(lua_State* L) {
    return Protect(L, [&] { return FontIndexImpl(L); });
}

// A font size Lua can hand over: finite and within a float's range.
bool FontSizeOk(lua_Number size) {
    return std::isfinite(size) && std::fabs(size) <= std::numeric_limits<float>::max();
}

int FontNewIndexImpl(lua_State* L) {
    tk::FontRef* f = ToFont(L, 1);
    const char* key = lua_type(L, 2) == LUA_TSTRING ? lua_tostring(L, 2) : nullptr;
    if (f && !*f) {
        lua_pushstring(L, "font: the font object was released");
        return -1;
    }
    if (!f || !key) {
        lua_pushstring(L, "font: fields are Name, Size, Bold, Italic, Underline, Strikethrough");
        return -1;
    }
    const std::string k = key;
    if (k == "Name" && lua_type(L, 3) == LUA_TSTRING)
        (*f)->Name = lua_tostring(L, 3);
    else if (k == "Size" && lua_type(L, 3) == LUA_TNUMBER && FontSizeOk(lua_tonumber(L, 3)))
        (*f)->Size = static_cast<float>(lua_tonumber(L, 3));
    else if (k == "Bold")
        (*f)->Bold = lua_toboolean(L, 3);
    else if (k == "Italic")
        (*f)->Italic = lua_toboolean(L, 3);
    else if (k == "Underline")
        (*f)->Underline = lua_toboolean(L, 3);
    else if (k == "Strikethrough")
        (*f)->Strikethrough = lua_toboolean(L, 3);
    else {
        lua_pushstring(L, ("font: cannot set " + k).c_str());
        return -1;
    }
    return 0;
}
int FontNewIndex(lua_State* L) {
    return Protect(L, [&] { return FontNewIndexImpl(L); });
}

// Releases the host's reference once: a second call (a script calling
// __gc through the debug library, then the collector) finds nothing, and
// a released font object is refused wherever it is used.
int FontGc(lua_State* L) {
    return Protect(L, [&] {
        if (tk::FontRef* f = ToFont(L, 1)) {
            StateOf(L).fonts.erase(f);
            f->~shared_ptr();
        }
        return 0;
    });
}

int FontToStringImpl(lua_State* L) {
    const tk::FontRef* f = LiveFont(L, "tostring");
    if (!f)
        return -1;
    const std::string text = component::ToDisplay(Variant(*f));
    lua_pushlstring(L, text.data(), text.size());
    return 1;
}
int FontToString(lua_State* L) {
    return Protect(L, [&] { return FontToStringImpl(L); });
}

// korvane.font{Name = "Arial", Size = 10, Bold = true}
// The field `key` of the table at 1, read raw: no metamethod of the
// script's runs inside the host's work.
int RawField(lua_State* L, const char* key) {
    lua_pushstring(L, key);
    return lua_rawget(L, 1);
}

int NewFontImpl(lua_State* L) {
    auto font = std::make_shared<tk::Font>();
    if (lua_istable(L, 1)) {
        if (RawField(L, "Name") == LUA_TSTRING)
            font->Name = lua_tostring(L, -1);
        if (RawField(L, "Size") == LUA_TNUMBER) {
            if (!FontSizeOk(lua_tonumber(L, -1))) {
                lua_pushstring(L, "korvane.font: Size is a finite number");
                return -1;
            }
            font->Size = static_cast<float>(lua_tonumber(L, -1));
        }
        RawField(L, "Bold");
        font->Bold = lua_toboolean(L, -1);
        RawField(L, "Italic");
        font->Italic = lua_toboolean(L, -1);
        RawField(L, "Underline");
        font->Underline = lua_toboolean(L, -1);
        RawField(L, "Strikethrough");
        font->Strikethrough = lua_toboolean(L, -1);
        lua_pop(L, 6);
    }
    PushFont(L, font);
    return 1;
}
int NewFont(lua_State* L) {
    return Protect(L, [&] { return NewFontImpl(L); });
}

// --- the desktop ----------------------------------------------------------------

tk::Widget* FindWidget(ScriptHost::State& state, const std::string& name) {
    const std::string prefix = state.options.FormName + "." + state.options.ControlName + ".";
    for (const std::string& path : {prefix + name, "Window." + name, name})
        if (tk::Widget* w = state.desktop.Find(path))
            return w;
    return nullptr;
}

std::optional<std::int16_t> KeyCode(std::string name) {
    static const std::map<std::string, std::int16_t> names = {
        {"back", tk::key::Back},     {"backspace", tk::key::Back},    {"tab", tk::key::Tab},
        {"return", tk::key::Return}, {"enter", tk::key::Return},      {"shift", tk::key::Shift},
        {"ctrl", tk::key::Control},  {"control", tk::key::Control},   {"alt", tk::key::Menu},
        {"escape", tk::key::Escape}, {"esc", tk::key::Escape},        {"space", tk::key::Space},
        {"pageup", tk::key::PageUp}, {"pagedown", tk::key::PageDown}, {"end", tk::key::End},
        {"home", tk::key::Home},     {"left", tk::key::Left},         {"up", tk::key::Up},
        {"right", tk::key::Right},   {"down", tk::key::Down},         {"delete", tk::key::Delete},
        {"f4", tk::key::F4},
    };
    for (char& c : name)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (const auto it = names.find(name); it != names.end())
        return it->second;
    if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0])))
        return static_cast<std::int16_t>(std::toupper(static_cast<unsigned char>(name[0])));
    return std::nullopt;
}

// Runs a gesture; toolkit errors and handler errors come back as -1 with
// the message pushed.
template <typename Fn>
int Gesture(lua_State* L, const char* what, Fn gesture) {
    auto& state = StateOf(L);
    try {
        gesture(state);
    } catch (const RuntimeError& e) {
        lua_pushstring(L, (std::string("desktop.") + what + ": run-time error " + std::to_string(e.Number()) + ": " +
                           e.Description())
                              .c_str());
        return -1;
    } catch (const std::exception& e) {
        lua_pushstring(L, (std::string("desktop.") + what + ": " + e.what()).c_str());
        return -1;
    }
    if (TakePendingError(L, std::string("desktop.") + what))
        return -1;
    return 0;
}

int NoWidget(lua_State* L, const char* what, const std::string& name) {
    lua_pushstring(L, (std::string("desktop.") + what + ": no widget \"" + name + "\"").c_str());
    return -1;
}

int ClickImpl(lua_State* L) {
    const std::string name = lua_isstring(L, 1) ? lua_tostring(L, 1) : "";
    tk::Widget* w = FindWidget(StateOf(L), name);
    if (!w)
        return NoWidget(L, "click", name);
    const bool at = lua_isnumber(L, 2) && lua_isnumber(L, 3);
    const float x = at ? static_cast<float>(lua_tonumber(L, 2)) : w->Width() / 2;
    const float y = at ? static_cast<float>(lua_tonumber(L, 3)) : w->Height() / 2;
    return Gesture(L, "click", [&](ScriptHost::State& s) { s.desktop.ClickAt(*w, x, y); });
}
int Click(lua_State* L) {
    return Protect(L, [&] { return ClickImpl(L); });
}

int MoveToImpl(lua_State* L) {
    const std::string name = lua_isstring(L, 1) ? lua_tostring(L, 1) : "";
    tk::Widget* w = FindWidget(StateOf(L), name);
    if (!w)
        return NoWidget(L, "moveTo", name);
    const bool at = lua_isnumber(L, 2) && lua_isnumber(L, 3);
    const float x = at ? static_cast<float>(lua_tonumber(L, 2)) : w->Width() / 2;
    const float y = at ? static_cast<float>(lua_tonumber(L, 3)) : w->Height() / 2;
    return Gesture(L, "moveTo", [&](ScriptHost::State& s) { s.desktop.MoveTo(*w, x, y); });
}
int MoveTo(lua_State* L) {
    return Protect(L, [&] { return MoveToImpl(L); });
}

int RowGestureImpl(lua_State* L, bool click) {
    const char* what = click ? "clickRow" : "moveToRow";
    const std::string name = lua_isstring(L, 1) ? lua_tostring(L, 1) : "";
    auto* list = dynamic_cast<tk::ListBox*>(FindWidget(StateOf(L), name));
    if (!list)
        return NoWidget(L, what, name + "\" that is a list");
    if (!lua_isinteger(L, 2)) {
        lua_pushstring(L, (std::string("desktop.") + what + ": the row is an integer").c_str());
        return -1;
    }
    const auto row = static_cast<std::int32_t>(lua_tointeger(L, 2));
    return Gesture(L, what, [&](ScriptHost::State& s) {
        if (click)
            s.desktop.ClickRow(*list, row);
        else
            s.desktop.MoveToRow(*list, row);
    });
}
int ClickRow(lua_State* L) {
    return Protect(L, [&] { return RowGestureImpl(L, true); });
}
int MoveToRow(lua_State* L) {
    return Protect(L, [&] { return RowGestureImpl(L, false); });
}

// desktop.keys("Down", "Alt+Down", 13, ...)
int KeysImpl(lua_State* L) {
    const int n = lua_gettop(L);
    std::vector<std::pair<std::int16_t, std::int16_t>> presses;
    for (int i = 1; i <= n; ++i) {
        if (lua_isinteger(L, i)) {
            presses.emplace_back(static_cast<std::int16_t>(lua_tointeger(L, i)), tk::shift::None);
            continue;
        }
        std::string keyName = lua_isstring(L, i) ? lua_tostring(L, i) : "";
        std::int16_t shift = tk::shift::None;
        for (std::size_t plus; (plus = keyName.find('+')) != std::string::npos && plus + 1 < keyName.size();) {
            const auto mod = KeyCode(keyName.substr(0, plus));
            if (mod == tk::key::Shift)
                shift |= tk::shift::Shift;
            else if (mod == tk::key::Control)
                shift |= tk::shift::Ctrl;
            else if (mod == tk::key::Menu)
                shift |= tk::shift::Alt;
            else
                break;
            keyName = keyName.substr(plus + 1);
        }
        const auto code = KeyCode(keyName);
        if (!code) {
            lua_pushstring(L, ("desktop.keys: unknown key \"" + keyName + "\"").c_str());
            return -1;
        }
        presses.emplace_back(*code, shift);
    }
    return Gesture(L, "keys", [&](ScriptHost::State& s) {
        for (const auto& [code, shift] : presses) {
            s.desktop.PressKey(code, shift);
            if (s.pendingError)
                break;
        }
    });
}
int Keys(lua_State* L) {
    return Protect(L, [&] { return KeysImpl(L); });
}

int KeyDownUpImpl(lua_State* L, bool down) {
    const auto code = lua_isinteger(L, 1) ? std::optional<std::int16_t>(static_cast<std::int16_t>(lua_tointeger(L, 1)))
                                          : KeyCode(lua_isstring(L, 1) ? lua_tostring(L, 1) : "");
    if (!code) {
        lua_pushstring(L, "desktop.keyDown/keyUp: unknown key");
        return -1;
    }
    return Gesture(L, down ? "keyDown" : "keyUp", [&](ScriptHost::State& s) {
        if (down)
            s.desktop.KeyDown(*code);
        else
            s.desktop.KeyUp(*code);
    });
}
int KeyDown(lua_State* L) {
    return Protect(L, [&] { return KeyDownUpImpl(L, true); });
}
int KeyUp(lua_State* L) {
    return Protect(L, [&] { return KeyDownUpImpl(L, false); });
}

int TypeImpl(lua_State* L) {
    const std::string text = lua_isstring(L, 1) ? lua_tostring(L, 1) : "";
    return Gesture(L, "type", [&](ScriptHost::State& s) { s.desktop.Type(text); });
}
int Type(lua_State* L) {
    return Protect(L, [&] { return TypeImpl(L); });
}

int TabImpl(lua_State* L) {
    const bool back = lua_toboolean(L, 1);
    return Gesture(L, "tab", [&](ScriptHost::State& s) { s.desktop.Tab(back); });
}
int Tab(lua_State* L) {
    return Protect(L, [&] { return TabImpl(L); });
}

int AdvanceImpl(lua_State* L) {
    if (!lua_isinteger(L, 1) || lua_tointeger(L, 1) < 0) {
        lua_pushstring(L, "desktop.advance: milliseconds, a whole number not below 0");
        return -1;
    }
    const auto ms = static_cast<std::int64_t>(lua_tointeger(L, 1));
    if (ms > std::numeric_limits<std::int64_t>::max() - StateOf(L).desktop.TickCount()) {
        lua_pushstring(L, ("desktop.advance: the clock stands at " + std::to_string(StateOf(L).desktop.TickCount()) +
                           " ms and cannot move that far")
                              .c_str());
        return -1;
    }
    // One timer tick at a time, so that the limits can end a clock moved
    // on without end (advance(math.maxinteger) with a timer running).
    return Gesture(L, "advance", [&](ScriptHost::State& s) {
        for (std::int64_t left = ms;;) {
            const std::int64_t now = s.desktop.TickCount();
            const auto next = s.desktop.NextTimerDue();
            const std::int64_t step = next && *next - now < left ? std::max<std::int64_t>(*next - now, 0) : left;
            s.desktop.Advance(step);
            left -= step;
            if (left == 0 || s.pendingError)
                break;
            s.instructions += kHookPeriod;
            if (s.CheckLimits())
                break;
        }
    });
}
int Advance(lua_State* L) {
    return Protect(L, [&] { return AdvanceImpl(L); });
}

// The focused widget's name ("txtCol1", "Window.lstCol1"), or nil.
int FocusImpl(lua_State* L) {
    auto& state = StateOf(L);
    const tk::Widget* w = state.desktop.FocusWidget();
    if (!w) {
        lua_pushnil(L);
        return 1;
    }
    std::string path = w->Name();
    for (const tk::Widget* p = w->Parent(); p; p = p->Parent())
        path = p->Name() + "." + path;
    const std::string prefix = state.options.FormName + "." + state.options.ControlName + ".";
    if (path.rfind(prefix, 0) == 0)
        path = path.substr(prefix.size());
    lua_pushstring(L, path.c_str());
    return 1;
}
int Focus(lua_State* L) {
    return Protect(L, [&] { return FocusImpl(L); });
}

int VisibleImpl(lua_State* L) {
    tk::Widget* w = FindWidget(StateOf(L), lua_isstring(L, 1) ? lua_tostring(L, 1) : "");
    if (!w)
        lua_pushnil(L);
    else
        lua_pushboolean(L, w->Visible());
    return 1;
}
int Visible(lua_State* L) {
    return Protect(L, [&] { return VisibleImpl(L); });
}

// host.save(path): saves the form with the control as a form file.
int SaveImpl(lua_State* L) {
    auto& state = StateOf(L);
    if (lua_type(L, 1) != LUA_TSTRING) {
        lua_pushstring(L, "host.save: the path of the form file");
        return -1;
    }
    const std::string why = state.options.SaveForm ? state.options.SaveForm(lua_tostring(L, 1)) : "not supported";
    if (!why.empty()) {
        lua_pushstring(L, ("host.save: " + why).c_str());
        return -1;
    }
    return 0;
}
int Save(lua_State* L) {
    return Protect(L, [&] { return SaveImpl(L); });
}

// The message boxes shown so far, as a list of their texts.
int MessagesImpl(lua_State* L) {
    const auto& boxes = StateOf(L).desktop.MessageBoxes();
    lua_createtable(L, static_cast<int>(boxes.size()), 0);
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        lua_pushstring(L, boxes[i].Prompt.c_str());
        lua_rawseti(L, -2, static_cast<lua_Integer>(i + 1));
    }
    return 1;
}
int Messages(lua_State* L) {
    return Protect(L, [&] { return MessagesImpl(L); });
}

int BeepsImpl(lua_State* L) {
    lua_pushinteger(L, StateOf(L).desktop.Beeps());
    return 1;
}
int Beeps(lua_State* L) {
    return Protect(L, [&] { return BeepsImpl(L); });
}

// desktop.onModal(function(formName) ... end): plays the user inside the
// next modal window (the About box, a modal drop-down).
int OnModalImpl(lua_State* L) {
    if (!lua_isfunction(L, 1)) {
        lua_pushstring(L, "desktop.onModal: a function that plays the user in the modal window");
        return -1;
    }
    auto& state = StateOf(L);
    const int slot = ++state.modalScripts;
    PushRegistryValue(L, &kModalKey);
    lua_pushvalue(L, 1);
    lua_rawseti(L, -2, slot);
    lua_pop(L, 1);
    ScriptHost::State* s = &state;
    state.desktop.OnModal([s, slot](tk::Form& modal) {
        lua_State* L = s->current ? s->current : s->L;
        if (s->pendingError || !lua_checkstack(L, 4))
            return;
        const int base = lua_gettop(L);
        PushRegistryValue(L, &kModalKey);
        if (lua_istable(L, -1))
            lua_rawgeti(L, -1, slot);
        if (!lua_isfunction(L, -1)) {
            lua_settop(L, base);
            return;
        }
        lua_pushstring(L, modal.Name().c_str());
        int rc = LUA_OK;
        {
            ScriptFrame frame(*s);
            rc = lua_pcall(L, 1, 0, 0);
        }
        if (rc != LUA_OK) {
            const char* message = lua_tostring(L, -1);
            s->pendingError = std::string("error in modal script: ") + (message ? message : "(no message)");
        }
        lua_settop(L, base);
    });
    return 0;
}
int OnModal(lua_State* L) {
    return Protect(L, [&] { return OnModalImpl(L); });
}

// Counts instructions and checks the time; a reached limit is raised as an
// error in the script, again at every check, so no pcall can swallow it
// for long.
void LimitHook(lua_State* L, lua_Debug*) {
    auto& state = StateOf(L);
    state.instructions += kHookPeriod;
    if (const auto& why = state.CheckLimits()) {
        // From now on every instruction fails, so that code running after
        // a pcall that caught the error cannot go on either.
        lua_sethook(L, LimitHook, LUA_MASKCOUNT, 1);
        luaL_error(L, "%s", why->c_str());
    }
}

// Lua's memory, counted; past the limit a script's allocation fails (Lua
// raises "not enough memory"), while the host's own work is never refused.
void* Allocate(void* ud, void* ptr, std::size_t oldSize, std::size_t newSize) {
    auto& state = *static_cast<ScriptHost::State*>(ud);
    const std::size_t old = ptr ? oldSize : 0;
    if (newSize == 0) {
        std::free(ptr);
        state.memory -= old;
        return nullptr;
    }
    const std::size_t limit = state.options.MemoryLimitBytes;
    if (limit && newSize > old && !state.inHost && state.memory - old + newSize > limit)
        return nullptr;
    void* grown = std::realloc(ptr, newSize);
    if (grown)
        state.memory = state.memory - old + newSize;
    return grown;
}

int Panic(lua_State* L) {
    const char* message = lua_tostring(L, -1);
    std::fprintf(stderr, "korvane-host: unprotected Lua error: %s\n", message ? message : "(no message)");
    std::abort();
}

// load(chunk, name, mode, env) with the mode fixed to text.
int TextOnlyLoad(lua_State* L) {
    lua_settop(L, 4);
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_pushvalue(L, 1);
    lua_pushvalue(L, 2);
    lua_pushliteral(L, "t");
    lua_pushvalue(L, 4);
    lua_call(L, 4, LUA_MULTRET);
    return lua_gettop(L) - 4;
}

// The libraries a sandboxed script gets: the language itself, text, tables,
// mathematics, coroutines and the clock; nothing that reaches files,
// programs, loaded code or the interpreter's insides.
void OpenSandbox(lua_State* L) {
    const luaL_Reg libraries[] = {{LUA_GNAME, luaopen_base},       {LUA_COLIBNAME, luaopen_coroutine},
                                  {LUA_TABLIBNAME, luaopen_table}, {LUA_STRLIBNAME, luaopen_string},
                                  {LUA_MATHLIBNAME, luaopen_math}, {LUA_UTF8LIBNAME, luaopen_utf8},
                                  {LUA_OSLIBNAME, luaopen_os}};
    for (const auto& lib : libraries) {
        luaL_requiref(L, lib.name, lib.func, 1);
        lua_pop(L, 1);
    }
    // load, for text only: precompiled chunks can break the interpreter.
    lua_getglobal(L, "load");
    lua_pushcclosure(L, TextOnlyLoad, 1);
    lua_setglobal(L, "load");
    // Base functions that read files.
    for (const char* name : {"dofile", "loadfile"}) {
        lua_pushnil(L);
        lua_setglobal(L, name);
    }
    lua_getglobal(L, LUA_OSLIBNAME);
    const int os = lua_gettop(L);
    lua_newtable(L);
    for (const char* name : {"clock", "date", "difftime", "time"}) {
        lua_getfield(L, os, name);
        lua_setfield(L, -2, name);
    }
    lua_setglobal(L, LUA_OSLIBNAME);
    lua_pop(L, 1);
}

}  // namespace

// Prints the event, then runs its handler: ctl.on.Name, else a global
// function ctl_Name, else <control name>_Name. A handler gets the arguments
// as values and may return new values for them, in order (nil keeps one).
void ScriptHost::State::Invoke(DispId event, std::span<Variant> args) {
    const component::EventInfo* info = nullptr;
    for (const auto& e : control.TypeInfo().Events)
        if (e.Number == event)
            info = &e;
    const std::string name = info ? std::string(info->Name) : "Event" + std::to_string(event);
    auto paramName = [&](std::size_t i) {
        return info && i < info->Parameters().size() ? std::string(info->Parameters()[i].Name)
                                                     : "arg" + std::to_string(i + 1);
    };
    if (options.PrintMouseMoves || event != event_id::MouseMove) {
        std::string line = "event " + name;
        if (!args.empty()) {
            line += "(";
            for (std::size_t i = 0; i < args.size(); ++i)
                line += (i ? ", " : "") + paramName(i) + "=" + component::ToDisplay(args[i]);
            line += ")";
        }
        std::printf("%s\n", line.c_str());
    }
    if (pendingError)
        return;  // the script is stopping; no more handlers run
    if (handlerDepth >= kMaxHandlerDepth) {
        pendingError = "event handlers nested more than " + std::to_string(kMaxHandlerDepth) +
                       " deep (a handler that causes its own event again and again)";
        return;
    }

    // Only raw reads and the protected call below: no metamethod a script
    // set runs here, with the control's frames below this one.
    lua_State* T = current ? current : L;
    if (!lua_checkstack(T, static_cast<int>(args.size()) + 8)) {
        pendingError = "no room on the Lua stack for event " + name;
        return;
    }
    const int base = lua_gettop(T);
    std::string handlerName = "ctl.on." + name;
    PushRegistryValue(T, &kHandlersKey);
    if (lua_istable(T, -1)) {
        lua_pushlstring(T, name.data(), name.size());
        lua_rawget(T, -2);
    } else {
        lua_pushnil(T);
    }
    lua_remove(T, -2);
    for (const std::string& global : {"ctl_" + name, options.ControlName + "_" + name}) {
        if (lua_isfunction(T, -1))
            break;
        lua_pop(T, 1);
        lua_rawgeti(T, LUA_REGISTRYINDEX, LUA_RIDX_GLOBALS);
        if (lua_istable(T, -1)) {
            lua_pushlstring(T, global.data(), global.size());
            lua_rawget(T, -2);
        } else {
            lua_pushnil(T);
        }
        lua_remove(T, -2);
        handlerName = global;
    }
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
        lua_settop(T, base);
        return;
    }
    for (int i = 0; i < n; ++i) {
        const int index = base + 1 + i;
        if (lua_isnil(T, index))
            continue;
        Variant v;
        std::string why;
        if (!ToVariant(T, index, v, why)) {
            pendingError = "error in event handler " + handlerName + ": " + paramName(i) + ": " + why;
            break;
        }
        if (v != args[i]) {
            std::printf("  %s set %s=%s\n", handlerName.c_str(), paramName(i).c_str(), component::ToDisplay(v).c_str());
            args[i] = std::move(v);
        }
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

    // The handler table and the modal scripts; the handler table's
    // metatable is hidden from getmetatable and cannot be replaced.
    lua_newtable(L);
    lua_createtable(L, 0, 2);
    lua_pushcfunction(L, HandlerNewIndex);
    lua_setfield(L, -2, "__newindex");
    lua_pushboolean(L, 0);
    lua_setfield(L, -2, "__metatable");
    lua_setmetatable(L, -2);
    lua_rawsetp(L, LUA_REGISTRYINDEX, &kHandlersKey);
    lua_newtable(L);
    lua_rawsetp(L, LUA_REGISTRYINDEX, &kModalKey);

    lua_newtable(L);
    const luaL_Reg controlMeta[] = {{"__index", ControlIndex},
                                    {"__newindex", ControlNewIndex},
                                    {"__call", ControlCall},
                                    {"__tostring", ControlToString},
                                    {nullptr, nullptr}};
    luaL_setfuncs(L, controlMeta, 0);
    lua_pushboolean(L, 0);
    lua_setfield(L, -2, "__metatable");
    lua_rawsetp(L, LUA_REGISTRYINDEX, &kControlMeta);
    lua_newtable(L);
    const luaL_Reg fontMeta[] = {{"__index", FontIndex},
                                 {"__newindex", FontNewIndex},
                                 {"__gc", FontGc},
                                 {"__tostring", FontToString},
                                 {nullptr, nullptr}};
    luaL_setfuncs(L, fontMeta, 0);
    lua_pushboolean(L, 0);
    lua_setfield(L, -2, "__metatable");
    lua_rawsetp(L, LUA_REGISTRYINDEX, &kFontMeta);

    state.controlObject = lua_newuserdatauv(L, 1, 0);
    PushRegistryValue(L, &kControlMeta);
    lua_setmetatable(L, -2);
    lua_setglobal(L, "ctl");

    const luaL_Reg desktopFns[] = {
        {"click", Click},       {"moveTo", MoveTo},   {"clickRow", ClickRow}, {"moveToRow", MoveToRow},
        {"keys", Keys},         {"keyDown", KeyDown}, {"keyUp", KeyUp},       {"type", Type},
        {"tab", Tab},           {"advance", Advance}, {"focus", Focus},       {"visible", Visible},
        {"messages", Messages}, {"beeps", Beeps},     {"onModal", OnModal},   {nullptr, nullptr}};
    luaL_newlib(L, desktopFns);
    lua_setglobal(L, "desktop");

    const luaL_Reg korvaneFns[] = {{"font", NewFont}, {nullptr, nullptr}};
    luaL_newlib(L, korvaneFns);
    lua_setglobal(L, "korvane");

    const luaL_Reg hostFns[] = {{"save", Save}, {nullptr, nullptr}};
    luaL_newlib(L, hostFns);
    lua_pushboolean(L, !state.options.UserMode);
    lua_setfield(L, -2, "design");
    lua_setglobal(L, "host");

    if (state.options.InstructionLimit || state.options.TimeLimitMs)
        lua_sethook(L, LimitHook, LUA_MASKCOUNT, kHookPeriod);
    state.inHost = false;
    control.Advise(&state);
}

ScriptHost::~ScriptHost() {
    state_->control.Advise(nullptr);
    // The host's references in font objects go first: a script may have
    // left some without their finalizer (the debug library can take a
    // metatable away), and Lua frees their memory without asking.
    for (const void* font : state_->fonts)
        static_cast<tk::FontRef*>(const_cast<void*>(font))->~shared_ptr();
    state_->fonts.clear();
    lua_close(state_->L);
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
    if (state_->options.TimeLimitMs)
        state_->deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(state_->options.TimeLimitMs);
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

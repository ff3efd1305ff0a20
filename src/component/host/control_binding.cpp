// `ctl` in a script: the control's properties and methods by name through
// the late-bound interface only, ctl:get/let/set/invoke, ctl:typeinfo() and
// the handler table ctl.on, which takes only the control's events.
#include <map>
#include <span>
#include <string>
#include <vector>

#include "component/host/script_state.h"

namespace korvane::host::detail {

namespace {

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

}  // namespace

void InstallControl(lua_State* L) {
    // The handler table; its metatable is hidden from getmetatable and
    // cannot be replaced.
    lua_newtable(L);
    lua_createtable(L, 0, 2);
    lua_pushcfunction(L, HandlerNewIndex);
    lua_setfield(L, -2, "__newindex");
    lua_pushboolean(L, 0);
    lua_setfield(L, -2, "__metatable");
    lua_setmetatable(L, -2);
    lua_rawsetp(L, LUA_REGISTRYINDEX, &kHandlersKey);

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

    StateOf(L).controlObject = lua_newuserdatauv(L, 1, 0);
    PushRegistryValue(L, &kControlMeta);
    lua_setmetatable(L, -2);
    lua_setglobal(L, "ctl");
}

}  // namespace korvane::host::detail

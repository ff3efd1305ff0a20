// Values between Lua and the control: variants, font objects, error texts,
// and the registry keys of script_state.h.
#include <new>

#include "component/host/script_state.h"

namespace korvane::host::detail {

const char kControlMeta = 0;
const char kFontMeta = 0;
const char kHandlersKey = 0;
const char kModalKey = 0;

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

int Finish(lua_State* L, int n) {
    if (n >= 0)
        return n;
    luaL_where(L, 1);
    lua_insert(L, -2);
    lua_concat(L, 2);
    return lua_error(L);
}

}  // namespace korvane::host::detail

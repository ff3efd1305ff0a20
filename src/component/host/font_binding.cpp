// Font objects in a script: korvane.font{...}, their fields, and their
// release. A font object is recognised by the host's list of live ones, so
// a released or forged one is refused wherever it is used.
#include <cmath>
#include <limits>
#include <memory>
#include <string>

#include "component/host/script_state.h"

namespace korvane::host::detail {

namespace {

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

}  // namespace

void InstallFonts(lua_State* L) {
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

    const luaL_Reg korvaneFns[] = {{"font", NewFont}, {nullptr, nullptr}};
    luaL_newlib(L, korvaneFns);
    lua_setglobal(L, "korvane");
}

}  // namespace korvane::host::detail

// The limits that end a runaway script (instructions, time, memory), the
// last word on an unprotected Lua error, and the libraries a sandboxed
// script gets.
#include <cstdio>
#include <cstdlib>

#include "component/host/script_state.h"

namespace korvane::host::detail {

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

namespace {

// load(chunk, name, mode, env) with the mode fixed to text. The
// environment is passed on only when the script gave one (nil included):
// a chunk loaded without one gets the globals, as with Lua's own load.
int TextOnlyLoad(lua_State* L) {
    const bool withEnvironment = lua_gettop(L) >= 4;
    lua_settop(L, 4);
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_pushvalue(L, 1);
    lua_pushvalue(L, 2);
    lua_pushliteral(L, "t");
    if (withEnvironment)
        lua_pushvalue(L, 4);
    lua_call(L, withEnvironment ? 4 : 3, LUA_MULTRET);
    return lua_gettop(L) - 4;
}

}  // namespace

// The libraries a sandboxed script gets: the language itself, text, tables,
// mathematics, coroutines and the clock; nothing that reaches files,
// programs, loaded code or the interpreter's insides.
namespace {

// A sandboxed script's finalizer, run in a coroutine of its own. Lua runs
// no hooks in a finalizer itself, but a coroutine made there runs the count
// hook it inherits, so the instruction and time limits reach the
// finalizer's code. Lua makes only a warning of a finalizer's error: a
// limit reached in one still ends the script, at its next instruction, or
// at once when the script is already done.
int GuardedFinalizer(lua_State* L) {
    lua_State* co = lua_newthread(L);
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_pushvalue(L, 1);
    lua_xmove(L, co, 2);
    int results = 0;
    const int status = lua_resume(co, L, 1, &results);
    if (status == LUA_OK || status == LUA_YIELD)
        return 0;
    auto& state = StateOf(L);
    if (const auto& why = state.CheckLimits()) {
        if (state.closing)
            Watchdog::EndNow(*why);
        else
            lua_sethook(state.L, LimitHook, LUA_MASKCOUNT, 1);
    }
    lua_xmove(co, L, 1);
    return lua_error(L);
}

// setmetatable, with a finalizer in the metatable run as above. A metatable
// marks its object for finalization only through a __gc it has when it is
// set, so that is where the finalizer is wrapped.
int GuardedSetMetatable(lua_State* L) {
    if (lua_type(L, 2) == LUA_TTABLE && lua_getfield(L, 2, "__gc") == LUA_TFUNCTION &&
        lua_tocfunction(L, -1) != GuardedFinalizer) {
        lua_pushcclosure(L, GuardedFinalizer, 1);
        lua_setfield(L, 2, "__gc");
    }
    lua_settop(L, 2);
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_insert(L, 1);
    lua_call(L, 2, 1);
    return 1;
}

}  // namespace

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
    lua_getglobal(L, "setmetatable");
    lua_pushcclosure(L, GuardedSetMetatable, 1);
    lua_setglobal(L, "setmetatable");
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

}  // namespace korvane::host::detail

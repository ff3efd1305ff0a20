// `desktop` and `host` in a script: the user's hands on the headless
// desktop (clicks, keys, typing, the clock), what the user was shown
// (message boxes, beeps), scripts for modal windows, and saving the form.
#include <cctype>
#include <map>
#include <optional>
#include <string>

#include "component/host/script_state.h"
#include "korvane/errors.h"

namespace korvane::host::detail {

namespace {

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

}  // namespace

void InstallDesktop(lua_State* L) {
    lua_newtable(L);
    lua_rawsetp(L, LUA_REGISTRYINDEX, &kModalKey);

    const luaL_Reg desktopFns[] = {
        {"click", Click},       {"moveTo", MoveTo},   {"clickRow", ClickRow}, {"moveToRow", MoveToRow},
        {"keys", Keys},         {"keyDown", KeyDown}, {"keyUp", KeyUp},       {"type", Type},
        {"tab", Tab},           {"advance", Advance}, {"focus", Focus},       {"visible", Visible},
        {"messages", Messages}, {"beeps", Beeps},     {"onModal", OnModal},   {nullptr, nullptr}};
    luaL_newlib(L, desktopFns);
    lua_setglobal(L, "desktop");

    const luaL_Reg hostFns[] = {{"save", Save}, {nullptr, nullptr}};
    luaL_newlib(L, hostFns);
    lua_pushboolean(L, !StateOf(L).options.UserMode);
    lua_setfield(L, -2, "design");
    lua_setglobal(L, "host");
}

}  // namespace korvane::host::detail

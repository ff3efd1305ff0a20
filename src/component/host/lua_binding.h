// The Lua side of korvane-host: a script sees the control as `ctl`, whose
// properties and methods it reaches by name through the late-bound
// interface only, the user's hands as `desktop`, and writes event handlers
// as Lua functions. Every event the host receives is printed with its
// arguments.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "korvane/component/dispatch.h"
#include "korvane/toolkit/headless.h"

namespace korvane::host {

struct ScriptOptions {
    std::string ControlName = "KorvaneBox1";
    std::string FormName = "Form1";
    bool PrintMouseMoves = true;
    bool UserMode = true;
    // Saves the form with the control to a form file; returns "" or why not.
    std::function<std::string(const std::string& path)> SaveForm;
    // Only the libraries that do not reach the system: no io, no os but
    // its clock, no package or require, no debug, no dofile or loadfile,
    // and load for text only.
    bool Sandbox = false;
    // Limits that end a runaway script with an error (0: none). Lua
    // instructions are counted (a timer tick of desktop.advance counts as
    // 1000) and the time is checked every 1000 of them. Where no count
    // hook runs (finalizers, the message handler of the limit's own error,
    // a single long library call) the watchdog ends the process, at the
    // time limit plus kLimitMargin or kLimitMargin after a limit was
    // reached (watchdog.h).
    std::uint64_t InstructionLimit = 0;
    std::uint64_t TimeLimitMs = 0;
    // Memory the script's Lua values may take; past it an allocation fails
    // with Lua's "not enough memory". Rows the script adds to the control
    // are the control's memory and are not counted.
    std::size_t MemoryLimitBytes = std::size_t{1} << 30;
};

class ScriptHost {
public:
    ScriptHost(component::Control& control, tk::headless::HeadlessDesktop& desktop, ScriptOptions options);
    ~ScriptHost();
    ScriptHost(const ScriptHost&) = delete;
    ScriptHost& operator=(const ScriptHost&) = delete;

    // Runs the script with `args` as its `arg` table. False when it failed;
    // the error has then been printed to stderr.
    bool Run(const std::string& file, const std::vector<std::string>& args);

    struct State;

private:
    std::unique_ptr<State> state_;
};

}  // namespace korvane::host

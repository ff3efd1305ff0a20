// Scope guards for the control's re-entrancy flags, and the busy flag that
// all controls on one desktop share.
//
// Flags are set by a guard and put back when the guard leaves its scope, so
// an exception from a widget or a host handler never leaves one set.
#pragma once

#include <utility>

namespace korvane::tk {
class Desktop;
}

namespace korvane::detail {

// Runs a callable when the scope ends, however it ends.
template <typename F>
class ScopeExit {
public:
    explicit ScopeExit(F f) : f_(std::move(f)) {}
    ~ScopeExit() { f_(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    F f_;
};

// Sets `flag` to `value` for the scope and restores what it held before.
class FlagGuard {
public:
    FlagGuard(bool& flag, bool value = true) : flag_(flag), previous_(flag) { flag_ = value; }
    ~FlagGuard() { flag_ = previous_; }
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;

private:
    bool& flag_;
    bool previous_;
};

// g_Busy: set while a control rearranges itself or moves list selections
// itself, so that the resize and list handlers of every control on the same
// desktop (one user-interface thread) skip their work. Each desktop has its
// own flag, so two desktops in one process do not see each other's.
bool& g_Busy(const tk::Desktop& desktop);

}  // namespace korvane::detail

// Scope guards for the control's re-entrancy flags, and the busy flag that
// all controls on one desktop share.
//
// Flags are set by a guard and put back when the guard leaves its scope, so
// an exception from a widget or a host handler never leaves one set.
#pragma once

#include <cmath>
#include <cstdint>
#include <exception>
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

// Runs one step of a handler that goes on after a failing step: the
// layout, the reading of saved properties and the drop-down's opening skip
// what a widget refuses and carry on.
template <typename F>
bool ContinueOnError(F&& f) {
    try {
        f();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// Rounds to the nearest whole number, halves to even, as twips are rounded
// everywhere; values beyond 32 bits are held at its ends, and what is not a
// number gives 0.
inline std::int32_t RoundHalfEven(double value) {
    if (!std::isfinite(value))
        return 0;
    const double r = std::nearbyint(value);
    if (r > 2147483647.0)
        return 2147483647;
    if (r < -2147483648.0)
        return -2147483647 - 1;
    return static_cast<std::int32_t>(r);
}

// g_Busy: set while a control rearranges itself or moves list selections
// itself, so that the resize and list handlers of every control on the same
// desktop (one user-interface thread) skip their work. Each desktop has its
// own flag, so two desktops in one process do not see each other's.
bool& g_Busy(const tk::Desktop& desktop);

}  // namespace korvane::detail

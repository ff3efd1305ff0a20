// The watchdog: the last word on korvane-host's limits. Lua runs some code
// with its hooks off (finalizers, and the message handler of an error
// raised in a hook, which is where a limit's error is raised), so no count
// hook can stop an endless loop there. A thread of the host ends the
// process with the limit's message once a script runs on past its time
// limit, or past a margin after any limit was reached.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace korvane::host {

// How long a script may go on once a limit is reached (or, with a time
// limit, past it) before the watchdog ends the process: the count hook
// stops it long before wherever hooks run; the margin is for code they
// cannot reach, and for the host's own work of ending the script.
inline constexpr std::chrono::milliseconds kLimitMargin{1000};

class Watchdog {
public:
    using Clock = std::chrono::steady_clock;

    Watchdog() = default;
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    // Starts the thread, before the script runs: Arm is called from Lua's
    // hook, where no thread may be created (an exception there would cross
    // Lua's frames).
    void Start();
    // Ends the process at `when` (the message on stderr, exit status 1)
    // unless Stop comes first. Of several times the earliest holds.
    // Without Start, nothing happens.
    void Arm(Clock::time_point when, const std::string& message) noexcept;
    // The script and everything it left behind are done.
    void Stop();
    // Ends the process now, as a watchdog that went off does: `message` on
    // standard error and exit status 1.
    [[noreturn]] static void EndNow(const std::string& message);

private:
    void Watch();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::thread thread_;
    Clock::time_point when_ = Clock::time_point::max();
    std::string message_;
    bool stopped_ = false;
};

}  // namespace korvane::host

// The watchdog thread (see watchdog.h). Ending the process from another
// thread: the message goes straight to the descriptor, what the script
// printed is flushed only when no other thread is writing it, and _exit
// runs no destructor that the script's thread might be using.
#include "component/host/watchdog.h"

#include <unistd.h>

#include <cstdio>

namespace korvane::host {

namespace {

[[noreturn]] void EndProcess(const std::string& message) {
    if (::ftrylockfile(stdout) == 0) {
        std::fflush(stdout);
        ::funlockfile(stdout);
    }
    const std::string line = "korvane-host: " + message + "\n";
    std::size_t done = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(STDERR_FILENO, line.data() + done, line.size() - done);
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    ::_exit(1);
}

}  // namespace

void Watchdog::EndNow(const std::string& message) {
    EndProcess(message);
}

Watchdog::~Watchdog() {
    Stop();
}

void Watchdog::Start() {
    std::lock_guard lock(mutex_);
    if (!thread_.joinable() && !stopped_)
        thread_ = std::thread([this] { Watch(); });
}

void Watchdog::Arm(Clock::time_point when, const std::string& message) noexcept {
    std::lock_guard lock(mutex_);
    if (stopped_ || when >= when_)
        return;
    when_ = when;
    message_ = message;
    wake_.notify_all();
}

void Watchdog::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopped_ = true;
        wake_.notify_all();
    }
    if (thread_.joinable())
        thread_.join();
}

void Watchdog::Watch() {
    std::unique_lock lock(mutex_);
    while (!stopped_) {
        if (Clock::now() >= when_)
            EndProcess(message_);
        if (when_ == Clock::time_point::max())
            wake_.wait(lock);  // not armed: no far-off time to wait for
        else
            wake_.wait_until(lock, when_);
    }
}

}  // namespace korvane::host

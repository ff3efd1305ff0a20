// The desktop's one clock: the schedule of all its timer widgets and the
// one Qt timer that wakes for the earliest of them. A tick that comes due
// runs the timer's handler and puts the timer back one interval later
// (after its last due time, as a precise Qt timer keeps its pace; ticks
// missed while the event loop was busy are dropped, not made up). A manual
// clock has no Qt timer: Advance moves it and runs the ticks in order.
#include "clock.h"

#include <QTimerEvent>
#include <algorithm>
#include <exception>
#include <vector>

namespace korvane::tk::qt {

namespace {
// A tick (or a manual step) in progress, counted while it is on the stack,
// also when a handler throws.
struct Ticking {
    int& depth;
    explicit Ticking(int& d) : depth(d) { ++depth; }
    ~Ticking() { --depth; }
    Ticking(const Ticking&) = delete;
    Ticking& operator=(const Ticking&) = delete;
};
}  // namespace

Clock::Clock(std::function<void(std::uint64_t)> fire, bool manual) : fire_(std::move(fire)), manual_(manual) {
    since_.start();
}

void Clock::Insert(std::uint64_t id, Entry entry) {
    entries_[id] = entry;
    byDue_.emplace(entry.due, id);
}

void Clock::Schedule(std::uint64_t id, std::int32_t intervalMs) {
    Cancel(id);
    if (stopped_)
        return;
    Insert(id, Entry{Now() + std::max<std::int32_t>(intervalMs, 0), intervalMs});
    Rearm();
}

// The Qt timer is left as it is: waking for nothing costs one look at the
// schedule, restarting it on every cancel would cost more.
void Clock::Cancel(std::uint64_t id) {
    auto it = entries_.find(id);
    if (it == entries_.end())
        return;
    byDue_.erase({it->second.due, id});
    entries_.erase(it);
}

void Clock::Stop() {
    stopped_ = true;
    wake_.stop();
    entries_.clear();
    byDue_.clear();
    if (ticking_ > 0) {
        deleteLater();
    } else {
        delete this;
    }
}

// Wakes for the earliest due timer; an earlier wake already set is kept.
void Clock::Rearm() {
    if (manual_)
        return;
    if (byDue_.empty()) {
        wake_.stop();
        wakeAt_ = -1;
        return;
    }
    const std::int64_t first = byDue_.begin()->first;
    if (wake_.isActive() && wakeAt_ <= first)
        return;
    const std::int64_t wait = std::max<std::int64_t>(first - Now(), 0);
    wake_.start(static_cast<int>(std::min<std::int64_t>(wait, 1 << 30)), Qt::PreciseTimer, this);
    wakeAt_ = first;
}

// The whole step counts as a tick in progress, so a Stop on the way
// leaves the deletion until the step is over.
void Clock::Advance(std::int64_t ms, const std::function<void()>& afterTick) {
    const std::int64_t end = manualNow_ + ms;
    const Ticking stepping(ticking_);
    while (!stopped_ && !byDue_.empty() && byDue_.begin()->first <= end) {
        manualNow_ = std::max(manualNow_, byDue_.begin()->first);
        RunDue();
        if (stopped_)
            return;
        afterTick();
    }
    if (!stopped_)
        manualNow_ = end;
}

void Clock::timerEvent(QTimerEvent* event) {
    if (event->timerId() != wake_.timerId())
        return QObject::timerEvent(event);
    wake_.stop();
    wakeAt_ = -1;
    RunDue();
    if (!stopped_)
        Rearm();
}

// The timers due now are taken, in due order, before any handler runs: a
// handler may add, move or remove timers, and a timer it stops or moves
// does not tick now. A tick may run inside another (in a nested event
// loop); each takes only the timers due when it began. Nothing a handler
// throws leaves the tick.
void Clock::RunDue() {
    const Ticking ticking(ticking_);
    const std::int64_t now = Now();
    std::vector<std::pair<std::uint64_t, std::int64_t>> ready;  // id, the due time it ticks for
    while (!byDue_.empty() && byDue_.begin()->first <= now) {
        const auto [due, id] = *byDue_.begin();
        byDue_.erase(byDue_.begin());
        Entry& entry = entries_.at(id);
        std::int64_t next = due + std::max<std::int32_t>(entry.interval, 1);
        if (next <= now)
            next = now + std::max<std::int32_t>(entry.interval, 1);
        entry.due = next;
        byDue_.emplace(next, id);
        ready.emplace_back(id, next);
    }
    // A handler may run a nested event loop (a message box): the other
    // timers go on ticking in it.
    Rearm();
    for (const auto& [id, next] : ready) {
        if (stopped_)
            return;
        auto it = entries_.find(id);
        if (it == entries_.end() || it->second.due != next)
            continue;  // stopped or restarted by an earlier handler
        try {
            fire_(id);
        } catch (...) {
            // A tick runs in the event loop, where nobody could take an error.
        }
    }
}

}  // namespace korvane::tk::qt

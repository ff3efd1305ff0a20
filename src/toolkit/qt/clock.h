// The desktop's one clock (see clock.cpp): every timer widget of a desktop
// is an entry in one schedule, ordered by when it is due, and one Qt timer
// wakes the desktop for the earliest. However many controls run their
// focus watchers, the event loop waits on one timer of ours. A manual
// clock (for tests and scripted sessions) never looks at real time: it
// stands still until Advance moves it.
#pragma once

#include <QBasicTimer>
#include <QElapsedTimer>
#include <QObject>
#include <cstdint>
#include <functional>
#include <set>
#include <unordered_map>
#include <utility>

namespace korvane::tk::qt {

class Clock final : public QObject {
public:
    // `fire(id)` runs the tick of timer `id`; it may add, move or remove
    // any timer, and may end the clock (Stop) on the way.
    Clock(std::function<void(std::uint64_t id)> fire, bool manual);

    // Timer `id` ticks every `intervalMs` from now on (again from now when
    // it was already scheduled).
    void Schedule(std::uint64_t id, std::int32_t intervalMs);
    void Cancel(std::uint64_t id);
    bool Scheduled(std::uint64_t id) const { return entries_.count(id) != 0; }
    std::size_t Size() const { return entries_.size(); }
    // The desktop is going: no tick runs any more. A clock whose tick is
    // on the stack is deleted once that tick has returned.
    void Stop();
    // The clock's time in milliseconds: real time since it was made, or
    // the manual clock's reading.
    std::int64_t Now() const { return manual_ ? manualNow_ : since_.elapsed(); }
    bool Manual() const { return manual_; }
    // Moves a manual clock on by `ms`: each due timer ticks at each of its
    // due times, in time order, with the clock standing at the tick;
    // `afterTick` runs after every tick. The clock may be stopped on the
    // way (it is then deleted once Advance has returned).
    void Advance(std::int64_t ms, const std::function<void()>& afterTick);

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    struct Entry {
        std::int64_t due = 0;
        std::int32_t interval = 0;
    };
    void Insert(std::uint64_t id, Entry entry);
    void Rearm();
    void RunDue();

    std::function<void(std::uint64_t)> fire_;
    QElapsedTimer since_;
    QBasicTimer wake_;
    std::int64_t wakeAt_ = -1;  // when the Qt timer wakes us; -1 when it is off
    std::set<std::pair<std::int64_t, std::uint64_t>> byDue_;
    std::unordered_map<std::uint64_t, Entry> entries_;
    int ticking_ = 0;
    bool stopped_ = false;
    bool manual_ = false;
    std::int64_t manualNow_ = 0;
};

}  // namespace korvane::tk::qt

// The desktop's one clock (see clock.cpp): every timer widget of a desktop
// is an entry in one schedule, ordered by when it is due, and one Qt timer
// wakes the desktop for the earliest. However many controls run their
// focus watchers, the event loop waits on one timer of ours.
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
    explicit Clock(std::function<void(std::uint64_t id)> fire);

    // Timer `id` ticks every `intervalMs` from now on (again from now when
    // it was already scheduled).
    void Schedule(std::uint64_t id, std::int32_t intervalMs);
    void Cancel(std::uint64_t id);
    bool Scheduled(std::uint64_t id) const { return entries_.count(id) != 0; }
    std::size_t Size() const { return entries_.size(); }
    // The desktop is going: no tick runs any more. A clock whose tick is
    // on the stack is deleted once that tick has returned.
    void Stop();

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    struct Entry {
        std::int64_t due = 0;
        std::int32_t interval = 0;
    };
    std::int64_t Now() const { return since_.elapsed(); }
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
};

}  // namespace korvane::tk::qt

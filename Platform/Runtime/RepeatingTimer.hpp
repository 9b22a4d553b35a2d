#pragma once

#include "Platform/Runtime/Date.hpp"

#include <functional>
#include <memory>

namespace tvk {

/// A timer on the main context that fires first at `firstFireDate` and then every `interval`
/// seconds, until it is invalidated or destroyed.
///
/// Fire dates follow the process clock and stay on the grid of `firstFireDate` plus whole
/// intervals (no drift). The timer keeps to that clock when it jumps:
/// - fires that were missed (the machine slept, the clock was set forward) coalesce into one,
///   at once, and the next fire is the next point of the grid ahead;
/// - when the clock is set back, the timer re-arms at once for the next point of the grid
///   ahead of the new time instead of waiting for the clock to catch up.
/// Steps of the system clock are seen as the kernel reports them; steps of a pinned process
/// clock (`ProcessClock::changedNotification`) likewise, once the main queue runs.
///
/// Not copyable; create, fire and invalidate it on the main thread.
class RepeatingTimer {
public:
    RepeatingTimer(Date firstFireDate, TimeInterval interval, std::function<void()> action);
    ~RepeatingTimer();
    RepeatingTimer(const RepeatingTimer&) = delete;
    RepeatingTimer& operator=(const RepeatingTimer&) = delete;

    /// The date at which the timer fires next.
    Date fireDate() const;
    TimeInterval interval() const;
    bool isValid() const;

    /// Runs the action now, as if the timer had fired, without changing the schedule.
    void fire();
    void invalidate();

private:
    struct State;
    std::shared_ptr<State> m_state;
};

}

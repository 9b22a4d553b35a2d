#pragma once

#include "Platform/Runtime/Date.hpp"

#include <functional>
#include <memory>

namespace tvk {

/// A timer on the main context that fires first at `firstFireDate` and then every `interval`
/// seconds, until it is invalidated or destroyed.
///
/// Fire dates follow the process clock: the delay to the next fire date is measured against
/// `Date::now()` when the timer is armed, and each later fire date is the previous one plus
/// the interval (no drift). A fire date that has already passed fires at the next iteration
/// of the main context. Not copyable; create, fire and invalidate it on the main thread.
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

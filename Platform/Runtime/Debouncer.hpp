#pragma once

#include <chrono>
#include <functional>
#include <memory>

namespace tvk {

/// Runs an action once after a burst of triggers: `trigger` (from any thread) starts the wait
/// again, and the action runs on the main context when `delay` has passed without another
/// trigger. Destroying the debouncer drops a wait that is still running.
class Debouncer {
public:
    Debouncer(std::chrono::milliseconds delay, std::function<void()> action);
    ~Debouncer();
    Debouncer(const Debouncer&) = delete;
    Debouncer& operator=(const Debouncer&) = delete;

    void trigger();
    /// Whether a wait is running: the action is still to come.
    bool isPending() const;

private:
    struct State;
    std::shared_ptr<State> m_state;
};

}

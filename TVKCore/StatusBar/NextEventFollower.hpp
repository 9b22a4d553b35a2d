#pragma once

#include "Platform/Runtime/NotificationCenter.hpp"
#include "Platform/Runtime/RepeatingTimer.hpp"
#include "TVKCore/StatusBar/NextEventStatus.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tvk {

/// Keeps a status bar's line current: hands `NextEventStatus` to its sink at once and then
/// each time it changes, and only then. It wakes at the instant the status changes next
/// (`NextEventStatus::nextChange`) and after each reload of the event lists
/// ("DidReloadEvents": a calendar changed, the minute timer); a wake-up that finds the status
/// unchanged hands nothing on. The clock it follows is the process clock: a step of it
/// (resume after sleep, a pinned clock moved) re-arms the wake-up.
///
/// Holds one status and one timer, whatever the run time. Create, use and destroy it on the
/// main thread.
class NextEventFollower {
public:
    /// The lists of the last reload, going on and coming up.
    using Events = std::function<std::vector<Event>()>;
    using Sink = std::function<void(const NextEventStatus&)>;

    NextEventFollower(Events events, Sink sink);
    ~NextEventFollower();
    NextEventFollower(const NextEventFollower&) = delete;
    NextEventFollower& operator=(const NextEventFollower&) = delete;

    /// When it wakes next, unless a reload comes first.
    std::optional<Date> nextWakeUp() const;
    /// Reads the lists and the clock again, hands on a changed status, re-arms.
    void refresh();

private:
    Events m_events;
    Sink m_sink;
    std::optional<NextEventStatus> m_last;
    std::unique_ptr<RepeatingTimer> m_timer;
    ObserverToken m_reloadObserver;
    /// Expires with the follower: a wake-up queued before then does nothing.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

}

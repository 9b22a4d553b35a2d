#include "TVKCore/StatusBar/NextEventFollower.hpp"

#include "Platform/Runtime/DispatchQueue.hpp"
#include "TVKCore/Schedule/CalendarEventManager.hpp"

namespace tvk {

namespace {

// The timer serves one wake-up and is replaced by the next; its interval never comes round.
constexpr TimeInterval oneShotInterval = 366 * 86400;

}

NextEventFollower::NextEventFollower(Events events, Sink sink)
    : m_events(std::move(events))
    , m_sink(std::move(sink))
{
    m_reloadObserver = NotificationCenter::defaultCenter().addObserver(
        std::string(NotificationName::didReloadEvents), nullptr, [this](const Notification&) { refresh(); });
    refresh();
}

NextEventFollower::~NextEventFollower()
{
    NotificationCenter::defaultCenter().removeObserver(m_reloadObserver);
}

std::optional<Date> NextEventFollower::nextWakeUp() const
{
    if (!m_timer)
        return std::nullopt;
    return m_timer->fireDate();
}

void NextEventFollower::refresh()
{
    Date now = Date::now();
    auto events = m_events();
    auto status = NextEventStatus::make(events, now);
    if (status != m_last) {
        m_last = status;
        m_sink(status);
    }
    // The timer's action must not destroy the timer that runs it: the re-arm runs after it.
    m_timer = std::make_unique<RepeatingTimer>(NextEventStatus::nextChange(events, now), oneShotInterval, [this, alive = std::weak_ptr(m_alive)] {
        DispatchQueue::main().async([this, alive] {
            if (!alive.expired())
                refresh();
        });
    });
}

}

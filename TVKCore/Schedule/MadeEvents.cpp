#include "TVKCore/Schedule/MadeEvents.hpp"

#include <functional>

namespace tvk {

size_t MadeEvents::KeyHash::operator()(const Key& key) const noexcept
{
    auto& [item, start, occurrence] = key;
    size_t hash = std::hash<std::string>()(item);
    hash = hash * 1099511628211ull ^ std::hash<double>()(start);
    return hash * 1099511628211ull ^ std::hash<double>()(occurrence);
}

MadeEvents::Key MadeEvents::keyOf(const StoreEvent& storeEvent)
{
    return { storeEvent.calendarItemIdentifier, storeEvent.startDate.timeIntervalSince1970(),
        storeEvent.occurrenceDate.value_or(storeEvent.startDate).timeIntervalSince1970() };
}

Event MadeEvents::event(const StoreEvent& storeEvent)
{
    auto key = keyOf(storeEvent);
    {
        std::lock_guard lock(m_mutex);
        if (auto found = m_made.find(key); found != m_made.end() && found->second.source == storeEvent) {
            found->second.build = m_builds;
            return found->second.event;
        }
    }
    // Made outside the lock: link detection is the slow part.
    Event made = Event::fromCalendarEvent(storeEvent);
    std::lock_guard lock(m_mutex);
    if (m_builds > 0)
        m_made.insert_or_assign(std::move(key), Made { storeEvent, made, m_builds });
    return made;
}

void MadeEvents::finishBuild()
{
    std::lock_guard lock(m_mutex);
    std::erase_if(m_made, [&](auto& entry) { return entry.second.build != m_builds; });
    ++m_builds;
}

}

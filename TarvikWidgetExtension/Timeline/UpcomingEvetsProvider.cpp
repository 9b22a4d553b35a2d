#include "TarvikWidgetExtension/Timeline/UpcomingEvetsProvider.hpp"

#include "TVKUtils/DateOperations.hpp"

namespace tvk {

widgets::Timeline<UpcomingEventsEntry> UpcomingEvetsProvider::timeline(std::vector<Event> upcoming, Date now)
{
    if (upcoming.size() > maximumEvents)
        upcoming.resize(maximumEvents);
    return { { { now, std::move(upcoming) } }, widgets::TimelineReloadPolicy::after(addingMinutes(now, 1)) };
}

}

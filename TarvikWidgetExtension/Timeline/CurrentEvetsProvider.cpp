#include "TarvikWidgetExtension/Timeline/CurrentEvetsProvider.hpp"

#include "TVKUtils/DateOperations.hpp"

namespace tvk {

widgets::Timeline<CurrentEventsEntry> CurrentEvetsProvider::timeline(std::vector<Event> current, Date now)
{
    return { { { now, std::move(current) } }, widgets::TimelineReloadPolicy::after(addingMinutes(now, 1)) };
}

}

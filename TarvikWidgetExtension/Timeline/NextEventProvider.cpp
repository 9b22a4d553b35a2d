#include "TarvikWidgetExtension/Timeline/NextEventProvider.hpp"

#include "TVKUtils/DateOperations.hpp"

#include <algorithm>

namespace tvk {

widgets::Timeline<NextEventEntry> NextEventProvider::timeline(const std::vector<Event>& upcoming, Date now)
{
    widgets::Timeline<NextEventEntry> result;
    Date switchTime = now;
    for (size_t i = 0; i < std::min(upcoming.size(), maximumEntries); ++i) {
        result.entries.push_back({ switchTime, upcoming[i] });
        switchTime = upcoming[i].startDate;
    }
    result.policy = widgets::TimelineReloadPolicy::after(addingMinutes(switchTime, 1));
    return result;
}

}

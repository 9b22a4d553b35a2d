#include "TarvikWidgetExtension/Views/NextEventCountdownWidgetView.hpp"

#include "TarvikWidgetExtension/Views/EventTitleList.hpp"

namespace tvk {

ui::View NextEventCountdownWidgetView::body() const
{
    std::vector<Event> events;
    if (entry.event)
        events.push_back(*entry.event);
    return EventTitleList("Widget.nextEventCountdown.headline", "Widget.upcomingEvent.noUpcomingEvents", events);
}

}

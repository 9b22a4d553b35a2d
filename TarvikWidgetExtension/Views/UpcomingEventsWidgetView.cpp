#include "TarvikWidgetExtension/Views/UpcomingEventsWidgetView.hpp"

#include "TarvikWidgetExtension/Views/EventTitleList.hpp"

namespace tvk {

ui::View UpcomingEventsWidgetView::body() const
{
    return EventTitleList("Widget.upcomingEvent.nextEvent", "Widget.upcomingEvent.noUpcomingEvents", entry.events);
}

}

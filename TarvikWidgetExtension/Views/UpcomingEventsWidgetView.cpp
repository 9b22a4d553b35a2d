#include "TarvikWidgetExtension/Views/UpcomingEventsWidgetView.hpp"

#include "TarvikWidgetExtension/Views/NoEventsView.hpp"
#include "TarvikWidgetExtension/Views/UpcomingEventsView.hpp"

namespace tvk {

ui::View UpcomingEventsWidgetView::body() const
{
    if (entry.events.empty())
        return NoEventsView { "Widget.upcomingEvent.noUpcomingEvents" };
    return UpcomingEventsView { entry.events, entry.date };
}

}

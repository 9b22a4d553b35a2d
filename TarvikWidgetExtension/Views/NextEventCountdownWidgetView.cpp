#include "TarvikWidgetExtension/Views/NextEventCountdownWidgetView.hpp"

#include "TarvikWidgetExtension/Views/EventCountdownView.hpp"
#include "TarvikWidgetExtension/Views/NoEventsView.hpp"

namespace tvk {

ui::View NextEventCountdownWidgetView::body() const
{
    if (!entry.event)
        return NoEventsView { "Widget.upcomingEvent.noUpcomingEvents" };
    return EventCountdownView { *entry.event };
}

}

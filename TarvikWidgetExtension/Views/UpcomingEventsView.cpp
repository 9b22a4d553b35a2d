#include "TarvikWidgetExtension/Views/UpcomingEventsView.hpp"

#include "TarvikWidgetExtension/Views/EventList.hpp"

namespace tvk {

ui::View UpcomingEventsView::body() const
{
    return EventList { "Widget.upcomingEvent.nextEvent", events, now, maximumRows, EventDetailView::Configuration::upcomingList, false };
}

}

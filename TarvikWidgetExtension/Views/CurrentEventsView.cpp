#include "TarvikWidgetExtension/Views/CurrentEventsView.hpp"

#include "TarvikWidgetExtension/Views/EventList.hpp"

namespace tvk {

ui::View CurrentEventsView::body() const
{
    return EventList { "Widget.upcomingEvent.currentEvents", events, now, maximumRows, EventDetailView::Configuration::currentList, true };
}

}

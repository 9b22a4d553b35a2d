#include "TarvikWidgetExtension/Views/CurrentEventsWidgetView.hpp"

#include "TarvikWidgetExtension/Views/EventTitleList.hpp"

namespace tvk {

ui::View CurrentEventsWidgetView::body() const
{
    return EventTitleList("Widget.upcomingEvent.currentEvents", "Widget.upcomingEvent.noCurrentEvents", entry.events);
}

}

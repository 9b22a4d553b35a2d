#include "TarvikWidgetExtension/Widgets/UpcomingEventsWidget.hpp"

#include "TarvikWidgetExtension/Views/UpcomingEventsWidgetView.hpp"
#include "TarvikWidgetExtension/Widgets/WidgetBackground.hpp"

namespace tvk {

widgets::WidgetConfiguration UpcomingEventsWidget::body() const
{
    return timelines().showing<UpcomingEventsEntry>(
        [](const UpcomingEventsEntry& entry) { return withWidgetBackground(UpcomingEventsWidgetView { entry }); });
}

}

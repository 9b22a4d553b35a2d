#include "TarvikWidgetExtension/Widgets/UpcomingEventsWidget.hpp"

#include "TarvikWidgetExtension/Timeline/UpcomingEvetsProvider.hpp"
#include "TarvikWidgetExtension/Views/UpcomingEventsWidgetView.hpp"
#include "TarvikWidgetExtension/Widgets/WidgetBackground.hpp"

namespace tvk {

widgets::WidgetConfiguration UpcomingEventsWidget::body() const
{
    using widgets::WidgetFamily;
    return widgets::StaticConfiguration(std::string(kind), UpcomingEvetsProvider(),
        [](const UpcomingEventsEntry& entry) { return withWidgetBackground(UpcomingEventsWidgetView { entry }); })
        .configurationDisplayName("Widget.upcomingEvents.displayName")
        .description("Widget.upcomingEvents.description")
        .supportedFamilies({ WidgetFamily::systemSmall, WidgetFamily::systemMedium, WidgetFamily::systemLarge })
        .shortName("upcoming");
}

}

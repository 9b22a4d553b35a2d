#include "TarvikWidgetExtension/TarvikWidgetTimelines.hpp"

#include "TVKCore/Calendar/AggregatedEventStore.hpp"
#include "TarvikWidgetExtension/Timeline/CurrentEvetsProvider.hpp"
#include "TarvikWidgetExtension/Timeline/NextEventProvider.hpp"
#include "TarvikWidgetExtension/Timeline/UpcomingEvetsProvider.hpp"
#include "TarvikWidgetExtension/Widgets/CurrentEventsWidget.hpp"
#include "TarvikWidgetExtension/Widgets/NextEventCountdownWidget.hpp"
#include "TarvikWidgetExtension/Widgets/UpcomingEventsWidget.hpp"

namespace tvk {

widgets::WidgetConfiguration NextEventCountdownWidget::timelines()
{
    using widgets::WidgetFamily;
    return widgets::TimelineConfiguration(std::string(kind), NextEventProvider())
        .configurationDisplayName("Widget.nextEventCountdown.displayName")
        .description("Widget.nextEventCountdown.description")
        .supportedFamilies({ WidgetFamily::systemSmall, WidgetFamily::systemMedium })
        .shortName("countdown");
}

widgets::WidgetConfiguration UpcomingEventsWidget::timelines()
{
    using widgets::WidgetFamily;
    return widgets::TimelineConfiguration(std::string(kind), UpcomingEvetsProvider())
        .configurationDisplayName("Widget.upcomingEvents.displayName")
        .description("Widget.upcomingEvents.description")
        .supportedFamilies({ WidgetFamily::systemSmall, WidgetFamily::systemMedium, WidgetFamily::systemLarge })
        .shortName("upcoming");
}

widgets::WidgetConfiguration CurrentEventsWidget::timelines()
{
    using widgets::WidgetFamily;
    return widgets::TimelineConfiguration(std::string(kind), CurrentEvetsProvider())
        .configurationDisplayName("Widget.currentEvents.displayName")
        .description("Widget.currentEvents.description")
        .supportedFamilies({ WidgetFamily::systemSmall, WidgetFamily::systemMedium, WidgetFamily::systemLarge })
        .shortName("current");
}

std::vector<widgets::WidgetConfiguration> TarvikWidgetTimelines::body() const
{
    return { NextEventCountdownWidget::timelines(), UpcomingEventsWidget::timelines(), CurrentEventsWidget::timelines() };
}

void TarvikWidgetTimelines::prepareForCommand()
{
    AggregatedEventStore::setSharedMonitoring(ICalendarStore::Monitoring::off);
}

}

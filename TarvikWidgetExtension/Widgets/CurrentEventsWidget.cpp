#include "TarvikWidgetExtension/Widgets/CurrentEventsWidget.hpp"

#include "TarvikWidgetExtension/Timeline/CurrentEvetsProvider.hpp"
#include "TarvikWidgetExtension/Views/CurrentEventsWidgetView.hpp"
#include "TarvikWidgetExtension/Widgets/WidgetBackground.hpp"

namespace tvk {

widgets::WidgetConfiguration CurrentEventsWidget::body() const
{
    using widgets::WidgetFamily;
    return widgets::StaticConfiguration(std::string(kind), CurrentEvetsProvider(),
        [](const CurrentEventsEntry& entry) { return withWidgetBackground(CurrentEventsWidgetView { entry }); })
        .configurationDisplayName("Widget.currentEvents.displayName")
        .description("Widget.currentEvents.description")
        .supportedFamilies({ WidgetFamily::systemSmall, WidgetFamily::systemMedium, WidgetFamily::systemLarge })
        .shortName("current");
}

}

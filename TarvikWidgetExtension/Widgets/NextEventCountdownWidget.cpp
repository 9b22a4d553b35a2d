#include "TarvikWidgetExtension/Widgets/NextEventCountdownWidget.hpp"

#include "TarvikWidgetExtension/Timeline/NextEventProvider.hpp"
#include "TarvikWidgetExtension/Views/NextEventCountdownWidgetView.hpp"
#include "TarvikWidgetExtension/Widgets/WidgetBackground.hpp"

namespace tvk {

widgets::WidgetConfiguration NextEventCountdownWidget::body() const
{
    using widgets::WidgetFamily;
    return widgets::StaticConfiguration(std::string(kind), NextEventProvider(),
        [](const NextEventEntry& entry) { return withWidgetBackground(NextEventCountdownWidgetView { entry }); })
        .configurationDisplayName("Widget.nextEventCountdown.displayName")
        .description("Widget.nextEventCountdown.description")
        .supportedFamilies({ WidgetFamily::systemSmall, WidgetFamily::systemMedium })
        .shortName("countdown");
}

}

#include "TarvikWidgetExtension/TarvikWidgetBundle.hpp"

#include "TarvikWidgetExtension/Links/LinkCommands.hpp"
#include "TarvikWidgetExtension/Widgets/CurrentEventsWidget.hpp"
#include "TarvikWidgetExtension/Widgets/NextEventCountdownWidget.hpp"
#include "TarvikWidgetExtension/Widgets/UpcomingEventsWidget.hpp"

namespace tvk {

std::vector<widgets::WidgetConfiguration> TarvikWidgetBundle::body() const
{
    return { NextEventCountdownWidget().body(), UpcomingEventsWidget().body(), CurrentEventsWidget().body() };
}

std::vector<widgets::WidgetPlacement> TarvikWidgetBundle::defaultPlacements()
{
    using widgets::WidgetFamily;
    return { { std::string(NextEventCountdownWidget::kind), WidgetFamily::systemSmall }, { std::string(UpcomingEventsWidget::kind), WidgetFamily::systemMedium },
        { std::string(CurrentEventsWidget::kind), WidgetFamily::systemMedium } };
}

void TarvikWidgetBundle::addCommands(widgets::WidgetBundleRunner& runner)
{
    addLinkCommands(runner);
}

}

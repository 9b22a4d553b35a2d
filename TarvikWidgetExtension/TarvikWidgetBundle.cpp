#include "TarvikWidgetExtension/TarvikWidgetBundle.hpp"

#include "TVKCore/Alerts/SessionBusAlerts.hpp"
#include "TVKCore/Schedule/CalendarEventManager.hpp"
#include "TarvikWidgetExtension/Links/LinkCommands.hpp"
#include "TarvikWidgetExtension/TarvikWidgetTimelines.hpp"
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
    return { { std::string(NextEventCountdownWidget::kind), WidgetFamily::systemSmall },
        { std::string(UpcomingEventsWidget::kind), WidgetFamily::systemMedium },
        { std::string(CurrentEventsWidget::kind), WidgetFamily::systemMedium } };
}

void TarvikWidgetBundle::addCommands(widgets::WidgetBundleRunner& runner)
{
    addLinkCommands(runner);
}

std::shared_ptr<void> TarvikWidgetBundle::hostCompanion()
{
    auto alerts = std::make_shared<SessionBusAlerts>(CalendarEventManager::shared());
    if (!alerts->canShow())
        return nullptr;
    // The widgets reload the manager themselves; this reload only brings the schedule in.
    alerts->start(CalendarEventManager::PostNotification::no);
    return alerts;
}

void TarvikWidgetBundle::prepareForCommand()
{
    TarvikWidgetTimelines::prepareForCommand();
}

}

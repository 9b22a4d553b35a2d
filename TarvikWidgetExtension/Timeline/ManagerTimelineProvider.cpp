#include "TarvikWidgetExtension/Timeline/ManagerTimelineProvider.hpp"

#include "Platform/Runtime/NotificationCenter.hpp"
#include "Platform/Widgets/WidgetCenter.hpp"

namespace tvk {

void reloadTimelinesWhenEventsReload(std::string kind)
{
    NotificationCenter::defaultCenter().addObserver(std::string(NotificationName::didReloadEvents), nullptr,
        [kind = std::move(kind)](const Notification&) { widgets::WidgetCenter::shared().reloadTimelines(kind); });
}

}

#include "TarvikWidgetExtension/Views/CurrentEventsWidgetView.hpp"

#include "TVKCore/Settings/UserSettingsStore.hpp"
#include "TVKUtils/DateOperations.hpp"
#include "TarvikWidgetExtension/Views/CurrentEventsView.hpp"
#include "TarvikWidgetExtension/Views/NoEventsView.hpp"

namespace tvk {

ui::View CurrentEventsWidgetView::body() const
{
    if (entry.events.empty())
        return NoEventsView { "Widget.upcomingEvent.noCurrentEvents" };
    Date now = UserSettingsStore::shared().debugScreenshotMode() ? addingMinutes(entry.events.front().startDate, 12) : entry.date;
    return CurrentEventsView { entry.events, now };
}

}

#include "TarvikWidgetExtension/Widgets/CurrentEventsWidget.hpp"

#include "TarvikWidgetExtension/Views/CurrentEventsWidgetView.hpp"
#include "TarvikWidgetExtension/Widgets/WidgetBackground.hpp"

namespace tvk {

widgets::WidgetConfiguration CurrentEventsWidget::body() const
{
    return timelines().showing<CurrentEventsEntry>(
        [](const CurrentEventsEntry& entry) { return withWidgetBackground(CurrentEventsWidgetView { entry }); });
}

}

#include "TarvikWidgetExtension/Widgets/NextEventCountdownWidget.hpp"

#include "TarvikWidgetExtension/Views/NextEventCountdownWidgetView.hpp"
#include "TarvikWidgetExtension/Widgets/WidgetBackground.hpp"

namespace tvk {

widgets::WidgetConfiguration NextEventCountdownWidget::body() const
{
    return timelines().showing<NextEventEntry>(
        [](const NextEventEntry& entry) { return withWidgetBackground(NextEventCountdownWidgetView { entry }); });
}

}

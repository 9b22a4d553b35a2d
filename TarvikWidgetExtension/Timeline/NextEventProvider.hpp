#pragma once

#include "TarvikWidgetExtension/Timeline/ManagerTimelineProvider.hpp"
#include "TarvikWidgetExtension/Timeline/NextEventEntry.hpp"
#include "TarvikWidgetExtension/Widgets/NextEventCountdownWidget.hpp"

namespace tvk {

/// The countdown widget's provider. Its timeline shows the first upcoming event from now on,
/// the second from the first one's start, the third from the second one's start, and asks
/// again a minute after the last switch (a minute after now when nothing is ahead).
class NextEventProvider : public ManagerTimelineProvider<NextEventProvider, NextEventEntry> {
public:
    using ManagerTimelineProvider::ManagerTimelineProvider;

    static constexpr std::string_view kind = NextEventCountdownWidget::kind;
    /// The most entries one timeline holds.
    static constexpr size_t maximumEntries = 3;

    static std::vector<Event> events(const CalendarEventManager& manager) { return manager.allCachedUpcomingEvents(); }
    /// The timeline of `upcoming` (earliest first) at `now`.
    static widgets::Timeline<NextEventEntry> timeline(const std::vector<Event>& upcoming, Date now);
};

}

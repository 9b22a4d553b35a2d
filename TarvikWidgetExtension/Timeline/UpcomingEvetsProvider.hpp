#pragma once

#include "TarvikWidgetExtension/Timeline/ManagerTimelineProvider.hpp"
#include "TarvikWidgetExtension/Timeline/UpcomingEventsEntry.hpp"
#include "TarvikWidgetExtension/Widgets/UpcomingEventsWidget.hpp"

namespace tvk {

/// The upcoming-events widget's provider: one entry at now with the first six upcoming events,
/// renewed a minute later. (The name is spelled so on purpose: it is the name the rest of the
/// system knows.)
class UpcomingEvetsProvider : public ManagerTimelineProvider<UpcomingEvetsProvider, UpcomingEventsEntry> {
public:
    using ManagerTimelineProvider::ManagerTimelineProvider;

    static constexpr std::string_view kind = UpcomingEventsWidget::kind;
    /// The most events one entry holds.
    static constexpr size_t maximumEvents = 6;

    static std::vector<Event> events(const CalendarEventManager& manager) { return manager.allCachedUpcomingEvents(); }
    /// The timeline of `upcoming` (earliest first) at `now`.
    static widgets::Timeline<UpcomingEventsEntry> timeline(std::vector<Event> upcoming, Date now);
};

}

#pragma once

#include "TarvikWidgetExtension/Timeline/CurrentEventsEntry.hpp"
#include "TarvikWidgetExtension/Timeline/ManagerTimelineProvider.hpp"
#include "TarvikWidgetExtension/Widgets/CurrentEventsWidget.hpp"

namespace tvk {

/// The current-events widget's provider: one entry at now with every event going on (the view
/// decides how many fit), renewed a minute later. (The name is spelled so on purpose: it is
/// the name the rest of the system knows.)
class CurrentEvetsProvider : public ManagerTimelineProvider<CurrentEvetsProvider, CurrentEventsEntry> {
public:
    using ManagerTimelineProvider::ManagerTimelineProvider;

    static constexpr std::string_view kind = CurrentEventsWidget::kind;

    static std::vector<Event> events(const CalendarEventManager& manager) { return manager.allCachedCurrentEvents(); }
    /// The timeline of `current` (earliest first) at `now`.
    static widgets::Timeline<CurrentEventsEntry> timeline(std::vector<Event> current, Date now);
};

}

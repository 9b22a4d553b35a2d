#pragma once

#include "Platform/UI/View.hpp"
#include "TarvikWidgetExtension/Timeline/UpcomingEventsEntry.hpp"

namespace tvk {

/// The upcoming-events widget's content: the list of the entry's events as at the entry's
/// date, or the no-upcoming-events state.
struct UpcomingEventsWidgetView {
    UpcomingEventsEntry entry;

    ui::View body() const;
};

}

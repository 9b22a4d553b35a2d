#pragma once

#include "Platform/UI/View.hpp"
#include "TarvikWidgetExtension/Timeline/UpcomingEventsEntry.hpp"

namespace tvk {

/// The upcoming-events widget's content: the entry's events, or the no-upcoming-events text.
struct UpcomingEventsWidgetView {
    UpcomingEventsEntry entry;

    ui::View body() const;
};

}

#pragma once

#include "Platform/UI/View.hpp"
#include "TarvikWidgetExtension/Timeline/CurrentEventsEntry.hpp"

namespace tvk {

/// The current-events widget's content: the entry's events, or the no-current-events text.
struct CurrentEventsWidgetView {
    CurrentEventsEntry entry;

    ui::View body() const;
};

}

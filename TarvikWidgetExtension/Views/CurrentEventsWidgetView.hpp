#pragma once

#include "Platform/UI/View.hpp"
#include "TarvikWidgetExtension/Timeline/CurrentEventsEntry.hpp"

namespace tvk {

/// The current-events widget's content: the list of the entry's events as at the entry's
/// date, or the nothing-going-on state. With the screenshot mode of the settings on, the rows
/// are drawn as twelve minutes into the first event instead, so that demonstration pictures
/// show a meeting under way; the setting is read at each rendering.
struct CurrentEventsWidgetView {
    CurrentEventsEntry entry;

    ui::View body() const;
};

}

#pragma once

#include "Platform/UI/View.hpp"
#include "TarvikWidgetExtension/Timeline/NextEventEntry.hpp"

namespace tvk {

/// The countdown widget's content: the next event's title and start under the headline, or
/// the no-upcoming-events text.
struct NextEventCountdownWidgetView {
    NextEventEntry entry;

    ui::View body() const;
};

}

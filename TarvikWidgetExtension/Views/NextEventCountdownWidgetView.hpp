#pragma once

#include "Platform/UI/View.hpp"
#include "TarvikWidgetExtension/Timeline/NextEventEntry.hpp"

namespace tvk {

/// The countdown widget's content: the countdown card of the entry's event, or the
/// no-upcoming-events state.
struct NextEventCountdownWidgetView {
    NextEventEntry entry;

    ui::View body() const;
};

}

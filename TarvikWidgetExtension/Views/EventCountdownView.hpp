#pragma once

#include "Platform/UI/View.hpp"
#include "TVKCore/Events/Event.hpp"

namespace tvk {

/// The countdown card: the headline, the time until the event starts in large orange digits,
/// and the event's row, all one link to the event's preview. Under a minute to go, or once the
/// event has started, the time is a live timer the host keeps ticking; before that, the
/// countdown formatter's text ("1h 30m"), or "–" when it gives none. Everything is drawn as at
/// the moment of rendering.
struct EventCountdownView {
    Event event;

    ui::View body() const;
};

}

#pragma once

#include "Platform/Runtime/Date.hpp"
#include "Platform/UI/View.hpp"
#include "TVKCore/Events/Event.hpp"

#include <vector>

namespace tvk {

/// The upcoming list: "Up next" over as many of the (at most six) events as fit whole, each
/// row drawn as at `now`, with its travel time.
struct UpcomingEventsView {
    /// The most rows the list draws.
    static constexpr size_t maximumRows = 6;

    std::vector<Event> events;
    Date now;

    ui::View body() const;
};

}

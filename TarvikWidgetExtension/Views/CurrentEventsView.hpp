#pragma once

#include "Platform/Runtime/Date.hpp"
#include "Platform/UI/View.hpp"
#include "TVKCore/Events/Event.hpp"

#include <vector>

namespace tvk {

/// The current list: "Happening now" over as many of the first three events as fit whole,
/// each with its progress as at `now`, and a line counting the events left out ("3 more
/// events").
struct CurrentEventsView {
    /// The most rows the list draws.
    static constexpr size_t maximumRows = 3;

    std::vector<Event> events;
    Date now;

    ui::View body() const;
};

}

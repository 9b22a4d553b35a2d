#pragma once

#include "Platform/Runtime/Date.hpp"
#include "TVKCore/Events/Event.hpp"

#include <cstddef>
#include <functional>
#include <string>

namespace tvk {

/// One alert of the schedule: when to alert for which event, and whether it is a snooze.
struct AlertInvocation {
    Date date;
    Event event;
    bool isSnooze = false;

    /// The event's id, ".", and the date as seconds since 1970 with a fractional part:
    /// "abc.1700000000.0".
    std::string id() const;
    /// "Title, 12/7/2026, 9:59 AM, isSnooze: false)", "untitled event" for an event without
    /// a title.
    std::string debugDescription() const;

    bool operator==(const AlertInvocation&) const = default;
};

}

template <> struct std::hash<tvk::AlertInvocation> {
    /// Over the date, the event's id and the snooze flag: equal invocations hash equally.
    size_t operator()(const tvk::AlertInvocation& invocation) const noexcept;
};

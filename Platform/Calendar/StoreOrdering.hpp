#pragma once

#include "Platform/Calendar/StoreCalendar.hpp"
#include "Platform/Calendar/StoreEvent.hpp"
#include "Platform/Calendar/StoreReminder.hpp"

#include <tuple>

namespace tvk {

/// The orders in which a `CalendarStore` hands out its lists, for stores that gather them from
/// several places.
struct StoreOrdering {
    /// Calendars: by source title, source, title, then identifier.
    static bool calendars(const StoreCalendarPointer& a, const StoreCalendarPointer& b)
    {
        return std::tie(a->source.title, a->source.sourceIdentifier, a->title, a->calendarIdentifier)
            < std::tie(b->source.title, b->source.sourceIdentifier, b->title, b->calendarIdentifier);
    }

    /// Events: by start, event identifier, then occurrence date.
    static bool events(const StoreEvent& a, const StoreEvent& b)
    {
        return std::tie(a.startDate, a.eventIdentifier, a.occurrenceDate) < std::tie(b.startDate, b.eventIdentifier, b.occurrenceDate);
    }

    /// Reminders: by due date (none first), then item identifier.
    static bool reminders(const StoreReminder& a, const StoreReminder& b)
    {
        return std::tie(a.dueDate, a.calendarItemIdentifier) < std::tie(b.dueDate, b.calendarItemIdentifier);
    }
};

}

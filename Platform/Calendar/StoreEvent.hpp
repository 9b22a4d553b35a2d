#pragma once

#include "Platform/Calendar/StoreAlarm.hpp"
#include "Platform/Calendar/StoreCalendar.hpp"
#include "Platform/Calendar/StoreParticipant.hpp"
#include "Platform/Runtime/Date.hpp"
#include "Platform/Runtime/SharedList.hpp"

#include <optional>
#include <string>
#include <vector>

namespace tvk {

/// The platform store's event status values.
enum class EventStatus { none = 0, confirmed = 1, tentative = 2, canceled = 3 };

/// One event, or one occurrence of a recurring event, as a query returns it.
struct StoreEvent {
    /// Shared by every occurrence of a series; stable across runs.
    std::string eventIdentifier;
    /// The item in its calendar; also shared by the occurrences of a series.
    std::string calendarItemIdentifier;
    Date startDate;
    Date endDate;
    std::optional<std::string> title;
    std::optional<std::string> location;
    std::optional<std::string> notes;
    /// The URL property's text, as the file has it.
    std::optional<std::string> url;
    bool hasRecurrenceRules = false;
    /// The start the series' rule gives this occurrence, even when the occurrence was moved;
    /// the start itself for an event that does not recur.
    std::optional<Date> occurrenceDate;
    /// All-day events run from local midnight to 23:59:59 of their last day.
    bool isAllDay = false;
    EventStatus status = EventStatus::none;
    /// An occurrence that its series overrides (moved or otherwise changed).
    bool isDetached = false;
    StoreCalendarPointer calendar;
    /// Shared by the event's copies (an invitation lists a dozen people or more).
    SharedList<StoreParticipant> attendees;
    std::optional<StoreParticipant> organizer;
    std::vector<StoreAlarm> alarms;
    /// Seconds of travel before the event, when the event says so.
    std::optional<TimeInterval> travelTime;

    bool operator==(const StoreEvent&) const = default;
};

}

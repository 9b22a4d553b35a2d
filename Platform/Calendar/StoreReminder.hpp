#pragma once

#include "Platform/Calendar/StoreAlarm.hpp"
#include "Platform/Calendar/StoreCalendar.hpp"
#include "Platform/Runtime/DateComponents.hpp"

#include <optional>
#include <string>
#include <vector>

namespace tvk {

/// A to-do of a reminder list. A recurring to-do is its current instance: the file's due date.
struct StoreReminder {
    std::string calendarItemIdentifier;
    std::optional<DateComponents> dueDateComponents;
    std::optional<DateComponents> startDateComponents;
    /// The due date as an instant (a date alone is its local midnight); none without a due date.
    std::optional<Date> dueDate;
    bool isCompleted = false;
    /// None when the to-do has no alarm at all.
    std::optional<std::vector<StoreAlarm>> alarms;
    std::optional<std::string> title;
    std::optional<std::string> location;
    std::optional<std::string> notes;
    bool hasRecurrenceRules = false;
    StoreCalendarPointer calendar;

    bool operator==(const StoreReminder&) const = default;
};

}

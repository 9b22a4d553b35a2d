#pragma once

// Calendars, events and reminders as a store hands them out, and exclude rules, for the tests
// of what sits on the store. Times are ISO 8601 texts; reminders fall on Monday 7 December 2026
// in Berlin.

#include "Platform/Calendar/MemoryCalendarStore.hpp"
#include "Platform/Calendar/StoreCalendar.hpp"
#include "Platform/Calendar/StoreEvent.hpp"
#include "Platform/Calendar/StoreReminder.hpp"
#include "TVKCore/Events/Event.hpp"
#include "TVKCore/Rules/FilterRule.hpp"
#include "Tests/Support/Dates.hpp"

#include <memory>
#include <string>
#include <vector>

namespace tvk::test {

/// Titled after its identifier, in the account "Work account".
inline StoreCalendarPointer makeCalendar(std::string identifier, EntityType type = EntityType::event)
{
    auto calendar = std::make_shared<StoreCalendar>();
    calendar->calendarIdentifier = identifier;
    calendar->title = identifier;
    calendar->entityType = type;
    calendar->source.title = "Work account";
    return calendar;
}

/// An in-memory store with the calendars "work" and "home" and the reminder list "todo".
inline std::unique_ptr<MemoryCalendarStore> makeMemoryStore()
{
    auto store = std::make_unique<MemoryCalendarStore>();
    store->addCalendar(makeCalendar("work"));
    store->addCalendar(makeCalendar("home"));
    store->addCalendar(makeCalendar("todo", EntityType::reminder));
    return store;
}

/// Titled after its UID, with the event identifier "<calendar>:<uid>"; not recurring.
inline StoreEvent makeEvent(std::string uid, std::string_view start, std::string_view end, const std::string& calendar = "work")
{
    StoreEvent event;
    event.eventIdentifier = calendar + ":" + uid;
    event.calendarItemIdentifier = calendar + "-" + uid;
    event.title = uid;
    event.startDate = at(start);
    event.endDate = at(end);
    event.occurrenceDate = event.startDate;
    event.calendar = makeCalendar(calendar);
    return event;
}

/// Due that day at the time in the list "todo", titled after its id, with an alarm at its due time.
inline StoreReminder makeReminder(std::string id, int hour, int minute)
{
    StoreReminder reminder;
    reminder.calendarItemIdentifier = id;
    reminder.title = id;
    reminder.dueDateComponents = DateComponents { 2026, 12, 7, hour, minute, 0, std::string("Europe/Berlin") };
    reminder.dueDate = at("2026-12-07T00:00:00+01:00") + hour * 3600 + minute * 60;
    reminder.alarms = std::vector<StoreAlarm> { StoreAlarm { .relativeOffset = 0 } };
    reminder.calendar = makeCalendar("todo", EntityType::reminder);
    return reminder;
}

/// An exclude rule: titles that begin with `prefix` (case-sensitive).
inline FilterRule titlesBeginningWith(std::string prefix)
{
    auto rule = FilterRule::makeDefault();
    rule.comparison = FilterRule::ComparisonOperation::beginsWith;
    rule.value = std::move(prefix);
    return rule;
}

template <typename Item> std::vector<std::string> titles(const std::vector<Item>& items)
{
    std::vector<std::string> result;
    for (auto& item : items)
        result.push_back(item.title.value_or("?"));
    return result;
}

}

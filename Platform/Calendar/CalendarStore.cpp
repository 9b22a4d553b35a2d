#include "Platform/Calendar/CalendarStore.hpp"

namespace tvk {

namespace {

std::vector<std::string> identifiersOf(const std::vector<StoreCalendarPointer>& calendars)
{
    std::vector<std::string> identifiers;
    for (auto& calendar : calendars) {
        if (calendar)
            identifiers.push_back(calendar->calendarIdentifier);
    }
    return identifiers;
}

}

EventPredicate CalendarStore::predicateForEvents(Date start, Date end, const std::vector<StoreCalendarPointer>& calendars) const
{
    return EventPredicate { start, end, identifiersOf(calendars) };
}

ReminderPredicate CalendarStore::predicateForIncompleteReminders(
    std::optional<Date> start, std::optional<Date> end, const std::vector<StoreCalendarPointer>& calendars) const
{
    return ReminderPredicate { start, end, identifiersOf(calendars) };
}

}

#pragma once

#include "Platform/Calendar/StoreCalendar.hpp"
#include "Platform/Calendar/StoreEvent.hpp"

#include <optional>
#include <string>

namespace tvk {

/// The calendar belongs to an account that someone delegated to the user.
bool isDelegate(const StoreCalendar& calendar);
/// The calendar is a subscribed calendar of public holidays.
bool isSubscribedHolidayCalendar(const StoreCalendar& calendar);
/// The user's own address in the calendar's account: the first owner address that starts
/// with "mailto:", without that prefix; none when the account lists no mail address.
std::optional<std::string> ownerEmailAddress(const StoreCalendar& calendar);

/// The event has at least one alarm.
bool hasAlerts(const StoreEvent& event);
/// Seconds of travel before the event; 0 when it has none.
double travelTime(const StoreEvent& event);

}

#include "TVKCore/Calendar/CalendarExtensions.hpp"

namespace tvk {

bool isDelegate(const StoreCalendar& calendar)
{
    return calendar.source.isDelegate;
}

bool isSubscribedHolidayCalendar(const StoreCalendar& calendar)
{
    return calendar.isSubscribedHolidayCalendar;
}

std::optional<std::string> ownerEmailAddress(const StoreCalendar& calendar)
{
    static constexpr std::string_view prefix = "mailto:";
    for (auto& address : calendar.source.ownerAddresses) {
        if (address.starts_with(prefix))
            return address.substr(prefix.size());
    }
    return std::nullopt;
}

bool hasAlerts(const StoreEvent& event)
{
    return !event.alarms.empty();
}

double travelTime(const StoreEvent& event)
{
    return event.travelTime.value_or(0);
}

}

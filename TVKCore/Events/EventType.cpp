#include "TVKCore/Events/EventType.hpp"

namespace tvk {

std::string_view rawValue(EventType type)
{
    switch (type) {
    case EventType::calendarEvent: return "calendarEvent";
    case EventType::appleReminder: return "appleReminder";
    case EventType::tvkReminder: return "tvkReminder";
    }
    return "calendarEvent";
}

std::optional<EventType> eventTypeFromRawValue(std::string_view raw)
{
    for (auto type : { EventType::calendarEvent, EventType::appleReminder, EventType::tvkReminder }) {
        if (rawValue(type) == raw)
            return type;
    }
    return std::nullopt;
}

}

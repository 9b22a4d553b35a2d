#pragma once

#include <optional>
#include <string_view>

namespace tvk {

/// Where an event came from. The raw values are stored inside per-event settings, a format
/// shared with the main application. `Event::EventType` names this type.
enum class EventType {
    calendarEvent,
    appleReminder,
    tvkReminder,
};

/// "calendarEvent", "appleReminder" or "tvkReminder".
std::string_view rawValue(EventType type);
/// The type whose raw value is exactly `raw` (letter case included); none otherwise.
std::optional<EventType> eventTypeFromRawValue(std::string_view raw);

}

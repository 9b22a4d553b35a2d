#pragma once

#include "Platform/Calendar/StoreSource.hpp"
#include "Platform/Runtime/Color.hpp"

#include <memory>
#include <string>

namespace tvk {

/// What a calendar holds. The raw values are those the main application stores.
enum class EntityType { event = 0, reminder = 1 };

/// The kind of calendar; `birthday` calendars and subscribed holiday calendars are not offered
/// for alerts.
enum class CalendarType { local = 0, calDAV = 1, exchange = 2, subscription = 3, birthday = 4 };

/// Where a calendar's items come from: iCalendar files (vdir collections and `.ics` files), or
/// Evolution Data Server, the GNOME desktop's calendar service.
enum class CalendarBackend { vdir = 0, eds = 1 };

/// One calendar or reminder list: a collection directory, or a single `.ics` file.
struct StoreCalendar {
    /// Stable across runs: derived from the collection's location, not from its contents.
    std::string calendarIdentifier;
    std::string title;
    Color color;
    CalendarType type = CalendarType::local;
    EntityType entityType = EntityType::event;
    bool isSubscribedHolidayCalendar = false;
    StoreSource source;
    CalendarBackend backend = CalendarBackend::vdir;

    bool operator==(const StoreCalendar&) const = default;
};

using StoreCalendarPointer = std::shared_ptr<const StoreCalendar>;

}

#pragma once

#include <optional>
#include <string>

namespace tvk {

/// Calendar fields of a moment without a resolved instant: a date alone (all-day) or a date
/// with a time, optionally in a named zone. Absent fields are unspecified; an absent zone
/// means the user's zone.
struct DateComponents {
    /// The extended year: continuous across eras (1 BC is 0), as the calendar counts it.
    std::optional<int> year;
    std::optional<int> month;
    std::optional<int> day;
    std::optional<int> hour;
    std::optional<int> minute;
    std::optional<int> second;
    /// An Olson zone name ("Europe/Berlin"), or "UTC".
    std::optional<std::string> timeZone;

    bool hasTime() const { return hour.has_value(); }
    bool operator==(const DateComponents&) const = default;
};

}

#pragma once

#include <optional>
#include <string>

namespace tvk {

/// Calendar fields of a moment without a resolved instant, as reminders carry their due and
/// start dates: a date alone (all-day) or a date with a time, optionally in a named zone (an
/// absent zone means the user's zone).
struct DateComponents {
    std::optional<int> year;
    std::optional<int> month;
    std::optional<int> day;
    std::optional<int> hour;
    std::optional<int> minute;
    std::optional<int> second;
    /// An Olson zone name ("Europe/Berlin"); "UTC" for times given in UTC.
    std::optional<std::string> timeZone;

    bool hasTime() const { return hour.has_value(); }
    bool operator==(const DateComponents&) const = default;
};

}

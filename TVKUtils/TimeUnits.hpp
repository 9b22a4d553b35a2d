#pragma once

#include "Platform/Runtime/Date.hpp"

#include <cmath>
#include <cstdint>

namespace tvk {

/// Durations in seconds, named so that offsets read as what they are.
inline constexpr TimeInterval MINUTE = 60;
inline constexpr TimeInterval HOUR = 3600;
inline constexpr TimeInterval DAY = 86400;

constexpr TimeInterval minutes(std::int64_t count)
{
    return static_cast<TimeInterval>(count) * MINUTE;
}
constexpr TimeInterval hours(std::int64_t count)
{
    return static_cast<TimeInterval>(count) * HOUR;
}
constexpr TimeInterval days(std::int64_t count)
{
    return static_cast<TimeInterval>(count) * DAY;
}

/// A travel time in the whole minutes that people plan with: a part of a minute counts as one,
/// so that no travel is ever read as "0 minutes".
inline TimeInterval travelTimeInWholeMinutes(TimeInterval seconds)
{
    return std::ceil(seconds / MINUTE) * MINUTE;
}

constexpr double asMinutes(TimeInterval seconds)
{
    return seconds / MINUTE;
}
constexpr double asHours(TimeInterval seconds)
{
    return seconds / HOUR;
}
constexpr double asDays(TimeInterval seconds)
{
    return seconds / DAY;
}

}

#pragma once

#include "Platform/Runtime/Date.hpp"

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

#include "Platform/Runtime/Date.hpp"

#include "Platform/Runtime/CivilTime.hpp"
#include "Platform/Runtime/DoubleDescription.hpp"
#include "Platform/Runtime/ProcessClock.hpp"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace tvk {

Date Date::now()
{
    return ProcessClock::now();
}

std::string Date::description() const
{
    // Beyond about ±3 million years the civil arithmetic would overflow; such dates only come
    // from corrupt input, and their text only needs to be safe.
    constexpr double limit = 1e14;
    if (!std::isfinite(m_secondsSince1970) || std::fabs(m_secondsSince1970) > limit)
        return describeDouble(m_secondsSince1970) + " (out of range)";
    auto civil = CivilTime::fromSecondsSince1970(static_cast<std::int64_t>(std::floor(m_secondsSince1970)));
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04lld-%02u-%02u %02u:%02u:%02u +0000", static_cast<long long>(civil.year), civil.month,
        civil.day, civil.hour, civil.minute, civil.second);
    return buffer;
}

std::string Date::secondsDescription() const
{
    return describeDouble(m_secondsSince1970);
}

}

#include "TVKCore/Schedule/AlertInvocation.hpp"

#include "Platform/Runtime/DoubleDescription.hpp"
#include "TVKUtils/DateFormatter.hpp"

namespace tvk {

std::string AlertInvocation::id() const
{
    return event.id + "." + describeDouble(date.timeIntervalSince1970());
}

std::string AlertInvocation::debugDescription() const
{
    // The numeric date and the short time: what a plain formatted date reads as.
    static const DateFormatter formatter(DateFormatter::Configuration { .localizedTemplate = "yMdjmm" });
    return event.title.value_or("untitled event") + ", " + formatter.string(date) + ", isSnooze: " + (isSnooze ? "true" : "false") + ")";
}

}

size_t std::hash<tvk::AlertInvocation>::operator()(const tvk::AlertInvocation& invocation) const noexcept
{
    size_t seed = std::hash<double>()(invocation.date.timeIntervalSince1970());
    auto combine = [&](size_t value) { seed ^= value + 0x9e3779b97f4a7c15ull + (seed << 6) + (seed >> 2); };
    combine(std::hash<std::string>()(invocation.event.id));
    combine(std::hash<bool>()(invocation.isSnooze));
    return seed;
}

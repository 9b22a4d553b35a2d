#pragma once

#include "Platform/Runtime/Date.hpp"
#include "TVKUtils/DateFormatter.hpp"

#include <string>

namespace tvk {

enum class ForAccessibility : bool { no = false, yes = true };
enum class IsCurrentEvent : bool { no = false, yes = true };

/// The platform's relative text of `date` seen from `reference`: "in 2 hours", "3 days ago".
std::string formattedRelativeTime(Date date, Date reference);

/// How far an event is, for a row: "in 1 h 30 m" (a narrow no-break space, U+202F, between each
/// number and its unit), "45 m ago", "1 h 30 m left" for a running event, "tomorrow 9:00 AM"
/// for a start tomorrow more than four hours away, "now" within half a minute. For
/// accessibility the units are words that agree with their numbers (and, where the language
/// declines them, with "in", "ago" or "left"): "in 1 hour 30 minutes", "vor 3 Tagen".
std::string formattedShortRelativeTime(Date date, Date reference, ForAccessibility forAccessibility, IsCurrentEvent isCurrentEvent);

/// The same, packed for the smallest widgets: "1h30", "1m ago", "2h05 left", "tmr 9:00 AM",
/// "now"; a future start is the bare amount.
std::string formattedCompactRelativeTime(Date date, Date reference, IsCurrentEvent isCurrentEvent);

/// "at 10:00 AM" for a date today, else "on December 8, 2026 at 10:00 AM" (with the catalog's
/// words and the two formatters given).
std::string formattedWithOnAndAt(Date date, const DateFormatter& dateFormatter, const DateFormatter& timeFormatter);

}

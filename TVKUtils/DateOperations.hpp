#pragma once

#include "Platform/Runtime/Date.hpp"
#include "TVKUtils/ModuleCalendar.hpp"

#include <cstdint>
#include <optional>

namespace tvk {

// Calendar arithmetic on dates, all with the module calendar (the user's calendar and time
// zone). "Now" is `Date::now()`, the process clock.
//
// When the calendar cannot form a result (only for dates millions of years away or
// non-finite times), an operation on a date gives that date back unchanged and a comparison
// gives false; nothing stops the program.

/// Year, month, day, hour, minute and second of `date`; all absent when the calendar cannot
/// place it.
DateComponents components(Date date);

/// The date of those fields at second 0; none when the calendar cannot form it. Fields out of
/// range carry over (day 32 of January is 1 February).
std::optional<Date> makeDate(int day, int month, int year, int hours, int minutes);
/// The same fields as components, without building a date.
DateComponents dateComponents(int day, int month, int year, int hours, int minutes);
/// Today's date at the given hour and minute, second 0. Minutes past 59 and hours past 23
/// carry over into the next hour or day.
Date makeToday(int hours, int minutes);

bool isToday(Date date);
/// Same year, month and day; the time of day does not matter.
bool isOnSameDay(Date date, Date other);
/// Strictly later than now; a date equal to now is neither in the future nor in the past.
bool isInFuture(Date date);
/// Strictly earlier than now.
bool isInPast(Date date);
/// From 24 December 00:00 to 26 December 00:00 of the date's own year, both ends included, in
/// the Gregorian calendar (Christmas is a Gregorian date whatever calendar the user reads).
bool isInChristmasPeriod(Date date);
/// `date` falls on the day after `reference`.
bool isTomorrow(Date date, Date reference);

/// Calendar days: the wall-clock time stays across daylight-saving changes.
Date addingDays(Date date, std::int64_t days);
Date addingMinutes(Date date, std::int64_t minutes);
/// 00:00:00 of the date's day.
Date beginningOfDay(Date date);
/// The date with seconds and fractions of a second set to 0.
Date removingSeconds(Date date);
/// 23:59:59 of the date's day.
Date endOfDay(Date date);
/// The next hour's start: 10:00:00 gives 11:00, 23:40 gives 00:00 of the next day. On the
/// night the clocks go back, the first 02:40 is followed by the second 02:00, not by 03:00.
Date nextFullHour(Date date);

}

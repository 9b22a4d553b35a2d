#include "TVKUtils/DateOperations.hpp"

#include <unicode/gregocal.h>
#include <unicode/timezone.h>

#include <cmath>
#include <memory>

namespace tvk {

namespace {

ModuleCalendar& calendar()
{
    return ModuleCalendar::shared();
}

Date withTimeOfDay(Date date, int hour, int minute, int second)
{
    auto fields = calendar().components(date);
    if (!fields)
        return date;
    fields->hour = hour;
    fields->minute = minute;
    fields->second = second;
    return calendar().date(*fields).value_or(date);
}

}

DateComponents components(Date date)
{
    return calendar().components(date).value_or(DateComponents {});
}

std::optional<Date> makeDate(int day, int month, int year, int hours, int minutes)
{
    return calendar().date(dateComponents(day, month, year, hours, minutes));
}

DateComponents dateComponents(int day, int month, int year, int hours, int minutes)
{
    DateComponents fields;
    fields.year = year;
    fields.month = month;
    fields.day = day;
    fields.hour = hours;
    fields.minute = minutes;
    return fields;
}

Date makeToday(int hours, int minutes)
{
    Date now = Date::now();
    auto fields = calendar().components(now);
    if (!fields)
        return now;
    fields->hour = hours;
    fields->minute = minutes;
    fields->second = 0;
    return calendar().date(*fields).value_or(now);
}

bool isToday(Date date)
{
    return isOnSameDay(date, Date::now());
}

bool isOnSameDay(Date date, Date other)
{
    auto left = calendar().dayNumber(date);
    auto right = calendar().dayNumber(other);
    return left && right && *left == *right;
}

bool isInFuture(Date date)
{
    return date > Date::now();
}

bool isInPast(Date date)
{
    return date < Date::now();
}

bool isInChristmasPeriod(Date date)
{
    double time = date.timeIntervalSince1970() * 1000.0;
    if (!std::isfinite(time))
        return false;
    UErrorCode status = U_ZERO_ERROR;
    icu::GregorianCalendar gregorian(icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(calendar().timeZoneIdentifier())), status);
    gregorian.setTime(time, status);
    int32_t year = gregorian.get(UCAL_EXTENDED_YEAR, status);
    auto startOfDay = [&](int32_t month, int32_t day) {
        gregorian.clear();
        gregorian.set(UCAL_EXTENDED_YEAR, year);
        gregorian.set(UCAL_MONTH, month);
        gregorian.set(UCAL_DATE, day);
        return gregorian.getTime(status);
    };
    UDate start = startOfDay(UCAL_DECEMBER, 24);
    UDate end = startOfDay(UCAL_DECEMBER, 26);
    return U_SUCCESS(status) && time >= start && time <= end;
}

bool isTomorrow(Date date, Date reference)
{
    auto nextDay = calendar().adding(CalendarUnit::day, 1, reference);
    if (!nextDay)
        return false;
    return isOnSameDay(date, *nextDay);
}

Date addingDays(Date date, std::int64_t days)
{
    return calendar().adding(CalendarUnit::day, days, date).value_or(date);
}

Date addingMinutes(Date date, std::int64_t minutes)
{
    return calendar().adding(CalendarUnit::minute, minutes, date).value_or(date);
}

Date beginningOfDay(Date date)
{
    return withTimeOfDay(date, 0, 0, 0);
}

Date removingSeconds(Date date)
{
    // Subtracted rather than rebuilt from fields, so that a time in the hour that repeats when
    // daylight-saving time ends stays in its own occurrence of that hour.
    auto fields = calendar().components(date);
    if (!fields)
        return date;
    double seconds = date.timeIntervalSince1970();
    return Date(seconds - *fields->second - (seconds - std::floor(seconds)));
}

Date endOfDay(Date date)
{
    return withTimeOfDay(date, 23, 59, 59);
}

Date nextFullHour(Date date)
{
    auto fields = calendar().components(date);
    if (!fields)
        return date;
    // The hour after the start of this one, counted in absolute time, so that the first
    // occurrence of a repeated hour is followed by the second and not by the hour after both.
    double seconds = date.timeIntervalSince1970();
    Date candidate(seconds - *fields->minute * 60 - *fields->second - (seconds - std::floor(seconds)) + 3600);
    if (auto next = calendar().components(candidate); next && next->minute == 0 && next->second == 0)
        return candidate;
    // Where a change moves the clocks by part of an hour (Lord Howe Island), that instant is no
    // full hour: take the reading of the hour after, placed by the wall-clock rule.
    fields->hour = *fields->hour + 1;
    fields->minute = 0;
    fields->second = 0;
    return calendar().date(*fields).value_or(date);
}

}

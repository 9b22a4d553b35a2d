#include "TVKUtils/ModuleCalendar.hpp"

#include "Platform/Runtime/WallClockTime.hpp"

#include <unicode/calendar.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <cmath>
#include <limits>

namespace tvk {

struct ModuleCalendar::Icu {
    /// In the user's zone: readings of instants, and arithmetic in absolute time.
    std::unique_ptr<icu::Calendar> object;
    /// The same calendar in UTC, where it counts wall-clock readings without any clock
    /// change; `WallClockTime` then places them in the user's zone.
    std::unique_ptr<icu::Calendar> wallClock;
    WallClockTime::UtcOffsetAt offsets;
};

namespace {

std::atomic<std::uint64_t> currentGeneration { 1 };

UCalendarDateFields icuField(CalendarUnit unit)
{
    switch (unit) {
    case CalendarUnit::year: return UCAL_YEAR;
    case CalendarUnit::month: return UCAL_MONTH;
    case CalendarUnit::weekOfYear: return UCAL_WEEK_OF_YEAR;
    case CalendarUnit::day: return UCAL_DATE;
    case CalendarUnit::hour: return UCAL_HOUR_OF_DAY;
    case CalendarUnit::minute: return UCAL_MINUTE;
    case CalendarUnit::second: return UCAL_SECOND;
    }
    return UCAL_SECOND;
}

/// Milliseconds as ICU counts them; none for times no calendar can hold.
std::optional<UDate> milliseconds(Date date)
{
    double value = date.timeIntervalSince1970() * 1000.0;
    // ICU's calendars span about ±1.8e17 ms; stay well inside.
    if (!std::isfinite(value) || std::fabs(value) > 1.0e17)
        return std::nullopt;
    return value;
}

Date dateFromMilliseconds(UDate value)
{
    return Date(value / 1000.0);
}

/// The instant of a wall-clock reading given in milliseconds as `Icu::wallClock` counts them,
/// fractions of a second kept.
std::optional<Date> placed(UDate wallClockMilliseconds, const WallClockTime::UtcOffsetAt& offsets)
{
    double seconds = wallClockMilliseconds / 1000.0;
    double whole = std::floor(seconds);
    auto instant = WallClockTime::secondsSince1970(static_cast<std::int64_t>(whole), offsets);
    if (!instant)
        return std::nullopt;
    return Date(static_cast<double>(*instant) + (seconds - whole));
}

/// Where the calendar has to resolve a reading by itself (`fieldDifference`), it follows the
/// same rule as `WallClockTime`.
void followTheWallClockRule(icu::Calendar& calendar)
{
    calendar.setRepeatedWallTimeOption(UCAL_WALLTIME_FIRST);
    calendar.setSkippedWallTimeOption(UCAL_WALLTIME_LAST);
}

bool isCalendarDayOrLonger(CalendarUnit unit)
{
    return unit == CalendarUnit::year || unit == CalendarUnit::month || unit == CalendarUnit::weekOfYear || unit == CalendarUnit::day;
}

}

ModuleCalendar& ModuleCalendar::shared()
{
    static auto* calendar = new ModuleCalendar;
    return *calendar;
}

ModuleCalendar::ModuleCalendar()
{
    takeDefaults();
}

ModuleCalendar::~ModuleCalendar() = default;

void ModuleCalendar::takeDefaults()
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Calendar> calendar(
        icu::Calendar::createInstance(icu::TimeZone::createDefault(), icu::Locale::getDefault(), status));
    if (U_FAILURE(status) || !calendar) {
        status = U_ZERO_ERROR;
        calendar.reset(icu::Calendar::createInstance(icu::TimeZone::createDefault(), icu::Locale::getRoot(), status));
    }
    calendar->setLenient(true);
    followTheWallClockRule(*calendar);
    std::unique_ptr<icu::Calendar> wallClock(calendar->clone());
    wallClock->adoptTimeZone(icu::TimeZone::getGMT()->clone());
    icu::UnicodeString zoneIdentifier;
    calendar->getTimeZone().getID(zoneIdentifier);
    std::string zoneText;
    zoneIdentifier.toUTF8String(zoneText);
    // ICU's default zone is always one it knows; UTC stands in should it ever not be.
    auto offsets = WallClockTime::offsetsOfZone(zoneText).value_or([](std::int64_t) { return std::optional<std::int64_t>(0); });
    std::lock_guard lock(m_mutex);
    m_calendar = std::make_unique<Icu>(Icu { std::move(calendar), std::move(wallClock), std::move(offsets) });
}

void ModuleCalendar::reload()
{
    shared().takeDefaults();
    currentGeneration.fetch_add(1);
}

std::uint64_t ModuleCalendar::generation()
{
    return currentGeneration.load(std::memory_order_relaxed);
}

std::string ModuleCalendar::timeZoneIdentifier() const
{
    std::lock_guard lock(m_mutex);
    icu::UnicodeString identifier;
    m_calendar->object->getTimeZone().getID(identifier);
    std::string text;
    identifier.toUTF8String(text);
    return text;
}

std::string ModuleCalendar::localeIdentifier() const
{
    std::lock_guard lock(m_mutex);
    UErrorCode status = U_ZERO_ERROR;
    return m_calendar->object->getLocale(ULOC_VALID_LOCALE, status).getName();
}

std::optional<int> ModuleCalendar::weekday(Date date) const
{
    auto time = milliseconds(date);
    if (!time)
        return std::nullopt;
    std::lock_guard lock(m_mutex);
    UErrorCode status = U_ZERO_ERROR;
    m_calendar->object->setTime(*time, status);
    int day = m_calendar->object->get(UCAL_DAY_OF_WEEK, status);
    if (U_FAILURE(status))
        return std::nullopt;
    return day;
}

std::optional<DateComponents> ModuleCalendar::components(Date date) const
{
    auto time = milliseconds(date);
    if (!time)
        return std::nullopt;
    std::lock_guard lock(m_mutex);
    UErrorCode status = U_ZERO_ERROR;
    m_calendar->object->setTime(*time, status);
    DateComponents components;
    components.year = m_calendar->object->get(UCAL_EXTENDED_YEAR, status);
    components.month = m_calendar->object->get(UCAL_MONTH, status) + 1;
    components.day = m_calendar->object->get(UCAL_DATE, status);
    components.hour = m_calendar->object->get(UCAL_HOUR_OF_DAY, status);
    components.minute = m_calendar->object->get(UCAL_MINUTE, status);
    components.second = m_calendar->object->get(UCAL_SECOND, status);
    if (U_FAILURE(status))
        return std::nullopt;
    return components;
}

std::optional<std::int64_t> ModuleCalendar::dayNumber(Date date) const
{
    if (!milliseconds(date))
        return std::nullopt;
    // The zone's offsets, copied once per thread and again after a reload: the shared copy may
    // be replaced, and taking the lock for each text is what this spares.
    thread_local std::uint64_t copiedGeneration = 0;
    thread_local WallClockTime::UtcOffsetAt offsets;
    if (auto current = generation(); copiedGeneration != current) {
        std::lock_guard lock(m_mutex);
        offsets = m_calendar->offsets;
        copiedGeneration = current;
    }
    auto seconds = static_cast<std::int64_t>(std::floor(date.timeIntervalSince1970()));
    auto offset = offsets(seconds);
    if (!offset)
        return std::nullopt;
    auto local = seconds + *offset;
    constexpr std::int64_t day = 86400;
    return local / day - (local % day < 0 ? 1 : 0);
}

std::optional<Date> ModuleCalendar::date(const DateComponents& components) const
{
    std::optional<WallClockTime::UtcOffsetAt> zoneOffsets;
    if (components.timeZone)
        zoneOffsets = WallClockTime::offsetsOfZone(*components.timeZone);
    std::lock_guard lock(m_mutex);
    // The fields carry over as a wall-clock reading first (hour 24, day 32), and only the
    // whole reading is placed in the zone.
    icu::Calendar* wallClock = m_calendar->wallClock.get();
    wallClock->clear();
    wallClock->set(UCAL_EXTENDED_YEAR, components.year.value_or(1970));
    // Months are counted from 0 in ICU; a month of 0 or 13 carries into the year before or after.
    wallClock->set(UCAL_MONTH, components.month.value_or(1) - 1);
    wallClock->set(UCAL_DATE, components.day.value_or(1));
    wallClock->set(UCAL_HOUR_OF_DAY, components.hour.value_or(0));
    wallClock->set(UCAL_MINUTE, components.minute.value_or(0));
    wallClock->set(UCAL_SECOND, components.second.value_or(0));
    wallClock->set(UCAL_MILLISECOND, 0);
    UErrorCode status = U_ZERO_ERROR;
    UDate reading = wallClock->getTime(status);
    if (U_FAILURE(status))
        return std::nullopt;
    return placed(reading, zoneOffsets ? *zoneOffsets : m_calendar->offsets);
}

std::optional<Date> ModuleCalendar::adding(CalendarUnit unit, std::int64_t amount, Date date) const
{
    auto time = milliseconds(date);
    if (!time || amount < std::numeric_limits<int32_t>::min() || amount > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    // ICU works in whole milliseconds; the part below is carried over unchanged.
    double wholeMilliseconds = std::floor(*time);
    double fraction = *time - wholeMilliseconds;
    std::lock_guard lock(m_mutex);
    UErrorCode status = U_ZERO_ERROR;
    if (!isCalendarDayOrLonger(unit)) {
        m_calendar->object->setTime(wholeMilliseconds, status);
        m_calendar->object->add(icuField(unit), static_cast<int32_t>(amount), status);
        UDate result = m_calendar->object->getTime(status);
        if (U_FAILURE(status))
            return std::nullopt;
        return dateFromMilliseconds(result + fraction);
    }
    // Days and longer move the wall clock, which is then placed in the zone again.
    auto offset = m_calendar->offsets(static_cast<std::int64_t>(std::floor(wholeMilliseconds / 1000.0)));
    if (!offset)
        return std::nullopt;
    m_calendar->wallClock->setTime(wholeMilliseconds + static_cast<double>(*offset) * 1000.0, status);
    m_calendar->wallClock->add(icuField(unit), static_cast<int32_t>(amount), status);
    UDate reading = m_calendar->wallClock->getTime(status);
    if (U_FAILURE(status))
        return std::nullopt;
    auto result = placed(reading, m_calendar->offsets);
    if (!result)
        return std::nullopt;
    return *result + fraction / 1000.0;
}

std::optional<std::vector<std::int64_t>> ModuleCalendar::differences(Date from, Date to, std::span<const CalendarUnit> units) const
{
    auto start = milliseconds(from);
    auto end = milliseconds(to);
    if (!start || !end)
        return std::nullopt;
    std::lock_guard lock(m_mutex);
    UErrorCode status = U_ZERO_ERROR;
    m_calendar->object->setTime(std::trunc(*start), status);
    std::vector<std::int64_t> values;
    values.reserve(units.size());
    for (auto unit : units)
        values.push_back(m_calendar->object->fieldDifference(std::trunc(*end), icuField(unit), status));
    if (U_FAILURE(status))
        return std::nullopt;
    return values;
}

}

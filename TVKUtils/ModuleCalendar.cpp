#include "TVKUtils/ModuleCalendar.hpp"

#include <unicode/calendar.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <cmath>
#include <limits>

namespace tvk {

struct ModuleCalendar::Icu {
    std::unique_ptr<icu::Calendar> object;
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
    std::lock_guard lock(m_mutex);
    m_calendar = std::make_unique<Icu>(Icu { std::move(calendar) });
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

std::optional<Date> ModuleCalendar::date(const DateComponents& components) const
{
    std::lock_guard lock(m_mutex);
    icu::Calendar* calendar = m_calendar->object.get();
    std::unique_ptr<icu::Calendar> zoned;
    if (components.timeZone) {
        auto zone = std::unique_ptr<icu::TimeZone>(icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(*components.timeZone)));
        icu::UnicodeString identifier;
        zone->getID(identifier);
        if (identifier != icu::UnicodeString(UCAL_UNKNOWN_ZONE_ID)) {
            zoned.reset(calendar->clone());
            zoned->adoptTimeZone(zone.release());
            calendar = zoned.get();
        }
    }
    calendar->clear();
    calendar->set(UCAL_EXTENDED_YEAR, components.year.value_or(1970));
    // Months are counted from 0 in ICU; a month of 0 or 13 carries into the year before or after.
    calendar->set(UCAL_MONTH, components.month.value_or(1) - 1);
    calendar->set(UCAL_DATE, components.day.value_or(1));
    calendar->set(UCAL_HOUR_OF_DAY, components.hour.value_or(0));
    calendar->set(UCAL_MINUTE, components.minute.value_or(0));
    calendar->set(UCAL_SECOND, components.second.value_or(0));
    calendar->set(UCAL_MILLISECOND, 0);
    UErrorCode status = U_ZERO_ERROR;
    UDate time = calendar->getTime(status);
    if (U_FAILURE(status))
        return std::nullopt;
    return dateFromMilliseconds(time);
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
    m_calendar->object->setTime(wholeMilliseconds, status);
    m_calendar->object->add(icuField(unit), static_cast<int32_t>(amount), status);
    UDate result = m_calendar->object->getTime(status);
    if (U_FAILURE(status))
        return std::nullopt;
    return dateFromMilliseconds(result + fraction);
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

#include "TVKUtils/DateComponentsFormatter.hpp"

#include "TVKLocalization/L10n.hpp"
#include "TVKUtils/ModuleCalendar.hpp"

#include <unicode/listformatter.h>
#include <unicode/locid.h>
#include <unicode/measunit.h>
#include <unicode/numberformatter.h>

#include <array>
#include <cmath>

namespace tvk {

/// One compiled number formatter per unit and the locale's list pattern for units: formatting
/// through MeasureFormat builds a number formatter on every call, which costs tens of
/// microseconds per duration; these are built once.
struct DateComponentsFormatter::Icu {
    std::array<std::optional<icu::number::LocalizedNumberFormatter>, 4> units;
    std::unique_ptr<icu::ListFormatter> list;
};

namespace {

/// About a million years: far beyond any real duration, well inside 64-bit arithmetic.
constexpr double maximumSeconds = 3.2e13;

std::int64_t secondsIn(DateComponentsFormatter::Unit unit)
{
    switch (unit) {
    case DateComponentsFormatter::Unit::day: return 86400;
    case DateComponentsFormatter::Unit::hour: return 3600;
    case DateComponentsFormatter::Unit::minute: return 60;
    case DateComponentsFormatter::Unit::second: return 1;
    }
    return 1;
}

CalendarUnit calendarUnit(DateComponentsFormatter::Unit unit)
{
    switch (unit) {
    case DateComponentsFormatter::Unit::day: return CalendarUnit::day;
    case DateComponentsFormatter::Unit::hour: return CalendarUnit::hour;
    case DateComponentsFormatter::Unit::minute: return CalendarUnit::minute;
    case DateComponentsFormatter::Unit::second: return CalendarUnit::second;
    }
    return CalendarUnit::second;
}

std::size_t indexOf(DateComponentsFormatter::Unit unit)
{
    return static_cast<std::size_t>(unit);
}

icu::MeasureUnit measureUnit(DateComponentsFormatter::Unit unit)
{
    switch (unit) {
    case DateComponentsFormatter::Unit::day: return icu::MeasureUnit::getDay();
    case DateComponentsFormatter::Unit::hour: return icu::MeasureUnit::getHour();
    case DateComponentsFormatter::Unit::minute: return icu::MeasureUnit::getMinute();
    case DateComponentsFormatter::Unit::second: return icu::MeasureUnit::getSecond();
    }
    return icu::MeasureUnit::getSecond();
}

}

DateComponentsFormatter::DateComponentsFormatter(Configuration configuration)
    : m_configuration(std::move(configuration))
{
}

DateComponentsFormatter::~DateComponentsFormatter() = default;

std::optional<std::string> DateComponentsFormatter::string(TimeInterval seconds) const
{
    if (!std::isfinite(seconds) || std::fabs(seconds) > maximumSeconds || m_configuration.allowedUnits.empty())
        return std::nullopt;
    auto remaining = static_cast<std::int64_t>(std::trunc(std::fabs(seconds)));
    std::vector<std::int64_t> amounts;
    for (auto unit : m_configuration.allowedUnits) {
        amounts.push_back(remaining / secondsIn(unit));
        remaining %= secondsIn(unit);
    }
    return text(amounts, seconds < 0);
}

std::optional<std::string> DateComponentsFormatter::string(Date from, Date to) const
{
    double span = to - from;
    if (!std::isfinite(span) || std::fabs(span) > maximumSeconds || m_configuration.allowedUnits.empty())
        return std::nullopt;
    std::vector<CalendarUnit> units;
    for (auto unit : m_configuration.allowedUnits)
        units.push_back(calendarUnit(unit));
    bool negative = to < from;
    auto amounts = negative ? ModuleCalendar::shared().differences(to, from, units) : ModuleCalendar::shared().differences(from, to, units);
    if (!amounts)
        return std::nullopt;
    return text(*amounts, negative);
}

std::optional<std::string> DateComponentsFormatter::text(const std::vector<std::int64_t>& amounts, bool negative) const
{
    const auto& units = m_configuration.allowedUnits;
    std::size_t first = 0;
    while (first < amounts.size() && amounts[first] == 0)
        ++first;
    std::size_t last = amounts.size();
    if (first == amounts.size()) {
        // Nothing but zeros: the smallest unit stands for them ("0m").
        first = amounts.size() - 1;
        negative = false;
    } else if (m_configuration.maximumUnitCount > 0) {
        last = std::min(amounts.size(), first + static_cast<std::size_t>(m_configuration.maximumUnitCount));
    }

    icu::UnicodeString formatted;
    {
        std::lock_guard lock(m_mutex);
        auto generation = ModuleCalendar::generation();
        if (!m_format || m_generation != generation) {
            auto locale = icu::Locale::getDefault();
            bool abbreviated = m_configuration.unitsStyle == UnitsStyle::abbreviated;
            m_format = std::make_unique<Icu>();
            for (auto unit : units) {
                m_format->units[indexOf(unit)] = icu::number::NumberFormatter::withLocale(locale)
                                                     .unit(measureUnit(unit))
                                                     .unitWidth(abbreviated ? UNUM_UNIT_WIDTH_NARROW : UNUM_UNIT_WIDTH_FULL_NAME)
                                                     .grouping(UNUM_GROUPING_OFF);
            }
            UErrorCode status = U_ZERO_ERROR;
            m_format->list.reset(icu::ListFormatter::createInstance(
                locale, ULISTFMT_TYPE_UNITS, abbreviated ? ULISTFMT_WIDTH_NARROW : ULISTFMT_WIDTH_WIDE, status));
            if (U_FAILURE(status))
                m_format->list.reset();
            m_generation = generation;
        }
        if (!m_format->list)
            return std::nullopt;
        UErrorCode status = U_ZERO_ERROR;
        std::vector<icu::UnicodeString> parts;
        for (std::size_t index = first; index < last; ++index) {
            if (amounts[index] == 0 && index != first)
                continue;
            auto amount = static_cast<int64_t>(amounts[index]);
            if (negative && parts.empty())
                amount = -amount;
            const auto& numberFormatter = m_format->units[indexOf(units[index])];
            if (!numberFormatter)
                return std::nullopt;
            parts.push_back(numberFormatter->formatInt(amount, status).toString(status));
        }
        m_format->list->format(parts.data(), static_cast<int32_t>(parts.size()), formatted, status);
        if (U_FAILURE(status))
            return std::nullopt;
    }
    std::string result;
    formatted.toUTF8String(result);
    if (m_configuration.includesTimeRemainingPhrase)
        result = L10n::TimeFormat::timeRemaining(result);
    return result;
}

const DateComponentsFormatter& DateComponentsFormatter::timeRemainingFormatter()
{
    static const DateComponentsFormatter formatter({
        .unitsStyle = UnitsStyle::abbreviated,
        .allowedUnits = { Unit::day, Unit::hour, Unit::minute, Unit::second },
        .includesTimeRemainingPhrase = true,
        .maximumUnitCount = 1,
    });
    return formatter;
}

const DateComponentsFormatter& DateComponentsFormatter::countdownFormatter()
{
    static const DateComponentsFormatter formatter({
        .unitsStyle = UnitsStyle::abbreviated,
        .allowedUnits = { Unit::day, Unit::hour, Unit::minute },
        .maximumUnitCount = 2,
    });
    return formatter;
}

const DateComponentsFormatter& DateComponentsFormatter::durationFormatter()
{
    static const DateComponentsFormatter formatter({
        .unitsStyle = UnitsStyle::abbreviated,
        .allowedUnits = { Unit::day, Unit::hour, Unit::minute },
    });
    return formatter;
}

const DateComponentsFormatter& DateComponentsFormatter::durationFormatterForAccessibility()
{
    static const DateComponentsFormatter formatter({
        .unitsStyle = UnitsStyle::full,
        .allowedUnits = { Unit::day, Unit::hour, Unit::minute },
    });
    return formatter;
}

const DateComponentsFormatter& DateComponentsFormatter::durationFormatterForTimeOffset()
{
    static const DateComponentsFormatter formatter({
        .unitsStyle = UnitsStyle::full,
        .allowedUnits = { Unit::hour, Unit::minute, Unit::second },
    });
    return formatter;
}

}

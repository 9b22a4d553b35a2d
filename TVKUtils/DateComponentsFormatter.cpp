#include "TVKUtils/DateComponentsFormatter.hpp"

#include "TVKLocalization/L10n.hpp"
#include "TVKUtils/ModuleCalendar.hpp"

#include <unicode/locid.h>
#include <unicode/measfmt.h>
#include <unicode/measunit.h>
#include <unicode/measure.h>

#include <cmath>

namespace tvk {

struct DateComponentsFormatter::Icu {
    std::unique_ptr<icu::MeasureFormat> object;
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

icu::MeasureUnit* createMeasureUnit(DateComponentsFormatter::Unit unit, UErrorCode& status)
{
    switch (unit) {
    case DateComponentsFormatter::Unit::day: return icu::MeasureUnit::createDay(status);
    case DateComponentsFormatter::Unit::hour: return icu::MeasureUnit::createHour(status);
    case DateComponentsFormatter::Unit::minute: return icu::MeasureUnit::createMinute(status);
    case DateComponentsFormatter::Unit::second: return icu::MeasureUnit::createSecond(status);
    }
    return icu::MeasureUnit::createSecond(status);
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

    UErrorCode status = U_ZERO_ERROR;
    std::vector<icu::Measure> measures;
    for (std::size_t index = first; index < last; ++index) {
        if (amounts[index] == 0 && !(index == first))
            continue;
        auto amount = static_cast<int64_t>(amounts[index]);
        if (negative && measures.empty())
            amount = -amount;
        measures.emplace_back(icu::Formattable(amount), createMeasureUnit(units[index], status), status);
    }
    if (U_FAILURE(status) || measures.empty())
        return std::nullopt;

    icu::UnicodeString formatted;
    {
        std::lock_guard lock(m_mutex);
        auto generation = ModuleCalendar::generation();
        if (!m_format || m_generation != generation) {
            UErrorCode createStatus = U_ZERO_ERROR;
            auto width = m_configuration.unitsStyle == UnitsStyle::abbreviated ? UMEASFMT_WIDTH_NARROW : UMEASFMT_WIDTH_WIDE;
            m_format = std::make_unique<Icu>(Icu { std::make_unique<icu::MeasureFormat>(icu::Locale::getDefault(), width, createStatus) });
            if (U_FAILURE(createStatus))
                m_format->object.reset();
            m_generation = generation;
        }
        if (!m_format->object)
            return std::nullopt;
        icu::FieldPosition position;
        m_format->object->formatMeasures(measures.data(), static_cast<int32_t>(measures.size()), formatted, position, status);
    }
    if (U_FAILURE(status))
        return std::nullopt;
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

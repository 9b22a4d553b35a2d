#include "TVKUtils/RelativeTime.hpp"

#include "TVKLocalization/L10n.hpp"
#include "TVKUtils/DateOperations.hpp"
#include "TVKUtils/RelativeDateTimeFormatter.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace tvk {

namespace {

constexpr std::string_view narrowNoBreakSpace = "\u202F";

enum class Form { shortForm, compactForm };

/// The whole seconds between the two dates, rounded to the nearest; a span that is not a
/// number counts as none.
std::int64_t roundedSeconds(Date date, Date reference)
{
    double span = std::fabs(date - reference);
    if (!std::isfinite(span))
        return span > 0 ? INT64_MAX / 2 : 0;
    return static_cast<std::int64_t>(std::min(std::round(span), 9.0e18));
}

std::string relativeTime(Date date, Date reference, Form form, ForAccessibility forAccessibility, IsCurrentEvent isCurrentEvent)
{
    std::int64_t seconds = roundedSeconds(date, reference);
    bool current = isCurrentEvent == IsCurrentEvent::yes;

    if (seconds > 14400 && isTomorrow(date, reference)) {
        if (form == Form::shortForm && !current)
            return L10n::TimeFormat::tomorrow() + " " + DateFormatter::timeOnly().string(date);
        if (form == Form::compactForm)
            return L10n::TimeFormat::ExtraShort::tomorrow() + " " + DateFormatter::timeOnly().string(date);
    }

    bool full = form == Form::shortForm && forAccessibility == ForAccessibility::yes;
    std::string_view separator = form == Form::shortForm ? narrowNoBreakSpace : std::string_view();
    auto amount = [&](std::int64_t value, const std::string& unit) { return std::to_string(value) + std::string(separator) + unit; };
    auto minutesUnit = [&] { return full ? L10n::TimeFormat::minutesFull() : L10n::TimeFormat::minutesShort(); };

    std::string text;
    if (seconds > 86400) {
        text = amount(seconds / 86400, full ? L10n::TimeFormat::daysFull() : L10n::TimeFormat::daysShort());
    } else if (seconds > 3600) {
        std::int64_t hours = seconds / 3600;
        std::int64_t minutes = (seconds - hours * 3600) / 60;
        auto hoursUnit = full ? L10n::TimeFormat::hoursFull() : L10n::TimeFormat::hoursShort();
        if (form == Form::shortForm) {
            text = amount(hours, hoursUnit) + " " + amount(minutes, minutesUnit());
        } else {
            char twoDigits[8];
            std::snprintf(twoDigits, sizeof twoDigits, "%02d", static_cast<int>(minutes));
            text = amount(hours, hoursUnit) + twoDigits;
        }
    } else if (seconds > 60) {
        text = amount(seconds / 60, minutesUnit());
    } else if (seconds >= 30) {
        text = amount(1, minutesUnit());
    } else {
        return L10n::TimeFormat::now();
    }

    if (current)
        return L10n::TimeFormat::left(text);
    if (date < reference)
        return L10n::TimeFormat::ago(text);
    return form == Form::shortForm ? L10n::TimeFormat::in(text) : text;
}

}

std::string formattedRelativeTime(Date date, Date reference)
{
    return RelativeDateTimeFormatter::standard().localizedString(date, reference);
}

std::string formattedShortRelativeTime(Date date, Date reference, ForAccessibility forAccessibility, IsCurrentEvent isCurrentEvent)
{
    return relativeTime(date, reference, Form::shortForm, forAccessibility, isCurrentEvent);
}

std::string formattedCompactRelativeTime(Date date, Date reference, IsCurrentEvent isCurrentEvent)
{
    return relativeTime(date, reference, Form::compactForm, ForAccessibility::no, isCurrentEvent);
}

std::string formattedWithOnAndAt(Date date, const DateFormatter& dateFormatter, const DateFormatter& timeFormatter)
{
    if (isOnSameDay(date, Date::now()))
        return L10n::TimeFormat::atTime() + " " + timeFormatter.string(date);
    return L10n::TimeFormat::onDay() + " " + dateFormatter.string(date) + " " + L10n::TimeFormat::atTime() + " "
        + timeFormatter.string(date);
}

}

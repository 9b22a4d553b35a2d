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

/// The phrase an amount stands in: "in 5 minutes", "5 minutes ago", "5 minutes left".
enum class Phrase { in, ago, left };

/// The catalog's unit words for each phrase, in the form for a count.
struct UnitWords {
    std::string (*days)(std::int64_t);
    std::string (*hours)(std::int64_t);
    std::string (*minutes)(std::int64_t);
};

UnitWords spokenUnitWords(Phrase phrase)
{
    namespace Spoken = L10n::TimeFormat::Spoken;
    switch (phrase) {
    case Phrase::in: return { Spoken::daysIn, Spoken::hoursIn, Spoken::minutesIn };
    case Phrase::ago: return { Spoken::daysAgo, Spoken::hoursAgo, Spoken::minutesAgo };
    case Phrase::left: return { Spoken::daysLeft, Spoken::hoursLeft, Spoken::minutesLeft };
    }
    return { Spoken::daysIn, Spoken::hoursIn, Spoken::minutesIn };
}

UnitWords symbolUnitWords()
{
    return {
        [](std::int64_t) { return L10n::TimeFormat::daysShort(); },
        [](std::int64_t) { return L10n::TimeFormat::hoursShort(); },
        [](std::int64_t) { return L10n::TimeFormat::minutesShort(); },
    };
}

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

    Phrase phrase = current ? Phrase::left : date < reference ? Phrase::ago : Phrase::in;
    // Spoken units are words that agree with their number and, in some languages, with the
    // phrase around them; symbols agree with nothing.
    bool spoken = form == Form::shortForm && forAccessibility == ForAccessibility::yes;
    UnitWords units = spoken ? spokenUnitWords(phrase) : symbolUnitWords();
    std::string_view separator = form == Form::shortForm ? narrowNoBreakSpace : std::string_view();
    auto amount = [&](std::int64_t value, std::string (*unit)(std::int64_t)) {
        return std::to_string(value) + std::string(separator) + unit(value);
    };

    std::string text;
    if (seconds > 86400) {
        text = amount(seconds / 86400, units.days);
    } else if (seconds > 3600) {
        std::int64_t hours = seconds / 3600;
        std::int64_t minutes = (seconds - hours * 3600) / 60;
        if (form == Form::shortForm) {
            text = amount(hours, units.hours) + " " + amount(minutes, units.minutes);
        } else {
            char twoDigits[8];
            std::snprintf(twoDigits, sizeof twoDigits, "%02d", static_cast<int>(minutes));
            text = amount(hours, units.hours) + twoDigits;
        }
    } else if (seconds > 60) {
        text = amount(seconds / 60, units.minutes);
    } else if (seconds >= 30) {
        text = amount(1, units.minutes);
    } else {
        return L10n::TimeFormat::now();
    }

    switch (phrase) {
    case Phrase::left: return L10n::TimeFormat::left(text);
    case Phrase::ago: return L10n::TimeFormat::ago(text);
    case Phrase::in: return form == Form::shortForm ? L10n::TimeFormat::in(text) : text;
    }
    return text;
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

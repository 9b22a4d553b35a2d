#pragma once

#include "Platform/Runtime/Date.hpp"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace tvk {

/// A date formatter over ICU with the platform's settings: date and time styles, relative
/// date words, a localized pattern from a template, or a fixed pattern. It follows the module
/// calendar's time zone and ICU's default locale unless its configuration names its own.
///
/// The shared formatters below are created once on first use (and again after
/// `ModuleCalendar::reload()`); every formatter is safe to use from any thread.
class DateFormatter {
public:
    enum class Style { none, shortStyle, mediumStyle, longStyle, fullStyle };
    /// Where the text stands, which decides the capitalization of words such as "today".
    enum class Context { unknown, middleOfSentence, beginningOfSentence, standalone };

    struct Configuration {
        Style dateStyle = Style::none;
        Style timeStyle = Style::none;
        /// Days near today as words ("today", "tomorrow") instead of dates.
        bool doesRelativeDateFormatting = false;
        Context formattingContext = Context::unknown;
        /// A skeleton such as "EdMMM": the locale's own pattern with those fields.
        std::string localizedTemplate;
        /// A fixed pattern such as "EEEE"; wins over the template and the styles.
        std::string fixedPattern;
        /// Empty: the module calendar's zone.
        std::string timeZoneIdentifier;
        /// Empty: ICU's default locale.
        std::string localeIdentifier;
    };

    /// date none, time short: "9:30 AM" (en_US, with U+202F before AM), "09:30" (de_DE).
    static const DateFormatter& timeOnly();
    /// date long, time none: "December 7, 2026", "7. Dezember 2026".
    static const DateFormatter& dateOnly();
    /// date medium, time short, relative words, middle of a sentence: "today, 9:30 AM",
    /// "Dec 9, 2026, 9:30 AM".
    static const DateFormatter& timeAndDateFormatter();
    /// The locale's pattern for weekday, day and short month: "Mon, Dec 7", "Mo., 7. Dez.".
    static const DateFormatter& dateOnlyNoYearWeekDay();
    /// "20261207T083000Z": UTC, en_US_POSIX, for identifiers of calendar occurrences.
    static const DateFormatter& calendarEventOccurrence();
    /// The full weekday name: "Monday", "Montag".
    static const DateFormatter& weekDay();

    explicit DateFormatter(Configuration configuration);
    ~DateFormatter();
    DateFormatter(const DateFormatter&) = delete;
    DateFormatter& operator=(const DateFormatter&) = delete;

    /// The text of `date`; empty for a date no calendar can hold.
    std::string string(Date date) const;
    /// The ICU pattern in use, for diagnostics.
    std::string pattern() const;

    const Configuration& configuration() const { return m_configuration; }

private:
    void rebuildIfNeeded() const;

    Configuration m_configuration;
    mutable std::mutex m_mutex;
    /// The ICU object, behind a pointer so that this header needs no ICU header.
    struct Icu;
    mutable std::unique_ptr<Icu> m_format;
    mutable std::uint64_t m_generation = 0;
};

}

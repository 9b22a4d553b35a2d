#pragma once

#include "Platform/Runtime/Date.hpp"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace tvk {

/// Writes a duration in units, as the platform's date-components formatter does: "1h 5m" with
/// unit symbols, "1 hour, 5 minutes" with full names, in the current locale (ICU's measure
/// number formats and unit list patterns). Zero units are dropped wherever they stand (a duration of zero
/// shows the smallest allowed unit: "0m"). Amounts are whole units: what is left below the
/// smallest allowed unit, or below the last unit that `maximumUnitCount` lets through, is
/// dropped (truncated, never rounded up, so a countdown never shows more time than is left).
/// A negative duration reads with a minus on its first unit: "-1h 5m".
///
/// Shared formatters are created once; every formatter is safe to use from any thread.
class DateComponentsFormatter {
public:
    enum class UnitsStyle {
        abbreviated, // unit symbols: "1h 5m", "1 Std., 5 Min."
        full, // full names: "1 hour, 5 minutes", "1 Stunde, 5 Minuten"
    };
    enum class Unit { day, hour, minute, second };

    struct Configuration {
        UnitsStyle unitsStyle = UnitsStyle::abbreviated;
        /// From the largest to the smallest.
        std::vector<Unit> allowedUnits { Unit::day, Unit::hour, Unit::minute, Unit::second };
        /// Wraps the text in the catalog's "TimeFormat.timeRemaining" ("%@ remaining").
        bool includesTimeRemainingPhrase = false;
        /// At most this many units from the first non-zero one; 0 for no limit.
        int maximumUnitCount = 0;
    };

    /// Unit symbols; day, hour, minute, second; the time-remaining phrase; one unit:
    /// "5m remaining".
    static const DateComponentsFormatter& timeRemainingFormatter();
    /// Unit symbols; day, hour, minute; at most two units: "1h 30m", "2d 3h".
    static const DateComponentsFormatter& countdownFormatter();
    /// Unit symbols; day, hour, minute: "1h 5m".
    static const DateComponentsFormatter& durationFormatter();
    /// Full names; day, hour, minute: "1 hour, 5 minutes".
    static const DateComponentsFormatter& durationFormatterForAccessibility();
    /// Full names; hour, minute, second: "1 minute, 30 seconds".
    static const DateComponentsFormatter& durationFormatterForTimeOffset();

    explicit DateComponentsFormatter(Configuration configuration);
    ~DateComponentsFormatter();
    DateComponentsFormatter(const DateComponentsFormatter&) = delete;
    DateComponentsFormatter& operator=(const DateComponentsFormatter&) = delete;

    /// A number of seconds, with fixed units (a day is 86,400 seconds). None for a non-finite
    /// value, one beyond a million years, or a configuration without units.
    std::optional<std::string> string(TimeInterval seconds) const;
    /// The span between two dates in the module calendar's units, so that a day across a
    /// daylight-saving change is still one day. None as above.
    std::optional<std::string> string(Date from, Date to) const;

    const Configuration& configuration() const { return m_configuration; }

private:
    std::optional<std::string> text(const std::vector<std::int64_t>& amounts, bool negative) const;

    Configuration m_configuration;
    mutable std::mutex m_mutex;
    /// The ICU object, behind a pointer so that this header needs no ICU header.
    struct Icu;
    mutable std::unique_ptr<Icu> m_format;
    mutable std::uint64_t m_generation = 0;
};

}

#pragma once

#include <compare>
#include <string>

namespace tvk {

/// Seconds, as a double: durations, offsets and differences between dates.
using TimeInterval = double;

/// An absolute point in time, kept as seconds since 1 January 1970 00:00:00 UTC.
///
/// Dates carry no time zone or calendar; "today" and day boundaries are the business of the
/// module calendar. The current time is always read through `Date::now()`, which follows the
/// process clock so that tests and `tvkctl --now` can pin it.
class Date {
public:
    /// Seconds from 1 January 1970 to 1 January 2001 (UTC), the reference date of the JSON and
    /// property-list forms that the main application writes.
    static constexpr TimeInterval referenceDateOffset = 978307200.0;

    constexpr Date() = default;
    constexpr explicit Date(TimeInterval secondsSince1970)
        : m_secondsSince1970(secondsSince1970)
    {
    }

    /// The current time of the process clock (see `ProcessClock`).
    static Date now();

    static constexpr Date fromTimeIntervalSinceReferenceDate(TimeInterval seconds) { return Date(seconds + referenceDateOffset); }

    constexpr TimeInterval timeIntervalSince1970() const { return m_secondsSince1970; }
    constexpr TimeInterval timeIntervalSinceReferenceDate() const { return m_secondsSince1970 - referenceDateOffset; }
    constexpr TimeInterval timeIntervalSince(Date other) const { return m_secondsSince1970 - other.m_secondsSince1970; }
    constexpr Date addingTimeInterval(TimeInterval seconds) const { return Date(m_secondsSince1970 + seconds); }

    constexpr Date operator+(TimeInterval seconds) const { return addingTimeInterval(seconds); }
    constexpr Date operator-(TimeInterval seconds) const { return addingTimeInterval(-seconds); }
    constexpr TimeInterval operator-(Date other) const { return timeIntervalSince(other); }
    constexpr Date& operator+=(TimeInterval seconds)
    {
        m_secondsSince1970 += seconds;
        return *this;
    }

    constexpr auto operator<=>(const Date&) const = default;
    constexpr bool operator==(const Date&) const = default;

    /// The default textual form of an absolute time, always in UTC and independent of the
    /// locale: "2023-11-14 22:13:20 +0000". Fractions of a second are not shown.
    std::string description() const;

    /// Seconds since 1970 written as the platform writes a double: "1700000000.0".
    std::string secondsDescription() const;

private:
    TimeInterval m_secondsSince1970 = 0;
};

}

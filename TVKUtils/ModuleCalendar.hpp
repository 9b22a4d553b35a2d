#pragma once

#include "Platform/Runtime/Date.hpp"
#include "Platform/Runtime/DateComponents.hpp"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tvk {

enum class CalendarUnit { year, month, weekOfYear, day, hour, minute, second };

/// The user's calendar in the user's time zone (ICU's defaults, which `IcuEnvironment` sets
/// from `TZ` and the locale at start-up), taken once on first use and kept: every date
/// operation and every shared formatter of the utilities computes with it, so "today",
/// "tomorrow" and day boundaries agree everywhere. Safe from any thread.
///
/// A result the calendar cannot form (a date millions of years away, a non-finite time) is
/// none; the operations built on these document what they give then.
class ModuleCalendar {
public:
    static ModuleCalendar& shared();

    /// Takes the calendar, zone and locale afresh from ICU's defaults, and has every shared
    /// formatter rebuild on its next use. For tests and for programs that change ICU's
    /// defaults after start-up; ordinary programs never need it.
    static void reload();
    /// Changes whenever `reload` runs; formatters compare it to know when to rebuild.
    static std::uint64_t generation();

    std::string timeZoneIdentifier() const;
    std::string localeIdentifier() const;

    /// The weekday of `date`: 1 is Sunday, 2 Monday, through 7 Saturday.
    std::optional<int> weekday(Date date) const;
    /// Year, month, day, hour, minute and second of `date`.
    std::optional<DateComponents> components(Date date) const;
    /// The local day `date` falls on, counted from 1 January 1970 in the user's zone: two
    /// dates have the same number exactly when `components` gives them the same day (every
    /// calendar turns its day at local midnight). Takes no lock and computes no calendar
    /// fields, for the same-day tests of every event text.
    std::optional<std::int64_t> dayNumber(Date date) const;
    /// The date of the given fields, missing ones taken as the start of their range (month 1,
    /// day 1, 00:00:00), in the components' zone when they name a known one, else the user's.
    /// Out-of-range fields carry over as the calendar does (hour 24 is 00:00 of the next day;
    /// day 32 of January is 1 February). A reading that the clocks repeat or skip is placed by
    /// the rule of `WallClockTime`: the first occurrence, or moved forward by the gap.
    std::optional<Date> date(const DateComponents& components) const;
    /// `date` moved by `amount` units; days and longer keep the wall-clock time across
    /// daylight-saving changes (placed again by the rule of `WallClockTime`), hours and
    /// smaller move the absolute time.
    std::optional<Date> adding(CalendarUnit unit, std::int64_t amount, Date date) const;
    /// The whole units from `from` to `to`, largest first: each value is counted after the
    /// larger units before it have been added, truncated toward zero, negative when `to` is
    /// earlier.
    std::optional<std::vector<std::int64_t>> differences(Date from, Date to, std::span<const CalendarUnit> units) const;

    ModuleCalendar(const ModuleCalendar&) = delete;
    ModuleCalendar& operator=(const ModuleCalendar&) = delete;
    ~ModuleCalendar();

private:
    ModuleCalendar();
    void takeDefaults();

    mutable std::mutex m_mutex;
    /// The ICU object, behind a pointer so that this header needs no ICU header.
    struct Icu;
    std::unique_ptr<Icu> m_calendar;
};

}

#pragma once

#include "Platform/Calendar/CalendarStore.hpp"
#include "Platform/Calendar/ICalendarParser.hpp"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tvk {

/// The events and to-dos of one calendar's iCalendar items, placed in time, answering what a
/// `CalendarStore` hands out: the events and occurrences that overlap a window, an item by its
/// identifier, the incomplete to-dos due in a window.
///
/// Events that do not recur are kept by start; each series keeps its overridden instances
/// (RECURRENCE-ID), which replace the occurrences they name and are marked detached.
/// Occurrences come from `ICalendarParser::expand`, over a horizon wider than the window asked
/// for, and are kept until a window leaves the horizon, so that the queries of a widget refresh
/// (the same window, moved on by a minute) expand nothing again.
///
/// Identifiers: events "<calendar identifier>:<UID>", shared by the occurrences of a series;
/// calendar items a name-based UUID of the calendar identifier and the UID. Participants whose
/// address is one of the calendar source's owner addresses are the current user.
///
/// Not thread-safe: callers serialise their calls (queries update the expansion cache).
class CalendarItemIndex {
public:
    /// Most occurrences one series yields per query; more are cut with a log line.
    static constexpr size_t maximumOccurrencesPerSeries = 5000;

    /// `eventCalendar` receives the VEVENTs and `reminderCalendar` the VTODOs; either may be
    /// null, and its items are then left out. `localZone` (an Olson name) places floating times
    /// and dates; `origin` names the calendar in log lines.
    CalendarItemIndex(std::vector<std::shared_ptr<const ParsedCalendarFile>> files, StoreCalendarPointer eventCalendar,
        StoreCalendarPointer reminderCalendar, std::string localZone, std::string origin);

    static std::string eventIdentifier(const std::string& calendarIdentifier, const std::string& uid);
    static std::string calendarItemIdentifier(const std::string& calendarIdentifier, const std::string& uid);

    /// Appends every event and occurrence that overlaps [windowStart, windowEnd], edges
    /// included, in no particular order.
    void collectEvents(Date windowStart, Date windowEnd, std::vector<StoreEvent>& out);
    /// The event with that UID; for a series, its first occurrence.
    std::optional<StoreEvent> event(const std::string& uid) const;
    std::optional<CalendarItem> calendarItem(const std::string& calendarItemIdentifier) const;
    /// The to-dos not completed, due in [start, end] (an absent bound is open; with no bound at
    /// all, to-dos without a due date too), by due date and then identifier.
    std::vector<StoreReminder> reminders(std::optional<Date> start, std::optional<Date> end) const;

    const std::vector<std::shared_ptr<const ParsedCalendarFile>>& files() const { return m_files; }

private:
    struct PlacedEvent {
        const ParsedCalendarFile* file = nullptr;
        const ParsedItem* item = nullptr;
        Date start;
        Date end;
        bool allDay = false;
        int allDayLength = 1; // days, for all-day events
    };
    struct Expansion {
        Date from;
        Date to;
        std::vector<std::pair<CalendarTime, Date>> starts;
    };

    std::optional<PlacedEvent> place(const ParsedCalendarFile& file, const ParsedItem& item) const;
    StoreEvent materialize(const PlacedEvent& placed, Date start, Date end, std::optional<Date> occurrenceDate, bool detached,
        bool recurring) const;
    StoreReminder makeReminder(const ParsedCalendarFile& file, const ParsedItem& item) const;

    std::vector<std::shared_ptr<const ParsedCalendarFile>> m_files;
    StoreCalendarPointer m_eventCalendar;
    StoreCalendarPointer m_reminderCalendar;
    std::string m_localZone;
    std::string m_origin;

    std::vector<PlacedEvent> m_singles; // by start
    TimeInterval m_longestSingle = 0;
    std::vector<PlacedEvent> m_series;
    std::vector<std::optional<Expansion>> m_expansions; // one per series
    std::map<std::string, std::vector<PlacedEvent>> m_overrides; // by UID
    std::vector<std::pair<const ParsedCalendarFile*, const ParsedItem*>> m_todos;
    std::map<std::string, std::string> m_uidsByItemIdentifier;
};

}

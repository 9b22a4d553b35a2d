#pragma once

#include "Platform/Runtime/Date.hpp"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <tl/expected.hpp>
#include <vector>

struct icalcomponent_impl;

namespace tvk {

/// A date or date-time value as an iCalendar file writes it, before it is placed in time.
struct CalendarTime {
    enum class Zone { floating, utc, named };

    int year = 1970;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    bool isDate = false;
    Zone zone = Zone::floating;
    /// For `named`: an Olson name, or the TZID of a zone that only the file defines.
    std::string zoneName;

    bool operator==(const CalendarTime&) const = default;
};

struct ParsedParticipant {
    std::optional<std::string> commonName;
    /// The property value, usually "mailto:…".
    std::optional<std::string> address;
    std::optional<std::string> role;
    std::optional<std::string> participationStatus;
    bool operator==(const ParsedParticipant&) const = default;
};

struct ParsedAlarm {
    std::optional<TimeInterval> relativeOffset;
    bool relativeToEnd = false;
    std::optional<CalendarTime> absoluteTime;
    bool operator==(const ParsedAlarm&) const = default;
};

/// One VEVENT or VTODO, with what the store needs and nothing else.
struct ParsedItem {
    enum class Kind { event, todo };

    Kind kind = Kind::event;
    std::string uid;
    std::optional<std::string> summary;
    std::optional<std::string> location;
    std::optional<std::string> description;
    std::optional<std::string> url;
    std::string status;
    std::optional<CalendarTime> start;
    std::optional<CalendarTime> end;
    std::optional<TimeInterval> duration;
    /// The days and weeks of `duration`, which count calendar days: across a clock change such
    /// a day is 23 or 25 hours long, so the end is the same reading that many days on, plus the
    /// exact rest.
    int durationDays = 0;
    std::optional<CalendarTime> due;
    std::optional<CalendarTime> recurrenceId;
    std::optional<std::string> recurrenceRule;
    std::vector<CalendarTime> recurrenceDates;
    std::vector<CalendarTime> exceptionDates;
    std::optional<ParsedParticipant> organizer;
    std::vector<ParsedParticipant> attendees;
    std::vector<ParsedAlarm> alarms;
    std::optional<TimeInterval> travelTime;
    bool isCompleted = false;
    /// SEQUENCE and DTSTAMP, which decide between two copies of one item (RFC 5545, 3.8.7).
    int sequence = 0;
    std::optional<CalendarTime> stamp;

    bool operator==(const ParsedItem&) const = default;
};

/// What one `.ics` file holds: its items, the calendar name and colour it declares, and the
/// time zones that only it defines.
struct ParsedCalendarFile {
    std::vector<ParsedItem> items;
    std::optional<std::string> calendarName;
    std::optional<std::string> calendarColor;
    /// Items that were left out, each with the reason ("VEVENT without DTSTART").
    std::vector<std::string> skipped;

    /// Zones the file defines with a VTIMEZONE whose TZID names no zone of the system's tzdata,
    /// kept so that the file's times can still be placed.
    struct CustomZone;
    std::map<std::string, std::shared_ptr<CustomZone>> customZones;
};

/// Reading iCalendar text with libical, and placing its times.
class ICalendarParser {
public:
    /// Files larger than this are refused rather than parsed.
    static constexpr size_t maximumFileSize = 64 * 1024 * 1024;

    /// Parses the text of an `.ics` file. Text that is not iCalendar (no VCALENDAR, too large,
    /// nested too deeply) is an error; an item that cannot be used (no UID, an event without a
    /// start, a time zone nobody defines) is left out and named in `skipped`.
    static tl::expected<ParsedCalendarFile, std::string> parse(std::string_view text);

    /// The VTIMEZONE definitions of the zones that only `file` defines, as the text of a
    /// VCALENDAR that `parse` reads back into the same zones; empty when there are none.
    static std::string zoneDefinitions(const ParsedCalendarFile& file);

    /// Reads a component that libical holds already (a VCALENDAR, an XROOT of them, or a
    /// single VEVENT or VTODO) as `parse` reads the text of one. The component is not changed.
    static tl::expected<ParsedCalendarFile, std::string> read(icalcomponent_impl* component);

    /// Resolves a TZID to an Olson name of the system's tzdata: an Olson name itself (with or
    /// without a leading libical prefix), or a Windows zone name ("W. Europe Standard Time").
    static std::optional<std::string> olsonZoneName(std::string_view tzid);

    /// The instant of `time`; floating times and dates are read in `localZone` (an Olson
    /// name). None when the zone is unknown.
    static std::optional<Date> instant(const CalendarTime& time, const ParsedCalendarFile& file, const std::string& localZone);

    /// The local time in the zone of `reference` (or `localZone` for floating references) of
    /// the instant `date`, as a date-time (or a date when `reference` is a date).
    static std::optional<CalendarTime> inZoneOf(
        const CalendarTime& reference, Date date, const ParsedCalendarFile& file, const std::string& localZone);

    /// The latest start any occurrence of the item's rule can have (COUNT, UNTIL and RDATE
    /// bound it); none for a rule without an end. Cheap: a COUNT is only stepped through when it
    /// is at most `maximumSteps`.
    static std::optional<Date> lastOccurrenceStart(
        const ParsedItem& item, const ParsedCalendarFile& file, const std::string& localZone, size_t maximumSteps);

    /// Calls `visit` with the start of every occurrence of the item's rule (RRULE, RDATE, minus
    /// EXDATE) that may overlap [windowStart, windowEnd] given its duration, in order, at most
    /// `maximumOccurrences` times. The first occurrence is the DTSTART itself.
    /// Returns false when the expansion was cut short by that limit.
    static bool expand(const ParsedItem& item, const ParsedCalendarFile& file, const std::string& localZone, Date windowStart,
        Date windowEnd, TimeInterval duration, size_t maximumOccurrences, const std::function<void(const CalendarTime&, Date)>& visit);

    /// What `expand` yields besides its arguments: the revision of its own rules and the zone
    /// data it reads (the system's tzdata as libical finds it, and ICU's, which maps Windows
    /// zone names). Occurrences kept beyond a process are right only while this stays the same;
    /// raise `expansionRevision` whenever a change makes `expand` yield other occurrences.
    static std::string expansionContext();
    static constexpr int expansionRevision = 1;
};

}

#include "Platform/Calendar/CalendarItemIndex.hpp"

#include "Platform/Calendar/StoreOrdering.hpp"
#include "Platform/Runtime/CivilTime.hpp"
#include "Platform/Runtime/PlatformLog.hpp"
#include "Platform/Text/AsciiCase.hpp"

#include <glib.h>

#include <algorithm>
#include <cmath>
#include <set>

namespace tvk {

namespace {

constexpr char logCategory[] = "Calendar";

// Name-based identifiers (UUID version 5 layout over SHA-1), so that a calendar keeps its
// identifier for as long as it stays where it is.
std::string derivedIdentifier(const std::string& name)
{
    GChecksum* checksum = g_checksum_new(G_CHECKSUM_SHA1);
    static constexpr char nameSpace[] = "tarvik.calendar-store";
    g_checksum_update(checksum, reinterpret_cast<const guchar*>(nameSpace), sizeof nameSpace - 1);
    g_checksum_update(checksum, reinterpret_cast<const guchar*>(name.data()), static_cast<gssize>(name.size()));
    guint8 digest[20];
    gsize length = sizeof digest;
    g_checksum_get_digest(checksum, digest, &length);
    g_checksum_free(checksum);
    digest[6] = static_cast<guint8>((digest[6] & 0x0F) | 0x50);
    digest[8] = static_cast<guint8>((digest[8] & 0x3F) | 0x80);
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string text;
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text += '-';
        text += hex[digest[i] >> 4];
        text += hex[digest[i] & 0x0F];
    }
    return text;
}

StoreParticipantStatus participantStatus(const std::optional<std::string>& value)
{
    if (!value)
        return StoreParticipantStatus::pending; // RFC 5545: NEEDS-ACTION is the default
    static const std::map<std::string, StoreParticipantStatus> table {
        { "NEEDS-ACTION", StoreParticipantStatus::pending },
        { "ACCEPTED", StoreParticipantStatus::accepted },
        { "DECLINED", StoreParticipantStatus::declined },
        { "TENTATIVE", StoreParticipantStatus::tentative },
        { "DELEGATED", StoreParticipantStatus::delegated },
        { "COMPLETED", StoreParticipantStatus::completed },
        { "IN-PROCESS", StoreParticipantStatus::inProcess },
    };
    auto found = table.find(*value);
    return found == table.end() ? StoreParticipantStatus::unknown : found->second;
}

ParticipantRole participantRole(const std::optional<std::string>& value, ParticipantRole fallback)
{
    if (!value)
        return fallback;
    if (*value == "CHAIR")
        return ParticipantRole::chair;
    if (*value == "REQ-PARTICIPANT")
        return ParticipantRole::required;
    if (*value == "OPT-PARTICIPANT")
        return ParticipantRole::optional;
    if (*value == "NON-PARTICIPANT")
        return ParticipantRole::nonParticipant;
    return ParticipantRole::unknown;
}

std::optional<std::string> mailAddress(const std::optional<std::string>& uri)
{
    if (!uri || uri->size() <= 7 || !equalsIgnoringAsciiCase(uri->substr(0, 7), "mailto:"))
        return std::nullopt;
    return uri->substr(7);
}

StoreParticipant makeParticipant(const ParsedParticipant& parsed, ParticipantRole fallbackRole, const StoreSource& source)
{
    StoreParticipant participant;
    participant.name = parsed.commonName;
    participant.url = parsed.address;
    participant.role = participantRole(parsed.role, fallbackRole);
    participant.status = participantStatus(parsed.participationStatus);
    auto email = mailAddress(parsed.address);
    participant.contactPredicate = ContactPredicate { email, parsed.commonName };
    if (email) {
        for (auto& owner : source.ownerAddresses) {
            auto ownerEmail = mailAddress(owner);
            if (equalsIgnoringAsciiCase(ownerEmail.value_or(owner), *email)) {
                participant.isCurrentUser = true;
                break;
            }
        }
    }
    return participant;
}

DateComponents components(const CalendarTime& time)
{
    DateComponents result;
    result.year = time.year;
    result.month = time.month;
    result.day = time.day;
    if (!time.isDate) {
        result.hour = time.hour;
        result.minute = time.minute;
        result.second = time.second;
        if (time.zone == CalendarTime::Zone::utc)
            result.timeZone = "UTC";
        else if (time.zone == CalendarTime::Zone::named)
            result.timeZone = time.zoneName;
    }
    return result;
}

CalendarTime nextDay(const CalendarTime& date, int days)
{
    CivilTime civil { date.year, static_cast<unsigned>(date.month), static_cast<unsigned>(date.day), 0, 0, 0 };
    auto next = CivilTime::fromSecondsSince1970(civil.secondsSince1970() + 86400LL * days);
    CalendarTime result = date;
    result.year = static_cast<int>(next.year);
    result.month = static_cast<int>(next.month);
    result.day = static_cast<int>(next.day);
    return result;
}

int daysBetween(const CalendarTime& from, const CalendarTime& to)
{
    CivilTime a { from.year, static_cast<unsigned>(from.month), static_cast<unsigned>(from.day), 0, 0, 0 };
    CivilTime b { to.year, static_cast<unsigned>(to.month), static_cast<unsigned>(to.day), 0, 0, 0 };
    return static_cast<int>((b.secondsSince1970() - a.secondsSince1970()) / 86400);
}

}

std::string CalendarItemIndex::eventIdentifier(const std::string& calendarIdentifier, const std::string& uid)
{
    return calendarIdentifier + ":" + uid;
}

std::string CalendarItemIndex::calendarItemIdentifier(const std::string& calendarIdentifier, const std::string& uid)
{
    return derivedIdentifier(calendarIdentifier + "\n" + uid);
}

CalendarItemIndex::CalendarItemIndex(std::vector<std::shared_ptr<const ParsedCalendarFile>> files, StoreCalendarPointer eventCalendar,
    StoreCalendarPointer reminderCalendar, std::string localZone, std::string origin)
    : m_files(std::move(files))
    , m_eventCalendar(std::move(eventCalendar))
    , m_reminderCalendar(std::move(reminderCalendar))
    , m_localZone(std::move(localZone))
    , m_origin(std::move(origin))
{
    std::set<std::string> seriesUids;
    for (auto& file : m_files) {
        for (auto& item : file->items) {
            if (item.kind == ParsedItem::Kind::event && !item.recurrenceId && (item.recurrenceRule || !item.recurrenceDates.empty()))
                seriesUids.insert(item.uid);
        }
    }
    for (auto& file : m_files) {
        for (auto& item : file->items) {
            if (item.kind == ParsedItem::Kind::todo) {
                if (!m_reminderCalendar)
                    continue;
                m_todos.emplace_back(file.get(), &item);
                m_uidsByItemIdentifier[calendarItemIdentifier(m_reminderCalendar->calendarIdentifier, item.uid)] = item.uid;
                continue;
            }
            if (!m_eventCalendar)
                continue;
            auto placed = place(*file, item);
            if (!placed)
                continue;
            m_uidsByItemIdentifier[calendarItemIdentifier(m_eventCalendar->calendarIdentifier, item.uid)] = item.uid;
            if (item.recurrenceId && seriesUids.contains(item.uid)) {
                m_overrides[item.uid].push_back(*placed);
            } else if (!item.recurrenceId && seriesUids.contains(item.uid)) {
                m_series.push_back(*placed);
            } else {
                m_singles.push_back(*placed);
                m_longestSingle = std::max(m_longestSingle, placed->end - placed->start);
            }
        }
    }
    std::stable_sort(m_singles.begin(), m_singles.end(), [](auto& a, auto& b) { return a.start < b.start; });
    m_expansions.assign(m_series.size(), std::nullopt);
}

std::optional<CalendarItemIndex::PlacedEvent> CalendarItemIndex::place(const ParsedCalendarFile& file, const ParsedItem& item) const
{
    if (!item.start)
        return std::nullopt;
    auto start = ICalendarParser::instant(*item.start, file, m_localZone);
    if (!start)
        return std::nullopt;
    PlacedEvent placed { &file, &item, *start, *start, item.start->isDate, 1 };
    if (placed.allDay) {
        int days = 1;
        if (item.end && item.end->isDate)
            days = std::max(1, daysBetween(*item.start, *item.end));
        else if (item.duration)
            days = std::max(1, static_cast<int>(std::ceil(*item.duration / 86400.0)));
        placed.allDayLength = days;
        if (auto end = ICalendarParser::instant(nextDay(*item.start, days), file, m_localZone))
            placed.end = *end - 1;
    } else if (item.end) {
        if (auto end = ICalendarParser::instant(*item.end, file, m_localZone))
            placed.end = std::max(*end, *start);
    } else if (item.duration) {
        placed.end = *start + std::max(0.0, *item.duration);
    }
    return placed;
}

StoreEvent CalendarItemIndex::materialize(
    const PlacedEvent& placed, Date start, Date end, std::optional<Date> occurrenceDate, bool detached, bool recurring) const
{
    const ParsedItem& item = *placed.item;
    StoreEvent event;
    event.calendar = m_eventCalendar;
    event.eventIdentifier = eventIdentifier(m_eventCalendar->calendarIdentifier, item.uid);
    event.calendarItemIdentifier = calendarItemIdentifier(m_eventCalendar->calendarIdentifier, item.uid);
    event.startDate = start;
    event.endDate = end;
    event.title = item.summary;
    event.location = item.location;
    event.notes = item.description;
    event.url = item.url;
    event.hasRecurrenceRules = recurring;
    event.occurrenceDate = occurrenceDate.value_or(start);
    event.isAllDay = placed.allDay;
    event.status = item.status == "CANCELLED" ? EventStatus::canceled
        : item.status == "TENTATIVE"          ? EventStatus::tentative
        : item.status == "CONFIRMED"          ? EventStatus::confirmed
                                              : EventStatus::none;
    event.isDetached = detached;
    const StoreSource& source = m_eventCalendar->source;
    if (item.organizer) {
        event.organizer = makeParticipant(*item.organizer, ParticipantRole::chair, source);
        // ORGANIZER has no PARTSTAT in RFC 5545, so the attendees' default (NEEDS-ACTION) does
        // not apply: the organizer stands behind their own meeting.
        if (!item.organizer->participationStatus)
            event.organizer->status = StoreParticipantStatus::accepted;
    }
    for (auto& attendee : item.attendees)
        event.attendees.push_back(makeParticipant(attendee, ParticipantRole::required, source));
    for (auto& alarm : item.alarms) {
        StoreAlarm storeAlarm;
        if (alarm.absoluteTime)
            storeAlarm.absoluteDate = ICalendarParser::instant(*alarm.absoluteTime, *placed.file, m_localZone);
        else if (alarm.relativeOffset)
            storeAlarm.relativeOffset = *alarm.relativeOffset + (alarm.relativeToEnd ? end - start : 0);
        event.alarms.push_back(storeAlarm);
    }
    event.travelTime = item.travelTime;
    return event;
}

void CalendarItemIndex::collectEvents(Date windowStart, Date windowEnd, std::vector<StoreEvent>& out)
{
    auto overlaps = [&](Date start, Date end) { return start <= windowEnd && end >= windowStart; };

    // Events that do not recur are sorted by start, so only those starting between the window
    // start minus the longest duration and the window end need a look.
    auto first = std::lower_bound(m_singles.begin(), m_singles.end(), windowStart - m_longestSingle,
        [](const PlacedEvent& event, Date date) { return event.start < date; });
    for (auto it = first; it != m_singles.end() && it->start <= windowEnd; ++it) {
        if (!overlaps(it->start, it->end))
            continue;
        bool detached = it->item->recurrenceId.has_value();
        std::optional<Date> occurrence;
        if (detached)
            occurrence = ICalendarParser::instant(*it->item->recurrenceId, *it->file, m_localZone);
        out.push_back(materialize(*it, it->start, it->end, occurrence, detached, detached));
    }

    for (size_t index = 0; index < m_series.size(); ++index) {
        const PlacedEvent& master = m_series[index];
        const ParsedItem& item = *master.item;
        std::set<double> overridden;
        if (auto found = m_overrides.find(item.uid); found != m_overrides.end()) {
            for (auto& override : found->second) {
                auto recurrence = ICalendarParser::instant(*override.item->recurrenceId, *override.file, m_localZone);
                if (!recurrence)
                    continue;
                overridden.insert(recurrence->timeIntervalSince1970());
                if (overlaps(override.start, override.end))
                    out.push_back(materialize(override, override.start, override.end, recurrence, true, true));
            }
        }
        TimeInterval duration = master.end - master.start;
        auto& expansion = m_expansions[index];
        if (!expansion || windowStart < expansion->from || windowEnd > expansion->to) {
            Expansion fresh;
            fresh.from = windowStart - 86400;
            fresh.to = windowEnd + 14 * 86400;
            bool complete = ICalendarParser::expand(item, *master.file, m_localZone, fresh.from, fresh.to, duration,
                maximumOccurrencesPerSeries, [&](const CalendarTime& time, Date start) { fresh.starts.emplace_back(time, start); });
            if (!complete)
                PlatformLog::warning(logCategory,
                    "the series \"" + item.uid + "\" in " + m_origin + " has too many occurrences; showing the first "
                        + std::to_string(maximumOccurrencesPerSeries));
            expansion = std::move(fresh);
        }
        auto firstStart = std::lower_bound(expansion->starts.begin(), expansion->starts.end(),
            windowStart - std::max(duration, 0.0) - 86400,
            [](const std::pair<CalendarTime, Date>& entry, Date date) { return entry.second < date; });
        for (auto it = firstStart; it != expansion->starts.end() && it->second <= windowEnd; ++it) {
            auto& [time, start] = *it;
            if (overridden.contains(start.timeIntervalSince1970()))
                continue;
            Date end = start + duration;
            if (master.allDay) {
                if (auto next = ICalendarParser::instant(nextDay(time, master.allDayLength), *master.file, m_localZone))
                    end = *next - 1;
            }
            if (overlaps(start, end))
                out.push_back(materialize(master, start, end, start, false, true));
        }
    }
}

std::optional<StoreEvent> CalendarItemIndex::event(const std::string& uid) const
{
    for (auto& master : m_series) {
        if (master.item->uid == uid)
            return materialize(master, master.start, master.end, master.start, false, true);
    }
    for (auto& single : m_singles) {
        if (single.item->uid == uid) {
            bool detached = single.item->recurrenceId.has_value();
            return materialize(single, single.start, single.end, std::nullopt, detached, detached);
        }
    }
    return std::nullopt;
}

std::optional<CalendarItem> CalendarItemIndex::calendarItem(const std::string& identifier) const
{
    auto found = m_uidsByItemIdentifier.find(identifier);
    if (found == m_uidsByItemIdentifier.end())
        return std::nullopt;
    const std::string& uid = found->second;
    if (m_reminderCalendar && identifier == calendarItemIdentifier(m_reminderCalendar->calendarIdentifier, uid)) {
        for (auto& [file, item] : m_todos) {
            if (item->uid == uid)
                return CalendarItem(makeReminder(*file, *item));
        }
        return std::nullopt;
    }
    if (auto event = this->event(uid))
        return CalendarItem(std::move(*event));
    return std::nullopt;
}

StoreReminder CalendarItemIndex::makeReminder(const ParsedCalendarFile& file, const ParsedItem& item) const
{
    StoreReminder reminder;
    reminder.calendar = m_reminderCalendar;
    reminder.calendarItemIdentifier = calendarItemIdentifier(m_reminderCalendar->calendarIdentifier, item.uid);
    if (item.due) {
        reminder.dueDateComponents = components(*item.due);
        reminder.dueDate = ICalendarParser::instant(*item.due, file, m_localZone);
    }
    if (item.start)
        reminder.startDateComponents = components(*item.start);
    reminder.isCompleted = item.isCompleted;
    if (!item.alarms.empty()) {
        std::vector<StoreAlarm> alarms;
        for (auto& alarm : item.alarms) {
            StoreAlarm storeAlarm;
            if (alarm.absoluteTime)
                storeAlarm.absoluteDate = ICalendarParser::instant(*alarm.absoluteTime, file, m_localZone);
            else
                storeAlarm.relativeOffset = alarm.relativeOffset;
            alarms.push_back(storeAlarm);
        }
        reminder.alarms = std::move(alarms);
    }
    reminder.title = item.summary;
    reminder.location = item.location;
    reminder.notes = item.description;
    reminder.hasRecurrenceRules = item.recurrenceRule.has_value();
    return reminder;
}

std::vector<StoreReminder> CalendarItemIndex::reminders(std::optional<Date> start, std::optional<Date> end) const
{
    std::vector<StoreReminder> result;
    for (auto& [file, item] : m_todos) {
        if (item->isCompleted)
            continue;
        auto reminder = makeReminder(*file, *item);
        if (start || end) {
            if (!reminder.dueDate)
                continue;
            if (start && *reminder.dueDate < *start)
                continue;
            if (end && *reminder.dueDate > *end)
                continue;
        }
        result.push_back(std::move(reminder));
    }
    std::stable_sort(result.begin(), result.end(), StoreOrdering::reminders);
    return result;
}

}

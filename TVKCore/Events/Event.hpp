#pragma once

#include "Platform/Calendar/StoreEvent.hpp"
#include "Platform/Calendar/StoreParticipant.hpp"
#include "Platform/Calendar/StoreReminder.hpp"
#include "Platform/Runtime/Color.hpp"
#include "Platform/Runtime/Date.hpp"
#include "Platform/Runtime/SharedList.hpp"
#include "TVKCore/Events/EventType.hpp"
#include "TVKCore/Events/ParticipantStatus.hpp"
#include "TVKCore/VideoConference/VideoConferenceLink.hpp"

#include <functional>
#include <optional>
#include <string>
#include <tsl/ordered_map.h>
#include <vector>

namespace tvk {

struct EventSettings;
class Reminder;

/// One alertable item, whatever its source: a calendar event (one occurrence of a series), a
/// reminder of a reminder list, or one of the application's own reminders. Built once from its
/// source, which it keeps no reference to; never changed afterwards. Member-wise equality.
///
/// Identity (`id`, the key of per-event settings and deep links): a calendar event's event
/// identifier ("<calendar>:<UID>", shared by every occurrence of a series, which
/// `occurrenceDate` tells apart); a store reminder's calendar-item identifier; an own
/// reminder's id; fixed texts for the demo events.
struct Event {
    using EventType = tvk::EventType;

    /// What the calendar says about one participant.
    struct ParticipantData {
        /// None when the calendar gives none or a blank one.
        std::optional<std::string> name;
        /// The address of a "mailto:" participant (the scheme in any letter case), else the one
        /// its description carries; none when neither gives a non-empty address.
        std::optional<std::string> email;
        /// How the address book finds the participant's card.
        ContactPredicate contactPredicate;
        /// The participant chairs the event.
        bool isOrganizer = false;
        /// For the organizer, the answer on their own attendee line when they have one (the
        /// organizer line carries none).
        ParticipantStatus status = ParticipantStatus::unknown;

        bool operator==(const ParticipantData&) const = default;
    };

    std::string id;
    /// The store's calendar-item identifier; none for own reminders and demo events.
    std::optional<std::string> calendarItemIdentifier;
    EventType type = EventType::calendarEvent;
    /// For reminders, the due time.
    Date startDate;
    /// For reminders, equal to `startDate`.
    Date endDate;
    std::optional<std::string> title;
    std::optional<std::string> location;
    bool isRecurring = false;
    /// For a calendar event, the start its series' rule gives this occurrence, unchanged when
    /// the occurrence was moved; none otherwise.
    std::optional<Date> occurrenceDate;
    std::optional<std::string> notes;
    /// The colour of the event's calendar or reminder list.
    Color color;
    /// The title of the calendar or reminder list.
    std::optional<std::string> calendarName;
    /// Text by text (notes, location, URL; for own reminders notes, title), each in the
    /// parser's order; without duplicates for calendar events. Shared by the event's copies,
    /// as the participants are.
    SharedList<VideoConferenceLink> videoConferenceLinks;
    /// Seconds of travel the calendar event carries; 0 when none and for all reminders.
    TimeInterval travelTime = 0;
    /// Organizer first (again among the attendees when the calendar lists it there too).
    /// Shared by the event's copies: an invitation lists a dozen people or more, and an event
    /// is copied into every list and widget entry that shows it.
    SharedList<ParticipantData> participantsData;

    bool operator==(const Event&) const = default;

    // Construction. The link parser (`VideoConferenceLinkParser::shared()`) runs once here.

    /// Never fails. An event without a calendar (which no store hands out) gets the system
    /// gray and no calendar name.
    static Event fromCalendarEvent(const StoreEvent& calendarEvent);
    /// None when the reminder has no due date, or its due date has no place in the user's
    /// calendar. Store reminders are not searched for links.
    static std::optional<Event> fromAppleReminder(const StoreReminder& appleReminder);
    /// Links in the notes, then in the title, duplicates kept. The reminder's own alert offset
    /// is not part of the event.
    static Event fromReminder(const Reminder& reminder);

    /// The participant record of a store participant, e-mail extracted as described on
    /// `ParticipantData::email`.
    static ParticipantData participantData(const StoreParticipant& participant);

    // Demonstration events: made anew on every call (their times follow the clock), except the
    // four `demo_upcoming…` values, made once on first use.

    /// "demo": the next full hour for an hour, the catalog's onboarding title and notes, the
    /// demo FaceTime link.
    static Event makeInAppDemoEvent();
    /// "demo_ongoing", today 15:00 to 16:00.
    static Event demo_makeOngoingEventForScreenshots();
    /// "demo_ongoing", from `start` (now plus a minute) to `end` (an hour after the start).
    static Event demo_makeOngoingEvent(std::optional<Date> start = std::nullopt, std::optional<Date> end = std::nullopt);
    static const Event& demo_upcomingEvent1();
    static const Event& demo_upcomingEvent2();
    static const Event& demo_upcomingEvent3();
    static const Event& demo_upcomingAppleReminderEvent1();

    // Time predicates; the forms without `now` read the process clock.

    /// Half an hour after its end, not earlier.
    bool isFinished() const;
    bool isFinished(Date now) const;
    /// Start ≤ now ≤ end: a reminder is current only at its own instant.
    bool isCurrentEvent() const;
    bool isCurrentEvent(Date now) const;
    bool isAnyReminder() const;
    /// Starts strictly after `relativeTo` and strictly before `relativeTo` + `timeinterval`.
    bool startsWithin(TimeInterval timeinterval, Date relativeTo) const;
    bool isInFuture(Date relativeTo) const;
    /// Whether the event's alert is due: from just after its start minus the offset (the
    /// settings' custom one, else `defaultTimeOffset` seconds) up to and including its start;
    /// never for an event the settings exclude. An offset of 0 or less is never due. Travel
    /// time is the caller's to add to the offset.
    bool isPending(TimeInterval defaultTimeOffset, const std::optional<EventSettings>& eventSettings, Date now) const;
    /// Seconds until the end while the event is current; 0 otherwise.
    TimeInterval timeLeft() const;
    TimeInterval timeLeft(Date now) const;
    /// From 0 at the start to 1 at the end while the event is current; 0 otherwise. An event
    /// without length reads 1 at its own instant: it has arrived, and nothing divides by zero.
    double eventProgress() const;
    double eventProgress(Date now) const;

    /// The link a one-click join opens: the only link, or, among several, the one whose URL
    /// the event's stored settings chose; none otherwise.
    std::optional<VideoConferenceLink> defaultVideoConferenceLink() const;

    // Texts, in the user's locale and time zone. Time spans are separated by U+2006 U+2013
    // U+2006 (six-per-em spaces around an en dash).

    std::string formattedStartTime() const;
    std::string formattedStartTimeAndDate() const;
    /// "9:00 AM – 10:00 AM".
    std::string formattedTime() const;
    /// "until 11:00 AM" while current (with the date when the end is on another day), else
    /// the span with dates where the days differ from each other or from today.
    std::string formattedTimeAndDate() const;
    std::string formattedTimeAndDate(Date now) const;
    /// What a screen reader says: kind, title and location, times, travel time, video call.
    std::string accessibilityValue() const;
    /// The calendar or reminder list the event belongs to; none for own reminders and events
    /// without a calendar name.
    std::optional<std::string> accessibilityHelp() const;
    /// "start: …, end: …, title: …, location: …, recurring: …", times in UTC.
    std::string debugDescription() const;

    /// U+2006 U+2013 U+2006.
    static constexpr const char* timeSpanSeparator = "\u2006\u2013\u2006";
};

struct DateHash {
    size_t operator()(Date date) const noexcept { return std::hash<double>()(date.timeIntervalSince1970()); }
};

/// Events by the beginning of their start's day.
using EventsByDay = tsl::ordered_map<Date, std::vector<Event>, DateHash>;

/// The events under the midnight of their start's day (in the user's calendar and zone), days
/// in order of first appearance and events in list order; nothing is sorted. An event across
/// midnight is listed under its start day only. (The name is spelled so on purpose: it is the
/// name the rest of the system knows.)
EventsByDay gropedByDay(const std::vector<Event>& events);

/// Earliest start first; events with equal starts keep their order.
void sortByStartDate(std::vector<Event>& events);

// Which store items deserve an alert.

/// The two settings that decide which calendar events deserve an alert, read once for a whole
/// batch of events (every read of a setting checks the settings file).
struct EligibilitySettings {
    bool showOnlyEventsWithAlert = false;
    /// True restricts attended events to those the user accepted.
    bool showOnlyAcceptedEvents = false;

    /// As the user's settings say now.
    static EligibilitySettings current();
    bool operator==(const EligibilitySettings&) const = default;
};

/// Whether a calendar event deserves an alert, and if not, the first reason against it, in
/// the order they are tested.
enum class Eligibility { eligible, allDay, cancelled, notAttending, withoutAlarm };

/// The user's own answer to an event, and whether it counts as attended.
struct Attendance {
    /// On the user's first attendee entry; none when the event lists no attendee that is the
    /// user (nobody invited them: their own event).
    std::optional<StoreParticipantStatus> status;
    bool isAttending = true;

    bool operator==(const Attendance&) const = default;
};

/// Not all-day, not cancelled, attended (`attendance`), and with an alarm when the user wants
/// only events with alarms; else the first of these that fails.
Eligibility eligibility(const StoreEvent& event, const EligibilitySettings& settings);
/// `eligibility` is `eligible`.
bool shouldSchedule(const StoreEvent& event, const EligibilitySettings& settings);
/// Under the user's settings as they are now.
bool shouldSchedule(const StoreEvent& event);
/// Attended unless the user's own answer rules it out: without attendees, or without the user
/// among them, always; otherwise by the user's first attendee entry: accepted or in process
/// always, and pending, tentative or unknown too unless the user wants only accepted events.
Attendance attendance(const StoreEvent& event, const EligibilitySettings& settings);
bool isAttending(const StoreEvent& event, const EligibilitySettings& settings);
/// Under the user's settings as they are now.
bool isAttending(const StoreEvent& event);

/// Whether a store reminder deserves an alert, and if not, the first reason against it.
enum class ReminderEligibility { eligible, completed, undated, withoutAlarms };
/// Not completed, with a start or a due date, and with alarms; else the first that fails.
ReminderEligibility eligibility(const StoreReminder& reminder);
/// `eligibility` is `eligible`.
bool shouldSchedule(const StoreReminder& reminder);

}

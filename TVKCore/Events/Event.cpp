#include "TVKCore/Events/Event.hpp"

#include "Platform/Runtime/StableSort.hpp"
#include "Platform/Text/AsciiCase.hpp"
#include "TVKCore/Calendar/CalendarExtensions.hpp"
#include "TVKCore/Settings/EventSettings.hpp"
#include "TVKCore/Settings/EventSettingsStore.hpp"
#include "TVKCore/Settings/Reminder.hpp"
#include "TVKCore/Settings/UserSettingsStore.hpp"
#include "TVKCore/VideoConference/DemoLinks.hpp"
#include "TVKCore/VideoConference/VideoConferenceLinkParser.hpp"
#include "TVKLocalization/L10n.hpp"
#include "TVKUtils/Colors.hpp"
#include "TVKUtils/DateComponentsFormatter.hpp"
#include "TVKUtils/DateFormatter.hpp"
#include "TVKUtils/DateOperations.hpp"
#include "TVKUtils/ModuleCalendar.hpp"
#include "TVKUtils/RelativeTime.hpp"
#include "TVKUtils/TimeUnits.hpp"
#include "TVKUtils/WhitespaceTrimming.hpp"

#include <algorithm>
#include <tsl/ordered_set.h>

namespace tvk {

namespace {

constexpr const char* demoNotes = "Those are the notes of the meeting. This is a link: https://www.example.com \U0001F4AA";
constexpr Color demoBlue = Color::rgb(0.2, 0.56, 0.86, 1.0);

/// The address of "mailto:" (in any letter case) followed by characters that a URI takes as
/// they stand (no percent escapes, no "/" or "?"), as almost every invitation writes it; none
/// for anything else, which the URL parser then reads. Such a text always parses, to that
/// scheme and that path, so both ways give the same address.
std::optional<std::string> plainMailAddress(std::string_view uri)
{
    constexpr std::string_view scheme = "mailto:";
    if (uri.size() <= scheme.size() || !equalsIgnoringAsciiCase(uri.substr(0, scheme.size()), scheme))
        return std::nullopt;
    auto specifier = uri.substr(scheme.size());
    for (char character : specifier) {
        bool asItStands = (character >= 'a' && character <= 'z') || (character >= 'A' && character <= 'Z')
            || (character >= '0' && character <= '9') || std::string_view("-._~!$&'()*+,;=:@").find(character) != std::string_view::npos;
        if (!asItStands)
            return std::nullopt;
    }
    return std::string(specifier);
}

/// The address in a participant's description, "… email = ada@example.com; …": the text between
/// the first "email = " and the next one, up to its first ";".
std::optional<std::string> emailFromDescription(const std::string& description)
{
    constexpr std::string_view marker = "email = ";
    auto start = description.find(marker);
    if (start == std::string::npos)
        return std::nullopt;
    std::string_view piece = std::string_view(description).substr(start + marker.size());
    piece = piece.substr(0, piece.find(marker));
    return std::string(piece.substr(0, piece.find(';')));
}

void appendLinks(tsl::ordered_set<VideoConferenceLink>& links, const std::optional<std::string>& text)
{
    if (!text)
        return;
    for (auto& link : VideoConferenceLinkParser::shared().parse(*text))
        links.insert(std::move(link));
}

Event makeDemoEvent(std::string id, Date start, Date end, std::string title, std::optional<std::string> location, bool isRecurring,
    Color color, std::vector<VideoConferenceLink> links, TimeInterval travelTime, Event::EventType type = Event::EventType::calendarEvent)
{
    return Event {
        .id = std::move(id),
        .calendarItemIdentifier = std::nullopt,
        .type = type,
        .startDate = start,
        .endDate = end,
        .title = std::move(title),
        .location = std::move(location),
        .isRecurring = isRecurring,
        .occurrenceDate = std::nullopt,
        .notes = std::string(demoNotes),
        .color = color,
        .calendarName = std::string("Work"),
        .videoConferenceLinks = std::move(links),
        .travelTime = travelTime,
        .participantsData = {},
    };
}

}

// MARK: - Construction

Event::ParticipantData Event::participantData(const StoreParticipant& participant)
{
    ParticipantData data;
    // A blank name (CN="") is no name; kept, it would stand in for the address wherever a
    // participant is shown by name.
    if (participant.name && !trimmingWhitespaceAndNewlines(*participant.name).empty())
        data.name = participant.name;
    if (participant.url)
        data.email = plainMailAddress(*participant.url);
    if (participant.url && !data.email) {
        // The resource specifier as written, not as a URL type would re-encode it.
        auto url = Url::make(*participant.url);
        auto scheme = url ? url->scheme() : std::nullopt;
        // Schemes compare without case (RFC 3986); invitations write "MAILTO:" as often as not.
        if (scheme && equalsIgnoringAsciiCase(*scheme, "mailto")) {
            auto specifier = participant.url->substr(scheme->size() + 1);
            if (!specifier.empty() && specifier.front() != '/')
                data.email = specifier;
        }
    }
    if (!data.email)
        data.email = emailFromDescription(participant.description());
    // An empty address is no address: kept, it would make every participant without one
    // "the same person" wherever participants are told apart by address.
    if (data.email && data.email->empty())
        data.email.reset();
    data.contactPredicate = participant.contactPredicate;
    data.isOrganizer = participant.role == ParticipantRole::chair;
    data.status = participantStatus(participant.status);
    return data;
}

Event Event::fromCalendarEvent(const StoreEvent& calendarEvent)
{
    tsl::ordered_set<VideoConferenceLink> links;
    appendLinks(links, calendarEvent.notes);
    appendLinks(links, calendarEvent.location);
    if (calendarEvent.url) {
        if (auto url = Url::make(*calendarEvent.url))
            appendLinks(links, url->absoluteString());
    }

    std::vector<ParticipantData> participants;
    // Kept for as long as the event: no room to spare.
    participants.reserve(calendarEvent.attendees.size() + (calendarEvent.organizer ? 1 : 0));
    if (calendarEvent.organizer)
        participants.push_back(participantData(*calendarEvent.organizer));
    for (auto& attendee : calendarEvent.attendees)
        participants.push_back(participantData(attendee));
    if (calendarEvent.organizer) {
        // An organizer who is also an attendee answered on that attendee line; the organizer
        // line itself carries no answer.
        auto& organizer = participants.front();
        auto ownLine = std::find_if(participants.begin() + 1, participants.end(), [&](const ParticipantData& attendee) {
            return organizer.email && attendee.email && equalsIgnoringAsciiCase(*organizer.email, *attendee.email);
        });
        if (ownLine != participants.end())
            organizer.status = ownLine->status;
    }

    return Event {
        .id = calendarEvent.eventIdentifier,
        .calendarItemIdentifier = calendarEvent.calendarItemIdentifier,
        .type = EventType::calendarEvent,
        .startDate = calendarEvent.startDate,
        .endDate = calendarEvent.endDate,
        .title = calendarEvent.title,
        .location = calendarEvent.location,
        .isRecurring = calendarEvent.hasRecurrenceRules,
        .occurrenceDate = calendarEvent.occurrenceDate,
        .notes = calendarEvent.notes,
        .color = calendarEvent.calendar ? calendarEvent.calendar->color : Color::named(Color::System::gray),
        .calendarName = calendarEvent.calendar ? std::optional<std::string>(calendarEvent.calendar->title) : std::nullopt,
        .videoConferenceLinks = std::vector<VideoConferenceLink>(links.begin(), links.end()),
        .travelTime = calendarEvent.travelTime.value_or(0),
        .participantsData = std::move(participants),
    };
}

std::optional<Event> Event::fromAppleReminder(const StoreReminder& appleReminder)
{
    if (!appleReminder.dueDateComponents)
        return std::nullopt;
    auto due = ModuleCalendar::shared().date(*appleReminder.dueDateComponents);
    if (!due)
        return std::nullopt;
    return Event {
        .id = appleReminder.calendarItemIdentifier,
        .calendarItemIdentifier = appleReminder.calendarItemIdentifier,
        .type = EventType::appleReminder,
        .startDate = *due,
        .endDate = *due,
        .title = appleReminder.title,
        .location = appleReminder.location,
        .isRecurring = appleReminder.hasRecurrenceRules,
        .occurrenceDate = std::nullopt,
        .notes = appleReminder.notes,
        .color = appleReminder.calendar ? appleReminder.calendar->color : Color::named(Color::System::gray),
        .calendarName = appleReminder.calendar ? std::optional<std::string>(appleReminder.calendar->title) : std::nullopt,
        .videoConferenceLinks = {},
        .travelTime = 0,
        .participantsData = {},
    };
}

Event Event::fromReminder(const Reminder& reminder)
{
    // Unlike a calendar event's, an own reminder's links keep their duplicates: the main
    // application lists them so, and the join button only ever takes the first.
    std::vector<VideoConferenceLink> links;
    auto& parser = VideoConferenceLinkParser::shared();
    for (auto* text : { &reminder.notes(), &reminder.title() }) {
        if (!*text)
            continue;
        auto found = parser.parse(**text);
        links.insert(links.end(), std::make_move_iterator(found.begin()), std::make_move_iterator(found.end()));
    }
    return Event {
        .id = reminder.id(),
        .calendarItemIdentifier = std::nullopt,
        .type = EventType::tvkReminder,
        .startDate = reminder.date(),
        .endDate = reminder.date(),
        .title = reminder.title(),
        .location = std::nullopt,
        .isRecurring = false,
        .occurrenceDate = std::nullopt,
        .notes = reminder.notes(),
        .color = Colors::primary(),
        .calendarName = std::nullopt,
        .videoConferenceLinks = std::move(links),
        .travelTime = 0,
        .participantsData = {},
    };
}

// MARK: - Demonstration events

Event Event::makeInAppDemoEvent()
{
    Date start = nextFullHour(Date::now());
    Event event = makeDemoEvent("demo", start, start + 3600, L10n::Onboarding::DemoEvent::title(), std::nullopt, false, Colors::primary(),
        { demoFaceTimeLink() }, 0);
    event.notes = L10n::Onboarding::DemoEvent::notes();
    return event;
}

Event Event::demo_makeOngoingEvent(std::optional<Date> start, std::optional<Date> end)
{
    Date from = start.value_or(Date::now() + 60);
    Date to = end.value_or(from + 3600);
    return makeDemoEvent("demo_ongoing", from, to, "Board Meeting", std::string("Conference Room"), true, demoBlue,
        { demoGoogleHangoutsLink(), demoZoomLink() }, 0);
}

Event Event::demo_makeOngoingEventForScreenshots()
{
    return demo_makeOngoingEvent(makeToday(15, 0), makeToday(16, 0));
}

const Event& Event::demo_upcomingEvent1()
{
    static const Event event = makeDemoEvent("demo_upcoming1", makeToday(16, 30), makeToday(17, 0), "Design Sync", std::nullopt, true,
        demoBlue, { demoGoogleHangoutsLink() }, 0);
    return event;
}

const Event& Event::demo_upcomingEvent2()
{
    static const Event event = makeDemoEvent("demo_upcoming2", makeToday(17, 0), makeToday(17, 45), "Interview with Maria",
        std::string("Conference Room 2"), false, Color::named(Color::System::red), { demoGoogleHangoutsLink() }, 1800);
    return event;
}

const Event& Event::demo_upcomingEvent3()
{
    static const Event event = makeDemoEvent("demo_upcoming3", addingDays(makeToday(9, 0), 1), addingDays(makeToday(10, 0), 1),
        "Daily Standup", std::nullopt, true, demoBlue, { demoGoogleHangoutsLink() }, 0);
    return event;
}

const Event& Event::demo_upcomingAppleReminderEvent1()
{
    static const Event event = [] {
        Date due = makeToday(16, 45);
        return makeDemoEvent("demo_appleReminder_upcoming1", due, due, "Write sales report", std::nullopt, false,
            Color::named(Color::System::orange), {}, 0, EventType::appleReminder);
    }();
    return event;
}

// MARK: - Time predicates

bool Event::isFinished() const
{
    return isFinished(Date::now());
}

bool Event::isFinished(Date now) const
{
    return !(now < endDate + 1800);
}

bool Event::isCurrentEvent() const
{
    return isCurrentEvent(Date::now());
}

bool Event::isCurrentEvent(Date now) const
{
    return startDate <= now && now <= endDate;
}

bool Event::isAnyReminder() const
{
    return type == EventType::appleReminder || type == EventType::tvkReminder;
}

bool Event::startsWithin(TimeInterval timeinterval, Date relativeTo) const
{
    return startDate > relativeTo && startDate < relativeTo + timeinterval;
}

bool Event::isInFuture(Date relativeTo) const
{
    return startDate > relativeTo;
}

bool Event::isPending(TimeInterval defaultTimeOffset, const std::optional<EventSettings>& eventSettings, Date now) const
{
    TimeInterval offset = defaultTimeOffset;
    if (eventSettings) {
        if (eventSettings->isExcluded)
            return false;
        if (eventSettings->usesCustomTimeOffset)
            offset = static_cast<TimeInterval>(eventSettings->timeOffsetSeconds);
    }
    Date alertTime = startDate - offset;
    return alertTime < now && now <= startDate;
}

TimeInterval Event::timeLeft() const
{
    return timeLeft(Date::now());
}

TimeInterval Event::timeLeft(Date now) const
{
    return isCurrentEvent(now) ? endDate - now : 0;
}

double Event::eventProgress() const
{
    return eventProgress(Date::now());
}

double Event::eventProgress(Date now) const
{
    if (!isCurrentEvent(now))
        return 0;
    TimeInterval length = endDate - startDate;
    if (length <= 0)
        return 1;
    return (now - startDate) / length;
}

std::optional<VideoConferenceLink> Event::defaultVideoConferenceLink() const
{
    if (videoConferenceLinks.size() == 1)
        return videoConferenceLinks.front();
    // No link to choose from: the settings (a read that checks the file) are not asked.
    if (videoConferenceLinks.empty())
        return std::nullopt;
    auto settings = EventSettingsStore::shared().customSettings(id);
    if (!settings || !settings->defaultConferenceUrl)
        return std::nullopt;
    for (auto& link : videoConferenceLinks) {
        if (link.url.absoluteString() == *settings->defaultConferenceUrl)
            return link;
    }
    return std::nullopt;
}

// MARK: - Texts

std::string Event::formattedStartTime() const
{
    return DateFormatter::timeOnly().string(startDate);
}

std::string Event::formattedStartTimeAndDate() const
{
    return DateFormatter::timeAndDateFormatter().string(startDate);
}

std::string Event::formattedTime() const
{
    auto& time = DateFormatter::timeOnly();
    return time.string(startDate) + timeSpanSeparator + time.string(endDate);
}

std::string Event::formattedTimeAndDate() const
{
    return formattedTimeAndDate(Date::now());
}

std::string Event::formattedTimeAndDate(Date now) const
{
    auto& time = DateFormatter::timeOnly();
    auto& timeAndDate = DateFormatter::timeAndDateFormatter();
    if (isCurrentEvent(now))
        return L10n::TimeFormat::until(isOnSameDay(endDate, now) ? time.string(endDate) : timeAndDate.string(endDate));
    if (!isOnSameDay(startDate, endDate))
        return timeAndDate.string(startDate) + timeSpanSeparator + timeAndDate.string(endDate);
    if (!isOnSameDay(startDate, now))
        return timeAndDate.string(startDate) + timeSpanSeparator + time.string(endDate);
    return time.string(startDate) + timeSpanSeparator + time.string(endDate);
}

std::string Event::accessibilityValue() const
{
    namespace Summary = L10n::Accessibility::EventSummary;
    std::vector<std::string> sentences;
    sentences.push_back(isAnyReminder() ? Summary::EventType::reminder() : Summary::EventType::calendarEvent());

    std::string titleText = trimmingWhitespaceAndNewlines(title ? *title : L10n::General::untitled());
    std::string locationText = trimmingWhitespaceAndNewlines(location.value_or(""));
    sentences.push_back(locationText.empty() ? Summary::titleOnly(titleText) : Summary::titleAndLocation(titleText, locationText));

    auto& date = DateFormatter::dateOnly();
    auto& time = DateFormatter::timeOnly();
    std::string start = formattedWithOnAndAt(startDate, date, time);
    sentences.push_back(isAnyReminder() ? start : Summary::timeInfoEvent(start, formattedWithOnAndAt(endDate, date, time)));

    if (travelTime > 0) {
        if (auto duration = DateComponentsFormatter::durationFormatterForAccessibility().string(travelTimeInWholeMinutes(travelTime)))
            sentences.push_back(L10n::General::travelTime(*duration) + ".");
    }
    if (!videoConferenceLinks.empty())
        sentences.push_back(Summary::hasVideoCall());

    std::string text;
    for (auto& sentence : sentences) {
        if (!text.empty())
            text += ' ';
        text += sentence;
    }
    return text;
}

std::optional<std::string> Event::accessibilityHelp() const
{
    if (!calendarName)
        return std::nullopt;
    switch (type) {
    case EventType::calendarEvent: return L10n::Accessibility::EventSummary::belongsToCalendar(*calendarName);
    case EventType::appleReminder: return L10n::Accessibility::EventSummary::belongsToReminderList(*calendarName);
    case EventType::tvkReminder: return std::nullopt;
    }
    return std::nullopt;
}

std::string Event::debugDescription() const
{
    return "start: " + startDate.description() + ", end: " + endDate.description() + ", title: " + title.value_or("(none)")
        + ", location: " + location.value_or("(none)") + ", recurring: " + (isRecurring ? "true" : "false");
}

// MARK: - Collections

EventsByDay gropedByDay(const std::vector<Event>& events)
{
    EventsByDay days;
    for (auto& event : events)
        days[beginningOfDay(event.startDate)].push_back(event);
    return days;
}

void sortByStartDate(std::vector<Event>& events)
{
    stableSortLargeValues(events, [](const Event& a, const Event& b) { return a.startDate < b.startDate; });
}

// MARK: - Eligibility

EligibilitySettings EligibilitySettings::current()
{
    auto& settings = UserSettingsStore::shared();
    return { .showOnlyEventsWithAlert = settings.showOnlyEventsWithAlert(), .showOnlyAcceptedEvents = settings.showOnlyAcceptedEvents() };
}

Eligibility eligibility(const StoreEvent& event, const EligibilitySettings& settings)
{
    if (event.isAllDay)
        return Eligibility::allDay;
    if (event.status == EventStatus::canceled)
        return Eligibility::cancelled;
    if (!isAttending(event, settings))
        return Eligibility::notAttending;
    if (settings.showOnlyEventsWithAlert && !hasAlerts(event))
        return Eligibility::withoutAlarm;
    return Eligibility::eligible;
}

bool shouldSchedule(const StoreEvent& event, const EligibilitySettings& settings)
{
    return eligibility(event, settings) == Eligibility::eligible;
}

bool shouldSchedule(const StoreEvent& event)
{
    return shouldSchedule(event, EligibilitySettings::current());
}

Attendance attendance(const StoreEvent& event, const EligibilitySettings& settings)
{
    auto me = std::find_if(event.attendees.begin(), event.attendees.end(), [](auto& attendee) { return attendee.isCurrentUser; });
    if (me == event.attendees.end())
        return { std::nullopt, true };
    switch (me->status) {
    case StoreParticipantStatus::accepted:
    case StoreParticipantStatus::inProcess: return { me->status, true };
    case StoreParticipantStatus::pending:
    case StoreParticipantStatus::tentative:
    case StoreParticipantStatus::unknown: return { me->status, !settings.showOnlyAcceptedEvents };
    case StoreParticipantStatus::declined:
    case StoreParticipantStatus::delegated:
    case StoreParticipantStatus::completed: return { me->status, false };
    }
    return { me->status, false };
}

bool isAttending(const StoreEvent& event, const EligibilitySettings& settings)
{
    return attendance(event, settings).isAttending;
}

bool isAttending(const StoreEvent& event)
{
    return isAttending(event, EligibilitySettings::current());
}

ReminderEligibility eligibility(const StoreReminder& reminder)
{
    if (reminder.isCompleted)
        return ReminderEligibility::completed;
    if (!reminder.startDateComponents && !reminder.dueDateComponents)
        return ReminderEligibility::undated;
    if (!reminder.alarms)
        return ReminderEligibility::withoutAlarms;
    return ReminderEligibility::eligible;
}

bool shouldSchedule(const StoreReminder& reminder)
{
    return eligibility(reminder) == ReminderEligibility::eligible;
}

}

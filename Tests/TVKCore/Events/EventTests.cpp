#include "TVKCore/Events/Event.hpp"

#include "Platform/Calendar/ICalendarStore.hpp"
#include "Platform/Runtime/ISO8601.hpp"
#include "Platform/Runtime/ProcessClock.hpp"
#include "TVKCore/DeepLinks/DeepLinkBuilder.hpp"
#include "TVKCore/VideoConference/DemoLinks.hpp"
#include "TVKUtils/DateOperations.hpp"
#include "Tests/Support/Dates.hpp"
#include "Tests/Support/TemporaryDirectory.hpp"

#include <gtest/gtest.h>

using namespace tvk;
using tvk::test::at;

namespace {

const std::string separator = "\u2006\u2013\u2006";
const std::string nb = "\u202F";

StoreCalendarPointer calendar(std::string title = "Work")
{
    auto result = std::make_shared<StoreCalendar>();
    result->calendarIdentifier = "work";
    result->title = std::move(title);
    result->color = Color::rgb(0.1, 0.2, 0.3);
    return result;
}

StoreEvent storeEvent(Date start, Date end)
{
    StoreEvent event;
    event.eventIdentifier = "work:meeting@example.com";
    event.calendarItemIdentifier = "item-1";
    event.startDate = start;
    event.endDate = end;
    event.calendar = calendar();
    return event;
}

Event eventAt(Date start, Date end, Event::EventType type = Event::EventType::calendarEvent)
{
    return Event { .id = "e", .type = type, .startDate = start, .endDate = end };
}

StoreParticipant participant(
    std::optional<std::string> name, std::optional<std::string> url, ParticipantRole role = ParticipantRole::required)
{
    StoreParticipant result;
    result.name = std::move(name);
    result.url = std::move(url);
    result.role = role;
    return result;
}

class EventTest : public testing::Test {
protected:
    // Monday 7 December 2026, 08:00 in Berlin.
    Date now = at("2026-12-07T08:00:00+01:00");
    void SetUp() override { ProcessClock::pin(now); }
    void TearDown() override { ProcessClock::unpin(); }
};

}

TEST_F(EventTest, ACalendarEventKeepsEachLinkOnceWhereItWasFirstFoundAndItsParticipantsOrganizerFirst)
{
    test::TemporaryDirectory root;
    std::filesystem::create_directories(root / "work/team");
    std::filesystem::copy_file(
        std::filesystem::path(TVK_TEST_FIXTURES) / "Events/design-review-organizer-also-attendee-links-everywhere.ics",
        root / "work/team/review.ics");
    ICalendarStore store({ root.path() }, ICalendarStore::Monitoring::off);
    auto found = store.events(
        store.predicateForEvents(at("2026-12-07T00:00:00+01:00"), at("2026-12-08T00:00:00+01:00"), store.calendars(EntityType::event)));
    ASSERT_EQ(found.size(), 1u);
    auto event = Event::fromCalendarEvent(found[0]);

    ASSERT_EQ(event.videoConferenceLinks.size(), 3u);
    EXPECT_EQ(event.videoConferenceLinks[0].url.absoluteString(), "https://zoom.us/j/5551234567") << "notes first";
    EXPECT_EQ(event.videoConferenceLinks[1].url.absoluteString(), "https://meet.google.com/abc-defg-hij");
    EXPECT_EQ(event.videoConferenceLinks[2].url.absoluteString(), "https://meet.google.com/xyz-wxyz-xyz")
        << "the location's Zoom link is the notes' one; the URL's link comes last";

    EXPECT_EQ(event.id, found[0].eventIdentifier);
    EXPECT_EQ(event.calendarItemIdentifier, found[0].calendarItemIdentifier);
    EXPECT_EQ(event.type, Event::EventType::calendarEvent);
    EXPECT_EQ(event.startDate, at("2026-12-07T10:00:00+01:00"));
    EXPECT_EQ(event.title, "Design review");
    EXPECT_EQ(event.calendarName, "team");
    EXPECT_FALSE(event.isRecurring);

    ASSERT_EQ(event.participantsData.size(), 6u);
    EXPECT_EQ(event.participantsData[0].name, "Grace Hopper");
    EXPECT_TRUE(event.participantsData[0].isOrganizer);
    EXPECT_EQ(event.participantsData[1].email, "grace@example.com") << "the organizer appears again among the attendees";
    EXPECT_EQ(event.participantsData[1].status, ParticipantStatus::accepted);
    EXPECT_EQ(event.participantsData[2].email, "ada@example.com") << "MAILTO: is a mail address too, through the description";
    EXPECT_EQ(event.participantsData[2].status, ParticipantStatus::tentative);
    EXPECT_EQ(event.participantsData[2].contactPredicate.emailAddress, "ada@example.com");
    EXPECT_FALSE(event.participantsData[3].email) << "a room has no address";
    EXPECT_FALSE(event.participantsData[4].email);
    EXPECT_EQ(event.participantsData[5].status, ParticipantStatus::pending);
    EXPECT_FALSE(event.participantsData[5].name);

    auto link = DeepLinkBuilder::make(JoinCallDeepLink(event.id).url());
    ASSERT_TRUE(link);
    EXPECT_EQ(eventID(*link), event.id) << "a UID with \"/\" and \"#\" survives its deep link";
}

TEST_F(EventTest, TheSameLinkInNotesAndLocationIsKeptOnceAndNoLinkIsReadFromABrokenUrl)
{
    auto source = storeEvent(now, now + 3600);
    source.notes = "Zoom: https://zoom.us/j/111";
    source.location = "https://zoom.us/j/111";
    source.url = "not a url https://zoom.us/j/222";
    auto event = Event::fromCalendarEvent(source);
    ASSERT_EQ(event.videoConferenceLinks.size(), 1u);
    EXPECT_EQ(event.videoConferenceLinks[0].service.id, "zoom");
    source.url = "https://zoom.us/j/222";
    EXPECT_EQ(Event::fromCalendarEvent(source).videoConferenceLinks.size(), 2u);
}

TEST_F(EventTest, EmailsComeFromMailUrlsThenFromTheDescriptionElseThereIsNone)
{
    auto mail = Event::participantData(participant("Ada", "mailto:ada@example.com"));
    EXPECT_EQ(mail.email, "ada@example.com");
    auto upper = Event::participantData(participant("Ada (email = ada.private@example.net; home)", "MAILTO:ada@example.com"));
    EXPECT_EQ(upper.email, "ada@example.com") << "the mail scheme in capitals; the description, whose name mentions another "
                                                 "address, is not asked";
    auto slashes = Event::participantData(participant("Ada", "mailto:/ada@example.com"));
    EXPECT_EQ(slashes.email, "/ada@example.com") << "the description carries the address after \"mailto:\" as it is";
    auto room = Event::participantData(participant("Room", "urn:uuid:1234"));
    EXPECT_FALSE(room.email) << "the description's address is empty: no address";
    auto nothing = Event::participantData(participant(std::nullopt, std::nullopt));
    EXPECT_FALSE(nothing.email);
    EXPECT_FALSE(Event::participantData(participant("", "mailto:a@example.com")).name) << "a blank name is no name";
    EXPECT_FALSE(Event::participantData(participant(" \t", "mailto:a@example.com")).name);
    EXPECT_FALSE(Event::participantData(participant("A", "mailto:a@example.com")).isOrganizer);
    EXPECT_TRUE(Event::participantData(participant("A", "mailto:a@example.com", ParticipantRole::chair)).isOrganizer);
}

TEST_F(EventTest, AMailAddressIsTheTextAfterTheSchemeHoweverTheAddressIsWritten)
{
    auto email = [](const char* uri) { return Event::participantData(participant("P", uri)).email.value_or("(none)"); };
    EXPECT_EQ(email("mailto:o'brien+team@example.com"), "o'brien+team@example.com");
    EXPECT_EQ(email("MaIlTo:Ada@Example.COM"), "Ada@Example.COM") << "the address keeps its letter case";
    EXPECT_EQ(email("mailto:ada%40home@example.com"), "ada%40home@example.com") << "escapes stay as written";
    EXPECT_EQ(email("mailto:ada@example.com?subject=Board"), "ada@example.com?subject=Board");
    EXPECT_EQ(email("mailto:ad\xc3\xa4@example.com"), "ad\xc3\xa4@example.com") << "an address outside ASCII";
    EXPECT_EQ(email("mailto:Ada Lovelace <ada@example.com>"), "Ada Lovelace <ada@example.com>");
    EXPECT_EQ(email("mailto:"), "(none)");
    EXPECT_EQ(email("mailtox:ada@example.com"), "(none)");
    EXPECT_EQ(email(" mailto:ada@example.com"), "(none)");
}

TEST_F(EventTest, TheOrganizerAnswersOnItsOwnAttendeeLineWhateverTheLetterCaseOfItsAddress)
{
    auto source = storeEvent(now, now + 3600);
    source.organizer = participant("Dana", "mailto:dana@example.com", ParticipantRole::chair);
    source.organizer->status = StoreParticipantStatus::accepted;
    source.attendees = { participant("Alex", "mailto:alex@example.com"), participant("Dana", "MAILTO:Dana@Example.com") };
    source.attendees.edit()[0].status = StoreParticipantStatus::accepted;
    source.attendees.edit()[1].status = StoreParticipantStatus::tentative;
    auto event = Event::fromCalendarEvent(source);
    ASSERT_EQ(event.participantsData.size(), 3u) << "the organizer stays listed again among the attendees";
    EXPECT_EQ(event.participantsData[0].status, ParticipantStatus::tentative);
    EXPECT_TRUE(event.participantsData[0].isOrganizer);

    source.attendees.edit().pop_back();
    EXPECT_EQ(Event::fromCalendarEvent(source).participantsData[0].status, ParticipantStatus::accepted)
        << "without an attendee line, what the store says";
}

TEST_F(EventTest, AStoreReminderNeedsADueDateAndBecomesAnInstantWithoutLinks)
{
    StoreReminder reminder;
    reminder.calendarItemIdentifier = "reminder-1";
    reminder.title = "Call Ada";
    reminder.notes = "https://zoom.us/j/123";
    reminder.calendar = calendar("Errands");
    EXPECT_FALSE(Event::fromAppleReminder(reminder));

    reminder.dueDateComponents = DateComponents { 2026, 12, 7, 16, 45, 0, std::nullopt };
    auto event = Event::fromAppleReminder(reminder);
    ASSERT_TRUE(event);
    EXPECT_EQ(event->startDate, at("2026-12-07T16:45:00+01:00"));
    EXPECT_EQ(event->endDate, event->startDate);
    EXPECT_EQ(event->id, "reminder-1");
    EXPECT_EQ(event->calendarItemIdentifier, "reminder-1");
    EXPECT_EQ(event->type, Event::EventType::appleReminder);
    EXPECT_TRUE(event->videoConferenceLinks.empty());
    EXPECT_EQ(event->calendarName, "Errands");
    EXPECT_FALSE(event->occurrenceDate);

    reminder.dueDateComponents = DateComponents { 2026, 12, 7, std::nullopt, std::nullopt, std::nullopt, std::string("UTC") };
    EXPECT_EQ(Event::fromAppleReminder(reminder)->startDate, at("2026-12-07T00:00:00Z")) << "components in their own zone";
}

TEST_F(EventTest, CurrentFinishedTimeLeftAndProgressAtTheirBoundaries)
{
    auto event = eventAt(at("2026-12-07T10:00:00+01:00"), at("2026-12-07T11:00:00+01:00"));
    EXPECT_FALSE(event.isCurrentEvent(at("2026-12-07T09:59:59+01:00")));
    EXPECT_TRUE(event.isCurrentEvent(at("2026-12-07T10:00:00+01:00")));
    EXPECT_TRUE(event.isCurrentEvent(at("2026-12-07T11:00:00+01:00")));
    EXPECT_FALSE(event.isCurrentEvent(at("2026-12-07T11:00:01+01:00")));

    EXPECT_FALSE(event.isFinished(at("2026-12-07T11:29:59+01:00")));
    EXPECT_TRUE(event.isFinished(at("2026-12-07T11:30:00+01:00")));
    EXPECT_FALSE(event.isFinished()) << "the clock reads 08:00";

    EXPECT_EQ(event.timeLeft(at("2026-12-07T10:15:00+01:00")), 2700);
    EXPECT_DOUBLE_EQ(event.eventProgress(at("2026-12-07T10:15:00+01:00")), 0.25);
    EXPECT_DOUBLE_EQ(event.eventProgress(at("2026-12-07T11:00:00+01:00")), 1.0);
    for (auto outside : { at("2026-12-07T09:59:59+01:00"), at("2026-12-07T11:00:01+01:00") }) {
        EXPECT_EQ(event.timeLeft(outside), 0);
        EXPECT_EQ(event.eventProgress(outside), 0);
    }
    EXPECT_EQ(event.timeLeft(), 0);

    EXPECT_TRUE(event.startsWithin(7200, now + 1));
    EXPECT_FALSE(event.startsWithin(7200, now)) << "both ends are strict";
    EXPECT_TRUE(event.isInFuture(now));
    EXPECT_FALSE(event.isInFuture(event.startDate));
}

TEST_F(EventTest, AnEventWithoutLengthIsCurrentOnlyAtItsInstantAndThenFullyProgressed)
{
    Date instant = at("2026-12-07T16:45:00+01:00");
    auto reminder = eventAt(instant, instant, Event::EventType::tvkReminder);
    EXPECT_TRUE(reminder.isCurrentEvent(instant));
    EXPECT_FALSE(reminder.isCurrentEvent(instant + 1));
    EXPECT_EQ(reminder.eventProgress(instant), 1.0);
    EXPECT_EQ(reminder.timeLeft(instant), 0);
    EXPECT_TRUE(reminder.isAnyReminder());
    EXPECT_TRUE(eventAt(instant, instant, Event::EventType::appleReminder).isAnyReminder());
    EXPECT_FALSE(eventAt(instant, instant).isAnyReminder());
}

TEST_F(EventTest, TimeSpanTextsUseSixPerEmSpacesAroundAnEnDash)
{
    auto today = eventAt(at("2026-12-07T10:00:00+01:00"), at("2026-12-07T11:00:00+01:00"));
    EXPECT_EQ(today.formattedStartTime(), "10:00" + nb + "AM");
    EXPECT_EQ(today.formattedTime(), "10:00" + nb + "AM" + separator + "11:00" + nb + "AM");
    EXPECT_EQ(today.formattedStartTimeAndDate(), "today, 10:00" + nb + "AM");
    EXPECT_EQ(today.formattedTimeAndDate(), "10:00" + nb + "AM" + separator + "11:00" + nb + "AM");
    EXPECT_EQ(today.formattedTimeAndDate(at("2026-12-07T10:30:00+01:00")), "until 11:00" + nb + "AM");

    auto acrossMidnight = eventAt(at("2026-12-09T23:00:00+01:00"), at("2026-12-10T01:00:00+01:00"));
    EXPECT_EQ(acrossMidnight.formattedTimeAndDate(), "Dec 9, 2026, 11:00" + nb + "PM" + separator + "Dec 10, 2026, 1:00" + nb + "AM");
    EXPECT_EQ(acrossMidnight.formattedTimeAndDate(at("2026-12-09T23:30:00+01:00")), "until Dec 10, 2026, 1:00" + nb + "AM")
        << "a current event ending on another day names the day";

    auto tomorrow = eventAt(at("2026-12-08T09:00:00+01:00"), at("2026-12-08T09:30:00+01:00"));
    EXPECT_EQ(tomorrow.formattedTimeAndDate(), "tomorrow, 9:00" + nb + "AM" + separator + "9:30" + nb + "AM");
}

TEST_F(EventTest, TheSpokenSummaryNamesKindTitlePlaceTimesTravelAndCall)
{
    auto event = eventAt(at("2026-12-07T10:00:00+01:00"), at("2026-12-07T11:00:00+01:00"));
    event.title = "  Design review\n";
    event.location = " Room 4 ";
    event.travelTime = 1800;
    event.videoConferenceLinks = { demoZoomLink() };
    event.calendarName = "Work";
    EXPECT_EQ(event.accessibilityValue(),
        "Calendar event. Design review at Room 4. Starts at 10:00" + nb + "AM and ends at 11:00" + nb
            + "AM. 30 minutes travel time. Has a video call.");
    EXPECT_EQ(event.accessibilityHelp(), "This event belongs to calendar \"Work\".");
    event.travelTime = 20;
    EXPECT_NE(event.accessibilityValue().find(" 1 minute travel time."), std::string::npos)
        << "a travel time under a minute is no \"0 minutes\": " << event.accessibilityValue();
    event.travelTime = 150;
    EXPECT_NE(event.accessibilityValue().find(" 3 minutes travel time."), std::string::npos) << "a part minute counts as one";

    auto reminder = eventAt(at("2026-12-08T09:00:00+01:00"), at("2026-12-08T09:00:00+01:00"), Event::EventType::appleReminder);
    reminder.location = " \u00A0\n";
    reminder.calendarName = "Errands";
    EXPECT_EQ(reminder.accessibilityValue(), "Reminder. untitled. on December 8, 2026 at 9:00" + nb + "AM");
    EXPECT_EQ(reminder.accessibilityHelp(), "This event belongs to reminder list \"Errands\".");

    reminder.type = Event::EventType::tvkReminder;
    EXPECT_FALSE(reminder.accessibilityHelp());
    reminder.type = Event::EventType::calendarEvent;
    reminder.calendarName.reset();
    EXPECT_FALSE(reminder.accessibilityHelp());
}

TEST_F(EventTest, DebugDescriptionNamesTimesInUtcAndAbsentTexts)
{
    auto event = eventAt(at("2026-12-07T10:00:00+01:00"), at("2026-12-07T11:00:00+01:00"));
    event.title = "Standup";
    EXPECT_EQ(event.debugDescription(),
        "start: 2026-12-07 09:00:00 +0000, end: 2026-12-07 10:00:00 +0000, title: Standup, location: (none), recurring: false");
}

TEST_F(EventTest, GroupingByDayKeepsFirstAppearanceOrderAndTheStartDayOnly)
{
    auto monday9 = eventAt(at("2026-12-07T09:00:00+01:00"), at("2026-12-07T10:00:00+01:00"));
    auto tuesday10 = eventAt(at("2026-12-08T10:00:00+01:00"), at("2026-12-08T11:00:00+01:00"));
    auto monday14 = eventAt(at("2026-12-07T14:00:00+01:00"), at("2026-12-08T02:00:00+01:00"));
    monday9.id = "mon9";
    tuesday10.id = "tue10";
    monday14.id = "mon14";
    auto days = gropedByDay({ monday9, tuesday10, monday14 });
    ASSERT_EQ(days.size(), 2u);
    auto it = days.begin();
    EXPECT_EQ(it->first, at("2026-12-07T00:00:00+01:00"));
    ASSERT_EQ(it->second.size(), 2u);
    EXPECT_EQ(it->second[0].id, "mon9");
    EXPECT_EQ(it->second[1].id, "mon14") << "across midnight, under its start day only";
    ++it;
    EXPECT_EQ(it->first, at("2026-12-08T00:00:00+01:00"));
    EXPECT_EQ(it->second.size(), 1u);
    EXPECT_TRUE(gropedByDay({}).empty());
}

TEST_F(EventTest, EqualityComparesEveryField)
{
    auto a = Event::fromCalendarEvent(storeEvent(now, now + 60));
    auto b = a;
    EXPECT_EQ(a, b);
    b.color = b.color.withAlphaComponent(0.5);
    EXPECT_NE(a, b);
    b = a;
    b.occurrenceDate = now;
    EXPECT_NE(a, b);
    b = a;
    b.participantsData.edit().push_back(Event::participantData(participant("A", "mailto:a@example.com")));
    auto c = b;
    auto before = b.participantsData[0];
    c.participantsData.edit()[0].contactPredicate.name = "B";
    EXPECT_NE(b, c) << "participants' contact predicates count";
    EXPECT_EQ(b.participantsData[0], before)
        << "editing a copy leaves the others as they were";
}

TEST_F(EventTest, TheDemoEventsLinksAreOnesTheirServicesRecognise)
{
    auto ongoing = Event::demo_makeOngoingEvent();
    ASSERT_FALSE(ongoing.videoConferenceLinks.empty());
    for (const auto& event : { Event::makeInAppDemoEvent(), ongoing })
        for (auto& link : event.videoConferenceLinks)
            EXPECT_TRUE(link.service.matches(link.url)) << link.url.absoluteString();
}

// The parts of the event model that read the user's settings: when an alert is due, which link a
// one-click join opens, and which store items deserve an alert at all. The shared stores live in
// the test's temporary home and are reset around every test.

#include "TVKCore/Events/Event.hpp"

#include "Platform/Runtime/ISO8601.hpp"
#include "Platform/Runtime/ProcessClock.hpp"
#include "TVKCore/Settings/EventSettings.hpp"
#include "TVKCore/Settings/EventSettingsStore.hpp"
#include "TVKCore/Settings/Reminder.hpp"
#include "TVKCore/Settings/UserSettingsStore.hpp"
#include "TVKCore/VideoConference/VideoConferenceLinkParser.hpp"

#include "Tests/Support/Dates.hpp"

#include <gtest/gtest.h>

using namespace tvk;
using tvk::test::at;

namespace {

VideoConferenceLink linkIn(const std::string& text)
{
    auto links = VideoConferenceLinkParser::shared().parse(text);
    EXPECT_EQ(links.size(), 1u) << text;
    return links.at(0);
}

Event eventWithLinks(std::vector<VideoConferenceLink> links)
{
    return Event { .id = "work:sync@example.com",
        .startDate = at("2026-12-07T10:00:00+01:00"),
        .endDate = at("2026-12-07T11:00:00+01:00"),
        .videoConferenceLinks = std::move(links) };
}

StoreParticipant attendee(StoreParticipantStatus status, bool isCurrentUser)
{
    StoreParticipant participant;
    participant.url = isCurrentUser ? "mailto:me@example.com" : "mailto:ada@example.com";
    participant.status = status;
    participant.isCurrentUser = isCurrentUser;
    return participant;
}

StoreEvent meeting(std::vector<StoreParticipant> attendees = {})
{
    StoreEvent event;
    event.eventIdentifier = "work:meeting@example.com";
    event.startDate = at("2026-12-07T10:00:00+01:00");
    event.endDate = at("2026-12-07T11:00:00+01:00");
    event.attendees = std::move(attendees);
    return event;
}

class EventAlertRulesTest : public testing::Test {
protected:
    void SetUp() override
    {
        ProcessClock::pin(at("2026-12-07T08:00:00+01:00"));
        reset();
    }
    void TearDown() override
    {
        reset();
        ProcessClock::unpin();
    }
    static void reset()
    {
        ASSERT_TRUE(UserSettingsStore::shared().resetAll());
        ASSERT_TRUE(EventSettingsStore::shared().deleteAllCustomEventSettings());
    }
};

}

TEST_F(EventAlertRulesTest, AnAlertIsDueFromJustAfterItsOffsetUpToAndIncludingTheStart)
{
    auto event = eventWithLinks({});
    auto pendingAt
        = [&](const char* time, std::optional<EventSettings> settings = std::nullopt) { return event.isPending(300, settings, at(time)); };
    EXPECT_FALSE(pendingAt("2026-12-07T09:55:00+01:00"));
    EXPECT_TRUE(pendingAt("2026-12-07T09:55:01+01:00"));
    EXPECT_TRUE(pendingAt("2026-12-07T10:00:00+01:00"));
    EXPECT_FALSE(pendingAt("2026-12-07T10:00:01+01:00"));

    EventSettings excluded { EventType::calendarEvent, true, false, 0, std::nullopt };
    for (auto time : { "2026-12-07T09:50:01+01:00", "2026-12-07T09:55:01+01:00", "2026-12-07T10:00:00+01:00" })
        EXPECT_FALSE(pendingAt(time, excluded)) << time;

    EventSettings tenMinutes { EventType::calendarEvent, false, true, 600, std::nullopt };
    EXPECT_FALSE(pendingAt("2026-12-07T09:50:00+01:00", tenMinutes));
    EXPECT_TRUE(pendingAt("2026-12-07T09:50:01+01:00", tenMinutes));
    EXPECT_TRUE(pendingAt("2026-12-07T10:00:00+01:00", tenMinutes));

    EventSettings customOffsetOff { EventType::calendarEvent, false, false, 600, std::nullopt };
    EXPECT_FALSE(pendingAt("2026-12-07T09:50:01+01:00", customOffsetOff)) << "the stored offset is not in use";

    EXPECT_FALSE(event.isPending(0, std::nullopt, event.startDate)) << "no offset, no window";
}

TEST_F(EventAlertRulesTest, TheJoinLinkIsTheOnlyLinkElseTheOneTheEventSettingsChose)
{
    auto zoom = linkIn("https://zoom.us/j/111");
    auto meet = linkIn("https://meet.google.com/abc-defg-hij");
    auto& store = EventSettingsStore::shared();

    EXPECT_EQ(eventWithLinks({}).defaultVideoConferenceLink(), std::nullopt);
    EXPECT_EQ(eventWithLinks({ zoom, meet }).defaultVideoConferenceLink(), std::nullopt) << "two links, no settings";

    ASSERT_TRUE(store.storeCustomSettings(
        { EventType::calendarEvent, false, false, 0, "https://meet.google.com/abc-defg-hij" }, "work:sync@example.com"));
    EXPECT_EQ(eventWithLinks({ zoom, meet }).defaultVideoConferenceLink(), meet);
    EXPECT_EQ(eventWithLinks({ zoom }).defaultVideoConferenceLink(), zoom) << "a single link ignores the stored choice";

    ASSERT_TRUE(store.storeCustomSettings({ EventType::calendarEvent, false, false, 0, "https://zoom.us/j/999" }, "work:sync@example.com"));
    EXPECT_EQ(eventWithLinks({ zoom, meet }).defaultVideoConferenceLink(), std::nullopt) << "the chosen link is gone";

    ASSERT_TRUE(store.storeCustomSettings({ EventType::calendarEvent, true, false, 0, std::nullopt }, "work:sync@example.com"));
    EXPECT_EQ(eventWithLinks({ zoom, meet }).defaultVideoConferenceLink(), std::nullopt) << "settings without a chosen link";
}

TEST_F(EventAlertRulesTest, AnOwnReminderKeepsEveryLinkOfItsNotesThenItsTitle)
{
    Reminder reminder("R-1", at("2026-12-07T09:30:00+01:00"), std::string("Call https://zoom.us/j/111"),
        std::string("Dial in: https://zoom.us/j/111"), 600);
    auto event = Event::fromReminder(reminder);
    EXPECT_EQ(event.id, "R-1");
    EXPECT_EQ(event.type, EventType::tvkReminder);
    EXPECT_EQ(event.startDate, reminder.date());
    EXPECT_EQ(event.endDate, reminder.date());
    EXPECT_EQ(event.calendarItemIdentifier, std::nullopt);
    EXPECT_EQ(event.calendarName, std::nullopt);
    EXPECT_EQ(event.notes, reminder.notes());
    ASSERT_EQ(event.videoConferenceLinks.size(), 2u) << "duplicates stay";
    EXPECT_EQ(event.videoConferenceLinks[0], event.videoConferenceLinks[1]);
    EXPECT_TRUE(event.isAnyReminder());
    EXPECT_EQ(event.accessibilityHelp(), std::nullopt);

    Reminder bare("R-2", at("2026-12-07T09:30:00+01:00"), std::nullopt, std::nullopt, 0);
    EXPECT_TRUE(Event::fromReminder(bare).videoConferenceLinks.empty());
}

TEST_F(EventAlertRulesTest, AttendanceFollowsTheUsersFirstAnswerUnderBothSettings)
{
    auto& settings = UserSettingsStore::shared();
    auto withMyAnswer = [](StoreParticipantStatus status) {
        return meeting({ attendee(StoreParticipantStatus::declined, false), attendee(status, true),
            attendee(StoreParticipantStatus::declined, true) });
    };
    struct Case {
        StoreParticipantStatus status;
        bool attendedByDefault;
        bool attendedWhenOnlyAccepted;
    };
    const Case cases[] = {
        { StoreParticipantStatus::unknown, true, false },
        { StoreParticipantStatus::pending, true, false },
        { StoreParticipantStatus::accepted, true, true },
        { StoreParticipantStatus::declined, false, false },
        { StoreParticipantStatus::tentative, true, false },
        { StoreParticipantStatus::delegated, false, false },
        { StoreParticipantStatus::completed, false, false },
        { StoreParticipantStatus::inProcess, true, true },
    };
    for (auto onlyAccepted : { false, true }) {
        ASSERT_TRUE(settings.setShowOnlyAcceptedEvents(onlyAccepted));
        EXPECT_TRUE(isAttending(meeting())) << "without attendees";
        EXPECT_TRUE(isAttending(meeting({ attendee(StoreParticipantStatus::declined, false) }))) << "without the user";
        for (auto& c : cases) {
            EXPECT_EQ(isAttending(withMyAnswer(c.status)), onlyAccepted ? c.attendedWhenOnlyAccepted : c.attendedByDefault)
                << "status " << static_cast<int>(c.status) << ", only accepted " << onlyAccepted;
        }
    }
}

TEST_F(EventAlertRulesTest, AnEventIsScheduledUnlessAllDayCancelledUnattendedOrWithoutTheWantedAlarm)
{
    auto& settings = UserSettingsStore::shared();
    EXPECT_TRUE(shouldSchedule(meeting()));

    auto allDay = meeting();
    allDay.isAllDay = true;
    EXPECT_FALSE(shouldSchedule(allDay));

    auto cancelled = meeting();
    cancelled.status = EventStatus::canceled;
    EXPECT_FALSE(shouldSchedule(cancelled));
    auto tentative = meeting({ attendee(StoreParticipantStatus::tentative, true) });
    tentative.status = EventStatus::tentative;
    EXPECT_TRUE(shouldSchedule(tentative)) << "a tentative event stays unless the user's answer rules it out";

    EXPECT_FALSE(shouldSchedule(meeting({ attendee(StoreParticipantStatus::declined, true) })));

    ASSERT_TRUE(settings.setShowOnlyEventsWithAlert(true));
    EXPECT_FALSE(shouldSchedule(meeting())) << "no alarm";
    auto withAlarm = meeting();
    withAlarm.alarms.push_back(StoreAlarm { .relativeOffset = -600 });
    EXPECT_TRUE(shouldSchedule(withAlarm));
}

TEST_F(EventAlertRulesTest, AReminderIsScheduledWhenOpenDatedAndWithAlarms)
{
    StoreReminder reminder;
    reminder.calendarItemIdentifier = "todo-1";
    reminder.dueDateComponents = DateComponents { 2026, 12, 7, 16, 45, 0, std::nullopt };
    reminder.alarms = std::vector<StoreAlarm> { StoreAlarm { .relativeOffset = 0 } };
    EXPECT_TRUE(shouldSchedule(reminder));

    auto startOnly = reminder;
    startOnly.dueDateComponents.reset();
    startOnly.startDateComponents = DateComponents { 2026, 12, 7, 16, 0, 0, std::nullopt };
    EXPECT_TRUE(shouldSchedule(startOnly));

    auto undated = reminder;
    undated.dueDateComponents.reset();
    EXPECT_FALSE(shouldSchedule(undated));

    auto completed = reminder;
    completed.isCompleted = true;
    EXPECT_FALSE(shouldSchedule(completed));

    auto withoutAlarms = reminder;
    withoutAlarms.alarms.reset();
    EXPECT_FALSE(shouldSchedule(withoutAlarms));
}

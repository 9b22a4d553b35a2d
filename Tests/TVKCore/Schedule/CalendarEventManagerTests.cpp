// The reload cycle over an in-memory calendar store: the alert schedule, the lists the widgets
// read, snoozes and calendar activation. The clock is pinned on Monday 7 December 2026 in Berlin;
// settings and own reminders live in the test's temporary home.

#include "TVKCore/Schedule/CalendarEventManager.hpp"

#include "Platform/Calendar/MemoryCalendarStore.hpp"
#include "Platform/Runtime/ConcurrentLoop.hpp"
#include "Platform/Runtime/DispatchQueue.hpp"
#include "Platform/Runtime/ISO8601.hpp"
#include "Platform/Runtime/ProcessClock.hpp"
#include "TVKCore/Events/EventPrinting.hpp"
#include "TVKCore/Settings/CustomRemindersStore.hpp"
#include "TVKCore/Settings/EventSettingsStore.hpp"
#include "TVKCore/Settings/UserSettingsStore.hpp"
#include "Tests/Support/Dates.hpp"
#include "Tests/Support/TemporaryDirectory.hpp"
#include "Tests/TVKCore/Calendar/StoreItems.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace tvk;
using namespace tvk::test;

namespace {

/// "title@HH:MM:SS" in Berlin time, snoozes marked.
std::vector<std::string> schedule(const std::vector<AlertInvocation>& invocations)
{
    std::vector<std::string> result;
    for (auto& invocation : invocations) {
        auto local = ISO8601::format(invocation.date);
        result.push_back(invocation.event.title.value_or("?") + "@" + local.substr(11, 8) + (invocation.isSnooze ? " snooze" : ""));
    }
    return result;
}

class RecordingDelegate : public CalendarEventManagerDelegate {
public:
    void didUpdateInvocations(const std::vector<AlertInvocation>& invocations) override { updates.push_back(invocations); }
    void didRemoveSnooze(const AlertInvocation& invocation) override { removed.push_back(invocation); }
    std::vector<std::vector<AlertInvocation>> updates;
    std::vector<AlertInvocation> removed;
};

class CalendarEventManagerTest : public testing::Test {
protected:
    void SetUp() override
    {
        ProcessClock::pin(at("2026-12-07T09:00:00+01:00"));
        auto owned = makeMemoryStore();
        memory = owned.get();
        store = std::make_unique<AggregatedEventStore>(std::move(owned));
        manager = std::make_unique<CalendarEventManager>(*store, reminders);
        manager->setDelegate(delegate);
        ASSERT_TRUE(settings().setActiveCalendarIdentifiers({ "work" }));
    }
    void TearDown() override
    {
        DispatchQueue::main().drainUntilIdle();
        manager.reset();
        ASSERT_TRUE(settings().resetAll());
        ASSERT_TRUE(EventSettingsStore::shared().deleteAllCustomEventSettings());
        ProcessClock::unpin();
    }
    static UserSettingsStore& settings() { return UserSettingsStore::shared(); }

    void reloadAt(const char* time)
    {
        ProcessClock::pin(at(time));
        reload();
    }
    void reload()
    {
        bool done = false;
        manager->reloadEvents(CalendarEventManager::PostNotification::no, [&] { done = true; });
        ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return done; }));
    }

    TemporaryDirectory directory;
    UserDefaults remindersDomain { directory / "reminders.plist" };
    CustomRemindersStore reminders { remindersDomain };
    MemoryCalendarStore* memory = nullptr;
    std::unique_ptr<AggregatedEventStore> store;
    std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();
    std::unique_ptr<CalendarEventManager> manager;
};

}

TEST_F(CalendarEventManagerTest, ConstructionLoadsNothingAndArmsTheTimerAtAWholeMinuteOneToTwoMinutesAhead)
{
    memory->addEvent(makeEvent("standup", "2026-12-07T09:30:00+01:00", "2026-12-07T09:45:00+01:00"));
    EXPECT_TRUE(manager->allCachedEvents().empty());
    EXPECT_EQ(memory->eventQueryCount(), 0u);
    EXPECT_EQ(manager->nextTimerFireDate(), at("2026-12-07T09:02:00+01:00"));

    ProcessClock::pin(at("2026-12-07T09:00:59+01:00"));
    CalendarEventManager later(*store, reminders);
    EXPECT_EQ(later.nextTimerFireDate(), at("2026-12-07T09:02:00+01:00")) << "still more than a minute ahead";
}

TEST_F(CalendarEventManagerTest, TheMinuteTimerReloadsOnceAfterASleepAndReArmsWhenTheClockIsSetBack)
{
    memory->addEvent(makeEvent("standup", "2026-12-07T09:30:00+01:00", "2026-12-07T09:45:00+01:00"));
    int reloads = 0;
    auto token = NotificationCenter::defaultCenter().addObserver(
        std::string(NotificationName::didReloadEvents), nullptr, [&](const Notification&) { ++reloads; });

    ProcessClock::pin(at("2026-12-07T09:02:00+01:00"));
    ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return reloads == 1; }));
    EXPECT_EQ(schedule(manager->invocations()), (std::vector<std::string> { "standup@09:29:00" })) << "the timer reloaded";
    EXPECT_EQ(manager->nextTimerFireDate(), at("2026-12-07T09:03:00+01:00"));

    // Eight hours asleep: one reload, not one per minute missed, and the next at a whole minute.
    ProcessClock::pin(at("2026-12-07T17:02:30+01:00"));
    ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return reloads >= 2; }));
    DispatchQueue::main().drainUntilIdle();
    EXPECT_EQ(reloads, 2);
    EXPECT_TRUE(manager->invocations().empty());
    EXPECT_EQ(manager->nextTimerFireDate(), at("2026-12-07T17:03:00+01:00"));

    // The clock set back by the user: the timer does not wait nine hours for it.
    ProcessClock::pin(at("2026-12-07T08:00:10+01:00"));
    DispatchQueue::main().drainUntilIdle();
    EXPECT_EQ(reloads, 2);
    EXPECT_EQ(manager->nextTimerFireDate(), at("2026-12-07T08:01:00+01:00"));
    ProcessClock::pin(at("2026-12-07T08:01:00+01:00"));
    ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return reloads == 3; }));
    EXPECT_EQ(schedule(manager->invocations()), (std::vector<std::string> { "standup@09:29:00" }));
    NotificationCenter::defaultCenter().removeObserver(token);
}

TEST_F(CalendarEventManagerTest, TheDefaultAlertIsAMinuteBeforeTheStartAndMovesByTravelTime)
{
    auto standup = makeEvent("standup", "2026-12-07T10:00:00+01:00", "2026-12-07T10:15:00+01:00");
    standup.travelTime = 1800;
    memory->addEvent(standup);

    reloadAt("2026-12-07T09:59:00+01:00");
    EXPECT_EQ(schedule(manager->invocations()), (std::vector<std::string> { "standup@09:59:00" })) << "an alert at now counts";
    reloadAt("2026-12-07T09:59:01+01:00");
    EXPECT_TRUE(manager->invocations().empty());

    ASSERT_TRUE(settings().setIncludeTravelTime(true));
    reloadAt("2026-12-07T09:00:00+01:00");
    EXPECT_EQ(schedule(manager->invocations()), (std::vector<std::string> { "standup@09:29:00" }));
    ASSERT_EQ(delegate->updates.size(), 4u) << "three reloads, and the minute timer's when the clock passed 09:02";
    EXPECT_EQ(delegate->updates.back(), manager->invocations());
}

TEST_F(CalendarEventManagerTest, EventSettingsExcludeAnEventOrGiveItItsOwnOffset)
{
    memory->addEvent(makeEvent("excluded", "2026-12-07T10:00:00+01:00", "2026-12-07T11:00:00+01:00"));
    memory->addEvent(makeEvent("custom", "2026-12-07T10:00:00+01:00", "2026-12-07T11:00:00+01:00"));
    ASSERT_TRUE(settings().setTimeOffsetSeconds(120));
    auto& eventSettings = EventSettingsStore::shared();
    ASSERT_TRUE(eventSettings.storeCustomSettings({ EventType::calendarEvent, true, false, 0, std::nullopt }, "work:excluded"));
    ASSERT_TRUE(eventSettings.storeCustomSettings({ EventType::calendarEvent, false, true, 600, std::nullopt }, "work:custom"));

    reload();
    EXPECT_EQ(schedule(manager->invocations()), (std::vector<std::string> { "custom@09:50:00" }));
    EXPECT_EQ(titles(manager->scheduledEvents()), (std::vector<std::string> { "custom" }));
}

TEST_F(CalendarEventManagerTest, OwnRemindersNeedAnAlertStrictlyAheadWhereCalendarEventsMayAlertNow)
{
    Date now = at("2026-12-07T09:00:00+01:00");
    memory->addEvent(makeEvent("alerts-now", "2026-12-07T09:01:00+01:00", "2026-12-07T09:30:00+01:00"));
    auto withLink = makeEvent("with-link", "2026-12-07T09:30:00+01:00", "2026-12-07T10:00:00+01:00");
    withLink.notes = "https://meet.google.com/abc-defg-hij";
    memory->addEvent(withLink);
    ASSERT_TRUE(reminders.addReminder(Reminder("soon", now + 30, std::string("soon"), std::nullopt, 60)));
    ASSERT_TRUE(reminders.addReminder(Reminder("exactly-now", now + 60, std::string("exactly-now"), std::nullopt, 60)));
    ASSERT_TRUE(reminders.addReminder(Reminder("later", now + 600, std::string("later"), std::nullopt, 300)));
    ASSERT_TRUE(settings().setShowOnlyEventsWithVideoConference(true));

    reloadAt("2026-12-07T09:00:00+01:00");
    EXPECT_EQ(schedule(manager->invocations()), (std::vector<std::string> { "with-link@09:29:00", "later@09:05:00" }))
        << "without a link a calendar event is left out; own reminders are exempt from that setting";

    ASSERT_TRUE(settings().setShowOnlyEventsWithVideoConference(false));
    reload();
    EXPECT_EQ(
        schedule(manager->invocations()), (std::vector<std::string> { "alerts-now@09:00:00", "with-link@09:29:00", "later@09:05:00" }));
    EXPECT_EQ(manager->invocations()[2].event.type, EventType::tvkReminder);
}

TEST_F(CalendarEventManagerTest, TheScheduleListsCalendarEventsThenOwnRemindersThenStoreRemindersAndRulesSpareOwnReminders)
{
    ASSERT_TRUE(settings().setActiveReminderListIdentifiers({ "todo" }));
    memory->addEvent(makeEvent("Standup", "2026-12-07T09:30:00+01:00", "2026-12-07T09:45:00+01:00"));
    memory->addEvent(makeEvent("Private: dentist", "2026-12-07T09:40:00+01:00", "2026-12-07T10:00:00+01:00"));
    memory->addReminder(makeReminder("Send report", 9, 20));
    memory->addReminder(makeReminder("Private: gift", 9, 25));
    ASSERT_TRUE(reminders.addReminder(Reminder("own", at("2026-12-07T09:10:00+01:00"), std::string("Private: call"), std::nullopt, 0)));
    ASSERT_TRUE(settings().setExcludeRules({ titlesBeginningWith("Private") }));

    reload();
    EXPECT_EQ(schedule(manager->invocations()),
        (std::vector<std::string> { "Standup@09:29:00", "Private: call@09:10:00", "Send report@09:19:00" }));
    EXPECT_EQ(titles(manager->scheduledEvents()), (std::vector<std::string> { "Private: call", "Send report", "Standup" }));
}

// A week of hundreds of events is decided on more than one thread: the schedule must still
// list them in fetch order, each with its own links, offset and exclusion, build after build.
TEST_F(CalendarEventManagerTest, AHeavyWeeksScheduleKeepsFetchOrderAndEachEventsOwnDecisionAndPrintsAlikeOnManyThreads)
{
    constexpr int count = 600;
    std::vector<std::string> expected;
    for (int i = 0; i < count; ++i) {
        Date start = at("2026-12-07T10:00:00+01:00") + i * 600.0;
        std::string title = (i % 5 == 0 ? "Private " : "Meeting ") + std::to_string(i);
        auto event = makeEvent(title, ISO8601::format(start), ISO8601::format(start + 1800));
        if (i % 3 == 0)
            event.notes = "Join: https://meet.google.com/abc-defg-" + std::to_string(100 + i);
        memory->addEvent(event);
        if (i % 5 != 0) {
            Date alert = start - (i % 7 == 0 ? 600 : 60);
            expected.push_back(title + "@" + ISO8601::format(alert).substr(11, 8));
        }
    }
    ASSERT_TRUE(settings().setExcludeRules({ titlesBeginningWith("Private") }));
    auto& eventSettings = EventSettingsStore::shared();
    for (int i = 0; i < count; i += 7) {
        if (i % 5 != 0) {
            ASSERT_TRUE(eventSettings.storeCustomSettings(
                { EventType::calendarEvent, false, true, 600, std::nullopt }, "work:Meeting " + std::to_string(i)));
        }
    }

    for (int build = 0; build < 2; ++build) {
        SCOPED_TRACE(build == 0 ? "first build" : "second build, with the events made before");
        reload();
        auto invocations = manager->invocations();
        ASSERT_EQ(schedule(invocations), expected);
        for (auto& invocation : invocations) {
            int i = std::stoi(invocation.event.title->substr(8));
            ASSERT_EQ(invocation.event.videoConferenceLinks.size(), i % 3 == 0 ? 1u : 0u) << *invocation.event.title;
            if (i % 3 == 0) {
                EXPECT_EQ(invocation.event.videoConferenceLinks[0].url.absoluteString(),
                    "https://meet.google.com/abc-defg-" + std::to_string(100 + i));
            }
        }
    }

    // Printing them is shared among threads too (tvkctl prints its lists so): the texts are
    // those printed one after another.
    auto events = manager->scheduledEvents();
    std::vector<std::string> alone, shared(events.size());
    for (auto& event : events)
        alone.push_back(eventJson(event).dump());
    concurrentLoop(events.size(), 16, [&](size_t i) { shared[i] = eventJson(events[i]).dump(); });
    EXPECT_EQ(shared, alone);
}

TEST_F(CalendarEventManagerTest, AReloadPurgesOwnRemindersOlderThanThirtyDays)
{
    Date now = Date::now();
    ASSERT_TRUE(reminders.addReminder(Reminder("31-days", now - 31 * 86400, std::string("old"), std::nullopt, 0)));
    ASSERT_TRUE(reminders.addReminder(Reminder("29-days", now - 29 * 86400, std::string("recent"), std::nullopt, 0)));
    reload();
    auto left = reminders.reminders();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].id(), "29-days");
}

TEST_F(CalendarEventManagerTest, TheWindowEndsAtTheEndOfTheDayThatManyDaysAhead)
{
    memory->addEvent(makeEvent("tonight", "2026-12-07T23:30:00+01:00", "2026-12-07T23:45:00+01:00"));
    memory->addEvent(makeEvent("tomorrow", "2026-12-08T00:30:00+01:00", "2026-12-08T01:00:00+01:00"));
    memory->addEvent(makeEvent("in-a-week", "2026-12-14T23:00:00+01:00", "2026-12-14T23:30:00+01:00"));
    memory->addEvent(makeEvent("in-eight-days", "2026-12-15T00:30:00+01:00", "2026-12-15T01:00:00+01:00"));

    reload();
    EXPECT_EQ(titles(manager->scheduledEvents()), (std::vector<std::string> { "tonight", "tomorrow", "in-a-week" })) << "seven days";
    ASSERT_TRUE(settings().setUpcomingEventsDaysFilter(0));
    reload();
    EXPECT_EQ(titles(manager->scheduledEvents()), (std::vector<std::string> { "tonight" }));
    ASSERT_TRUE(settings().setUpcomingEventsDaysFilter(-5));
    reload();
    EXPECT_EQ(titles(manager->scheduledEvents()), (std::vector<std::string> { "tonight" })) << "a negative setting reads as today";
}

TEST_F(CalendarEventManagerTest, SnoozesAddUpAndRemovingOneLeavesTheOther)
{
    memory->addEvent(makeEvent("review", "2026-12-07T09:30:00+01:00", "2026-12-07T10:30:00+01:00"));
    reload();
    auto review = manager->scheduledEvents().at(0);

    manager->snooze(review, 5);
    ProcessClock::advance(10);
    manager->snooze(review, 5);
    DispatchQueue::main().drainUntilIdle();
    EXPECT_EQ(schedule(manager->snoozedInvocations()), (std::vector<std::string> { "review@09:05:00 snooze", "review@09:05:10 snooze" }));
    EXPECT_EQ(schedule(delegate->updates.back()),
        (std::vector<std::string> { "review@09:29:00", "review@09:05:00 snooze", "review@09:05:10 snooze" }))
        << "the delegate gets the schedule and then the snoozes";

    size_t updatesBefore = delegate->updates.size();
    manager->removeSnooze(review);
    EXPECT_EQ(schedule(manager->snoozedInvocations()), (std::vector<std::string> { "review@09:05:10 snooze" }));
    ASSERT_EQ(delegate->removed.size(), 1u);
    EXPECT_EQ(schedule(delegate->removed), (std::vector<std::string> { "review@09:05:00 snooze" }));
    DispatchQueue::main().drainUntilIdle();
    EXPECT_EQ(delegate->updates.size(), updatesBefore) << "no reload";

    manager->didHandleAlertInvocation(manager->snoozedInvocations().at(0));
    EXPECT_TRUE(manager->snoozedInvocations().empty());
    manager->didHandleAlertInvocation(manager->invocations().at(0));
    EXPECT_TRUE(manager->invocations().empty());
}

TEST_F(CalendarEventManagerTest, SnoozingUntilTheStartWorksOnlyBeforeIt)
{
    memory->addEvent(makeEvent("running", "2026-12-07T08:30:00+01:00", "2026-12-07T09:30:00+01:00"));
    memory->addEvent(makeEvent("ahead", "2026-12-07T09:30:00+01:00", "2026-12-07T10:30:00+01:00"));
    reload();
    auto running = manager->currentEvents().at(0);
    auto ahead = manager->scheduledEvents().at(0);
    ASSERT_EQ(ahead.title, "ahead");

    manager->snoozeUntilTimeOfEvent(running);
    manager->snoozeUntilTimeOfEvent(ahead);
    EXPECT_TRUE(manager->snoozedInvocations().empty()) << "applied on the main queue";
    DispatchQueue::main().drainUntilIdle();
    EXPECT_EQ(schedule(manager->snoozedInvocations()), (std::vector<std::string> { "ahead@09:30:00 snooze" }));
}

TEST_F(CalendarEventManagerTest, SnoozingAnOwnReminderMovesItInItsStoreInsteadOfAddingASnooze)
{
    ASSERT_TRUE(reminders.addReminder(Reminder("R1", at("2026-12-07T09:30:00+01:00"), std::string("Call Sam"), std::nullopt, 0)));
    reload();
    auto event = manager->scheduledEvents().at(0);
    manager->snooze(event, 10);
    DispatchQueue::main().drainUntilIdle();
    EXPECT_TRUE(manager->snoozedInvocations().empty());
    EXPECT_EQ(reminders.reminder("R1")->date(), at("2026-12-07T09:40:00+01:00"));
    EXPECT_EQ(schedule(manager->invocations()), (std::vector<std::string> { "Call Sam@09:40:00" }));

    ASSERT_TRUE(reminders.removeReminder("R1"));
    DispatchQueue::main().drainUntilIdle();
    manager->snooze(event, 10);
    DispatchQueue::main().drainUntilIdle();
    EXPECT_EQ(schedule(manager->snoozedInvocations()), (std::vector<std::string> { "Call Sam@09:10:00 snooze" }))
        << "a reminder that is gone gets a snooze of its own";
}

TEST_F(CalendarEventManagerTest, EqualStartsListPendingBeforeScheduledBeforeStoreReminders)
{
    ASSERT_TRUE(settings().setActiveReminderListIdentifiers({ "todo" }));
    ASSERT_TRUE(settings().setTimeOffsetSeconds(600));
    memory->addEvent(makeEvent("meeting", "2026-12-07T09:05:00+01:00", "2026-12-07T09:30:00+01:00"));
    memory->addReminder(makeReminder("task", 9, 5));
    reload();

    EXPECT_EQ(titles(manager->pendingEvents()), (std::vector<std::string> { "meeting" }));
    EXPECT_EQ(titles(manager->pendingAppleReminderEvents()), (std::vector<std::string> { "task" }));
    EXPECT_TRUE(manager->scheduledEvents().empty()) << "their alerts lie in the past";

    ASSERT_TRUE(reminders.addReminder(Reminder("own", at("2026-12-07T09:05:00+01:00"), std::string("own"), std::nullopt, 0)));
    reload();
    EXPECT_EQ(titles(manager->allCachedUpcomingEvents()), (std::vector<std::string> { "meeting", "own", "task" }));
    EXPECT_EQ(manager->cachedEvent("R-none"), std::nullopt);
    EXPECT_EQ(manager->cachedEvent("work:meeting")->title, "meeting");
}

TEST_F(CalendarEventManagerTest, TheUpcomingListHoldsWhatHasNotStartedWhateverItsAlertAndNothingExcluded)
{
    ASSERT_TRUE(settings().setActiveReminderListIdentifiers({ "todo" }));
    auto dentist = makeEvent("dentist", "2026-12-07T08:30:00+01:00", "2026-12-07T09:15:00+01:00");
    dentist.travelTime = 1800;
    memory->addEvent(dentist);
    memory->addEvent(makeEvent("standup", "2026-12-07T10:00:00+01:00", "2026-12-07T10:15:00+01:00"));
    memory->addEvent(makeEvent("skipped", "2026-12-07T09:00:00+01:00", "2026-12-07T09:30:00+01:00"));
    memory->addEvent(makeEvent("Private: errand", "2026-12-07T09:10:00+01:00", "2026-12-07T09:30:00+01:00"));
    memory->addEvent(makeEvent("running", "2026-12-07T08:00:00+01:00", "2026-12-07T08:45:00+01:00"));
    memory->addReminder(makeReminder("task", 10, 30));
    ASSERT_TRUE(reminders.addReminder(Reminder("R1", at("2026-12-07T08:40:00+01:00"), std::string("call back"), std::nullopt, 1800)));
    ASSERT_TRUE(settings().setExcludeRules({ titlesBeginningWith("Private") }));
    ASSERT_TRUE(
        EventSettingsStore::shared().storeCustomSettings({ EventType::calendarEvent, true, false, 0, std::nullopt }, "work:skipped"));

    // 08:10 with travel time: the dentist's alert (07:59) has passed, and it is not pending
    // (that looks at the offset alone: 08:29); it is still what comes next.
    ASSERT_TRUE(settings().setIncludeTravelTime(true));
    reloadAt("2026-12-07T08:10:00+01:00");
    EXPECT_EQ(titles(manager->allCachedUpcomingEvents()), (std::vector<std::string> { "dentist", "call back", "standup", "task" }));
    EXPECT_EQ(titles(manager->scheduledEvents()), (std::vector<std::string> { "standup", "task" })) << "the alert schedule is unchanged";
    EXPECT_TRUE(manager->pendingEvents().empty());

    // 08:30 with a two-hour offset: the stand-up's alert (08:00) has passed and it starts in
    // more than an hour; the dentist, starting now, is pending and listed once.
    ASSERT_TRUE(settings().setIncludeTravelTime(false));
    ASSERT_TRUE(settings().setTimeOffsetSeconds(7200));
    reloadAt("2026-12-07T08:30:00+01:00");
    EXPECT_EQ(titles(manager->pendingEvents()), (std::vector<std::string> { "dentist" }));
    EXPECT_EQ(titles(manager->allCachedUpcomingEvents()), (std::vector<std::string> { "dentist", "call back", "standup", "task" }));
    EXPECT_EQ(titles(manager->scheduledEvents()), (std::vector<std::string> { "task" })) << "its alert is now";
    ASSERT_TRUE(EventSettingsStore::shared().deleteAllCustomEventSettings());
}

TEST_F(CalendarEventManagerTest, SnoozedStoreRemindersWhoseTimeHasComeAreListedWithTheCurrentEvents)
{
    ASSERT_TRUE(settings().setActiveReminderListIdentifiers({ "todo" }));
    memory->addEvent(makeEvent("meeting", "2026-12-07T08:30:00+01:00", "2026-12-07T09:30:00+01:00"));
    memory->addEvent(makeEvent("review", "2026-12-07T09:04:00+01:00", "2026-12-07T09:30:00+01:00"));
    memory->addReminder(makeReminder("task", 9, 5));
    memory->addReminder(makeReminder("later-task", 11, 0));
    reload();
    auto upcoming = manager->allCachedUpcomingEvents();
    auto find = [&](const std::string& title) {
        return *std::find_if(upcoming.begin(), upcoming.end(), [&](auto& e) { return e.title == title; });
    };
    manager->snooze(find("task"), 10);
    manager->snooze(find("later-task"), 10);
    manager->snooze(find("review"), 10);
    DispatchQueue::main().drainUntilIdle();
    EXPECT_TRUE(manager->snoozedPastAppleReminderEvents().empty()) << "nothing has started yet";

    reloadAt("2026-12-07T09:06:00+01:00");
    EXPECT_EQ(titles(manager->snoozedPastAppleReminderEvents()), (std::vector<std::string> { "task" }))
        << "a store reminder that has started; not the one still ahead, not a calendar event";
    EXPECT_EQ(titles(manager->allCachedCurrentEvents()), (std::vector<std::string> { "meeting", "review", "task" })) << "by start";
    EXPECT_EQ(titles(manager->currentEvents()), (std::vector<std::string> { "meeting", "review" }));

    manager->removeSnooze(find("task"));
    reload();
    EXPECT_TRUE(manager->snoozedPastAppleReminderEvents().empty());
    EXPECT_EQ(titles(manager->allCachedCurrentEvents()), (std::vector<std::string> { "meeting", "review" }));
}

TEST_F(CalendarEventManagerTest, ALaterReloadsListsStandWhenAnOlderReloadsStoreAnswersComeLast)
{
    ASSERT_TRUE(settings().setActiveReminderListIdentifiers({ "todo" }));
    ASSERT_TRUE(settings().setTimeOffsetSeconds(600));
    memory->addEvent(makeEvent("before-the-change", "2026-12-07T09:30:00+01:00", "2026-12-07T10:00:00+01:00"));
    memory->holdReminderFetches();
    bool olderDone = false, newerDone = false;
    manager->reloadEvents(CalendarEventManager::PostNotification::no, [&] { olderDone = true; });

    // The calendar changes, and a newer reload reads it; its answers come first.
    memory->removeAllItems();
    memory->addEvent(makeEvent("after-the-change", "2026-12-07T09:45:00+01:00", "2026-12-07T10:00:00+01:00"));
    memory->addReminder(makeReminder("due-soon", 9, 5));
    manager->reloadEvents(CalendarEventManager::PostNotification::no, [&] { newerDone = true; });
    ASSERT_TRUE(memory->releaseLatestReminderFetch());
    ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return memory->heldReminderFetchCount() == 2; })) << "its pending reminders";
    ASSERT_TRUE(memory->releaseLatestReminderFetch());
    ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return newerDone; }));

    memory->releaseReminderFetches();
    ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return olderDone; })) << "every reload completes";
    DispatchQueue::main().drainUntilIdle();
    EXPECT_EQ(titles(manager->scheduledEvents()), (std::vector<std::string> { "after-the-change" }));
    EXPECT_EQ(schedule(manager->invocations()), (std::vector<std::string> { "after-the-change@09:35:00" }));
    EXPECT_EQ(titles(manager->pendingAppleReminderEvents()), (std::vector<std::string> { "due-soon" }));

    // Equally when the older reload's schedule came first and only its pending reminders last.
    memory->holdReminderFetches();
    olderDone = newerDone = false;
    manager->reloadEvents(CalendarEventManager::PostNotification::no, [&] { olderDone = true; });
    ASSERT_TRUE(memory->releaseLatestReminderFetch());
    ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return memory->heldReminderFetchCount() == 1; }));
    memory->removeAllItems();
    manager->reloadEvents(CalendarEventManager::PostNotification::no, [&] { newerDone = true; });
    ASSERT_TRUE(memory->releaseLatestReminderFetch());
    ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return memory->heldReminderFetchCount() == 2; }));
    ASSERT_TRUE(memory->releaseLatestReminderFetch());
    ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return newerDone; }));
    memory->releaseReminderFetches();
    ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return olderDone; }));
    DispatchQueue::main().drainUntilIdle();
    EXPECT_TRUE(manager->pendingAppleReminderEvents().empty()) << "the older reload's answer came last";
    EXPECT_TRUE(manager->scheduledEvents().empty());
}

TEST_F(CalendarEventManagerTest, AReloadOvertakenByANewerOneCompletesOnceTheNewerOnesListsStand)
{
    // Three widgets asking at once start three reloads; the store may answer the newest first.
    ASSERT_TRUE(settings().setActiveReminderListIdentifiers({ "todo" }));
    memory->addEvent(makeEvent("standup", "2026-12-07T10:00:00+01:00", "2026-12-07T10:15:00+01:00"));
    memory->holdReminderFetches();
    bool olderDone = false, newerDone = false;
    std::vector<std::string> olderSaw;
    manager->reloadEvents(CalendarEventManager::PostNotification::no, [&] {
        olderDone = true;
        olderSaw = titles(manager->allCachedUpcomingEvents());
    });
    manager->reloadEvents(CalendarEventManager::PostNotification::no, [&] { newerDone = true; });
    ASSERT_TRUE(memory->releaseLatestReminderFetch()) << "the newer reload's items";
    ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return memory->heldReminderFetchCount() == 2; })) << "its pending reminders";
    ASSERT_TRUE(memory->releaseEarliestReminderFetch()) << "the older reload's items, now overtaken";
    ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return memory->answeredReminderFetchCount() == 2; }));
    DispatchQueue::main().drainUntilIdle();
    EXPECT_FALSE(olderDone) << "not while the lists are still those from before both reloads";

    memory->releaseReminderFetches();
    ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return olderDone && newerDone; }));
    EXPECT_EQ(olderSaw, (std::vector<std::string> { "standup" }));
}

TEST_F(CalendarEventManagerTest, ManagersGoingWhileAnotherThreadPostsChangesAreNotTouchedAfterwards)
{
    // The change observers run on the posting thread; a manager destroyed meanwhile waits for
    // a running one and is not reached by a later one.
    memory->addEvent(makeEvent("meeting", "2026-12-07T09:30:00+01:00", "2026-12-07T10:00:00+01:00"));
    std::atomic<bool> stop { false };
    std::atomic<int> posts { 0 };
    std::thread poster([&] {
        while (!stop) {
            memory->postChanged();
            ++posts;
        }
    });
    for (int i = 0; i < 20; ++i) {
        auto other = std::make_unique<CalendarEventManager>(*store, reminders);
        int seen = posts;
        while (posts < seen + 2)
            std::this_thread::yield();
        other.reset();
    }
    stop = true;
    poster.join();
    DispatchQueue::main().drainUntilIdle();
}

TEST_F(CalendarEventManagerTest, ScreenshotModeShowsTheDemoEventsAndStillCompletes)
{
    memory->addEvent(makeEvent("real", "2026-12-07T09:30:00+01:00", "2026-12-07T10:30:00+01:00"));
    ASSERT_TRUE(settings().setDebugScreenshotMode(true));
    reload();
    auto current = manager->currentEvents();
    ASSERT_EQ(current.size(), 1u);
    EXPECT_EQ(current[0].startDate, at("2026-12-07T15:00:00+01:00"));
    EXPECT_EQ(current[0].endDate, at("2026-12-07T16:00:00+01:00"));
    EXPECT_EQ(titles(manager->scheduledEvents()), (std::vector<std::string> { "Design Sync", "Interview with Maria", "Daily Standup" }));
    EXPECT_EQ(titles(manager->pendingAppleReminderEvents()), (std::vector<std::string> { "Write sales report" }));
    EXPECT_TRUE(manager->pendingEvents().empty());
    EXPECT_EQ(memory->eventQueryCount(), 0u);
}

TEST_F(CalendarEventManagerTest, WithoutActiveReminderListsNoReminderIsFetched)
{
    memory->addReminder(makeReminder("task", 9, 30));
    reload();
    EXPECT_EQ(memory->reminderFetchCount(), 0u);
    EXPECT_TRUE(manager->pendingAppleReminderEvents().empty());
}

TEST_F(CalendarEventManagerTest, DeclinedEventsNeverAlertAndTentativeOnesOnlyWhileNotOnlyAcceptedCount)
{
    auto answered = [&](std::string uid, StoreParticipantStatus status) {
        auto event = makeEvent(uid, "2026-12-07T10:00:00+01:00", "2026-12-07T11:00:00+01:00");
        StoreParticipant me;
        me.isCurrentUser = true;
        me.status = status;
        event.attendees = { me };
        memory->addEvent(event);
    };
    answered("declined", StoreParticipantStatus::declined);
    answered("tentative", StoreParticipantStatus::tentative);
    answered("accepted", StoreParticipantStatus::accepted);
    reload();
    EXPECT_EQ(titles(manager->scheduledEvents()), (std::vector<std::string> { "tentative", "accepted" }));
    ASSERT_TRUE(settings().setShowOnlyAcceptedEvents(true));
    reload();
    EXPECT_EQ(titles(manager->scheduledEvents()), (std::vector<std::string> { "accepted" }));
}

TEST_F(CalendarEventManagerTest, ActivationEditsTheActiveCalendarsAndReloadsOnlyOnChange)
{
    memory->addCalendar([] {
        auto birthdays = std::make_shared<StoreCalendar>(*makeCalendar("birthdays"));
        birthdays->type = CalendarType::birthday;
        return birthdays;
    }());
    auto calendars = manager->fetchCalendars();
    ASSERT_EQ(calendars.size(), 2u) << "no birthdays";
    EXPECT_EQ(calendars[0].identifier, "work");
    EXPECT_TRUE(calendars[0].active);
    EXPECT_FALSE(calendars[1].active);
    EXPECT_EQ(calendars[1].accountName, "Work account");
    auto lists = manager->fetchReminderLists();
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_FALSE(lists[0].active);

    int reloads = 0;
    auto token = NotificationCenter::defaultCenter().addObserver(
        std::string(NotificationName::didReloadEvents), nullptr, [&](const Notification&) { ++reloads; });
    ASSERT_TRUE(manager->activateCalendar("work"));
    DispatchQueue::main().drainUntilIdle();
    EXPECT_EQ(reloads, 0) << "already active";
    ASSERT_TRUE(manager->activateCalendar("home"));
    ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return reloads == 1; }));
    EXPECT_EQ(settings().activeCalendarIdentifiers(), (std::vector<std::string> { "work", "home" }));
    ASSERT_TRUE(manager->deactivateCalendar("work"));
    ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return reloads == 2; }));
    EXPECT_EQ(settings().activeCalendarIdentifiers(), (std::vector<std::string> { "home" }));

    ASSERT_TRUE(manager->activateAllCalendars());
    EXPECT_EQ(settings().activeCalendarIdentifiers(), (std::vector<std::string> { "work", "home" }));
    ASSERT_TRUE(manager->activateFirstCalendar());
    EXPECT_EQ(settings().activeCalendarIdentifiers(), (std::vector<std::string> { "work" }));
    DispatchQueue::main().drainUntilIdle();
    EXPECT_EQ(reloads, 2);
    NotificationCenter::defaultCenter().removeObserver(token);
}

TEST_F(CalendarEventManagerTest, AStoreChangeReloadsAndPostsOnce)
{
    int reloads = 0;
    auto token = NotificationCenter::defaultCenter().addObserver(
        std::string(NotificationName::didReloadEvents), nullptr, [&](const Notification&) { ++reloads; });
    memory->addEvent(makeEvent("new", "2026-12-07T09:30:00+01:00", "2026-12-07T10:30:00+01:00"));
    memory->postChanged();
    ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return reloads > 0; }));
    DispatchQueue::main().drainUntilIdle();
    EXPECT_EQ(reloads, 1);
    EXPECT_EQ(titles(manager->scheduledEvents()), (std::vector<std::string> { "new" }));
    NotificationCenter::defaultCenter().removeObserver(token);
}

TEST_F(CalendarEventManagerTest, ReloadsFromManyThreadsEachCompleteOnceWhileReadersSeeWholeLists)
{
    ASSERT_TRUE(settings().setActiveReminderListIdentifiers({ "todo" }));
    for (int i = 0; i < 20; ++i) {
        char start[32];
        std::snprintf(start, sizeof start, "2026-12-07T%02d:%02d:00+01:00", 10 + i / 2, (i % 2) * 30);
        memory->addEvent(makeEvent("event-" + std::to_string(i), start, start));
    }
    memory->addReminder(makeReminder("task", 9, 30));

    constexpr int threads = 4, reloadsPerThread = 5;
    std::atomic<int> completions { 0 };
    std::atomic<bool> stop { false };
    std::thread reader([&] {
        while (!stop) {
            auto upcoming = manager->allCachedUpcomingEvents();
            // A list is either empty (no reload finished yet) or whole.
            EXPECT_TRUE(upcoming.empty() || upcoming.size() == 20 || upcoming.size() == 21) << upcoming.size();
            auto invocations = manager->invocations();
            EXPECT_TRUE(invocations.empty() || invocations.size() == 21) << invocations.size();
        }
    });
    std::vector<std::thread> reloaders;
    for (int t = 0; t < threads; ++t) {
        reloaders.emplace_back([&] {
            for (int i = 0; i < reloadsPerThread; ++i)
                manager->reloadEvents(CalendarEventManager::PostNotification::yes, [&] { ++completions; });
        });
    }
    for (auto& thread : reloaders)
        thread.join();
    EXPECT_TRUE(DispatchQueue::main().runUntil([&] { return completions == threads * reloadsPerThread; }, 60));
    stop = true;
    reader.join();
    DispatchQueue::main().drainUntilIdle();
    EXPECT_EQ(completions, threads * reloadsPerThread);
    EXPECT_EQ(manager->scheduledEvents().size(), 21u);
}

TEST_F(CalendarEventManagerTest, WhileAReloadWaitsForPendingRemindersReadersKeepSeeingTheLastReloadWhole)
{
    // Each state of the calendars has a meeting ahead (scheduled) and a reminder whose alert
    // is due (pending): a reader that joined one reload's meeting with the other's reminder
    // would show a list that never existed.
    ASSERT_TRUE(settings().setActiveReminderListIdentifiers({ "todo" }));
    auto fill = [&](const std::string& prefix) {
        memory->removeAllItems();
        memory->addEvent(makeEvent(prefix + "-meeting", "2026-12-07T10:00:00+01:00", "2026-12-07T10:30:00+01:00"));
        memory->addReminder(makeReminder(prefix + "-task", 9, 0));
    };
    fill("first");
    reloadAt("2026-12-07T08:59:30+01:00");
    auto first = std::vector<std::string> { "first-task", "first-meeting" };
    ASSERT_EQ(titles(manager->allCachedUpcomingEvents()), first);

    fill("second");
    memory->holdReminderFetches();
    bool done = false;
    manager->reloadEvents(CalendarEventManager::PostNotification::no, [&] { done = true; });
    ASSERT_EQ(memory->releaseReminderFetches(), 1u) << "the reload's own fetch";
    memory->holdReminderFetches();
    ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return memory->heldReminderFetchCount() == 1; }))
        << "the pending reminders of the new schedule";
    EXPECT_EQ(titles(manager->allCachedUpcomingEvents()), first);
    EXPECT_EQ(titles(manager->scheduledEvents()), (std::vector<std::string> { "first-meeting" }));
    EXPECT_EQ(schedule(manager->invocations()), (std::vector<std::string> { "second-meeting@09:59:00" }))
        << "the schedule itself is already the new one";

    ASSERT_EQ(memory->releaseReminderFetches(), 1u);
    ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return done; }));
    EXPECT_EQ(titles(manager->allCachedUpcomingEvents()), (std::vector<std::string> { "second-task", "second-meeting" }));
}

TEST_F(CalendarEventManagerTest, AManagerDestroyedWhileAReloadWaitsForRemindersIsLeftAlone)
{
    // Reloads also start on their own (a change, the timer), so the manager may go while one
    // still waits for the reminder store: the answers must then find nothing to touch.
    ASSERT_TRUE(settings().setActiveReminderListIdentifiers({ "todo" }));
    memory->addEvent(makeEvent("meeting", "2026-12-07T09:30:00+01:00", "2026-12-07T10:00:00+01:00"));
    memory->addReminder(makeReminder("task", 9, 30));
    memory->holdReminderFetches();
    bool completed = false;
    manager->reloadEvents(CalendarEventManager::PostNotification::yes, [&] { completed = true; });
    ASSERT_EQ(memory->releaseReminderFetches(), 1u) << "the reload's own fetch";
    memory->holdReminderFetches();
    ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return memory->heldReminderFetchCount() == 1; }))
        << "the pending reminders of the finished schedule";
    EXPECT_EQ(schedule(manager->invocations()), (std::vector<std::string> { "meeting@09:29:00", "task@09:29:00" }));

    manager.reset();
    ASSERT_EQ(memory->releaseReminderFetches(), 1u);
    ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return memory->answeredReminderFetchCount() == 2; }));
    DispatchQueue::main().drainUntilIdle();
    EXPECT_FALSE(completed);

    // Equally for a reload that has not reached the main queue yet.
    manager = std::make_unique<CalendarEventManager>(*store, reminders);
    memory->holdReminderFetches();
    manager->reloadEvents(CalendarEventManager::PostNotification::yes, [&] { completed = true; });
    manager.reset();
    ASSERT_EQ(memory->releaseReminderFetches(), 1u);
    ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return memory->answeredReminderFetchCount() == 3; }));
    DispatchQueue::main().drainUntilIdle();
    EXPECT_FALSE(completed);
}

TEST(AlertInvocation, IdentityTextsAndHashFollowDateEventAndSnooze)
{
    Event event { .id = "abc", .title = std::string("Review") };
    AlertInvocation invocation { Date(1700000000), event, false };
    EXPECT_EQ(invocation.id(), "abc.1700000000.0");
    EXPECT_EQ(invocation.debugDescription(), "Review, 11/14/2023, 11:13\u202FPM, isSnooze: false)");
    Event untitled { .id = "x" };
    EXPECT_EQ((AlertInvocation { Date(1700000000.5), untitled, true }).debugDescription(),
        "untitled event, 11/14/2023, 11:13\u202FPM, isSnooze: true)");
    EXPECT_EQ((AlertInvocation { Date(1700000000.5), untitled, true }).id(), "x.1700000000.5");

    auto snooze = invocation;
    snooze.isSnooze = true;
    auto changed = invocation;
    changed.event.title = "Review (moved)";
    EXPECT_NE(invocation, snooze);
    EXPECT_NE(invocation, changed) << "the whole event counts";
    EXPECT_EQ(std::hash<AlertInvocation>()(invocation), std::hash<AlertInvocation>()(changed));
    EXPECT_EQ(invocation, AlertInvocation(invocation));
}

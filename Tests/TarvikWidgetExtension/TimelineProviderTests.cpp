// The three providers over an in-memory calendar store: their timelines at the edges (one,
// five, equal starts, none, ten upcoming, twelve current), snapshots that read what the
// manager holds without loading, placeholders that touch nothing, and the observers that ask
// the host to reload.

#include "Tests/TarvikWidgetExtension/ProviderTestSupport.hpp"

#include "TarvikWidgetExtension/Timeline/CurrentEvetsProvider.hpp"
#include "TarvikWidgetExtension/Timeline/NextEventProvider.hpp"
#include "TarvikWidgetExtension/Timeline/UpcomingEvetsProvider.hpp"
#include "TarvikWidgetExtension/Widgets/CurrentEventsWidget.hpp"
#include "TarvikWidgetExtension/Widgets/NextEventCountdownWidget.hpp"
#include "TarvikWidgetExtension/Widgets/UpcomingEventsWidget.hpp"

using namespace tvk;
using namespace tvk::test;
using widgets::TimelineReloadPolicy;

namespace {

using TimelineProviderTest = ProviderTest;

const std::string countdownKind(NextEventCountdownWidget::kind);
const std::string upcomingKind(UpcomingEventsWidget::kind);
const std::string currentKind(CurrentEventsWidget::kind);

}

TEST_F(TimelineProviderTest, OneEventInTenMinutesGivesOneEntryAtNowAndAsksAgainAMinuteAfterItsStart)
{
    addEvent("review", "2026-12-07T09:10:00+01:00");
    auto timeline = timelineOf(NextEventProvider(*manager));
    EXPECT_EQ(entryTitles(timeline.entries), (std::vector<std::string> { "review" }));
    EXPECT_EQ(entryDates(timeline.entries), (std::vector<Date> { at("2026-12-07T09:00:00+01:00") }));
    EXPECT_EQ(timeline.policy, TimelineReloadPolicy::after(at("2026-12-07T09:11:00+01:00")));
}

TEST_F(TimelineProviderTest, FiveEventsGiveThreeEntriesSwitchingAtTheFirstTwoStarts)
{
    for (auto [title, start] :
        { std::pair { "one", "09:10" }, { "two", "09:20" }, { "three", "09:30" }, { "four", "09:40" }, { "five", "09:50" } })
        addEvent(title, ("2026-12-07T" + std::string(start) + ":00+01:00").c_str());
    auto timeline = timelineOf(NextEventProvider(*manager));
    EXPECT_EQ(entryTitles(timeline.entries), (std::vector<std::string> { "one", "two", "three" }));
    EXPECT_EQ(entryDates(timeline.entries),
        (std::vector<Date> { at("2026-12-07T09:00:00+01:00"), at("2026-12-07T09:10:00+01:00"), at("2026-12-07T09:20:00+01:00") }));
    EXPECT_EQ(timeline.policy, TimelineReloadPolicy::after(at("2026-12-07T09:31:00+01:00")));
}

TEST_F(TimelineProviderTest, EventsStartingTogetherShareTheirSwitchDate)
{
    addEvent("first", "2026-12-07T09:10:00+01:00");
    addEvent("second", "2026-12-07T09:10:00+01:00", 60);
    addEvent("third", "2026-12-07T09:30:00+01:00");
    auto timeline = timelineOf(NextEventProvider(*manager));
    EXPECT_EQ(entryTitles(timeline.entries), (std::vector<std::string> { "first", "second", "third" })) << "the manager's order";
    EXPECT_EQ(entryDates(timeline.entries),
        (std::vector<Date> { at("2026-12-07T09:00:00+01:00"), at("2026-12-07T09:10:00+01:00"), at("2026-12-07T09:10:00+01:00") }));
    EXPECT_EQ(timeline.policy, TimelineReloadPolicy::after(at("2026-12-07T09:31:00+01:00")));
}

TEST_F(TimelineProviderTest, WithoutEventsTheCountdownHasNoEntriesAndTheListsOneEmptyEntry)
{
    auto minuteAhead = TimelineReloadPolicy::after(at("2026-12-07T09:01:00+01:00"));
    auto countdown = timelineOf(NextEventProvider(*manager));
    EXPECT_TRUE(countdown.entries.empty());
    EXPECT_EQ(countdown.policy, minuteAhead);
    auto snapshot = snapshotOf(NextEventProvider(*manager));
    EXPECT_EQ(snapshot, (NextEventEntry { at("2026-12-07T09:00:00+01:00"), std::nullopt }));

    auto upcoming = timelineOf(UpcomingEvetsProvider(*manager));
    EXPECT_EQ(upcoming.entries, (std::vector<UpcomingEventsEntry> { { at("2026-12-07T09:00:00+01:00"), {} } }));
    EXPECT_EQ(upcoming.policy, minuteAhead);
    auto current = timelineOf(CurrentEvetsProvider(*manager));
    EXPECT_EQ(current.entries, (std::vector<CurrentEventsEntry> { { at("2026-12-07T09:00:00+01:00"), {} } }));
    EXPECT_EQ(current.policy, minuteAhead);
}

TEST_F(TimelineProviderTest, TheUpcomingEntryCarriesTheFirstSixOfTenInTheManagersOrder)
{
    ASSERT_TRUE(UserSettingsStore::shared().setActiveReminderListIdentifiers({ "todo" }));
    // Starts 09:10 to 09:50, two at each, so that only the manager's stable order decides.
    for (int i = 0; i < 9; ++i) {
        char start[32];
        std::snprintf(start, sizeof start, "2026-12-07T09:%02d:00+01:00", 10 + (i / 2) * 10);
        addEvent("event-" + std::to_string(i), start);
    }
    memory->addReminder(makeReminder("task", 9, 10));
    ProcessClock::advance(30);
    auto timeline = timelineOf(UpcomingEvetsProvider(*manager));
    auto upcoming = manager->allCachedUpcomingEvents();
    ASSERT_EQ(upcoming.size(), 10u);
    ASSERT_EQ(timeline.entries.size(), 1u);
    EXPECT_EQ(timeline.entries[0].date, at("2026-12-07T09:00:30+01:00"));
    EXPECT_EQ(timeline.entries[0].events, std::vector<Event>(upcoming.begin(), upcoming.begin() + 6));
    EXPECT_EQ(
        titles(timeline.entries[0].events), (std::vector<std::string> { "event-0", "event-1", "task", "event-2", "event-3", "event-4" }));
    EXPECT_EQ(timeline.policy, TimelineReloadPolicy::after(at("2026-12-07T09:01:30+01:00")));
}

TEST_F(TimelineProviderTest, TheCurrentEntryCarriesAllTwelveCurrentEvents)
{
    for (int i = 0; i < 12; ++i) {
        char start[32];
        std::snprintf(start, sizeof start, "2026-12-07T08:%02d:00+01:00", i * 5);
        addEvent("meeting-" + std::to_string(i), start, 120);
    }
    auto timeline = timelineOf(CurrentEvetsProvider(*manager));
    ASSERT_EQ(timeline.entries.size(), 1u);
    EXPECT_EQ(timeline.entries[0].events.size(), 12u);
    EXPECT_EQ(timeline.entries[0].events, manager->allCachedCurrentEvents());
    EXPECT_EQ(timeline.policy, TimelineReloadPolicy::after(at("2026-12-07T09:01:00+01:00")));
}

TEST_F(TimelineProviderTest, SnapshotsReadWhatTheManagerHoldsAndNeverLoad)
{
    addEvent("running", "2026-12-07T08:30:00+01:00", 60);
    for (int i = 0; i < 7; ++i) {
        char start[32];
        std::snprintf(start, sizeof start, "2026-12-07T1%d:00:00+01:00", i);
        addEvent("later-" + std::to_string(i), start);
    }
    NextEventProvider countdown(*manager);
    UpcomingEvetsProvider upcoming(*manager);
    CurrentEvetsProvider current(*manager);
    EXPECT_EQ(snapshotOf(countdown).event, std::nullopt) << "nothing is loaded until a reload";
    EXPECT_TRUE(snapshotOf(upcoming).events.empty());
    EXPECT_TRUE(snapshotOf(current).events.empty());
    EXPECT_EQ(memory->eventQueryCount(), 0u);

    reload();
    auto queries = memory->eventQueryCount();
    ProcessClock::advance(60);
    auto next = snapshotOf(countdown);
    EXPECT_EQ(next.date, at("2026-12-07T09:01:00+01:00")) << "dated when asked";
    EXPECT_EQ(next.event->title, "later-0");
    EXPECT_EQ(titles(snapshotOf(upcoming).events),
        (std::vector<std::string> { "later-0", "later-1", "later-2", "later-3", "later-4", "later-5" }));
    EXPECT_EQ(titles(snapshotOf(current).events), (std::vector<std::string> { "running" }));
    DispatchQueue::main().drainUntilIdle();
    EXPECT_EQ(memory->eventQueryCount(), queries);
}

TEST_F(TimelineProviderTest, PlaceholdersAreEmptyAtNowWhateverTheManagerHolds)
{
    addEvent("running", "2026-12-07T08:30:00+01:00", 60);
    addEvent("later", "2026-12-07T10:00:00+01:00");
    reload();
    auto queries = memory->eventQueryCount();
    Date now = at("2026-12-07T09:00:00+01:00");
    EXPECT_EQ(NextEventProvider(*manager).placeholder(context), (NextEventEntry { now, std::nullopt }));
    EXPECT_EQ(UpcomingEvetsProvider(*manager).placeholder(context), (UpcomingEventsEntry { now, {} }));
    EXPECT_EQ(CurrentEvetsProvider(*manager).placeholder(context), (CurrentEventsEntry { now, {} }));
    DispatchQueue::main().drainUntilIdle();
    EXPECT_EQ(memory->eventQueryCount(), queries);
}

TEST_F(TimelineProviderTest, EveryBuiltConfigurationAsksForItsKindWhenTheEventsReload)
{
    auto post = [] { NotificationCenter::defaultCenter().post(std::string(NotificationName::didReloadEvents), &CalendarEventManager::shared()); };
    post();
    auto before = reloadRequests;
    auto first = UpcomingEventsWidget().body();
    auto second = UpcomingEventsWidget().body();
    auto countdown = NextEventCountdownWidget().body();
    post();
    EXPECT_EQ(reloadRequests[upcomingKind], before[upcomingKind] + 2) << "one observer per built configuration";
    EXPECT_EQ(reloadRequests[countdownKind], before[countdownKind] + 1);
    EXPECT_EQ(reloadRequests[currentKind], before[currentKind]);
    EXPECT_EQ(reloadRequests.count("(all)"), 0u);
}

TEST_F(TimelineProviderTest, AnotherManagersReloadAsksTheseProvidersForNothing)
{
    NextEventProvider countdown(*manager);
    UpcomingEvetsProvider upcoming(*manager);
    AggregatedEventStore otherStore(makeMemoryStore());
    CalendarEventManager other(otherStore, reminders);

    bool done = false;
    other.reloadEvents(CalendarEventManager::PostNotification::yes, [&] { done = true; });
    ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return done; }));
    DispatchQueue::main().drainUntilIdle();
    EXPECT_TRUE(reloadRequests.empty());
}

TEST_F(TimelineProviderTest, AnAnnouncedReloadAsksOncePerObserverAndAProvidersOwnReloadNotAtAll)
{
    NextEventProvider countdown(*manager);
    UpcomingEvetsProvider upcoming(*manager);
    CurrentEvetsProvider current(*manager);
    addEvent("review", "2026-12-07T09:10:00+01:00");

    bool done = false;
    manager->reloadEvents(CalendarEventManager::PostNotification::yes, [&] { done = true; });
    ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return done; }));
    DispatchQueue::main().drainUntilIdle();
    EXPECT_EQ(reloadRequests, (std::map<std::string, int> { { countdownKind, 1 }, { upcomingKind, 1 }, { currentKind, 1 } }));

    timelineOf(countdown);
    timelineOf(upcoming);
    timelineOf(current);
    DispatchQueue::main().drainUntilIdle();
    EXPECT_EQ(reloadRequests, (std::map<std::string, int> { { countdownKind, 1 }, { upcomingKind, 1 }, { currentKind, 1 } }));
}

// The three timelines over the bundled sample calendars on disk (the week of Monday 7 December
// 2026: a work calendar and reminder list, a family calendar), every calendar and the
// reminder list activated, as the demo shows them.

#include "Tests/TarvikWidgetExtension/ProviderTestSupport.hpp"

#include "Platform/Calendar/ICalendarStore.hpp"
#include "TarvikWidgetExtension/Timeline/CurrentEvetsProvider.hpp"
#include "TarvikWidgetExtension/Timeline/NextEventProvider.hpp"
#include "TarvikWidgetExtension/Timeline/UpcomingEvetsProvider.hpp"

using namespace tvk;
using namespace tvk::test;
using widgets::TimelineReloadPolicy;

namespace {

const std::filesystem::path sampleCalendars
    = (std::filesystem::path(TVK_TEST_FIXTURES) / "../../../Resources/Samples/Calendars").lexically_normal();

class SampleCalendarsTimelineTest : public testing::Test {
protected:
    void SetUp() override
    {
        ProcessClock::pin(at("2026-12-07T09:50:00+01:00"));
        store = std::make_unique<AggregatedEventStore>(
            std::make_unique<ICalendarStore>(std::vector { sampleCalendars }, ICalendarStore::Monitoring::off));
        manager = std::make_unique<CalendarEventManager>(*store, reminders);
        ASSERT_TRUE(manager->activateAllCalendars());
        std::vector<std::string> lists;
        for (auto& list : manager->fetchReminderLists())
            lists.push_back(list.identifier);
        ASSERT_TRUE(UserSettingsStore::shared().setActiveReminderListIdentifiers(lists));
    }
    void TearDown() override
    {
        DispatchQueue::main().drainUntilIdle();
        manager.reset();
        ASSERT_TRUE(UserSettingsStore::shared().resetAll());
        ProcessClock::unpin();
    }
    template <class Provider> widgets::Timeline<typename Provider::Entry> timelineAt(const char* now)
    {
        ProcessClock::pin(at(now));
        std::optional<widgets::Timeline<typename Provider::Entry>> timeline;
        Provider(*manager).getTimeline(widgets::TimelineProviderContext::forFamily(widgets::WidgetFamily::systemLarge),
            [&](widgets::Timeline<typename Provider::Entry> result) { timeline = std::move(result); });
        EXPECT_TRUE(DispatchQueue::main().runUntil([&] { return timeline.has_value(); }, 30));
        return timeline.value_or(widgets::Timeline<typename Provider::Entry> {});
    }

    TemporaryDirectory directory;
    UserDefaults remindersDomain { directory / "reminders.plist" };
    CustomRemindersStore reminders { remindersDomain };
    std::unique_ptr<AggregatedEventStore> store;
    std::unique_ptr<CalendarEventManager> manager;
};

}

TEST_F(SampleCalendarsTimelineTest, OnMondayAtTenToTenTheCountdownShowsTheStandupThenTheInvoiceThenLunch)
{
    auto timeline = timelineAt<NextEventProvider>("2026-12-07T09:50:00+01:00");
    ASSERT_EQ(timeline.entries.size(), 3u);
    EXPECT_EQ(
        entryTitles(timeline.entries), (std::vector<std::string> { "Daily Standup", "Send the November invoice", "Lunch with Priya" }));
    EXPECT_EQ(entryDates(timeline.entries),
        (std::vector<Date> { at("2026-12-07T09:50:00+01:00"), at("2026-12-07T10:00:00+01:00"), at("2026-12-07T11:00:00+01:00") }));
    EXPECT_EQ(timeline.policy, TimelineReloadPolicy::after(at("2026-12-07T12:31:00+01:00")));
    auto upcoming = manager->allCachedUpcomingEvents();
    ASSERT_GE(upcoming.size(), 3u);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(timeline.entries[i].event, upcoming[i]) << "the first three of the manager's upcoming events, whole";
    EXPECT_EQ(timeline.entries[0].event->videoConferenceLinks.at(0).url.absoluteString(), "https://meet.google.com/kdq-xnvh-rpt");
}

TEST_F(SampleCalendarsTimelineTest, TheUpcomingListHoldsTheWeeksFirstSixAndTheCurrentListWhatIsGoingOn)
{
    auto upcoming = timelineAt<UpcomingEvetsProvider>("2026-12-07T09:50:00+01:00");
    ASSERT_EQ(upcoming.entries.size(), 1u);
    ASSERT_EQ(upcoming.entries[0].events.size(), 6u);
    EXPECT_EQ(titles(upcoming.entries[0].events),
        (std::vector<std::string> { "Daily Standup", "Send the November invoice", "Lunch with Priya", "Design review: widget layouts",
            "Dentist", "Daily Standup" }));
    EXPECT_EQ(upcoming.entries[0].events.back().startDate, at("2026-12-08T10:00:00+01:00")) << "Tuesday's stand-up";

    auto idle = timelineAt<CurrentEvetsProvider>("2026-12-07T09:50:00+01:00");
    EXPECT_EQ(idle.entries, (std::vector<CurrentEventsEntry> { { at("2026-12-07T09:50:00+01:00"), {} } }));
    auto standup = timelineAt<CurrentEvetsProvider>("2026-12-07T10:05:00+01:00");
    ASSERT_EQ(standup.entries.size(), 1u);
    EXPECT_EQ(titles(standup.entries[0].events), (std::vector<std::string> { "Daily Standup" }));
    EXPECT_EQ(standup.policy, TimelineReloadPolicy::after(at("2026-12-07T10:06:00+01:00")));
}

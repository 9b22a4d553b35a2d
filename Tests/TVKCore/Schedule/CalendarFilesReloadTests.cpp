// The reload over real calendar files: the bundled sample week read back as the lists and the
// alert schedule (compared with a golden file), and a file written on disk that reloads once.
//
// To accept a deliberate change of the golden file, run the test with TVK_UPDATE_GOLDEN=1 and
// read the difference before committing it.

#include "TVKCore/Schedule/CalendarEventManager.hpp"

#include "Platform/Calendar/ICalendarStore.hpp"
#include "Platform/Runtime/DispatchQueue.hpp"
#include "Platform/Runtime/ISO8601.hpp"
#include "Platform/Runtime/ProcessClock.hpp"
#include "TVKCore/Settings/CustomRemindersStore.hpp"
#include "TVKCore/Settings/UserSettingsStore.hpp"
#include "Tests/Support/Dates.hpp"
#include "Tests/Support/TemporaryDirectory.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

using namespace tvk;
using tvk::test::at;
using tvk::test::TemporaryDirectory;

namespace {

const std::filesystem::path fixtures = TVK_TEST_FIXTURES;
const std::filesystem::path sampleCalendars = fixtures / "../../../Resources/Samples/Calendars";

std::string describe(const Event& event)
{
    std::string text = ISO8601::format(event.startDate) + " – " + ISO8601::format(event.endDate).substr(11) + "  "
        + event.title.value_or("(untitled)") + "  [" + std::string(rawValue(event.type)) + ", " + event.calendarName.value_or("-") + "]";
    if (event.travelTime > 0)
        text += "  travel " + std::to_string(static_cast<int>(event.travelTime / 60)) + " min";
    for (auto& link : event.videoConferenceLinks)
        text += "\n      " + link.service.id + " " + link.url.absoluteString();
    return text;
}

std::string render(const CalendarEventManager& manager)
{
    std::string text;
    auto section = [&](const std::string& name, const std::vector<Event>& events) {
        text += name + ":\n";
        for (auto& event : events)
            text += "  " + describe(event) + "\n";
    };
    section("currentEvents", manager.currentEvents());
    section("scheduledEvents", manager.scheduledEvents());
    section("pendingEvents", manager.pendingEvents());
    section("snoozedPastAppleReminderEvents", manager.snoozedPastAppleReminderEvents());
    section("pendingAppleReminderEvents", manager.pendingAppleReminderEvents());
    text += "invocations:\n";
    for (auto& invocation : manager.invocations())
        text += "  " + ISO8601::format(invocation.date) + "  " + invocation.event.title.value_or("(untitled)") + "\n";
    return text;
}

class CalendarFilesReloadTest : public testing::Test {
protected:
    void TearDown() override
    {
        DispatchQueue::main().drainUntilIdle();
        ASSERT_TRUE(UserSettingsStore::shared().resetAll());
        ProcessClock::unpin();
    }
    void reload(CalendarEventManager& manager)
    {
        bool done = false;
        manager.reloadEvents(CalendarEventManager::PostNotification::no, [&] { done = true; });
        ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return done; }));
    }

    TemporaryDirectory directory;
    UserDefaults remindersDomain { directory / "reminders.plist" };
    CustomRemindersStore reminders { remindersDomain };
};

}

TEST_F(CalendarFilesReloadTest, TheSampleWeekOnMondayMorningGivesTheGoldenListsAndSchedule)
{
    ProcessClock::pin(at("2026-12-07T09:50:00+01:00"));
    AggregatedEventStore store(std::make_unique<ICalendarStore>(std::vector { sampleCalendars }, ICalendarStore::Monitoring::off));
    CalendarEventManager manager(store, reminders);
    ASSERT_TRUE(manager.activateAllCalendars());
    std::vector<std::string> lists;
    for (auto& list : manager.fetchReminderLists())
        lists.push_back(list.identifier);
    ASSERT_EQ(lists.size(), 1u);
    ASSERT_TRUE(UserSettingsStore::shared().setActiveReminderListIdentifiers(lists));
    ASSERT_TRUE(UserSettingsStore::shared().setIncludeTravelTime(true));
    ASSERT_TRUE(UserSettingsStore::shared().setTimeOffsetSeconds(300));
    reload(manager);

    auto actual = render(manager);
    auto golden = fixtures / "Schedule/sample-week-monday-0950-offset-5-min-with-travel.txt";
    if (std::getenv("TVK_UPDATE_GOLDEN")) {
        std::filesystem::create_directories(golden.parent_path());
        std::ofstream(golden) << actual;
    }
    EXPECT_EQ(actual, tvk::test::readFile(golden));

    auto standup = manager.scheduledEvents().at(0);
    EXPECT_EQ(manager.accountEmailForEvent(standup.id), "alex.morgan@example.com") << "the work account's owner";
    EXPECT_EQ(manager.accountEmailForEvent("work:no-such-event"), std::nullopt);
}

TEST_F(CalendarFilesReloadTest, ADelegatedAccountsCalendarIsListedCanBeActivatedAndItsEventsLoad)
{
    ProcessClock::pin(at("2026-12-07T08:00:00+01:00"));
    TemporaryDirectory root;
    root.write("work/source.json", tvk::test::readFile(sampleCalendars / "work/source.json"));
    root.write("work/calendar/standup.ics", tvk::test::readFile(sampleCalendars / "work/calendar/daily-standup.ics"));
    root.write("boss/source.json",
        R"json({"title": "Sam (delegated)", "isDelegate": true, "ownerAddresses": ["mailto:alex.morgan@example.com"]})json");
    root.write("boss/calendar/review.ics", tvk::test::readFile(sampleCalendars / "work/calendar/design-review.ics"));
    AggregatedEventStore store(std::make_unique<ICalendarStore>(std::vector { root.path() }, ICalendarStore::Monitoring::off));
    CalendarEventManager manager(store, reminders);

    auto calendars = manager.fetchCalendars();
    auto delegated = std::find_if(calendars.begin(), calendars.end(), [](auto& calendar) { return calendar.isDelegate; });
    ASSERT_NE(delegated, calendars.end()) << "listed without anyone asking for access";
    EXPECT_EQ(delegated->accountName, "Sam (delegated)");
    ASSERT_TRUE(manager.activateCalendar(delegated->identifier));
    reload(manager);
    EXPECT_EQ(manager.scheduledEvents().size(), 1u);
    EXPECT_EQ(manager.scheduledEvents().at(0).title, "Design review: widget layouts");
    EXPECT_EQ(manager.accountEmailForEvent(manager.scheduledEvents().at(0).id), "alex.morgan@example.com");
}

TEST_F(CalendarFilesReloadTest, ACalendarFileWrittenOnDiskReloadsAndPostsOnce)
{
    ProcessClock::pin(at("2026-12-07T08:00:00+01:00"));
    TemporaryDirectory root;
    root.write("work/team/standup.ics", tvk::test::readFile(sampleCalendars / "work/calendar/daily-standup.ics"));
    auto files = std::make_unique<ICalendarStore>(std::vector { root.path() }, ICalendarStore::Monitoring::on);
    auto& calendarFiles = *files;
    AggregatedEventStore store(std::move(files));
    CalendarEventManager manager(store, reminders);
    ASSERT_TRUE(manager.activateAllCalendars());
    reload(manager);
    auto before = manager.scheduledEvents().size();

    int reloads = 0;
    auto token = NotificationCenter::defaultCenter().addObserver(
        std::string(NotificationName::didReloadEvents), nullptr, [&](const Notification&) { ++reloads; });
    auto reports = calendarFiles.monitoredChangeCount();
    root.write("work/team/review.ics", tvk::test::readFile(sampleCalendars / "work/calendar/design-review.ics"));
    // Until the store has handled every report of the write and the reload it set off is done.
    ASSERT_TRUE(DispatchQueue::main().runUntil(
        [&] { return reloads > 0 && calendarFiles.monitoredChangeCount() > reports && !calendarFiles.isRescanPending(); }, 30));
    DispatchQueue::main().drainUntilIdle();
    EXPECT_EQ(reloads, 1);
    EXPECT_EQ(manager.scheduledEvents().size(), before + 1);
    NotificationCenter::defaultCenter().removeObserver(token);
}

TEST_F(CalendarFilesReloadTest, TheSampleWeekListsWhatComesNextWhenItsAlertHasPassed)
{
    AggregatedEventStore store(std::make_unique<ICalendarStore>(std::vector { sampleCalendars }, ICalendarStore::Monitoring::off));
    CalendarEventManager manager(store, reminders);
    ASSERT_TRUE(manager.activateAllCalendars());
    auto& settings = UserSettingsStore::shared();

    // Tuesday 08:10 with travel time: the dentist at 08:30 (30 minutes away) alerted at 07:59.
    ASSERT_TRUE(settings.setIncludeTravelTime(true));
    ProcessClock::pin(at("2026-12-08T08:10:00+01:00"));
    reload(manager);
    auto upcoming = manager.allCachedUpcomingEvents();
    ASSERT_FALSE(upcoming.empty());
    EXPECT_EQ(upcoming[0].title, "Dentist");
    EXPECT_EQ(upcoming[1].title, "Daily Standup");

    // Monday 08:30 with a two-hour offset: the 10:00 stand-up alerted at 08:00.
    ASSERT_TRUE(settings.setIncludeTravelTime(false));
    ASSERT_TRUE(settings.setTimeOffsetSeconds(7200));
    ProcessClock::pin(at("2026-12-07T08:30:00+01:00"));
    reload(manager);
    upcoming = manager.allCachedUpcomingEvents();
    ASSERT_FALSE(upcoming.empty());
    EXPECT_EQ(upcoming[0].title, "Daily Standup");
    EXPECT_EQ(upcoming[0].startDate, at("2026-12-07T10:00:00+01:00"));
}

// Desktop-notification alerts over a real manager and an in-memory calendar store, with the
// notification server standing in as a recorder and the main application's presence a switch.
// The clock is pinned on Monday 7 December 2026 in Berlin and moved to each wake-up.

#include "TVKCore/Alerts/DesktopAlerts.hpp"

#include "Platform/Calendar/MemoryCalendarStore.hpp"
#include "Platform/Desktop/Workspace.hpp"
#include "Platform/Runtime/DispatchQueue.hpp"
#include "Platform/Runtime/ISO8601.hpp"
#include "Platform/Runtime/ProcessClock.hpp"
#include "TVKCore/Settings/CustomRemindersStore.hpp"
#include "TVKCore/Settings/UserSettingsStore.hpp"
#include "Tests/Support/Dates.hpp"
#include "Tests/Support/TemporaryDirectory.hpp"
#include "Tests/TVKCore/Calendar/StoreItems.hpp"

#include <gtest/gtest.h>

using namespace tvk;
using namespace tvk::test;

namespace {

class DesktopAlertsTest : public testing::Test {
protected:
    void SetUp() override
    {
        ProcessClock::pin(at("2026-12-07T09:00:00+01:00"));
        auto owned = makeMemoryStore();
        memory = owned.get();
        auto standup = makeEvent("standup", "2026-12-07T09:30:00+01:00", "2026-12-07T09:45:00+01:00");
        standup.notes = "Join: https://meet.google.com/kdq-xnvh-rpt";
        memory->addEvent(standup);
        memory->addEvent(makeEvent("review", "2026-12-07T09:40:00+01:00", "2026-12-07T10:00:00+01:00"));
        store = std::make_unique<AggregatedEventStore>(std::move(owned));
        manager = std::make_unique<CalendarEventManager>(*store, reminders);
        ASSERT_TRUE(UserSettingsStore::shared().setActiveCalendarIdentifiers({ "work" }));
        alerts = std::make_shared<DesktopAlerts>(
            *manager,
            [this](const DesktopNotifications::Content& content) {
                shown.push_back({ ISO8601::format(Date::now()).substr(11, 8), content });
                return std::optional<std::uint32_t>(static_cast<std::uint32_t>(shown.size()));
            },
            [this] { return mainApplicationRuns; });
        manager->setDelegate(alerts);
        Workspace::shared().setOpener([this](const std::string& uri) {
            opened.push_back(uri);
            return true;
        });
    }
    void TearDown() override
    {
        Workspace::shared().setOpener(nullptr);
        DispatchQueue::main().drainUntilIdle();
        manager.reset();
        ASSERT_TRUE(UserSettingsStore::shared().resetAll());
        ProcessClock::unpin();
    }

    void reload()
    {
        bool done = false;
        manager->reloadEvents(CalendarEventManager::PostNotification::no, [&] { done = true; });
        ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return done; }));
    }
    // Moves the clock to the alerts' next wake-up and lets them act.
    void wake()
    {
        auto next = alerts->nextWakeUp();
        ASSERT_TRUE(next);
        ProcessClock::advance(*next - Date::now());
        DispatchQueue::main().drainUntilIdle();
    }
    std::vector<std::string> summaries() const
    {
        std::vector<std::string> result;
        for (auto& [time, content] : shown)
            result.push_back(content.summary + "@" + time);
        return result;
    }

    struct Shown {
        std::string time;
        DesktopNotifications::Content content;
    };
    std::vector<Shown> shown;
    std::vector<std::string> opened;
    bool mainApplicationRuns = false;
    TemporaryDirectory directory;
    UserDefaults remindersDomain { directory / "reminders.plist" };
    CustomRemindersStore reminders { remindersDomain };
    MemoryCalendarStore* memory = nullptr;
    std::unique_ptr<AggregatedEventStore> store;
    std::unique_ptr<CalendarEventManager> manager;
    std::shared_ptr<DesktopAlerts> alerts;
};

std::vector<std::string> actionKeys(const DesktopNotifications::Content& content)
{
    std::vector<std::string> keys;
    for (auto& action : content.actions)
        keys.push_back(action.key);
    return keys;
}

}

TEST_F(DesktopAlertsTest, EachAlertShowsAtItsMinuteOnceWithItsTimeCalendarAndButtons)
{
    reload();
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(alerts->nextWakeUp(), at("2026-12-07T09:29:00+01:00")) << "no wake-up before the first alert";
    wake();
    ASSERT_EQ(summaries(), std::vector<std::string> { "standup@09:29:00" });
    EXPECT_EQ(actionKeys(shown[0].content), (std::vector<std::string> { "join", "snooze5", "snoozeUntilStart" }));
    EXPECT_NE(shown[0].content.body.find("9:30"), std::string::npos) << shown[0].content.body;
    EXPECT_NE(shown[0].content.body.find("work"), std::string::npos) << shown[0].content.body;
    // The manager's reload at the same minute still lists the alert: it is not shown again.
    reload();
    EXPECT_EQ(alerts->nextWakeUp(), at("2026-12-07T09:39:00+01:00"));
    wake();
    EXPECT_EQ(summaries(), (std::vector<std::string> { "standup@09:29:00", "review@09:39:00" }));
    EXPECT_EQ(actionKeys(shown[1].content), (std::vector<std::string> { "snooze5", "snoozeUntilStart" })) << "no link, no Join";
    EXPECT_FALSE(alerts->nextWakeUp());
}

TEST_F(DesktopAlertsTest, EachSnoozeAlertsAgainAndJoinOpensTheLinkOncePerNotification)
{
    reload();
    wake();
    alerts->handleAction(1, "snoozeUntilStart");
    ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return alerts->nextWakeUp() == at("2026-12-07T09:30:00+01:00"); }));
    ProcessClock::pin(at("2026-12-07T09:29:30+01:00"));
    DispatchQueue::main().drainUntilIdle();
    EXPECT_EQ(shown.size(), 1u) << "nothing before the snooze's time";
    wake();
    EXPECT_EQ(summaries(), (std::vector<std::string> { "standup@09:29:00", "standup@09:30:00" }));
    EXPECT_EQ(actionKeys(shown[1].content), (std::vector<std::string> { "join", "snooze5" })) << "at the start, no snooze until it";

    alerts->handleAction(2, "snooze5");
    ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return alerts->nextWakeUp() == at("2026-12-07T09:35:00+01:00"); }));
    wake();
    EXPECT_EQ(summaries(), (std::vector<std::string> { "standup@09:29:00", "standup@09:30:00", "standup@09:35:00" }));

    alerts->handleAction(3, "join");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_NE(opened[0].find("meet.google.com/kdq-xnvh-rpt"), std::string::npos) << opened[0];
    alerts->handleAction(3, "join");
    EXPECT_EQ(opened.size(), 1u) << "a notification answered once is closed";

    alerts->handleAction(1, "snooze5");
    alerts->handleAction(99, "snooze5");
    alerts->handleAction(2, "unknown");
    DispatchQueue::main().drainUntilIdle();
    EXPECT_TRUE(manager->snoozedInvocations().empty()) << "answered or unknown ids and unknown keys do nothing";
    EXPECT_EQ(alerts->nextWakeUp(), at("2026-12-07T09:39:00+01:00")) << "only the review's alert is ahead";
}

TEST_F(DesktopAlertsTest, NothingShowsWhileTheMainApplicationRunsOrTheSettingIsOffAndNothingLater)
{
    reload();
    mainApplicationRuns = true;
    wake();
    EXPECT_TRUE(shown.empty());
    mainApplicationRuns = false;
    ASSERT_TRUE(UserSettingsStore::shared().setDesktopNotificationAlerts(false));
    reload();
    wake();
    EXPECT_TRUE(shown.empty());
    ASSERT_TRUE(UserSettingsStore::shared().setDesktopNotificationAlerts(true));
    reload();
    EXPECT_FALSE(alerts->nextWakeUp()) << "the alerts passed over are not shown later";
}

TEST_F(DesktopAlertsTest, AnAlertMissedInSleepShowsLateWithinFiveMinutesAndIsDroppedLater)
{
    reload();
    // Asleep from 09:00 to 09:33: the stand-up's alert (09:29) is four minutes late.
    ProcessClock::pin(at("2026-12-07T09:33:00+01:00"));
    DispatchQueue::main().drainUntilIdle();
    EXPECT_EQ(summaries(), std::vector<std::string> { "standup@09:33:00" });
    // Asleep again until 09:45: the review's (09:39) is six minutes late.
    ProcessClock::pin(at("2026-12-07T09:45:00+01:00"));
    DispatchQueue::main().drainUntilIdle();
    EXPECT_EQ(summaries(), std::vector<std::string> { "standup@09:33:00" });
    reload();
    EXPECT_EQ(shown.size(), 1u);
}

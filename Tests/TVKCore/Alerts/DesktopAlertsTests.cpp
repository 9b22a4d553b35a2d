// Desktop-notification alerts over a real manager (DesktopAlertsFixture), the clock moved to
// each wake-up.

#include "Tests/TVKCore/Alerts/DesktopAlertsFixture.hpp"

#include "Platform/Runtime/ISO8601.hpp"

#include <gtest/gtest.h>

using namespace tvk;
using namespace tvk::test;

namespace {

// The notification server as a recorder that answers ids 1, 2, 3..., and the main
// application's presence as a switch.
class DesktopAlertsTest : public DesktopAlertsFixture {
protected:
    void SetUp() override
    {
        DesktopAlertsFixture::SetUp();
        start(
            [this](const DesktopNotifications::Content& content) {
                shown.push_back({ ISO8601::format(Date::now()).substr(11, 8), content });
                return std::optional<std::uint32_t>(static_cast<std::uint32_t>(shown.size()));
            },
            [this] { return mainApplicationRuns; });
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
    bool mainApplicationRuns = false;
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

TEST_F(DesktopAlertsTest, ASnoozePassedOverWhileTheMainApplicationRunsIsForgottenNotKeptForEachReload)
{
    reload();
    wake();
    alerts->handleAction(1, "snooze5");
    ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return alerts->nextWakeUp() == at("2026-12-07T09:34:00+01:00"); }));
    mainApplicationRuns = true;
    wake();
    EXPECT_TRUE(manager->snoozedInvocations().empty());
    mainApplicationRuns = false;
    reload();
    EXPECT_EQ(alerts->nextWakeUp(), at("2026-12-07T09:39:00+01:00"));
    EXPECT_EQ(summaries(), std::vector<std::string> { "standup@09:29:00" });
}

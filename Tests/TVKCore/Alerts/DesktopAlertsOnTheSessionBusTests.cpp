// The whole alerts path on a private session bus (the test program is started through
// dbus-run-session): the real notifications client against a stand-in notification server,
// whose button clicks come back as ActionInvoked signals, and the main application's presence
// as the owner of its bus name.

#include "Tests/TVKCore/Alerts/DesktopAlertsFixture.hpp"

#include "Tests/Support/SessionBusPeers.hpp"

using namespace tvk;
using namespace tvk::test;

namespace {

class DesktopAlertsOnTheSessionBus : public DesktopAlertsFixture {
protected:
    void SetUp() override
    {
        DesktopAlertsFixture::SetUp();
        notifications = std::make_unique<DesktopNotifications>(
            "Tarvik", [this](std::uint32_t id, const std::string& key) { alerts->handleAction(id, key); });
        start([this](const DesktopNotifications::Content& content) { return notifications->show(content); },
            &DesktopAlerts::mainApplicationRunsOnTheSessionBus);
    }
    void TearDown() override
    {
        manager->setDelegate({});
        alerts.reset();
        notifications.reset();
        DesktopAlertsFixture::TearDown();
    }
    // Clicks a button and waits until the alerts have acted on it: their next wake-up is `then`.
    void click(std::uint32_t id, const std::string& key, const std::string& then)
    {
        server.invokeAction(id, key);
        ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return alerts->nextWakeUp() == at(then); })) << key << " on " << id;
    }
    std::vector<std::string> summaries() const
    {
        std::vector<std::string> result;
        for (auto& call : server.calls())
            result.push_back(call.summary);
        return result;
    }

    StandInNotificationServer server;
    std::unique_ptr<DesktopNotifications> notifications;
};

}

TEST_F(DesktopAlertsOnTheSessionBus, AnAlertAtItsMinuteWhoseSnoozesAlertAgainAndWhoseJoinOpensTheLink)
{
    reload();
    wake();
    ASSERT_EQ(ProcessClock::now(), at("2026-12-07T09:29:00+01:00"));
    auto calls = server.calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].applicationName, "Tarvik");
    EXPECT_EQ(calls[0].summary, "standup");
    EXPECT_NE(calls[0].body.find("work"), std::string::npos) << calls[0].body;
    EXPECT_EQ(calls[0].actions,
        (std::vector<std::string> { "join", "Join", "snooze5", "Snooze 5 minutes", "snoozeUntilStart", "Snooze until start" }));

    click(1, "snoozeUntilStart", "2026-12-07T09:30:00+01:00");
    wake();
    click(2, "snooze5", "2026-12-07T09:35:00+01:00");
    wake();
    EXPECT_EQ(summaries(), (std::vector<std::string> { "standup", "standup", "standup" }));

    server.invokeAction(3, "join");
    ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return !opened.empty(); }));
    EXPECT_EQ(opened, std::vector<std::string> { "https://meet.google.com/kdq-xnvh-rpt" });
}

TEST_F(DesktopAlertsOnTheSessionBus, NothingIsShownWhileTheMainApplicationOwnsItsName)
{
    reload();
    {
        BusNameOwner mainApplication("com.quillmoor.tarvik");
        wake();
        EXPECT_TRUE(server.calls().empty());
    }
    wake();
    EXPECT_EQ(summaries(), std::vector<std::string> { "review" }) << "shown again once the name has no owner";
}

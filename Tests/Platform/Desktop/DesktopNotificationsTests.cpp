// Runs on a private session bus (the test program is started through dbus-run-session), with a
// stand-in notification server.

#include "Platform/Desktop/DesktopNotifications.hpp"

#include "Platform/Runtime/DispatchQueue.hpp"
#include "Platform/Runtime/PlatformLog.hpp"
#include "Tests/Support/SessionBusPeers.hpp"

#include <gtest/gtest.h>

using namespace tvk;

namespace {

using Notify = test::StandInNotificationServer::Notify;
using Answers = std::vector<std::pair<std::uint32_t, std::string>>;

}

TEST(DesktopNotifications, ShowsTextWithMarkupEscapedAndTheButtonsAsKeyAndLabelPairs)
{
    test::StandInNotificationServer server;
    DesktopNotifications notifications("Tarvik", nullptr);
    auto id = notifications.show({ "Q&A <prep>", "9:30 AM · <b>Work</b>", { { "join", "Join" }, { "snooze5", "Snooze 5 minutes" } } });
    EXPECT_EQ(id, 1u);
    EXPECT_EQ(server.calls(),
        (std::vector<Notify> { { "Tarvik", "Q&amp;A &lt;prep&gt;", "9:30 AM · &lt;b&gt;Work&lt;/b&gt;",
            { "join", "Join", "snooze5", "Snooze 5 minutes" }, 0 } }));
    EXPECT_EQ(notifications.show({ "Stand-up", "", {} }), 2u);
}

TEST(DesktopNotifications, AnswersTheButtonsOfItsOwnOpenNotificationsOnTheMainQueue)
{
    test::StandInNotificationServer server;
    Answers answers;
    bool allOnMainThread = true;
    DesktopNotifications notifications("Tarvik", [&](std::uint32_t id, const std::string& key) {
        allOnMainThread = allOnMainThread && DispatchQueue::isMainThread();
        answers.emplace_back(id, key);
    });
    ASSERT_EQ(notifications.show({ "Stand-up", "9:30 AM", { { "join", "Join" } } }), 1u);
    // Another client's notification (id 7) and the closed one (1, after its first click) are
    // not ours to answer; the sentinel at the end shows that everything before it arrived.
    server.invokeAction(7, "join");
    server.invokeAction(1, "join");
    server.invokeAction(1, "snooze5");
    ASSERT_EQ(notifications.show({ "Sentinel", "", {} }), 2u);
    server.invokeAction(2, "default");
    ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return !answers.empty() && answers.back().first == 2; }));
    EXPECT_EQ(answers, (Answers { { 1, "join" }, { 2, "default" } }));
    EXPECT_TRUE(allOnMainThread);
}

TEST(DesktopNotifications, WithoutAServerNothingIsShownAndTheReasonIsLogged)
{
    std::vector<std::string> lines;
    PlatformLog::setSink([&](PlatformLog::Level, std::string_view, std::string_view message) { lines.emplace_back(message); });
    DesktopNotifications notifications("Tarvik", nullptr);
    EXPECT_FALSE(notifications.show({ "Stand-up", "9:30 AM", {} }));
    PlatformLog::setSink(nullptr);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("could not show a notification"), std::string::npos) << lines[0];
}

// Runs on a private session bus (the test program is started through dbus-run-session).

#include "Platform/Desktop/RunningApplications.hpp"

#include "Platform/Desktop/DistributedNotificationCenter.hpp"
#include "Platform/Runtime/PlatformLog.hpp"
#include "Tests/Support/ScopedEnvironment.hpp"
#include "Tests/Support/SessionBusPeers.hpp"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace tvk;

TEST(RunningApplications, AnApplicationRunsExactlyWhileItsBusNameHasAnOwner)
{
    EXPECT_TRUE(RunningApplications::withBundleIdentifier("com.quillmoor.tarvik").empty());
    {
        test::BusNameOwner owner("com.quillmoor.tarvik");
        auto running = RunningApplications::withBundleIdentifier("com.quillmoor.tarvik");
        ASSERT_EQ(running.size(), 1u);
        EXPECT_EQ(running[0].bundleIdentifier, "com.quillmoor.tarvik");
        EXPECT_EQ(running[0].uniqueBusName, owner.uniqueName());
        EXPECT_EQ(running[0].processIdentifier, getpid());
        EXPECT_TRUE(RunningApplications::withBundleIdentifier("com.quillmoor.tarvik.other").empty());
        EXPECT_TRUE(RunningApplications::withBundleIdentifier("com.quillmoor").empty());
    }
    EXPECT_TRUE(RunningApplications::withBundleIdentifier("com.quillmoor.tarvik").empty());
}

TEST(RunningApplications, TextsThatCannotBeWellKnownBusNamesFindNothingQuietly)
{
    std::vector<std::string> lines;
    PlatformLog::setSink([&](PlatformLog::Level, std::string_view, std::string_view message) { lines.emplace_back(message); });
    test::BusNameOwner owner("com.quillmoor.tarvik");
    for (const std::string& text : { std::string(), std::string("tarvik"), std::string("com..tarvik"), std::string(".com.tarvik"),
             std::string("com.quillmoor.tarvik "), std::string("com.quillmoor/tarvik"), owner.uniqueName(), std::string("org.9x.y"),
             "com." + std::string(300, 'a') })
        EXPECT_TRUE(RunningApplications::withBundleIdentifier(text).empty()) << text;
    PlatformLog::setSink(nullptr);
    EXPECT_TRUE(lines.empty());
}

TEST(RunningApplications, WithoutASessionBusNothingRunsNothingIsObservedAndTheReasonIsLogged)
{
    // A process of its own: GIO keeps the session bus connection once it has one.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            test::ScopedEnvironment noBus("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/tarvik-test-bus");
            std::vector<std::string> lines;
            PlatformLog::setSink([&](PlatformLog::Level, std::string_view, std::string_view message) { lines.emplace_back(message); });
            bool nothingRuns = RunningApplications::withBundleIdentifier("com.quillmoor.tarvik").empty();
            bool refused = !DistributedNotificationCenter::defaultCenter().addObserver("killLauncher", std::nullopt, [](auto&) {});
            bool notPosted = !DistributedNotificationCenter::defaultCenter().post("killLauncher", "com.quillmoor.tarvik");
            bool logged = lines.size() == 3 && lines[0].find("no session bus") != std::string::npos;
            std::_Exit(nothingRuns && refused && notPosted && logged ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

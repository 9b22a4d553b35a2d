// The login helper's launch, on a private session bus (the test program is started through
// dbus-run-session), with a fake main application whose AppRun records each run.

#include "TarvikHelper/AppDelegate.hpp"

#include "Platform/Desktop/Bundle.hpp"
#include "Platform/Desktop/DistributedNotificationCenter.hpp"
#include "Platform/Runtime/DispatchQueue.hpp"
#include "Platform/Runtime/PlatformLog.hpp"
#include "Tests/Support/FakeApplicationBundle.hpp"
#include "Tests/Support/SessionBusPeers.hpp"
#include "Tests/Support/TemporaryDirectory.hpp"

#include <gtest/gtest.h>

using namespace tvk;

namespace {

class LoginHelper : public testing::Test {
protected:
    LoginHelper()
        : mainApplication(directory / "Applications/Tarvik.app", directory / "runs.txt")
    {
        helperBundle = mainApplication.path() / "Contents/Library/LoginItems/TarvikHelper.app";
        std::filesystem::create_directories(helperBundle);
        Bundle::setMain(Bundle(helperBundle));
        PlatformLog::setSink([this](PlatformLog::Level level, std::string_view, std::string_view message) {
            if (level >= PlatformLog::Level::warning)
                problems.emplace_back(message);
        });
    }

    ~LoginHelper() override
    {
        PlatformLog::setSink(nullptr);
        Bundle::setMain(std::nullopt);
    }

    void launch() { delegate.applicationDidFinishLaunching(Notification { "ApplicationDidFinishLaunching" }); }

    // Every process the launch started has ended once this returns.
    std::vector<std::string> mainApplicationRuns()
    {
        reaper.waitForAll();
        return mainApplication.runs();
    }

    test::TemporaryDirectory directory;
    test::FakeApplicationBundle mainApplication;
    std::filesystem::path helperBundle;
    test::DescendantReaper reaper;
    std::vector<std::string> problems;
    Application application;
    AppDelegate delegate { application };
    DistributedNotificationCenter& center = DistributedNotificationCenter::defaultCenter();
};

}

TEST_F(LoginHelper, QuitsAtOnceWhenTheMainApplicationRunsAlready)
{
    test::BusNameOwner runningMainApplication("com.quillmoor.tarvik");
    launch();
    EXPECT_TRUE(application.isTerminating());
    EXPECT_EQ(center.observerCount(), 0u);
    EXPECT_TRUE(mainApplicationRuns().empty());
    EXPECT_TRUE(problems.empty());
}

TEST_F(LoginHelper, OpensTheBundleFourLevelsUpExactlyOnceAndStays)
{
    launch();
    EXPECT_FALSE(application.isTerminating());
    EXPECT_EQ(center.observerCount(), 1u);
    auto runs = mainApplicationRuns();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].substr(0, runs[0].find('|')), (mainApplication.path() / "AppRun").string());
    DispatchQueue::main().drainUntilIdle();
    EXPECT_FALSE(application.isTerminating());
    EXPECT_TRUE(problems.empty());
}

TEST_F(LoginHelper, QuitsOnKillLauncherFromTheMainApplicationOnly)
{
    launch();
    // Observed after the helper, so it hears each notification after the helper did.
    std::vector<DistributedNotification> heard;
    auto listening = center.addObserver(std::nullopt, std::nullopt, [&](const DistributedNotification& n) { heard.push_back(n); });
    ASSERT_TRUE(listening);

    ASSERT_TRUE(test::postFromAnotherProcess("killLauncher", "com.example.impostor"));
    ASSERT_TRUE(test::postFromAnotherProcess("killLauncher", ""));
    ASSERT_TRUE(test::postFromAnotherProcess("killLauncherNow", "com.quillmoor.tarvik"));
    ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return heard.size() == 3; }));
    EXPECT_FALSE(application.isTerminating());

    ASSERT_TRUE(test::postFromAnotherProcess("killLauncher", "com.quillmoor.tarvik"));
    EXPECT_TRUE(DispatchQueue::main().runUntil([&] { return application.isTerminating(); }));
    EXPECT_EQ(mainApplicationRuns().size(), 1u);
    // The process's centre outlives what this observer holds.
    center.removeObserver(*listening);
}

TEST_F(LoginHelper, AHelperOutsideAnApplicationBundleQuitsWithoutOpeningAnything)
{
    // Each of these would put the main application at the root, at a relative place, or at
    // a directory whose AppRun is not ours to start.
    for (const std::optional<std::filesystem::path>& path : std::vector<std::optional<std::filesystem::path>> { std::nullopt,
             std::filesystem::path("/Contents/Library/LoginItems/TarvikHelper.app"), std::filesystem::path("/LoginItems/TarvikHelper.app"),
             mainApplication.path() / "Contents/LoginItems/Extra/TarvikHelper.app", mainApplication.path() / "bin/x/y/TarvikHelper" }) {
        Application quitting;
        AppDelegate helper(quitting);
        Bundle::setMain(Bundle(path));
        problems.clear();
        helper.applicationDidFinishLaunching(Notification { "ApplicationDidFinishLaunching" });
        EXPECT_TRUE(quitting.isTerminating());
        EXPECT_EQ(problems.size(), 1u);
    }
    EXPECT_EQ(center.observerCount(), 0u);
    EXPECT_TRUE(mainApplicationRuns().empty());
}

TEST_F(LoginHelper, AMainApplicationThatCannotBeStartedIsLoggedAndTheHelperKeepsWaiting)
{
    std::filesystem::remove(mainApplication.path() / "AppRun");
    launch();
    EXPECT_FALSE(application.isTerminating());
    EXPECT_EQ(center.observerCount(), 1u);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("AppRun"), std::string::npos);
}

TEST(AppDelegate, TheMainApplicationBundleIsFourComponentsAboveTheHelper)
{
    auto main = [](const char* helper) { return AppDelegate::mainApplicationBundlePath(helper); };
    EXPECT_EQ(main("/Applications/X.app/Contents/Library/LoginItems/H.app"), std::filesystem::path("/Applications/X.app"));
    EXPECT_EQ(main("/X.app/Contents/Library/LoginItems/H.app/"), std::filesystem::path("/X.app"));
    EXPECT_EQ(main("/opt//My App.app/./Contents/Library/LoginItems/Other/../H.app"), std::filesystem::path("/opt/My App.app"));
    EXPECT_EQ(main("/Contents/Library/LoginItems/H.app"), std::nullopt);
    EXPECT_EQ(main("/X.app/Contents/Library/LoginItems/.."), std::nullopt);
    EXPECT_EQ(main("/X.app/contents/library/loginitems/H.app"), std::nullopt);
    EXPECT_EQ(main("X.app/Contents/Library/LoginItems/H.app"), std::nullopt);
    EXPECT_EQ(main("/"), std::nullopt);
    EXPECT_EQ(main(""), std::nullopt);
}

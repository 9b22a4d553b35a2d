#include "Platform/Desktop/Workspace.hpp"

#include "Platform/Runtime/PlatformLog.hpp"

#include "Tests/Support/FakeApplicationBundle.hpp"
#include "Tests/Support/ScopedEnvironment.hpp"
#include "Tests/Support/TemporaryDirectory.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <unistd.h>

using namespace tvk;

namespace {

std::vector<std::string> splitRecord(const std::string& line)
{
    std::vector<std::string> fields;
    std::stringstream stream(line);
    for (std::string field; std::getline(stream, field, '|');)
        fields.push_back(field);
    return fields;
}

}

TEST(Workspace, HandsURIsToTheInstalledOpener)
{
    std::vector<std::string> opened;
    Workspace::shared().setOpener([&](const std::string& uri) {
        opened.push_back(uri);
        return true;
    });
    EXPECT_TRUE(Workspace::shared().open("tarvik://joinCall/abc"));
    Workspace::shared().setOpener(nullptr);
    EXPECT_EQ(opened, std::vector<std::string> { "tarvik://joinCall/abc" });
}

TEST(Workspace, TextThatIsNotAUriIsRefusedWithALogLine)
{
    std::vector<std::string> lines;
    PlatformLog::setSink([&](PlatformLog::Level, std::string_view, std::string_view message) { lines.emplace_back(message); });
    EXPECT_FALSE(Workspace::shared().open("not a uri at all"));
    EXPECT_FALSE(Workspace::shared().open("unknownscheme-for-tests://nothing/handles/this"));
    PlatformLog::setSink(nullptr);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("not a URI"), std::string::npos);
}

TEST(Workspace, FileURLsOfAbsolutePathsArePercentEncoded)
{
    EXPECT_EQ(Workspace::fileURL("/Applications/Tarvik.app"), "file:///Applications/Tarvik.app");
    EXPECT_EQ(Workspace::fileURL("/tmp/My App#1%.app"), "file:///tmp/My%20App%231%25.app");
    EXPECT_EQ(Workspace::fileURL("relative/Tarvik.app"), "");
}

TEST(Workspace, OpeningAnApplicationRunsItsAppRunOnceWithoutAShellAndDetached)
{
    test::TemporaryDirectory directory;
    // Every character a shell would act on; a shell in between would run "touch".
    auto bundlePath = directory / "Main App $(touch pwned) `touch pwned`; touch pwned #.app";
    test::FakeApplicationBundle bundle(bundlePath, directory / "runs.txt");
    test::ScopedEnvironment startup("DESKTOP_STARTUP_ID", "helper-startup-id");
    test::DescendantReaper reaper;

    Workspace::shared().openApplication(Workspace::fileURL(bundle.path()));
    EXPECT_EQ(reaper.waitForAll(), 1);

    auto runs = bundle.runs();
    ASSERT_EQ(runs.size(), 1u);
    auto fields = splitRecord(runs[0]);
    ASSERT_EQ(fields.size(), 4u);
    EXPECT_EQ(fields[0], (bundlePath / "AppRun").string());
    EXPECT_EQ(fields[1], "0") << "no arguments";
    EXPECT_NE(fields[2], std::to_string(::getsid(0))) << "a session of its own";
    EXPECT_EQ(fields[3], "unset") << "the caller's start-up notification is not handed on";
    EXPECT_FALSE(std::filesystem::exists(directory / "pwned"));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::current_path() / "pwned"));
}

TEST(Workspace, ApplicationsThatCannotBeStartedAreLoggedAndNothingRuns)
{
    test::TemporaryDirectory directory;
    test::FakeApplicationBundle notExecutable(directory / "NotExecutable.app", directory / "runs.txt");
    std::filesystem::permissions(notExecutable.path() / "AppRun", std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    std::filesystem::create_directories(directory / "Empty.app");
    std::filesystem::create_directories(directory / "DirectoryAppRun.app/AppRun");
    test::FakeApplicationBundle onlyThroughAFileURL(directory / "Main.app", directory / "runs.txt");

    std::vector<std::string> lines;
    PlatformLog::setSink([&](PlatformLog::Level, std::string_view, std::string_view message) { lines.emplace_back(message); });
    test::DescendantReaper reaper;
    for (const std::string& url : { Workspace::fileURL(directory / "NotExecutable.app"), Workspace::fileURL(directory / "Empty.app"),
             Workspace::fileURL(directory / "DirectoryAppRun.app"), Workspace::fileURL(directory / "Missing.app"),
             (directory / "Main.app").string(), "https://example.com" + (directory / "Main.app").string(),
             "file://otherhost" + (directory / "Main.app").string(), std::string("not a URL"), std::string(),
             Workspace::fileURL(directory / "Main.app") + "%00/x" })
        Workspace::shared().openApplication(url);
    PlatformLog::setSink(nullptr);

    EXPECT_EQ(reaper.waitForAll(), 0);
    EXPECT_TRUE(notExecutable.runs().empty());
    EXPECT_EQ(lines.size(), 10u);
}

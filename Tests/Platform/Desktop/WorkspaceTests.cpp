#include "Platform/Desktop/Workspace.hpp"

#include "Platform/Runtime/PlatformLog.hpp"

#include <gtest/gtest.h>

using namespace tvk;

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

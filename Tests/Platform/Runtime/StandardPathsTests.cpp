#include "Platform/Runtime/StandardPaths.hpp"

#include "Tests/Support/ScopedEnvironment.hpp"

#include <gtest/gtest.h>

using namespace tvk;
using tvk::test::ScopedEnvironment;

TEST(StandardPaths, FollowTheXdgBaseDirectoriesUnlessOverridden)
{
    ScopedEnvironment environment;
    environment.set("HOME", "/home/ada").set("TARVIK_CONFIG_DIR", std::nullopt).set("TARVIK_DATA_DIR", std::nullopt);
    environment.set("XDG_CONFIG_HOME", std::nullopt).set("XDG_DATA_HOME", "relative/ignored");
    environment.set("TARVIK_CACHE_DIR", std::nullopt).set("XDG_CACHE_HOME", std::nullopt);
    EXPECT_EQ(StandardPaths::configDirectory(), "/home/ada/.config/tarvik");
    EXPECT_EQ(StandardPaths::cacheDirectory(), "/home/ada/.cache/tarvik");
    EXPECT_EQ(StandardPaths::applicationSupportDirectory(), "/home/ada/.local/share/tarvik");
    EXPECT_EQ(StandardPaths::calendarRoots(), std::vector<std::filesystem::path> { "/home/ada/.local/share/tarvik/calendars" });

    environment.set("XDG_CONFIG_HOME", "/xdg/config").set("XDG_DATA_HOME", "/xdg/data").set("XDG_CACHE_HOME", "/xdg/cache");
    EXPECT_EQ(StandardPaths::configDirectory(), "/xdg/config/tarvik");
    EXPECT_EQ(StandardPaths::cacheDirectory(), "/xdg/cache/tarvik");
    EXPECT_EQ(StandardPaths::contactRoots(), std::vector<std::filesystem::path> { "/xdg/data/tarvik/contacts" });

    environment.set("TARVIK_CONFIG_DIR", "/override/config").set("TARVIK_CALENDARS", "/a::/b/c:").set("TARVIK_CACHE_DIR", "/override/cache");
    EXPECT_EQ(StandardPaths::configDirectory(), "/override/config");
    EXPECT_EQ(StandardPaths::cacheDirectory(), "/override/cache");
    EXPECT_EQ(StandardPaths::calendarRoots(), (std::vector<std::filesystem::path> { "/a", "/b/c" }));
}

TEST(StandardPaths, ResourcesComeFromTheOverrideOrTheSourceTree)
{
    ScopedEnvironment environment("TARVIK_RESOURCES", std::nullopt);
    auto resources = StandardPaths::resourceDirectory();
    ASSERT_TRUE(resources);
    EXPECT_EQ(resources->filename(), "Resources");
    environment.set("TARVIK_RESOURCES", "/nonexistent/resources");
    EXPECT_FALSE(StandardPaths::resourceDirectory());
}

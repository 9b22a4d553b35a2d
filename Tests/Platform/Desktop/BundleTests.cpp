#include "Platform/Desktop/Bundle.hpp"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace tvk;

TEST(Bundle, TheMainBundleIsTheDirectoryThatHoldsTheExecutable)
{
    auto path = Bundle::main().bundlePath();
    ASSERT_TRUE(path);
    EXPECT_EQ(*path, std::filesystem::canonical("/proc/self/exe").parent_path());
}

TEST(Bundle, AnInstalledMainBundleStandsInUntilRemoved)
{
    auto own = Bundle::main().bundlePath();
    Bundle::setMain(Bundle("/opt/Tarvik.app/Contents/Library/LoginItems/TarvikHelper.app"));
    EXPECT_EQ(Bundle::main().bundlePath(), std::filesystem::path("/opt/Tarvik.app/Contents/Library/LoginItems/TarvikHelper.app"));
    Bundle::setMain(Bundle(std::nullopt));
    EXPECT_EQ(Bundle::main().bundlePath(), std::nullopt);
    Bundle::setMain(std::nullopt);
    EXPECT_EQ(Bundle::main().bundlePath(), own);
}

TEST(Bundle, PathsAreAbsoluteWithoutDotsOrATrailingSeparator)
{
    EXPECT_EQ(Bundle("/opt/./Tarvik.app/Contents/../Contents/").bundlePath(), std::filesystem::path("/opt/Tarvik.app/Contents"));
    EXPECT_EQ(Bundle("/").bundlePath(), std::filesystem::path("/"));
    EXPECT_EQ(Bundle("relative/H.app").bundlePath(), std::filesystem::current_path() / "relative/H.app");
    EXPECT_EQ(Bundle("").bundlePath(), std::nullopt);
    EXPECT_EQ(Bundle(std::nullopt).bundlePath(), std::nullopt);
}

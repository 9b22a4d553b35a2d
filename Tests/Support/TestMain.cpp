// The entry of every test program. It pins what tests must not inherit from the machine: the
// time zone, the locale and language, and the directories that settings, data and caches go to.

#include "Tests/Support/TemporaryDirectory.hpp"

#include "Platform/Runtime/IcuEnvironment.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

int main(int argc, char** argv)
{
    ::setenv("TZ", "Europe/Berlin", 1);
    ::setenv("LANG", "en_US.UTF-8", 1);
    ::setenv("LC_ALL", "en_US.UTF-8", 1);
    ::unsetenv("LANGUAGE");
    ::unsetenv("LC_TIME");
    ::unsetenv("LC_MESSAGES");
    ::unsetenv("XDG_CONFIG_HOME");
    ::unsetenv("XDG_DATA_HOME");
    ::unsetenv("XDG_CACHE_HOME");
    tzset();
    tvk::IcuEnvironment::configure("Europe/Berlin", "en_US");

    auto home = std::make_unique<tvk::test::TemporaryDirectory>();
    ::setenv("HOME", home->path().c_str(), 1);
    ::setenv("TARVIK_CONFIG_DIR", (home->path() / "config").c_str(), 1);
    ::setenv("TARVIK_DATA_DIR", (home->path() / "data").c_str(), 1);
    ::setenv("TARVIK_CACHE_DIR", (home->path() / "cache").c_str(), 1);
    ::unsetenv("TARVIK_CALENDARS");
    ::unsetenv("TARVIK_CONTACTS");
    // Only the files a test lays out, never the desktop's own calendar service; the EDS tests
    // choose it themselves, beside a private one.
    ::setenv("TARVIK_CALENDAR_BACKEND", "vdir", 1);

    ::testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    home.reset();
    return result;
}

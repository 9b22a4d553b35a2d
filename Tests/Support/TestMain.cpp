// The entry of every test program. It pins what tests must not inherit from the machine: the
// time zone, the locale and language, and the directories that settings, data and caches go
// to; and it lets no test inherit what an earlier test of the same program left behind.

#include "Tests/Support/TemporaryDirectory.hpp"

#include "Platform/Runtime/IcuEnvironment.hpp"
#include "Platform/Runtime/ProcessWideState.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {

/// A home with empty settings, data and cache directories of its own.
std::unique_ptr<tvk::test::TemporaryDirectory> makeHome()
{
    auto home = std::make_unique<tvk::test::TemporaryDirectory>();
    ::setenv("HOME", home->path().c_str(), 1);
    ::setenv("TARVIK_CONFIG_DIR", (home->path() / "config").c_str(), 1);
    ::setenv("TARVIK_DATA_DIR", (home->path() / "data").c_str(), 1);
    ::setenv("TARVIK_CACHE_DIR", (home->path() / "cache").c_str(), 1);
    return home;
}

/// CTest runs each test in a process of its own; a test program run whole (or shuffled) runs
/// them one after the other in one. Giving each test a home of its own, and forgetting what the
/// process looked up and kept after each test, makes both runs alike: no test passes or fails
/// by what ran before it.
class FreshProcessForEachTest : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override { m_home = makeHome(); }
    void OnTestEnd(const testing::TestInfo&) override
    {
        tvk::ProcessWideState::reset();
        m_home.reset();
    }

    std::unique_ptr<tvk::test::TemporaryDirectory> m_home;
};

}

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

    // For what runs outside a test: suite set-ups and the environment's.
    auto home = makeHome();
    ::unsetenv("TARVIK_CALENDARS");
    ::unsetenv("TARVIK_CONTACTS");
    // Only the files a test lays out, never the desktop's own calendar service; the EDS tests
    // choose it themselves, beside a private one.
    ::setenv("TARVIK_CALENDAR_BACKEND", "vdir", 1);

    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new FreshProcessForEachTest);
    int result = RUN_ALL_TESTS();
    home.reset();
    return result;
}

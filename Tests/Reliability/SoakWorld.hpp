#pragma once

#include "Platform/Runtime/Date.hpp"
#include "Tests/Support/TemporaryDirectory.hpp"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tvk::test {

/// The command line every soak program takes:
///     PROGRAM TVKCTL [--minutes N | --long] [--memory-limit-mb M]
/// 1440 minutes (a day) by default, for CI; --long runs a week (10080). The memory limit (3 MB
/// by default) bounds the growth of resident memory after the warm-up.
struct SoakOptions {
    std::string tvkctl;
    int minutes = 1440;
    long memoryLimitKilobytes = 3 * 1024;

    /// None, after printing the usage, when the arguments are not of that form or ask for less
    /// than an hour.
    static std::optional<SoakOptions> parse(int argc, char** argv);
    /// The minute from which growth counts: a tenth of the run, at least an hour.
    int warmUpMinute() const;
};

/// The world a soak runs in: a home of its own (settings, data, caches, calendars), Berlin's
/// time zone, an English locale, the process clock pinned at Monday 7 December 2026, 07:00,
/// and one calendar that a syncing program replaces now and then: a daily standup with a video
/// link, a review on Mondays and Thursdays, and a meeting three quarters of an hour ahead of
/// the replacement whose title names its version. Settings are changed from outside the
/// process, by `tvkctl`.
class SoakWorld {
public:
    explicit SoakWorld(std::string tvkctl);
    ~SoakWorld();
    SoakWorld(const SoakWorld&) = delete;
    SoakWorld& operator=(const SoakWorld&) = delete;

    /// The root the calendar stores read (`TARVIK_CALENDARS` is set to it).
    std::filesystem::path calendarsRoot() const;

    /// Replaces the calendar as a syncing program does (a new file renamed over the old) with
    /// its next version, the meeting 45 minutes from now.
    void replaceCalendar();
    int version() const { return m_version; }
    Date meetingStart() const { return m_meetingStart; }
    static std::string meetingTitle(int version);
    static bool isMeetingTitle(const std::string& title);

    /// Runs `tvkctl settings set KEY VALUE` and waits for it. Empty when it succeeded, else how
    /// it ended.
    std::string setSetting(const std::string& key, const std::string& value) const;

private:
    void writeCalendar();

    std::string m_tvkctl;
    TemporaryDirectory m_home;
    std::filesystem::path m_collection;
    int m_version = 0;
    Date m_meetingStart;
};

}

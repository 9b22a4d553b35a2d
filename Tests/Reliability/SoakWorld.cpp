#include "Tests/Reliability/SoakWorld.hpp"

#include "Platform/Runtime/ISO8601.hpp"
#include "Platform/Runtime/ProcessClock.hpp"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iostream>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace tvk::test {

namespace {

std::string utcStamp(Date date)
{
    auto seconds = static_cast<std::time_t>(date.timeIntervalSince1970());
    std::tm parts {};
    gmtime_r(&seconds, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &parts);
    return text;
}

constexpr std::string_view meetingPrefix = "Meeting version ";

}

std::optional<SoakOptions> SoakOptions::parse(int argc, char** argv)
{
    auto usage = [&] {
        std::cerr << "usage: " << (argc > 0 ? argv[0] : "soak") << " TVKCTL [--minutes N | --long] [--memory-limit-mb M]\n";
        return std::nullopt;
    };
    if (argc < 2)
        return usage();
    SoakOptions options { .tvkctl = argv[1] };
    for (int i = 2; i < argc; ++i) {
        std::string option = argv[i];
        if (option == "--long")
            options.minutes = 7 * 1440;
        else if (option == "--minutes" && i + 1 < argc)
            options.minutes = std::atoi(argv[++i]);
        else if (option == "--memory-limit-mb" && i + 1 < argc)
            options.memoryLimitKilobytes = std::atol(argv[++i]) * 1024;
        else
            return usage();
    }
    if (options.minutes < 60)
        return usage();
    return options;
}

int SoakOptions::warmUpMinute() const
{
    return std::max(minutes / 10, 60);
}

SoakWorld::SoakWorld(std::string tvkctl)
    : m_tvkctl(std::move(tvkctl))
{
    ::setenv("HOME", m_home.path().c_str(), 1);
    ::setenv("TARVIK_CONFIG_DIR", (m_home / "config").c_str(), 1);
    ::setenv("TARVIK_DATA_DIR", (m_home / "data").c_str(), 1);
    ::setenv("TARVIK_CACHE_DIR", (m_home / "cache").c_str(), 1);
    ::setenv("TARVIK_CALENDARS", calendarsRoot().c_str(), 1);
    // The files alone, whatever calendar service the machine runs.
    ::setenv("TARVIK_CALENDAR_BACKEND", "vdir", 1);
    ::setenv("TZ", "Europe/Berlin", 1);
    ::setenv("LC_ALL", "en_US.UTF-8", 1);
    m_collection = calendarsRoot() / "account" / "work";
    std::filesystem::create_directories(m_collection);
    ProcessClock::pin(*ISO8601::parse("2026-12-07T07:00:00+01:00"));
    m_meetingStart = Date::now() + 45 * 60;
    writeCalendar();
}

SoakWorld::~SoakWorld()
{
    ProcessClock::unpin();
}

std::filesystem::path SoakWorld::calendarsRoot() const
{
    return m_home / "calendars";
}

std::string SoakWorld::meetingTitle(int version)
{
    return std::string(meetingPrefix) + std::to_string(version);
}

bool SoakWorld::isMeetingTitle(const std::string& title)
{
    return title.starts_with(meetingPrefix);
}

void SoakWorld::replaceCalendar()
{
    ++m_version;
    m_meetingStart = Date::now() + 45 * 60;
    writeCalendar();
}

void SoakWorld::writeCalendar()
{
    std::string text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Tarvik//Soak//EN\r\n"
                       "BEGIN:VEVENT\r\nUID:soak-standup\r\nDTSTAMP:20261201T000000Z\r\nDTSTART:20261207T080000Z\r\n"
                       "DTEND:20261207T081500Z\r\nRRULE:FREQ=DAILY\r\nSUMMARY:Standup\r\n"
                       "DESCRIPTION:https://us02web.zoom.us/j/85712345678\r\nEND:VEVENT\r\n"
                       "BEGIN:VEVENT\r\nUID:soak-review\r\nDTSTAMP:20261201T000000Z\r\nDTSTART:20261207T140000Z\r\n"
                       "DTEND:20261207T150000Z\r\nRRULE:FREQ=WEEKLY;BYDAY=MO,TH\r\nSUMMARY:Review\r\nEND:VEVENT\r\n"
                       "BEGIN:VEVENT\r\nUID:soak-meeting\r\nDTSTAMP:20261201T000000Z\r\nDTSTART:"
        + utcStamp(m_meetingStart) + "\r\nDURATION:PT30M\r\nSUMMARY:" + meetingTitle(m_version) + "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    auto temporary = m_collection / ".soak.ics.tmp";
    std::ofstream(temporary, std::ios::binary) << text;
    std::filesystem::rename(temporary, m_collection / "soak.ics");
}

std::string SoakWorld::setSetting(const std::string& key, const std::string& value) const
{
    std::vector<std::string> arguments { m_tvkctl, "settings", "set", key, value };
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child;
    if (int error = posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ))
        return "cannot start " + m_tvkctl + ": " + std::strerror(error);
    int status = 0;
    if (waitpid(child, &status, 0) != child)
        return std::string("cannot wait for it: ") + std::strerror(errno);
    if (WIFSIGNALED(status))
        return "killed by signal " + std::to_string(WTERMSIG(status));
    if (WEXITSTATUS(status) != 0)
        return "exit status " + std::to_string(WEXITSTATUS(status));
    return {};
}

}

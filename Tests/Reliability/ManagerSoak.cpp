// A long run of the event manager in simulated time, as the widget host runs it for weeks:
// the process clock moves minute by minute and the manager's own minute timer reloads; a
// calendar file is replaced every five minutes (as a syncing program does), seen by the
// store's directory monitors; another program (`tvkctl`) changes the alert offset every seven
// minutes. After each minute the lists must show the calendar's latest version and the alerts
// the latest offset. The run samples its resident memory, open descriptors, threads, inotify
// watches and the sources attached to the main context (timers, queued blocks, file monitors),
// prints them and the memory's slope, and fails when any of them grows.
//
// usage: ManagerSoak TVKCTL [--minutes N | --long] [--memory-limit-mb M]
//   1440 minutes (a day) by default, for CI; --long runs a week (10080). The memory limit
//   (3 MB by default) bounds the growth of resident memory after the warm-up.

#include "Platform/Calendar/CalendarStore.hpp"
#include "Platform/Calendar/ICalendarStore.hpp"
#include "Platform/Defaults/UserDefaults.hpp"
#include "Platform/Runtime/DispatchQueue.hpp"
#include "Platform/Runtime/ISO8601.hpp"
#include "Platform/Runtime/NotificationCenter.hpp"
#include "Platform/Runtime/ProcessClock.hpp"
#include "TVKCore/Calendar/AggregatedEventStore.hpp"
#include "TVKCore/Schedule/CalendarEventManager.hpp"
#include "TVKCore/Settings/CustomRemindersStore.hpp"
#include "Tests/Support/TemporaryDirectory.hpp"

#include <algorithm>
#include <cstdio>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <gio/gio.h>
#include <iostream>
#include <map>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

using namespace tvk;

namespace {

// The sources attached to the main context, by name ("" for an unnamed one): timers, the main
// queue's wake-ups, and one per file monitor, which delivers its events there. GLib lists
// them nowhere, but hands out ids in increasing order, so the live ones are those of the last
// count that still exist plus those among the ids issued since.
class MainContextSources {
public:
    std::map<std::string, long> count()
    {
        GMainContext* context = g_main_context_default();
        GSource* probe = g_idle_source_new();
        guint newest = g_source_attach(probe, context);
        g_source_destroy(probe);
        g_source_unref(probe);
        std::vector<guint> candidates = std::move(m_live);
        for (guint id = m_checkedUpTo + 1; id < newest; ++id)
            candidates.push_back(id);
        m_checkedUpTo = newest;
        std::map<std::string, long> byName;
        for (guint id : candidates) {
            if (GSource* source = g_main_context_find_source_by_id(context, id)) {
                m_live.push_back(id);
                const char* name = g_source_get_name(source);
                ++byName[name ? name : ""];
            }
        }
        return byName;
    }

private:
    guint m_checkedUpTo = 0;
    std::vector<guint> m_live;
};

struct Sample {
    int minute = 0;
    long residentKilobytes = 0;
    long descriptors = 0;
    long threads = 0;
    long watches = 0;
    long sources = 0;
    long monitors = 0;
    std::map<std::string, long> sourcesByName;
};

long countEntries(const std::filesystem::path& directory)
{
    std::error_code error;
    long count = 0;
    for (std::filesystem::directory_iterator entry(directory, error), end; !error && entry != end; entry.increment(error))
        ++count;
    return count;
}

Sample sample(int minute, MainContextSources& sources)
{
    Sample taken { .minute = minute };
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0)
            taken.residentKilobytes = std::strtol(line.c_str() + 6, nullptr, 10);
    }
    taken.descriptors = countEntries("/proc/self/fd");
    taken.threads = countEntries("/proc/self/task");
    std::error_code error;
    for (std::filesystem::directory_iterator entry("/proc/self/fdinfo", error), end; !error && entry != end; entry.increment(error)) {
        std::ifstream info(entry->path());
        for (std::string line; std::getline(info, line);)
            taken.watches += line.rfind("inotify wd:", 0) == 0;
    }
    taken.sourcesByName = sources.count();
    for (auto& [name, count] : taken.sourcesByName)
        taken.sources += count;
    if (auto monitors = taken.sourcesByName.find("GFileMonitorSource"); monitors != taken.sourcesByName.end())
        taken.monitors = monitors->second;
    return taken;
}

// Runs another program and waits for it; the settings edits come from outside the process.
// Empty when it succeeded, else how it ended.
std::string run(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child;
    if (int error = posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ))
        return std::string("cannot start ") + argv[0] + ": " + std::strerror(error);
    int status = 0;
    if (waitpid(child, &status, 0) != child)
        return std::string("cannot wait for it: ") + std::strerror(errno);
    if (WIFSIGNALED(status))
        return "killed by signal " + std::to_string(WTERMSIG(status));
    if (WEXITSTATUS(status) != 0)
        return "exit status " + std::to_string(WEXITSTATUS(status));
    return {};
}

std::string utcStamp(Date date)
{
    auto seconds = static_cast<std::time_t>(date.timeIntervalSince1970());
    std::tm parts {};
    gmtime_r(&seconds, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &parts);
    return text;
}

std::string meetingTitle(int version) { return "Meeting version " + std::to_string(version); }

// Replaces the calendar as a syncing program does (a new file renamed over the old): a daily
// standup, a weekly review, and a meeting three quarters of an hour ahead that is renamed
// with each version.
void writeCalendar(const std::filesystem::path& collection, int version, Date meetingStart)
{
    std::string text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Tarvik//Soak//EN\r\n"
                       "BEGIN:VEVENT\r\nUID:soak-standup\r\nDTSTAMP:20261201T000000Z\r\nDTSTART:20261207T080000Z\r\n"
                       "DTEND:20261207T081500Z\r\nRRULE:FREQ=DAILY\r\nSUMMARY:Standup\r\n"
                       "DESCRIPTION:https://us02web.zoom.us/j/85712345678\r\nEND:VEVENT\r\n"
                       "BEGIN:VEVENT\r\nUID:soak-review\r\nDTSTAMP:20261201T000000Z\r\nDTSTART:20261207T140000Z\r\n"
                       "DTEND:20261207T150000Z\r\nRRULE:FREQ=WEEKLY;BYDAY=MO,TH\r\nSUMMARY:Review\r\nEND:VEVENT\r\n"
                       "BEGIN:VEVENT\r\nUID:soak-meeting\r\nDTSTAMP:20261201T000000Z\r\nDTSTART:"
        + utcStamp(meetingStart) + "\r\nDURATION:PT30M\r\nSUMMARY:" + meetingTitle(version) + "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    auto temporary = collection / ".soak.ics.tmp";
    std::ofstream(temporary, std::ios::binary) << text;
    std::filesystem::rename(temporary, collection / "soak.ics");
}

// Empty when the manager's lists show the calendar's `version` of the meeting, and no other,
// with its alert `offset` seconds before it; else what is wrong.
std::string checkLists(const CalendarEventManager& manager, int version, Date meetingStart, long offset)
{
    int shown = 0;
    for (auto& event : manager.allCachedUpcomingEvents()) {
        auto title = event.title.value_or("");
        if (title.rfind("Meeting version ", 0) != 0)
            continue;
        if (title != meetingTitle(version) || event.startDate != meetingStart)
            return "the upcoming list shows \"" + title + "\" at " + ISO8601::format(event.startDate) + ", not \""
                + meetingTitle(version) + "\" at " + ISO8601::format(meetingStart);
        ++shown;
    }
    if (shown != 1)
        return "the upcoming list shows \"" + meetingTitle(version) + "\" " + std::to_string(shown) + " times";
    for (auto& invocation : manager.invocations()) {
        if (invocation.event.title == meetingTitle(version)) {
            if (invocation.date != meetingStart - static_cast<TimeInterval>(offset))
                return "the meeting's alert is at " + ISO8601::format(invocation.date) + ", not " + std::to_string(offset)
                    + " seconds before it";
            return {};
        }
    }
    return "the meeting has no alert";
}

double slopePerMinute(const std::vector<Sample>& samples)
{
    double meanX = 0, meanY = 0;
    for (auto& taken : samples) {
        meanX += taken.minute;
        meanY += static_cast<double>(taken.residentKilobytes);
    }
    meanX /= static_cast<double>(samples.size());
    meanY /= static_cast<double>(samples.size());
    double covariance = 0, variance = 0;
    for (auto& taken : samples) {
        covariance += (taken.minute - meanX) * (static_cast<double>(taken.residentKilobytes) - meanY);
        variance += (taken.minute - meanX) * (taken.minute - meanX);
    }
    return variance > 0 ? covariance / variance : 0;
}

int usage()
{
    std::cerr << "usage: ManagerSoak TVKCTL [--minutes N | --long] [--memory-limit-mb M]\n";
    return 2;
}

}

int main(int argc, char** argv)
{
    if (argc < 2)
        return usage();
    std::string tvkctl = argv[1];
    int minutes = 1440;
    long memoryLimitKilobytes = 3 * 1024;
    for (int i = 2; i < argc; ++i) {
        std::string option = argv[i];
        if (option == "--long")
            minutes = 7 * 1440;
        else if (option == "--minutes" && i + 1 < argc)
            minutes = std::atoi(argv[++i]);
        else if (option == "--memory-limit-mb" && i + 1 < argc)
            memoryLimitKilobytes = std::atol(argv[++i]) * 1024;
        else
            return usage();
    }
    if (minutes < 60)
        return usage();

    test::TemporaryDirectory home;
    ::setenv("HOME", home.path().c_str(), 1);
    ::setenv("TARVIK_CONFIG_DIR", (home / "config").c_str(), 1);
    ::setenv("TARVIK_DATA_DIR", (home / "data").c_str(), 1);
    ::setenv("TZ", "Europe/Berlin", 1);
    ::setenv("LC_ALL", "en_US.UTF-8", 1);
    auto collection = home / "calendars" / "account" / "work";
    std::filesystem::create_directories(collection);

    ProcessClock::pin(*ISO8601::parse("2026-12-07T07:00:00+01:00"));
    int version = 0;
    Date meetingStart = Date::now() + 45 * 60;
    writeCalendar(collection, version, meetingStart);
    long offset = 120;
    if (auto failure = run({ tvkctl, "settings", "set", "timeOffsetSeconds", std::to_string(offset) }); !failure.empty()) {
        std::cerr << "FAIL: tvkctl could not set the alert offset: " << failure << '\n';
        return 1;
    }

    auto files = std::make_unique<ICalendarStore>(std::vector { home / "calendars" }, ICalendarStore::Monitoring::on);
    auto& monitoredFiles = *files;
    AggregatedEventStore store(std::move(files));
    test::TemporaryDirectory remindersHome;
    UserDefaults remindersDomain { remindersHome / "reminders.plist" };
    CustomRemindersStore reminders { remindersDomain };
    CalendarEventManager manager(store, reminders);
    if (!manager.activateAllCalendars()) {
        std::cerr << "FAIL: cannot activate the calendars\n";
        return 1;
    }

    auto& center = NotificationCenter::defaultCenter();
    // The reloads the manager posted, and how many it had posted when the store last told of
    // a change: the reload that change starts ends after that.
    long reloadsPosted = 0, changesPosted = 0, reloadsAtChange = 0;
    auto reloadToken = center.addObserver(std::string(NotificationName::didReloadEvents), nullptr, [&](const Notification&) { ++reloadsPosted; });
    auto changeToken = center.addObserver(std::string(CalendarStore::changedNotification), nullptr, [&](const Notification&) {
        ++changesPosted;
        reloadsAtChange = reloadsPosted;
    });

    MainContextSources sources;
    std::vector<Sample> samples;
    int warmUp = std::max(minutes / 10, 60);
    long monitorWaits = 0, edits = 0;
    auto fail = [&](int minute, const std::string& what) {
        std::printf("FAIL at minute %d: %s\n", minute, what.c_str());
        center.removeObserver(reloadToken);
        center.removeObserver(changeToken);
        return 1;
    };
    for (int minute = 1; minute <= minutes; ++minute) {
        // The minute passes; when the manager's timer is due, it fires, reloads on its own and
        // re-arms for the next minute.
        long reloadsBefore = reloadsPosted;
        auto fireDate = manager.nextTimerFireDate();
        ProcessClock::advance(60);
        if (!fireDate)
            return fail(minute, "the minute timer is not armed");
        if (*fireDate <= Date::now()
            && !DispatchQueue::main().runUntil([&] { return reloadsPosted > reloadsBefore && manager.nextTimerFireDate() > Date::now(); }, 60))
            return fail(minute, "the minute timer did not reload");

        if (minute % 5 == 0) {
            // The file monitors see every replacement; once an hour the run waits for the
            // rescan they start and the reload it causes, the other times the next
            // replacement cuts the rescan's delay short, as a burst of syncs does.
            size_t changesSeen = monitoredFiles.monitoredChangeCount();
            long changesBefore = changesPosted;
            meetingStart = Date::now() + 45 * 60;
            writeCalendar(collection, ++version, meetingStart);
            if (!DispatchQueue::main().runUntil([&] { return monitoredFiles.monitoredChangeCount() > changesSeen; }, 60))
                return fail(minute, "the file monitors did not see the calendar change");
            if (minute % 60 == 0) {
                if (!DispatchQueue::main().runUntil([&] { return changesPosted > changesBefore && reloadsPosted > reloadsAtChange; }, 60))
                    return fail(minute, "the calendar change did not reload the manager");
                ++monitorWaits;
            }
        }
        if (minute % 7 == 0) {
            offset = 60 * (1 + minute % 9);
            if (auto failure = run({ tvkctl, "settings", "set", "timeOffsetSeconds", std::to_string(offset) }); !failure.empty())
                return fail(minute, "tvkctl could not change the alert offset: " + failure);
            ++edits;
        }

        // A reload asked for now shows what the calendar and the settings hold now.
        bool done = false;
        manager.reloadEvents(CalendarEventManager::PostNotification::no, [&] { done = true; });
        if (!DispatchQueue::main().runUntil([&] { return done; }, 60))
            return fail(minute, "a reload did not finish");
        DispatchQueue::main().drainUntilIdle();
        if (auto problem = checkLists(manager, version, meetingStart, offset); !problem.empty())
            return fail(minute, problem);
        if (minute % 10 == 0 || minute == warmUp)
            samples.push_back(sample(minute, sources));
    }
    center.removeObserver(reloadToken);
    center.removeObserver(changeToken);

    std::vector<Sample> measured;
    std::copy_if(samples.begin(), samples.end(), std::back_inserter(measured), [&](const Sample& taken) { return taken.minute >= warmUp; });
    auto& first = measured.front();
    auto& last = measured.back();
    auto peak = [&](long Sample::*field) {
        long most = 0;
        for (auto& taken : measured)
            most = std::max(most, taken.*field);
        return most;
    };
    std::printf("%d simulated minutes (%.1f days): %d calendar replacements (%ld waited for through the monitors), "
                "%ld alert-offset changes by tvkctl; each minute's lists checked\n",
        minutes, minutes / 1440.0, version, monitorWaits, edits);
    std::printf("from minute %d (after the warm-up) to the end, with the peak between:\n", first.minute);
    struct Row {
        const char* name;
        long Sample::*field;
        long slack;
    };
    // Descriptors and sources may be in use by a step that is still on its way at a sample;
    // none may stay.
    Row rows[] = { { "resident memory (kB)", &Sample::residentKilobytes, memoryLimitKilobytes },
        { "open descriptors", &Sample::descriptors, 2 }, { "threads", &Sample::threads, 2 },
        { "inotify watches", &Sample::watches, 0 }, { "main-context sources", &Sample::sources, 2 },
        { "file monitors", &Sample::monitors, 0 } };
    int failures = 0;
    for (auto& row : rows) {
        std::printf("  %-22s %8ld -> %8ld (peak %ld)\n", row.name, first.*row.field, last.*row.field, peak(row.field));
        if (last.*row.field > first.*row.field + row.slack) {
            std::printf("FAIL: %s grew by %ld, more than %ld\n", row.name, last.*row.field - first.*row.field, row.slack);
            ++failures;
        }
    }
    std::printf("resident memory slope: %.1f kB per simulated day\n", slopePerMinute(measured) * 1440);
    if (last.sources > first.sources) {
        for (auto& [name, count] : last.sourcesByName) {
            auto before = first.sourcesByName.contains(name) ? first.sourcesByName.at(name) : 0;
            if (count > before)
                std::printf("  sources named \"%s\": %ld -> %ld\n", name.c_str(), before, count);
        }
    }
    ProcessClock::unpin();
    return failures ? 1 : 0;
}

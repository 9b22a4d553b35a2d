// A long run of the event manager in simulated time, as the widget host runs it for weeks:
// the process clock moves minute by minute and the manager's own minute timer reloads; a
// calendar file is replaced every five minutes (as a syncing program does), seen by the
// store's directory monitors; another program (`tvkctl`) changes the alert offset every seven
// minutes. After each minute the lists must show the calendar's latest version and the alerts
// the latest offset. The run samples its resident memory, open descriptors, threads, inotify
// watches and the sources attached to the main context (timers, queued blocks, file monitors),
// prints them and the memory's slope, and fails when any of them grows.
//
// usage: ManagerSoak TVKCTL [--minutes N | --long] [--memory-limit-mb M] (see SoakOptions)

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
#include "Tests/Reliability/ManagerMinutes.hpp"
#include "Tests/Reliability/SoakProbe.hpp"
#include "Tests/Reliability/SoakWorld.hpp"
#include "Tests/Support/TemporaryDirectory.hpp"

#include <cstdio>
#include <iostream>
#include <string>

using namespace tvk;
using test::SoakWorld;

namespace {

// Empty when the manager's lists show the world's latest version of the meeting, and no other,
// with its alert `offset` seconds before it; else what is wrong.
std::string checkLists(const CalendarEventManager& manager, const SoakWorld& world, long offset)
{
    auto title = SoakWorld::meetingTitle(world.version());
    Date meetingStart = world.meetingStart();
    int shown = 0;
    for (auto& event : manager.allCachedUpcomingEvents()) {
        auto eventTitle = event.title.value_or("");
        if (!SoakWorld::isMeetingTitle(eventTitle))
            continue;
        if (eventTitle != title || event.startDate != meetingStart)
            return "the upcoming list shows \"" + eventTitle + "\" at " + ISO8601::format(event.startDate) + ", not \"" + title + "\" at "
                + ISO8601::format(meetingStart);
        ++shown;
    }
    if (shown != 1)
        return "the upcoming list shows \"" + title + "\" " + std::to_string(shown) + " times";
    for (auto& invocation : manager.invocations()) {
        if (invocation.event.title == title) {
            if (invocation.date != meetingStart - static_cast<TimeInterval>(offset))
                return "the meeting's alert is at " + ISO8601::format(invocation.date) + ", not " + std::to_string(offset)
                    + " seconds before it";
            return {};
        }
    }
    return "the meeting has no alert";
}

}

int main(int argc, char** argv)
{
    auto options = test::SoakOptions::parse(argc, argv);
    if (!options)
        return 2;
    SoakWorld world(options->tvkctl);
    auto files = std::make_unique<ICalendarStore>(std::vector { world.calendarsRoot() }, ICalendarStore::Monitoring::on);
    auto& monitoredFiles = *files;
    AggregatedEventStore store(std::move(files));
    test::TemporaryDirectory remindersHome;
    UserDefaults remindersDomain { remindersHome / "reminders.plist" };
    CustomRemindersStore reminders { remindersDomain };
    CalendarEventManager manager(store, reminders);
    test::ManagerMinutes minutes(manager, monitoredFiles, world);
    if (auto failure = minutes.setAlertOffset(120); !failure.empty()) {
        std::cerr << "FAIL: " << failure << '\n';
        return 1;
    }
    if (!manager.activateAllCalendars()) {
        std::cerr << "FAIL: cannot activate the calendars\n";
        return 1;
    }

    test::SoakProbe probe(options->warmUpMinute());
    auto fail = [&](int minute, const std::string& what) {
        std::printf("FAIL at minute %d: %s\n", minute, what.c_str());
        return 1;
    };
    for (int minute = 1; minute <= options->minutes; ++minute) {
        if (auto failure = minutes.passMinute(); !failure.empty())
            return fail(minute, failure);
        // Once an hour the run waits for the rescan and the reload it causes.
        if (auto failure = minutes.changesDuring(minute, test::ManagerMinutes::Wait::forReload); !failure.empty())
            return fail(minute, failure);

        // A reload asked for now shows what the calendar and the settings hold now.
        bool done = false;
        manager.reloadEvents(CalendarEventManager::PostNotification::no, [&] { done = true; });
        if (!DispatchQueue::main().runUntil([&] { return done; }, 60))
            return fail(minute, "a reload did not finish");
        DispatchQueue::main().drainUntilIdle();
        if (auto problem = checkLists(manager, world, minutes.alertOffset()); !problem.empty())
            return fail(minute, problem);
        probe.minutePassed(minute);
    }

    std::printf("%d simulated minutes (%.1f days): %d calendar replacements (%ld waited for through the monitors), "
                "%ld alert-offset changes by tvkctl; each minute's lists checked\n",
        options->minutes, options->minutes / 1440.0, world.version(), minutes.longWaits(), minutes.settingsEdits());
    return probe.report(options->memoryLimitKilobytes) ? 0 : 1;
}

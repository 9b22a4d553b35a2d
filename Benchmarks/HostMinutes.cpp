// The desktop host's work over simulated minutes, without a display: the widget program's
// default placements in a `WidgetHost`, each card drawn as the window draws it (Cairo, 2x)
// whenever the host asks for a redraw and once a second while a card shows a live timer, and
// the process clock moved a minute at a time, each minute's timer reload and the re-asked
// timelines run to their end. Prints resident memory after the first timelines and after the
// last minute, the peak, CPU time per simulated minute, and how many reloads and drawings the
// minutes took. The calendars are those of the environment (TARVIK_CALENDARS, TARVIK_CONFIG_DIR
// with the calendars already activated, as `tvkctl calendars activate-all` does).
//   HostMinutes [--minutes N] [--now ISO-8601]

#include "Benchmarks/DrawingSurface.hpp"
#include "Platform/Runtime/DispatchQueue.hpp"
#include "Platform/Runtime/ISO8601.hpp"
#include "Platform/Runtime/IcuEnvironment.hpp"
#include "Platform/Runtime/NotificationCenter.hpp"
#include "Platform/Runtime/ProcessClock.hpp"
#include "Platform/Widgets/WidgetContainer.hpp"
#include "Platform/Widgets/WidgetHost.hpp"
#include "TVKCore/Schedule/CalendarEventManager.hpp"
#include "TarvikWidgetExtension/TarvikWidgetBundle.hpp"

#include <sys/resource.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <set>
#include <string>

using namespace tvk;

namespace {

/// "VmRSS" or "VmHWM" of this process, in kB.
long statusKilobytes(const std::string& key)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with(key + ":"))
            return std::stol(line.substr(key.size() + 1));
    }
    return -1;
}

/// User and system CPU time of every thread so far, in seconds.
double cpuSeconds()
{
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](timeval time) { return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}

int main(int argc, char** argv)
{
    int minutes = 60;
    Date start = *ISO8601::parse("2026-12-07T09:00:00+01:00");
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (argument == "--minutes" && i + 1 < argc) {
            std::string_view value = argv[++i];
            auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), minutes);
            if (error != std::errc() || end != value.data() + value.size() || minutes < 1) {
                std::fprintf(stderr, "--minutes takes a number from 1\n");
                return 2;
            }
        } else if (argument == "--now" && i + 1 < argc) {
            auto date = ISO8601::parse(argv[++i]);
            if (!date) {
                std::fprintf(stderr, "--now takes an ISO 8601 date\n");
                return 2;
            }
            start = *date;
        } else {
            std::fprintf(stderr, "usage: HostMinutes [--minutes N] [--now ISO-8601]\n");
            return 2;
        }
    }
    IcuEnvironment::configureFromEnvironment();
    ProcessClock::pin(start);

    int reloads = 0;
    NotificationCenter::defaultCenter().addObserver(std::string(NotificationName::didReloadEvents), nullptr, [&reloads](const auto&) { ++reloads; });

    widgets::WidgetHost host(TarvikWidgetBundle().body());
    std::set<size_t> pending;
    std::set<size_t> timers;
    int drawings = 0;
    host.setRedrawHandler([&pending](size_t index) { pending.insert(index); });
    auto drawPending = [&] {
        for (size_t index : pending) {
            auto family = host.family(index);
            ui::EnvironmentValues environment;
            environment.displayScale = 2;
            auto layout = widgets::WidgetContainer::layout(host.content(index), family, std::move(environment), { nullptr, host.renderDate(index) });
            benchmarks::DrawingSurface surface(layout.size());
            widgets::WidgetContainer::draw(layout, surface.cairo);
            host.setShowsTimer(index, layout.containsTimer());
            if (layout.containsTimer())
                timers.insert(index);
            else
                timers.erase(index);
            ++drawings;
        }
        pending.clear();
    };
    auto settle = [&] {
        // Answers come on the main queue; a drawing may make the host ask for more.
        for (int round = 0; round < 10; ++round) {
            DispatchQueue::main().drainUntilIdle();
            if (pending.empty())
                break;
            drawPending();
        }
    };
    host.setPlacements(TarvikWidgetBundle::defaultPlacements());
    host.setVisible(true);
    settle();
    long firstResident = statusKilobytes("VmRSS");
    int firstDrawings = drawings;

    double cpuBefore = cpuSeconds();
    double worstMinute = 0;
    for (int minute = 0; minute < minutes; ++minute) {
        double minuteStart = cpuSeconds();
        // A live timer redraws once a second while it shows (the host's second timer runs on
        // real time, so it is stood in for here); everything else waits for its date.
        for (int second = 0; second < 60; ++second) {
            ProcessClock::advance(1);
            if (host.isTicking())
                pending.insert(timers.begin(), timers.end());
            settle();
        }
        worstMinute = std::max(worstMinute, cpuSeconds() - minuteStart);
    }
    double cpuPerMinute = (cpuSeconds() - cpuBefore) / minutes;

    std::printf("resident after the first timelines   %7.1f MB\n", static_cast<double>(firstResident) / 1024);
    std::printf("resident after %3d simulated minutes %7.1f MB\n", minutes, static_cast<double>(statusKilobytes("VmRSS")) / 1024);
    std::printf("peak resident                        %7.1f MB\n", static_cast<double>(statusKilobytes("VmHWM")) / 1024);
    std::printf("CPU per simulated minute             %7.1f ms (worst %.1f ms)\n", cpuPerMinute * 1000, worstMinute * 1000);
    std::printf("timer reloads %d, drawings %d (%d before the first minute)\n", reloads, drawings, firstDrawings);
    return 0;
}

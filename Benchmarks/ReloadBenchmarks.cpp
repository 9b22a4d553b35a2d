// One reload of the event manager, from the call to its completion, over the calendar set of a
// heavy user (GeneratedCalendars.hpp) with every calendar active and nothing changed on disk:
// what the minute timer costs every minute. Budget: under 20 ms. And a widget's timeline the
// way the host asks for it: that reload plus the entries built from its lists.

#include "Benchmarks/GeneratedCalendars.hpp"
#include "Platform/Calendar/ICalendarStore.hpp"
#include "Platform/Defaults/UserDefaults.hpp"
#include "Platform/Runtime/DispatchQueue.hpp"
#include "Platform/Runtime/ProcessClock.hpp"
#include "TVKCore/Calendar/AggregatedEventStore.hpp"
#include "TVKCore/Schedule/CalendarEventManager.hpp"
#include "TVKCore/Settings/CustomRemindersStore.hpp"
#include "TVKCore/Settings/UserSettingsStore.hpp"
#include "TarvikWidgetExtension/Timeline/CurrentEvetsProvider.hpp"
#include "TarvikWidgetExtension/Timeline/NextEventProvider.hpp"
#include "TarvikWidgetExtension/Timeline/UpcomingEvetsProvider.hpp"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

using namespace tvk;

namespace {

const std::filesystem::path& settingsDirectory()
{
    static benchmarks::BenchmarkDirectory directory("tarvik-reload-bench");
    return directory.path();
}

// The shared settings the manager reads and the calendar index live in a directory of their own,
// never the user's; the clock stands on Monday 09:30 of the benchmark week.
bool prepareEnvironment()
{
    ::setenv("TARVIK_CONFIG_DIR", (settingsDirectory() / "config").c_str(), 1);
    ::setenv("TARVIK_DATA_DIR", (settingsDirectory() / "data").c_str(), 1);
    ::setenv("TARVIK_CACHE_DIR", (settingsDirectory() / "cache").c_str(), 1);
    ProcessClock::pin(benchmarks::benchmarkWeekStart() + 9 * 3600 + 30 * 60);
    return true;
}

struct Setup {
    Setup()
    {
        std::vector<std::string> identifiers;
        for (auto& calendar : store.calendars(EntityType::event))
            identifiers.push_back(calendar->calendarIdentifier);
        (void)UserSettingsStore::shared().setActiveCalendarIdentifiers(identifiers);
    }

    bool environment = prepareEnvironment();
    AggregatedEventStore store { std::make_unique<ICalendarStore>(
        std::vector { benchmarks::generatedCalendarRoot() }, ICalendarStore::Monitoring::off) };
    UserDefaults remindersDomain { settingsDirectory() / "reminders.plist" };
    CustomRemindersStore reminders { remindersDomain };
    CalendarEventManager manager { store, reminders };
};

void reloadOnce(CalendarEventManager& manager)
{
    bool done = false;
    manager.reloadEvents(CalendarEventManager::PostNotification::no, [&done] { done = true; });
    if (!DispatchQueue::main().runUntil([&done] { return done; }, 60))
        std::abort();
}

Setup& sharedSetup()
{
    static Setup shared;
    return shared;
}

void reloadWithNothingChanged(benchmark::State& state)
{
    auto& setup = sharedSetup();
    // The first reload reads every file; the ones measured find them all unchanged.
    reloadOnce(setup.manager);
    for (auto _ : state)
        reloadOnce(setup.manager);
    state.counters["invocations"] = static_cast<double>(setup.manager.invocations().size());
    state.counters["scheduled"] = static_cast<double>(setup.manager.scheduledEvents().size());
}
BENCHMARK(reloadWithNothingChanged)->Unit(benchmark::kMillisecond);

template <class Provider> void timelineWithNothingChanged(benchmark::State& state)
{
    auto& setup = sharedSetup();
    Provider provider(setup.manager);
    reloadOnce(setup.manager);
    size_t entries = 0;
    for (auto _ : state) {
        bool done = false;
        provider.getTimeline(widgets::TimelineProviderContext::forFamily(widgets::WidgetFamily::systemLarge),
            [&](widgets::Timeline<typename Provider::Entry> timeline) {
                entries = timeline.entries.size();
                done = true;
            });
        if (!DispatchQueue::main().runUntil([&done] { return done; }, 60))
            std::abort();
    }
    state.counters["entries"] = static_cast<double>(entries);
}
BENCHMARK_TEMPLATE(timelineWithNothingChanged, NextEventProvider)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(timelineWithNothingChanged, UpcomingEvetsProvider)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(timelineWithNothingChanged, CurrentEvetsProvider)->Unit(benchmark::kMillisecond);

}

// The calendar set of a heavy user (GeneratedCalendars.hpp: 10,000 events, 200 series, five
// calendars) written into a private Evolution Data Server through its client API, then read
// through EdsCalendarStore. Run under Tests/Support/eds-session.sh (scripts/bench does):
// - reloadWithNothingChanged: one reload of the event manager, every calendar active and
//   nothing changed in EDS (views watching), from the call to its completion: what the minute
//   timer costs every minute, warm.
// - firstReadOfEveryCalendar: a new store's first query of the week over every calendar: what
//   a new process (tvkctl reload) pays to read the items from EDS, with EDS itself warm.

#include "Benchmarks/GeneratedCalendars.hpp"
#include "Platform/Calendar/EdsCalendarStore.hpp"
#include "Platform/Defaults/UserDefaults.hpp"
#include "Platform/Eds/EdsModule.hpp"
#include "Platform/Runtime/DispatchQueue.hpp"
#include "Platform/Runtime/ProcessClock.hpp"
#include "TVKCore/Calendar/AggregatedEventStore.hpp"
#include "TVKCore/Schedule/CalendarEventManager.hpp"
#include "TVKCore/Settings/CustomRemindersStore.hpp"
#include "TVKCore/Settings/UserSettingsStore.hpp"
#include "Tests/Support/EdsFixture.hpp"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>

using namespace tvk;

namespace {

std::filesystem::path settingsDirectory()
{
    static std::filesystem::path directory = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "tarvik-eds-bench-XXXXXX").string();
        ::mkdtemp(pattern.data());
        return std::filesystem::path(pattern);
    }();
    return directory;
}

std::shared_ptr<eds::Bridge> filledBridge()
{
    static std::shared_ptr<eds::Bridge> bridge = [] {
        ::setenv("TARVIK_CONFIG_DIR", (settingsDirectory() / "config").c_str(), 1);
        ::setenv("TARVIK_DATA_DIR", (settingsDirectory() / "data").c_str(), 1);
        ::setenv("TARVIK_CACHE_DIR", (settingsDirectory() / "cache").c_str(), 1);
        ProcessClock::pin(benchmarks::benchmarkWeekStart() + 9 * 3600 + 30 * 60);
        test::EdsFixture fixture;
        auto started = std::chrono::steady_clock::now();
        auto filled = fixture.connect().and_then([&] { return fixture.importCalendarRoot(benchmarks::generatedCalendarRoot()); });
        if (!filled) {
            std::cerr << "cannot fill Evolution Data Server: " << filled.error() << '\n';
            std::abort();
        }
        std::cerr << "10,000 events written into EDS in "
                  << std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count() << " s\n";
        auto bridge = EdsModule::bridge();
        if (!bridge)
            std::abort();
        return *bridge;
    }();
    return bridge;
}

std::vector<StoreCalendarPointer> generatedCalendars(const CalendarStore& store)
{
    std::vector<StoreCalendarPointer> result;
    for (auto& calendar : store.calendars(EntityType::event)) {
        if (calendar->source.sourceIdentifier == "account")
            result.push_back(calendar);
    }
    return result;
}

struct Setup {
    Setup()
    {
        std::vector<std::string> identifiers;
        for (auto& calendar : generatedCalendars(store.eventStore()))
            identifiers.push_back(calendar->calendarIdentifier);
        (void)UserSettingsStore::shared().setActiveCalendarIdentifiers(identifiers);
    }

    AggregatedEventStore store { std::make_unique<EdsCalendarStore>(filledBridge(), EdsCalendarStore::Monitoring::on) };
    UserDefaults remindersDomain { settingsDirectory() / "reminders.plist" };
    CustomRemindersStore reminders { remindersDomain };
    CalendarEventManager manager { store, reminders };
};

void reloadOnce(CalendarEventManager& manager)
{
    bool done = false;
    manager.reloadEvents(CalendarEventManager::PostNotification::no, [&done] { done = true; });
    if (!DispatchQueue::main().runUntil([&done] { return done; }, 120))
        std::abort();
}

void reloadWithNothingChanged(benchmark::State& state)
{
    static Setup setup;
    // The first reload reads every calendar from EDS; the ones measured find nothing changed.
    reloadOnce(setup.manager);
    for (auto _ : state)
        reloadOnce(setup.manager);
    state.counters["invocations"] = static_cast<double>(setup.manager.invocations().size());
    state.counters["scheduled"] = static_cast<double>(setup.manager.scheduledEvents().size());
}
BENCHMARK(reloadWithNothingChanged)->Unit(benchmark::kMillisecond);

void firstReadOfEveryCalendar(benchmark::State& state)
{
    auto bridge = filledBridge();
    Date monday = benchmarks::benchmarkWeekStart();
    size_t events = 0;
    for (auto _ : state) {
        EdsCalendarStore store(bridge, EdsCalendarStore::Monitoring::off);
        events = store.events(store.predicateForEvents(monday, monday + 7 * 86400, generatedCalendars(store))).size();
    }
    state.counters["events"] = static_cast<double>(events);
}
BENCHMARK(firstReadOfEveryCalendar)->Unit(benchmark::kMillisecond)->Iterations(5);

}

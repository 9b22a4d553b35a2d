// Queries over the calendar set of a heavy user (GeneratedCalendars.hpp). A widget refresh
// queries a 7-day window.

#include "Benchmarks/GeneratedCalendars.hpp"
#include "Platform/Calendar/ICalendarStore.hpp"

#include <benchmark/benchmark.h>

using namespace tvk;
using benchmarks::benchmarkWeekStart;
using benchmarks::generatedCalendarRoot;

namespace {

void coldQueryOf7Days(benchmark::State& state)
{
    const auto& root = generatedCalendarRoot();
    size_t events = 0;
    for (auto _ : state) {
        ICalendarStore store({ root }, ICalendarStore::Monitoring::off);
        auto found = store.events(
            store.predicateForEvents(benchmarkWeekStart(), benchmarkWeekStart() + 7 * 86400, store.calendars(EntityType::event)));
        events = found.size();
    }
    state.counters["events"] = static_cast<double>(events);
}
BENCHMARK(coldQueryOf7Days)->Unit(benchmark::kMillisecond)->Iterations(3);

void warmQueryOf7Days(benchmark::State& state)
{
    ICalendarStore store({ generatedCalendarRoot() }, ICalendarStore::Monitoring::off);
    auto calendars = store.calendars(EntityType::event);
    size_t events = 0;
    for (auto _ : state) {
        auto found = store.events(store.predicateForEvents(benchmarkWeekStart(), benchmarkWeekStart() + 7 * 86400, calendars));
        events = found.size();
    }
    state.counters["events"] = static_cast<double>(events);
    state.counters["parses"] = static_cast<double>(store.parseCount());
}
BENCHMARK(warmQueryOf7Days)->Unit(benchmark::kMillisecond);

}

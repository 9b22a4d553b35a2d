// Queries over the calendar set of a heavy user (GeneratedCalendars.hpp; TARVIK_BENCHMARK_CALENDARS
// chooses another size). A widget refresh queries a 7-day window.
//
// - firstStoreWithoutIndex: a store made when no index exists yet parses every file and builds
//   the shared index (what the first process ever pays).
// - firstStoreOverWarmIndex: a store made over an index that is up to date checks the files'
//   identities and answers from the index (what every later process pays).
// - warmQueryOf7Days: a query of a store that answered before (what a reload in a running
//   process pays; budget: 5 ms).
// - queryAfterOneFileChanged: one file rewritten, then a query: only that file is parsed.
// - scanOfTheFolders: the directory listings and file identities every new store starts with
//   (the part of firstStoreOverWarmIndex that grows with the number of files).

#include "Benchmarks/GeneratedCalendars.hpp"
#include "Platform/Calendar/ICalendarStore.hpp"
#include "Platform/Calendar/VdirScanner.hpp"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>

using namespace tvk;
using benchmarks::benchmarkWeekStart;
using benchmarks::generatedCalendarRoot;

namespace {

// Each benchmark gets an index directory of its own, so that none runs on another's index.
std::filesystem::path indexDirectory(const char* name)
{
    static benchmarks::BenchmarkDirectory base("tarvik-index-bench");
    auto directory = base.path() / name;
    ::setenv("TARVIK_CACHE_DIR", directory.c_str(), 1);
    return directory;
}

size_t queryWeek(const ICalendarStore& store)
{
    return store
        .events(store.predicateForEvents(benchmarkWeekStart(), benchmarkWeekStart() + 7 * 86400, store.calendars(EntityType::event)))
        .size();
}

void firstStoreWithoutIndex(benchmark::State& state)
{
    const auto& root = generatedCalendarRoot();
    auto directory = indexDirectory("first");
    size_t events = 0, parses = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove_all(directory);
        state.ResumeTiming();
        ICalendarStore store({ root }, ICalendarStore::Monitoring::off);
        events = queryWeek(store);
        parses = store.parseCount();
    }
    state.counters["events"] = static_cast<double>(events);
    state.counters["parses"] = static_cast<double>(parses);
}
BENCHMARK(firstStoreWithoutIndex)->Unit(benchmark::kMillisecond)->Iterations(3);

void firstStoreOverWarmIndex(benchmark::State& state)
{
    const auto& root = generatedCalendarRoot();
    indexDirectory("warm");
    queryWeek(ICalendarStore({ root }, ICalendarStore::Monitoring::off));
    size_t events = 0, parses = 0;
    for (auto _ : state) {
        ICalendarStore store({ root }, ICalendarStore::Monitoring::off);
        events = queryWeek(store);
        parses = store.parseCount();
    }
    state.counters["events"] = static_cast<double>(events);
    state.counters["parses"] = static_cast<double>(parses);
}
BENCHMARK(firstStoreOverWarmIndex)->Unit(benchmark::kMillisecond);

void scanOfTheFolders(benchmark::State& state)
{
    VdirScanner scanner({ generatedCalendarRoot() }, [](const StoreSource&) { return true; });
    size_t files = 0;
    for (auto _ : state) {
        auto layout = scanner.scan();
        files = 0;
        for (auto& collection : layout.collections)
            files += collection.files.size();
    }
    state.counters["files"] = static_cast<double>(files);
}
BENCHMARK(scanOfTheFolders)->Unit(benchmark::kMillisecond);

void warmQueryOf7Days(benchmark::State& state)
{
    indexDirectory("warm");
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

void queryAfterOneFileChanged(benchmark::State& state)
{
    const auto& root = generatedCalendarRoot();
    indexDirectory("warm");
    ICalendarStore store({ root }, ICalendarStore::Monitoring::off);
    queryWeek(store);
    auto file = root / "account" / benchmarks::generatedCollections[0] / "event-0.ics";
    std::string original;
    {
        std::ifstream stream(file, std::ios::binary);
        original.assign(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
    }
    size_t round = 0, parsesBefore = store.parseCount();
    for (auto _ : state) {
        state.PauseTiming();
        {
            // An atomic replacement, as vdirsyncer writes: the directory changes too.
            auto replacement = file;
            replacement += ".tmp";
            std::ofstream(replacement, std::ios::binary) << original << (round++ % 2 ? "" : "\r\n");
            std::filesystem::rename(replacement, file);
        }
        state.ResumeTiming();
        queryWeek(store);
    }
    state.counters["parsesPerQuery"] = static_cast<double>(store.parseCount() - parsesBefore) / static_cast<double>(state.iterations());
}
BENCHMARK(queryAfterOneFileChanged)->Unit(benchmark::kMillisecond);

}

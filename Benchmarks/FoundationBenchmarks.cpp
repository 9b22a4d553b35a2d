// What every reload pays underneath: reading settings keys (a stat of the domain file per
// read, a parse only when the file changed) and checksumming invitation texts.

#include "Platform/Defaults/UserDefaults.hpp"
#include "TVKUtils/Checksum.hpp"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

using namespace tvk;

namespace {

std::filesystem::path benchmarkDomainFile()
{
    static std::filesystem::path file = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "tarvik-bench-XXXXXX").string();
        ::mkdtemp(pattern.data());
        auto path = std::filesystem::path(pattern) / "group.com.quillmoor.tvk.plist";
        UserDefaults defaults(path);
        (void)defaults.modify([](PropertyList::Dictionary& dictionary) {
            for (int i = 0; i < 16; ++i)
                dictionary["setting" + std::to_string(i)] = i;
            dictionary["activeCalendarIdentifiers"] = PropertyList::Array(20, "6D0B0E4C-1A2B-4C3D-8E9F-0A1B2C3D4E5F");
        });
        return path;
    }();
    return file;
}

void readUnchangedKey(benchmark::State& state)
{
    UserDefaults defaults(benchmarkDomainFile());
    for (auto _ : state)
        benchmark::DoNotOptimize(defaults.object("timeOffsetSeconds"));
}
BENCHMARK(readUnchangedKey);

void readKeyAfterAnotherProcessWrote(benchmark::State& state)
{
    UserDefaults reader(benchmarkDomainFile());
    UserDefaults writer(benchmarkDomainFile());
    int counter = 0;
    for (auto _ : state) {
        state.PauseTiming();
        (void)writer.set("counter", ++counter);
        state.ResumeTiming();
        benchmark::DoNotOptimize(reader.object("counter"));
    }
}
BENCHMARK(readKeyAfterAnotherProcessWrote);

void writeKey(benchmark::State& state)
{
    UserDefaults defaults(benchmarkDomainFile());
    int counter = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(defaults.set("counter", ++counter));
}
BENCHMARK(writeKey);

void checksum4KiB(benchmark::State& state)
{
    std::string text(4096, 'x');
    for (auto _ : state)
        benchmark::DoNotOptimize(crc32(text));
    state.SetBytesProcessed(state.iterations() * 4096);
}
BENCHMARK(checksum4KiB);

}

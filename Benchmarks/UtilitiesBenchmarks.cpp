// What drawing one event row pays for its texts: catalog lookups, the day label's date
// operations, the shared formatters and the relative time. A widget entry draws up to six rows,
// so each of these must stay in the low microseconds.

#include "Platform/Runtime/IcuEnvironment.hpp"
#include "TVKLocalization/L10n.hpp"
#include "TVKUtils/DateComponentsFormatter.hpp"
#include "TVKUtils/DateFormatter.hpp"
#include "TVKUtils/DateOperations.hpp"
#include "TVKUtils/RelativeTime.hpp"

#include <benchmark/benchmark.h>

using namespace tvk;

namespace {

const Date reference(1796630400.0); // 2026-12-07 09:00 in Berlin
const Date start = reference + 5400;

void configure()
{
    static bool configured = [] {
        IcuEnvironment::configure("Europe/Berlin", "en_US");
        return true;
    }();
    (void)configured;
}

void catalogLookupWithArgument(benchmark::State& state)
{
    configure();
    for (auto _ : state)
        benchmark::DoNotOptimize(L10n::TimeFormat::until("10:30 AM"));
}
BENCHMARK(catalogLookupWithArgument);

void isOnSameDayAndIsTomorrow(benchmark::State& state)
{
    configure();
    for (auto _ : state) {
        benchmark::DoNotOptimize(isOnSameDay(start, reference));
        benchmark::DoNotOptimize(isTomorrow(start, reference));
    }
}
BENCHMARK(isOnSameDayAndIsTomorrow);

void timeOnly(benchmark::State& state)
{
    configure();
    for (auto _ : state)
        benchmark::DoNotOptimize(DateFormatter::timeOnly().string(start));
}
BENCHMARK(timeOnly);

void relativeTimeAndDate(benchmark::State& state)
{
    configure();
    for (auto _ : state)
        benchmark::DoNotOptimize(DateFormatter::timeAndDateFormatter().string(start));
}
BENCHMARK(relativeTimeAndDate);

void countdown(benchmark::State& state)
{
    configure();
    for (auto _ : state)
        benchmark::DoNotOptimize(DateComponentsFormatter::countdownFormatter().string(reference, start));
}
BENCHMARK(countdown);

void durationOfSeconds(benchmark::State& state)
{
    configure();
    for (auto _ : state)
        benchmark::DoNotOptimize(DateComponentsFormatter::durationFormatter().string(5400.0));
}
BENCHMARK(durationOfSeconds);

void shortRelativeTime(benchmark::State& state)
{
    configure();
    for (auto _ : state)
        benchmark::DoNotOptimize(formattedShortRelativeTime(start, reference, ForAccessibility::no, IsCurrentEvent::no));
}
BENCHMARK(shortRelativeTime);

}

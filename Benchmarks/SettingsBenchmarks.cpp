// What a reload and each drawing pay to read the shared settings: typed settings, the exclude
// rules, one event's settings among many, and the own reminders. The domain file is unchanged
// between reads, as it is between the main application's edits.

#include "TVKCore/Settings/CustomRemindersStore.hpp"
#include "TVKCore/Settings/EventSettingsStore.hpp"
#include "TVKCore/Settings/UserSettingsStore.hpp"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

using namespace tvk;

namespace {

constexpr int eventSettingsCount = 500;
constexpr int reminderCount = 200;

std::filesystem::path benchmarkDirectory()
{
    static std::filesystem::path directory = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "tarvik-settings-bench-XXXXXX").string();
        ::mkdtemp(pattern.data());
        return std::filesystem::path(pattern);
    }();
    return directory;
}

struct Domains {
    UserDefaults shared { benchmarkDirectory() / "group.com.quillmoor.tvk.plist" };
    UserDefaults standard { benchmarkDirectory() / "com.quillmoor.tarvik.bench.plist" };
    UserSettingsStore settings { shared, standard };
    EventSettingsStore eventSettings { shared };
    CustomRemindersStore reminders { shared };

    Domains()
    {
        std::vector<FilterRule> rules;
        for (int i = 0; i < 10; ++i) {
            auto rule = FilterRule::makeDefault();
            rule.value = "Private " + std::to_string(i);
            rules.push_back(rule);
        }
        (void)settings.setExcludeRules(rules);
        (void)settings.setActiveCalendarIdentifiers(std::vector<std::string>(20, "6D0B0E4C-1A2B-4C3D-8E9F-0A1B2C3D4E5F"));
        (void)shared.modify([](PropertyList::Dictionary& dictionary) {
            PropertyList::Dictionary perEvent;
            std::vector<Reminder> list;
            for (int i = 0; i < eventSettingsCount; ++i) {
                EventSettings settings { EventType::calendarEvent, i % 3 == 0, true, 300, "https://zoom.us/j/" + std::to_string(i) };
                auto json = *settings.encode();
                perEvent["6D0B0E4C-1A2B-4C3D-8E9F-" + std::to_string(100000000000 + i)] = Data(json.begin(), json.end());
            }
            for (int i = 0; i < reminderCount; ++i)
                list.emplace_back(
                    "REMINDER-" + std::to_string(i), Date(1'800'000'000 + i * 3600.5), "Reminder " + std::to_string(i), "Notes", 60);
            auto json = *Reminder::encodeList(list);
            dictionary["eventSettings"] = perEvent;
            dictionary["customReminders"] = Data(json.begin(), json.end());
        });
    }
};

Domains& domains()
{
    static Domains instance;
    return instance;
}

void readTimeOffsetSeconds(benchmark::State& state)
{
    auto& store = domains().settings;
    for (auto _ : state)
        benchmark::DoNotOptimize(store.timeOffsetSeconds());
}
BENCHMARK(readTimeOffsetSeconds);

void readActiveCalendarIdentifiers(benchmark::State& state)
{
    auto& store = domains().settings;
    for (auto _ : state)
        benchmark::DoNotOptimize(store.activeCalendarIdentifiers());
}
BENCHMARK(readActiveCalendarIdentifiers);

void readTenExcludeRules(benchmark::State& state)
{
    auto& store = domains().settings;
    for (auto _ : state)
        benchmark::DoNotOptimize(store.excludeRules());
}
BENCHMARK(readTenExcludeRules);

void lookUpOneEventsSettingsAmong500(benchmark::State& state)
{
    auto& store = domains().eventSettings;
    std::string id = "6D0B0E4C-1A2B-4C3D-8E9F-" + std::to_string(100000000000 + 250);
    for (auto _ : state)
        benchmark::DoNotOptimize(store.customSettings(id));
}
BENCHMARK(lookUpOneEventsSettingsAmong500);

void lookUpAnEventWithoutSettingsAmong500(benchmark::State& state)
{
    auto& store = domains().eventSettings;
    for (auto _ : state)
        benchmark::DoNotOptimize(store.customSettings(std::string("no such event")));
}
BENCHMARK(lookUpAnEventWithoutSettingsAmong500);

void readTwoHundredUnchangedReminders(benchmark::State& state)
{
    auto& store = domains().reminders;
    for (auto _ : state)
        benchmark::DoNotOptimize(store.reminders(Date(1'800'000'000), Date(1'800'000'000 + 7 * 86400)));
}
BENCHMARK(readTwoHundredUnchangedReminders);

void decodeTwoHundredReminders(benchmark::State& state)
{
    std::vector<Reminder> list;
    for (int i = 0; i < reminderCount; ++i)
        list.emplace_back("REMINDER-" + std::to_string(i), Date(1'800'000'000 + i * 3600.5), "Reminder " + std::to_string(i), "Notes", 60);
    auto json = *Reminder::encodeList(list);
    for (auto _ : state)
        benchmark::DoNotOptimize(Reminder::decodeList(json));
}
BENCHMARK(decodeTwoHundredReminders);

}

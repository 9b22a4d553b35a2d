// Each widget as the host shows it, over the sample calendars with every calendar and reminder
// list active, on Monday 7 December 2026 at 10:05 (the stand-up going on): its timeline asked
// for as the host asks (a reload, then the entries), and every entry laid out at the widget's
// largest family and drawn on its card at 2x. Budget: under 5 ms per entry, timeline included;
// the "perEntry" counter is that figure. The drawing alone is measured too. Texts come from the
// thread's measurer, which keeps recent measurements as it does in the host.

#include "Benchmarks/DrawingSurface.hpp"
#include "Platform/Calendar/StoreCalendar.hpp"
#include "Platform/Runtime/DispatchQueue.hpp"
#include "Platform/Runtime/ISO8601.hpp"
#include "Platform/Runtime/IcuEnvironment.hpp"
#include "Platform/Runtime/ProcessClock.hpp"
#include "Platform/Widgets/WidgetContainer.hpp"
#include "Platform/Widgets/WidgetStringTable.hpp"
#include "TVKCore/Calendar/AggregatedEventStore.hpp"
#include "TVKCore/Settings/UserSettingsStore.hpp"
#include "TarvikWidgetExtension/TarvikWidgetBundle.hpp"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

using namespace tvk;

namespace {

// Settings and the calendar index in a directory of their own, never the user's; the sample
// calendars; Berlin time in English.
bool prepareEnvironment()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "tarvik-widget-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        std::abort();
    std::filesystem::path directory(pattern);
    ::setenv("TARVIK_CONFIG_DIR", (directory / "config").c_str(), 1);
    ::setenv("TARVIK_DATA_DIR", (directory / "data").c_str(), 1);
    ::setenv("TARVIK_CACHE_DIR", (directory / "cache").c_str(), 1);
    ::setenv("TARVIK_CALENDARS", TVK_SAMPLES_DIR "/Calendars", 1);
    ::setenv("TARVIK_CALENDAR_BACKEND", "vdir", 1);
    ::setenv("TZ", "Europe/Berlin", 1);
    ::unsetenv("LANGUAGE");
    ::setenv("LC_ALL", "en_US.UTF-8", 1);
    IcuEnvironment::configure("Europe/Berlin", "en_US");
    ProcessClock::pin(ISO8601::parse("2026-12-07T10:05:00+01:00").value());
    return true;
}

struct Setup {
    Setup()
    {
        auto& store = AggregatedEventStore::shared();
        std::vector<std::string> calendars, reminderLists;
        for (auto& calendar : store.calendars(EntityType::event))
            calendars.push_back(calendar->calendarIdentifier);
        for (auto& list : store.calendars(EntityType::reminder))
            reminderLists.push_back(list->calendarIdentifier);
        if (!UserSettingsStore::shared().setActiveCalendarIdentifiers(calendars)
            || !UserSettingsStore::shared().setActiveReminderListIdentifiers(reminderLists)
            || !UserSettingsStore::shared().setIncludeTravelTime(true))
            std::abort();
        environment.localize = strings.localizer();
    }

    bool prepared = prepareEnvironment();
    std::vector<widgets::WidgetConfiguration> configurations = TarvikWidgetBundle().body();
    widgets::WidgetStringTable strings { std::string(TarvikWidgetBundle::resourceBundleName) };
    ui::EnvironmentValues environment;
};

Setup& setup()
{
    static Setup shared;
    return shared;
}

widgets::Timeline<widgets::AnyTimelineEntry> timeline(const widgets::WidgetConfiguration& configuration, widgets::WidgetFamily family)
{
    std::optional<widgets::Timeline<widgets::AnyTimelineEntry>> result;
    configuration.getTimeline(widgets::TimelineProviderContext::forFamily(family),
        [&result](widgets::Timeline<widgets::AnyTimelineEntry> made) { result = std::move(made); });
    if (!DispatchQueue::main().runUntil([&result] { return result.has_value(); }, 60))
        std::abort();
    return std::move(*result);
}

void draw(const widgets::WidgetConfiguration& configuration, const widgets::AnyTimelineEntry& entry, widgets::WidgetFamily family,
    benchmarks::DrawingSurface& surface)
{
    surface.clear();
    auto layout = widgets::WidgetContainer::layout(
        configuration.content(entry), family, setup().environment, { nullptr, std::max(Date::now(), entry.date()) });
    widgets::WidgetContainer::draw(layout, surface.cairo);
    cairo_surface_flush(surface.surface);
    benchmark::DoNotOptimize(layout.linkRegions().data());
}

void perEntry(benchmark::State& state, size_t entries)
{
    state.counters["entries"] = static_cast<double>(entries);
    state.counters["perEntry"]
        = benchmark::Counter(static_cast<double>(entries), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

/// The timeline, then each of its entries drawn.
void timelineAndDrawing(benchmark::State& state, size_t widget)
{
    const auto& configuration = setup().configurations.at(widget);
    auto family = configuration.supportedFamilies().back();
    benchmarks::DrawingSurface surface(ui::widgetSize(family));
    size_t entries = 0;
    for (auto _ : state) {
        auto made = timeline(configuration, family);
        for (const auto& entry : made.entries)
            draw(configuration, entry, family, surface);
        entries = made.entries.size();
    }
    perEntry(state, entries);
}

/// Each entry of one timeline drawn again, without asking for the timeline.
void drawingOnly(benchmark::State& state, size_t widget)
{
    const auto& configuration = setup().configurations.at(widget);
    auto family = configuration.supportedFamilies().back();
    benchmarks::DrawingSurface surface(ui::widgetSize(family));
    auto made = timeline(configuration, family);
    for (auto _ : state) {
        for (const auto& entry : made.entries)
            draw(configuration, entry, family, surface);
    }
    perEntry(state, made.entries.size());
}

BENCHMARK_CAPTURE(timelineAndDrawing, countdownMedium, 0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(timelineAndDrawing, upcomingLarge, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(timelineAndDrawing, currentLarge, 2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(drawingOnly, countdownMedium, 0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(drawingOnly, upcomingLarge, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(drawingOnly, currentLarge, 2)->Unit(benchmark::kMillisecond);

}

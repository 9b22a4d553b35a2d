// What drawing one widget entry costs: a six-row list (header, fitting container, rows with
// titles, times, travel time, join buttons) laid out and drawn into a 364 × 382 pt surface at
// 2x. Budget: under 5 ms for layout plus drawing. The measurer of the thread keeps recent text
// measurements, as it does in the host; the cold variant measures every text anew.

#include "Benchmarks/DrawingSurface.hpp"
#include "Platform/UI/PangoTextMeasurer.hpp"
#include "Platform/UI/Renderer.hpp"
#include "tools/uigallery/GallerySamples.hpp"

#include <benchmark/benchmark.h>
#include <cairo.h>

using namespace tvk;

namespace {

constexpr ui::Size largeWidget { 364, 382 };

ui::ViewLayout layOut(const ui::View& view, ui::TextMeasurer* measurer = nullptr)
{
    auto environment = uigallery::galleryEnvironment(ui::WidgetFamily::systemLarge, ui::ColorScheme::light);
    return ui::ViewLayout::make(view, largeWidget, environment, ui::LayoutOptions { measurer, uigallery::galleryNow() });
}

void BM_ListLayoutAndDraw(benchmark::State& state)
{
    auto view = uigallery::widgetContainer(uigallery::sampleList(6));
    benchmarks::DrawingSurface surface(largeWidget);
    for (auto _ : state) {
        surface.clear();
        auto layout = layOut(view);
        ui::Renderer::draw(layout, surface.cairo);
        cairo_surface_flush(surface.surface);
        benchmark::DoNotOptimize(layout.linkRegions().size());
    }
}
BENCHMARK(BM_ListLayoutAndDraw)->Unit(benchmark::kMillisecond);

// The same with every text measured afresh, as for an entry whose texts are all new.
void BM_ListLayoutAndDrawColdText(benchmark::State& state)
{
    auto view = uigallery::widgetContainer(uigallery::sampleList(6));
    benchmarks::DrawingSurface surface(largeWidget);
    for (auto _ : state) {
        ui::PangoTextMeasurer fresh;
        surface.clear();
        auto layout = layOut(view, &fresh);
        ui::Renderer::draw(layout, surface.cairo);
        cairo_surface_flush(surface.surface);
        benchmark::DoNotOptimize(layout.linkRegions().size());
    }
}
BENCHMARK(BM_ListLayoutAndDrawColdText)->Unit(benchmark::kMillisecond);

void BM_ListLayoutOnly(benchmark::State& state)
{
    auto view = uigallery::widgetContainer(uigallery::sampleList(6));
    for (auto _ : state) {
        auto layout = layOut(view);
        benchmark::DoNotOptimize(layout.linkRegions().size());
    }
}
BENCHMARK(BM_ListLayoutOnly)->Unit(benchmark::kMillisecond);

void BM_ListDrawOnly(benchmark::State& state)
{
    auto layout = layOut(uigallery::widgetContainer(uigallery::sampleList(6)));
    benchmarks::DrawingSurface surface(largeWidget);
    for (auto _ : state) {
        surface.clear();
        ui::Renderer::draw(layout, surface.cairo);
        cairo_surface_flush(surface.surface);
    }
}
BENCHMARK(BM_ListDrawOnly)->Unit(benchmark::kMillisecond);

}

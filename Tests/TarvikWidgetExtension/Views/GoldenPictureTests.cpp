// A few widgets drawn whole, as the render command draws them (2x, light and dark, the card and
// its content margins, real fonts), compared with the pictures in Fixtures/GoldenPictures.
//
// The comparison forgives what font hinting and anti-aliasing change between machines (a glyph
// a pixel elsewhere or a little bolder) and nothing a person would notice:
// - in blocks of 4 × 4 pixels, the mean colour must stay within 8 of 255 where the golden
//   picture is flat around the block (fills, the card), within 64 beside an edge; at most 1 % of
//   the blocks may differ. A changed fill colour or a moved text, shape or symbol fails here;
// - around every pixel, the mean colour of 7 × 7 pixels must stay within 48; at most 0.1 % of
//   the pixels may differ. A small symbol or text in another colour fails here, while a glyph a
//   pixel away moves such a mean by a seventh of its contrast at most.
//
// After a deliberate change of how the widgets look, look at the new pictures, then rewrite the
// golden ones with
//
//     TARVIK_UPDATE_GOLDEN_PICTURES=1 build/test/Tests/TarvikWidgetExtensionTests --gtest_filter='GoldenPictures.*'
//
// and commit them with the change. A failing comparison leaves the picture it drew and a map of
// where it differs (red: blocks, blue: pixels) under build/test/golden-pictures/.

#include "Tests/TarvikWidgetExtension/Views/ViewTestSupport.hpp"

#include "Platform/Runtime/ProcessClock.hpp"
#include "Platform/UI/Renderer.hpp"
#include "Platform/Widgets/AnyTimelineEntry.hpp"
#include "TVKCore/Settings/UserSettingsStore.hpp"
#include "TarvikWidgetExtension/Timeline/CurrentEventsEntry.hpp"
#include "TarvikWidgetExtension/Timeline/NextEventEntry.hpp"
#include "TarvikWidgetExtension/Timeline/UpcomingEventsEntry.hpp"

#include <cairo.h>

#include <cstdlib>
#include <memory>

using namespace tvk;
using namespace tvk::test;

namespace {

constexpr double scale = 2;
/// Pixels on a side of the blocks compared.
constexpr int blockSize = 4;
/// How far a block's mean may move on any channel (of 255) before it counts as different: in a
/// flat golden block (no channel spans more than `flatSpan`), and in one with an edge.
constexpr double flatTolerance = 8;
constexpr double edgeTolerance = 64;
constexpr double flatSpan = 16;
/// The share of blocks that may differ.
constexpr double differingBlocksAllowed = 0.01;
/// Pixels from the centre to the edge of the window around each pixel.
constexpr int windowRadius = 3;
constexpr double windowTolerance = 48;
/// The share of pixels whose window may differ.
constexpr double differingPixelsAllowed = 0.001;

const std::filesystem::path goldenDirectory = std::filesystem::path(TVK_TEST_FIXTURES) / "GoldenPictures";
const std::filesystem::path failureDirectory = std::filesystem::path(TVK_BINARY_DIR) / "golden-pictures";

struct SurfaceDeleter {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;

/// The widget of `configuration` showing `entry`, drawn on its card.
Surface draw(const widgets::WidgetConfiguration& configuration, const widgets::AnyTimelineEntry& entry, WidgetFamily family,
    ui::ColorScheme scheme, Date renderDate)
{
    static const widgets::WidgetStringTable strings { std::string(TarvikWidgetBundle::resourceBundleName) };
    ui::EnvironmentValues environment;
    environment.colorScheme = scheme;
    environment.displayScale = scale;
    environment.locale = "en_US";
    environment.timeZone = "Europe/Berlin";
    environment.localize = strings.localizer();
    auto layout = widgets::WidgetContainer::layout(configuration.content(entry), family, environment, { nullptr, renderDate });
    Surface surface(cairo_image_surface_create(
        CAIRO_FORMAT_ARGB32, static_cast<int>(layout.size().width * scale), static_cast<int>(layout.size().height * scale)));
    cairo_t* cairo = cairo_create(surface.get());
    cairo_scale(cairo, scale, scale);
    widgets::WidgetContainer::draw(layout, cairo);
    cairo_destroy(cairo);
    cairo_surface_flush(surface.get());
    return surface;
}

struct Comparison {
    int differingBlocks = 0;
    int blocks = 0;
    int differingPixels = 0;
    int pixels = 0;
    /// Differing blocks in red and pixels in blue over a faint copy of the drawn picture.
    Surface map;

    bool passes() const { return differingBlocks <= blocks * differingBlocksAllowed && differingPixels <= pixels * differingPixelsAllowed; }
};

/// Sums of one channel over every rectangle from the origin, for window means.
class ChannelSums {
public:
    ChannelSums(cairo_surface_t* surface, int shift)
        : m_width(cairo_image_surface_get_width(surface))
        , m_sums(static_cast<size_t>((m_width + 1) * (cairo_image_surface_get_height(surface) + 1)))
    {
        int height = cairo_image_surface_get_height(surface);
        for (int y = 0; y < height; ++y) {
            const auto* row
                = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface));
            for (int x = 0; x < m_width; ++x)
                at(x + 1, y + 1) = ((row[x] >> shift) & 0xFF) + at(x, y + 1) + at(x + 1, y) - at(x, y);
        }
    }
    /// The mean over the pixels [left, right) × [top, bottom).
    double mean(int left, int top, int right, int bottom) const
    {
        double sum = at(right, bottom) - at(left, bottom) - at(right, top) + at(left, top);
        return sum / ((right - left) * (bottom - top));
    }

private:
    double& at(int x, int y) { return m_sums[static_cast<size_t>(y * (m_width + 1) + x)]; }
    double at(int x, int y) const { return m_sums[static_cast<size_t>(y * (m_width + 1) + x)]; }

    int m_width;
    std::vector<double> m_sums;
};

Comparison compare(cairo_surface_t* drawn, cairo_surface_t* golden)
{
    int width = cairo_image_surface_get_width(drawn);
    int height = cairo_image_surface_get_height(drawn);
    int columns = (width + blockSize - 1) / blockSize;
    int rows = (height + blockSize - 1) / blockSize;
    auto channel = [](cairo_surface_t* surface, int x, int y, int shift) {
        const unsigned char* row = cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
        return static_cast<double>((reinterpret_cast<const uint32_t*>(row)[x] >> shift) & 0xFF);
    };
    // Per block: how far its mean moved on the worst channel, and whether the golden block is flat.
    std::vector<double> moved(static_cast<size_t>(columns * rows));
    std::vector<bool> flat(moved.size());
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            int top = row * blockSize, left = column * blockSize;
            int bottom = std::min(height, top + blockSize), right = std::min(width, left + blockSize);
            double worst = 0, span = 0;
            for (int shift : { 0, 8, 16, 24 }) {
                double difference = 0;
                for (int y = top; y < bottom; ++y) {
                    for (int x = left; x < right; ++x)
                        difference += channel(drawn, x, y, shift) - channel(golden, x, y, shift);
                }
                worst = std::max(worst, std::abs(difference) / ((bottom - top) * (right - left)));
                // Flatness is judged a pixel beyond the block, so that an edge on its border counts.
                double lowest = 255, highest = 0;
                for (int y = std::max(0, top - 1); y < std::min(height, bottom + 1); ++y) {
                    for (int x = std::max(0, left - 1); x < std::min(width, right + 1); ++x) {
                        lowest = std::min(lowest, channel(golden, x, y, shift));
                        highest = std::max(highest, channel(golden, x, y, shift));
                    }
                }
                span = std::max(span, highest - lowest);
            }
            moved[static_cast<size_t>(row * columns + column)] = worst;
            flat[static_cast<size_t>(row * columns + column)] = span <= flatSpan;
        }
    }

    Comparison result;
    result.blocks = columns * rows;
    result.map.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
    cairo_t* cairo = cairo_create(result.map.get());
    cairo_set_source_surface(cairo, drawn, 0, 0);
    cairo_paint_with_alpha(cairo, 0.25);
    cairo_set_source_rgba(cairo, 1, 0, 0, 0.8);
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            // Strict only inside a flat area: a block beside an edge may take some of the edge
            // when a glyph lands a fraction of a pixel elsewhere.
            bool inside = true;
            for (int y = std::max(0, row - 1); y <= std::min(rows - 1, row + 1); ++y) {
                for (int x = std::max(0, column - 1); x <= std::min(columns - 1, column + 1); ++x)
                    inside = inside && flat[static_cast<size_t>(y * columns + x)];
            }
            if (moved[static_cast<size_t>(row * columns + column)] > (inside ? flatTolerance : edgeTolerance)) {
                ++result.differingBlocks;
                cairo_rectangle(cairo, column * blockSize, row * blockSize, blockSize, blockSize);
                cairo_fill(cairo);
            }
        }
    }

    std::vector<std::pair<ChannelSums, ChannelSums>> sums;
    for (int shift : { 0, 8, 16, 24 })
        sums.emplace_back(ChannelSums(drawn, shift), ChannelSums(golden, shift));
    cairo_set_source_rgba(cairo, 0, 0, 1, 0.8);
    result.pixels = width * height;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int left = std::max(0, x - windowRadius), right = std::min(width, x + windowRadius + 1);
            int top = std::max(0, y - windowRadius), bottom = std::min(height, y + windowRadius + 1);
            for (const auto& [drawnSums, goldenSums] : sums) {
                if (std::abs(drawnSums.mean(left, top, right, bottom) - goldenSums.mean(left, top, right, bottom)) > windowTolerance) {
                    ++result.differingPixels;
                    cairo_rectangle(cairo, x, y, 1, 1);
                    cairo_fill(cairo);
                    break;
                }
            }
        }
    }
    cairo_destroy(cairo);
    return result;
}

/// Compares the drawn picture with the golden one of that name, or rewrites the golden one
/// when asked to.
void expectLooksAsBefore(cairo_surface_t* drawn, const std::string& name)
{
    auto golden = goldenDirectory / (name + ".png");
    const char* update = std::getenv("TARVIK_UPDATE_GOLDEN_PICTURES");
    if (update && std::string_view(update) == "1") {
        ASSERT_EQ(cairo_surface_write_to_png(drawn, golden.c_str()), CAIRO_STATUS_SUCCESS) << golden;
        std::cout << "rewrote " << golden.string() << "\n";
        return;
    }
    Surface expected(cairo_image_surface_create_from_png(golden.c_str()));
    ASSERT_EQ(cairo_surface_status(expected.get()), CAIRO_STATUS_SUCCESS)
        << "no golden picture " << golden << "; see the top of this file for how to make it";
    ASSERT_EQ(cairo_image_surface_get_width(expected.get()), cairo_image_surface_get_width(drawn)) << name;
    ASSERT_EQ(cairo_image_surface_get_height(expected.get()), cairo_image_surface_get_height(drawn)) << name;
    auto comparison = compare(drawn, expected.get());
    if (comparison.passes())
        return;
    std::filesystem::create_directories(failureDirectory);
    cairo_surface_write_to_png(drawn, (failureDirectory / (name + ".png")).c_str());
    cairo_surface_write_to_png(comparison.map.get(), (failureDirectory / (name + ".differences.png")).c_str());
    ADD_FAILURE() << name << " differs from the golden picture in " << comparison.differingBlocks << " of " << comparison.blocks
                  << " blocks and " << comparison.differingPixels << " of " << comparison.pixels
                  << " pixels' surroundings; what was drawn and where it differs are in " << failureDirectory;
}

Event event(const char* title, const char* start, const char* end, const char* color, EventType type = EventType::calendarEvent)
{
    auto made = meeting(title, start, end);
    made.color = Color::fromHex(color).value_or(Color::named(Color::System::gray));
    made.type = type;
    if (type != EventType::calendarEvent)
        made.videoConferenceLinks.clear();
    return made;
}

class GoldenPictures : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(UserSettingsStore::shared().setIncludeTravelTime(true));
        configurations = TarvikWidgetBundle().body();
    }
    void TearDown() override
    {
        configurations.clear();
        ASSERT_TRUE(UserSettingsStore::shared().resetAll());
    }

    std::vector<widgets::WidgetConfiguration> configurations;
    const Date now = at("2026-12-07T09:50:00+01:00");
    const std::vector<Event> week {
        event("Daily stand-up", "2026-12-07T09:45:00+01:00", "2026-12-07T10:00:00+01:00", "#1BADF8"),
        event("Design review: widget typography and colour", "2026-12-07T09:51:00+01:00", "2026-12-07T10:50:00+01:00", "#63DA38"),
        event("Call the dentist", "2026-12-07T11:05:00+01:00", "2026-12-07T11:05:00+01:00", "#FF9500", EventType::tvkReminder),
        event(
            "Quarterly planning with the whole product organisation", "2026-12-07T12:00:00+01:00", "2026-12-07T13:00:00+01:00", "#CC73E1"),
        event("Send invoices", "2026-12-07T13:30:00+01:00", "2026-12-07T13:30:00+01:00", "#FF2968", EventType::appleReminder),
        event("1:1 with Priya", "2026-12-08T11:30:00+01:00", "2026-12-08T12:00:00+01:00", "#A2845E"),
    };
};

}

TEST_F(GoldenPictures, CountdownSmallLight)
{
    auto next = week[1];
    next.travelTime = 900;
    auto picture = draw(
        configurations[0], widgets::AnyTimelineEntry(NextEventEntry { now, next }), WidgetFamily::systemSmall, ui::ColorScheme::light, now);
    expectLooksAsBefore(picture.get(), "countdown-small-light");
}

TEST_F(GoldenPictures, CountdownMediumDark)
{
    auto picture = draw(configurations[0], widgets::AnyTimelineEntry(NextEventEntry { now, week[3] }), WidgetFamily::systemMedium,
        ui::ColorScheme::dark, now);
    expectLooksAsBefore(picture.get(), "countdown-medium-dark");
}

TEST_F(GoldenPictures, UpcomingLargeLight)
{
    auto events = week;
    events[3].travelTime = 1500;
    auto picture = draw(configurations[1], widgets::AnyTimelineEntry(UpcomingEventsEntry { now, events }), WidgetFamily::systemLarge,
        ui::ColorScheme::light, now);
    expectLooksAsBefore(picture.get(), "upcoming-large-light");
}

TEST_F(GoldenPictures, CurrentMediumDark)
{
    std::vector<Event> current { week[0], week[1], week[1], week[1] };
    current[2].title = "Office hours";
    current[3].title = "Support rotation";
    auto picture = draw(configurations[2], widgets::AnyTimelineEntry(CurrentEventsEntry { now + 120, current }), WidgetFamily::systemMedium,
        ui::ColorScheme::dark, now + 120);
    expectLooksAsBefore(picture.get(), "current-medium-dark");
}

TEST_F(GoldenPictures, EmptyUpcomingSmallDark)
{
    auto picture = draw(configurations[1], widgets::AnyTimelineEntry(UpcomingEventsEntry { now, {} }), WidgetFamily::systemSmall,
        ui::ColorScheme::dark, now);
    expectLooksAsBefore(picture.get(), "upcoming-empty-small-dark");
}

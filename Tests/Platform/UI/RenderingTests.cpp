// Drawing with Cairo: pixels of fills, texts, symbols, emoji and assets at 2x, in light and
// dark, and the files written.

#include "Tests/Platform/UI/UITestSupport.hpp"
#include "Tests/Support/TemporaryDirectory.hpp"

#include "Platform/UI/Renderer.hpp"
#include "Platform/UI/UI.hpp"

#include <cairo.h>
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>

using namespace tvk;
using namespace tvk::ui;

namespace {

struct Pixel {
    int red = 0, green = 0, blue = 0, alpha = 0;
};

/// An ARGB image of a laid-out tree at a scale, to read pixels from.
class Picture {
public:
    Picture(const ViewLayout& layout, double scale)
        : m_scale(scale)
    {
        m_surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(std::ceil(layout.size().width * scale)),
            static_cast<int>(std::ceil(layout.size().height * scale)));
        cairo_t* cairo = cairo_create(m_surface);
        cairo_scale(cairo, scale, scale);
        Renderer::draw(layout, cairo);
        cairo_destroy(cairo);
        cairo_surface_flush(m_surface);
    }
    explicit Picture(const std::filesystem::path& png)
        : m_surface(cairo_image_surface_create_from_png(png.c_str()))
    {
    }
    ~Picture() { cairo_surface_destroy(m_surface); }
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    int width() const { return cairo_image_surface_get_width(m_surface); }
    int height() const { return cairo_image_surface_get_height(m_surface); }

    /// The unpremultiplied pixel under a point.
    Pixel at(double x, double y) const { return pixel(static_cast<int>(x * m_scale), static_cast<int>(y * m_scale)); }
    Pixel pixel(int x, int y) const
    {
        const unsigned char* row = cairo_image_surface_get_data(m_surface) + y * cairo_image_surface_get_stride(m_surface);
        uint32_t value = reinterpret_cast<const uint32_t*>(row)[x];
        Pixel pixel { static_cast<int>((value >> 16) & 0xFF), static_cast<int>((value >> 8) & 0xFF), static_cast<int>(value & 0xFF),
            static_cast<int>(value >> 24) };
        if (pixel.alpha > 0 && pixel.alpha < 255) {
            pixel.red = pixel.red * 255 / pixel.alpha;
            pixel.green = pixel.green * 255 / pixel.alpha;
            pixel.blue = pixel.blue * 255 / pixel.alpha;
        }
        return pixel;
    }
    /// How many pixels inside a rectangle (in points) match.
    template <class Predicate> int count(const Rect& rect, Predicate predicate) const
    {
        int matches = 0;
        for (int y = static_cast<int>(rect.minY() * m_scale); y < static_cast<int>(rect.maxY() * m_scale); ++y) {
            for (int x = static_cast<int>(rect.minX() * m_scale); x < static_cast<int>(rect.maxX() * m_scale); ++x) {
                if (x >= 0 && y >= 0 && x < width() && y < height() && predicate(pixel(x, y)))
                    ++matches;
            }
        }
        return matches;
    }

private:
    cairo_surface_t* m_surface;
    double m_scale = 1;
};

ViewLayout lay(const View& view, Size size, ColorScheme scheme = ColorScheme::light)
{
    EnvironmentValues environment;
    environment.colorScheme = scheme;
    environment.assetDirectory = std::filesystem::path(TVK_TEST_FIXTURES);
    return ViewLayout::make(view, size, environment, LayoutOptions { nullptr, Date(0) });
}

bool opaque(Pixel pixel)
{
    return pixel.alpha > 200;
}

bool transparent(Pixel pixel)
{
    return pixel.alpha == 0;
}

}

TEST(Rendering, FillsTakeTheColourOfTheAppearance)
{
    auto view = RoundedRectangle(Size { 3, 3 }, RoundedCornerStyle::continuous).fill(Color::named(Color::System::orange)).frame(40, 20);
    Picture light(lay(view, { 40, 20 }), 2);
    Picture dark(lay(view, { 40, 20 }, ColorScheme::dark), 2);
    EXPECT_EQ(light.width(), 80);
    EXPECT_EQ(light.height(), 40);
    Pixel lightCentre = light.at(20, 10);
    Pixel darkCentre = dark.at(20, 10);
    EXPECT_EQ(lightCentre.red, 255);
    EXPECT_EQ(lightCentre.green, 149);
    EXPECT_EQ(lightCentre.blue, 0);
    EXPECT_EQ(darkCentre.green, 159);
    // The rounded corner leaves the very corner clear.
    EXPECT_TRUE(transparent(light.pixel(0, 0)));

    Picture faded(lay(Rectangle().fill(Color::rgb(0, 0, 0)).opacity(0.5), { 10, 10 }), 1);
    EXPECT_NEAR(faded.pixel(5, 5).alpha, 128, 1);
    Picture hidden(lay(Rectangle().fill(Color::rgb(0, 0, 0)).hidden(), { 10, 10 }), 1);
    EXPECT_EQ(hidden.count({ { 0, 0 }, { 10, 10 } }, opaque), 0);
}

TEST(Rendering, TextIsDrawnInsideItsFrameInTheForegroundColour)
{
    auto layout
        = lay(Text("Hello").font(Font::system(20)).foregroundColor(Color::rgb(1, 0, 0)).accessibilityIdentifier("text"), { 120, 40 });
    auto frame = *layout.frame("text");
    Picture picture(layout, 2);
    auto red = [](Pixel pixel) { return pixel.alpha > 128 && pixel.red > 200 && pixel.green < 60 && pixel.blue < 60; };
    EXPECT_GT(picture.count(frame, red), 50);
    Rect outside { { 0, 0 }, { frame.minX() - 1, 40 } };
    EXPECT_EQ(picture.count(outside, [](Pixel pixel) { return pixel.alpha > 0; }), 0);
}

TEST(Rendering, EmojiComeInColour)
{
    auto layout = lay(Text("🎉").font(Font::system(30)).accessibilityIdentifier("emoji"), { 60, 60 });
    Picture picture(layout, 2);
    auto colourful = [](Pixel pixel) {
        int high = std::max({ pixel.red, pixel.green, pixel.blue });
        int low = std::min({ pixel.red, pixel.green, pixel.blue });
        return pixel.alpha > 200 && high - low > 100;
    };
    EXPECT_GT(picture.count(*layout.frame("emoji"), colourful), 20);
}

TEST(Rendering, SymbolsAreDrawnFromTheIconFontInTheForegroundColour)
{
    for (const auto& symbol : { "video.fill", "car.fill", "alarm.fill", "circle" }) {
        auto layout
            = lay(Image::systemName(symbol).foregroundStyle(Color::rgb(0, 0.8, 0)).font(Font::system(11)).accessibilityIdentifier("symbol"),
                { 40, 40 });
        auto frame = layout.frame("symbol");
        ASSERT_TRUE(frame) << symbol;
        EXPECT_GT(frame->size.width, 8) << symbol;
        EXPECT_LT(frame->size.width, 20) << symbol;
        Picture picture(layout, 2);
        auto green = [](Pixel pixel) { return pixel.alpha > 128 && pixel.green > 150 && pixel.red < 60; };
        EXPECT_GT(picture.count(*frame, green), 10) << symbol;
    }
    // A resizable symbol fills the frame it is given.
    auto resized = lay(
        Image::systemName("alarm.fill").resizable().aspectRatio(ContentMode::fit).frame(10).accessibilityIdentifier("alarm"), { 40, 40 });
    EXPECT_NEAR(resized.frame("alarm")->size.width, 10, 1e-9);
    // An unknown symbol takes no room.
    auto unknown = lay(HStack(VerticalAlignment::center, 0, { Image::systemName("no.such.symbol"), Rectangle().frame(10, 10) })
                           .accessibilityIdentifier("row"),
        { 40, 40 });
    EXPECT_EQ(unknown.frame("row")->size.width, 10);
}

TEST(Rendering, AssetsComeFromSVGFilesWithTheirDarkVariant)
{
    auto asset = Image("square").accessibilityIdentifier("asset");
    auto light = lay(asset, { 40, 40 });
    EXPECT_EQ(light.frame("asset")->size, (Size { 20, 10 }));
    Picture lightPicture(light, 2);
    Pixel lightCentre = lightPicture.at(20, 20);
    EXPECT_EQ(lightCentre.red, 255);
    EXPECT_EQ(lightCentre.blue, 0);
    Picture darkPicture(lay(asset, { 40, 40 }, ColorScheme::dark), 2);
    EXPECT_EQ(darkPicture.at(20, 20).blue, 255);

    // Resizable with its aspect ratio kept, 50 high: 100 wide.
    auto scaled = lay(
        Image("square").resizable().aspectRatio(ContentMode::fit).frame(std::nullopt, 50).accessibilityIdentifier("asset"), { 200, 100 });
    EXPECT_EQ(scaled.frame("asset")->size, (Size { 100, 50 }));
    EXPECT_EQ(lay(Image("viewbox-only").accessibilityIdentifier("asset"), { 100, 100 }).frame("asset")->size, (Size { 30, 15 }));

    // Broken, missing and path-like names draw nothing and take no room.
    for (const auto* name : { "truncated", "missing", "../Fixtures/square", "" }) {
        auto row = lay(
            HStack(VerticalAlignment::center, 0, { Image(name), Rectangle().frame(10, 10) }).accessibilityIdentifier("row"), { 40, 40 });
        EXPECT_EQ(row.frame("row")->size.width, 10) << name;
    }
}

TEST(Rendering, TheShippedEmptyStateImageIsThere)
{
    EnvironmentValues environment;
    auto layout = ViewLayout::make(
        Image("noevents").resizable().aspectRatio(ContentMode::fit).frame(std::nullopt, 50).accessibilityIdentifier("image"), { 100, 100 },
        environment, LayoutOptions { nullptr, Date(0) });
    auto frame = layout.frame("image");
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->size.height, 50);
    Picture picture(layout, 2);
    EXPECT_GT(picture.count(*frame, opaque), 1000);
}

TEST(Rendering, WritesPNGAndSVGFilesAndReportsWhatItCannotWrite)
{
    tvk::test::TemporaryDirectory directory;
    auto layout = lay(VStack({ Text("Stand-up"), Capsule().fill(Color::named(Color::System::green)).frame(30, 10) }), { 100, 60 });
    auto png = directory.path() / "row.png";
    ASSERT_TRUE(Renderer::writePNG(layout, png, 2));
    Picture read(png);
    EXPECT_EQ(read.width(), 200);
    EXPECT_EQ(read.height(), 120);
    ASSERT_TRUE(Renderer::writePNG(layout, directory.path() / "row@1x.png", 1));
    EXPECT_EQ(Picture(directory.path() / "row@1x.png").width(), 100);

    auto svg = directory.path() / "row.svg";
    ASSERT_TRUE(Renderer::writeSVG(layout, svg));
    std::ifstream file(svg);
    std::stringstream contents;
    contents << file.rdbuf();
    EXPECT_NE(contents.str().find("<svg"), std::string::npos);
    EXPECT_NE(contents.str().find("width=\"100pt\""), std::string::npos);

    EXPECT_FALSE(Renderer::writePNG(layout, directory.path() / "missing" / "row.png", 2));
    EXPECT_FALSE(std::filesystem::exists(directory.path() / "missing"));
    EXPECT_FALSE(Renderer::writePNG(layout, png, 0));
    EXPECT_FALSE(Renderer::writePNG(layout, png, std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(Renderer::writePNG(lay(Text("x"), { 0, 0 }), png, 2));
    // The earlier picture is still there, whole.
    EXPECT_EQ(Picture(png).width(), 200);
}

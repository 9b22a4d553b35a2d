#include "Platform/UI/Renderer.hpp"

#include "Platform/Runtime/FileReplacement.hpp"

#include "Platform/UI/Layout/LayoutNode.hpp"
#include "Platform/UI/Layout/Sanitizers.hpp"

#include <cairo-svg.h>
#include <cairo.h>

#include <cmath>
#include <system_error>

namespace tvk::ui {

namespace {

constexpr double maximumPixels = 16384;

bool isUsableScale(double scale)
{
    return std::isfinite(scale) && scale > 0 && scale <= 16;
}

}

void Renderer::draw(const ViewLayout& layout, cairo_t* cairo)
{
    auto* root = layout.root();
    if (!cairo || !root || !root->isPlaced())
        return;
    cairo_save(cairo);
    detail::DrawContext context { cairo };
    root->draw(context);
    cairo_restore(cairo);
}

tl::expected<void, std::string> Renderer::writePNG(const ViewLayout& layout, const std::filesystem::path& path, double scale)
{
    return writePNG(
        layout.size(), [&layout](cairo_t* cairo) { draw(layout, cairo); }, path, scale);
}

tl::expected<void, std::string> Renderer::writeSVG(const ViewLayout& layout, const std::filesystem::path& path, double scale)
{
    return writeSVG(
        layout.size(), [&layout](cairo_t* cairo) { draw(layout, cairo); }, path, scale);
}

tl::expected<void, std::string> Renderer::writePNG(Size size, const Drawing& drawing, const std::filesystem::path& path, double scale)
{
    if (!isUsableScale(scale))
        return tl::unexpected(std::string("the scale must be above 0 and at most 16"));
    double width = std::ceil(size.width * scale);
    double height = std::ceil(size.height * scale);
    if (width < 1 || height < 1 || width > maximumPixels || height > maximumPixels)
        return tl::unexpected(std::string("the picture must be between 1 and 16384 pixels on each side"));
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(width), static_cast<int>(height));
    cairo_t* cairo = cairo_create(surface);
    cairo_scale(cairo, scale, scale);
    drawing(cairo);
    cairo_destroy(cairo);
    auto temporary = FileReplacement::temporaryPath(path);
    cairo_status_t status = cairo_surface_write_to_png(surface, temporary.c_str());
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        std::error_code error;
        std::filesystem::remove(temporary, error);
        return tl::unexpected("cannot write " + path.string() + ": " + cairo_status_to_string(status));
    }
    return FileReplacement::moveIntoPlace(temporary, path);
}

tl::expected<void, std::string> Renderer::writeSVG(Size size, const Drawing& drawing, const std::filesystem::path& path, double scale)
{
    if (!isUsableScale(scale))
        return tl::unexpected(std::string("the scale must be above 0 and at most 16"));
    double width = size.width * scale;
    double height = size.height * scale;
    if (width <= 0 || height <= 0)
        return tl::unexpected(std::string("the picture has no size"));
    auto temporary = FileReplacement::temporaryPath(path);
    // Cairo 1.16's SVG surface loses a snapshot for every group drawn into it (an opacity
    // below 1); a plain C program shows the same.
    detail::IgnoredLeaks cairoSVGLeaks;
    cairo_surface_t* surface = cairo_svg_surface_create(temporary.c_str(), width, height);
    cairo_t* cairo = cairo_create(surface);
    cairo_scale(cairo, scale, scale);
    drawing(cairo);
    cairo_destroy(cairo);
    cairo_surface_finish(surface);
    cairo_status_t status = cairo_surface_status(surface);
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        std::error_code error;
        std::filesystem::remove(temporary, error);
        return tl::unexpected("cannot write " + path.string() + ": " + cairo_status_to_string(status));
    }
    return FileReplacement::moveIntoPlace(temporary, path);
}

}

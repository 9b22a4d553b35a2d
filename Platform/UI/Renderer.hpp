#pragma once

#include "Platform/UI/ViewLayout.hpp"

#include <tl/expected.hpp>

#include <filesystem>
#include <functional>
#include <string>

typedef struct _cairo cairo_t;

namespace tvk::ui {

/// Draws laid-out view trees with Cairo.
class Renderer {
public:
    /// Draws onto any context, in its current user space (one unit is one point; scale the
    /// context for a denser display). The tree's frames start at the origin.
    static void draw(const ViewLayout& layout, cairo_t* cairo);

    /// A PNG of `scale` pixels per point, transparent where nothing is drawn. Written to a
    /// temporary file and renamed into place.
    static tl::expected<void, std::string> writePNG(const ViewLayout& layout, const std::filesystem::path& path, double scale = 2);
    /// An SVG document of the tree's size in points, times `scale`.
    static tl::expected<void, std::string> writeSVG(const ViewLayout& layout, const std::filesystem::path& path, double scale = 1);

    /// Draws onto a context in points, for pictures of more than one tree (a widget on the card
    /// its host draws behind it).
    using Drawing = std::function<void(cairo_t*)>;
    /// As above, for a picture of `size` points that `drawing` draws.
    static tl::expected<void, std::string> writePNG(Size size, const Drawing& drawing, const std::filesystem::path& path, double scale = 2);
    static tl::expected<void, std::string> writeSVG(Size size, const Drawing& drawing, const std::filesystem::path& path, double scale = 1);
};

}

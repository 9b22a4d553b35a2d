#pragma once

#include "Platform/UI/ViewLayout.hpp"

#include <tl/expected.hpp>

#include <filesystem>
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
};

}

#pragma once

#include "Platform/UI/EnvironmentValues.hpp"
#include "Platform/UI/View.hpp"
#include "Platform/UI/ViewLayout.hpp"
#include "Platform/Widgets/WidgetFamily.hpp"

#include <tl/expected.hpp>

#include <filesystem>
#include <string>

typedef struct _cairo cairo_t;

namespace tvk::widgets {

/// What a host puts around a widget's content: a card of the family's size with rounded
/// corners, filled with the window background and, over it, the content's container background
/// (`View::containerBackground`); the content inside the default content margins, centred as
/// a widget's content is. Every host draws widgets through here, so a picture written by the
/// headless `render` command is what the desktop shows.
class WidgetContainer {
public:
    /// The default content margins, on every side.
    static constexpr double contentMargin = 16;
    static constexpr double cornerRadius = 20;

    /// `content` laid out in a widget of `family` (which the environment's `widgetFamily` is
    /// set to), for `options.renderDate`. Frames, link regions and texts are in points from the
    /// card's top-left corner.
    static ui::ViewLayout layout(
        const ui::View& content, WidgetFamily family, ui::EnvironmentValues environment, ui::LayoutOptions options);

    /// Draws the card and the laid-out content onto a context in points.
    static void draw(const ui::ViewLayout& layout, cairo_t* cairo);

    /// A picture of the card and its content at `scale` pixels per point: a PNG, or an SVG
    /// when `path` ends in ".svg" (any letter case).
    static tl::expected<void, std::string> write(const ui::ViewLayout& layout, const std::filesystem::path& path, double scale);
};

}

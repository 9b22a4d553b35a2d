#include "Platform/Widgets/WidgetContainer.hpp"

#include "Platform/Text/AsciiCase.hpp"
#include "Platform/UI/Renderer.hpp"
#include "Platform/UI/Shape.hpp"
#include "Platform/UI/Stacks.hpp"

namespace tvk::widgets {

ui::ViewLayout WidgetContainer::layout(
    const ui::View& content, WidgetFamily family, ui::EnvironmentValues environment, ui::LayoutOptions options)
{
    environment.widgetFamily = family;
    return ui::ViewLayout::make(content.padding(contentMargin), ui::widgetSize(family), std::move(environment), options);
}

void WidgetContainer::draw(const ui::ViewLayout& layout, cairo_t* cairo)
{
    using namespace tvk::ui;
    auto card = [](const ShapeStyle& style) { return RoundedRectangle(cornerRadius, RoundedCornerStyle::continuous).fill(style); };
    std::vector<View> layers { card(ShapeStyle::background()) };
    if (auto background = layout.containerBackground())
        layers.push_back(card(Color::rgb(background->red, background->green, background->blue, background->alpha)));
    auto cardLayout = ViewLayout::make(ZStack(layers), layout.size(), layout.environment(), { nullptr, layout.renderDate() });
    Renderer::draw(cardLayout, cairo);
    Renderer::draw(layout, cairo);
}

tl::expected<void, std::string> WidgetContainer::write(const ui::ViewLayout& layout, const std::filesystem::path& path, double scale)
{
    bool svg = equalsIgnoringAsciiCase(path.extension().string(), ".svg");
    auto drawing = [&layout](cairo_t* cairo) { draw(layout, cairo); };
    return svg ? ui::Renderer::writeSVG(layout.size(), drawing, path, scale) : ui::Renderer::writePNG(layout.size(), drawing, path, scale);
}

}

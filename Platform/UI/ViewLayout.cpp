#include "Platform/UI/ViewLayout.hpp"

#include "Platform/UI/Layout/ViewNode.hpp"
#include "Platform/UI/PangoTextMeasurer.hpp"

#include <cmath>

namespace tvk::ui {

namespace {

void collectTexts(const std::vector<AccessibilityElement>& elements, std::vector<AccessibilityElement>& texts)
{
    for (const auto& element : elements) {
        if (element.role == AccessibilityElement::Role::text
            || (element.role == AccessibilityElement::Role::group && element.children.empty()))
            texts.push_back(element);
        collectTexts(element.children, texts);
    }
}

/// A side of the canvas: a length that can be drawn on, where an infinite or negative one (a
/// caller's mistake) gives an empty canvas.
double canvasLength(double length)
{
    return std::isfinite(length) && length > 0 ? length : 0;
}

}

ViewLayout::ViewLayout(ViewLayout&&) noexcept = default;
ViewLayout& ViewLayout::operator=(ViewLayout&&) noexcept = default;
ViewLayout::~ViewLayout() = default;

ViewLayout ViewLayout::make(const View& root, Size size, EnvironmentValues environment, LayoutOptions options)
{
    ViewLayout layout;
    layout.m_size = { canvasLength(size.width), canvasLength(size.height) };
    layout.m_renderDate = options.renderDate.value_or(Date::now());

    detail::ResolveContext resolveContext { layout.m_renderDate, false };
    layout.m_root = detail::resolveSingle(root, environment, resolveContext);
    layout.m_containsTimer = resolveContext.containsTimer;

    TextMeasurer& measurer = options.measurer ? *options.measurer : PangoTextMeasurer::forCurrentThread();
    detail::LayoutContext context(measurer);
    auto proposal = ProposedViewSize::from(layout.m_size);
    Size chosen = layout.m_root->sizeThatFits(proposal, context).size;
    // The root is centred in the space, as a window centres content smaller than itself.
    double x = std::isfinite(chosen.width) ? (layout.m_size.width - chosen.width) / 2 : 0;
    double y = std::isfinite(chosen.height) ? (layout.m_size.height - chosen.height) / 2 : 0;
    layout.m_root->place({ x, y }, proposal, context);
    if (environment.layoutDirection == LayoutDirection::rightToLeft)
        layout.m_root->mirror(layout.m_size.width);

    layout.m_root->collectLinks(layout.m_links);
    layout.m_root->collectAccessibility(layout.m_accessibility);
    layout.m_environment = std::move(environment);
    return layout;
}

std::optional<std::string> ViewLayout::linkURL(Point point) const
{
    for (const auto& link : m_links) {
        if (link.frame.contains(point))
            return link.url;
    }
    return std::nullopt;
}

std::vector<std::string> ViewLayout::accessibilityTexts() const
{
    std::vector<std::string> texts;
    for (const auto& element : accessibilityTextElements())
        texts.push_back(element.label);
    return texts;
}

std::vector<AccessibilityElement> ViewLayout::accessibilityTextElements() const
{
    std::vector<AccessibilityElement> texts;
    collectTexts(m_accessibility, texts);
    return texts;
}

std::optional<ResolvedColor> ViewLayout::containerBackground() const
{
    if (!m_root || !m_root->isPlaced())
        return std::nullopt;
    return m_root->containerBackground();
}

std::optional<Rect> ViewLayout::frame(std::string_view identifier) const
{
    if (!m_root || !m_root->isPlaced())
        return std::nullopt;
    if (auto node = m_root->find(identifier))
        return node->frame();
    return std::nullopt;
}

}

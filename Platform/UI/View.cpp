#include "Platform/UI/View.hpp"

#include "Platform/UI/Layout/EffectLayout.hpp"
#include "Platform/UI/Layout/FrameLayout.hpp"
#include "Platform/UI/Layout/ShapeLayout.hpp"
#include "Platform/UI/Layout/ViewNode.hpp"

#include <cmath>

namespace tvk::ui {

using detail::LayoutNode;
using detail::modified;
using detail::ResolveContext;
using detail::withEnvironment;

namespace {

std::optional<double> finiteOrNone(std::optional<double> value)
{
    if (value && std::isnan(*value))
        return std::nullopt;
    return value;
}

}

View::View() = default;

View::View(std::shared_ptr<const ViewNode> node)
    : m_node(std::move(node))
{
}

bool View::isEmpty() const
{
    return !m_node;
}

std::shared_ptr<const ViewNode> View::makeCustom(std::function<View(const EnvironmentValues&)> body)
{
    return std::make_shared<detail::CustomViewNode>(std::move(body));
}

View EnvironmentReader(std::function<View(const EnvironmentValues&)> body)
{
    return View(std::make_shared<detail::CustomViewNode>(std::move(body)));
}

View RenderDateReader(std::function<View(const EnvironmentValues&, Date)> body)
{
    return View(std::make_shared<detail::RenderDateReaderNode>(std::move(body)));
}

View View::padding(double length) const
{
    return padding(EdgeInsets { length, length, length, length });
}

View View::padding(Edge::Set edges, std::optional<double> length) const
{
    double value = length.value_or(16);
    return padding(EdgeInsets { edges.contains(Edge::top) ? value : 0, edges.contains(Edge::leading) ? value : 0,
        edges.contains(Edge::bottom) ? value : 0, edges.contains(Edge::trailing) ? value : 0 });
}

View View::padding(EdgeInsets insets) const
{
    return modified(
        *this, [insets](std::unique_ptr<LayoutNode> child, const EnvironmentValues&, ResolveContext&) -> std::unique_ptr<LayoutNode> {
            return std::make_unique<detail::PaddingNode>(insets, std::move(child));
        });
}

View View::frame(std::optional<double> width, std::optional<double> height, Alignment alignment) const
{
    width = finiteOrNone(width);
    height = finiteOrNone(height);
    return modified(
        *this, [=](std::unique_ptr<LayoutNode> child, const EnvironmentValues&, ResolveContext&) -> std::unique_ptr<LayoutNode> {
            return std::make_unique<detail::FixedFrameNode>(width, height, alignment, std::move(child));
        });
}

View View::frame(const FlexibleFrame& frame) const
{
    FlexibleFrame bounds = frame;
    for (auto* length :
        { &bounds.minWidth, &bounds.idealWidth, &bounds.maxWidth, &bounds.minHeight, &bounds.idealHeight, &bounds.maxHeight })
        *length = finiteOrNone(*length);
    return modified(
        *this, [bounds](std::unique_ptr<LayoutNode> child, const EnvironmentValues&, ResolveContext&) -> std::unique_ptr<LayoutNode> {
            return std::make_unique<detail::FlexibleFrameNode>(bounds, std::move(child));
        });
}

View View::fixedSize() const
{
    return fixedSize(Axis::horizontal | Axis::vertical);
}

View View::fixedSize(Axis::Set axes) const
{
    return modified(
        *this, [axes](std::unique_ptr<LayoutNode> child, const EnvironmentValues&, ResolveContext&) -> std::unique_ptr<LayoutNode> {
            return std::make_unique<detail::FixedSizeNode>(
                axes.contains(Axis::horizontal), axes.contains(Axis::vertical), std::move(child));
        });
}

View View::layoutPriority(double priority) const
{
    return modified(*this, [priority](std::unique_ptr<LayoutNode> child, const EnvironmentValues&, ResolveContext&) {
        child->setLayoutPriority(priority);
        return child;
    });
}

View View::aspectRatio(std::optional<double> ratio, ContentMode mode) const
{
    return modified(
        *this, [=](std::unique_ptr<LayoutNode> child, const EnvironmentValues&, ResolveContext&) -> std::unique_ptr<LayoutNode> {
            return std::make_unique<detail::AspectRatioNode>(ratio, mode, std::move(child));
        });
}

View View::offset(double x, double y) const
{
    return modified(
        *this, [=](std::unique_ptr<LayoutNode> child, const EnvironmentValues&, ResolveContext&) -> std::unique_ptr<LayoutNode> {
            return std::make_unique<detail::OffsetNode>(Point { x, y }, std::move(child));
        });
}

View View::background(const View& content, Alignment alignment) const
{
    return modified(*this,
        [content, alignment](std::unique_ptr<LayoutNode> child, const EnvironmentValues& environment,
            ResolveContext& context) -> std::unique_ptr<LayoutNode> {
            return std::make_unique<detail::LayerNode>(detail::LayerNode::Placement::background, alignment, std::move(child),
                detail::resolveSingle(content, environment, context));
        });
}

View View::background(const ShapeStyle& style) const
{
    return modified(*this,
        [style](std::unique_ptr<LayoutNode> child, const EnvironmentValues& environment, ResolveContext&) -> std::unique_ptr<LayoutNode> {
            auto fill = std::make_unique<detail::ShapeNode>(
                ShapeGeometry::rectangle(), detail::ShapePaint { environment.resolve(style), std::nullopt });
            return std::make_unique<detail::LayerNode>(
                detail::LayerNode::Placement::background, Alignment::center, std::move(child), std::move(fill));
        });
}

View View::overlay(const View& content, Alignment alignment) const
{
    return modified(*this,
        [content, alignment](std::unique_ptr<LayoutNode> child, const EnvironmentValues& environment,
            ResolveContext& context) -> std::unique_ptr<LayoutNode> {
            return std::make_unique<detail::LayerNode>(
                detail::LayerNode::Placement::overlay, alignment, std::move(child), detail::resolveSingle(content, environment, context));
        });
}

View View::containerBackground(const ShapeStyle& style, ContainerBackgroundPlacement) const
{
    return modified(*this,
        [style](std::unique_ptr<LayoutNode> child, const EnvironmentValues& environment, ResolveContext&) -> std::unique_ptr<LayoutNode> {
            return std::make_unique<detail::ContainerBackgroundNode>(environment.resolve(style), std::move(child));
        });
}

View View::opacity(double opacity) const
{
    return modified(
        *this, [opacity](std::unique_ptr<LayoutNode> child, const EnvironmentValues&, ResolveContext&) -> std::unique_ptr<LayoutNode> {
            return std::make_unique<detail::OpacityNode>(std::isnan(opacity) ? 1.0 : opacity, std::move(child));
        });
}

View View::hidden() const
{
    return modified(*this, [](std::unique_ptr<LayoutNode> child, const EnvironmentValues&, ResolveContext&) -> std::unique_ptr<LayoutNode> {
        return std::make_unique<detail::HiddenNode>(std::move(child));
    });
}

View View::clipped() const
{
    return modified(*this, [](std::unique_ptr<LayoutNode> child, const EnvironmentValues&, ResolveContext&) -> std::unique_ptr<LayoutNode> {
        return std::make_unique<detail::ClipNode>(std::move(child));
    });
}

View View::foregroundStyle(const ShapeStyle& style) const
{
    return withEnvironment(
        *this, [style](EnvironmentValues& environment) { environment.foregroundStyle = style.relativeTo(environment.foregroundStyle); });
}

View View::tint(const Color& color) const
{
    return withEnvironment(*this, [color](EnvironmentValues& environment) { environment.tint = color; });
}

View View::font(const Font& font) const
{
    return withEnvironment(*this, [font](EnvironmentValues& environment) { environment.font = font; });
}

View View::bold(bool isActive) const
{
    return fontWeight(isActive ? std::optional(Font::Weight::bold) : std::nullopt);
}

View View::fontWeight(std::optional<Font::Weight> weight) const
{
    return withEnvironment(*this, [weight](EnvironmentValues& environment) { environment.fontWeight = weight; });
}

View View::monospacedDigit() const
{
    return withEnvironment(*this, [](EnvironmentValues& environment) { environment.monospacedDigit = true; });
}

View View::textCase(std::optional<TextCase> textCase) const
{
    return withEnvironment(*this, [textCase](EnvironmentValues& environment) { environment.textCase = textCase; });
}

View View::lineLimit(std::optional<int> limit) const
{
    return withEnvironment(*this, [limit](EnvironmentValues& environment) { environment.lineLimit = limit; });
}

View View::truncationMode(TruncationMode mode) const
{
    return withEnvironment(*this, [mode](EnvironmentValues& environment) { environment.truncationMode = mode; });
}

View View::multilineTextAlignment(TextAlignment alignment) const
{
    return withEnvironment(*this, [alignment](EnvironmentValues& environment) { environment.multilineTextAlignment = alignment; });
}

View View::allowsTightening(bool flag) const
{
    return withEnvironment(*this, [flag](EnvironmentValues& environment) { environment.allowsTightening = flag; });
}

View View::minimumScaleFactor(double factor) const
{
    return withEnvironment(*this, [factor](EnvironmentValues& environment) { environment.minimumScaleFactor = factor; });
}

View View::progressViewStyle(ProgressViewStyle style) const
{
    return withEnvironment(*this, [style](EnvironmentValues& environment) { environment.progressViewStyle = style; });
}

View View::transformEnvironment(std::function<void(EnvironmentValues&)> transform) const
{
    return withEnvironment(*this, std::move(transform));
}

View View::accessibilityHidden(bool hidden) const
{
    if (!hidden)
        return *this;
    return modified(*this, [](std::unique_ptr<LayoutNode> child, const EnvironmentValues&, ResolveContext&) -> std::unique_ptr<LayoutNode> {
        return std::make_unique<detail::AccessibilityHiddenNode>(std::move(child));
    });
}

View View::accessibilityLabel(std::string label) const
{
    return modified(
        *this, [label](std::unique_ptr<LayoutNode> child, const EnvironmentValues&, ResolveContext&) -> std::unique_ptr<LayoutNode> {
            return std::make_unique<detail::AccessibilityLabelNode>(label, std::move(child));
        });
}

View View::accessibilityIdentifier(std::string identifier) const
{
    return modified(
        *this, [identifier](std::unique_ptr<LayoutNode> child, const EnvironmentValues&, ResolveContext&) -> std::unique_ptr<LayoutNode> {
            return std::make_unique<detail::IdentifierNode>(identifier, std::move(child));
        });
}

}

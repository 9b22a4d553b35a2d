#pragma once

#include "Platform/Runtime/Date.hpp"
#include "Platform/UI/Alignment.hpp"
#include "Platform/UI/EnvironmentValues.hpp"
#include "Platform/UI/Geometry.hpp"

#include <concepts>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace tvk::ui {

class ViewNode;
class View;

/// A view of one's own: a value with a `body` that builds its tree, optionally from the
/// environment (the widget family, the colour scheme...). Such a value converts to `View`.
template <class T>
concept CustomView = requires(const T& view, const EnvironmentValues& environment)
{
    {
        view.body(environment)
        } -> std::convertible_to<View>;
}
|| requires(const T& view)
{
    {
        view.body()
        } -> std::convertible_to<View>;
};

enum class ContentMode { fit, fill };

enum class ContainerBackgroundPlacement { widget };

/// The bounds of a flexible frame; absent bounds do not constrain. Use `infinity` for a view
/// that takes all the space offered.
struct FlexibleFrame {
    std::optional<double> minWidth;
    std::optional<double> idealWidth;
    std::optional<double> maxWidth;
    std::optional<double> minHeight;
    std::optional<double> idealHeight;
    std::optional<double> maxHeight;
    Alignment alignment = Alignment::center;
};

/// A view: an immutable value describing part of the interface, cheap to copy and share.
/// Views are built by functions (`VStack`, `Text`, `Image`...) and changed by modifiers that
/// return new views, in the spelling of the declarative toolkits the widgets were designed
/// with: `Text(title).bold().lineLimit(2).padding(Edge::leading, 12)`.
///
/// Layout follows the proposal protocol: a parent proposes a size, the child chooses its own
/// size, the parent places it. See `ViewLayout` for laying a tree out and `Renderer` for
/// drawing it.
class View {
public:
    /// The empty view: takes no space and is left out of stacks, with no spacing around it.
    View();
    explicit View(std::shared_ptr<const ViewNode> node);

    template <CustomView T>
    View(const T& custom)
        : View(makeCustom([custom](const EnvironmentValues& environment) -> View {
            if constexpr (requires { custom.body(environment); })
                return custom.body(environment);
            else
                return custom.body();
        }))
    {
    }

    const std::shared_ptr<const ViewNode>& node() const { return m_node; }
    bool isEmpty() const;

    // Layout.
    View padding(double length = 16) const;
    View padding(Edge::Set edges, std::optional<double> length = std::nullopt) const;
    View padding(EdgeInsets insets) const;
    /// A fixed frame: absent dimensions take the child's size on that axis.
    View frame(std::optional<double> width = std::nullopt, std::optional<double> height = std::nullopt,
        Alignment alignment = Alignment::center) const;
    View frame(const FlexibleFrame& frame) const;
    /// The view's ideal size on both axes, whatever is offered.
    View fixedSize() const;
    /// The view's ideal size on the given axes.
    View fixedSize(Axis::Set axes) const;
    View layoutPriority(double priority) const;
    /// Keeps the aspect ratio (`ratio` = width / height; absent: the view's ideal one).
    View aspectRatio(std::optional<double> ratio, ContentMode mode) const;
    View aspectRatio(ContentMode mode) const { return aspectRatio(std::nullopt, mode); }
    View scaledToFit() const { return aspectRatio(ContentMode::fit); }
    View scaledToFill() const { return aspectRatio(ContentMode::fill); }
    View offset(double x, double y) const;

    // Layers.
    View background(const View& content, Alignment alignment = Alignment::center) const;
    View background(const ShapeStyle& style) const;
    View overlay(const View& content, Alignment alignment = Alignment::center) const;
    /// The background of the container the view is shown in (the whole widget, margins
    /// included). It is not drawn with the view: the host reads it from the layout
    /// (`ViewLayout::containerBackground`) and fills the container with it.
    View containerBackground(const ShapeStyle& style, ContainerBackgroundPlacement placement) const;

    // Drawing.
    View opacity(double opacity) const;
    View hidden() const;
    View clipped() const;

    // Environment.
    View foregroundStyle(const ShapeStyle& style) const;
    View foregroundColor(const Color& color) const { return foregroundStyle(color); }
    View tint(const Color& color) const;
    View font(const Font& font) const;
    View bold(bool isActive = true) const;
    View fontWeight(std::optional<Font::Weight> weight) const;
    View monospacedDigit() const;
    View textCase(std::optional<TextCase> textCase) const;
    View lineLimit(std::optional<int> limit) const;
    View truncationMode(TruncationMode mode) const;
    View multilineTextAlignment(TextAlignment alignment) const;
    View allowsTightening(bool flag) const;
    View minimumScaleFactor(double factor) const;
    View progressViewStyle(ProgressViewStyle style) const;
    View transformEnvironment(std::function<void(EnvironmentValues&)> transform) const;
    template <class T, class U> View environment(T EnvironmentValues::*key, U value) const
    {
        return transformEnvironment([key, stored = T(std::move(value))](EnvironmentValues& environment) { environment.*key = stored; });
    }

    // Accessibility.
    View accessibilityHidden(bool hidden) const;
    /// Replaces what assistive technology reads for this view and its descendants.
    View accessibilityLabel(std::string label) const;
    /// Names the view so that its frame can be found after layout (`ViewLayout::frame`).
    View accessibilityIdentifier(std::string identifier) const;

private:
    static std::shared_ptr<const ViewNode> makeCustom(std::function<View(const EnvironmentValues&)> body);

    std::shared_ptr<const ViewNode> m_node;
};

/// The empty view, for the branch of a condition that shows nothing:
/// `isInline ? View(CameraButton { ... }) : EmptyView()`.
inline View EmptyView()
{
    return View();
}

/// Reads the environment while building a tree, for views written as plain functions.
View EnvironmentReader(std::function<View(const EnvironmentValues&)> body);

/// Reads the moment the tree is laid out for (`LayoutOptions::renderDate`) while building it,
/// for views whose content depends on when they are shown: a countdown, the word "today". A
/// host lays a tree out again at every moment it shows it, so such a body is always current.
View RenderDateReader(std::function<View(const EnvironmentValues&, Date)> body);

}

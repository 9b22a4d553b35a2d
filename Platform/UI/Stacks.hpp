#pragma once

#include "Platform/UI/View.hpp"

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace tvk::ui {

/// Children one under the other, aligned horizontally. Spacing absent: the default (8, none
/// next to a spacer). Empty views are left out, groups and `ForEach` contribute each member.
View VStack(HorizontalAlignment alignment, std::optional<double> spacing, std::vector<View> children);
inline View VStack(HorizontalAlignment alignment, std::vector<View> children)
{
    return VStack(alignment, std::nullopt, std::move(children));
}
inline View VStack(std::vector<View> children)
{
    return VStack(HorizontalAlignment::center, std::nullopt, std::move(children));
}

/// Children side by side (leading to trailing), aligned vertically.
View HStack(VerticalAlignment alignment, std::optional<double> spacing, std::vector<View> children);
inline View HStack(VerticalAlignment alignment, std::vector<View> children)
{
    return HStack(alignment, std::nullopt, std::move(children));
}
inline View HStack(std::vector<View> children)
{
    return HStack(VerticalAlignment::center, std::nullopt, std::move(children));
}

/// Children on top of each other, later ones in front.
View ZStack(Alignment alignment, std::vector<View> children);
inline View ZStack(std::vector<View> children)
{
    return ZStack(Alignment::center, std::move(children));
}

/// Flexible empty space along its stack's axis (on both axes outside a stack), at least
/// `minLength` long (absent: 8).
View Spacer(std::optional<double> minLength = std::nullopt);

/// Several views that the enclosing container lays out as its own children; a modifier on a
/// group applies to each member.
View Group(std::vector<View> children);

namespace detail {
void reportDuplicateIdentifiers(const std::vector<std::string>& identifiers);
}

/// One view per element of `items`, in order, each identified by `id(element)`. Identifiers
/// must be unique within the list (a duplicate is reported, and both views are kept).
template <class Collection, class Identify, class Build> View ForEach(const Collection& items, Identify id, Build build)
{
    std::vector<View> views;
    std::vector<std::string> identifiers;
    for (const auto& item : items) {
        identifiers.push_back(std::string(id(item)));
        views.push_back(View(build(item)));
    }
    detail::reportDuplicateIdentifiers(identifiers);
    return Group(std::move(views));
}

/// The first candidate whose ideal size along `axes` fits the space offered, else the last.
View ViewThatFits(Axis::Set axes, std::vector<View> candidates);
inline View ViewThatFits(std::vector<View> candidates)
{
    return ViewThatFits(Axis::horizontal | Axis::vertical, std::move(candidates));
}

/// Stack layouts as values, so one content can switch between them:
/// `AnyLayout layout = isHorizontal ? AnyLayout(HStackLayout { ... }) : AnyLayout(VStackLayout { ... });`
/// then `layout({ a, b })`.
struct HStackLayout {
    VerticalAlignment alignment = VerticalAlignment::center;
    std::optional<double> spacing;
    View operator()(std::vector<View> children) const { return HStack(alignment, spacing, std::move(children)); }
};

struct VStackLayout {
    HorizontalAlignment alignment = HorizontalAlignment::center;
    std::optional<double> spacing;
    View operator()(std::vector<View> children) const { return VStack(alignment, spacing, std::move(children)); }
};

struct ZStackLayout {
    Alignment alignment = Alignment::center;
    View operator()(std::vector<View> children) const { return ZStack(alignment, std::move(children)); }
};

class AnyLayout {
public:
    AnyLayout(HStackLayout layout)
        : m_layout(layout)
    {
    }
    AnyLayout(VStackLayout layout)
        : m_layout(layout)
    {
    }
    AnyLayout(ZStackLayout layout)
        : m_layout(layout)
    {
    }
    View operator()(std::vector<View> children) const
    {
        return std::visit([&](const auto& layout) { return layout(std::move(children)); }, m_layout);
    }

private:
    std::variant<HStackLayout, VStackLayout, ZStackLayout> m_layout;
};

}

#include "Platform/UI/Stacks.hpp"

#include "Platform/Runtime/PlatformLog.hpp"
#include "Platform/UI/Layout/StackLayout.hpp"
#include "Platform/UI/Layout/ViewNode.hpp"

#include <set>

namespace tvk::ui {

using detail::ContainerViewNode;
using detail::LayoutNodes;
using detail::ResolveContext;

View VStack(HorizontalAlignment alignment, std::optional<double> spacing, std::vector<View> children)
{
    return View(std::make_shared<ContainerViewNode>(std::move(children), [=](LayoutNodes nodes, const EnvironmentValues&, ResolveContext&) {
        return std::make_unique<detail::StackNode>(false, alignment, VerticalAlignment::center, spacing, std::move(nodes));
    }));
}

View HStack(VerticalAlignment alignment, std::optional<double> spacing, std::vector<View> children)
{
    return View(std::make_shared<ContainerViewNode>(std::move(children), [=](LayoutNodes nodes, const EnvironmentValues&, ResolveContext&) {
        return std::make_unique<detail::StackNode>(true, HorizontalAlignment::center, alignment, spacing, std::move(nodes));
    }));
}

View ZStack(Alignment alignment, std::vector<View> children)
{
    return View(std::make_shared<ContainerViewNode>(std::move(children), [=](LayoutNodes nodes, const EnvironmentValues&, ResolveContext&) {
        return std::make_unique<detail::ZStackNode>(alignment, std::move(nodes));
    }));
}

View Spacer(std::optional<double> minLength)
{
    return View(std::make_shared<detail::LeafViewNode>(
        [minLength](const EnvironmentValues&, ResolveContext&) { return std::make_unique<detail::SpacerNode>(minLength); }));
}

View Group(std::vector<View> children)
{
    return View(std::make_shared<detail::GroupViewNode>(std::move(children)));
}

void detail::reportDuplicateIdentifiers(const std::vector<std::string>& identifiers)
{
    std::set<std::string_view> seen;
    for (const auto& identifier : identifiers) {
        if (!seen.insert(identifier).second)
            PlatformLog::warning("UI", "ForEach: the identifier \"" + identifier + "\" occurs more than once");
    }
}

View ViewThatFits(Axis::Set axes, std::vector<View> candidates)
{
    return View(
        std::make_shared<ContainerViewNode>(std::move(candidates), [axes](LayoutNodes nodes, const EnvironmentValues&, ResolveContext&) {
            return std::make_unique<detail::ViewThatFitsNode>(axes, std::move(nodes));
        }));
}

}

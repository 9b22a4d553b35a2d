#include "Platform/UI/Layout/ViewNode.hpp"

#include "Platform/UI/Layout/StackLayout.hpp"

namespace tvk::ui::detail {

void resolveView(const View& view, const EnvironmentValues& environment, ResolveContext& context, LayoutNodes& output)
{
    if (view.node())
        view.node()->resolve(environment, context, output);
}

std::unique_ptr<LayoutNode> resolveSingle(const View& view, const EnvironmentValues& environment, ResolveContext& context)
{
    LayoutNodes nodes;
    resolveView(view, environment, context, nodes);
    if (nodes.size() == 1)
        return std::move(nodes.front());
    if (nodes.empty())
        return std::make_unique<EmptyNode>();
    return std::make_unique<ZStackNode>(Alignment::center, std::move(nodes));
}

LayoutNodes resolveChildren(const std::vector<View>& views, const EnvironmentValues& environment, ResolveContext& context)
{
    LayoutNodes nodes;
    for (const auto& view : views)
        resolveView(view, environment, context, nodes);
    return nodes;
}

void LeafViewNode::resolve(const EnvironmentValues& environment, ResolveContext& context, LayoutNodes& output) const
{
    if (auto node = m_make(environment, context))
        output.push_back(std::move(node));
}

void ModifierViewNode::resolve(const EnvironmentValues& environment, ResolveContext& context, LayoutNodes& output) const
{
    LayoutNodes content;
    resolveView(m_content, environment, context, content);
    for (auto& node : content) {
        // Layout priority is the view's, whatever modifiers wrap it.
        double priority = node->layoutPriority();
        auto wrapped = m_wrap(std::move(node), environment, context);
        if (wrapped->layoutPriority() == 0)
            wrapped->setLayoutPriority(priority);
        output.push_back(std::move(wrapped));
    }
}

void EnvironmentViewNode::resolve(const EnvironmentValues& environment, ResolveContext& context, LayoutNodes& output) const
{
    EnvironmentValues changed = environment;
    m_transform(changed);
    resolveView(m_content, changed, context, output);
}

void ContainerViewNode::resolve(const EnvironmentValues& environment, ResolveContext& context, LayoutNodes& output) const
{
    output.push_back(m_make(resolveChildren(m_children, environment, context), environment, context));
}

void GroupViewNode::resolve(const EnvironmentValues& environment, ResolveContext& context, LayoutNodes& output) const
{
    for (const auto& child : m_children)
        resolveView(child, environment, context, output);
}

void CustomViewNode::resolve(const EnvironmentValues& environment, ResolveContext& context, LayoutNodes& output) const
{
    resolveView(m_body(environment), environment, context, output);
}

void RenderDateReaderNode::resolve(const EnvironmentValues& environment, ResolveContext& context, LayoutNodes& output) const
{
    resolveView(m_body(environment, context.renderDate), environment, context, output);
}

View modified(const View& content, ModifierViewNode::Wrap wrap)
{
    if (content.isEmpty())
        return content;
    return View(std::make_shared<ModifierViewNode>(content, std::move(wrap)));
}

View withEnvironment(const View& content, std::function<void(EnvironmentValues&)> transform)
{
    if (content.isEmpty())
        return content;
    return View(std::make_shared<EnvironmentViewNode>(content, std::move(transform)));
}

}

#include "Platform/UI/Layout/EffectLayout.hpp"

#include <cairo.h>

namespace tvk::ui::detail {

OpacityNode::OpacityNode(double opacity, std::unique_ptr<LayoutNode> child)
    : PassThroughNode(std::move(child))
    , m_opacity(opacity < 0 ? 0
              : opacity > 1 ? 1
                            : opacity)
{
}

void OpacityNode::draw(DrawContext& context) const
{
    if (m_opacity <= 0)
        return;
    if (m_opacity >= 1) {
        child().draw(context);
        return;
    }
    cairo_push_group(context.cairo);
    child().draw(context);
    cairo_pop_group_to_source(context.cairo);
    cairo_paint_with_alpha(context.cairo, m_opacity);
}

void ClipNode::draw(DrawContext& context) const
{
    cairo_save(context.cairo);
    cairo_rectangle(context.cairo, m_frame.minX(), m_frame.minY(), m_frame.size.width, m_frame.size.height);
    cairo_clip(context.cairo);
    child().draw(context);
    cairo_restore(context.cairo);
}

AccessibilityLabelNode::AccessibilityLabelNode(std::string label, std::unique_ptr<LayoutNode> child)
    : PassThroughNode(std::move(child))
    , m_label(std::move(label))
{
}

void AccessibilityLabelNode::collectAccessibility(std::vector<AccessibilityElement>& elements) const
{
    std::vector<AccessibilityElement> inner;
    child().collectAccessibility(inner);
    // A single element keeps its role (a link stays a link); several become one group.
    if (inner.size() == 1) {
        inner.front().label = m_label;
        inner.front().children.clear();
        elements.push_back(std::move(inner.front()));
        return;
    }
    AccessibilityElement element;
    element.role = AccessibilityElement::Role::group;
    element.label = m_label;
    element.frame = m_frame;
    elements.push_back(std::move(element));
}

IdentifierNode::IdentifierNode(std::string identifier, std::unique_ptr<LayoutNode> child)
    : PassThroughNode(std::move(child))
    , m_identifier(std::move(identifier))
{
}

const LayoutNode* IdentifierNode::find(std::string_view identifier) const
{
    if (identifier == m_identifier)
        return this;
    return PassThroughNode::find(identifier);
}

LinkNode::LinkNode(std::string url, std::unique_ptr<LayoutNode> label)
    : PassThroughNode(std::move(label))
    , m_url(std::move(url))
{
}

void LinkNode::collectLinks(std::vector<LinkRegion>& links) const
{
    child().collectLinks(links);
    links.push_back({ m_frame, m_url });
}

void LinkNode::collectAccessibility(std::vector<AccessibilityElement>& elements) const
{
    AccessibilityElement element;
    element.role = AccessibilityElement::Role::link;
    element.url = m_url;
    element.frame = m_frame;
    child().collectAccessibility(element.children);
    element.label = combinedLabel(element.children);
    elements.push_back(std::move(element));
}

std::string combinedLabel(const std::vector<AccessibilityElement>& elements)
{
    std::string label;
    for (auto& element : elements) {
        std::string part = element.children.empty() ? element.label : combinedLabel(element.children);
        if (part.empty())
            continue;
        if (!label.empty())
            label += ", ";
        label += part;
    }
    return label;
}

}

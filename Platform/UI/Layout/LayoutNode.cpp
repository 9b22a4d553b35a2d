#include "Platform/UI/Layout/LayoutNode.hpp"

#include <cairo.h>

#include <algorithm>
#include <cmath>

namespace tvk::ui::detail {

namespace {

std::optional<double> sanitized(std::optional<double> length)
{
    if (!length || std::isnan(*length))
        return std::nullopt;
    return *length < 0 ? 0.0 : *length;
}

/// A size a node reports, where infinity stays (a view may take all that is offered).
double sanitizedLength(double length)
{
    return std::isnan(length) || length < 0 ? 0.0 : length;
}

}

double horizontalGuide(HorizontalAlignment alignment, const Dimensions& dimensions)
{
    switch (alignment) {
    case HorizontalAlignment::leading: return 0;
    case HorizontalAlignment::center: return dimensions.size.width / 2;
    case HorizontalAlignment::trailing: return dimensions.size.width;
    }
    return 0;
}

double verticalGuide(VerticalAlignment alignment, const Dimensions& dimensions)
{
    switch (alignment) {
    case VerticalAlignment::top: return 0;
    case VerticalAlignment::center: return dimensions.size.height / 2;
    case VerticalAlignment::bottom: return dimensions.size.height;
    case VerticalAlignment::firstTextBaseline: return dimensions.first();
    case VerticalAlignment::lastTextBaseline: return dimensions.last();
    }
    return 0;
}

Dimensions Dimensions::shifted(Size newSize, double offset) const
{
    Dimensions result { newSize, std::nullopt, std::nullopt };
    if (firstBaseline)
        result.firstBaseline = *firstBaseline + offset;
    if (lastBaseline)
        result.lastBaseline = *lastBaseline + offset;
    return result;
}

void BaselineMerger::add(const Dimensions& child, double y)
{
    if (child.firstBaseline) {
        double value = y + *child.firstBaseline;
        first = first ? std::min(*first, value) : value;
    }
    if (child.lastBaseline) {
        double value = y + *child.lastBaseline;
        last = last ? std::max(*last, value) : value;
    }
}

const TextMeasurement& LayoutContext::measure(const TextMeasureRequest& request, const std::string& contentIdentity)
{
    std::string key = measurementKey(request, contentIdentity);
    auto found = m_memo.find(key);
    if (found != m_memo.end())
        return found->second;
    return m_memo.emplace(std::move(key), m_measurer.measure(request)).first->second;
}

Dimensions LayoutNode::sizeThatFits(ProposedViewSize proposal, LayoutContext& context)
{
    proposal.width = sanitized(proposal.width);
    proposal.height = sanitized(proposal.height);
    for (unsigned index = 0; index < m_cacheCount; ++index) {
        if (m_cache[index].proposal == proposal)
            return m_cache[index].dimensions;
    }
    Dimensions dimensions = computeSize(proposal, context);
    dimensions.size.width = sanitizedLength(dimensions.size.width);
    dimensions.size.height = sanitizedLength(dimensions.size.height);
    if (dimensions.firstBaseline && !std::isfinite(*dimensions.firstBaseline))
        dimensions.firstBaseline.reset();
    if (dimensions.lastBaseline && !std::isfinite(*dimensions.lastBaseline))
        dimensions.lastBaseline.reset();
    m_cache[m_cacheNext] = { proposal, dimensions };
    m_cacheNext = (m_cacheNext + 1) % m_cache.size();
    if (m_cacheCount < m_cache.size())
        ++m_cacheCount;
    return dimensions;
}

void LayoutNode::place(Point origin, ProposedViewSize proposal, LayoutContext& context)
{
    proposal.width = sanitized(proposal.width);
    proposal.height = sanitized(proposal.height);
    Size size = sizeThatFits(proposal, context).size;
    // A view that asks for infinite room where it is finally placed (a flexible view under
    // an unlimited proposal) gets none rather than an unusable frame.
    if (!std::isfinite(size.width))
        size.width = 0;
    if (!std::isfinite(size.height))
        size.height = 0;
    m_frame = { origin, size };
    m_placed = true;
    placeChildren(proposal, context);
}

void LayoutNode::mirror(double axisSum)
{
    m_frame.origin.x = axisSum - m_frame.maxX();
    for (auto& child : m_children)
        child->mirror(axisSum);
}

void LayoutNode::drawChildren(DrawContext& context) const
{
    for (auto& child : m_children) {
        if (child->isPlaced())
            child->draw(context);
    }
}

void LayoutNode::draw(DrawContext& context) const
{
    drawChildren(context);
}

void LayoutNode::collectLinks(std::vector<LinkRegion>& links) const
{
    for (auto& child : m_children) {
        if (child->isPlaced())
            child->collectLinks(links);
    }
}

void LayoutNode::collectAccessibility(std::vector<AccessibilityElement>& elements) const
{
    for (auto& child : m_children) {
        if (child->isPlaced())
            child->collectAccessibility(elements);
    }
}

const LayoutNode* LayoutNode::find(std::string_view identifier) const
{
    for (auto& child : m_children) {
        if (!child->isPlaced())
            continue;
        if (auto found = child->find(identifier))
            return found;
    }
    return nullptr;
}

std::optional<ResolvedColor> LayoutNode::containerBackground() const
{
    for (auto& child : m_children) {
        if (!child->isPlaced())
            continue;
        if (auto color = child->containerBackground())
            return color;
    }
    return std::nullopt;
}

PassThroughNode::PassThroughNode(std::unique_ptr<LayoutNode> child)
{
    m_children.push_back(std::move(child));
}

Dimensions PassThroughNode::computeSize(ProposedViewSize proposal, LayoutContext& context)
{
    return child().sizeThatFits(proposal, context);
}

void PassThroughNode::placeChildren(ProposedViewSize proposal, LayoutContext& context)
{
    child().place(m_frame.origin, proposal, context);
}

}

#include "Platform/UI/Layout/FrameLayout.hpp"

#include <algorithm>
#include <cmath>

namespace tvk::ui::detail {

namespace {

std::optional<double> shrink(std::optional<double> length, double by)
{
    if (!length)
        return std::nullopt;
    return std::max(0.0, *length - by);
}

std::optional<double> clampProposal(std::optional<double> length, std::optional<double> minimum, std::optional<double> maximum)
{
    if (!length)
        return std::nullopt;
    double value = *length;
    if (minimum && value < *minimum)
        value = *minimum;
    if (maximum && value > *maximum)
        value = *maximum;
    return value;
}

double flexibleLength(double child, std::optional<double> proposed, std::optional<double> minimum, std::optional<double> maximum)
{
    if (!minimum && !maximum)
        return child;
    double offered = proposed.value_or(child);
    double result = child;
    if (minimum)
        result = std::max(*minimum, std::min(result, offered));
    if (maximum)
        result = std::min(*maximum, std::max(result, offered));
    return result;
}

}

PaddingNode::PaddingNode(EdgeInsets insets, std::unique_ptr<LayoutNode> child)
    : m_insets(insets)
{
    m_children.push_back(std::move(child));
}

ProposedViewSize PaddingNode::inset(ProposedViewSize proposal) const
{
    return { shrink(proposal.width, m_insets.leading + m_insets.trailing), shrink(proposal.height, m_insets.top + m_insets.bottom) };
}

Dimensions PaddingNode::computeSize(ProposedViewSize proposal, LayoutContext& context)
{
    auto child = m_children.front()->sizeThatFits(inset(proposal), context);
    Size size { child.size.width + m_insets.leading + m_insets.trailing, child.size.height + m_insets.top + m_insets.bottom };
    return child.shifted(size, m_insets.top);
}

void PaddingNode::placeChildren(ProposedViewSize proposal, LayoutContext& context)
{
    m_children.front()->place({ m_frame.minX() + m_insets.leading, m_frame.minY() + m_insets.top }, inset(proposal), context);
}

Point alignedOffset(Alignment alignment, Size frame, const Dimensions& child)
{
    Dimensions frameDimensions = Dimensions::of(frame);
    // A frame's baselines are its child's, so aligning on them inside the frame means
    // aligning the child's baseline with the frame's centre line of text: use the child's
    // guide against the frame's plain edges.
    double x = horizontalGuide(alignment.horizontal, frameDimensions) - horizontalGuide(alignment.horizontal, child);
    double y;
    switch (alignment.vertical) {
    case VerticalAlignment::firstTextBaseline:
    case VerticalAlignment::lastTextBaseline: y = (frame.height - child.size.height) / 2; break;
    default: y = verticalGuide(alignment.vertical, frameDimensions) - verticalGuide(alignment.vertical, child); break;
    }
    return { x, y };
}

FixedFrameNode::FixedFrameNode(
    std::optional<double> width, std::optional<double> height, Alignment alignment, std::unique_ptr<LayoutNode> child)
    : m_width(width)
    , m_height(height)
    , m_alignment(alignment)
{
    m_children.push_back(std::move(child));
}

ProposedViewSize FixedFrameNode::childProposal(ProposedViewSize proposal) const
{
    return { m_width ? m_width : proposal.width, m_height ? m_height : proposal.height };
}

Dimensions FixedFrameNode::computeSize(ProposedViewSize proposal, LayoutContext& context)
{
    auto child = m_children.front()->sizeThatFits(childProposal(proposal), context);
    Size size { m_width.value_or(child.size.width), m_height.value_or(child.size.height) };
    return child.shifted(size, alignedOffset(m_alignment, size, child).y);
}

void FixedFrameNode::placeChildren(ProposedViewSize proposal, LayoutContext& context)
{
    auto childProposed = childProposal(proposal);
    auto child = m_children.front()->sizeThatFits(childProposed, context);
    auto offset = alignedOffset(m_alignment, m_frame.size, child);
    m_children.front()->place({ m_frame.minX() + offset.x, m_frame.minY() + offset.y }, childProposed, context);
}

FlexibleFrameNode::FlexibleFrameNode(FlexibleFrame frame, std::unique_ptr<LayoutNode> child)
    : m_frameBounds(frame)
{
    m_children.push_back(std::move(child));
}

ProposedViewSize FlexibleFrameNode::childProposal(ProposedViewSize proposal) const
{
    auto width = proposal.width ? proposal.width : m_frameBounds.idealWidth;
    auto height = proposal.height ? proposal.height : m_frameBounds.idealHeight;
    return { clampProposal(width, m_frameBounds.minWidth, m_frameBounds.maxWidth),
        clampProposal(height, m_frameBounds.minHeight, m_frameBounds.maxHeight) };
}

Dimensions FlexibleFrameNode::computeSize(ProposedViewSize proposal, LayoutContext& context)
{
    auto childProposed = childProposal(proposal);
    auto child = m_children.front()->sizeThatFits(childProposed, context);
    Size size { flexibleLength(child.size.width, childProposed.width, m_frameBounds.minWidth, m_frameBounds.maxWidth),
        flexibleLength(child.size.height, childProposed.height, m_frameBounds.minHeight, m_frameBounds.maxHeight) };
    // With only an ideal length, the frame reports it when asked for its ideal size.
    if (!proposal.width && !m_frameBounds.minWidth && !m_frameBounds.maxWidth && m_frameBounds.idealWidth)
        size.width = *m_frameBounds.idealWidth;
    if (!proposal.height && !m_frameBounds.minHeight && !m_frameBounds.maxHeight && m_frameBounds.idealHeight)
        size.height = *m_frameBounds.idealHeight;
    return child.shifted(size, alignedOffset(m_frameBounds.alignment, size, child).y);
}

void FlexibleFrameNode::placeChildren(ProposedViewSize proposal, LayoutContext& context)
{
    auto childProposed = childProposal(proposal);
    auto child = m_children.front()->sizeThatFits(childProposed, context);
    auto offset = alignedOffset(m_frameBounds.alignment, m_frame.size, child);
    m_children.front()->place({ m_frame.minX() + offset.x, m_frame.minY() + offset.y }, childProposed, context);
}

FixedSizeNode::FixedSizeNode(bool horizontal, bool vertical, std::unique_ptr<LayoutNode> child)
    : m_horizontal(horizontal)
    , m_vertical(vertical)
{
    m_children.push_back(std::move(child));
}

ProposedViewSize FixedSizeNode::childProposal(ProposedViewSize proposal) const
{
    return { m_horizontal ? std::nullopt : proposal.width, m_vertical ? std::nullopt : proposal.height };
}

Dimensions FixedSizeNode::computeSize(ProposedViewSize proposal, LayoutContext& context)
{
    return m_children.front()->sizeThatFits(childProposal(proposal), context);
}

void FixedSizeNode::placeChildren(ProposedViewSize proposal, LayoutContext& context)
{
    auto ideal = childProposal(proposal);
    if (m_horizontal)
        ideal.width = m_frame.size.width;
    if (m_vertical)
        ideal.height = m_frame.size.height;
    m_children.front()->place(m_frame.origin, ideal, context);
}

AspectRatioNode::AspectRatioNode(std::optional<double> ratio, ContentMode mode, std::unique_ptr<LayoutNode> child)
    : m_ratio(ratio)
    , m_mode(mode)
{
    m_children.push_back(std::move(child));
}

ProposedViewSize AspectRatioNode::childProposal(ProposedViewSize proposal, LayoutContext& context)
{
    double ratio;
    if (m_ratio && *m_ratio > 0 && std::isfinite(*m_ratio)) {
        ratio = *m_ratio;
    } else {
        Size ideal = m_children.front()->sizeThatFits({}, context).size;
        if (ideal.width <= 0 || ideal.height <= 0 || !std::isfinite(ideal.width) || !std::isfinite(ideal.height))
            return proposal;
        ratio = ideal.width / ideal.height;
    }
    if (!proposal.width && !proposal.height)
        return {};
    if (!proposal.width)
        return { *proposal.height * ratio, *proposal.height };
    if (!proposal.height)
        return { *proposal.width, *proposal.width / ratio };
    double width = *proposal.width;
    double height = *proposal.height;
    bool widthLimits = width / ratio <= height;
    if (std::isinf(width) && std::isinf(height))
        return { width, height };
    if ((m_mode == ContentMode::fit) == widthLimits)
        return { width, width / ratio };
    return { height * ratio, height };
}

Dimensions AspectRatioNode::computeSize(ProposedViewSize proposal, LayoutContext& context)
{
    return m_children.front()->sizeThatFits(childProposal(proposal, context), context);
}

void AspectRatioNode::placeChildren(ProposedViewSize proposal, LayoutContext& context)
{
    m_children.front()->place(m_frame.origin, childProposal(proposal, context), context);
}

OffsetNode::OffsetNode(Point offset, std::unique_ptr<LayoutNode> child)
    : m_offset(offset)
{
    m_children.push_back(std::move(child));
}

Dimensions OffsetNode::computeSize(ProposedViewSize proposal, LayoutContext& context)
{
    return m_children.front()->sizeThatFits(proposal, context);
}

void OffsetNode::placeChildren(ProposedViewSize proposal, LayoutContext& context)
{
    m_children.front()->place({ m_frame.minX() + m_offset.x, m_frame.minY() + m_offset.y }, proposal, context);
}

LayerNode::LayerNode(Placement placement, Alignment alignment, std::unique_ptr<LayoutNode> base, std::unique_ptr<LayoutNode> layer)
    : m_placement(placement)
    , m_alignment(alignment)
{
    m_children.push_back(std::move(base));
    m_children.push_back(std::move(layer));
}

Dimensions LayerNode::computeSize(ProposedViewSize proposal, LayoutContext& context)
{
    return m_children[0]->sizeThatFits(proposal, context);
}

void LayerNode::placeChildren(ProposedViewSize proposal, LayoutContext& context)
{
    m_children[0]->place(m_frame.origin, proposal, context);
    auto layerProposal = ProposedViewSize::from(m_frame.size);
    auto layer = m_children[1]->sizeThatFits(layerProposal, context);
    auto offset = alignedOffset(m_alignment, m_frame.size, layer);
    m_children[1]->place({ m_frame.minX() + offset.x, m_frame.minY() + offset.y }, layerProposal, context);
}

void LayerNode::draw(DrawContext& context) const
{
    if (m_placement == Placement::background) {
        m_children[1]->draw(context);
        m_children[0]->draw(context);
    } else {
        m_children[0]->draw(context);
        m_children[1]->draw(context);
    }
}

void LayerNode::collectLinks(std::vector<LinkRegion>& links) const
{
    // The layer in front is hit first.
    if (m_placement == Placement::overlay) {
        m_children[1]->collectLinks(links);
        m_children[0]->collectLinks(links);
    } else {
        m_children[0]->collectLinks(links);
        m_children[1]->collectLinks(links);
    }
}

}

#include "Platform/UI/Layout/StackLayout.hpp"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace tvk::ui::detail {

namespace {

constexpr double fitTolerance = 0.001;

std::optional<double> major(ProposedViewSize proposal, bool horizontal)
{
    return horizontal ? proposal.width : proposal.height;
}

std::optional<double> minor(ProposedViewSize proposal, bool horizontal)
{
    return horizontal ? proposal.height : proposal.width;
}

ProposedViewSize makeProposal(std::optional<double> majorLength, std::optional<double> minorLength, bool horizontal)
{
    return horizontal ? ProposedViewSize { majorLength, minorLength } : ProposedViewSize { minorLength, majorLength };
}

double majorLength(Size size, bool horizontal)
{
    return horizontal ? size.width : size.height;
}

}

StackNode::StackNode(bool horizontal, HorizontalAlignment horizontalAlignment, VerticalAlignment verticalAlignment,
    std::optional<double> spacing, LayoutNodes children)
    : LayoutNode(std::move(children))
    , m_horizontal(horizontal)
    , m_horizontalAlignment(horizontalAlignment)
    , m_verticalAlignment(verticalAlignment)
    , m_spacing(spacing)
{
    for (auto& child : m_children)
        child->setStackAxis(horizontal ? StackAxis::horizontal : StackAxis::vertical);
}

double StackNode::spacingAfter(size_t index) const
{
    if (m_spacing)
        return *m_spacing;
    if (m_children[index]->isSpacer() || m_children[index + 1]->isSpacer())
        return 0;
    return defaultSpacing;
}

double StackNode::totalSpacing() const
{
    double total = 0;
    for (size_t index = 0; index + 1 < m_children.size(); ++index)
        total += spacingAfter(index);
    return total;
}

StackNode::Probe StackNode::probe(std::optional<double> crossProposal, LayoutContext& context)
{
    Probe probed;
    probed.minimum.resize(m_children.size());
    probed.flexibility.resize(m_children.size());
    for (size_t index = 0; index < m_children.size(); ++index) {
        auto& child = *m_children[index];
        probed.minimum[index] = majorLength(child.sizeThatFits(makeProposal(0.0, crossProposal, m_horizontal), context).size, m_horizontal);
        double maximum = majorLength(child.sizeThatFits(makeProposal(infinity, crossProposal, m_horizontal), context).size, m_horizontal);
        probed.flexibility[index] = maximum - probed.minimum[index];
    }
    return probed;
}

StackNode::Distribution StackNode::distribute(ProposedViewSize proposal, LayoutContext& context)
{
    size_t count = m_children.size();
    Distribution distribution;
    distribution.proposals.resize(count);
    distribution.dimensions.resize(count);
    auto crossProposal = minor(proposal, m_horizontal);
    auto offered = major(proposal, m_horizontal);
    auto give = [&](size_t index, std::optional<double> length) {
        distribution.proposals[index] = makeProposal(length, crossProposal, m_horizontal);
        distribution.dimensions[index] = m_children[index]->sizeThatFits(distribution.proposals[index], context);
        return majorLength(distribution.dimensions[index].size, m_horizontal);
    };
    if (!offered) {
        for (size_t index = 0; index < count; ++index)
            give(index, std::nullopt);
        return distribution;
    }

    auto probed = probe(crossProposal, context);
    // Higher layout priority first; within a priority, the other views before the spacers
    // (which only take what is left, so a text beside a spacer may use the whole row),
    // and the least flexible first.
    std::vector<size_t> order(count);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](size_t left, size_t right) {
        double leftPriority = m_children[left]->layoutPriority();
        double rightPriority = m_children[right]->layoutPriority();
        if (leftPriority != rightPriority)
            return leftPriority > rightPriority;
        bool leftSpacer = m_children[left]->isSpacer();
        bool rightSpacer = m_children[right]->isSpacer();
        if (leftSpacer != rightSpacer)
            return rightSpacer;
        return probed.flexibility[left] < probed.flexibility[right];
    });

    double remaining = *offered - totalSpacing();
    size_t position = 0;
    while (position < count) {
        // One priority group: it may use what the lower groups do not need at minimum.
        double priority = m_children[order[position]]->layoutPriority();
        size_t groupEnd = position;
        while (groupEnd < count && m_children[order[groupEnd]]->layoutPriority() == priority)
            ++groupEnd;
        double laterMinimum = 0;
        for (size_t later = groupEnd; later < count; ++later)
            laterMinimum += probed.minimum[order[later]];
        for (size_t step = position; step < groupEnd; ++step) {
            size_t index = order[step];
            bool isSpacer = m_children[index]->isSpacer();
            // Views share what remains equally; the spacers' minimum is kept back for them.
            double reserved = laterMinimum;
            size_t sharing = 0;
            for (size_t later = step; later < groupEnd; ++later) {
                if (m_children[order[later]]->isSpacer() == isSpacer)
                    ++sharing;
                else
                    reserved += probed.minimum[order[later]];
            }
            double share = std::max(0.0, (remaining - reserved) / static_cast<double>(std::max<size_t>(sharing, 1)));
            remaining -= give(index, share);
        }
        position = groupEnd;
    }
    return distribution;
}

StackNode::Placement StackNode::position(const std::vector<Dimensions>& dimensions) const
{
    // Along the axis: one after the other. Across: aligned on the stack's guide.
    size_t count = dimensions.size();
    double before = 0;
    double after = 0;
    std::vector<double> guides(count);
    for (size_t index = 0; index < count; ++index) {
        guides[index] = m_horizontal ? verticalGuide(m_verticalAlignment, dimensions[index])
                                     : horizontalGuide(m_horizontalAlignment, dimensions[index]);
        double crossLength = m_horizontal ? dimensions[index].size.height : dimensions[index].size.width;
        before = std::max(before, guides[index]);
        after = std::max(after, crossLength - guides[index]);
    }
    Placement placement;
    double cursor = 0;
    BaselineMerger baselines;
    for (size_t index = 0; index < count; ++index) {
        double crossOffset = before - guides[index];
        placement.offsets.push_back(m_horizontal ? Point { cursor, crossOffset } : Point { crossOffset, cursor });
        baselines.add(dimensions[index], placement.offsets[index].y);
        cursor += majorLength(dimensions[index].size, m_horizontal);
        if (index + 1 < count)
            cursor += spacingAfter(index);
    }
    Size total = m_horizontal ? Size { cursor, before + after } : Size { before + after, cursor };
    placement.total = { total, baselines.first, baselines.last };
    return placement;
}

StackNode::Arrangement StackNode::arrange(ProposedViewSize proposal, LayoutContext& context)
{
    if (m_children.empty())
        return { {}, {}, {}, Dimensions::of({ 0, 0 }) };
    auto distribution = distribute(proposal, context);
    auto placement = position(distribution.dimensions);
    return { std::move(distribution.proposals), std::move(distribution.dimensions), std::move(placement.offsets), placement.total };
}

Dimensions StackNode::computeSize(ProposedViewSize proposal, LayoutContext& context)
{
    return arrange(proposal, context).total;
}

void StackNode::placeChildren(ProposedViewSize proposal, LayoutContext& context)
{
    auto arrangement = arrange(proposal, context);
    for (size_t index = 0; index < m_children.size(); ++index) {
        Point origin { m_frame.minX() + arrangement.offsets[index].x, m_frame.minY() + arrangement.offsets[index].y };
        m_children[index]->place(origin, arrangement.proposals[index], context);
    }
}

ZStackNode::ZStackNode(Alignment alignment, LayoutNodes children)
    : LayoutNode(std::move(children))
    , m_alignment(alignment)
{
}

ZStackNode::Arrangement ZStackNode::arrange(ProposedViewSize proposal, LayoutContext& context)
{
    Arrangement arrangement;
    std::vector<Dimensions> dimensions;
    double left = 0, right = 0, above = 0, below = 0;
    for (auto& child : m_children) {
        auto childDimensions = child->sizeThatFits(proposal, context);
        double x = horizontalGuide(m_alignment.horizontal, childDimensions);
        double y = verticalGuide(m_alignment.vertical, childDimensions);
        left = std::max(left, x);
        right = std::max(right, childDimensions.size.width - x);
        above = std::max(above, y);
        below = std::max(below, childDimensions.size.height - y);
        dimensions.push_back(childDimensions);
    }
    BaselineMerger baselines;
    for (auto& childDimensions : dimensions) {
        Point offset { left - horizontalGuide(m_alignment.horizontal, childDimensions),
            above - verticalGuide(m_alignment.vertical, childDimensions) };
        arrangement.offsets.push_back(offset);
        baselines.add(childDimensions, offset.y);
    }
    arrangement.total = { { left + right, above + below }, baselines.first, baselines.last };
    return arrangement;
}

Dimensions ZStackNode::computeSize(ProposedViewSize proposal, LayoutContext& context)
{
    return arrange(proposal, context).total;
}

void ZStackNode::placeChildren(ProposedViewSize proposal, LayoutContext& context)
{
    auto arrangement = arrange(proposal, context);
    for (size_t index = 0; index < m_children.size(); ++index) {
        Point origin { m_frame.minX() + arrangement.offsets[index].x, m_frame.minY() + arrangement.offsets[index].y };
        m_children[index]->place(origin, proposal, context);
    }
}

void ZStackNode::collectLinks(std::vector<LinkRegion>& links) const
{
    for (auto child = m_children.rbegin(); child != m_children.rend(); ++child) {
        if ((*child)->isPlaced())
            (*child)->collectLinks(links);
    }
}

SpacerNode::SpacerNode(std::optional<double> minLength)
    : m_minLength(minLength && std::isfinite(*minLength) ? std::max(0.0, *minLength) : StackNode::defaultSpacing)
{
}

Dimensions SpacerNode::computeSize(ProposedViewSize proposal, LayoutContext&)
{
    auto along = [&](std::optional<double> offered) { return offered ? std::max(*offered, m_minLength) : m_minLength; };
    switch (m_axis) {
    case StackAxis::horizontal: return Dimensions::of({ along(proposal.width), 0 });
    case StackAxis::vertical: return Dimensions::of({ 0, along(proposal.height) });
    case StackAxis::none: break;
    }
    return Dimensions::of({ along(proposal.width), along(proposal.height) });
}

ViewThatFitsNode::ViewThatFitsNode(Axis::Set axes, LayoutNodes candidates)
    : LayoutNode(std::move(candidates))
    , m_axes(axes)
{
}

LayoutNode* ViewThatFitsNode::choose(ProposedViewSize proposal, LayoutContext& context)
{
    if (m_children.empty())
        return nullptr;
    bool horizontal = m_axes.contains(Axis::horizontal);
    bool vertical = m_axes.contains(Axis::vertical);
    ProposedViewSize ideal { horizontal ? std::nullopt : proposal.width, vertical ? std::nullopt : proposal.height };
    for (auto& candidate : m_children) {
        Size size = candidate->sizeThatFits(ideal, context).size;
        bool fitsWidth = !horizontal || !proposal.width || size.width <= *proposal.width + fitTolerance;
        bool fitsHeight = !vertical || !proposal.height || size.height <= *proposal.height + fitTolerance;
        if (fitsWidth && fitsHeight)
            return candidate.get();
    }
    return m_children.back().get();
}

Dimensions ViewThatFitsNode::computeSize(ProposedViewSize proposal, LayoutContext& context)
{
    auto chosen = choose(proposal, context);
    return chosen ? chosen->sizeThatFits(proposal, context) : Dimensions::of({ 0, 0 });
}

void ViewThatFitsNode::placeChildren(ProposedViewSize proposal, LayoutContext& context)
{
    if (auto chosen = choose(proposal, context))
        chosen->place(m_frame.origin, proposal, context);
}

}

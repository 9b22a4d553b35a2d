#pragma once

#include "Platform/UI/Layout/LayoutNode.hpp"

namespace tvk::ui::detail {

/// `HStack` and `VStack`. Along the axis, the space left after spacing is offered to the
/// children in order of layout priority (highest first) and, within a priority, of
/// flexibility (least flexible first): each in turn is offered an equal share of what
/// remains, and what it takes is subtracted. Across the axis, children are aligned on the
/// stack's alignment guide.
///
/// Layout runs in three steps that hand values on: `probe` asks each child for its smallest
/// and largest length along the axis, `distribute` turns the offered length into a proposal
/// and a size per child, and `position` lays the sizes out one after the other.
class StackNode : public LayoutNode {
public:
    StackNode(bool horizontal, HorizontalAlignment horizontalAlignment, VerticalAlignment verticalAlignment, std::optional<double> spacing,
        LayoutNodes children);

    /// Between two views where the stack sets no spacing: none next to a spacer, else 8.
    static constexpr double defaultSpacing = 8;

protected:
    Dimensions computeSize(ProposedViewSize proposal, LayoutContext& context) override;
    void placeChildren(ProposedViewSize proposal, LayoutContext& context) override;

private:
    struct Arrangement {
        std::vector<ProposedViewSize> proposals;
        std::vector<Dimensions> dimensions;
        std::vector<Point> offsets;
        Dimensions total;
    };
    /// Per child, along the axis: its length at the least it can take, and how much more it
    /// can grow.
    struct Probe {
        std::vector<double> minimum;
        std::vector<double> flexibility;
    };
    struct Distribution {
        std::vector<ProposedViewSize> proposals;
        std::vector<Dimensions> dimensions;
    };
    struct Placement {
        std::vector<Point> offsets;
        Dimensions total;
    };
    Arrangement arrange(ProposedViewSize proposal, LayoutContext& context);
    Probe probe(std::optional<double> crossProposal, LayoutContext& context);
    /// Without a length along the axis every child takes its ideal one; with one, the
    /// children share it in the order of the class comment.
    Distribution distribute(ProposedViewSize proposal, LayoutContext& context);
    Placement position(const std::vector<Dimensions>& dimensions) const;
    double spacingAfter(size_t index) const;
    double totalSpacing() const;

    bool m_horizontal;
    HorizontalAlignment m_horizontalAlignment;
    VerticalAlignment m_verticalAlignment;
    std::optional<double> m_spacing;
};

/// `ZStack`: every child is offered the stack's proposal; the stack is the union of the
/// children aligned on its alignment guides. Later children are drawn in front, so their links
/// are hit first.
class ZStackNode : public LayoutNode {
public:
    ZStackNode(Alignment alignment, LayoutNodes children);

    void collectLinks(std::vector<LinkRegion>& links) const override;

protected:
    Dimensions computeSize(ProposedViewSize proposal, LayoutContext& context) override;
    void placeChildren(ProposedViewSize proposal, LayoutContext& context) override;

private:
    struct Arrangement {
        std::vector<Point> offsets;
        Dimensions total;
    };
    Arrangement arrange(ProposedViewSize proposal, LayoutContext& context);

    Alignment m_alignment;
};

/// `Spacer`: as long as offered along its stack's axis, never shorter than its minimum length
/// (8 when none is given), and zero across it.
class SpacerNode : public LayoutNode {
public:
    explicit SpacerNode(std::optional<double> minLength);
    bool isSpacer() const override { return true; }
    void setStackAxis(StackAxis axis) override { m_axis = axis; }

protected:
    Dimensions computeSize(ProposedViewSize proposal, LayoutContext& context) override;

private:
    double m_minLength;
    StackAxis m_axis = StackAxis::none;
};

/// `ViewThatFits`: the first candidate whose ideal size on the constrained axes fits the
/// proposal, else the last. Only that candidate is placed and drawn.
class ViewThatFitsNode : public LayoutNode {
public:
    ViewThatFitsNode(Axis::Set axes, LayoutNodes candidates);

protected:
    Dimensions computeSize(ProposedViewSize proposal, LayoutContext& context) override;
    void placeChildren(ProposedViewSize proposal, LayoutContext& context) override;

private:
    LayoutNode* choose(ProposedViewSize proposal, LayoutContext& context);

    Axis::Set m_axes;
};

/// What an empty view or an empty container resolves to where one node is needed.
class EmptyNode : public LayoutNode {
protected:
    Dimensions computeSize(ProposedViewSize, LayoutContext&) override { return Dimensions::of({ 0, 0 }); }
};

}

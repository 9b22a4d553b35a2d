#pragma once

#include "Platform/UI/Layout/LayoutNode.hpp"
#include "Platform/UI/View.hpp"

namespace tvk::ui::detail {

/// Offers the child the proposal less the insets, and adds them back.
class PaddingNode : public LayoutNode {
public:
    PaddingNode(EdgeInsets insets, std::unique_ptr<LayoutNode> child);

protected:
    Dimensions computeSize(ProposedViewSize proposal, LayoutContext& context) override;
    void placeChildren(ProposedViewSize proposal, LayoutContext& context) override;

private:
    ProposedViewSize inset(ProposedViewSize proposal) const;
    EdgeInsets m_insets;
};

/// Aligns a child of some size inside a frame of another (used by the frames).
Point alignedOffset(Alignment alignment, Size frame, const Dimensions& child);

/// `frame(width:height:alignment:)`: the given lengths whatever the child wants; an absent
/// one takes the child's length on that axis.
class FixedFrameNode : public LayoutNode {
public:
    FixedFrameNode(std::optional<double> width, std::optional<double> height, Alignment alignment, std::unique_ptr<LayoutNode> child);

protected:
    Dimensions computeSize(ProposedViewSize proposal, LayoutContext& context) override;
    void placeChildren(ProposedViewSize proposal, LayoutContext& context) override;

private:
    ProposedViewSize childProposal(ProposedViewSize proposal) const;
    std::optional<double> m_width;
    std::optional<double> m_height;
    Alignment m_alignment;
};

/// `frame(minWidth:idealWidth:maxWidth:...)`: the proposal (or the ideal length when none is
/// offered) clamped to the bounds is offered to the child; the frame then takes the child's
/// length, raised to the minimum and, when a maximum is set, widened towards the proposal up to
/// that maximum.
class FlexibleFrameNode : public LayoutNode {
public:
    FlexibleFrameNode(FlexibleFrame frame, std::unique_ptr<LayoutNode> child);

protected:
    Dimensions computeSize(ProposedViewSize proposal, LayoutContext& context) override;
    void placeChildren(ProposedViewSize proposal, LayoutContext& context) override;

private:
    ProposedViewSize childProposal(ProposedViewSize proposal) const;
    FlexibleFrame m_frameBounds;
};

/// `fixedSize`: the child's ideal length on the fixed axes, whatever is offered. The child is
/// then placed with that length as its proposal, so flexible descendants (a bar beside a
/// text) stretch to it.
class FixedSizeNode : public LayoutNode {
public:
    FixedSizeNode(bool horizontal, bool vertical, std::unique_ptr<LayoutNode> child);

protected:
    Dimensions computeSize(ProposedViewSize proposal, LayoutContext& context) override;
    void placeChildren(ProposedViewSize proposal, LayoutContext& context) override;

private:
    ProposedViewSize childProposal(ProposedViewSize proposal) const;
    bool m_horizontal;
    bool m_vertical;
};

/// `aspectRatio`: offers the child the largest (fit) or smallest (fill) size of the ratio
/// that the proposal allows.
class AspectRatioNode : public LayoutNode {
public:
    AspectRatioNode(std::optional<double> ratio, ContentMode mode, std::unique_ptr<LayoutNode> child);

protected:
    Dimensions computeSize(ProposedViewSize proposal, LayoutContext& context) override;
    void placeChildren(ProposedViewSize proposal, LayoutContext& context) override;

private:
    ProposedViewSize childProposal(ProposedViewSize proposal, LayoutContext& context);
    std::optional<double> m_ratio;
    ContentMode m_mode;
};

/// Draws the child moved by an offset without changing its layout.
class OffsetNode : public LayoutNode {
public:
    OffsetNode(Point offset, std::unique_ptr<LayoutNode> child);

protected:
    Dimensions computeSize(ProposedViewSize proposal, LayoutContext& context) override;
    void placeChildren(ProposedViewSize proposal, LayoutContext& context) override;

private:
    Point m_offset;
};

/// `background` and `overlay`: the base view decides the size; the layer is offered that
/// size and aligned in it, behind or in front.
class LayerNode : public LayoutNode {
public:
    enum class Placement { background, overlay };
    LayerNode(Placement placement, Alignment alignment, std::unique_ptr<LayoutNode> base, std::unique_ptr<LayoutNode> layer);
    void draw(DrawContext& context) const override;
    void collectLinks(std::vector<LinkRegion>& links) const override;

protected:
    Dimensions computeSize(ProposedViewSize proposal, LayoutContext& context) override;
    void placeChildren(ProposedViewSize proposal, LayoutContext& context) override;

private:
    Placement m_placement;
    Alignment m_alignment;
};

}

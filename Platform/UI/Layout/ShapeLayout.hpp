#pragma once

#include "Platform/UI/Layout/LayoutNode.hpp"
#include "Platform/UI/Shape.hpp"

namespace tvk::ui::detail {

struct ShapePaint {
    ResolvedColor color;
    /// Absent: filled.
    std::optional<double> strokeWidth;
};

/// Adds the outline of `geometry` in `frame` to the current path.
void appendShapePath(cairo_t* cairo, const ShapeGeometry& geometry, const Rect& frame);

/// Rounds a rectangle's edges to whole device pixels, so that fills are crisp at any scale.
Rect snappedToPixels(cairo_t* cairo, const Rect& rect);

class ShapeNode : public LayoutNode {
public:
    ShapeNode(ShapeGeometry geometry, ShapePaint paint);
    void draw(DrawContext& context) const override;

    /// The size a shape takes when no size is offered.
    static constexpr double defaultLength = 10;

protected:
    Dimensions computeSize(ProposedViewSize proposal, LayoutContext& context) override;

private:
    ShapeGeometry m_geometry;
    ShapePaint m_paint;
};

}

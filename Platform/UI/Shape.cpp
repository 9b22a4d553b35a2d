#include "Platform/UI/Shape.hpp"

#include "Platform/UI/Layout/ShapeLayout.hpp"
#include "Platform/UI/Layout/ViewNode.hpp"

#include <cmath>

namespace tvk::ui {

namespace {

View shapeView(ShapeGeometry geometry, std::optional<ShapeStyle> style, std::optional<double> strokeWidth)
{
    return View(std::make_shared<detail::LeafViewNode>([=](const EnvironmentValues& environment, detail::ResolveContext&) {
        auto color = style ? environment.resolve(*style) : environment.resolvedForeground();
        return std::make_unique<detail::ShapeNode>(geometry, detail::ShapePaint { color, strokeWidth });
    }));
}

}

Shape::Shape(ShapeGeometry geometry)
    : View(shapeView(geometry, std::nullopt, std::nullopt))
    , m_geometry(geometry)
{
}

View Shape::fill(const ShapeStyle& style) const
{
    return shapeView(m_geometry, style, std::nullopt);
}

View Shape::stroke(const ShapeStyle& style, double lineWidth) const
{
    return shapeView(m_geometry, style, std::isfinite(lineWidth) && lineWidth > 0 ? lineWidth : 1.0);
}

Shape Rectangle()
{
    return Shape(ShapeGeometry {});
}

Shape RoundedRectangle(double cornerRadius, RoundedCornerStyle style)
{
    return RoundedRectangle(Size { cornerRadius, cornerRadius }, style);
}

Shape RoundedRectangle(Size cornerSize, RoundedCornerStyle style)
{
    return Shape(ShapeGeometry { ShapeGeometry::Kind::roundedRectangle, cornerSize, style });
}

Shape Capsule(RoundedCornerStyle style)
{
    return Shape(ShapeGeometry { ShapeGeometry::Kind::capsule, {}, style });
}

Shape Ellipse()
{
    return Shape(ShapeGeometry { ShapeGeometry::Kind::ellipse, {}, RoundedCornerStyle::circular });
}

Shape Circle()
{
    return Shape(ShapeGeometry { ShapeGeometry::Kind::circle, {}, RoundedCornerStyle::circular });
}

}

#include "Platform/UI/Layout/ShapeLayout.hpp"

#include <cairo.h>

#include <algorithm>
#include <cmath>

namespace tvk::ui::detail {

namespace {

// A circular corner of radius r is one cubic from (r, 0) to (0, r) with its control points
// 0.4477 r from the corner. A continuous corner starts 1.28195 r out along each edge and has
// its control points 0.3537 r from the corner: it leaves the edge with no jump in curvature
// and passes through the same point at 45° as the circle does.
struct CornerProfile {
    double extent;
    double control;
};

CornerProfile profile(RoundedCornerStyle style)
{
    return style == RoundedCornerStyle::continuous ? CornerProfile { 1.28195, 0.35373 } : CornerProfile { 1.0, 0.44772 };
}

void appendRoundedRectangle(cairo_t* cairo, const Rect& frame, Size corner, RoundedCornerStyle style)
{
    double width = frame.size.width;
    double height = frame.size.height;
    auto shape = profile(style);
    double radiusX = std::max(0.0, corner.width);
    double radiusY = std::max(0.0, corner.height);
    // A corner never reaches past the middle of a side.
    double extentX = std::min(radiusX * shape.extent, width / 2);
    double extentY = std::min(radiusY * shape.extent, height / 2);
    if (extentX <= 0 || extentY <= 0) {
        cairo_rectangle(cairo, frame.minX(), frame.minY(), width, height);
        return;
    }
    double controlX = extentX * shape.control / shape.extent;
    double controlY = extentY * shape.control / shape.extent;
    double left = frame.minX(), top = frame.minY(), right = frame.maxX(), bottom = frame.maxY();
    cairo_new_sub_path(cairo);
    cairo_move_to(cairo, left + extentX, top);
    cairo_line_to(cairo, right - extentX, top);
    cairo_curve_to(cairo, right - controlX, top, right, top + controlY, right, top + extentY);
    cairo_line_to(cairo, right, bottom - extentY);
    cairo_curve_to(cairo, right, bottom - controlY, right - controlX, bottom, right - extentX, bottom);
    cairo_line_to(cairo, left + extentX, bottom);
    cairo_curve_to(cairo, left + controlX, bottom, left, bottom - controlY, left, bottom - extentY);
    cairo_line_to(cairo, left, top + extentY);
    cairo_curve_to(cairo, left, top + controlY, left + controlX, top, left + extentX, top);
    cairo_close_path(cairo);
}

void appendEllipse(cairo_t* cairo, double centerX, double centerY, double radiusX, double radiusY)
{
    if (radiusX <= 0 || radiusY <= 0)
        return;
    cairo_save(cairo);
    cairo_translate(cairo, centerX, centerY);
    cairo_scale(cairo, radiusX, radiusY);
    cairo_new_sub_path(cairo);
    cairo_arc(cairo, 0, 0, 1, 0, 2 * M_PI);
    cairo_close_path(cairo);
    cairo_restore(cairo);
}

}

void appendShapePath(cairo_t* cairo, const ShapeGeometry& geometry, const Rect& frame)
{
    switch (geometry.kind) {
    case ShapeGeometry::Kind::rectangle: cairo_rectangle(cairo, frame.minX(), frame.minY(), frame.size.width, frame.size.height); break;
    case ShapeGeometry::Kind::roundedRectangle: appendRoundedRectangle(cairo, frame, geometry.cornerSize, geometry.style); break;
    case ShapeGeometry::Kind::capsule: {
        double radius = std::min(frame.size.width, frame.size.height) / 2;
        appendRoundedRectangle(cairo, frame, { radius, radius }, RoundedCornerStyle::circular);
        break;
    }
    case ShapeGeometry::Kind::ellipse: appendEllipse(cairo, frame.midX(), frame.midY(), frame.size.width / 2, frame.size.height / 2); break;
    case ShapeGeometry::Kind::circle: {
        double radius = std::min(frame.size.width, frame.size.height) / 2;
        appendEllipse(cairo, frame.midX(), frame.midY(), radius, radius);
        break;
    }
    }
}

Rect snappedToPixels(cairo_t* cairo, const Rect& rect)
{
    double x0 = rect.minX(), y0 = rect.minY(), x1 = rect.maxX(), y1 = rect.maxY();
    cairo_user_to_device(cairo, &x0, &y0);
    cairo_user_to_device(cairo, &x1, &y1);
    x0 = std::round(x0), y0 = std::round(y0), x1 = std::round(x1), y1 = std::round(y1);
    // Never let a thin shape vanish.
    if (x1 == x0 && rect.size.width > 0)
        x1 = x0 + 1;
    if (y1 == y0 && rect.size.height > 0)
        y1 = y0 + 1;
    cairo_device_to_user(cairo, &x0, &y0);
    cairo_device_to_user(cairo, &x1, &y1);
    return { { std::min(x0, x1), std::min(y0, y1) }, { std::fabs(x1 - x0), std::fabs(y1 - y0) } };
}

ShapeNode::ShapeNode(ShapeGeometry geometry, ShapePaint paint)
    : m_geometry(geometry)
    , m_paint(paint)
{
}

Dimensions ShapeNode::computeSize(ProposedViewSize proposal, LayoutContext&)
{
    return Dimensions::of({ proposal.width.value_or(defaultLength), proposal.height.value_or(defaultLength) });
}

void ShapeNode::draw(DrawContext& context) const
{
    if (m_paint.color.alpha <= 0 || m_frame.size.width <= 0 || m_frame.size.height <= 0)
        return;
    cairo_t* cairo = context.cairo;
    cairo_save(cairo);
    cairo_new_path(cairo);
    bool rectangular = m_geometry.kind == ShapeGeometry::Kind::rectangle || m_geometry.kind == ShapeGeometry::Kind::roundedRectangle
        || m_geometry.kind == ShapeGeometry::Kind::capsule;
    Rect frame = rectangular && !m_paint.strokeWidth ? snappedToPixels(cairo, m_frame) : m_frame;
    appendShapePath(cairo, m_geometry, frame);
    cairo_set_source_rgba(cairo, m_paint.color.red, m_paint.color.green, m_paint.color.blue, m_paint.color.alpha);
    if (m_paint.strokeWidth) {
        cairo_set_line_width(cairo, *m_paint.strokeWidth);
        cairo_stroke(cairo);
    } else {
        cairo_fill(cairo);
    }
    cairo_restore(cairo);
}

}

#pragma once

#include "Platform/UI/View.hpp"

namespace tvk::ui {

enum class RoundedCornerStyle {
    /// Quarter circles.
    circular,
    /// Corners whose curvature grows smoothly out of the straight edges (they start earlier
    /// along the edge than a circular corner of the same radius).
    continuous,
};

struct ShapeGeometry {
    enum class Kind { rectangle, roundedRectangle, capsule, ellipse, circle };
    Kind kind = Kind::rectangle;
    Size cornerSize;
    RoundedCornerStyle style = RoundedCornerStyle::circular;

    static ShapeGeometry rectangle() { return {}; }
    bool operator==(const ShapeGeometry&) const = default;
};

/// A shape takes the whole size offered (10 × 10 when none is offered) and, used as a view,
/// is filled with the foreground style.
class Shape : public View {
public:
    explicit Shape(ShapeGeometry geometry);

    View fill(const ShapeStyle& style) const;
    View stroke(const ShapeStyle& style, double lineWidth = 1) const;

    const ShapeGeometry& geometry() const { return m_geometry; }

private:
    ShapeGeometry m_geometry;
};

Shape Rectangle();
Shape RoundedRectangle(double cornerRadius, RoundedCornerStyle style = RoundedCornerStyle::circular);
Shape RoundedRectangle(Size cornerSize, RoundedCornerStyle style = RoundedCornerStyle::circular);
/// Rounded with half the shorter side.
Shape Capsule(RoundedCornerStyle style = RoundedCornerStyle::circular);
Shape Ellipse();
/// The largest circle centred in the frame.
Shape Circle();

}

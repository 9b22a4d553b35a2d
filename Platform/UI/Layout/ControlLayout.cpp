#include "Platform/UI/Layout/ControlLayout.hpp"

#include "Platform/UI/Layout/ShapeLayout.hpp"

#include <cairo.h>

#include <algorithm>
#include <cmath>

namespace tvk::ui::detail {

ProgressNode::ProgressNode(double fraction, ProgressViewStyle style, ResolvedColor tint, ResolvedColor track, std::string valueText)
    : m_fraction(std::clamp(std::isnan(fraction) ? 0.0 : fraction, 0.0, 1.0))
    , m_style(style)
    , m_tint(tint)
    , m_track(track)
    , m_valueText(std::move(valueText))
{
}

Dimensions ProgressNode::computeSize(ProposedViewSize proposal, LayoutContext&)
{
    if (m_style == ProgressViewStyle::linear)
        return Dimensions::of({ proposal.width.value_or(linearIdealWidth), linearHeight });
    double side = circularLength;
    if (proposal.width)
        side = std::min(side, *proposal.width);
    if (proposal.height)
        side = std::min(side, *proposal.height);
    return Dimensions::of({ side, side });
}

void ProgressNode::draw(DrawContext& context) const
{
    cairo_t* cairo = context.cairo;
    auto setColor = [cairo](const ResolvedColor& color) { cairo_set_source_rgba(cairo, color.red, color.green, color.blue, color.alpha); };
    cairo_save(cairo);
    cairo_new_path(cairo);
    if (m_style == ProgressViewStyle::linear) {
        Rect track = snappedToPixels(cairo, m_frame);
        appendShapePath(cairo, { ShapeGeometry::Kind::capsule }, track);
        setColor(m_track);
        cairo_fill(cairo);
        if (m_fraction > 0) {
            cairo_save(cairo);
            cairo_rectangle(cairo, track.minX(), track.minY(), track.size.width * m_fraction, track.size.height);
            cairo_clip(cairo);
            appendShapePath(cairo, { ShapeGeometry::Kind::capsule }, track);
            setColor(m_tint);
            cairo_fill(cairo);
            cairo_restore(cairo);
        }
    } else {
        double radius = std::min(m_frame.size.width, m_frame.size.height) / 2;
        double centerX = m_frame.midX(), centerY = m_frame.midY();
        if (radius > 0) {
            cairo_arc(cairo, centerX, centerY, radius, 0, 2 * M_PI);
            setColor(m_track);
            cairo_fill(cairo);
            if (m_fraction > 0) {
                double start = -M_PI / 2;
                cairo_move_to(cairo, centerX, centerY);
                cairo_arc(cairo, centerX, centerY, radius, start, start + 2 * M_PI * m_fraction);
                cairo_close_path(cairo);
                setColor(m_tint);
                cairo_fill(cairo);
            }
        }
    }
    cairo_restore(cairo);
}

void ProgressNode::collectAccessibility(std::vector<AccessibilityElement>& elements) const
{
    AccessibilityElement element;
    element.role = AccessibilityElement::Role::progressIndicator;
    element.value = m_valueText;
    element.frame = m_frame;
    elements.push_back(std::move(element));
}

}

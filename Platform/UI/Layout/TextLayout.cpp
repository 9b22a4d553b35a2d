#include "Platform/UI/Layout/TextLayout.hpp"

#include <algorithm>
#include <cmath>

namespace tvk::ui::detail {

namespace {

constexpr double tolerance = 0.001;
constexpr int scaleSearchSteps = 5;

}

TextNode::TextNode(std::shared_ptr<const TextContent> content, TextParagraphOptions options)
    : m_content(std::move(content))
    , m_identity(m_content->identity())
    , m_options(options)
{
    if (m_options.lineLimit && *m_options.lineLimit <= 0)
        m_options.lineLimit.reset();
    if (!(m_options.minimumScaleFactor > 0) || m_options.minimumScaleFactor > 1)
        m_options.minimumScaleFactor = 1;
}

const TextMeasurement& TextNode::measure(
    LayoutContext& context, std::optional<double> width, std::optional<int> lines, double scale, double tracking)
{
    TextMeasureRequest request;
    request.content = m_content;
    request.width = width;
    request.maximumLines = lines;
    request.truncationMode = m_options.truncationMode;
    request.alignment = m_options.alignment;
    request.scale = scale;
    request.tracking = tracking;
    return context.measure(request, m_identity);
}

TextMeasurement TextNode::fit(ProposedViewSize proposal, LayoutContext& context)
{
    auto lineLimit = m_options.lineLimit;
    const TextMeasurement& ideal = measure(context, std::nullopt, lineLimit, 1, 0);
    std::optional<double> width;
    double scale = 1;
    double tracking = 0;
    TextMeasurement result = ideal;
    if (proposal.width && *proposal.width < ideal.size.width - tolerance)
        result = fitWidth(*proposal.width, context, width, scale, tracking);

    // The height offered limits the lines shown, never to less than one: a text overflows
    // rather than vanish, and it does not shrink for height.
    if (proposal.height && result.size.height > *proposal.height + tolerance && result.lineCount > 1) {
        double lineHeight = result.size.height / result.lineCount;
        int allowed = std::max(1, static_cast<int>(std::floor((*proposal.height + tolerance) / lineHeight)));
        if (lineLimit)
            allowed = std::min(allowed, *lineLimit);
        if (allowed < result.lineCount)
            result = measure(context, width.value_or(ideal.size.width), allowed, scale, tracking);
    }
    return result;
}

TextMeasurement TextNode::fitWidth(double offered, LayoutContext& context, std::optional<double>& width, double& scale, double& tracking)
{
    auto lineLimit = m_options.lineLimit;
    width = offered;
    auto fits
        = [&](const TextMeasurement& measurement) { return !measurement.isTruncated && measurement.size.width <= offered + tolerance; };
    // Nothing fits in no room at all; the minimum probe of a stack only needs the smallest
    // setting.
    if (offered > tolerance) {
        const TextMeasurement& plain = measure(context, width, lineLimit, 1, 0);
        if (fits(plain))
            return plain;
        if (m_options.allowsTightening) {
            for (double step : { maximumTightening / 2, maximumTightening }) {
                const TextMeasurement& tightened = measure(context, width, lineLimit, 1, step);
                if (fits(tightened)) {
                    tracking = step;
                    return tightened;
                }
            }
        }
    }
    tracking = m_options.allowsTightening ? maximumTightening : 0;
    scale = m_options.minimumScaleFactor;
    if (offered > tolerance && scale < 1) {
        const TextMeasurement& smallest = measure(context, width, lineLimit, scale, tracking);
        if (fits(smallest)) {
            TextMeasurement best = smallest;
            double low = scale;
            double high = 1;
            for (int step = 0; step < scaleSearchSteps; ++step) {
                double middle = (low + high) / 2;
                const TextMeasurement& candidate = measure(context, width, lineLimit, middle, tracking);
                if (fits(candidate)) {
                    best = candidate;
                    low = middle;
                } else {
                    high = middle;
                }
            }
            scale = low;
            return best;
        }
    }
    return measure(context, width, lineLimit, scale, tracking);
}

Dimensions TextNode::computeSize(ProposedViewSize proposal, LayoutContext& context)
{
    auto measurement = fit(proposal, context);
    return { measurement.size, measurement.firstBaseline, measurement.lastBaseline };
}

void TextNode::placeChildren(ProposedViewSize proposal, LayoutContext& context)
{
    m_placed = fit(proposal, context);
}

void TextNode::draw(DrawContext& context) const
{
    if (m_placed.drawable)
        m_placed.drawable->draw(context.cairo, m_frame.origin);
}

void TextNode::collectAccessibility(std::vector<AccessibilityElement>& elements) const
{
    std::string label = m_content->plainText();
    if (label.empty())
        return;
    AccessibilityElement element;
    element.role = AccessibilityElement::Role::text;
    element.label = std::move(label);
    element.frame = m_frame;
    elements.push_back(std::move(element));
}

}

#pragma once

#include "Platform/UI/Layout/LayoutNode.hpp"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tvk::ui::detail {

struct TextParagraphOptions {
    std::optional<int> lineLimit;
    TruncationMode truncationMode = TruncationMode::tail;
    TextAlignment alignment = TextAlignment::leading;
    bool allowsTightening = false;
    double minimumScaleFactor = 1;
};

/// A resolved text. For the width offered it finds the setting that fits: as it is (wrapped
/// within the line limit); then with tighter letter spacing when allowed; then, when a minimum
/// scale factor allows, at the largest scale that fits; and only then truncated at the smallest
/// scale allowed. The height offered then limits the number of lines, never below one.
class TextNode : public LayoutNode {
public:
    TextNode(std::shared_ptr<const TextContent> content, TextParagraphOptions options);

    void draw(DrawContext& context) const override;
    void collectAccessibility(std::vector<AccessibilityElement>& elements) const override;

    /// The largest tightening tried, in ems.
    static constexpr double maximumTightening = -0.05;

protected:
    Dimensions computeSize(ProposedViewSize proposal, LayoutContext& context) override;
    void placeChildren(ProposedViewSize proposal, LayoutContext& context) override;

private:
    TextMeasurement fit(ProposedViewSize proposal, LayoutContext& context);
    TextMeasurement fitWidth(double offered, LayoutContext& context, std::optional<double>& width, double& scale, double& tracking);
    const TextMeasurement& measure(
        LayoutContext& context, std::optional<double> width, std::optional<int> lines, double scale, double tracking);

    std::shared_ptr<const TextContent> m_content;
    std::string m_identity;
    TextParagraphOptions m_options;
    TextMeasurement m_placed;
};

}

#pragma once

#include "Platform/UI/Layout/LayoutNode.hpp"

#include <string>

namespace tvk::ui::detail {

class ProgressNode : public LayoutNode {
public:
    ProgressNode(double fraction, ProgressViewStyle style, ResolvedColor tint, ResolvedColor track, std::string valueText);
    void draw(DrawContext& context) const override;
    void collectAccessibility(std::vector<AccessibilityElement>& elements) const override;

    static constexpr double circularLength = 16;
    static constexpr double linearIdealWidth = 100;
    static constexpr double linearHeight = 4;

protected:
    Dimensions computeSize(ProposedViewSize proposal, LayoutContext& context) override;

private:
    double m_fraction;
    ProgressViewStyle m_style;
    ResolvedColor m_tint;
    ResolvedColor m_track;
    std::string m_valueText;
};

}

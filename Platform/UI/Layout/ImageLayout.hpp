#pragma once

#include "Platform/UI/Layout/LayoutNode.hpp"
#include "Platform/UI/Layout/SvgDocument.hpp"

#include <memory>
#include <string>

namespace tvk::ui::detail {

struct SymbolDrawing {
    char32_t codepoint = 0;
    /// Ink bounds of the glyph in ems (see `SymbolCatalog::inkBounds`).
    Rect inkBounds;
    double emSize = 0;
    Font::Weight weight = Font::Weight::regular;
    ResolvedColor color;
};

/// An image of natural size `naturalSize`, stretched to the size offered when resizable.
class ImageNode : public LayoutNode {
public:
    ImageNode(std::shared_ptr<const SvgDocument> document, bool isResizable, std::string accessibilityLabel);
    ImageNode(SymbolDrawing symbol, bool isResizable, std::optional<double> baseline, std::string accessibilityLabel);

    void draw(DrawContext& context) const override;
    void collectAccessibility(std::vector<AccessibilityElement>& elements) const override;

protected:
    Dimensions computeSize(ProposedViewSize proposal, LayoutContext& context) override;

private:
    std::shared_ptr<const SvgDocument> m_document;
    std::optional<SymbolDrawing> m_symbol;
    Size m_naturalSize;
    bool m_isResizable;
    std::optional<double> m_baseline;
    std::string m_accessibilityLabel;
};

}

#include "Platform/UI/Layout/ImageLayout.hpp"

#include "Platform/UI/Layout/PangoSupport.hpp"
#include "Platform/UI/SymbolCatalog.hpp"

#include <cairo.h>

namespace tvk::ui::detail {

ImageNode::ImageNode(std::shared_ptr<const SvgDocument> document, bool isResizable, std::string accessibilityLabel)
    : m_document(std::move(document))
    , m_naturalSize(m_document ? m_document->intrinsicSize() : Size {})
    , m_isResizable(isResizable)
    , m_accessibilityLabel(std::move(accessibilityLabel))
{
}

ImageNode::ImageNode(SymbolDrawing symbol, bool isResizable, std::optional<double> baseline, std::string accessibilityLabel)
    : m_symbol(symbol)
    , m_naturalSize { symbol.inkBounds.size.width * symbol.emSize, symbol.inkBounds.size.height * symbol.emSize }
    , m_isResizable(isResizable)
    , m_baseline(isResizable ? std::nullopt : baseline)
    , m_accessibilityLabel(std::move(accessibilityLabel))
{
}

Dimensions ImageNode::computeSize(ProposedViewSize proposal, LayoutContext&)
{
    if (!m_isResizable)
        return { m_naturalSize, m_baseline, m_baseline };
    return Dimensions::of({ proposal.width.value_or(m_naturalSize.width), proposal.height.value_or(m_naturalSize.height) });
}

void ImageNode::draw(DrawContext& context) const
{
    if (m_frame.size.width <= 0 || m_frame.size.height <= 0)
        return;
    if (m_document) {
        m_document->draw(context.cairo, m_frame);
        return;
    }
    if (!m_symbol || m_symbol->inkBounds.size.width <= 0 || m_symbol->inkBounds.size.height <= 0)
        return;

    // Map the glyph's ink box onto the frame: drawn at 100 units to the em and scaled.
    constexpr double em = 100;
    cairo_t* cairo = context.cairo;
    PangoLayout* layout = pango_layout_new(threadPangoContext());
    PangoFontDescription* description = pango_font_description_new();
    pango_font_description_set_family(description, std::string(SymbolCatalog::fontFamily).c_str());
    pango_font_description_set_absolute_size(description, em * PANGO_SCALE);
    pango_font_description_set_weight(description, static_cast<PangoWeight>(pangoWeight(m_symbol->weight)));
    pango_layout_set_font_description(layout, description);
    pango_font_description_free(description);
    std::string text = utf8(m_symbol->codepoint);
    pango_layout_set_text(layout, text.c_str(), static_cast<int>(text.size()));

    const Rect& ink = m_symbol->inkBounds;
    cairo_save(cairo);
    cairo_translate(cairo, m_frame.minX(), m_frame.minY());
    cairo_scale(cairo, m_frame.size.width / (ink.size.width * em), m_frame.size.height / (ink.size.height * em));
    cairo_translate(cairo, -ink.origin.x * em, -ink.origin.y * em);
    const auto& color = m_symbol->color;
    cairo_set_source_rgba(cairo, color.red, color.green, color.blue, color.alpha);
    cairo_move_to(cairo, 0, 0);
    pango_cairo_show_layout(cairo, layout);
    cairo_restore(cairo);
    g_object_unref(layout);
}

void ImageNode::collectAccessibility(std::vector<AccessibilityElement>& elements) const
{
    if (m_accessibilityLabel.empty())
        return;
    AccessibilityElement element;
    element.role = AccessibilityElement::Role::image;
    element.label = m_accessibilityLabel;
    element.frame = m_frame;
    elements.push_back(std::move(element));
}

}

#include "Platform/UI/PangoTextMeasurer.hpp"

#include "Platform/UI/Layout/PangoSupport.hpp"

#include <algorithm>
#include <cmath>

namespace tvk::ui {

namespace {

using detail::fontFamilies;
using detail::pangoWeight;
using detail::threadPangoContext;

/// Pango's text layouts are too big to keep around for no purpose; a measurement's drawable
/// holds the one it was measured with, so drawing repeats nothing.
class PangoDrawable final : public TextDrawable {
public:
    PangoDrawable(PangoLayout* layout, double offsetX, double offsetY)
        : m_layout(layout)
        , m_offsetX(offsetX)
        , m_offsetY(offsetY)
    {
    }
    ~PangoDrawable() override { g_object_unref(m_layout); }
    PangoDrawable(const PangoDrawable&) = delete;
    PangoDrawable& operator=(const PangoDrawable&) = delete;

    void draw(cairo_t* context, Point origin) const override
    {
        cairo_move_to(context, origin.x - m_offsetX, origin.y - m_offsetY);
        pango_cairo_show_layout(context, m_layout);
    }

private:
    PangoLayout* m_layout;
    double m_offsetX;
    double m_offsetY;
};

guint16 colorComponent(double value)
{
    return static_cast<guint16>(std::lround(std::clamp(value, 0.0, 1.0) * 65535));
}

void insertAttribute(PangoAttrList* list, PangoAttribute* attribute, guint start, guint end)
{
    attribute->start_index = start;
    attribute->end_index = end;
    pango_attr_list_insert(list, attribute);
}

PangoAttrList* attributesFor(const TextMeasureRequest& request)
{
    PangoAttrList* list = pango_attr_list_new();
    guint start = 0;
    for (const auto& run : request.content->runs) {
        guint end = start + static_cast<guint>(run.text.size());
        if (end == start)
            continue;
        const auto& style = run.style;
        double size = style.pointSize * request.scale;
        PangoFontDescription* description = pango_font_description_new();
        std::string families = fontFamilies(style.design, size, style.hasMonospacedDigits);
        pango_font_description_set_family(description, families.c_str());
        pango_font_description_set_absolute_size(description, size * PANGO_SCALE);
        pango_font_description_set_weight(description, static_cast<PangoWeight>(pangoWeight(style.weight)));
        pango_font_description_set_style(description, style.isItalic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
        insertAttribute(list, pango_attr_font_desc_new(description), start, end);
        pango_font_description_free(description);
        if (style.hasMonospacedDigits)
            insertAttribute(list, pango_attr_font_features_new("tnum"), start, end);
        insertAttribute(list,
            pango_attr_foreground_new(colorComponent(style.color.red), colorComponent(style.color.green), colorComponent(style.color.blue)),
            start, end);
        insertAttribute(list, pango_attr_foreground_alpha_new(std::max<guint16>(1, colorComponent(style.color.alpha))), start, end);
        if (request.tracking != 0)
            insertAttribute(
                list, pango_attr_letter_spacing_new(static_cast<int>(std::lround(request.tracking * size * PANGO_SCALE))), start, end);
        start = end;
    }
    return list;
}

PangoAlignment pangoAlignment(TextAlignment alignment)
{
    switch (alignment) {
    case TextAlignment::leading: return PANGO_ALIGN_LEFT;
    case TextAlignment::center: return PANGO_ALIGN_CENTER;
    case TextAlignment::trailing: return PANGO_ALIGN_RIGHT;
    }
    return PANGO_ALIGN_LEFT;
}

PangoEllipsizeMode pangoEllipsis(TruncationMode mode)
{
    switch (mode) {
    case TruncationMode::head: return PANGO_ELLIPSIZE_START;
    case TruncationMode::middle: return PANGO_ELLIPSIZE_MIDDLE;
    case TruncationMode::tail: return PANGO_ELLIPSIZE_END;
    }
    return PANGO_ELLIPSIZE_END;
}

/// The first `length` bytes of the text without a trailing line break, with an ellipsis.
std::shared_ptr<const TextContent> clippedContent(const TextContent& content, size_t length)
{
    auto clipped = std::make_shared<TextContent>();
    clipped->language = content.language;
    size_t taken = 0;
    for (const auto& run : content.runs) {
        if (taken >= length)
            break;
        TextRun part = run;
        part.text = run.text.substr(0, length - taken);
        taken += part.text.size();
        clipped->runs.push_back(std::move(part));
    }
    while (!clipped->runs.empty() && !clipped->runs.back().text.empty() && clipped->runs.back().text.back() == '\n')
        clipped->runs.back().text.pop_back();
    if (!clipped->runs.empty())
        clipped->runs.back().text += "\u2026";
    return clipped;
}

double points(int pangoUnits)
{
    return static_cast<double>(pangoUnits) / PANGO_SCALE;
}

// Wide enough for any widget, small enough for Pango's 32-bit units.
constexpr double unwrappedWidth = 100000;

}

TextMeasurement PangoTextMeasurer::measure(const TextMeasureRequest& request)
{
    if (!request.content || m_capacity == 0)
        return measure(request, false);
    std::string key = measurementKey(request, request.content->identity());
    if (auto found = m_index.find(key); found != m_index.end()) {
        m_recent.splice(m_recent.begin(), m_recent, found->second);
        return found->second->second;
    }
    auto measurement = measure(request, false);
    m_recent.emplace_front(key, measurement);
    m_index.emplace(std::move(key), m_recent.begin());
    if (m_recent.size() > m_capacity) {
        m_index.erase(m_recent.back().first);
        m_recent.pop_back();
    }
    return measurement;
}

TextMeasurement PangoTextMeasurer::measure(const TextMeasureRequest& request, bool clipped)
{
    TextMeasurement measurement;
    if (!request.content)
        return measurement;
    for (const auto& run : request.content->runs) {
        if (!g_utf8_validate(run.text.data(), static_cast<gssize>(run.text.size()), nullptr)) {
            auto valid = std::make_shared<TextContent>(*request.content);
            for (auto& part : valid->runs)
                part.text = detail::validUTF8(std::move(part.text));
            TextMeasureRequest repaired = request;
            repaired.content = valid;
            return measure(repaired, clipped);
        }
    }
    PangoLayout* layout = pango_layout_new(threadPangoContext());
    std::string text;
    for (const auto& run : request.content->runs)
        text += run.text;
    pango_layout_set_text(layout, text.c_str(), static_cast<int>(text.size()));
    PangoAttrList* attributes = attributesFor(request);
    if (!request.content->language.empty()) {
        PangoAttribute* language = pango_attr_language_new(pango_language_from_string(request.content->language.c_str()));
        pango_attr_list_insert_before(attributes, language);
    }
    pango_layout_set_attributes(layout, attributes);
    pango_attr_list_unref(attributes);
    pango_layout_set_auto_dir(layout, TRUE);
    pango_layout_set_alignment(layout, pangoAlignment(request.alignment));
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);

    bool limitsLines = request.maximumLines && *request.maximumLines > 0;
    double width = request.width ? std::max(0.0, std::min(*request.width, unwrappedWidth)) : unwrappedWidth;
    if (request.width || limitsLines)
        pango_layout_set_width(layout, static_cast<int>(std::floor(width * PANGO_SCALE)));
    if (limitsLines) {
        // Pango limits the lines of each paragraph; the limit is on the whole text, so a text
        // whose paragraphs make more lines is cut after the last line allowed and ends in an
        // ellipsis, and set again.
        pango_layout_set_ellipsize(layout, pangoEllipsis(request.truncationMode));
        pango_layout_set_height(layout, -*request.maximumLines);
        if (pango_layout_get_line_count(layout) > *request.maximumLines && clipped) {
            // The ellipsis itself took a line: show the lines allowed, by height.
            PangoLayoutIter* iterator = pango_layout_get_iter(layout);
            int bottom = 0;
            for (int line = 0; line < *request.maximumLines; ++line) {
                int top;
                pango_layout_iter_get_line_yrange(iterator, &top, &bottom);
                if (!pango_layout_iter_next_line(iterator))
                    break;
            }
            pango_layout_iter_free(iterator);
            pango_layout_set_height(layout, bottom);
        } else if (pango_layout_get_line_count(layout) > *request.maximumLines) {
            PangoLayoutLine* last = pango_layout_get_line_readonly(layout, *request.maximumLines - 1);
            size_t end = last ? static_cast<size_t>(last->start_index + last->length) : text.size();
            g_object_unref(layout);
            TextMeasureRequest cut = request;
            cut.content = clippedContent(*request.content, end);
            auto measurement = measure(cut, true);
            measurement.isTruncated = true;
            return measurement;
        }
    }

    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    measurement.size = { points(logical.width), points(logical.height) };
    measurement.lineCount = pango_layout_get_line_count(layout);
    measurement.isTruncated = clipped || pango_layout_is_ellipsized(layout);
    PangoLayoutIter* iterator = pango_layout_get_iter(layout);
    measurement.firstBaseline = points(pango_layout_iter_get_baseline(iterator) - logical.y);
    int lastBaseline = pango_layout_iter_get_baseline(iterator);
    while (pango_layout_iter_next_line(iterator))
        lastBaseline = pango_layout_iter_get_baseline(iterator);
    pango_layout_iter_free(iterator);
    measurement.lastBaseline = points(lastBaseline - logical.y);
    measurement.drawable = std::make_shared<PangoDrawable>(layout, points(logical.x), points(logical.y));
    return measurement;
}

PangoTextMeasurer& PangoTextMeasurer::forCurrentThread()
{
    thread_local PangoTextMeasurer measurer;
    return measurer;
}

}

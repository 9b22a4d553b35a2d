#include "Platform/UI/SymbolCatalog.hpp"

#include "Platform/UI/Layout/PangoSupport.hpp"

#include <map>
#include <mutex>
#include <string>

namespace tvk::ui {

namespace {

// The widgets' symbols first; the rest are there for views to come. "circle" is the outline,
// "circle.fill" the disc, as in the symbol set the names come from.
constexpr SymbolGlyph symbols[] = {
    { "video.fill", 0xe04b, "Video" },
    { "car.fill", 0xe531, "Car" },
    { "alarm.fill", 0xe855, "Alarm" },
    { "circle", 0xe836, "Circle" },
    { "circle.fill", 0xef4a, "Circle" },
    { "video.slash.fill", 0xe04c, "Video off" },
    { "calendar", 0xe935, "Calendar" },
    { "clock", 0xe8b5, "Clock" },
    { "timer", 0xe425, "Timer" },
    { "bell.fill", 0xe7f4, "Bell" },
    { "person.fill", 0xe7fd, "Person" },
    { "person.3.fill", 0xf233, "People" },
    { "phone.fill", 0xe0b0, "Phone" },
    { "envelope.fill", 0xe158, "Mail" },
    { "mappin", 0xe0c8, "Location" },
    { "link", 0xe157, "Link" },
    { "figure.walk", 0xe536, "Walking" },
    { "bicycle", 0xe52f, "Bicycle" },
    { "tram.fill", 0xe535, "Transit" },
    { "airplane", 0xe539, "Airplane" },
    { "checkmark", 0xe5ca, "Checkmark" },
    { "xmark", 0xe5cd, "Close" },
    { "chevron.right", 0xe5cc, "Forward" },
    { "exclamationmark.triangle.fill", 0xe002, "Warning" },
    { "info.circle.fill", 0xe88e, "Information" },
    { "gearshape.fill", 0xe8b8, "Settings" },
    { "arrow.clockwise", 0xe5d5, "Reload" },
    { "mic.fill", 0xe029, "Microphone" },
    { "mic.slash.fill", 0xe02b, "Microphone off" },
    { "star.fill", 0xe838, "Star" },
    { "heart.fill", 0xe87d, "Heart" },
    { "lock.fill", 0xe897, "Lock" },
};

}

std::span<const SymbolGlyph> SymbolCatalog::all()
{
    return symbols;
}

std::optional<SymbolGlyph> SymbolCatalog::glyph(std::string_view name)
{
    for (const auto& symbol : symbols) {
        if (symbol.name == name)
            return symbol;
    }
    return std::nullopt;
}

bool SymbolCatalog::isFontInstalled()
{
    static const bool installed = detail::isFontFamilyInstalled(fontFamily);
    return installed;
}

std::optional<Rect> SymbolCatalog::inkBounds(char32_t codepoint)
{
    if (!isFontInstalled())
        return std::nullopt;
    static std::mutex mutex;
    static std::map<char32_t, std::optional<Rect>> cache;
    std::lock_guard lock(mutex);
    if (auto found = cache.find(codepoint); found != cache.end())
        return found->second;

    // Measured at 100 units to the em, so the result reads directly as ems.
    constexpr double em = 100;
    PangoLayout* layout = pango_layout_new(detail::threadPangoContext());
    PangoFontDescription* description = pango_font_description_new();
    pango_font_description_set_family(description, std::string(fontFamily).c_str());
    pango_font_description_set_absolute_size(description, em * PANGO_SCALE);
    pango_layout_set_font_description(layout, description);
    pango_font_description_free(description);
    std::string text = detail::utf8(codepoint);
    pango_layout_set_text(layout, text.c_str(), static_cast<int>(text.size()));
    std::optional<Rect> bounds;
    // A code point the font lacks falls back to another font; only the icon font's own
    // glyph counts.
    if (pango_layout_get_unknown_glyphs_count(layout) == 0) {
        PangoLayoutIter* iterator = pango_layout_get_iter(layout);
        PangoLayoutRun* run = pango_layout_iter_get_run_readonly(iterator);
        bool fromIconFont = false;
        if (run) {
            PangoFontDescription* used = pango_font_describe(run->item->analysis.font);
            fromIconFont = std::string_view(pango_font_description_get_family(used)) == fontFamily;
            pango_font_description_free(used);
        }
        pango_layout_iter_free(iterator);
        PangoRectangle ink;
        pango_layout_get_extents(layout, &ink, nullptr);
        if (fromIconFont && ink.width > 0 && ink.height > 0) {
            double scale = 1.0 / (em * PANGO_SCALE);
            bounds = Rect { { ink.x * scale, ink.y * scale }, { ink.width * scale, ink.height * scale } };
        }
    }
    g_object_unref(layout);
    cache.emplace(codepoint, bounds);
    return bounds;
}

}

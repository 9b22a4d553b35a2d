#include "Platform/UI/Layout/PangoSupport.hpp"

#include "Platform/UI/Layout/Sanitizers.hpp"

#include <memory>
#include <mutex>
#include <set>

namespace tvk::ui::detail {

namespace {

struct ContextDeleter {
    void operator()(PangoContext* context) const { g_object_unref(context); }
};

const std::set<std::string, std::less<>>& installedFamilies()
{
    static std::set<std::string, std::less<>> families;
    static std::once_flag once;
    std::call_once(once, [] {
        PangoFontFamily** list = nullptr;
        int count = 0;
        pango_font_map_list_families(pango_cairo_font_map_get_default(), &list, &count);
        for (int index = 0; index < count; ++index)
            families.insert(pango_font_family_get_name(list[index]));
        g_free(list);
    });
    return families;
}

}

PangoContext* threadPangoContext()
{
    thread_local std::unique_ptr<PangoContext, ContextDeleter> context = [] {
        PangoFontMap* fontMap = pango_cairo_font_map_get_default();
        PangoContext* created = pango_font_map_create_context(fontMap);
        pango_cairo_context_set_resolution(created, 72);
        cairo_font_options_t* options = cairo_font_options_create();
        cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
        cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
        cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
        pango_cairo_context_set_font_options(created, options);
        cairo_font_options_destroy(options);
        pango_context_set_round_glyph_positions(created, FALSE);
        return std::unique_ptr<PangoContext, ContextDeleter>(created);
    }();
    return context.get();
}

bool isFontFamilyInstalled(std::string_view family)
{
    return installedFamilies().contains(family);
}

std::string fontFamilies(Font::Design design, double pointSize, bool monospacedDigits)
{
    static const bool hasInter = isFontFamilyInstalled("Inter");
    static const bool hasInterDisplay = isFontFamilyInstalled("Inter Display");
    std::string primary;
    switch (design) {
    case Font::Design::monospaced: primary = "Monospace"; break;
    case Font::Design::serif: primary = "Serif"; break;
    case Font::Design::standard:
    case Font::Design::rounded:
        if (hasInterDisplay && pointSize >= 20 && !monospacedDigits)
            primary = "Inter Display";
        else if (hasInter)
            primary = "Inter";
        else
            primary = "Sans";
        break;
    }
    return primary;
}

std::string utf8(char32_t codepoint)
{
    std::string text;
    if (codepoint < 0x80) {
        text += static_cast<char>(codepoint);
    } else if (codepoint < 0x800) {
        text += static_cast<char>(0xC0 | (codepoint >> 6));
        text += static_cast<char>(0x80 | (codepoint & 0x3F));
    } else if (codepoint < 0x10000) {
        text += static_cast<char>(0xE0 | (codepoint >> 12));
        text += static_cast<char>(0x80 | ((codepoint >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (codepoint & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | (codepoint >> 18));
        text += static_cast<char>(0x80 | ((codepoint >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((codepoint >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (codepoint & 0x3F));
    }
    return text;
}

std::string validUTF8(std::string text)
{
    if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr))
        return text;
    gchar* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
    std::string result(valid);
    g_free(valid);
    return result;
}

int pangoWeight(Font::Weight weight)
{
    switch (weight) {
    case Font::Weight::ultraLight: return PANGO_WEIGHT_ULTRALIGHT;
    case Font::Weight::thin: return PANGO_WEIGHT_THIN;
    case Font::Weight::light: return PANGO_WEIGHT_LIGHT;
    case Font::Weight::regular: return PANGO_WEIGHT_NORMAL;
    case Font::Weight::medium: return PANGO_WEIGHT_MEDIUM;
    case Font::Weight::semibold: return PANGO_WEIGHT_SEMIBOLD;
    case Font::Weight::bold: return PANGO_WEIGHT_BOLD;
    case Font::Weight::heavy: return PANGO_WEIGHT_ULTRABOLD;
    case Font::Weight::black: return PANGO_WEIGHT_HEAVY;
    }
    return PANGO_WEIGHT_NORMAL;
}

}

// Fontconfig keeps the patterns it matched for Pango in caches that are never freed and that
// the leak checker cannot trace to a root (a plain Pango program shows the same), so leaks
// allocated inside fontconfig are not reported in sanitizer builds. Weak, so that a program
// with suppressions of its own can replace the list.
#ifdef TVK_ADDRESS_SANITIZER
extern "C" __attribute__((weak, visibility("default"))) const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
#endif

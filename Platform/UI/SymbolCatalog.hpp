#pragma once

#include "Platform/UI/Geometry.hpp"

#include <optional>
#include <span>
#include <string_view>

namespace tvk::ui {

/// A symbol name as the widgets use it ("video.fill") and the glyph that draws it from the
/// icon font installed with the desktop (Material Icons, from fonts-material-design-icons-
/// iconfont): its code point in the font, and what assistive technology reads for it.
struct SymbolGlyph {
    std::string_view name;
    char32_t codepoint;
    std::string_view accessibilityLabel;
};

class SymbolCatalog {
public:
    /// The icon font family.
    static constexpr std::string_view fontFamily = "Material Icons";

    /// To add a symbol, add a row to the table in SymbolCatalog.cpp with the code point from
    /// the font's codepoints list (/usr/share/fonts-material-design-icons-iconfont/scss/
    /// _variables.scss).
    static std::span<const SymbolGlyph> all();
    static std::optional<SymbolGlyph> glyph(std::string_view name);

    static bool isFontInstalled();
    /// The glyph's ink bounds in ems, relative to the top-left corner of its em square; none
    /// when the font is missing or has no such glyph.
    static std::optional<Rect> inkBounds(char32_t codepoint);
};

}

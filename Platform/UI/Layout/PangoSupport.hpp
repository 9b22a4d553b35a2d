#pragma once

// The Pango setup shared by text measurement and symbol drawing. Internal to Platform/UI.

#include "Platform/UI/Font.hpp"

#include <pango/pangocairo.h>

#include <string>
#include <string_view>

namespace tvk::ui::detail {

/// A Pango context of the calling thread at 72 dpi (one unit is one point) with hinting of
/// metrics and glyph positions off, so that text measures the same at every display scale.
PangoContext* threadPangoContext();

/// Whether fontconfig knows a family of exactly this name.
bool isFontFamilyInstalled(std::string_view family);

/// The family for text of a design and size: Inter (Inter Display from 20 pt up, unless the
/// digits must be monospaced: its tabular figures are not all one width) when installed, else
/// fontconfig's default of the design. Emoji are not listed: Pango gives
/// emoji-presentation sequences to the colour emoji font (Noto Color Emoji) by itself, while
/// naming that font in the family list would make it take digits and symbols too.
std::string fontFamilies(Font::Design design, double pointSize, bool monospacedDigits);

int pangoWeight(Font::Weight weight);

std::string utf8(char32_t codepoint);

/// `text` when it is valid UTF-8; otherwise a copy with each invalid sequence replaced by
/// U+FFFD (texts come from calendar files and settings that may hold anything).
std::string validUTF8(std::string text);

}

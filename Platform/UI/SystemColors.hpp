#pragma once

#include "Platform/Runtime/Color.hpp"

namespace tvk::ui {

enum class ColorScheme { light, dark };

/// sRGB components and alpha, each 0...1, ready to draw.
struct ResolvedColor {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;

    constexpr ResolvedColor multiplyingOpacity(double factor) const { return { red, green, blue, alpha * factor }; }
    bool operator==(const ResolvedColor&) const = default;
};

/// The colour to draw for `color` in the given appearance: named system colours take their
/// light or dark value (the desktop palette the widgets were designed against), the colour's
/// alpha multiplies the result, and the system effect is applied last (`disabled` fades the
/// colour to about a third, `pressed` and `deepPressed` darken it in light and lighten it in
/// dark, `rollover` does the opposite a little).
ResolvedColor resolveColor(const Color& color, ColorScheme scheme);

/// The opaque background a widget or window shows in this appearance.
ResolvedColor windowBackgroundColor(ColorScheme scheme);

}

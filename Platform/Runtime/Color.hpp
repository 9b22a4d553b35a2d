#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tvk {

/// A colour as the event core carries it: either fixed sRGB components or a named system
/// colour that the drawing layer resolves for the current appearance (light or dark), in both
/// cases with an alpha and an optional system effect. Plain data: no drawing library is
/// involved, so calendars and events can hold colours anywhere.
struct Color {
    enum class System {
        red,
        orange,
        yellow,
        green,
        blue,
        purple,
        pink,
        brown,
        gray,
        label,
        secondaryLabel,
        controlText,
        controlAccent,
    };

    /// How a control state alters the colour when it is drawn.
    enum class Effect { none, pressed, deepPressed, disabled, rollover };

    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;
    /// When present, the components above are unused and the named colour is resolved at
    /// drawing time; `alpha` still applies on top of it.
    std::optional<System> system;
    Effect effect = Effect::none;

    static constexpr Color rgb(double red, double green, double blue, double alpha = 1)
    {
        return Color { red, green, blue, alpha, std::nullopt, Effect::none };
    }
    static constexpr Color named(System system) { return Color { 0, 0, 0, 1, system, Effect::none }; }

    /// "#RGB", "#RRGGBB" or "#RRGGBBAA", with or without the "#", either case; none otherwise.
    static std::optional<Color> fromHex(std::string_view text);
    /// One of the 148 colour names of CSS ("rebeccapurple", "DarkSlateGray"), in any case, as
    /// RFC 7986's COLOR property names colours; none for any other text.
    static std::optional<Color> fromName(std::string_view name);
    /// "#RRGGBBAA" in upper case for a fixed colour; the system name for a named one.
    std::string hexString() const;

    constexpr Color withAlphaComponent(double newAlpha) const
    {
        Color copy = *this;
        copy.alpha = newAlpha;
        return copy;
    }
    constexpr Color withSystemEffect(Effect newEffect) const
    {
        Color copy = *this;
        copy.effect = newEffect;
        return copy;
    }

    bool operator==(const Color&) const = default;
};

std::string_view systemColorName(Color::System);

}

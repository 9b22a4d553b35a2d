#pragma once

#include "Platform/Runtime/Color.hpp"
#include "Platform/UI/SystemColors.hpp"

#include <optional>

namespace tvk::ui {

/// How a shape is filled or a text is coloured: a colour, a hierarchical level of the current
/// foreground style (`secondary()` is the foreground at reduced emphasis: the secondary label
/// colour of the scheme by default, or the colour set further up at the same ratio to the
/// primary label colour, about 60 %), a level of the system fill, the window background, or
/// the tint.
class ShapeStyle {
public:
    enum class Level { primary, secondary, tertiary, quaternary };

    ShapeStyle(Color color)
        : m_kind(Kind::color)
        , m_color(color)
    {
    }

    static ShapeStyle primary() { return ShapeStyle(Kind::hierarchical, Level::primary); }
    static ShapeStyle secondary() { return ShapeStyle(Kind::hierarchical, Level::secondary); }
    static ShapeStyle tertiary() { return ShapeStyle(Kind::hierarchical, Level::tertiary); }
    static ShapeStyle quaternary() { return ShapeStyle(Kind::hierarchical, Level::quaternary); }
    /// The translucent system fills (`.fill`, `.fill.secondary`, ...), for backgrounds of
    /// controls and containers.
    static ShapeStyle fill(Level level = Level::primary) { return ShapeStyle(Kind::fill, level); }
    static ShapeStyle background() { return ShapeStyle(Kind::background, Level::primary); }
    static ShapeStyle tint() { return ShapeStyle(Kind::tint, Level::primary); }

    ShapeStyle opacity(double factor) const
    {
        ShapeStyle copy = *this;
        copy.m_opacity *= factor;
        return copy;
    }

    /// This style as it applies below a view whose foreground style is `enclosing` (absent
    /// when none was set): a hierarchical level becomes that level of the enclosing style.
    ShapeStyle relativeTo(const std::optional<ShapeStyle>& enclosing) const;

    /// The colour to draw. `tint` is the environment's tint (the accent colour when absent).
    ResolvedColor resolve(ColorScheme scheme, const std::optional<Color>& tint = std::nullopt) const;

    /// What a level takes of the style it is relative to: the opacity of that level's label
    /// colour over the primary label colour's in the scheme.
    static double hierarchicalOpacity(Level level, ColorScheme scheme);

    bool operator==(const ShapeStyle&) const = default;

private:
    enum class Kind { color, hierarchical, fill, background, tint };

    ShapeStyle(Kind kind, Level level)
        : m_kind(kind)
        , m_level(level)
    {
    }

    Kind m_kind;
    Color m_color;
    Level m_level = Level::primary;
    double m_opacity = 1;
    /// The levels this style was taken at relative to an enclosing one, whose opacities differ
    /// by scheme (`relativeTo`), applied when the scheme is known.
    double m_lightOpacity = 1;
    double m_darkOpacity = 1;
};

}

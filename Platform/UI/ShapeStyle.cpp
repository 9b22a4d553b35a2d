#include "Platform/UI/ShapeStyle.hpp"

namespace tvk::ui {

double ShapeStyle::hierarchicalOpacity(Level level)
{
    // The ratios of the desktop's label colours (0.85, 0.5, 0.25, 0.1 alpha in light mode), so
    // that the levels of the default foreground are exactly the label colours.
    switch (level) {
    case Level::primary: return 1;
    case Level::secondary: return 0.5 / 0.85;
    case Level::tertiary: return 0.25 / 0.85;
    case Level::quaternary: return 0.1 / 0.85;
    }
    return 1;
}

ShapeStyle ShapeStyle::relativeTo(const std::optional<ShapeStyle>& enclosing) const
{
    if (m_kind != Kind::hierarchical || !enclosing)
        return *this;
    return enclosing->opacity(hierarchicalOpacity(m_level) * m_opacity);
}

ResolvedColor ShapeStyle::resolve(ColorScheme scheme, const std::optional<Color>& tint) const
{
    ResolvedColor color;
    switch (m_kind) {
    case Kind::color: color = resolveColor(m_color, scheme); break;
    case Kind::hierarchical:
        color = resolveColor(Color::named(Color::System::label), scheme).multiplyingOpacity(hierarchicalOpacity(m_level));
        break;
    case Kind::fill: {
        static constexpr double alphas[] = { 0.1, 0.08, 0.05, 0.03 };
        double alpha = alphas[static_cast<int>(m_level)];
        color = scheme == ColorScheme::dark ? ResolvedColor { 1, 1, 1, alpha } : ResolvedColor { 0, 0, 0, alpha };
        break;
    }
    case Kind::background: color = windowBackgroundColor(scheme); break;
    case Kind::tint: color = resolveColor(tint.value_or(Color::named(Color::System::controlAccent)), scheme); break;
    }
    return color.multiplyingOpacity(m_opacity);
}

}

#include "Platform/UI/ShapeStyle.hpp"

namespace tvk::ui {

double ShapeStyle::hierarchicalOpacity(Level level, ColorScheme scheme)
{
    // The ratios of the desktop's label colours to the primary one, so that the levels of the
    // default foreground are exactly the label colours: 0.85, 0.5, 0.25 and 0.1 alpha in light
    // mode, 0.85, 0.55, 0.25 and 0.1 in dark mode.
    double label = resolveColor(Color::named(Color::System::label), scheme).alpha;
    switch (level) {
    case Level::primary: return 1;
    case Level::secondary: return resolveColor(Color::named(Color::System::secondaryLabel), scheme).alpha / label;
    case Level::tertiary: return 0.25 / label;
    case Level::quaternary: return 0.1 / label;
    }
    return 1;
}

ShapeStyle ShapeStyle::relativeTo(const std::optional<ShapeStyle>& enclosing) const
{
    if (m_kind != Kind::hierarchical || !enclosing)
        return *this;
    ShapeStyle result = enclosing->opacity(m_opacity);
    result.m_lightOpacity *= m_lightOpacity * hierarchicalOpacity(m_level, ColorScheme::light);
    result.m_darkOpacity *= m_darkOpacity * hierarchicalOpacity(m_level, ColorScheme::dark);
    return result;
}

ResolvedColor ShapeStyle::resolve(ColorScheme scheme, const std::optional<Color>& tint) const
{
    ResolvedColor color;
    switch (m_kind) {
    case Kind::color: color = resolveColor(m_color, scheme); break;
    case Kind::hierarchical:
        color = resolveColor(Color::named(Color::System::label), scheme).multiplyingOpacity(hierarchicalOpacity(m_level, scheme));
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
    return color.multiplyingOpacity(m_opacity * (scheme == ColorScheme::dark ? m_darkOpacity : m_lightOpacity));
}

}

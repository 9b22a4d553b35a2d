#include "Platform/UI/SystemColors.hpp"

#include <algorithm>

namespace tvk::ui {

namespace {

constexpr ResolvedColor rgb255(int red, int green, int blue, double alpha = 1)
{
    return { red / 255.0, green / 255.0, blue / 255.0, alpha };
}

ResolvedColor systemValue(Color::System system, ColorScheme scheme)
{
    bool dark = scheme == ColorScheme::dark;
    switch (system) {
    case Color::System::red: return dark ? rgb255(255, 69, 58) : rgb255(255, 59, 48);
    case Color::System::orange: return dark ? rgb255(255, 159, 10) : rgb255(255, 149, 0);
    case Color::System::yellow: return dark ? rgb255(255, 214, 10) : rgb255(255, 204, 0);
    case Color::System::green: return dark ? rgb255(50, 215, 75) : rgb255(40, 205, 65);
    case Color::System::blue: return dark ? rgb255(10, 132, 255) : rgb255(0, 122, 255);
    case Color::System::purple: return dark ? rgb255(191, 90, 242) : rgb255(175, 82, 222);
    case Color::System::pink: return dark ? rgb255(255, 55, 95) : rgb255(255, 45, 85);
    case Color::System::brown: return dark ? rgb255(172, 142, 104) : rgb255(162, 132, 94);
    case Color::System::gray: return dark ? rgb255(152, 152, 157) : rgb255(142, 142, 147);
    case Color::System::label: return dark ? rgb255(255, 255, 255, 0.85) : rgb255(0, 0, 0, 0.85);
    case Color::System::secondaryLabel: return dark ? rgb255(255, 255, 255, 0.55) : rgb255(0, 0, 0, 0.5);
    case Color::System::controlText: return dark ? rgb255(255, 255, 255, 0.85) : rgb255(0, 0, 0, 0.85);
    case Color::System::controlAccent: return dark ? rgb255(10, 132, 255) : rgb255(0, 122, 255);
    }
    return dark ? rgb255(255, 255, 255) : rgb255(0, 0, 0);
}

ResolvedColor mix(ResolvedColor color, double red, double green, double blue, double amount)
{
    return { color.red + (red - color.red) * amount, color.green + (green - color.green) * amount,
        color.blue + (blue - color.blue) * amount, color.alpha };
}

ResolvedColor towardsContrast(ResolvedColor color, ColorScheme scheme, double amount)
{
    return scheme == ColorScheme::dark ? mix(color, 1, 1, 1, amount) : mix(color, 0, 0, 0, amount);
}

ResolvedColor awayFromContrast(ResolvedColor color, ColorScheme scheme, double amount)
{
    return scheme == ColorScheme::dark ? mix(color, 0, 0, 0, amount) : mix(color, 1, 1, 1, amount);
}

double unit(double value)
{
    return std::clamp(value, 0.0, 1.0);
}

}

ResolvedColor resolveColor(const Color& color, ColorScheme scheme)
{
    ResolvedColor resolved = color.system ? systemValue(*color.system, scheme) : ResolvedColor { color.red, color.green, color.blue, 1 };
    resolved.alpha *= color.alpha;
    switch (color.effect) {
    case Color::Effect::none: break;
    case Color::Effect::disabled: resolved.alpha *= 0.35; break;
    case Color::Effect::pressed: resolved = towardsContrast(resolved, scheme, 0.2); break;
    case Color::Effect::deepPressed: resolved = towardsContrast(resolved, scheme, 0.35); break;
    case Color::Effect::rollover: resolved = awayFromContrast(resolved, scheme, 0.15); break;
    }
    return { unit(resolved.red), unit(resolved.green), unit(resolved.blue), unit(resolved.alpha) };
}

ResolvedColor windowBackgroundColor(ColorScheme scheme)
{
    return scheme == ColorScheme::dark ? rgb255(40, 40, 42) : rgb255(246, 246, 246);
}

}

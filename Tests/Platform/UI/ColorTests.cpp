#include "Platform/UI/EnvironmentValues.hpp"
#include "Platform/UI/ShapeStyle.hpp"
#include "Platform/UI/SystemColors.hpp"

#include <gtest/gtest.h>

using namespace tvk;
using namespace tvk::ui;

namespace {

void expectColor(ResolvedColor actual, int red, int green, int blue, double alpha)
{
    EXPECT_NEAR(actual.red * 255, red, 0.01);
    EXPECT_NEAR(actual.green * 255, green, 0.01);
    EXPECT_NEAR(actual.blue * 255, blue, 0.01);
    EXPECT_NEAR(actual.alpha, alpha, 1e-9);
}

}

TEST(SystemColors, NamedColoursTakeTheirLightAndDarkValues)
{
    auto orange = Color::named(Color::System::orange);
    expectColor(resolveColor(orange, ColorScheme::light), 255, 149, 0, 1);
    expectColor(resolveColor(orange, ColorScheme::dark), 255, 159, 10, 1);
    expectColor(resolveColor(Color::named(Color::System::green), ColorScheme::light), 40, 205, 65, 1);
    expectColor(resolveColor(Color::named(Color::System::gray), ColorScheme::dark), 152, 152, 157, 1);
    expectColor(resolveColor(Color::named(Color::System::controlText), ColorScheme::light), 0, 0, 0, 0.85);
    expectColor(resolveColor(Color::named(Color::System::controlText), ColorScheme::dark), 255, 255, 255, 0.85);
    expectColor(resolveColor(Color::named(Color::System::secondaryLabel), ColorScheme::light), 0, 0, 0, 0.5);
    // A fixed colour is the same in both.
    auto fixed = Color::rgb(0.2, 0.4, 0.6);
    EXPECT_EQ(resolveColor(fixed, ColorScheme::light), resolveColor(fixed, ColorScheme::dark));
}

TEST(SystemColors, AlphaAndSystemEffectsApplyOnTop)
{
    auto green = Color::named(Color::System::green);
    expectColor(resolveColor(green.withAlphaComponent(0.3), ColorScheme::light), 40, 205, 65, 0.3);
    auto disabled = resolveColor(Color::named(Color::System::controlText).withSystemEffect(Color::Effect::disabled), ColorScheme::light);
    EXPECT_NEAR(disabled.alpha, 0.85 * 0.35, 1e-9);
    EXPECT_EQ(resolveColor(green.withSystemEffect(Color::Effect::none), ColorScheme::dark), resolveColor(green, ColorScheme::dark));
    auto pressedLight = resolveColor(green.withSystemEffect(Color::Effect::pressed), ColorScheme::light);
    auto pressedDark = resolveColor(green.withSystemEffect(Color::Effect::pressed), ColorScheme::dark);
    EXPECT_LT(pressedLight.green, resolveColor(green, ColorScheme::light).green);
    EXPECT_GT(pressedDark.red, resolveColor(green, ColorScheme::dark).red);
    // Out-of-range components from a hostile settings file are clamped.
    auto wild = resolveColor(Color::rgb(2, -1, 0.5, 7), ColorScheme::light);
    EXPECT_EQ(wild, (ResolvedColor { 1, 0, 0.5, 1 }));
}

TEST(ShapeStyle, HierarchicalLevelsFollowTheForegroundStyle)
{
    EnvironmentValues environment;
    expectColor(environment.resolve(ShapeStyle::secondary()), 0, 0, 0, 0.5);
    expectColor(environment.resolvedForeground(), 0, 0, 0, 0.85);
    environment.colorScheme = ColorScheme::dark;
    EXPECT_EQ(environment.resolvedForeground().red, 1);

    // Below an orange foreground, the secondary level is orange at reduced opacity.
    environment.foregroundStyle = ShapeStyle(Color::named(Color::System::orange));
    auto secondary = environment.resolve(ShapeStyle::secondary());
    expectColor(secondary, 255, 159, 10, 0.55 / 0.85);
    // Set as the foreground below, it composes the same way.
    environment.foregroundStyle = ShapeStyle::secondary().relativeTo(environment.foregroundStyle);
    EXPECT_EQ(environment.resolvedForeground(), secondary);
    environment.colorScheme = ColorScheme::light;
    // The same style in light mode takes the light palette's ratio.
    expectColor(environment.resolvedForeground(), 255, 149, 0, 0.5 / 0.85);
}

TEST(ShapeStyle, TheSecondaryLevelIsThePalettesSecondaryLabelInEitherScheme)
{
    for (auto scheme : { ColorScheme::light, ColorScheme::dark }) {
        EnvironmentValues environment;
        environment.colorScheme = scheme;
        auto expected = resolveColor(Color::named(Color::System::secondaryLabel), scheme);
        auto secondary = environment.resolve(ShapeStyle::secondary());
        EXPECT_EQ(secondary.red, expected.red);
        EXPECT_NEAR(secondary.alpha, expected.alpha, 1e-12) << (scheme == ColorScheme::dark ? "dark" : "light");
    }
    expectColor(ShapeStyle::secondary().resolve(ColorScheme::dark), 255, 255, 255, 0.55);
    expectColor(ShapeStyle::tertiary().resolve(ColorScheme::dark), 255, 255, 255, 0.25);
}

TEST(ShapeStyle, FillsBackgroundAndTintResolvePerAppearance)
{
    EXPECT_EQ(ShapeStyle::fill(ShapeStyle::Level::tertiary).resolve(ColorScheme::light), (ResolvedColor { 0, 0, 0, 0.05 }));
    EXPECT_EQ(ShapeStyle::fill().resolve(ColorScheme::dark), (ResolvedColor { 1, 1, 1, 0.1 }));
    EXPECT_EQ(ShapeStyle::background().resolve(ColorScheme::dark), windowBackgroundColor(ColorScheme::dark));
    EXPECT_NE(windowBackgroundColor(ColorScheme::light), windowBackgroundColor(ColorScheme::dark));
    expectColor(ShapeStyle::tint().resolve(ColorScheme::light), 0, 122, 255, 1);
    expectColor(ShapeStyle::tint().resolve(ColorScheme::light, Color::named(Color::System::red)), 255, 59, 48, 1);
    expectColor(ShapeStyle(Color::rgb(1, 0, 0)).opacity(0.5).resolve(ColorScheme::light), 255, 0, 0, 0.5);
}

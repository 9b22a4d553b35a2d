#include "Tests/Platform/UI/UITestSupport.hpp"

#include "Platform/UI/UI.hpp"

#include <gtest/gtest.h>

using namespace tvk;
using namespace tvk::ui;

namespace {

ViewLayout lay(const View& view, Size size, test::FixedTextMeasurer& measurer, EnvironmentValues environment = {})
{
    return ViewLayout::make(view, size, std::move(environment), LayoutOptions { &measurer, Date(0) });
}

View row()
{
    // A row that opens the event, with a join button inside it that opens the call.
    return Link("tarvik://preview?id=42",
        HStack(VerticalAlignment::center, 0,
            {
                Text("Stand-up").font(Font::system(10)),
                Spacer(),
                Link("tarvik://joinCall?id=42", Rectangle().frame(24, 14)).accessibilityIdentifier("button"),
            })
            .frame(200, 40));
}

}

TEST(HitTesting, AClickOnANestedLinkOpensTheInnermostLink)
{
    test::FixedTextMeasurer measurer;
    auto layout = lay(row(), { 200, 40 }, measurer);
    auto button = *layout.frame("button");
    EXPECT_EQ(button, (Rect { { 176, 13 }, { 24, 14 } }));
    EXPECT_EQ(layout.linkURL({ button.midX(), button.midY() }), "tarvik://joinCall?id=42");
    EXPECT_EQ(layout.linkURL({ 10, 20 }), "tarvik://preview?id=42");
    EXPECT_EQ(layout.linkURL({ 150, 2 }), "tarvik://preview?id=42");
    EXPECT_EQ(layout.linkURL({ 250, 20 }), std::nullopt);

    ASSERT_EQ(layout.linkRegions().size(), 2u);
    EXPECT_EQ(layout.linkRegions()[0].url, "tarvik://joinCall?id=42");
    EXPECT_EQ(layout.linkRegions()[1].frame, (Rect { { 0, 0 }, { 200, 40 } }));
}

TEST(HitTesting, ALinkDrawnInFrontWinsAndAHiddenLinkCannotBeClicked)
{
    test::FixedTextMeasurer measurer;
    auto covered = Link("tarvik://back", Rectangle().frame(50, 50)).overlay(Link("tarvik://front", Rectangle().frame(20, 20)));
    auto layout = lay(covered, { 50, 50 }, measurer);
    EXPECT_EQ(layout.linkURL({ 25, 25 }), "tarvik://front");
    EXPECT_EQ(layout.linkURL({ 5, 5 }), "tarvik://back");

    auto hidden = Link("tarvik://hidden", Rectangle().frame(50, 50)).hidden();
    EXPECT_TRUE(lay(hidden, { 50, 50 }, measurer).linkRegions().empty());
    // Only the candidate a fitting container draws has clickable links.
    auto fitting = ViewThatFits(
        Axis::vertical, { Link("tarvik://tall", Rectangle().frame(10, 100)), Link("tarvik://short", Rectangle().frame(10, 10)) });
    auto chosen = lay(fitting, { 50, 50 }, measurer);
    ASSERT_EQ(chosen.linkRegions().size(), 1u);
    EXPECT_EQ(chosen.linkRegions()[0].url, "tarvik://short");
}

TEST(HitTesting, InAZStackTheLinkInFrontWinsEvenOverALinkNestedInTheOneBehind)
{
    test::FixedTextMeasurer measurer;
    auto stack = ZStack(Alignment::topLeading,
        {
            Link("tarvik://back",
                ZStack(Alignment::topLeading, { Rectangle().frame(60, 60), Link("tarvik://back-inner", Rectangle().frame(30, 30)) })),
            Link("tarvik://front", Rectangle().frame(20, 20)),
        });
    auto layout = lay(stack, { 60, 60 }, measurer);
    EXPECT_EQ(layout.linkURL({ 10, 10 }), "tarvik://front");
    EXPECT_EQ(layout.linkURL({ 25, 25 }), "tarvik://back-inner");
    EXPECT_EQ(layout.linkURL({ 50, 50 }), "tarvik://back");
}

TEST(Accessibility, ReadsTheVisibleTextsInOrderAndSkipsHiddenViews)
{
    test::FixedTextMeasurer measurer;
    auto view = VStack({
        Text("Next events").textCase(TextCase::uppercase),
        Link("tarvik://preview?id=1",
            HStack({
                Rectangle().frame(3, 10).accessibilityHidden(true),
                VStack({ Text("Stand-up"), Text("Today, ") + Text("9:00 AM") }),
                Image::systemName("alarm.fill").accessibilityHidden(true),
            })),
        ProgressView(0.4, 1.0),
        Text("decoration").accessibilityHidden(true),
        Text("two").accessibilityLabel("2 more events"),
    });
    auto layout = lay(view, { 300, 300 }, measurer);
    EXPECT_EQ(layout.accessibilityTexts(), (std::vector<std::string> { "NEXT EVENTS", "Stand-up", "Today, 9:00 AM", "2 more events" }));

    const auto& elements = layout.accessibilityElements();
    ASSERT_EQ(elements.size(), 4u);
    EXPECT_EQ(elements[1].role, AccessibilityElement::Role::link);
    EXPECT_EQ(elements[1].url, "tarvik://preview?id=1");
    EXPECT_EQ(elements[1].label, "Stand-up, Today, 9:00 AM");
    EXPECT_EQ(elements[1].children.size(), 2u);
    EXPECT_EQ(elements[2].role, AccessibilityElement::Role::progressIndicator);
    EXPECT_EQ(elements[2].value, "40%");
    EXPECT_EQ(elements[3].label, "2 more events");
}

TEST(Accessibility, SymbolsAndAssetsAreNamedForScreenReaders)
{
    test::FixedTextMeasurer measurer;
    EnvironmentValues environment;
    environment.assetDirectory = std::filesystem::path(TVK_TEST_FIXTURES);
    auto layout = lay(HStack({ Image::systemName("video.fill"), Image("square") }), { 100, 100 }, measurer, environment);
    ASSERT_EQ(layout.accessibilityElements().size(), 2u);
    EXPECT_EQ(layout.accessibilityElements()[0].role, AccessibilityElement::Role::image);
    EXPECT_EQ(layout.accessibilityElements()[0].label, "Video");
    EXPECT_EQ(layout.accessibilityElements()[1].label, "square");
}

TEST(ViewLayout, ReportsTheContainerBackgroundForTheHostToFill)
{
    test::FixedTextMeasurer measurer;
    EnvironmentValues dark;
    dark.colorScheme = ColorScheme::dark;
    auto content = VStack({ Text("Next events") })
                       .padding()
                       .containerBackground(ShapeStyle::fill(ShapeStyle::Level::tertiary), ContainerBackgroundPlacement::widget);
    auto layout = lay(content, { 170, 170 }, measurer, dark);
    EXPECT_EQ(layout.containerBackground(), (ResolvedColor { 1, 1, 1, 0.05 }));
    EXPECT_EQ(lay(Text("plain"), { 170, 170 }, measurer).containerBackground(), std::nullopt);
}

// Layout numbers with a deterministic text measurer: characters half the font size wide, lines
// 1.2 font sizes high, baselines at 0.9.

#include "Tests/Platform/UI/UITestSupport.hpp"

#include "Platform/UI/UI.hpp"

#include <gtest/gtest.h>

using namespace tvk;
using namespace tvk::ui;

namespace {

struct Laid {
    test::FixedTextMeasurer measurer;
    std::optional<ViewLayout> layout;

    Laid(const View& view, Size size, EnvironmentValues environment = {})
    {
        layout.emplace(ViewLayout::make(view, size, std::move(environment), LayoutOptions { &measurer, Date(0) }));
    }
    Rect operator[](std::string_view identifier) const
    {
        auto frame = layout->frame(identifier);
        EXPECT_TRUE(frame) << "no view " << identifier;
        return frame.value_or(Rect {});
    }
    bool has(std::string_view identifier) const { return layout->frame(identifier).has_value(); }
};

Rect rect(double x, double y, double width, double height)
{
    return { { x, y }, { width, height } };
}

View box(double width, double height, const char* identifier)
{
    return Rectangle().frame(width, height).accessibilityIdentifier(identifier);
}

View text(const char* string, double size = 10)
{
    return Text(string).font(Font::system(size));
}

}

TEST(StackLayout, AFixedChildKeepsItsWidthAndAFlexibleOneTakesTheRest)
{
    auto view = HStack(VerticalAlignment::center, 10, { box(50, 20, "fixed"), Rectangle().accessibilityIdentifier("flexible") });
    for (double width : { 100.0, 200.0, 300.0 }) {
        Laid laid(view, { width, 40 });
        EXPECT_EQ(laid["fixed"], rect(0, 10, 50, 20)) << width;
        EXPECT_EQ(laid["flexible"], rect(60, 0, width - 60, 40)) << width;
    }
    // Narrower than the fixed child: the flexible one gets nothing and the stack overflows,
    // centred on the space.
    Laid narrow(view, { 40, 40 });
    EXPECT_EQ(narrow["fixed"], rect(-10, 10, 50, 20));
    EXPECT_EQ(narrow["flexible"], rect(50, 0, 0, 40));
}

TEST(StackLayout, SpacingAndPaddingAddUp)
{
    auto view = VStack(HorizontalAlignment::leading, 6, { box(40, 10, "a"), box(20, 10, "b"), box(30, 10, "c") })
                    .padding(EdgeInsets { 4, 8, 2, 1 })
                    .accessibilityIdentifier("padded");
    Laid laid(view, { 200, 200 });
    EXPECT_EQ(laid["padded"], rect(75.5, 76, 49, 48));
    EXPECT_EQ(laid["a"], rect(83.5, 80, 40, 10));
    EXPECT_EQ(laid["b"], rect(83.5, 96, 20, 10));
    EXPECT_EQ(laid["c"], rect(83.5, 112, 30, 10));

    Laid edges(
        box(10, 10, "inner").padding(Edge::horizontal, 3).padding(Edge::top, 2).padding().accessibilityIdentifier("outer"), { 100, 100 });
    EXPECT_EQ(edges["outer"].size, (Size { 10 + 6 + 32, 10 + 2 + 32 }));
}

TEST(StackLayout, DefaultSpacingIsEightButNoneBesideASpacer)
{
    Laid together(HStack({ box(10, 10, "a"), box(10, 10, "b") }).accessibilityIdentifier("stack"), { 100, 100 });
    EXPECT_EQ(together["stack"].size.width, 28);
    EXPECT_EQ(together["b"].minX() - together["a"].maxX(), 8);

    Laid apart(HStack({ box(10, 10, "a"), Spacer().accessibilityIdentifier("spacer"), box(10, 10, "b") }), { 100, 100 });
    EXPECT_EQ(apart["a"].minX(), 0);
    EXPECT_EQ(apart["spacer"], rect(10, 50, 80, 0));
    EXPECT_EQ(apart["b"].minX(), 90);
}

TEST(StackLayout, ASpacerNeverGetsShorterThanItsMinimumLength)
{
    auto view = HStack(VerticalAlignment::center, 0, { box(30, 10, "a"), Spacer(20), box(30, 10, "b") });
    Laid wide(view, { 100, 20 });
    EXPECT_EQ(wide["b"].minX(), 70);
    Laid narrow(view, { 60, 20 });
    EXPECT_EQ(narrow["a"].minX(), -10);
    EXPECT_EQ(narrow["b"].minX(), 40);
    Laid defaultMinimum(HStack(VerticalAlignment::center, 0, { box(30, 10, "a"), Spacer(), box(30, 10, "b") }), { 60, 20 });
    EXPECT_EQ(defaultMinimum["b"].minX() - defaultMinimum["a"].maxX(), 8);
}

TEST(StackLayout, ATextBesideASpacerMayUseTheWholeRow)
{
    auto view = HStack({ text("aaaa bbbb cccc").accessibilityIdentifier("title"), Spacer(0).accessibilityIdentifier("spacer") });
    Laid wide(view, { 200, 50 });
    EXPECT_EQ(wide["title"], rect(0, 19, 70, 12));
    EXPECT_EQ(wide["spacer"].size.width, 130);
    // 50 points wrap the title after "bbbb" (45 points), not at half the row.
    Laid narrow(view, { 50, 50 });
    EXPECT_EQ(narrow["title"].size, (Size { 45, 24 }));
}

TEST(StackLayout, HigherLayoutPriorityIsServedFirst)
{
    auto even = HStack(
        VerticalAlignment::top, 0, { text("aaaa bbbb").accessibilityIdentifier("a"), text("cccc dddd").accessibilityIdentifier("c") });
    Laid shared(even, { 60, 50 });
    EXPECT_EQ(shared["a"].size.width, 20);
    auto preferred = HStack(VerticalAlignment::top, 0,
        { text("aaaa bbbb").layoutPriority(1).accessibilityIdentifier("a"), text("cccc dddd").accessibilityIdentifier("c") });
    Laid first(preferred, { 60, 50 });
    EXPECT_EQ(first["a"].size.width, 45);
    // The other text keeps at least its minimum (one character per line).
    EXPECT_EQ(first["c"].size.width, 15);
}

TEST(StackLayout, EmptyViewsTakeNoSpaceAndGroupsLendTheirMembers)
{
    auto view = HStack(VerticalAlignment::center, 10,
        {
            box(10, 10, "a"),
            EmptyView(),
            Group({ box(10, 10, "b"), box(10, 10, "c") }).padding(Edge::leading, 5),
        })
                    .accessibilityIdentifier("stack");
    Laid laid(view, { 200, 20 });
    EXPECT_EQ(laid["stack"].size.width, 60);
    EXPECT_EQ(laid["b"].minX() - laid["a"].minX(), 25);
    EXPECT_EQ(laid["c"].minX() - laid["a"].minX(), 50);

    std::vector<std::string> names { "x", "y", "z" };
    Laid each(
        VStack(HorizontalAlignment::center, 2,
            { ForEach(
                names, [](const std::string& name) { return name; }, [](const std::string& name) { return box(10, 10, name.c_str()); }) }),
        { 100, 100 });
    EXPECT_EQ(each["y"].minY() - each["x"].minY(), 12);
    EXPECT_EQ(each["z"].minY() - each["y"].minY(), 12);
}

TEST(FrameLayout, NestedFramesWithInfiniteMaximumsFillTheSpaceOffered)
{
    auto view = text("abc")
                    .accessibilityIdentifier("text")
                    .frame(FlexibleFrame { .maxWidth = infinity, .alignment = Alignment::leading })
                    .frame(FlexibleFrame { .maxHeight = infinity })
                    .accessibilityIdentifier("frame")
                    .padding(10);
    Laid laid(view, { 200, 100 });
    EXPECT_EQ(laid["frame"], rect(10, 10, 180, 80));
    EXPECT_EQ(laid["text"], rect(10, 44, 15, 12));

    Laid hugging(text("abc").frame(FlexibleFrame { .minWidth = 50 }).accessibilityIdentifier("frame"), { 200, 100 });
    EXPECT_EQ(hugging["frame"].size, (Size { 50, 12 }));
    Laid capped(Rectangle().frame(FlexibleFrame { .maxWidth = 30 }).accessibilityIdentifier("frame"), { 200, 100 });
    EXPECT_EQ(capped["frame"].size, (Size { 30, 100 }));
    Laid ideal(Rectangle().frame(FlexibleFrame { .idealWidth = 40, .idealHeight = 20 }).fixedSize().accessibilityIdentifier("frame"),
        { 200, 100 });
    EXPECT_EQ(ideal["frame"].size, (Size { 40, 20 }));
}

TEST(FrameLayout, FixedFramesAlignTheirContent)
{
    Laid laid(box(10, 10, "content").frame(40, 30, Alignment::bottomTrailing).accessibilityIdentifier("frame"), { 40, 30 });
    EXPECT_EQ(laid["frame"], rect(0, 0, 40, 30));
    EXPECT_EQ(laid["content"], rect(30, 20, 10, 10));
    Laid widthOnly(Rectangle().frame(12).accessibilityIdentifier("bar"), { 100, 50 });
    EXPECT_EQ(widthOnly["bar"], rect(44, 0, 12, 50));
}

TEST(FrameLayout, FixedSizeOnOneAxisKeepsTheIdealLengthOnThatAxisOnly)
{
    const char* long_ = "aaaa bbbb cccc dddd";
    Laid free(text(long_).accessibilityIdentifier("text").frame(40, 12), { 100, 100 });
    EXPECT_EQ(free["text"].size, (Size { 20, 12 }));
    Laid tall(text(long_).fixedSize(Axis::vertical).accessibilityIdentifier("text").frame(40, 12), { 100, 100 });
    EXPECT_EQ(tall["text"].size, (Size { 20, 48 }));
    Laid wide(text(long_).fixedSize(Axis::horizontal).accessibilityIdentifier("text").frame(40, 12), { 100, 100 });
    EXPECT_EQ(wide["text"].size, (Size { 95, 12 }));

    // Placed at the stack's own ideal height, a flexible bar stretches to the text beside it.
    auto row = HStack(VerticalAlignment::center, 0, { Rectangle().frame(3).accessibilityIdentifier("bar"), text("aaaa bbbb").frame(25) })
                   .fixedSize(Axis::vertical);
    Laid stretched(row, { 100, 100 });
    EXPECT_EQ(stretched["bar"].size, (Size { 3, 24 }));
}

TEST(FrameLayout, AspectRatioFitsOrFillsTheOffer)
{
    Laid fit(Rectangle().aspectRatio(2, ContentMode::fit).accessibilityIdentifier("shape"), { 100, 100 });
    EXPECT_EQ(fit["shape"], rect(0, 25, 100, 50));
    Laid fill(Rectangle().aspectRatio(2, ContentMode::fill).accessibilityIdentifier("shape"), { 100, 100 });
    EXPECT_EQ(fill["shape"], rect(-50, 0, 200, 100));
}

TEST(FrameLayout, BackgroundsAndOverlaysTakeTheSizeOfTheirView)
{
    auto view = text("abc")
                    .padding(5)
                    .background(Capsule().accessibilityIdentifier("background"))
                    .overlay(box(4, 4, "dot"), Alignment::topTrailing)
                    .accessibilityIdentifier("badge");
    Laid laid(view, { 100, 100 });
    EXPECT_EQ(laid["badge"].size, (Size { 25, 22 }));
    EXPECT_EQ(laid["background"], laid["badge"]);
    EXPECT_EQ(laid["dot"], rect(laid["badge"].maxX() - 4, laid["badge"].minY(), 4, 4));
}

TEST(StackLayout, ZStackIsTheUnionOfItsAlignedChildren)
{
    Laid laid(
        ZStack(Alignment::bottomLeading, { box(40, 10, "wide"), box(10, 30, "tall") }).accessibilityIdentifier("stack"), { 100, 100 });
    EXPECT_EQ(laid["stack"], rect(30, 35, 40, 30));
    EXPECT_EQ(laid["wide"], rect(30, 55, 40, 10));
    EXPECT_EQ(laid["tall"], rect(30, 35, 10, 30));
}

TEST(StackLayout, BaselineAlignmentLinesUpTheTexts)
{
    auto first = HStack(VerticalAlignment::firstTextBaseline, 0,
        { text("Big", 30).accessibilityIdentifier("big"), text("small").accessibilityIdentifier("small"), box(10, 5, "box") });
    Laid laid(first, { 200, 100 });
    double baseline = laid["big"].minY() + 27;
    EXPECT_EQ(laid["small"].minY() + 9, baseline);
    // A view without text sits on the baseline.
    EXPECT_EQ(laid["box"].maxY(), baseline);

    // The last baseline of a wrapped text is that of its last line.
    auto last = HStack(VerticalAlignment::lastTextBaseline, 0,
        { text("aa bb").frame(12).accessibilityIdentifier("wrapped"), text("c", 20).accessibilityIdentifier("single") });
    Laid lastLaid(last, { 200, 100 });
    EXPECT_EQ(lastLaid["wrapped"].size.height, 24);
    EXPECT_EQ(lastLaid["single"].minY() + 18, lastLaid["wrapped"].minY() + 21);

    // A stack's baseline is that of its first text, not of a shape above it.
    auto nested = HStack(VerticalAlignment::firstTextBaseline, 0,
        { VStack({ box(10, 10, "shape"), text("x").accessibilityIdentifier("inner") }), text("y").accessibilityIdentifier("outer") });
    Laid nestedLaid(nested, { 200, 100 });
    EXPECT_EQ(nestedLaid["inner"].minY(), nestedLaid["outer"].minY());
}

TEST(ViewThatFits, DrawsTheFirstCandidateThatFitsElseTheLast)
{
    auto view = ViewThatFits(Axis::vertical, { box(50, 100, "tall"), box(50, 60, "medium"), box(50, 30, "short") });
    Laid roomy(view, { 100, 200 });
    EXPECT_TRUE(roomy.has("tall"));
    EXPECT_FALSE(roomy.has("medium"));
    Laid middling(view, { 100, 70 });
    EXPECT_FALSE(middling.has("tall"));
    EXPECT_TRUE(middling.has("medium"));
    EXPECT_FALSE(middling.has("short"));
    Laid cramped(view, { 100, 20 });
    EXPECT_EQ(cramped["short"].size, (Size { 50, 30 }));
    EXPECT_FALSE(cramped.has("medium"));

    auto labels = ViewThatFits(
        Axis::horizontal, { text("a long label").accessibilityIdentifier("long"), text("short").accessibilityIdentifier("short") });
    Laid narrow(labels, { 50, 20 });
    EXPECT_TRUE(narrow.has("short"));
    EXPECT_FALSE(narrow.has("long"));
}

TEST(ViewThatFits, ChoosesTheLargestPrefixOfRowsThatFits)
{
    std::vector<View> candidates;
    for (int count = 6; count >= 1; --count) {
        std::vector<View> rows;
        for (int row = 0; row < count; ++row)
            rows.push_back(Rectangle().frame(FlexibleFrame { .maxWidth = infinity }).frame(std::nullopt, 20));
        rows.push_back(Spacer(0));
        candidates.push_back(VStack(HorizontalAlignment::leading, 3, rows).accessibilityIdentifier(std::to_string(count).c_str()));
    }
    auto view = VStack({ ViewThatFits(Axis::vertical, candidates) }).frame(FlexibleFrame { .maxWidth = infinity, .maxHeight = infinity });
    // n rows take 20 n + 3 (n - 1): 66 for three, 89 for four.
    Laid three(view, { 200, 70 });
    EXPECT_TRUE(three.has("3"));
    EXPECT_FALSE(three.has("4"));
    EXPECT_EQ(three["3"].size.height, 70);
    Laid all(view, { 200, 400 });
    EXPECT_TRUE(all.has("6"));
    Laid none(view, { 200, 10 });
    EXPECT_TRUE(none.has("1"));
}

TEST(TextLayout, ATitleOfTwoLinesIsCutAtItsLineLimit)
{
    auto title = text("Quarterly planning with the product organisation").lineLimit(2).accessibilityIdentifier("title");
    Laid laid(title, { 100, 100 });
    EXPECT_EQ(laid["title"].size.height, 24);
    EXPECT_LE(laid["title"].size.width, 100);
    EXPECT_TRUE(laid.measurer.lastRequest.maximumLines == 2);
    Laid unlimited(text("Quarterly planning with the product organisation").accessibilityIdentifier("title"), { 100, 100 });
    EXPECT_EQ(unlimited["title"].size.height, 36);
    // The height offered cuts the lines too, but never below one.
    Laid cut(text("Quarterly planning with the product organisation").accessibilityIdentifier("title").frame(100, 5), { 100, 100 });
    EXPECT_EQ(cut["title"].size.height, 12);
}

TEST(TextLayout, ShrinksDownToTheMinimumScaleBeforeTruncating)
{
    auto countdown = text("12345678", 20).lineLimit(1).minimumScaleFactor(0.5).accessibilityIdentifier("countdown");
    // 80 points at full size; 60 offered: the largest scale the search finds that fits.
    Laid shrunk(countdown, { 60, 100 });
    EXPECT_LE(shrunk["countdown"].size.width, 60);
    EXPECT_GT(shrunk["countdown"].size.width, 55);
    EXPECT_LT(shrunk["countdown"].size.height, 24);
    // Below half the size it is truncated at half size.
    Laid truncated(countdown, { 30, 100 });
    EXPECT_EQ(truncated["countdown"].size.height, 12);
    EXPECT_EQ(truncated.measurer.lastRequest.scale, 0.5);
}

TEST(TextLayout, LayoutMeasuresEachTextOnlyAFewTimes)
{
    auto row = [](int index) {
        return HStack(VerticalAlignment::center, 4,
            {
                VStack(HorizontalAlignment::leading, 0,
                    {
                        HStack({ text(("Event number " + std::to_string(index) + " with a long title").c_str()).bold().lineLimit(1),
                            Spacer(0) }),
                        HStack({
                            text("Today, ").bold(),
                            text("9:00 AM–10:00 AM").lineLimit(1).allowsTightening(true).minimumScaleFactor(0.5),
                        }),
                    }),
                Rectangle().frame(24, 14),
            })
            .padding(4)
            .fixedSize(Axis::vertical);
    };
    std::vector<View> candidates;
    for (int count = 6; count >= 1; --count) {
        std::vector<View> rows;
        for (int index = 0; index < count; ++index)
            rows.push_back(row(index));
        rows.push_back(Spacer(0));
        candidates.push_back(VStack(HorizontalAlignment::leading, 3, rows));
    }
    auto list = VStack(HorizontalAlignment::leading, 5, { text("NEXT EVENTS").bold(), ViewThatFits(Axis::vertical, candidates) });
    Laid laid(list, { 200, 120 });
    EXPECT_EQ(laid.measurer.repeatedRequests, 0);
    for (const auto& [string, calls] : laid.measurer.callsByText)
        EXPECT_LE(calls, 12) << string;
    EXPECT_GT(laid.measurer.calls, 0);
}

TEST(Environment, ViewsReadTheirEnvironmentWhenBuilt)
{
    struct FamilySized {
        View body(const EnvironmentValues& environment) const
        {
            return box(environment.widgetFamily == WidgetFamily::systemSmall ? 10 : 20, 10, "sized");
        }
    };
    EnvironmentValues small;
    small.widgetFamily = WidgetFamily::systemSmall;
    Laid smallLaid(FamilySized {}, { 100, 100 }, small);
    EXPECT_EQ(smallLaid["sized"].size.width, 10);
    Laid overridden(View(FamilySized {}).environment(&EnvironmentValues::widgetFamily, WidgetFamily::systemLarge), { 100, 100 }, small);
    EXPECT_EQ(overridden["sized"].size.width, 20);
}

TEST(Environment, RightToLeftLayoutMirrorsTheRow)
{
    auto row = HStack(VerticalAlignment::center, 0, { box(10, 10, "first"), box(20, 10, "second") });
    Laid leftToRight(row, { 100, 10 });
    EXPECT_EQ(leftToRight["first"].minX(), 35);
    EnvironmentValues environment;
    environment.layoutDirection = LayoutDirection::rightToLeft;
    Laid rightToLeft(row, { 100, 10 }, environment);
    EXPECT_EQ(rightToLeft["first"].minX(), 55);
    EXPECT_EQ(rightToLeft["second"].minX(), 35);
}

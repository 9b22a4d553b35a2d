// What texts say and how they are styled once the environment is applied: dates in their
// styles, catalog keys, text case, concatenation.

#include "Tests/Platform/UI/UITestSupport.hpp"

#include "Platform/UI/DateTextFormatter.hpp"
#include "Platform/UI/UI.hpp"

#include <gtest/gtest.h>

using namespace tvk;
using namespace tvk::ui;

namespace {

// 2026-12-07 09:00 in Berlin.
constexpr Date nineInBerlin(1796630400.0);

std::vector<std::string> texts(const View& view, EnvironmentValues environment = {}, Date renderDate = nineInBerlin)
{
    test::FixedTextMeasurer measurer;
    return ViewLayout::make(view, { 400, 400 }, std::move(environment), LayoutOptions { &measurer, renderDate }).accessibilityTexts();
}

std::string single(const View& view, EnvironmentValues environment = {}, Date renderDate = nineInBerlin)
{
    auto all = texts(view, std::move(environment), renderDate);
    return all.size() == 1 ? all.front() : "<" + std::to_string(all.size()) + " texts>";
}

EnvironmentValues in(const char* locale, const char* timeZone)
{
    EnvironmentValues environment;
    environment.locale = locale;
    environment.timeZone = timeZone;
    return environment;
}

}

TEST(TextContent, TimesFollowTheLocaleAndTimeZone)
{
    EXPECT_EQ(single(Text(nineInBerlin, Text::DateStyle::time)), "9:00\u202FAM");
    EXPECT_EQ(single(Text(nineInBerlin, Text::DateStyle::time), in("de_DE", "Europe/Berlin")), "09:00");
    EXPECT_EQ(single(Text(nineInBerlin, Text::DateStyle::time), in("en_US", "America/New_York")), "3:00\u202FAM");
    EXPECT_EQ(single(Text(nineInBerlin, Text::DateStyle::date), in("en_US", "Europe/Berlin")), "December 7, 2026");
    // An unknown zone keeps the default zone rather than falling to GMT.
    EXPECT_EQ(single(Text(nineInBerlin, Text::DateStyle::time), in("en_US", "Mars/Olympus_Mons")), "9:00\u202FAM");
    // A range reads as one text.
    auto range
        = Text(nineInBerlin, Text::DateStyle::time) + Text(LocalizedStringKey("–")) + Text(nineInBerlin + 3600, Text::DateStyle::time);
    EXPECT_EQ(single(range), "9:00\u202FAM–10:00\u202FAM");
}

TEST(TextContent, TimersCountToAndFromTheRenderMoment)
{
    auto timer = Text(nineInBerlin, Text::DateStyle::timer);
    EXPECT_EQ(single(timer, {}, nineInBerlin - 299), "4:59");
    EXPECT_EQ(single(timer, {}, nineInBerlin - 30.5), "0:30");
    EXPECT_EQ(single(timer, {}, nineInBerlin + 5), "0:05");
    EXPECT_EQ(single(timer, {}, nineInBerlin - 3723), "1:02:03");
    EXPECT_EQ(DateTextFormatter::timer(nineInBerlin, Date(std::numeric_limits<double>::quiet_NaN()), "en_US"), "0:00");

    test::FixedTextMeasurer measurer;
    EXPECT_TRUE(ViewLayout::make(VStack({ timer }), { 100, 100 }, {}, { &measurer, nineInBerlin }).containsTimer());
    EXPECT_FALSE(ViewLayout::make(Text("static"), { 100, 100 }, {}, { &measurer, nineInBerlin }).containsTimer());
}

TEST(TextContent, KeysGoThroughTheLocalizerOrShowTheirFormattedKey)
{
    auto key = LocalizedStringKey("^[%lld more events](inflect: true)", { std::int64_t(3) });
    EXPECT_EQ(single(Text(key)), "3 more events");

    EnvironmentValues environment;
    std::vector<LocalizedStringKey> asked;
    environment.localize = [&](const LocalizedStringKey& requested) {
        asked.push_back(requested);
        return requested.key == "Widget.upcomingEvent.nextEvent" ? std::string("Next event") : requested.formattedKey();
    };
    EXPECT_EQ(single(Text(LocalizedStringKey("Widget.upcomingEvent.nextEvent")).textCase(TextCase::uppercase), environment), "NEXT EVENT");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked.front().key, "Widget.upcomingEvent.nextEvent");
    // Verbatim texts are never looked up.
    EXPECT_EQ(single(Text("Widget.upcomingEvent.nextEvent"), environment), "Widget.upcomingEvent.nextEvent");
}

TEST(TextContent, TextCaseFollowsTheLocale)
{
    EXPECT_EQ(single(Text("istanbul").textCase(TextCase::uppercase), in("tr_TR", "")), "İSTANBUL");
    EXPECT_EQ(single(Text("istanbul").textCase(TextCase::uppercase), in("en_US", "")), "ISTANBUL");
    EXPECT_EQ(single(Text("Straße").textCase(TextCase::uppercase), in("de_DE", "")), "STRASSE");
    EXPECT_EQ(single(Text("ÄRGER").textCase(TextCase::lowercase), in("de_DE", "")), "ärger");
}

TEST(TextContent, ConcatenatedPartsKeepTheirOwnStyle)
{
    test::FixedTextMeasurer measurer;
    auto view = (Text("Today, ").bold().foregroundStyle(ShapeStyle::secondary()) + Text("9:00").font(Font::system(20)))
                    .foregroundColor(Color::named(Color::System::orange))
                    .font(Font::system(11));
    (void)ViewLayout::make(VStack({ view }).fontWeight(Font::Weight::light), { 300, 100 }, {}, { &measurer, nineInBerlin });
    const auto& runs = measurer.lastRequest.content->runs;
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].style.weight, Font::Weight::bold);
    EXPECT_EQ(runs[0].style.pointSize, 11);
    EXPECT_NEAR(runs[0].style.color.alpha, 0.5, 1e-9);
    EXPECT_EQ(runs[1].style.weight, Font::Weight::light);
    EXPECT_EQ(runs[1].style.pointSize, 20);
    EXPECT_EQ(runs[1].style.color, resolveColor(Color::named(Color::System::orange), ColorScheme::light));
}

TEST(TextContent, TheEnclosingFontAppliesToTextsWithoutTheirOwn)
{
    auto style = [](const View& text) {
        test::FixedTextMeasurer measurer;
        (void)ViewLayout::make(VStack({ text }).font(Font::system(11)), { 300, 100 }, {}, { &measurer, nineInBerlin });
        return measurer.lastRequest.content->runs.front().style;
    };
    EXPECT_EQ(style(Text("row")).pointSize, 11);
    EXPECT_EQ(style(Text("own").font(Font::caption)).pointSize, 10);
    EXPECT_TRUE(style(Text("digits").monospacedDigit()).hasMonospacedDigits);
    EXPECT_EQ(style(Text("headline").font(Font::headline)).weight, Font::Weight::bold);
    EXPECT_EQ(style(Text("bold").bold()).weight, Font::Weight::bold);
    EXPECT_EQ(style(Text("bold").fontWeight(Font::Weight::light).bold()).weight, Font::Weight::light);
}

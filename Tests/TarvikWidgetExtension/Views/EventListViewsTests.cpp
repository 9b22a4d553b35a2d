// The upcoming and current lists: the header, as many whole rows as fit each family, the
// spacing, the count line of the current list in its plural forms, the screenshot moment, the
// occurrences of a series, and the empty states.

#include "Tests/TarvikWidgetExtension/Views/ViewTestSupport.hpp"

#include "Platform/UI/StringTableLocalizer.hpp"
#include "TVKCore/Settings/UserSettingsStore.hpp"
#include "TarvikWidgetExtension/Views/CurrentEventsView.hpp"
#include "TarvikWidgetExtension/Views/CurrentEventsWidgetView.hpp"
#include "TarvikWidgetExtension/Views/EventOccurrenceKey.hpp"
#include "TarvikWidgetExtension/Views/UpcomingEventsView.hpp"
#include "TarvikWidgetExtension/Views/UpcomingEventsWidgetView.hpp"
#include "Tests/Support/TemporaryDirectory.hpp"

#include <cmath>

using namespace tvk;
using namespace tvk::test;

namespace {

const Date nine = at("2026-12-07T09:00:00+01:00");

/// `count` meetings of the same shape, one an hour from 10:00 ("Meeting 1", "Meeting 2"...).
std::vector<Event> meetings(int count, const char* firstStart = "2026-12-07T10:00:00+01:00")
{
    std::vector<Event> events;
    for (int index = 0; index < count; ++index) {
        auto event = meeting("Meeting " + std::to_string(index + 1), firstStart, firstStart);
        event.startDate = event.startDate + 3600.0 * index;
        event.endDate = event.startDate + 1800;
        events.push_back(event);
    }
    return events;
}

std::vector<ui::LinkRegion> rows(const DrawnWidget& drawn)
{
    return drawn.links("tarvik://preview/");
}

/// The count line, when there is one.
std::optional<std::string> countLine(const DrawnWidget& drawn)
{
    return drawn.textContaining(" more event");
}

class EventListViewsTest : public testing::Test {
protected:
    void TearDown() override { ASSERT_TRUE(UserSettingsStore::shared().resetAll()); }
};

}

TEST_F(EventListViewsTest, OccurrenceKeysTellTheOccurrencesOfASeriesApart)
{
    auto first = meeting("Stand-up", "2026-12-07T10:00:00+01:00", "2026-12-07T10:15:00+01:00");
    first.id = "work:standup";
    first.occurrenceDate = first.startDate;
    auto second = first;
    second.startDate = second.startDate + 86400;
    second.occurrenceDate = second.startDate;
    EXPECT_EQ(occurrenceKey(first), "work:standup.1796634000.0");
    EXPECT_EQ(occurrenceKey(second), "work:standup.1796720400.0");
    auto moved = second;
    moved.startDate = moved.startDate + 1800.25;
    EXPECT_EQ(occurrenceKey(moved), "work:standup.1796720400.0") << "the occurrence, not where it was moved to";
    moved.occurrenceDate.reset();
    EXPECT_EQ(occurrenceKey(moved), "work:standup.1796722200.25") << "the start without an occurrence date";

    DrawnWidget drawn(UpcomingEventsView { { first, second }, nine }, WidgetFamily::systemLarge, nine);
    EXPECT_EQ(rows(drawn).size(), 2u) << "both occurrences are drawn";
    EXPECT_TRUE(drawn.shows("Today, "));
    EXPECT_TRUE(drawn.shows("Tomorrow, "));
}

TEST_F(EventListViewsTest, TheLargeUpcomingListSpacesItsHeaderAndRowsAndCountsNothing)
{
    DrawnWidget drawn(UpcomingEventsWidgetView { { nine, meetings(2) } }, WidgetFamily::systemLarge, nine);
    auto texts = drawn.texts();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.front(), "UP NEXT");
    auto links = rows(drawn);
    ASSERT_EQ(links.size(), 2u);
    EXPECT_EQ(links[0].url, "tarvik://preview/work:Meeting%201");
    EXPECT_NEAR(links[0].frame.minY() - drawn.frameOf("UP NEXT").maxY(), 10, 1e-9);
    EXPECT_NEAR(links[1].frame.minY() - links[0].frame.maxY(), 6, 1e-9);
    EXPECT_DOUBLE_EQ(links[0].frame.minX(), 16) << "at the leading content margin";
    EXPECT_DOUBLE_EQ(links[0].frame.size.width, 364 - 32) << "as wide as the widget's content";
    EXPECT_DOUBLE_EQ(drawn.frameOf("UP NEXT").minY(), 16) << "the list starts at the top";
    EXPECT_FALSE(countLine(drawn));

    DrawnWidget medium(UpcomingEventsWidgetView { { nine, meetings(2) } }, WidgetFamily::systemMedium, nine);
    EXPECT_NEAR(rows(medium)[0].frame.minY() - medium.frameOf("UP NEXT").maxY(), 5, 1e-9);
    EXPECT_NEAR(rows(medium)[1].frame.minY() - rows(medium)[0].frame.maxY(), 3, 1e-9);
}

TEST_F(EventListViewsTest, EachFamilyShowsTheLargestPrefixOfWholeRowsThatFits)
{
    struct Case {
        WidgetFamily family;
        double rowSpacing;
        double headerSpacing;
    };
    for (auto [family, rowSpacing, headerSpacing] : { Case { WidgetFamily::systemSmall, 3, 5 }, Case { WidgetFamily::systemMedium, 3, 5 },
             Case { WidgetFamily::systemLarge, 6, 10 } }) {
        DrawnWidget drawn(UpcomingEventsWidgetView { { nine, meetings(6) } }, family, nine);
        auto links = rows(drawn);
        ASSERT_FALSE(links.empty());
        double rowHeight = links[0].frame.size.height;
        double bottom = ui::widgetSize(family).height - 16;
        double available = bottom - drawn.frameOf("UP NEXT").maxY() - headerSpacing;
        // Every row, and the spacing before the closing spacer, must fit.
        auto expected = std::min<size_t>(6, static_cast<size_t>(std::floor(available / (rowHeight + rowSpacing))));
        EXPECT_EQ(links.size(), std::max<size_t>(1, expected)) << static_cast<int>(family);
        for (const auto& link : links)
            EXPECT_LE(link.frame.maxY(), bottom) << "never a partly drawn row";
    }
    DrawnWidget small(UpcomingEventsWidgetView { { nine, meetings(6) } }, WidgetFamily::systemSmall, nine);
    DrawnWidget large(UpcomingEventsWidgetView { { nine, meetings(6) } }, WidgetFamily::systemLarge, nine);
    EXPECT_LT(rows(small).size(), rows(large).size());
}

TEST_F(EventListViewsTest, SmallRowsWrapTheirTitleOnTwoLinesWithTheButtonInline)
{
    auto events = meetings(6);
    events[0].title = "Quarterly planning with the whole product organisation";
    events[0].startDate = nine + 60;
    DrawnWidget drawn(UpcomingEventsWidgetView { { nine + 60, events } }, WidgetFamily::systemSmall, nine + 60);
    auto title = drawn.frameOf(*events[0].title);
    EXPECT_DOUBLE_EQ(title.size.height, 2 * 13.2);
    auto join = drawn.links("tarvik://joinCall/");
    ASSERT_EQ(join.size(), 1u);
    EXPECT_GT(join[0].frame.minY(), title.maxY()) << "on the time line, under the title";
}

TEST_F(EventListViewsTest, WhenNotEvenOneRowFitsTheFirstRowIsDrawn)
{
    auto drawn = DrawnWidget(UpcomingEventsView { meetings(3), nine }, WidgetFamily::systemMedium, nine, { 364, 30 });
    EXPECT_EQ(rows(drawn).size(), 1u);
}

TEST_F(EventListViewsTest, TheCurrentListCountsTheEventsThatDoNotFit)
{
    auto events = meetings(5, "2026-12-07T09:00:00+01:00");
    for (auto& event : events) {
        event.startDate = nine;
        event.endDate = nine + 3600;
    }
    Date now = nine + 600;
    // The height of one row, and of the header and count lines, measured in a roomy frame.
    DrawnWidget roomy(CurrentEventsView { { events[0], events[1] }, now }, WidgetFamily::systemMedium, now, { 364, 1000 });
    double row = rows(roomy)[0].frame.size.height;
    double header = roomy.frameOf("HAPPENING NOW").size.height;
    double caption = 12;
    auto sized = [&](std::vector<Event> shown, int fitting) {
        double height = header + 5 + fitting * row + (fitting - 1) * 3 + 3 + caption + 3 + 0.5;
        return DrawnWidget(CurrentEventsView { std::move(shown), now }, WidgetFamily::systemMedium, now, { 364, height });
    };

    auto twoOfFive = sized(events, 2);
    EXPECT_EQ(rows(twoOfFive).size(), 2u);
    EXPECT_EQ(countLine(twoOfFive), "3 more events");
    EXPECT_GT(twoOfFive.frameOf("3 more events").minY(), rows(twoOfFive)[1].frame.maxY()) << "under the rows";

    auto threeOfFive = sized(events, 3);
    EXPECT_EQ(rows(threeOfFive).size(), 3u);
    EXPECT_EQ(countLine(threeOfFive), "2 more events");

    auto threeOfFour = sized({ events.begin(), events.begin() + 4 }, 3);
    EXPECT_EQ(countLine(threeOfFour), "1 more event");

    auto allThree = sized({ events.begin(), events.begin() + 3 }, 3);
    EXPECT_EQ(rows(allThree).size(), 3u);
    EXPECT_FALSE(countLine(allThree));

    DrawnWidget one(CurrentEventsWidgetView { { now, { events[0] } } }, WidgetFamily::systemSmall, now);
    EXPECT_EQ(rows(one).size(), 1u);
    EXPECT_FALSE(countLine(one));

    DrawnWidget many(CurrentEventsWidgetView { { now, events } }, WidgetFamily::systemLarge, now);
    EXPECT_EQ(rows(many).size(), 3u) << "never more than three rows";
    EXPECT_EQ(countLine(many), "2 more events");
}

TEST_F(EventListViewsTest, TheCountLineTakesEveryPluralFormItsLanguageHas)
{
    tvk::test::TemporaryDirectory directory;
    directory.write("Widget.bundle/ru.lproj/Localizable.strings",
        "\"^[%lld more events](inflect: true)|one\" = \"ещё %lld событие\";\n"
        "\"^[%lld more events](inflect: true)|few\" = \"ещё %lld события\";\n"
        "\"^[%lld more events](inflect: true)|many\" = \"ещё %lld событий\";\n"
        "\"^[%lld more events](inflect: true)|other\" = \"ещё %lld события\";\n");
    std::shared_ptr<ResourceBundle> bundle(ResourceBundle::open(directory / "Widget.bundle"));
    bundle->setPreferredLanguages(std::vector<std::string> { "ru" });
    ui::StringTableLocalizer russian(bundle);
    auto line = [&](int count) {
        auto events = meetings(count + 1, "2026-12-07T09:00:00+01:00");
        ui::test::FixedTextMeasurer measurer;
        ui::EnvironmentValues environment;
        environment.localize = russian;
        auto layout = ui::ViewLayout::make(CurrentEventsView { events, nine + 60 }, { 364, 60 }, environment, { &measurer, nine + 60 });
        return layout.accessibilityTexts().back();
    };
    EXPECT_EQ(line(1), "ещё 1 событие");
    EXPECT_EQ(line(3), "ещё 3 события");
    EXPECT_EQ(line(5), "ещё 5 событий");
    EXPECT_EQ(line(21), "ещё 21 событие");
}

TEST_F(EventListViewsTest, ScreenshotModeDrawsTheCurrentRowsTwelveMinutesIntoTheFirstEvent)
{
    auto first = meeting("Planning", "2026-12-07T09:00:00+01:00", "2026-12-07T10:00:00+01:00");
    auto second = meeting("Stand-up", "2026-12-07T09:05:00+01:00", "2026-12-07T09:35:00+01:00");
    CurrentEventsEntry entry { at("2026-12-07T09:40:00+01:00"), { first, second } };
    auto drawn = [&] { return DrawnWidget(CurrentEventsWidgetView { entry }, WidgetFamily::systemLarge, entry.date).texts(); };
    auto remaining = [](const std::vector<std::string>& texts) {
        std::vector<std::string> found;
        for (const auto& text : texts) {
            if (text.ends_with(" remaining"))
                found.push_back(text);
        }
        return found;
    };
    EXPECT_EQ(remaining(drawn()), (std::vector<std::string> { "20m remaining" })) << "the stand-up is over at 09:40";
    ASSERT_TRUE(UserSettingsStore::shared().setDebugScreenshotMode(true));
    EXPECT_EQ(remaining(drawn()), (std::vector<std::string> { "48m remaining", "23m remaining" })) << "both as at 09:12";

    CurrentEventsEntry empty { entry.date, {} };
    EXPECT_EQ(DrawnWidget(CurrentEventsWidgetView { empty }, WidgetFamily::systemMedium, entry.date).texts(),
        (std::vector<std::string> { "Nothing going on right now" }));

    // The upcoming list keeps the entry's moment: a meeting over by 09:40 cannot be joined.
    auto earlier = meeting("Check-in", "2026-12-07T09:00:00+01:00", "2026-12-07T09:20:00+01:00");
    DrawnWidget upcoming(UpcomingEventsWidgetView { { entry.date, { earlier } } }, WidgetFamily::systemMedium, entry.date);
    EXPECT_TRUE(upcoming.links("tarvik://joinCall/").empty());
    DrawnWidget current(CurrentEventsWidgetView { { entry.date, { earlier } } }, WidgetFamily::systemMedium, entry.date);
    EXPECT_EQ(current.links("tarvik://joinCall/").size(), 1u) << "the current list, as at 09:12, can";
}

TEST_F(EventListViewsTest, EmptyListsShowTheirOwnEmptyState)
{
    EXPECT_EQ(DrawnWidget(UpcomingEventsWidgetView { { nine, {} } }, WidgetFamily::systemLarge, nine).texts(),
        (std::vector<std::string> { "No upcoming events" }));
    EXPECT_EQ(DrawnWidget(CurrentEventsWidgetView { { nine, {} } }, WidgetFamily::systemSmall, nine).texts(),
        (std::vector<std::string> { "Nothing going on right now" }));
}

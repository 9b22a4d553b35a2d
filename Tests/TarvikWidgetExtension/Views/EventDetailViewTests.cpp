// The event row as each widget draws it: the day label against the moment of drawing, the time
// span or the start alone, the travel line, the progress of a running event, the title's line
// limit and where the join button sits, read from the laid-out tree.

#include "Tests/TarvikWidgetExtension/Views/ViewTestSupport.hpp"

#include "TVKCore/Settings/UserSettingsStore.hpp"
#include "TarvikWidgetExtension/Views/EventDetailView.hpp"

using namespace tvk;
using namespace tvk::test;
using Configuration = EventDetailView::Configuration;

namespace {

const Date nine = at("2026-12-07T09:00:00+01:00");

/// The row alone, as a list places it (its ideal height), named "row".
DrawnWidget row(const Event& event, WidgetFamily family, Configuration configuration, Date now = nine, Date renderDate = nine)
{
    return DrawnWidget(ui::View(EventDetailView { event, now, configuration }).fixedSize(ui::Axis::vertical).accessibilityIdentifier("row"),
        family, renderDate);
}

DrawnWidget medium(const Event& event, Date now = nine, Date renderDate = nine)
{
    return row(event, WidgetFamily::systemMedium, Configuration::upcomingList(WidgetFamily::systemMedium), now, renderDate);
}

/// The progress block's text.
std::optional<std::string> remainingText(const DrawnWidget& drawn)
{
    return drawn.textContaining(" remaining");
}

class EventDetailViewTest : public testing::Test {
protected:
    void TearDown() override { ASSERT_TRUE(UserSettingsStore::shared().resetAll()); }
};

}

TEST_F(EventDetailViewTest, TheConfigurationsOfTheThreeWidgets)
{
    using Location = Configuration::CameraButtonLocation;
    EXPECT_EQ(Configuration::countdown(), (Configuration { false, 2, Location::center, false }));
    EXPECT_EQ(Configuration::upcomingList(WidgetFamily::systemSmall), (Configuration { true, 2, Location::inline_, false }));
    EXPECT_EQ(Configuration::upcomingList(WidgetFamily::systemLarge), (Configuration { true, 1, Location::center, false }));
    EXPECT_EQ(Configuration::currentList(WidgetFamily::systemSmall), (Configuration { false, 2, Location::inline_, true }));
    EXPECT_EQ(Configuration::currentList(WidgetFamily::systemMedium), (Configuration { false, 1, Location::center, true }));
}

TEST_F(EventDetailViewTest, TheDayLabelNamesTheOccurrencesOwnDayAsSeenWhenTheRowIsDrawn)
{
    auto today = meeting("Review", "2026-12-07T10:00:00+01:00", "2026-12-07T11:00:00+01:00");
    EXPECT_TRUE(medium(today).shows("Today, "));
    auto tomorrow = meeting("Review", "2026-12-08T10:00:00+01:00", "2026-12-08T11:00:00+01:00");
    EXPECT_TRUE(medium(tomorrow).shows("Tomorrow, "));
    auto wednesday = meeting("Review", "2026-12-09T10:00:00+01:00", "2026-12-09T11:00:00+01:00");
    EXPECT_TRUE(medium(wednesday).shows("Wed, Dec 9, "));

    auto moved = meeting("Stand-up", "2026-12-07T14:00:00+01:00", "2026-12-07T14:15:00+01:00");
    moved.occurrenceDate = at("2026-12-08T10:00:00+01:00");
    EXPECT_TRUE(medium(moved).shows("Tomorrow, ")) << "moved to today from tomorrow, it is still tomorrow's occurrence";

    // The row's own `now` (a screenshot moment, the countdown's) does not move the day.
    EXPECT_TRUE(medium(today, at("2026-12-06T09:00:00+01:00")).shows("Today, "));
    EXPECT_TRUE(medium(today, nine, at("2026-12-06T23:59:00+01:00")).shows("Tomorrow, "));

    auto small = row(today, WidgetFamily::systemSmall, Configuration::upcomingList(WidgetFamily::systemSmall));
    EXPECT_TRUE(small.shows("Today")) << "no comma where the time stands on a line of its own";
}

TEST_F(EventDetailViewTest, DayAndTimeReadAsOneLineExceptInTheSmallFamily)
{
    auto event = meeting("Review", "2026-12-07T10:00:00+01:00", "2026-12-07T11:00:00+01:00");
    const std::string span = "10:00\u202FAM–11:00\u202FAM";
    auto drawn = medium(event);
    auto label = drawn.frameOf("Today, ");
    auto time = drawn.frameOf(span);
    EXPECT_EQ(time.minY(), label.minY());
    EXPECT_EQ(time.minX(), label.maxX()) << "no space between the label's comma and the time but its own";

    auto small = row(event, WidgetFamily::systemSmall, Configuration::upcomingList(WidgetFamily::systemSmall));
    EXPECT_GT(small.frameOf(span).minY(), small.frameOf("Today").maxY());
    EXPECT_EQ(small.frameOf(span).minX(), small.frameOf("Today").minX());
}

TEST_F(EventDetailViewTest, AnEventWithoutLengthOrPastMidnightShowsItsStartAlone)
{
    auto reminder = meeting("Call back", "2026-12-07T11:00:00+01:00", "2026-12-07T11:00:00+01:00");
    reminder.type = EventType::tvkReminder;
    EXPECT_TRUE(medium(reminder).shows("11:00\u202FAM"));
    auto night = meeting("Release", "2026-12-07T23:00:00+01:00", "2026-12-08T01:00:00+01:00");
    EXPECT_TRUE(medium(night).shows("11:00\u202FPM"));
    auto evening = meeting("Dinner", "2026-12-07T19:00:00+01:00", "2026-12-07T23:59:00+01:00");
    EXPECT_TRUE(medium(evening).shows("7:00\u202FPM–11:59\u202FPM"));
}

TEST_F(EventDetailViewTest, TheTravelLineNeedsTravelTimeAndTheSettingWhateverTheWidgetAsksFor)
{
    auto event = meeting("Lunch", "2026-12-07T12:30:00+01:00", "2026-12-07T13:30:00+01:00");
    event.travelTime = 1200;
    auto still = event;
    still.travelTime = 0;
    struct Use {
        WidgetFamily family;
        Configuration configuration;
        const char* text;
    };
    for (auto use : { Use { WidgetFamily::systemMedium, Configuration::countdown(), "20m travel time" },
             Use { WidgetFamily::systemSmall, Configuration::countdown(), "20m" },
             Use { WidgetFamily::systemSmall, Configuration::upcomingList(WidgetFamily::systemSmall), "20m" },
             Use { WidgetFamily::systemLarge, Configuration::upcomingList(WidgetFamily::systemLarge), "20m travel time" },
             Use { WidgetFamily::systemMedium, Configuration::currentList(WidgetFamily::systemMedium), "20m travel time" } }) {
        ASSERT_TRUE(UserSettingsStore::shared().setIncludeTravelTime(false));
        EXPECT_FALSE(row(event, use.family, use.configuration).shows(use.text)) << use.text;
        ASSERT_TRUE(UserSettingsStore::shared().setIncludeTravelTime(true));
        auto drawn = row(event, use.family, use.configuration);
        EXPECT_TRUE(drawn.shows(use.text)) << testing::PrintToString(drawn.texts());
        EXPECT_EQ(row(still, use.family, use.configuration).texts().size(), drawn.texts().size() - 1) << "no line for no travel";
    }
    auto drawn = medium(event);
    EXPECT_GT(drawn.frameOf("20m travel time").minY(), drawn.frameOf("Today, ").maxY()) << "on a line of its own";
}

TEST_F(EventDetailViewTest, ProgressShowsFromTheFirstToTheLastSecondOfARunningEvent)
{
    auto event = meeting("Stand-up", "2026-12-07T09:00:00+01:00", "2026-12-07T09:30:00+01:00");
    auto current = [&](Date now, WidgetFamily family = WidgetFamily::systemMedium) {
        return row(event, family, Configuration::currentList(family), now);
    };
    EXPECT_EQ(remainingText(current(event.startDate)), "30m remaining");
    EXPECT_EQ(remainingText(current(event.startDate + 600)), "20m remaining");
    EXPECT_TRUE(remainingText(current(event.endDate))) << "the last second still counts";
    EXPECT_FALSE(remainingText(current(event.startDate - 1)));
    EXPECT_FALSE(remainingText(current(event.endDate + 1)));
    EXPECT_FALSE(remainingText(medium(event, event.startDate + 600))) << "the upcoming list shows no progress";

    auto drawn = current(event.startDate + 600);
    auto time = drawn.frameOf("9:00\u202FAM–9:30\u202FAM");
    auto progress = drawn.frameOf("20m remaining");
    EXPECT_GT(progress.minX(), time.maxX()) << "at the end of the time line";
    EXPECT_LT(progress.minY(), time.maxY());
    auto small = current(event.startDate + 600, WidgetFamily::systemSmall);
    EXPECT_DOUBLE_EQ(small.frameOf("20m remaining").minY(), small.frameOf("9:00\u202FAM–9:30\u202FAM").maxY() + 4) << "on its own line";
}

TEST_F(EventDetailViewTest, TheTitleKeepsToItsLineLimit)
{
    auto event = meeting("Quarterly planning with the whole product organisation and the partners", "2026-12-07T10:00:00+01:00",
        "2026-12-07T11:00:00+01:00");
    const std::string title = *event.title;
    // The fixed measurer sets 11 pt text in lines of 13.2 pt.
    auto lines = [&](WidgetFamily family, Configuration configuration) {
        return row(event, family, configuration).frameOf(title).size.height / 13.2;
    };
    EXPECT_DOUBLE_EQ(lines(WidgetFamily::systemSmall, Configuration::countdown()), 2);
    EXPECT_DOUBLE_EQ(lines(WidgetFamily::systemMedium, Configuration::countdown()), 2);
    EXPECT_DOUBLE_EQ(lines(WidgetFamily::systemSmall, Configuration::upcomingList(WidgetFamily::systemSmall)), 2);
    EXPECT_DOUBLE_EQ(lines(WidgetFamily::systemMedium, Configuration::upcomingList(WidgetFamily::systemMedium)), 1);
    EXPECT_DOUBLE_EQ(lines(WidgetFamily::systemLarge, Configuration::currentList(WidgetFamily::systemLarge)), 1);
    event.title.reset();
    EXPECT_EQ(medium(event).texts(), (std::vector<std::string> { "Today, ", "10:00\u202FAM–11:00\u202FAM" }))
        << "an absent title draws an empty text, which has nothing to read";
}

TEST_F(EventDetailViewTest, TheJoinButtonSitsAtTheEndOfTheTimeLineOrAtTheRightOfTheWholeRow)
{
    auto event = meeting("Stand-up", "2026-12-07T09:00:00+01:00", "2026-12-07T09:30:00+01:00");
    const std::string span = "9:00\u202FAM–9:30\u202FAM";

    auto inlined = row(event, WidgetFamily::systemSmall, Configuration::upcomingList(WidgetFamily::systemSmall), nine + 60);
    auto button = inlined.links("tarvik://joinCall/").at(0).frame;
    auto rowFrame = inlined.layout().frame("row").value();
    EXPECT_EQ(button.maxX(), rowFrame.maxX() - 4) << "after a spacer, before the row's trailing padding";
    EXPECT_GT(button.maxY(), inlined.frameOf(span).minY()) << "beside the day and time";
    EXPECT_LT(button.minY(), inlined.frameOf(span).maxY());
    EXPECT_GT(button.minY(), inlined.frameOf(*event.title).maxY()) << "under the title";

    auto centred = row(event, WidgetFamily::systemMedium, Configuration::upcomingList(WidgetFamily::systemMedium), nine + 60);
    button = centred.links("tarvik://joinCall/").at(0).frame;
    rowFrame = centred.layout().frame("row").value();
    EXPECT_EQ(button.maxX(), rowFrame.maxX() - 4);
    EXPECT_DOUBLE_EQ(button.midY(), rowFrame.midY()) << "centred on the whole row";
    EXPECT_LT(button.minY(), centred.frameOf(*event.title).maxY());
}

TEST_F(EventDetailViewTest, TheRowHasNoLinkButItsJoinButtonsAndItsIndicatorIsNotRead)
{
    auto event = meeting("Stand-up", "2026-12-07T09:00:00+01:00", "2026-12-07T09:30:00+01:00");
    for (auto type : { EventType::calendarEvent, EventType::tvkReminder, EventType::appleReminder }) {
        event.type = type;
        auto drawn = medium(event, nine + 60);
        EXPECT_EQ(drawn.texts(), (std::vector<std::string> { "Stand-up", "Today, ", "9:00\u202FAM–9:30\u202FAM" }));
        ASSERT_EQ(drawn.links().size(), 1u);
        EXPECT_EQ(drawn.links()[0].url, "tarvik://joinCall/work:Stand-up");
    }
}

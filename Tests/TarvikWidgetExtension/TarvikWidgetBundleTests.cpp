// The bundle as a host sees it: the three widgets in order with their kinds, texts and
// families; the program's own string table, complete in every language it ships; and the
// content builders, which draw an entry on the widget background with those texts.

#include "Platform/Text/ResourceBundle.hpp"
#include "Platform/UI/UI.hpp"
#include "Platform/Widgets/WidgetStringTable.hpp"
#include "TarvikWidgetExtension/TarvikWidgetBundle.hpp"
#include "TarvikWidgetExtension/Timeline/CurrentEventsEntry.hpp"
#include "TarvikWidgetExtension/Timeline/NextEventEntry.hpp"
#include "TarvikWidgetExtension/Timeline/UpcomingEventsEntry.hpp"
#include "Tests/Platform/UI/UITestSupport.hpp"
#include "Tests/Support/Dates.hpp"

#include <gtest/gtest.h>

using namespace tvk;
using namespace tvk::widgets;
using tvk::test::at;

namespace {

const std::filesystem::path stringTable
    = (std::filesystem::path(TVK_TEST_FIXTURES) / "../../../Resources/TarvikWidgetExtension.bundle").lexically_normal();

/// Every key of the program's table: what the gallery shows, what the widgets write, the
/// desktop host's window and menu, and what the handler of the widgets' links shows.
const std::vector<std::string> widgetKeys {
    "Widget.nextEventCountdown.displayName",
    "Widget.nextEventCountdown.description",
    "Widget.upcomingEvents.displayName",
    "Widget.upcomingEvents.description",
    "Widget.currentEvents.displayName",
    "Widget.currentEvents.description",
    "Widget.nextEventCountdown.headline",
    "Widget.upcomingEvent.nextEvent",
    "Widget.upcomingEvent.currentEvents",
    "Widget.upcomingEvent.noUpcomingEvents",
    "Widget.upcomingEvent.noCurrentEvents",
    "^[%lld more events](inflect: true)",
    "WidgetHost.title",
    "WidgetHost.size",
    "WidgetHost.family.small",
    "WidgetHost.family.medium",
    "WidgetHost.family.large",
    "WidgetHost.family.extraLarge",
    "WidgetHost.addWidget",
    "WidgetHost.removeWidget",
    "LinkHandler.untitled",
    "LinkHandler.organizer",
    "LinkHandler.location",
    "LinkHandler.notes",
    "LinkHandler.participants",
    "LinkHandler.join",
    "LinkHandler.close",
    "LinkHandler.notALink.title",
    "LinkHandler.notALink.message",
    "LinkHandler.noEvent.title",
    "LinkHandler.noEvent.message",
    "LinkHandler.noCall.title",
    "LinkHandler.noCall.message",
    "LinkHandler.noCalendar.title",
    "LinkHandler.noCalendar.message",
};

Event event(std::string title, const char* start)
{
    return Event { .id = "work:" + title, .startDate = at(start), .endDate = at(start) + 1800, .title = title };
}

}

TEST(TarvikWidgetBundle, OffersTheCountdownTheUpcomingAndTheCurrentEventsInThatOrder)
{
    auto configurations = TarvikWidgetBundle().body();
    ASSERT_EQ(configurations.size(), 3u);
    std::vector<std::string> described;
    for (auto& configuration : configurations) {
        described.push_back(configuration.kind() + " " + configuration.displayNameKey() + " " + configuration.descriptionKey() + " "
            + familyNames(configuration.supportedFamilies()) + " " + configuration.shortName().value_or("-"));
    }
    EXPECT_EQ(described,
        (std::vector<std::string> {
            "com.quillmoor.tvk.NextEventCountdownWidget Widget.nextEventCountdown.displayName Widget.nextEventCountdown.description "
            "small, medium countdown",
            "com.quillmoor.tvk.UpcomingEventsWidget Widget.upcomingEvents.displayName Widget.upcomingEvents.description "
            "small, medium, large upcoming",
            "com.quillmoor.tvk.CurrentEventsWidget Widget.currentEvents.displayName Widget.currentEvents.description "
            "small, medium, large current",
        }));
}

TEST(TarvikWidgetBundle, TheStringTableHasEveryWidgetKeyInEveryLanguage)
{
    auto bundle = ResourceBundle::open(stringTable);
    ASSERT_TRUE(bundle);
    EXPECT_EQ(bundle->localizations(), (std::vector<std::string> { "de", "en" }));
    for (auto& language : bundle->localizations()) {
        bundle->setPreferredLanguages(std::vector<std::string> { language });
        for (auto& key : widgetKeys) {
            auto text = bundle->localizedString(key, WidgetStringTable::tableName);
            EXPECT_TRUE(text && !text->empty()) << language << " lacks " << key;
        }
    }
    auto countLine = [](const WidgetStringTable& table, std::int64_t count) {
        return table.localizedString(ui::LocalizedStringKey("^[%lld more events](inflect: true)", { count }));
    };
    WidgetStringTable english(ResourceBundle::open(stringTable));
    EXPECT_EQ(countLine(english, 1), "1 more event");
    EXPECT_EQ(countLine(english, 3), "3 more events");
    EXPECT_EQ(countLine(english, 0), "0 more events");
    bundle->setPreferredLanguages(std::vector<std::string> { "de" });
    WidgetStringTable german(std::move(bundle));
    EXPECT_EQ(countLine(german, 1), "1 weiterer Termin");
    EXPECT_EQ(countLine(german, 3), "3 weitere Termine");
    EXPECT_EQ(german.localizedString("Widget.upcomingEvent.noUpcomingEvents"), "Keine anstehenden Termine");
}

TEST(TarvikWidgetBundle, ContentBuildersDrawTheirEntryOnTheWidgetBackground)
{
    auto configurations = TarvikWidgetBundle().body();
    WidgetStringTable strings(ResourceBundle::open(stringTable));
    ui::test::FixedTextMeasurer measurer;
    auto draw = [&](const WidgetConfiguration& configuration, AnyTimelineEntry entry) {
        ui::EnvironmentValues environment;
        environment.widgetFamily = WidgetFamily::systemMedium;
        environment.localize = strings.localizer();
        return ui::ViewLayout::make(configuration.content(entry), ui::widgetSize(WidgetFamily::systemMedium), environment, { &measurer });
    };
    Date now = at("2026-12-07T09:00:00+01:00");

    auto countdown = draw(configurations[0], AnyTimelineEntry(NextEventEntry { now, event("Design review", "2026-12-07T10:00:00+01:00") }));
    auto countdownTexts = countdown.accessibilityTexts();
    EXPECT_EQ(countdownTexts.at(0), "NEXT EVENT IN");
    EXPECT_NE(std::find(countdownTexts.begin(), countdownTexts.end(), "Design review"), countdownTexts.end());
    EXPECT_EQ(countdown.containerBackground(), ui::ShapeStyle::fill(ui::ShapeStyle::Level::tertiary).resolve(ui::ColorScheme::light));
    EXPECT_EQ(draw(configurations[0], AnyTimelineEntry(NextEventEntry { now, std::nullopt })).accessibilityTexts(),
        (std::vector<std::string> { "No upcoming events" }));

    auto upcoming = draw(configurations[1],
        AnyTimelineEntry(
            UpcomingEventsEntry { now, { event("Stand-up", "2026-12-07T10:00:00+01:00"), event("Lunch", "2026-12-07T12:30:00+01:00") } }));
    auto upcomingTexts = upcoming.accessibilityTexts();
    EXPECT_EQ(upcomingTexts.at(0), "UP NEXT");
    EXPECT_NE(std::find(upcomingTexts.begin(), upcomingTexts.end(), "Lunch"), upcomingTexts.end());
    EXPECT_EQ(draw(configurations[2], AnyTimelineEntry(CurrentEventsEntry { now, {} })).accessibilityTexts(),
        (std::vector<std::string> { "Nothing going on right now" }));
    EXPECT_TRUE(configurations[2].content(AnyTimelineEntry(NextEventEntry { now, std::nullopt })).isEmpty())
        << "the current-events widget draws only its own entries";
}

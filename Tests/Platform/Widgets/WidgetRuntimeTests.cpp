// The widget runtime with a provider of its own: configurations hand entries through and
// build their content from them, the widget centre reaches whoever hosts, and the string table
// falls back to keys. The headless commands are in WidgetBundleRunnerTests.

#include "Tests/Platform/Widgets/CountingWidget.hpp"

#include "Platform/Runtime/DispatchQueue.hpp"
#include "Platform/UI/UI.hpp"
#include "Platform/Widgets/WidgetCenter.hpp"
#include "Platform/Widgets/WidgetStringTable.hpp"
#include "Tests/Support/TemporaryDirectory.hpp"

#include <gtest/gtest.h>

using namespace tvk;
using namespace tvk::widgets;
using namespace tvk::widgets::test;

TEST(WidgetConfiguration, HandsTheProvidersEntriesThroughAndBuildsTheirContent)
{
    auto state = std::make_shared<CountingState>();
    state->counts = { 1, 2 };
    state->policy = TimelineReloadPolicy::after(Date(1000));
    auto configuration = countingConfiguration(state);
    auto context = TimelineProviderContext::forFamily(WidgetFamily::systemMedium);

    auto placeholder = configuration.placeholder(context);
    EXPECT_EQ(placeholder.get<CountEntry>()->count, 0);
    EXPECT_EQ(placeholder.get<int>(), nullptr) << "typed access only as the entry's own type";

    std::optional<Timeline<AnyTimelineEntry>> timeline;
    configuration.getTimeline(context, [&](Timeline<AnyTimelineEntry> result) { timeline = std::move(result); });
    ASSERT_TRUE(timeline);
    ASSERT_EQ(timeline->entries.size(), 2u);
    EXPECT_EQ(timeline->entries[1].date(), Date(200));
    EXPECT_EQ(timeline->entries[1].json(), (nlohmann::json { { "date", 200.0 }, { "count", 2 } }));
    EXPECT_EQ(timeline->entries[1].summaryLine(), "2 things");
    EXPECT_EQ(timeline->policy, TimelineReloadPolicy::after(Date(1000)));
    EXPECT_EQ(state->contexts.back(), context);

    ui::test::FixedTextMeasurer measurer;
    auto texts = [&](const ui::View& view) {
        return ui::ViewLayout::make(view, ui::widgetSize(WidgetFamily::systemSmall), {}, { &measurer }).accessibilityTexts();
    };
    EXPECT_EQ(texts(configuration.content(timeline->entries[0])), (std::vector<std::string> { "count 1" }));
    auto other = StaticConfiguration("other", OtherProvider(), [](const OtherEntry&) { return ui::Text("other"); });
    EXPECT_TRUE(other.content(timeline->entries[0]).isEmpty()) << "an entry of another widget builds nothing";
}

TEST(WidgetConfiguration, WithoutContentItShowsNothingUntilShowingGivesItAViewAndKeepsTheRest)
{
    auto state = std::make_shared<CountingState>();
    state->counts = { 3 };
    auto timelines = TimelineConfiguration("com.example.Count", CountingProvider(state))
                         .shortName("count")
                         .supportedFamilies({ WidgetFamily::systemSmall });
    auto context = TimelineProviderContext::forFamily(WidgetFamily::systemSmall);
    std::optional<Timeline<AnyTimelineEntry>> timeline;
    timelines.getTimeline(context, [&](Timeline<AnyTimelineEntry> result) { timeline = std::move(result); });
    ASSERT_TRUE(timeline);
    ASSERT_EQ(timeline->entries.size(), 1u);
    EXPECT_TRUE(timelines.content(timeline->entries[0]).isEmpty());

    auto shown = timelines.showing<CountEntry>([](const CountEntry& entry) { return ui::Text("count " + std::to_string(entry.count)); });
    ui::test::FixedTextMeasurer measurer;
    auto texts = ui::ViewLayout::make(shown.content(timeline->entries[0]), ui::widgetSize(WidgetFamily::systemSmall), {}, { &measurer })
                     .accessibilityTexts();
    EXPECT_EQ(texts, (std::vector<std::string> { "count 3" }));
    EXPECT_TRUE(timelines.content(timeline->entries[0]).isEmpty()) << "showing makes a copy";
    EXPECT_EQ(shown.kind(), "com.example.Count");
    EXPECT_EQ(shown.shortName(), "count");
    EXPECT_FALSE(shown.supports(WidgetFamily::systemMedium));
    EXPECT_EQ(shown.placeholder(context).get<CountEntry>()->count, 0);
}

TEST(WidgetConfiguration, ModifiersMakeChangedCopiesAndFamiliesDefaultToAll)
{
    auto plain = countingConfiguration(std::make_shared<CountingState>());
    auto named = plain.configurationDisplayName("Count.name")
                     .description("Count.description")
                     .shortName("count")
                     .supportedFamilies({ WidgetFamily::systemSmall });
    EXPECT_EQ(plain.displayNameKey(), "");
    EXPECT_EQ(plain.shortName(), std::nullopt);
    EXPECT_TRUE(plain.supports(WidgetFamily::systemLarge));
    EXPECT_EQ(named.kind(), "com.example.Count");
    EXPECT_EQ(named.displayNameKey(), "Count.name");
    EXPECT_EQ(named.descriptionKey(), "Count.description");
    EXPECT_EQ(named.shortName(), "count");
    EXPECT_TRUE(named.supports(WidgetFamily::systemSmall));
    EXPECT_FALSE(named.supports(WidgetFamily::systemMedium));
}

TEST(WidgetCenter, ReloadRequestsReachEveryHandlerWithTheirKindUntilRemoved)
{
    WidgetCenter center;
    std::vector<std::optional<std::string>> first, second;
    auto token = center.addReloadHandler([&](const std::optional<std::string>& kind) { first.push_back(kind); });
    center.addReloadHandler([&](const std::optional<std::string>& kind) { second.push_back(kind); });

    center.reloadTimelines("com.example.Count");
    center.reloadAllTimelines();
    center.removeReloadHandler(token);
    center.reloadTimelines("com.example.Other");

    EXPECT_EQ(first, (std::vector<std::optional<std::string>> { "com.example.Count", std::nullopt }));
    EXPECT_EQ(second, (std::vector<std::optional<std::string>> { "com.example.Count", std::nullopt, "com.example.Other" }));
}

TEST(WidgetStringTable, LooksKeysUpInTheUsersLanguageAndShowsMissingOnesAsTheirKeys)
{
    tvk::test::TemporaryDirectory directory;
    directory.write("Widgets.bundle/en.lproj/Localizable.strings", "\"Count.name\" = \"Counter\";\n\"Count.more\" = \"%lld more\";\n");
    directory.write("Widgets.bundle/de.lproj/Localizable.strings", "\"Count.name\" = \"Zähler\";\n");

    WidgetStringTable english(ResourceBundle::open(directory / "Widgets.bundle"));
    EXPECT_EQ(english.localizedString("Count.name"), "Counter");
    EXPECT_EQ(english.localizedString(ui::LocalizedStringKey("Count.more", { std::int64_t(3) })), "3 more");
    EXPECT_EQ(english.localizedString(ui::LocalizedStringKey("^[%lld left](inflect: true)", { std::int64_t(2) })), "2 left")
        << "a missing key is its own format";

    auto german = ResourceBundle::open(directory / "Widgets.bundle");
    german->setPreferredLanguages(std::vector<std::string> { "de_DE" });
    WidgetStringTable table(std::move(german));
    EXPECT_EQ(table.localizedString("Count.name"), "Zähler");
    EXPECT_EQ(table.localizer()(ui::LocalizedStringKey("Count.name")), "Zähler");

    WidgetStringTable missing(std::unique_ptr<ResourceBundle> {});
    EXPECT_EQ(missing.localizedString("Count.name"), "Count.name");
}

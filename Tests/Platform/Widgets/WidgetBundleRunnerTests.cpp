// The headless commands of a widget program, run in-process over the tests' own widgets: what
// they print, how they wait for a provider, and how they refuse what they cannot do.

#include "Tests/Platform/Widgets/CountingWidget.hpp"

#include "Platform/Runtime/ProcessClock.hpp"
#include "Platform/Widgets/WidgetBundleRunner.hpp"
#include "Tests/Support/Dates.hpp"
#include "Tests/Support/TemporaryDirectory.hpp"

#include "Tests/Support/ScopedEnvironment.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>

using namespace tvk;
using namespace tvk::widgets;
using namespace tvk::widgets::test;

namespace {

class WidgetBundleRunnerTest : public testing::Test {
protected:
    void SetUp() override
    {
        directory.write("Widgets.bundle/en.lproj/Localizable.strings",
            "\"Count.name\" = \"Counter\";\n\"Count.description\" = \"Counts things.\";\n\"Other.name\" = \"Other\";\n");
        auto strings = std::make_shared<WidgetStringTable>(ResourceBundle::open(directory / "Widgets.bundle"));
        runner = std::make_unique<WidgetBundleRunner>(
            "widgets",
            [this] {
                ++builds;
                return std::vector<WidgetConfiguration> {
                    countingConfiguration(state)
                        .configurationDisplayName("Count.name")
                        .description("Count.description")
                        .supportedFamilies({ WidgetFamily::systemSmall, WidgetFamily::systemMedium })
                        .shortName("count"),
                    StaticConfiguration("com.example.Other", OtherProvider(), [](const OtherEntry&) { return ui::Text("other"); })
                        .configurationDisplayName("Other.name")
                        .description("Other.description"),
                };
            },
            strings);
    }
    void TearDown() override { ProcessClock::unpin(); }

    int run(std::vector<std::string> arguments)
    {
        out.str({});
        err.str({});
        return runner->run(arguments, out, err);
    }
    nlohmann::json json() const { return nlohmann::json::parse(out.str()); }

    tvk::test::TemporaryDirectory directory;
    std::shared_ptr<CountingState> state = std::make_shared<CountingState>();
    int builds = 0;
    std::unique_ptr<WidgetBundleRunner> runner;
    std::ostringstream out, err;
};

}

TEST_F(WidgetBundleRunnerTest, ListShowsEveryWidgetInBundleOrderWithItsTexts)
{
    ASSERT_EQ(run({ "list" }), 0) << err.str();
    EXPECT_EQ(out.str(),
        "Counter (count)\n  Counts things.\n  kind com.example.Count; small, medium\n"
        "\n"
        "Other\n  Other.description\n  kind com.example.Other; small, medium, large, extraLarge\n");

    ASSERT_EQ(run({ "list", "--json" }), 0) << err.str();
    EXPECT_EQ(json(), nlohmann::json::parse(R"([
        {"kind": "com.example.Count", "displayName": "Counter", "description": "Counts things.", "families": ["small", "medium"]},
        {"kind": "com.example.Other", "displayName": "Other", "description": "Other.description",
         "families": ["small", "medium", "large", "extraLarge"]}])"));
}

TEST_F(WidgetBundleRunnerTest, TimelineWaitsForTheProviderThenPrintsItsEntriesAndPolicy)
{
    state->counts = { 1, 2 };
    state->answer = CountingState::Answer::onTheMainQueue;
    state->policy = TimelineReloadPolicy::after(tvk::test::at("2026-12-07T09:51:00+01:00"));
    ASSERT_EQ(run({ "timeline", "count", "--json" }), 0) << err.str();
    EXPECT_EQ(json(), nlohmann::json::parse(R"({"kind": "com.example.Count",
        "entries": [{"date": 100.0, "count": 1}, {"date": 200.0, "count": 2}],
        "policy": {"after": "2026-12-07T09:51:00+01:00"}})"));

    ASSERT_EQ(run({ "--now", "2026-12-07T09:50:00+01:00", "timeline", "com.example.Count" }), 0) << err.str();
    EXPECT_EQ(out.str(),
        "com.example.Count, timeline at 2026-12-07 09:50:00:\n"
        "  from 1970-01-01 01:01:40  1 things\n"
        "  from 1970-01-01 01:03:20  2 things\n"
        "  next timeline after 2026-12-07 09:51:00\n");

    state->counts.clear();
    state->policy = TimelineReloadPolicy::atEnd();
    ASSERT_EQ(run({ "timeline", "count", "--json" }), 0);
    EXPECT_EQ(json()["policy"], (nlohmann::json { { "atEnd", true } }));
    EXPECT_EQ(json()["entries"], nlohmann::json::array());
    state->policy = TimelineReloadPolicy::never();
    ASSERT_EQ(run({ "timeline", "count" }), 0);
    EXPECT_NE(out.str().find("  no entries\n  no next timeline until the widget is reloaded\n"), std::string::npos) << out.str();
    ASSERT_EQ(run({ "timeline", "count", "--json" }), 0);
    EXPECT_EQ(json()["policy"], (nlohmann::json { { "never", true } }));
}

TEST_F(WidgetBundleRunnerTest, SnapshotsAndPlaceholdersPrintOneEntryWithTheFamilyAskedFor)
{
    state->counts = { 7 };
    state->answer = CountingState::Answer::onTheMainQueue;
    ASSERT_EQ(run({ "snapshot", "count", "--family", "medium", "--json" }), 0) << err.str();
    EXPECT_EQ(json(), nlohmann::json::parse(R"({"kind": "com.example.Count", "entry": {"date": 100.0, "count": 7}})"));
    EXPECT_EQ(state->contexts.back(), TimelineProviderContext::forFamily(WidgetFamily::systemMedium, true)) << "a gallery's preview";

    ASSERT_EQ(run({ "placeholder", "count" }), 0) << err.str();
    EXPECT_EQ(out.str(), "com.example.Count, placeholder:\n  from 1970-01-01 01:00:00  0 things\n");
    EXPECT_EQ(state->contexts.back(), TimelineProviderContext::forFamily(WidgetFamily::systemSmall)) << "the smallest family by default";
}

TEST_F(WidgetBundleRunnerTest, UnknownKindsFamiliesAndOptionsAreUsageErrorsThatSayWhatExists)
{
    EXPECT_EQ(run({ "timeline", "counter" }), 2);
    EXPECT_EQ(err.str(),
        "widgets timeline: no widget has the kind \"counter\"; the widgets are:\n"
        "  count  (com.example.Count)\n"
        "  com.example.Other  (com.example.Other)\n");
    EXPECT_EQ(run({ "snapshot", "count", "--family", "large" }), 2);
    EXPECT_EQ(err.str(), "widgets snapshot: com.example.Count does not come in the large family, only in small, medium\n");
    EXPECT_EQ(run({ "placeholder", "count", "--family", "huge" }), 2);
    EXPECT_NE(err.str().find("unknown family \"huge\""), std::string::npos) << err.str();
    EXPECT_EQ(run({ "timeline" }), 2);
    EXPECT_EQ(err.str().rfind("widgets timeline: missing arguments\n\nusage: widgets [--now ISO-8601] timeline KIND", 0), 0u) << err.str();
    EXPECT_EQ(run({ "timeline", "count", "other" }), 2);
    EXPECT_EQ(run({ "list", "--verbose" }), 2);
    EXPECT_EQ(run({ "chart", "count" }), 2);
    EXPECT_NE(err.str().find("widgets: unknown command \"chart\""), std::string::npos) << err.str();
    {
        // Without a command the desktop host runs; without a display it says so and ends.
        tvk::test::ScopedEnvironment noDisplay("DISPLAY", std::nullopt);
        noDisplay.set("WAYLAND_DISPLAY", std::nullopt);
        EXPECT_EQ(run({}), 1);
        EXPECT_EQ(err.str(), "widgets host: cannot show the widgets: no graphical display (neither DISPLAY nor WAYLAND_DISPLAY works)\n");
    }
    EXPECT_EQ(run({ "--help" }), 0);
    EXPECT_NE(out.str().find("\nWithout a command, host runs.\n"), std::string::npos) << out.str();
    EXPECT_EQ(run({ "--now", "Monday", "list" }), 2);
    EXPECT_TRUE(state->contexts.empty()) << "no provider was asked";

    EXPECT_EQ(run({ "timeline", "--help" }), 0);
    EXPECT_EQ(out.str().rfind("usage: widgets [--now ISO-8601] timeline KIND [--family FAMILY] [--json]\n", 0), 0u) << out.str();
}

TEST_F(WidgetBundleRunnerTest, TheWidgetsAreBuiltOnceAndOnlyAfterTheClockIsPinned)
{
    ASSERT_EQ(run({ "--help" }), 0);
    EXPECT_EQ(builds, 0);
    ASSERT_EQ(run({ "--now", "2026-12-07T09:50:00+01:00", "placeholder", "count" }), 0);
    EXPECT_EQ(state->builtAt, tvk::test::at("2026-12-07T09:50:00+01:00"));
    ASSERT_EQ(run({ "list" }), 0);
    EXPECT_EQ(builds, 1);
}

TEST_F(WidgetBundleRunnerTest, AProviderThatNeverAnswersFailsAfterTheTimeout)
{
    state->answer = CountingState::Answer::never;
    runner->setCompletionTimeout(0.05);
    EXPECT_EQ(run({ "timeline", "count" }), 1);
    EXPECT_EQ(err.str(), "widgets timeline: the provider did not answer within 0.05 seconds\n");
    EXPECT_EQ(out.str(), "");
}

namespace {

std::string contents(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

/// Width and height of a PNG, from its header.
std::pair<int, int> pngSize(const std::filesystem::path& path)
{
    auto bytes = contents(path);
    if (bytes.size() < 24 || bytes.compare(1, 3, "PNG") != 0)
        return { 0, 0 };
    auto number = [&](size_t offset) {
        return (static_cast<unsigned char>(bytes[offset]) << 24) | (static_cast<unsigned char>(bytes[offset + 1]) << 16)
            | (static_cast<unsigned char>(bytes[offset + 2]) << 8) | static_cast<unsigned char>(bytes[offset + 3]);
    };
    return { number(16), number(20) };
}

}

TEST_F(WidgetBundleRunnerTest, RenderDrawsTheChosenEntryOnItsCardAndDescribesItsLinksAndTexts)
{
    state->counts = { 1, 2 };
    state->answer = CountingState::Answer::onTheMainQueue;
    auto png = directory / "count.png";
    auto tree = directory / "count.json";
    ASSERT_EQ(run({ "render", "count", "--entry", "1", "--scheme", "dark", "--out", png.string(), "--tree", tree.string() }), 0)
        << err.str();
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(pngSize(png), std::make_pair(340, 340)) << "the small family at twice the points";
    EXPECT_EQ(state->contexts.back(), TimelineProviderContext::forFamily(WidgetFamily::systemSmall)) << "a placed widget's timeline";

    auto described = nlohmann::json::parse(contents(tree));
    EXPECT_EQ(described["size"], nlohmann::json::parse("[170, 170]"));
    ASSERT_EQ(described["texts"].size(), 1u) << described;
    EXPECT_EQ(described["texts"][0]["text"], "count 2");
    ASSERT_EQ(described["links"].size(), 1u) << described;
    EXPECT_EQ(described["links"][0]["url"], "count://2");
    EXPECT_EQ(described["links"][0]["rect"], described["texts"][0]["rect"]) << "the link is its label";
    auto rect = described["texts"][0]["rect"].get<std::vector<double>>();
    EXPECT_DOUBLE_EQ(rect[0] + rect[2] / 2, 85) << "centred on the card";
    EXPECT_GE(rect[0], 16) << "inside the content margins";

    ASSERT_EQ(run({ "render", "count", "--family", "medium", "--scale", "1", "--out", png.string() }), 0) << err.str();
    EXPECT_EQ(pngSize(png), std::make_pair(364, 170));
    auto svg = directory / "count.SVG";
    ASSERT_EQ(run({ "render", "count", "--out", svg.string() }), 0) << err.str();
    EXPECT_NE(contents(svg).find("<svg"), std::string::npos) << "an SVG by the name's ending, in any letter case";
    EXPECT_FALSE(std::filesystem::exists(directory / "count.SVG.tmp"));
}

TEST_F(WidgetBundleRunnerTest, RenderOfAnEmptyTimelineDrawsTheEmptyEntryAndRefusesEntriesThatDoNotExist)
{
    auto png = directory / "count.png";
    auto tree = directory / "count.json";
    ASSERT_EQ(run({ "render", "count", "--out", png.string(), "--tree", tree.string() }), 0) << err.str();
    EXPECT_EQ(nlohmann::json::parse(contents(tree))["texts"][0]["text"], "count 0") << "the placeholder's empty entry";
    EXPECT_EQ(run({ "render", "count", "--entry", "1", "--out", png.string() }), 1);
    EXPECT_EQ(err.str(), "widgets render: the timeline of com.example.Count has 0 entries, so there is no entry 1\n");

    state->counts = { 5 };
    EXPECT_EQ(run({ "render", "count", "--entry", "1", "--out", png.string() }), 1);
    EXPECT_EQ(err.str(), "widgets render: the timeline of com.example.Count has 1 entry, so there is no entry 1\n");
    EXPECT_EQ(run({ "render", "count", "--out", (directory / "missing" / "count.png").string() }), 1);
    EXPECT_NE(err.str().find("cannot write"), std::string::npos) << err.str();
}

TEST_F(WidgetBundleRunnerTest, RenderRefusesWhatItCannotDrawBeforeAskingTheProvider)
{
    auto png = (directory / "count.png").string();
    EXPECT_EQ(run({ "render", "count", "--family", "large", "--out", png }), 2);
    EXPECT_EQ(err.str(), "widgets render: com.example.Count does not come in the large family, only in small, medium\n");
    for (auto options : std::vector<std::vector<std::string>> {
             {},
             { "--out", "" },
             { "--out", png, "--scheme", "sepia" },
             { "--out", png, "--scale", "0" },
             { "--out", png, "--scale", "17" },
             { "--out", png, "--scale", "2x" },
             { "--out", png, "--entry", "-1" },
             { "--out", png, "--entry", "first" },
         }) {
        std::vector<std::string> arguments { "render", "count" };
        arguments.insert(arguments.end(), options.begin(), options.end());
        EXPECT_EQ(run(arguments), 2) << arguments.back();
        EXPECT_NE(err.str().find("usage: widgets [--now ISO-8601] render KIND"), std::string::npos) << err.str();
    }
    EXPECT_TRUE(state->contexts.empty());
    EXPECT_FALSE(std::filesystem::exists(png));
}

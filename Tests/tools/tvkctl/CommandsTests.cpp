// tvkctl's commands run in-process through the program's own dispatcher, with the streams a
// test reads: what the shell tests cannot see as directly.

#include "Platform/CommandLine/Command.hpp"
#include "Platform/CommandLine/CommandLineProgram.hpp"
#include "Platform/Defaults/UserDefaults.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>

using namespace tvk;
using namespace tvk::cli;

namespace {

class TvkctlTest : public testing::Test {
protected:
    void SetUp() override { UserDefaults::setStandardDomainName("com.quillmoor.tarvik.tvkctl"); }

    int run(std::vector<std::string> arguments, std::string input = {})
    {
        std::istringstream in(input);
        out.str({});
        err.str({});
        return CommandLineProgram("tvkctl", CommandRegistry::all()).run(arguments, in, out, err);
    }

    std::ostringstream out, err;
};

}

TEST_F(TvkctlTest, EveryCommandIsRegisteredWithASummaryAndAUsageOfItsOwn)
{
    std::vector<std::string> names;
    for (auto* command : CommandRegistry::all()) {
        names.emplace_back(command->name());
        EXPECT_FALSE(command->summary().empty()) << command->name();
        auto help = command->help("tvkctl");
        EXPECT_EQ(help.rfind("usage: tvkctl ", 0), 0u) << help;
        EXPECT_NE(help.find(" " + std::string(command->name())), std::string::npos) << help;
        EXPECT_EQ(run({ std::string(command->name()), "--help" }), 0);
        EXPECT_EQ(out.str(), help);
    }
    EXPECT_EQ(names,
        (std::vector<std::string> { "alerts", "calendars", "crc32", "deeplink", "defaults", "event-settings", "events", "explain", "formats", "join", "l10n",
            "links", "next", "participants", "reload", "reltime", "reminders", "rules", "settings" }));
}

TEST_F(TvkctlTest, RulesAreAddedListedTriedAndRemovedThroughTheSharedSettings)
{
    ASSERT_EQ(run({ "rules", "add", "--field", "title", "--comparison", "beginsWith", "--value", "Lunch", "--case-insensitive" }), 0)
        << err.str();
    std::string id = out.str().substr(0, out.str().size() - 1);
    ASSERT_EQ(run({ "rules", "list" }), 0);
    EXPECT_EQ(out.str(), id + "  title begins with \"Lunch\" (any case)\n");
    EXPECT_EQ(run({ "rules", "test", "--title", "lunch with Ada" }), 0);
    EXPECT_EQ(out.str(), "match: " + id + "  title begins with \"Lunch\" (any case)\n");
    EXPECT_EQ(run({ "rules", "test", "--title", "Stand-up", "--date", "2026-12-07T12:00" }), 1);
    EXPECT_EQ(out.str(), "no match\n");
    EXPECT_EQ(err.str(), "") << "the answer is the output";

    EXPECT_EQ(run({ "rules", "add", "--field", "date", "--comparison", "contains", "--value", "1" }), 2);
    EXPECT_EQ(err.str().rfind("tvkctl rules: the date field takes the comparisons isOnDayOfWeek, not \"contains\"\n", 0), 0u) << err.str();
    EXPECT_EQ(run({ "rules", "remove", id }), 0) << err.str();
    EXPECT_EQ(run({ "rules", "remove", id }), 1);
    EXPECT_EQ(err.str(), "tvkctl rules: no exclude rule has the id " + id + "\n");
    EXPECT_EQ(run({ "rules", "list", "--json" }), 0);
    EXPECT_EQ(out.str(), "[]\n");
}

TEST_F(TvkctlTest, LinksReadStandardInputWhenGivenNoText)
{
    ASSERT_EQ(run({ "links" }, "Join: https://us02web.zoom.us/j/85712345678?pwd=abc. Thanks"), 0) << err.str();
    auto links = nlohmann::json::parse(out.str());
    ASSERT_EQ(links.size(), 1u) << out.str();
    EXPECT_EQ(links[0]["service"], "zoom");
    EXPECT_EQ(links[0]["url"], "https://us02web.zoom.us/j/85712345678?pwd=abc");
    EXPECT_EQ(run({ "links", "--services", "text" }), 2);
    EXPECT_EQ(err.str().rfind("tvkctl links: --services takes no TEXT\n\nusage: tvkctl links [--services] [TEXT...]\n", 0), 0u)
        << err.str();
}

TEST_F(TvkctlTest, SettingsRefuseAValueOfTheWrongTypeWithoutChangingAnything)
{
    EXPECT_EQ(run({ "settings", "set", "timeOffsetSeconds", "300.5" }), 2);
    EXPECT_EQ(err.str(), "tvkctl settings: timeOffsetSeconds takes an integer, e.g. 300, not 300.5\n");
    EXPECT_EQ(run({ "settings", "get", "timeOffsetSeconds" }), 0);
    EXPECT_EQ(out.str(), "60\n");
    EXPECT_EQ(run({ "settings", "set", "timeOffsetSeconds", "-120" }), 0) << err.str();
    EXPECT_EQ(run({ "settings", "get", "timeOffsetSeconds" }), 0);
    EXPECT_EQ(out.str(), "-120\n");
}

TEST_F(TvkctlTest, EventSettingsTakeTheirOffsetAsAWholeNumberOfSeconds)
{
    EXPECT_EQ(run({ "event-settings", "set", "EV1", "--type", "calendarEvent", "--offset", "ten" }), 2);
    EXPECT_EQ(err.str().rfind("tvkctl event-settings: --offset: \"ten\" is not a whole number\n", 0), 0u) << err.str();
    ASSERT_EQ(run({ "event-settings", "set", "EV1", "--type", "calendarEvent", "--offset", "600", "--excluded" }), 0) << err.str();
    ASSERT_EQ(run({ "event-settings", "get", "EV1" }), 0);
    auto stored = nlohmann::json::parse(out.str());
    EXPECT_EQ(stored["timeOffsetSeconds"], 600);
    EXPECT_EQ(stored["usesCustomTimeOffset"], true);
    EXPECT_EQ(stored["isExcluded"], true);
    EXPECT_EQ(run({ "event-settings", "get", "EV1", "--offset", "5" }), 2);
    EXPECT_EQ(err.str().rfind("tvkctl event-settings: --offset does not apply to get\n", 0), 0u) << err.str();
}

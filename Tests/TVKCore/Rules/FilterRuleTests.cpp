#include "TVKCore/Rules/FilterRule.hpp"

#include "Platform/Runtime/ISO8601.hpp"
#include "Platform/Runtime/PlatformLog.hpp"

#include <gtest/gtest.h>

#include <chrono>

using namespace tvk;
using Field = FilterRule::Field;
using Comparison = FilterRule::ComparisonOperation;

namespace {

FilterRule rule(Field field, Comparison comparison, std::string value, bool caseSensitive = true)
{
    return FilterRule { UUID(), field, comparison, std::move(value), caseSensitive };
}

StoreEvent eventTitled(std::optional<std::string> title, Date start = Date(0))
{
    StoreEvent event;
    event.title = std::move(title);
    event.startDate = start;
    event.endDate = start + 3600;
    return event;
}

bool titleMatches(const std::string& title, const FilterRule& filter)
{
    return matches(eventTitled(title), filter);
}

}

TEST(FilterRule, AnEmptyValueMatchesNothingWhateverTheComparison)
{
    for (auto comparison : FilterRule::allComparisonOperations) {
        EXPECT_FALSE(titleMatches("", rule(Field::title, comparison, "")));
        EXPECT_FALSE(titleMatches("anything", rule(Field::title, comparison, "", false)));
    }
}

TEST(FilterRule, TextComparisonsHonourCaseSensitivity)
{
    EXPECT_TRUE(titleMatches("standup", rule(Field::title, Comparison::beginsWith, "Stand", false)));
    EXPECT_FALSE(titleMatches("standup", rule(Field::title, Comparison::beginsWith, "Stand", true)));
    EXPECT_TRUE(titleMatches("LUNCH", rule(Field::title, Comparison::equals, "Lunch", false)));
    EXPECT_FALSE(titleMatches("Lunch break", rule(Field::title, Comparison::equals, "Lunch", false)));
    EXPECT_TRUE(titleMatches("Weekly SYNC", rule(Field::title, Comparison::endsWith, "sync", false)));
    EXPECT_TRUE(titleMatches("Private: dentist", rule(Field::title, Comparison::contains, "private", false)));
    EXPECT_FALSE(titleMatches("Private: dentist", rule(Field::title, Comparison::contains, "private", true)));
    EXPECT_TRUE(titleMatches("GRÜSSE AUS KÖLN", rule(Field::title, Comparison::equals, "grüsse aus köln", false)));
}

TEST(FilterRule, WildcardsMatchTheWholeTextAndKeepOtherPatternCharacters)
{
    auto team = rule(Field::title, Comparison::matches, "team*");
    EXPECT_TRUE(titleMatches("team sync", team));
    EXPECT_TRUE(titleMatches("team", team));
    EXPECT_FALSE(titleMatches("my team", team));
    auto at = rule(Field::title, Comparison::matches, "?at");
    EXPECT_TRUE(titleMatches("cat", at));
    EXPECT_FALSE(titleMatches("at", at));
    EXPECT_TRUE(titleMatches("abc", rule(Field::title, Comparison::matches, "a.c")));
    EXPECT_FALSE(titleMatches("(", rule(Field::title, Comparison::matches, "(")));
    EXPECT_FALSE(titleMatches("team sync", rule(Field::title, Comparison::matches, "Team*", false)));
    EXPECT_TRUE(titleMatches("\U0001F680 launch sync", rule(Field::title, Comparison::matches, "*sync")));
}

TEST(FilterRule, WildcardsMatchAcrossTheLinesOfNotes)
{
    StoreEvent invitation = eventTitled("Weekly sync");
    invitation.notes = "Join Zoom Meeting\nhttps://us02web.zoom.us/j/85712345678\r\n\nMeeting ID: 857 1234 5678\u2028Passcode: 4711";
    EXPECT_TRUE(matches(invitation, rule(Field::notes, Comparison::matches, "*zoom*")));
    EXPECT_TRUE(matches(invitation, rule(Field::notes, Comparison::matches, "Join*4711")));
    EXPECT_TRUE(matches(invitation, rule(Field::notes, Comparison::matches, "*Meeting?https*")));
    EXPECT_FALSE(matches(invitation, rule(Field::notes, Comparison::matches, "*webex*")));
    EXPECT_FALSE(matches(invitation, rule(Field::notes, Comparison::matches, "zoom*")));
}

TEST(FilterRule, AHostilePatternEndsAsNoMatchQuickly)
{
    PlatformLog::setSink([](auto, auto, auto) {});
    auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(titleMatches(std::string(5000, 'a'), rule(Field::title, Comparison::matches, "(a*)*b")));
    PlatformLog::setSink(nullptr);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
}

TEST(FilterRule, AnAbsentFieldNeverMatches)
{
    StoreEvent withoutNotes = eventTitled("Standup");
    EXPECT_FALSE(matches(withoutNotes, rule(Field::notes, Comparison::contains, "x", false)));
    EXPECT_FALSE(matches(withoutNotes, rule(Field::location, Comparison::matches, "*")));
    StoreReminder withoutDue;
    withoutDue.title = "Pay rent";
    EXPECT_FALSE(matches(withoutDue, rule(Field::date, Comparison::isOnDayOfWeek, "1,2,3,4,5,6,7")));
    EXPECT_TRUE(matches(withoutDue, rule(Field::title, Comparison::contains, "rent")));
    EXPECT_FALSE(matches(withoutDue, rule(Field::title, Comparison::isOnDayOfWeek, "1")));
}

TEST(FilterRule, DayOfWeekListsReadTheWeekdayInTheUsersCalendar)
{
    // Monday 7 December 2026, 00:30 in Berlin, is still Sunday in UTC.
    auto monday = eventTitled("x", *ISO8601::parse("2026-12-07T00:30:00+01:00"));
    auto saturday = eventTitled("x", *ISO8601::parse("2026-12-12T10:00:00+01:00"));
    auto sunday = eventTitled("x", *ISO8601::parse("2026-12-13T10:00:00+01:00"));
    EXPECT_TRUE(matches(monday, rule(Field::date, Comparison::isOnDayOfWeek, "2")));
    EXPECT_FALSE(matches(saturday, rule(Field::date, Comparison::isOnDayOfWeek, "2")));
    auto weekend = rule(Field::date, Comparison::isOnDayOfWeek, " 7 ,1");
    EXPECT_TRUE(matches(saturday, weekend));
    EXPECT_TRUE(matches(sunday, weekend));
    EXPECT_FALSE(matches(monday, weekend));
    EXPECT_TRUE(matches(monday, rule(Field::date, Comparison::isOnDayOfWeek, "2,x,3")));
    EXPECT_TRUE(matches(monday, rule(Field::date, Comparison::isOnDayOfWeek, "+2")));
    EXPECT_FALSE(matches(monday, rule(Field::date, Comparison::isOnDayOfWeek, "0,8,-2, 2x")));
    EXPECT_FALSE(matches(monday, rule(Field::date, Comparison::contains, "2")));

    StoreReminder due;
    due.dueDate = *ISO8601::parse("2026-12-12T10:00:00+01:00");
    EXPECT_TRUE(matches(due, weekend));
}

TEST(FilterRule, FilteringKeepsOrderAndFollowsTheEffect)
{
    std::vector<StoreEvent> events { eventTitled("Lunch"), eventTitled("Standup"), eventTitled("lunch with Ada") };
    std::vector<FilterRule> rules { rule(Field::title, Comparison::beginsWith, "lunch", false) };
    auto kept = filteredApplyingRules(events, rules, RuleEffect::exclude);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].title, "Standup");
    auto only = filteredApplyingRules(events, rules, RuleEffect::include);
    ASSERT_EQ(only.size(), 2u);
    EXPECT_EQ(only[1].title, "lunch with Ada");
    EXPECT_EQ(filteredApplyingRules(events, {}, RuleEffect::exclude), events);
    EXPECT_TRUE(filteredApplyingRules(events, {}, RuleEffect::include).empty());
}

TEST(FilterRule, TheStoredFormRoundTripsAndReadsUuidsInEitherCase)
{
    auto json
        = R"([{"isCaseSensitive":false,"value":"Lunch","comparison":"equals","field":"title","id":"e621e1f8-c36c-495a-93fc-0c247a3e6e5f"},
                    {"id":"7D1B4D6B-8B3C-4E2A-9C1D-2F3E4A5B6C7D","field":"date","comparison":"isOnDayOfWeek","value":"1,7","isCaseSensitive":true,"extra":1}])";
    auto rules = FilterRule::decodeList(json);
    ASSERT_TRUE(rules) << rules.error();
    ASSERT_EQ(rules->size(), 2u);
    EXPECT_EQ((*rules)[0].id.uuidString(), "E621E1F8-C36C-495A-93FC-0C247A3E6E5F");
    EXPECT_EQ((*rules)[0].comparison, Comparison::equals);
    EXPECT_FALSE((*rules)[0].isCaseSensitive);
    auto encoded = FilterRule::encodeList(*rules);
    EXPECT_TRUE(encoded.starts_with(R"([{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","field":"title","comparison":"equals",)")) << encoded;
    EXPECT_EQ(FilterRule::decodeList(encoded), rules);
}

TEST(FilterRule, OneUnreadableRuleMakesTheWholeListUnreadable)
{
    std::string good
        = R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","field":"title","comparison":"contains","value":"x","isCaseSensitive":true})";
    EXPECT_FALSE(FilterRule::decodeList("[" + good
        + R"(,{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","field":"title","comparison":"startsWith","value":"x","isCaseSensitive":true}])"));
    EXPECT_FALSE(
        FilterRule::decodeList(R"([{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","field":"title","comparison":"contains","value":"x"}])"));
    EXPECT_FALSE(
        FilterRule::decodeList(R"([{"id":"not-a-uuid","field":"title","comparison":"contains","value":"x","isCaseSensitive":true}])"));
    EXPECT_FALSE(FilterRule::decodeList(R"({"rules": []})"));
    EXPECT_FALSE(FilterRule::decodeList("[1,"));
    EXPECT_TRUE(FilterRule::decodeList("[]"));
}

TEST(FilterRule, FieldsKnowTheirComparisonsAndNames)
{
    EXPECT_EQ(FilterRule::allowedComparisonOperations(Field::date), std::vector<Comparison> { Comparison::isOnDayOfWeek });
    EXPECT_EQ(FilterRule::allowedComparisonOperations(Field::notes).size(), 5u);
    EXPECT_EQ(FilterRule::defaultComparisonOperation(Field::location), Comparison::contains);
    EXPECT_EQ(FilterRule::fieldType(Field::date), FilterRule::FieldType::date);
    EXPECT_EQ(FilterRule::displayName(Comparison::beginsWith), "begins with");
    EXPECT_EQ(FilterRule::displayName(Field::notes), "notes");
    auto fresh = FilterRule::makeDefault();
    EXPECT_EQ(fresh.field, Field::title);
    EXPECT_EQ(fresh.comparison, Comparison::contains);
    EXPECT_TRUE(fresh.isCaseSensitive);
    EXPECT_TRUE(fresh.value.empty());
    EXPECT_NE(fresh.id, FilterRule::makeDefault().id);
    EXPECT_EQ(std::hash<FilterRule> {}(fresh), std::hash<FilterRule> {}(FilterRule(fresh)));
}

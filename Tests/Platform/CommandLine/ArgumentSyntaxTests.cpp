#include "Platform/CommandLine/ArgumentSyntax.hpp"

#include "Platform/Runtime/ISO8601.hpp"

#include <gtest/gtest.h>

using namespace tvk;
using namespace tvk::cli;

namespace {

tl::expected<ParsedArguments, std::string> parse(
    const ArgumentSyntax& syntax, std::vector<std::string> arguments, std::string_view context = {})
{
    return syntax.parse(arguments, context);
}

ArgumentSyntax eventSettings()
{
    return ArgumentSyntax()
        .positional("ID")
        .option("type", "T", ValueType::text, Requirement::required)
        .flag("excluded")
        .option("offset", "SECONDS", ValueType::integer);
}

}

TEST(ArgumentSyntax, OptionsGoAnywhereInEitherSpellingAndPositionalsKeepTheirOrder)
{
    auto syntax = ArgumentSyntax().positional("FROM").positional("TO", Requirement::optional).flag("json").option("title", "T");
    auto parsed = parse(syntax, { "--json", "a", "--title=Stand-up", "b" });
    ASSERT_TRUE(parsed) << parsed.error();
    EXPECT_TRUE(parsed->flag("json"));
    EXPECT_EQ(parsed->option("title"), "Stand-up");
    EXPECT_EQ(parsed->positional("FROM"), "a");
    EXPECT_EQ(parsed->optionalPositional("TO"), "b");

    parsed = parse(syntax, { "a", "--title", "--json" });
    ASSERT_TRUE(parsed) << parsed.error();
    EXPECT_EQ(parsed->option("title"), "--json") << "the word after an option is its value, whatever it looks like";
    EXPECT_FALSE(parsed->flag("json"));
    EXPECT_EQ(parsed->optionalPositional("TO"), std::nullopt);
}

TEST(ArgumentSyntax, DashesNegativeNumbersAndWordsAfterTheEndOfOptionsArePositionals)
{
    auto syntax = ArgumentSyntax().flag("all").positionals("WORD");
    auto parsed = parse(syntax, { "-5", "-", "--", "--all", "-x" });
    ASSERT_TRUE(parsed) << parsed.error();
    EXPECT_EQ(parsed->positionals("WORD"), (std::vector<std::string> { "-5", "-", "--all", "-x" }));
    EXPECT_FALSE(parsed->flag("all"));
    EXPECT_EQ(parse(syntax, { "-x" }).error(), "unknown option -x");
}

TEST(ArgumentSyntax, TypedValuesAreCheckedWhenParsedAndReadTyped)
{
    auto syntax = ArgumentSyntax()
                      .option("date", "ISO-8601", ValueType::date)
                      .option("offset", "SECONDS", ValueType::integer)
                      .option("seconds", "N", ValueType::number);
    auto parsed = parse(syntax, { "--date", "2026-12-07T09:30:00+01:00", "--offset=+300", "--seconds", "-1.5" });
    ASSERT_TRUE(parsed) << parsed.error();
    EXPECT_EQ(parsed->date("date"), ISO8601::parse("2026-12-07T08:30:00Z"));
    EXPECT_EQ(parsed->integer("offset"), 300);
    EXPECT_EQ(parsed->number("seconds"), -1.5);
    EXPECT_EQ(parsed->option("offset"), "+300") << "the text as given";

    EXPECT_EQ(parse(syntax, { "--date", "soon" }).error(), "--date: \"soon\" is not an ISO 8601 date (e.g. 2026-12-07T09:30:00+01:00)");
    EXPECT_EQ(parse(syntax, { "--offset", "5.0" }).error(), "--offset: \"5.0\" is not a whole number");
    EXPECT_EQ(parse(syntax, { "--offset", "99999999999999999999" }).error(), "--offset: \"99999999999999999999\" is not a whole number");
    EXPECT_EQ(parse(syntax, { "--offset", "+-5" }).error(), "--offset: \"+-5\" is not a whole number");
    EXPECT_EQ(parse(syntax, { "--seconds", "inf" }).error(), "--seconds: \"inf\" is not a number");
    EXPECT_EQ(parse(syntax, { "--seconds=" }).error(), "--seconds: \"\" is not a number");
}

TEST(ArgumentSyntax, WhatDoesNotFitIsRefusedWithAMessageForThePerson)
{
    auto syntax = eventSettings();
    EXPECT_EQ(parse(syntax, { "EV1", "--type", "tvkReminder", "--colour", "red" }).error(), "unknown option --colour");
    EXPECT_EQ(parse(syntax, { "EV1", "--type", "tvkReminder", "--excluded=yes" }).error(), "option --excluded takes no value");
    EXPECT_EQ(parse(syntax, { "EV1", "--type" }).error(), "option --type needs a value");
    EXPECT_EQ(parse(syntax, { "EV1", "--type", "a", "--type=b" }).error(), "option --type given twice");
    EXPECT_EQ(parse(syntax, { "EV1" }).error(), "--type T is required");
    EXPECT_EQ(parse(syntax, { "--type", "a" }).error(), "missing arguments");
    EXPECT_EQ(parse(syntax, { "--type", "a" }, "set").error(), "missing arguments for set");
    EXPECT_EQ(parse(syntax, { "EV1", "EV2", "--type", "a" }).error(), "unexpected argument \"EV2\"");
    EXPECT_EQ(parse(syntax, { "EV1", "EV2", "--type", "a" }, "set").error(), "too many arguments for set");
    EXPECT_EQ(parse(ArgumentSyntax().positionals("TEXT", 1), {}).error(), "missing arguments");
}

TEST(ArgumentSyntax, TheSynopsisFollowsTheDeclarations)
{
    EXPECT_EQ(eventSettings().synopsis(), "ID --type T [--excluded] [--offset SECONDS]");
    EXPECT_EQ(ArgumentSyntax().flag("all").positional("KEY", Requirement::optional).positionals("ARGUMENT").synopsis(),
        "[--all] [KEY] [ARGUMENT...]");
    EXPECT_EQ(ArgumentSyntax().positionals("FILE", 1).synopsis(), "FILE...");
    EXPECT_EQ(ArgumentSyntax().synopsis(), "");
}

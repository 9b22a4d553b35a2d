#include "Platform/Text/StringFormat.hpp"

#include <gtest/gtest.h>

using namespace tvk;

TEST(StringFormat, FillsTextAndIntegerPlaceholdersInOrder)
{
    EXPECT_EQ(StringFormat::format("until %@", { "10:00" }), "until 10:00");
    EXPECT_EQ(StringFormat::format("%i minutes", { 5 }), "5 minutes");
    EXPECT_EQ(StringFormat::format("%@ at %@.", { "Standup", "Room 1" }), "Standup at Room 1.");
    EXPECT_EQ(StringFormat::format("%lld more events, %d, %ld", { std::int64_t(9000000000), -3, 7 }), "9000000000 more events, -3, 7");
}

TEST(StringFormat, PositionalPlaceholdersReorderArguments)
{
    EXPECT_EQ(StringFormat::format("%2$@ in %1$@", { "Room 1", "Standup" }), "Standup in Room 1");
    EXPECT_EQ(StringFormat::format("%1$@ %1$@", { "x" }), "x x");
}

TEST(StringFormat, PercentSignsAndTextWithoutPlaceholders)
{
    EXPECT_EQ(StringFormat::format("100%% sure", {}), "100% sure");
    EXPECT_EQ(StringFormat::format("50% off", {}), "50% off");
    EXPECT_EQ(StringFormat::format("trailing %", {}), "trailing %");
}

TEST(StringFormat, WidthAndFlags)
{
    EXPECT_EQ(StringFormat::format("%02d", { 5 }), "05");
    EXPECT_EQ(StringFormat::format("%03d", { -5 }), "-05");
    EXPECT_EQ(StringFormat::format("[%-4@]", { "ab" }), "[ab  ]");
    EXPECT_EQ(StringFormat::format("%+d %x %X", { 3, 255, 255 }), "+3 ff FF");
}

TEST(StringFormat, HostileTranslationsNeverFail)
{
    // Missing arguments, kinds that do not match, huge positions and widths.
    EXPECT_EQ(StringFormat::format("%@ and %@", { "one" }), "one and %@");
    EXPECT_EQ(StringFormat::format("%d minutes", { "many" }), "many minutes");
    EXPECT_EQ(StringFormat::format("%d minutes", { "12" }), "12 minutes");
    EXPECT_EQ(StringFormat::format("%@ minutes", { 12 }), "12 minutes");
    EXPECT_EQ(StringFormat::format("%99999$@", { "x" }), "%99999$@");
    EXPECT_EQ(StringFormat::format("%999999999d", { 1 }), "%999999999d");
    EXPECT_EQ(StringFormat::format("%q %k", { 1 }), "%q %k");
}

TEST(StringFormat, ArgumentKindsFollowPlaceholderPositions)
{
    auto kinds = StringFormat::argumentKinds("%@ has %lld items, %%");
    ASSERT_TRUE(kinds);
    EXPECT_EQ(*kinds, (std::vector { FormatArgumentKind::text, FormatArgumentKind::integer }));
    kinds = StringFormat::argumentKinds("%2$d of %1$@");
    ASSERT_TRUE(kinds);
    EXPECT_EQ(*kinds, (std::vector { FormatArgumentKind::text, FormatArgumentKind::integer }));
    EXPECT_TRUE(StringFormat::argumentKinds("no placeholders")->empty());
}

TEST(StringFormat, ArgumentKindsRefuseGapsAndConflicts)
{
    EXPECT_FALSE(StringFormat::argumentKinds("%2$@"));
    EXPECT_FALSE(StringFormat::argumentKinds("%1$@ %1$d"));
}

#include "TVKUtils/TextOperations.hpp"

#include "Platform/Runtime/IcuEnvironment.hpp"

#include <gtest/gtest.h>

using namespace tvk;

TEST(TextOperations, PrefixesAndHashes)
{
    EXPECT_TRUE(isNilOrEmpty(std::nullopt));
    EXPECT_TRUE(isNilOrEmpty(std::string()));
    EXPECT_FALSE(isNilOrEmpty(std::string(" ")));
    EXPECT_EQ(deletingPrefix("mailto:mailto:a@b.c", "mailto:"), "mailto:a@b.c");
    EXPECT_EQ(deletingPrefix("a@b.c", "mailto:"), "a@b.c");
    EXPECT_EQ(removingLeadingHash("##FF0000"), "#FF0000");
    EXPECT_EQ(removingLeadingHash("FF0000"), "FF0000");
}

TEST(TextOperations, TruncationCountsUserPerceivedCharacters)
{
    EXPECT_EQ(truncated("abcdef", 5, "…"), "abcde…");
    EXPECT_EQ(truncated("abcde", 5, "…"), "abcde");
    EXPECT_EQ(truncated("abcde", 0, "…"), "");
    EXPECT_EQ(truncated("abcde", -3, "…"), "");
    // A family emoji (seven code points) and an e with a combining accent count once each.
    std::string family = "\U0001F468\u200D\U0001F469\u200D\U0001F467\u200D\U0001F466";
    EXPECT_EQ(truncated(family + "e\u0301x", 2, "…"), family + "e\u0301…");
    EXPECT_EQ(truncated(family + "e\u0301", 2, "…"), family + "e\u0301");
    EXPECT_EQ(truncated("Grüße", 4, "..."), "Grüß...");
}

TEST(TextOperations, ReplacingRegexExpandsTemplatesAndReportsBadPatterns)
{
    EXPECT_EQ(replacingRegex("a1b22c", "[0-9]+", {}, {}, "#").value(), "a#b#c");
    EXPECT_EQ(replacingRegex("John Smith", "(\\w+) (\\w+)", {}, {}, "$2, $1").value(), "Smith, John");
    EXPECT_EQ(replacingRegex("ABC abc", "abc", RegularExpressionOptions { .caseInsensitive = true }, {}, "x").value(), "x x");
    EXPECT_EQ(replacingRegex("cost", "cost", {}, {}, "\\$5").value(), "$5");
    auto bad = replacingRegex("text", "(unclosed", {}, {}, "x");
    ASSERT_FALSE(bad);
    EXPECT_NE(bad.error().find("(unclosed"), std::string::npos);
}

TEST(TextOperations, AnchoredReplacementStopsAtTheFirstGap)
{
    RegexMatchingOptions anchored { .anchored = true };
    EXPECT_EQ(replacingRegex("aaXa", "a", {}, anchored, "b").value(), "bbXa");
    EXPECT_EQ(replacingRegex("Xaa", "a", {}, anchored, "b").value(), "Xaa");
    EXPECT_EQ(replacingRegex("ab12", "([a-z])", {}, anchored, "<$1>").value(), "<a><b>12");
}

TEST(TextOperations, TheVideoCallAnnotationIsRemoved)
{
    std::string block = "----( Video Call )----\nJoin: https://meet.example/abc\nmore\n---===---";
    EXPECT_EQ(removingVideoCallAnnotation(block), std::nullopt);
    EXPECT_EQ(removingVideoCallAnnotation("Agenda\n" + block + "\nNotes"), "Agenda\n\nNotes");
    EXPECT_EQ(removingVideoCallAnnotation("Plain notes"), "Plain notes");
    EXPECT_EQ(removingVideoCallAnnotation(std::nullopt), std::nullopt);
    // Every copy of the matched block goes; the block ends at the first marker after it.
    EXPECT_EQ(removingVideoCallAnnotation(block + "\nmiddle\n" + block + "\nend ---===---"), "\nmiddle\n\nend ---===---");
    EXPECT_EQ(removingVideoCallAnnotation("----( Video Call )----\nno end marker"), "----( Video Call )----\nno end marker");
}

TEST(TextOperations, LocalizedCapitalizationFollowsTheLocale)
{
    EXPECT_EQ(localizedCapitalized("today"), "Today");
    EXPECT_EQ(localizedCapitalized("heute"), "Heute");
    EXPECT_EQ(localizedCapitalized("übermorgen"), "Übermorgen");
    IcuEnvironment::configure("Europe/Berlin", "tr_TR");
    EXPECT_EQ(localizedCapitalized("istanbul"), "İstanbul");
    IcuEnvironment::configure("Europe/Berlin", "en_US");
}

#include "Platform/Text/AsciiCase.hpp"

#include <gtest/gtest.h>

using namespace tvk;

TEST(AsciiCase, OnlyAsciiLettersChangeCaseAndUtf8StaysAsItIs)
{
    EXPECT_EQ(asciiLowercased("MAILTO:Ada@Example.COM"), "mailto:ada@example.com");
    EXPECT_EQ(asciiLowercased("ÄÖÜ Straße"), "ÄÖÜ straße");
    EXPECT_EQ(asciiUppercased("vevent é"), "VEVENT é");
    EXPECT_TRUE(equalsIgnoringAsciiCase("HTTPS", "https"));
    EXPECT_FALSE(equalsIgnoringAsciiCase("É", "é")) << "not ASCII";
    EXPECT_FALSE(equalsIgnoringAsciiCase("http", "https"));
}

TEST(AsciiCase, PrefixTestsCompareOnlyThePrefixesLength)
{
    EXPECT_TRUE(startsWithIgnoringAsciiCase("MailTo:ada@example.com", "mailto:"));
    EXPECT_TRUE(startsWithIgnoringAsciiCase("data:", "DATA:"));
    EXPECT_TRUE(startsWithIgnoringAsciiCase("anything", ""));
    EXPECT_FALSE(startsWithIgnoringAsciiCase("mail", "mailto:")) << "shorter than the prefix";
    EXPECT_FALSE(startsWithIgnoringAsciiCase("xmailto:", "mailto:"));
}

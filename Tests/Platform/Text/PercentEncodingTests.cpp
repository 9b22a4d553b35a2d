#include "Platform/Text/PercentEncoding.hpp"

#include <gtest/gtest.h>

using namespace tvk;

TEST(PercentEncoding, QueryEncodingKeepsTheQueryCharactersAndEncodesTheRestAsUtf8)
{
    EXPECT_EQ(percentEncoded("Weekly sync: agenda & notes?", UrlCharacterSet::queryAllowed), "Weekly%20sync:%20agenda%20&%20notes?");
    EXPECT_EQ(percentEncoded("Grüße #1 100%", UrlCharacterSet::queryAllowed), "Gr%C3%BC%C3%9Fe%20%231%20100%25");
    EXPECT_EQ(percentEncoded("a/b?c", UrlCharacterSet::pathAllowed), "a/b%3Fc");
    EXPECT_EQ(percentEncoded("user@host", UrlCharacterSet::userAllowed), "user%40host");
    EXPECT_EQ(percentEncoded("", UrlCharacterSet::queryAllowed), "");
}

TEST(PercentEncoding, InvalidUtf8CannotBeEncoded)
{
    EXPECT_FALSE(percentEncoded("bad \xff byte", UrlCharacterSet::queryAllowed));
    EXPECT_FALSE(percentEncoded("overlong \xc0\xaf", UrlCharacterSet::queryAllowed));
    EXPECT_FALSE(percentEncoded("surrogate \xed\xa0\x80", UrlCharacterSet::queryAllowed));
    EXPECT_FALSE(percentEncoded("cut \xe2\x82", UrlCharacterSet::queryAllowed));
    EXPECT_TRUE(percentEncoded("emoji \xf0\x9f\x92\xaa", UrlCharacterSet::queryAllowed));
}

TEST(PercentEncoding, DecodingUndoesEncodingAndRefusesBrokenEscapes)
{
    std::string text = "id with blanks, % # ? é 💪";
    EXPECT_EQ(percentDecoded(*percentEncoded(text, UrlCharacterSet::pathAllowed)), text);
    EXPECT_EQ(percentDecoded("a%2fb"), "a/b");
    for (const char* bad : { "%", "%4", "%G1", "abc%", "%FF", "%C3" })
        EXPECT_FALSE(percentDecoded(bad)) << bad;
}

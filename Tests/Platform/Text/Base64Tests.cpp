#include "Platform/Text/Base64.hpp"

#include <gtest/gtest.h>

using namespace tvk;

namespace {

std::vector<std::uint8_t> bytes(std::string_view text)
{
    return { text.begin(), text.end() };
}

}

TEST(Base64, EncodesTheTestVectorsOfTheStandardWithPadding)
{
    EXPECT_EQ(base64Encoded(bytes("")), "");
    EXPECT_EQ(base64Encoded(bytes("f")), "Zg==");
    EXPECT_EQ(base64Encoded(bytes("fo")), "Zm8=");
    EXPECT_EQ(base64Encoded(bytes("foo")), "Zm9v");
    EXPECT_EQ(base64Encoded(bytes("foobar")), "Zm9vYmFy");
    EXPECT_EQ(base64Encoded(std::vector<std::uint8_t> { 0xFB, 0xFF, 0x00 }), "+/8A");
}

TEST(Base64, CanonicalTextDecodesOnlyAsItIsWritten)
{
    for (std::string_view text : { "", "f", "fo", "foo", "foob", "fooba", "foobar" })
        EXPECT_EQ(base64Decoded(base64Encoded(bytes(text)), Base64Form::canonical), bytes(text)) << text;
    EXPECT_EQ(base64Decoded("+/8A", Base64Form::canonical), (std::vector<std::uint8_t> { 0xFB, 0xFF, 0x00 }));
    for (std::string_view bad : { "Zg", "Zg=", "Zm9", "Z===", "Zg==Zg==", "Zm=v", "%%%", "Zm9v\n", "Zm 9v", "Zm9-" })
        EXPECT_FALSE(base64Decoded(bad, Base64Form::canonical)) << bad;
}

TEST(Base64, FoldedTextMayBreakLinesAndLeaveThePaddingOut)
{
    EXPECT_EQ(base64Decoded("Zm9v\r\n YmFy", Base64Form::folded), bytes("foobar"));
    EXPECT_EQ(base64Decoded("Zm8", Base64Form::folded), bytes("fo"));
    EXPECT_EQ(base64Decoded("Zm8=\n", Base64Form::folded), bytes("fo"));
    EXPECT_FALSE(base64Decoded("Zm8=YmFy", Base64Form::folded)) << "data after the padding";
    EXPECT_FALSE(base64Decoded("Zm9v*", Base64Form::folded));
}

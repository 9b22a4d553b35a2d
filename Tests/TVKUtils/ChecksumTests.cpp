#include "TVKUtils/Checksum.hpp"

#include <gtest/gtest.h>

using namespace tvk;

TEST(Checksum, MatchesThePublishedCrc32CheckValues)
{
    EXPECT_EQ(crc32(""), 0u);
    EXPECT_EQ(crc32("abc"), 0x352441C2u);
    EXPECT_EQ(crc32("123456789"), 0xCBF43926u);
}

TEST(Checksum, DiffersForTextsThatDifferOnlyInUnicodeNormalisation)
{
    // "é" precomposed (U+00E9) against "e" with a combining acute accent (U+0065 U+0301).
    EXPECT_NE(crc32("caf\xC3\xA9"), crc32("cafe\xCC\x81"));
}

TEST(Checksum, CoversEveryByteIncludingEmbeddedNuls)
{
    std::string withNul("a\0b", 3);
    EXPECT_NE(crc32(withNul), crc32("a"));
    std::string large(5 * 1024 * 1024, 'x');
    auto first = crc32(large);
    large.back() = 'y';
    EXPECT_NE(crc32(large), first);
}

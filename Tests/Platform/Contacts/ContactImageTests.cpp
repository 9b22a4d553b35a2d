#include "Platform/Contacts/ContactImage.hpp"

#include "Tests/Support/TemporaryDirectory.hpp"

#include <gtest/gtest.h>

#include <zlib.h>

using namespace tvk;

namespace {

std::vector<std::uint8_t> fixtureBytes(const std::string& name)
{
    auto text = tvk::test::readFile(std::filesystem::path(TVK_TEST_FIXTURES) / name);
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

void appendBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

/// A PNG whose header claims `width` × `height` pixels, with one row of image data only.
std::vector<std::uint8_t> pngClaiming(std::uint32_t width, std::uint32_t height)
{
    std::vector<std::uint8_t> png { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n' };
    std::vector<std::uint8_t> header { 'I', 'H', 'D', 'R' };
    appendBigEndian(header, width);
    appendBigEndian(header, height);
    header.insert(header.end(), { 8, 2, 0, 0, 0 });
    appendBigEndian(png, 13);
    png.insert(png.end(), header.begin(), header.end());
    appendBigEndian(png, static_cast<std::uint32_t>(crc32(0, header.data(), static_cast<uInt>(header.size()))));
    return png;
}

}

TEST(ContactImage, PngJpegAndGifDecodeToStraightRgba)
{
    auto png = ContactImage::decode(fixtureBytes("avatar-48x40-gradient.png"));
    ASSERT_TRUE(png);
    EXPECT_EQ(png->width, 48);
    EXPECT_EQ(png->height, 40);
    ASSERT_EQ(png->pixels.size(), 48u * 40 * 4);
    EXPECT_EQ(png->pixels[0], 0);
    EXPECT_EQ(png->pixels[2], 200);
    EXPECT_EQ(png->pixels[3], 255);

    auto jpeg = ContactImage::decode(fixtureBytes("avatar-48x40-gradient.jpg"));
    ASSERT_TRUE(jpeg);
    EXPECT_EQ(jpeg->width, 48);
    EXPECT_EQ(jpeg->pixels[3], 255) << "no alpha in a JPEG: opaque";

    auto gif = ContactImage::decode(fixtureBytes("one-white-pixel.gif"));
    ASSERT_TRUE(gif);
    EXPECT_EQ(gif->width, 1);
}

TEST(ContactImage, LargePicturesAreScaledDownToTheThumbnailKeepingTheirShape)
{
    auto wide = ContactImage::decode(fixtureBytes("wide-600x300-blue.jpg"), 120);
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->width, 120);
    EXPECT_EQ(wide->height, 60);
    auto small = ContactImage::decode(fixtureBytes("avatar-48x40-gradient.png"), 120);
    ASSERT_TRUE(small);
    EXPECT_EQ(small->width, 48) << "never scaled up";
}

TEST(ContactImage, OtherFormatsBrokenDataAndHugeClaimsGiveNoImage)
{
    auto png = fixtureBytes("avatar-48x40-gradient.png");
    EXPECT_FALSE(ContactImage::decode(std::vector<std::uint8_t>(png.begin(), png.begin() + png.size() / 2)));
    EXPECT_FALSE(ContactImage::decode(std::vector<std::uint8_t> {}));
    std::string svg = "<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'/>";
    EXPECT_FALSE(ContactImage::decode(std::vector<std::uint8_t>(svg.begin(), svg.end()))) << "only PNG, JPEG and GIF are read";
    std::string bmp = "BM\x3a\0\0\0\0\0\0\0\x36\0\0\0";
    EXPECT_FALSE(ContactImage::decode(std::vector<std::uint8_t>(bmp.begin(), bmp.end())));
    EXPECT_FALSE(ContactImage::decode(pngClaiming(60000, 60000))) << "refused before any pixel memory is taken";
    EXPECT_FALSE(ContactImage::decode(pngClaiming(16000, 16000)));
}

#include "Platform/Contacts/VCard.hpp"

#include "Tests/Support/TemporaryDirectory.hpp"

#include <gtest/gtest.h>

using namespace tvk;

namespace {

std::vector<VCard> parseFixture(const std::string& name)
{
    return VCardParser::parse(tvk::test::readFile(std::filesystem::path(TVK_TEST_FIXTURES) / name));
}

}

TEST(VCardParser, AppleContactsCardWithGroupsAndAFoldedJpegPhotoReadsWhole)
{
    auto cards = parseFixture("apple-contacts-3.0-folded-jpeg-photo.vcf");
    ASSERT_EQ(cards.size(), 1u);
    auto& card = cards[0];
    EXPECT_EQ(card.version, "3.0");
    EXPECT_EQ(card.uid, "5C5A7E6B-9E4F-4C43-8D61-AB12CD34EF56");
    EXPECT_EQ(card.formattedName, "Ada Lovelace");
    EXPECT_EQ(card.givenName, "Ada");
    EXPECT_EQ(card.familyName, "Lovelace");
    EXPECT_EQ(card.emailAddresses, (std::vector<std::string> { "ada@example.com", "ada.king@example.org" }));
    ASSERT_TRUE(card.photo);
    auto original = tvk::test::readFile(std::filesystem::path(TVK_TEST_FIXTURES) / "avatar-48x40-gradient.jpg");
    EXPECT_EQ(std::string(card.photo->begin(), card.photo->end()), original) << "unfolding lost or kept a byte";
}

TEST(VCardParser, GoogleExportWithSeveralCardsKeepsEachAndIgnoresPhotoLinks)
{
    auto cards = parseFixture("google-contacts-export-3.0-three-cards.vcf");
    ASSERT_EQ(cards.size(), 3u);
    EXPECT_EQ(cards[0].givenName, "Grace");
    EXPECT_EQ(cards[0].familyName, "Hopper");
    EXPECT_EQ(cards[0].emailAddresses[1], "GRACE.HOPPER@Example.NET");
    EXPECT_FALSE(cards[0].photo) << "a photo on the web is not fetched";
    EXPECT_FALSE(cards[0].uid);
    EXPECT_EQ(cards[1].formattedName, "Alan Turing");
    EXPECT_EQ(cards[2].givenName, "");
    EXPECT_EQ(cards[2].formattedName, "");
    EXPECT_EQ(cards[2].emailAddresses, std::vector<std::string> { "noreply@example.com" });
}

TEST(VCardParser, Version4CardWithUrnUidAndDataUriPhoto)
{
    auto cards = parseFixture("nextcloud-4.0-data-uri-png-photo.vcf");
    ASSERT_EQ(cards.size(), 1u);
    EXPECT_EQ(cards[0].uid, "urn:uuid:4fbe8971-0bc3-424c-9c26-36c3e1eff6b1");
    EXPECT_EQ(cards[0].givenName, "Émile");
    EXPECT_EQ(cards[0].familyName, "Zola");
    ASSERT_TRUE(cards[0].photo);
    auto original = tvk::test::readFile(std::filesystem::path(TVK_TEST_FIXTURES) / "avatar-48x40-gradient.png");
    EXPECT_EQ(std::string(cards[0].photo->begin(), cards[0].photo->end()), original);
}

TEST(VCardParser, PhoneExportWithQuotedPrintableSoftBreaksLatin1AndUnindentedBase64)
{
    auto cards = parseFixture("android-2.1-quoted-printable-latin1-gif.vcf");
    ASSERT_EQ(cards.size(), 2u);
    EXPECT_EQ(cards[0].familyName, "Müller-Lüdenscheidt");
    EXPECT_EQ(cards[0].givenName, "Jürgen");
    EXPECT_EQ(cards[0].formattedName, "Jürgen Müller-Lüdenscheidt") << "the soft line break joins the name";
    EXPECT_EQ(cards[0].emailAddresses, std::vector<std::string> { "juergen@example.de" });
    ASSERT_TRUE(cards[0].photo);
    EXPECT_EQ(cards[0].photo->size(), 43u) << "the base64 lines after the first belong to the photo";
    EXPECT_EQ(cards[1].givenName, "Chloé") << "ISO-8859-1 converted to UTF-8";
    EXPECT_EQ(cards[1].formattedName, "Chloé Dupont");
}

TEST(VCardParser, NestedCardsAreSkippedAndATruncatedLastCardIsKept)
{
    auto cards = parseFixture("nested-agent-and-truncated-card.vcf");
    ASSERT_EQ(cards.size(), 2u);
    EXPECT_EQ(cards[0].formattedName, "Charles Babbage");
    EXPECT_EQ(cards[0].emailAddresses, std::vector<std::string> { "charles@example.com" }) << "the agent's address is not Babbage's";
    EXPECT_EQ(cards[1].formattedName, "Truncated Card");
}

TEST(VCardParser, EscapesQuotedParametersAndStructuredNames)
{
    auto cards = VCardParser::parse("BEGIN:VCARD\nVERSION:4.0\n"
                                    "N:van der Berg\\, Jr.;Anna,Maria;;;\n"
                                    "FN:Anna\\nMaria\n"
                                    "EMAIL;TYPE=\"work,internet\";LABEL=\"a:b;c\":  MAILTO:anna@example.com \n"
                                    "X-CUSTOM;X-PARAM=\"quoted:colon\":value\n"
                                    "END:VCARD\n");
    ASSERT_EQ(cards.size(), 1u);
    EXPECT_EQ(cards[0].familyName, "van der Berg, Jr.");
    EXPECT_EQ(cards[0].givenName, "Anna Maria") << "a list of given names joined by a space";
    EXPECT_EQ(cards[0].formattedName, "Anna\nMaria");
    EXPECT_EQ(cards[0].emailAddresses, std::vector<std::string> { "anna@example.com" })
        << "the colon in a quoted parameter is no separator";
}

TEST(VCardParser, MalformedPhotosAndTextsThatAreNotUtf8NeverBreakTheCard)
{
    std::string text = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Bad \xFF\xFE Bytes\r\n"
                       "PHOTO;ENCODING=b;TYPE=PNG:not*base64!\r\n"
                       "PHOTO:data:image/png;base64\r\n"
                       "EMAIL:bytes@example.com\r\nEND:VCARD\r\n";
    auto cards = VCardParser::parse(text);
    ASSERT_EQ(cards.size(), 1u);
    EXPECT_EQ(cards[0].formattedName, "Bad \u00FF\u00FE Bytes") << "read as Windows-1252";
    EXPECT_FALSE(cards[0].photo);
    EXPECT_EQ(cards[0].emailAddresses.size(), 1u);
    EXPECT_TRUE(VCardParser::parse("").empty());
    EXPECT_TRUE(VCardParser::parse("BEGIN:VCALENDAR\nEND:VCALENDAR\n").empty());
    EXPECT_TRUE(VCardParser::parse(std::string(VCardParser::maximumFileSize + 1, 'x')).empty());
}

TEST(VCardParser, ValuesSpanningAMillionLinesAreJoinedWithoutRescanningThem)
{
    // Each joined line used to re-read the value joined so far; this input would then never end.
    std::string base64 = "BEGIN:VCARD\nPHOTO;ENCODING=BASE64;JPEG:";
    std::string quotedPrintable = "BEGIN:VCARD\nNOTE;ENCODING=QUOTED-PRINTABLE:";
    for (int i = 0; i < 1000000; ++i) {
        base64 += "\nAAAA";
        quotedPrintable += "a=\n";
    }
    base64 += "\n\nEND:VCARD\n";
    quotedPrintable += "b\nEND:VCARD\n";
    auto cards = VCardParser::parse(base64);
    ASSERT_EQ(cards.size(), 1u);
    ASSERT_TRUE(cards[0].photo);
    EXPECT_EQ(cards[0].photo->size(), 3000000u);
    EXPECT_EQ(VCardParser::parse(quotedPrintable).size(), 1u);
}

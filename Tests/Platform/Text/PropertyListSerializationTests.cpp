#include "Platform/Text/PropertyListSerialization.hpp"

#include <gtest/gtest.h>

#include <cmath>

using namespace tvk;

namespace {

PropertyList sampleDictionary()
{
    return PropertyList(PropertyList::Dictionary {
        { "text", "Grüße <&> \"quoted\"" },
        { "negative", std::int64_t(-300) },
        { "large", std::int64_t(9007199254740993) },
        { "real", 0.1 },
        { "tiny", 1.5e-7 },
        { "flag", true },
        { "off", false },
        { "data", Data { 0, 1, 2, 255 } },
        { "date", Date::fromTimeIntervalSinceReferenceDate(700000000) },
        { "list", PropertyList::Array { "a", 1, PropertyList::Array {} } },
        { "nested", PropertyList::Dictionary { { "inner", "value" } } },
    });
}

}

TEST(PropertyListSerialization, XmlRoundTripKeepsEveryValueType)
{
    auto xml = PropertyListSerialization::writeXml(sampleDictionary());
    ASSERT_TRUE(xml) << xml.error();
    EXPECT_NE(xml->find("<!DOCTYPE plist"), std::string::npos);
    auto read = PropertyListSerialization::read(*xml);
    ASSERT_TRUE(read) << read.error();
    EXPECT_EQ(*read, sampleDictionary());
}

TEST(PropertyListSerialization, ReadsXmlAsThePlatformWritesIt)
{
    auto read = PropertyListSerialization::read(R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>activeCalendarIdentifiers</key>
	<array>
		<string>6D0B0E4C-1A2B-4C3D-8E9F-0A1B2C3D4E5F</string>
	</array>
	<key>timeOffsetSeconds</key>
	<integer>120</integer>
	<key>includeTravelTime</key>
	<true/>
	<key>excludeRules</key>
	<data>W10=</data>
</dict>
</plist>
)");
    ASSERT_TRUE(read) << read.error();
    auto& dictionary = *read->get<PropertyList::Dictionary>();
    EXPECT_EQ(dictionary.at("timeOffsetSeconds"), PropertyList(120));
    EXPECT_EQ(dictionary.at("includeTravelTime"), PropertyList(true));
    EXPECT_EQ(dictionary.at("excludeRules"), PropertyList(Data { '[', ']' }));
    EXPECT_EQ(dictionary.at("activeCalendarIdentifiers").get<PropertyList::Array>()->size(), 1u);
}

TEST(PropertyListSerialization, XmlDatesKeepWholeSeconds)
{
    auto xml = PropertyListSerialization::writeXml(PropertyList(Date(1700000000.75)));
    EXPECT_EQ(PropertyListSerialization::read(*xml), PropertyList(Date(1700000000)));
}

TEST(PropertyListSerialization, MalformedInputIsAnErrorNotACrash)
{
    std::string valid = *PropertyListSerialization::writeXml(sampleDictionary());
    for (size_t cut : { size_t(0), size_t(10), valid.size() / 2, valid.size() - 20 })
        EXPECT_FALSE(PropertyListSerialization::read(valid.substr(0, cut))) << cut;
    EXPECT_FALSE(PropertyListSerialization::read("not a property list"));
    auto binary = PropertyListSerialization::read(std::string("bplist00\x01\x02\x03", 11));
    ASSERT_FALSE(binary);
    EXPECT_NE(binary.error().find("too short"), std::string::npos);
}

TEST(PropertyListSerialization, DeeplyNestedInputIsRefused)
{
    std::string xml = "<?xml version=\"1.0\"?><plist version=\"1.0\">";
    for (int i = 0; i < 100000; ++i)
        xml += "<array>";
    for (int i = 0; i < 100000; ++i)
        xml += "</array>";
    xml += "</plist>";
    auto read = PropertyListSerialization::read(xml);
    ASSERT_FALSE(read);
    EXPECT_NE(read.error().find("deep"), std::string::npos);
}

TEST(PropertyListSerialization, DatesOutsideThePropertyListRangeAreRefusedOnWrite)
{
    EXPECT_FALSE(PropertyListSerialization::writeXml(PropertyList(Date(1e18))));
    EXPECT_FALSE(PropertyListSerialization::writeXml(PropertyList(PropertyList::Array { Date(std::nan("")) })));
}

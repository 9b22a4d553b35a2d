#include "Platform/Runtime/Color.hpp"

#include <gtest/gtest.h>

using namespace tvk;

TEST(Color, ReadsHexInEveryCommonForm)
{
    EXPECT_EQ(Color::fromHex("#FF8000"), Color::rgb(1, 128 / 255.0, 0));
    EXPECT_EQ(Color::fromHex("ff8000"), Color::rgb(1, 128 / 255.0, 0));
    EXPECT_EQ(Color::fromHex("#F80"), Color::rgb(1, 136 / 255.0, 0));
    EXPECT_EQ(Color::fromHex("#FF800080"), Color::rgb(1, 128 / 255.0, 0, 128 / 255.0));
    for (const char* bad : { "", "#", "#12", "#12345", "#GGGGGG", "#1234567", "red" })
        EXPECT_FALSE(Color::fromHex(bad)) << bad;
}

TEST(Color, ReadsCssColourNamesInAnyCaseWithTheCssValuesWhereX11Differs)
{
    EXPECT_EQ(Color::fromName("rebeccapurple")->hexString(), "#663399FF");
    EXPECT_EQ(Color::fromName("DarkSlateGray")->hexString(), "#2F4F4FFF");
    EXPECT_EQ(Color::fromName("aliceblue")->hexString(), "#F0F8FFFF") << "the first of the table";
    EXPECT_EQ(Color::fromName("YELLOWGREEN")->hexString(), "#9ACD32FF") << "the last of the table";
    EXPECT_EQ(Color::fromName("green")->hexString(), "#008000FF");
    EXPECT_EQ(Color::fromName("gray"), Color::fromName("grey"));
    for (const char* unknown : { "", "gray50", "dark slate gray", "#663399", "rebeccapurple ", "averyveryverylongcolourname" })
        EXPECT_FALSE(Color::fromName(unknown)) << unknown;
}

TEST(Color, WritesHexWithAlphaAndNamesSystemColours)
{
    EXPECT_EQ(Color::rgb(0.2, 0.56, 0.86).hexString(), "#338FDBFF");
    EXPECT_EQ(Color::named(Color::System::orange).hexString(), "systemOrange");
    EXPECT_EQ(Color::fromHex(Color::rgb(0.2, 0.4, 0.6, 0.8).hexString())->hexString(), "#336699CC");
}

TEST(Color, AlphaAndEffectVariantsKeepTheBaseColour)
{
    auto green = Color::named(Color::System::green);
    auto faded = green.withAlphaComponent(0.3).withSystemEffect(Color::Effect::disabled);
    EXPECT_EQ(faded.system, Color::System::green);
    EXPECT_EQ(faded.alpha, 0.3);
    EXPECT_EQ(faded.effect, Color::Effect::disabled);
    EXPECT_NE(faded, green);
    EXPECT_EQ(faded.withAlphaComponent(1).withSystemEffect(Color::Effect::none), green);
}

// Where the desktop host keeps what a person placed: the program's own settings domain. The
// window itself is exercised under Xvfb (Tests/TarvikWidgetExtension/desktop-host.sh).

#include "Platform/Defaults/UserDefaults.hpp"
#include "Platform/Widgets/DesktopWidgetHost.hpp"

#include <gtest/gtest.h>

using namespace tvk;
using namespace tvk::widgets;

namespace {

const std::vector<WidgetPlacement> defaults { { "A", WidgetFamily::systemSmall }, { "B", WidgetFamily::systemMedium } };

}

TEST(DesktopWidgetHost, TheFirstStartPlacesTheDefaultsAndKeepsThem)
{
    EXPECT_EQ(DesktopWidgetHost::storedPlacements(defaults), defaults);
    auto kept = UserDefaults::standard().object(DesktopWidgetHost::placementsKey);
    ASSERT_TRUE(kept);
    EXPECT_EQ(WidgetPlacement::fromPropertyList(*kept), defaults);
}

TEST(DesktopWidgetHost, KeptPlacementsWinOverTheDefaultsEvenWhenNoneIsLeft)
{
    std::vector<WidgetPlacement> mine { { "B", WidgetFamily::systemLarge } };
    ASSERT_TRUE(UserDefaults::standard().set(DesktopWidgetHost::placementsKey, WidgetPlacement::propertyList(mine)));
    EXPECT_EQ(DesktopWidgetHost::storedPlacements(defaults), mine);
    ASSERT_TRUE(UserDefaults::standard().set(DesktopWidgetHost::placementsKey, PropertyList::Array {}));
    EXPECT_TRUE(DesktopWidgetHost::storedPlacements(defaults).empty()) << "a person who removed every widget sees none";
}

TEST(DesktopWidgetHost, AKeptValueThatIsNoListOfPlacementsGivesTheDefaults)
{
    ASSERT_TRUE(UserDefaults::standard().set(DesktopWidgetHost::placementsKey, "countdown"));
    EXPECT_EQ(DesktopWidgetHost::storedPlacements(defaults), defaults);
}

#include "TVKUtils/BundleVersions.hpp"
#include "TVKUtils/Collections.hpp"
#include "TVKUtils/Colors.hpp"
#include "TVKUtils/HexFormatter.hpp"
#include "TVKUtils/NumberTexts.hpp"
#include "TVKUtils/SemanticVersion.hpp"

#include "Platform/Runtime/ProcessWideState.hpp"
#include "Tests/Support/ScopedEnvironment.hpp"
#include "Tests/Support/TemporaryDirectory.hpp"

#include <gtest/gtest.h>

#include <list>
#include <vector>

using namespace tvk;
using tvk::test::ScopedEnvironment;
using tvk::test::TemporaryDirectory;

TEST(SemanticVersion, ReadsOneToThreeNumbers)
{
    EXPECT_EQ(SemanticVersion::fromString("1.2"), (SemanticVersion { 1, 2, 0 }));
    EXPECT_EQ(SemanticVersion::fromString("1..2"), (SemanticVersion { 1, 2, 0 }));
    EXPECT_EQ(SemanticVersion::fromString("3"), (SemanticVersion { 3, 0, 0 }));
    EXPECT_EQ(SemanticVersion::fromString("1.2.3"), (SemanticVersion { 1, 2, 3 }));
    EXPECT_EQ(SemanticVersion::fromString("+1.-2.3"), (SemanticVersion { 1, -2, 3 }));
    for (const char* bad : { "1.2.3.4", "", ".", "x1.2", "1.2b", "1. 2", "++1", "99999999999999999999" })
        EXPECT_EQ(SemanticVersion::fromString(bad), std::nullopt) << bad;
}

TEST(SemanticVersion, Comparisons)
{
    EXPECT_TRUE((SemanticVersion { 2, 0, 0 }).isNewerThan({ 1, 9, 9 }));
    EXPECT_FALSE((SemanticVersion { 1, 2, 0 }).isNewerThan({ 1, 2, 0 }));
    EXPECT_TRUE((SemanticVersion { 1, 2, 5 }).isNewerThan({ 1, 2, 0 }));
    EXPECT_FALSE((SemanticVersion { 1, 2, 5 }).isNewerMajorOrMinorThan({ 1, 2, 0 }));
    EXPECT_TRUE((SemanticVersion { 1, 3, 0 }).isNewerMajorOrMinorThan({ 1, 2, 9 }));
    EXPECT_TRUE((SemanticVersion { 1, 2, 3 }).isEqual({ 1, 2, 3 }));
    EXPECT_EQ((SemanticVersion { 1, 2, 3 }).description(), "1.2.3");
}

TEST(HexFormatter, AcceptsUpToSixHexDigitsAfterAnOptionalHash)
{
    HexFormatter formatter;
    EXPECT_TRUE(formatter.isPartialStringValid("#ABC123"));
    EXPECT_TRUE(formatter.isPartialStringValid("abc"));
    EXPECT_TRUE(formatter.isPartialStringValid(""));
    EXPECT_TRUE(formatter.isPartialStringValid("#"));
    EXPECT_FALSE(formatter.isPartialStringValid("ABC1234"));
    EXPECT_FALSE(formatter.isPartialStringValid("12G"));
    EXPECT_FALSE(formatter.isPartialStringValid("##ABC"));
    EXPECT_FALSE(formatter.isPartialStringValid("ÄB"));
}

TEST(HexFormatter, ShowsWithAHashAndStoresWithout)
{
    HexFormatter formatter;
    EXPECT_EQ(formatter.string(std::any(std::string("FF0000"))), "#FF0000");
    EXPECT_EQ(formatter.string(std::any(std::string("#FF0000"))), "#FF0000");
    EXPECT_EQ(formatter.string(std::any("abc")), "#abc");
    EXPECT_EQ(formatter.string(std::any(42)), std::nullopt);
    EXPECT_EQ(formatter.string(std::any()), std::nullopt);
    std::any stored;
    EXPECT_TRUE(formatter.getObjectValue(stored, "#00FF00"));
    EXPECT_EQ(std::any_cast<std::string>(stored), "00FF00");
}

TEST(Collections, SafeElementGivesNoneOutsideTheIndices)
{
    std::vector<int> numbers { 1, 2, 3 };
    EXPECT_EQ(safeElement(numbers, 0), 1);
    EXPECT_EQ(safeElement(numbers, 2), 3);
    EXPECT_EQ(safeElement(numbers, 3), std::nullopt);
    EXPECT_EQ(safeElement(numbers, -1), std::nullopt);
    EXPECT_EQ(safeElement(std::list<std::string> { "a", "b" }, 1), "b");
    EXPECT_EQ(safeElement(std::vector<int> {}, 0), std::nullopt);
}

TEST(Collections, TakeIfKeepsTheValueWhenThePredicateHolds)
{
    EXPECT_EQ(takeIf(std::string("Zoom"), [](const std::string& text) { return !text.empty(); }), "Zoom");
    EXPECT_EQ(takeIf(std::string(), [](const std::string& text) { return !text.empty(); }), std::nullopt);
    auto failing = takeIf(7, [](int) -> tl::expected<bool, std::string> { return tl::unexpected(std::string("no")); });
    ASSERT_FALSE(failing);
    EXPECT_EQ(failing.error(), "no");
    auto passing = takeIf(7, [](int value) -> tl::expected<bool, std::string> { return value > 5; });
    ASSERT_TRUE(passing);
    EXPECT_EQ(*passing, 7);
}

TEST(BundleVersions, ComeFromTheProjectVersion)
{
    EXPECT_EQ(shortVersionString(), TVK_PROJECT_VERSION);
    ASSERT_TRUE(bundleVersionString());
    EXPECT_FALSE(bundleVersionString()->empty());
    EXPECT_TRUE(SemanticVersion::fromString(*shortVersionString()));
}

TEST(NumberTexts, SnoozeTimesAndMinutesInWords)
{
    EXPECT_EQ(localizedSnoozeTime(1), "1 minute");
    EXPECT_EQ(localizedSnoozeTime(5), "5 minutes");
    EXPECT_EQ(localizedSnoozeTime(0), "0 minutes");
    EXPECT_EQ(formattedMinutes(90), "1 hour, 30 minutes");
    EXPECT_EQ(formattedMinutes(1), "1 minute");
    EXPECT_EQ(formattedMinutes(0), "0 minutes");
}

TEST(Colors, PrimaryComesFromTheAssetsFile)
{
    TemporaryDirectory resources;
    resources.write("Assets/Colors.json", R"({ "Primary": "#336699", "Other": { "red": 1, "green": 0.5, "blue": 0 } })");
    ScopedEnvironment environment("TARVIK_RESOURCES", resources.path().string());
    EXPECT_EQ(Colors::primary(), Color::fromHex("#336699"));
    EXPECT_EQ(Colors::namedColor("Other"), Color::rgb(1, 0.5, 0, 1));
    EXPECT_EQ(Colors::namedColor("Missing"), std::nullopt);
}

TEST(Colors, PrimaryFallsBackWhenTheAssetsHaveNone)
{
    TemporaryDirectory resources;
    resources.write("Assets/Colors.json", R"({ "Primary": { "red": 2, "green": 0, "blue": 0 } })");
    ScopedEnvironment environment("TARVIK_RESOURCES", resources.path().string());
    EXPECT_EQ(Colors::primary(), Color::rgb(0.94, 0.6, 0.05, 1.0));
    resources.write("Assets/Colors.json", "not json");
    EXPECT_EQ(Colors::namedColor("Primary"), std::nullopt);
}

TEST(Colors, PrimaryIsReadOnceAndAgainAfterAProcessReset)
{
    TemporaryDirectory resources;
    resources.write("Assets/Colors.json", R"({ "Primary": "#336699" })");
    ScopedEnvironment environment("TARVIK_RESOURCES", resources.path().string());
    EXPECT_EQ(Colors::primary(), Color::fromHex("#336699"));
    resources.write("Assets/Colors.json", R"({ "Primary": "#112233" })");
    EXPECT_EQ(Colors::primary(), Color::fromHex("#336699")) << "read once";
    ProcessWideState::reset();
    EXPECT_EQ(Colors::primary(), Color::fromHex("#112233"));
}

TEST(Colors, TheShippedAssetsDefinePrimary)
{
    auto color = Colors::namedColor("Primary", std::filesystem::path(TVK_SOURCE_DIR) / "Resources" / "Assets" / "Colors.json");
    EXPECT_EQ(color, Colors::primaryFallback);
}

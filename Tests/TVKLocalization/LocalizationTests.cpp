#include "TVKLocalization/L10n.hpp"
#include "TVKLocalization/LocalizationBundle.hpp"
#include "TVKLocalization/LocalizedString.hpp"

#include "Platform/Runtime/ProcessWideState.hpp"
#include "Platform/Text/PluralRules.hpp"
#include "Platform/Text/StringsFile.hpp"
#include "Tests/Support/ScopedEnvironment.hpp"
#include "Tests/Support/TemporaryDirectory.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <set>

using namespace tvk;
using tvk::test::ScopedEnvironment;
using tvk::test::TemporaryDirectory;

namespace {

const std::filesystem::path shippedBundle = std::filesystem::path(TVK_SOURCE_DIR) / "Resources" / "TVKLocalization_TVKLocalization.bundle";

StringsFile shippedTable(const std::string& language)
{
    std::ifstream stream(shippedBundle / (language + ".lproj") / "Localizable.strings", std::ios::binary);
    std::string data((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    return StringsFile::parse(data);
}

/// Points the program's resources at a bundle of our own, before the first lookup.
struct CustomBundle {
    TemporaryDirectory directory;
    ScopedEnvironment environment;

    explicit CustomBundle(const std::string& englishTable)
    {
        directory.write("TVKLocalization_TVKLocalization.bundle/en.lproj/Localizable.strings", englishTable);
        environment.set("TARVIK_RESOURCES", directory.path().string());
    }
};

}

TEST(Localization, AccessorsReadTheEnglishTable)
{
    EXPECT_EQ(L10n::TimeFormat::until("10:00"), "until 10:00");
    EXPECT_EQ(L10n::Alert::customMinutes(5), "5 minutes");
    EXPECT_EQ(L10n::Alert::_1minute(), "1 minute");
    EXPECT_EQ(L10n::TimeFormat::ExtraShort::tomorrow(), "tmr");
    EXPECT_EQ(L10n::Accessibility::EventSummary::EventType::calendarEvent(), "Calendar event.");
    EXPECT_EQ(L10n::Accessibility::EventSummary::titleAndLocation("Standup", "Room 1"), "Standup at Room 1.");
    EXPECT_EQ(L10n::Accessibility::EventSummary::belongsToCalendar("Work"), "This event belongs to calendar \"Work\".");
    EXPECT_EQ(L10n::Onboarding::DemoEvent::title(), "Hello, I'm a demo event");
    EXPECT_EQ(L10n::openSystemPreferencesLegacy(), "Open System Preferences");
}

TEST(Localization, GermanPreferencesGiveTheGermanTable)
{
    LocalizationBundle::setPreferredLanguages(std::vector<std::string> { "de_DE" });
    EXPECT_EQ(L10n::TimeFormat::today(), "heute");
    EXPECT_EQ(L10n::Alert::customMinutes(5), "5 Minuten");
    EXPECT_EQ(L10n::Accessibility::EventSummary::titleAndLocation("Standup", "Raum 1"), "Standup in Raum 1.");
    EXPECT_EQ(L10n::Accessibility::EventSummary::belongsToCalendar("Arbeit"), "Dieses Ereignis gehört zum Kalender „Arbeit“.");
    LocalizationBundle::setPreferredLanguages(std::nullopt);
}

TEST(Localization, PluralTextsAgreeWithTheirCountInEnglishAndGerman)
{
    EXPECT_EQ(L10n::Alert::customMinutes(1), "1 minute");
    EXPECT_EQ(L10n::Alert::customMinutes(0), "0 minutes");
    EXPECT_EQ(L10n::TimeFormat::Spoken::daysIn(1), "day");
    EXPECT_EQ(L10n::TimeFormat::Spoken::daysIn(2), "days");
    LocalizationBundle::setPreferredLanguages(std::vector<std::string> { "de" });
    EXPECT_EQ(L10n::Alert::customMinutes(1), "1 Minute");
    EXPECT_EQ(L10n::Alert::customMinutes(21), "21 Minuten");
    EXPECT_EQ(L10n::TimeFormat::Spoken::daysIn(3), "Tagen") << "dative after \"in\"";
    EXPECT_EQ(L10n::TimeFormat::Spoken::daysLeft(3), "Tage");
    EXPECT_EQ(L10n::TimeFormat::Spoken::hoursAgo(1), "Stunde");
}

TEST(Localization, ATableWithoutAPluralTextTakesTheEnglishFormsByEnglishRules)
{
    CustomBundle bundle("\"TimeFormat.now\" = \"right now\";\n");
    EXPECT_EQ(L10n::Alert::customMinutes(1), "1 minute");
    EXPECT_EQ(L10n::Alert::customMinutes(7), "7 minutes");
}

TEST(Localization, TheLanguageEnvironmentChoosesTheTable)
{
    ScopedEnvironment environment("LANGUAGE", "de");
    EXPECT_EQ(LocalizedString("TimeFormat.now"), "jetzt");
}

TEST(Localization, EveryKeyOfTheEnglishTableHasAGermanTextWithTheSameArguments)
{
    auto english = shippedTable("en");
    auto german = shippedTable("de");
    ASSERT_FALSE(english.error);
    ASSERT_FALSE(german.error);
    std::map<std::string, std::string> germanTexts;
    for (const auto& entry : german.entries)
        germanTexts[entry.key] = entry.value;
    for (const auto& entry : english.entries) {
        auto found = germanTexts.find(entry.key);
        ASSERT_NE(found, germanTexts.end()) << entry.key;
        EXPECT_EQ(StringFormat::argumentKinds(found->second), StringFormat::argumentKinds(entry.value)) << entry.key;
    }
    EXPECT_EQ(germanTexts.size(), english.entries.size());
}

TEST(Localization, TheGeneratedAccessorsCoverTheEnglishTableInOrder)
{
    // One accessor per key; the plural forms of a key make one, whose English text is "other".
    std::vector<std::pair<std::string, std::string>> keys;
    for (const auto& entry : shippedTable("en").entries) {
        auto plural = PluralRules::splitEntryKey(entry.key);
        std::string key = plural ? std::string(plural->first) : entry.key;
        if (keys.empty() || keys.back().first != key)
            keys.emplace_back(key, "");
        if (!plural || plural->second == PluralCategory::other)
            keys.back().second = entry.value;
    }
    auto accessors = L10n::allAccessors();
    ASSERT_EQ(accessors.size(), keys.size());
    for (std::size_t i = 0; i < accessors.size(); ++i) {
        EXPECT_EQ(accessors[i].key, keys[i].first);
        EXPECT_EQ(accessors[i].englishText, keys[i].second);
    }
    const auto* until = L10n::accessor("TimeFormat.until");
    ASSERT_TRUE(until);
    EXPECT_EQ(until->name, "TimeFormat::until");
    EXPECT_EQ(until->call(std::vector<FormatArgument> { "noon" }), "until noon");
    EXPECT_EQ(L10n::accessor("Alert.1minute")->name, "Alert::_1minute");
    EXPECT_EQ(L10n::accessor("OpenSystemPreferences_legacy")->name, "openSystemPreferencesLegacy");
    EXPECT_EQ(L10n::accessor("Alert.customMinutes")->arguments[0], FormatArgumentKind::integer);
    const auto* days = L10n::accessor("TimeFormat.spoken.daysIn");
    ASSERT_TRUE(days);
    ASSERT_EQ(days->arguments.size(), 1u) << "a plural text without its number still takes the count";
    EXPECT_EQ(days->call(std::vector<FormatArgument> { 1 }), "day");
    EXPECT_EQ(L10n::accessor("No.such.key"), nullptr);
}

TEST(Localization, AKeyMissingFromTheTableGivesTheAccessorsEnglishText)
{
    CustomBundle bundle("\"TimeFormat.now\" = \"right now\";\n");
    EXPECT_EQ(L10n::TimeFormat::now(), "right now");
    EXPECT_EQ(L10n::TimeFormat::today(), "today");
    EXPECT_EQ(L10n::TimeFormat::until("10:00"), "until 10:00");
}

TEST(Localization, LocalizedStringOrNilIsNoneWhereLocalizedStringGivesTheKey)
{
    EXPECT_EQ(LocalizedStringOrNil("No.such.key"), std::nullopt);
    EXPECT_EQ(LocalizedString("No.such.key"), "No.such.key");
    EXPECT_EQ(LocalizedString("No.such.key", "Localizable", "Fallback"), "Fallback");
    EXPECT_EQ(LocalizedStringOrNil("TimeFormat.today"), "today");
    EXPECT_EQ(LocalizedString("Preferences.ExcludeRules.Comparison.beginsWith", "Localizable", "x"), "begins with");
}

TEST(Localization, LegacyEntriesApplyOnlyToOldPlatformVersions)
{
    CustomBundle bundle("\"OpenSystemPreferences\" = \"Open System Settings\";\n"
                        "\"OpenSystemPreferences_legacy\" = \"Open System Preferences\";\n"
                        "\"OnlyLegacy_legacy\" = \"legacy wording\";\n");
    EXPECT_FALSE(LegacyTexts::apply());
    EXPECT_EQ(LocalizedString("OpenSystemPreferences"), "Open System Settings");
    EXPECT_EQ(LocalizedString("OnlyLegacy", "Localizable", "fallback"), "fallback");

    LegacyTexts::setPlatformVersion(PlatformVersion { 12, 6 });
    EXPECT_TRUE(LegacyTexts::apply());
    EXPECT_EQ(LocalizedString("OpenSystemPreferences"), "Open System Preferences");
    EXPECT_EQ(L10n::openSystemPreferences(), "Open System Preferences");
    EXPECT_EQ(LocalizedString("OnlyLegacy", "Localizable", "fallback"), "legacy wording");

    LegacyTexts::setPlatformVersion(PlatformVersion { 13, 0 });
    EXPECT_EQ(LocalizedString("OnlyLegacy", "Localizable", "fallback"), "fallback");
    LegacyTexts::setPlatformVersion(std::nullopt);
}

TEST(Localization, AProcessResetLocatesTheBundleAndChoosesItsLanguageAgain)
{
    EXPECT_EQ(L10n::TimeFormat::now(), "now");
    CustomBundle bundle("\"TimeFormat.now\" = \"right now\";\n");
    EXPECT_EQ(L10n::TimeFormat::now(), "now") << "located once per process: another resource directory is not looked at";
    ProcessWideState::reset();
    EXPECT_EQ(L10n::TimeFormat::now(), "right now");

    bundle.environment.set("TARVIK_RESOURCES", std::nullopt);
    ProcessWideState::reset();
    ScopedEnvironment language("LANGUAGE", "de");
    EXPECT_EQ(L10n::TimeFormat::now(), "jetzt");
}

TEST(Localization, TheBundleIsFoundInTheFirstCandidateThatHoldsIt)
{
    TemporaryDirectory first;
    TemporaryDirectory second;
    second.write("TVKLocalization_TVKLocalization.bundle/en.lproj/Localizable.strings", "\"k\" = \"v\";\n");
    auto bundle = LocalizationBundle::locate({ first.path(), second.path() });
    ASSERT_TRUE(bundle);
    EXPECT_EQ(bundle->path(), second.path() / "TVKLocalization_TVKLocalization.bundle");
    EXPECT_FALSE(LocalizationBundle::locate({ first.path() }));
}

TEST(LocalizationDeathTest, AMissingBundleStopsTheProgramWithTheBundlesName)
{
    TemporaryDirectory empty;
    ScopedEnvironment environment("TARVIK_RESOURCES", empty.path().string());
    for (const auto& candidate : LocalizationBundle::candidateDirectories())
        if (std::filesystem::exists(candidate / "TVKLocalization_TVKLocalization.bundle"))
            GTEST_SKIP() << "a bundle is installed in " << candidate;
    EXPECT_EXIT(
        LocalizedString("TimeFormat.today"), testing::ExitedWithCode(1), "unable to find bundle named TVKLocalization_TVKLocalization");
}

#include "Platform/Text/ResourceBundle.hpp"

#include "Platform/Text/PluralRules.hpp"

#include "Tests/Support/ScopedEnvironment.hpp"
#include "Tests/Support/TemporaryDirectory.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <thread>

using namespace tvk;
using tvk::test::ScopedEnvironment;
using tvk::test::TemporaryDirectory;

namespace {

void write(const std::filesystem::path& path, const std::string& text)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

}

TEST(ResourceBundle, PreferredLanguagesFollowLanguageThenTheMessagesLocale)
{
    ScopedEnvironment environment;
    environment.set("LANGUAGE", "fr_CA:de").set("LC_ALL", std::nullopt).set("LC_MESSAGES", "pt_BR.UTF-8@euro").set("LANG", "en_US.UTF-8");
    EXPECT_EQ(ResourceBundle::preferredLanguagesFromEnvironment(), (std::vector<std::string> { "fr_CA", "de", "pt_BR" }));
    environment.set("LANGUAGE", std::nullopt).set("LC_ALL", "C.UTF-8");
    EXPECT_TRUE(ResourceBundle::preferredLanguagesFromEnvironment().empty());
}

TEST(ResourceBundle, BestLocalizationMatchesRegionScriptLanguageThenEnglish)
{
    std::vector<std::string> available { "Base", "de", "en", "pt-BR", "zh-Hant", "fr_CA" };
    EXPECT_EQ(ResourceBundle::bestLocalization(available, { "pt_BR" }), "pt-BR");
    EXPECT_EQ(ResourceBundle::bestLocalization(available, { "de_AT" }), "de");
    EXPECT_EQ(ResourceBundle::bestLocalization(available, { "zh_TW" }), "zh-Hant");
    EXPECT_EQ(ResourceBundle::bestLocalization(available, { "fr" }), "fr_CA");
    EXPECT_EQ(ResourceBundle::bestLocalization(available, { "pt" }), "pt-BR");
    EXPECT_EQ(ResourceBundle::bestLocalization(available, { "ja", "de_CH" }), "de");
    EXPECT_EQ(ResourceBundle::bestLocalization(available, { "ja" }), "en");
    EXPECT_EQ(ResourceBundle::bestLocalization({ "Base" }, { "ja" }), "Base");
    EXPECT_EQ(ResourceBundle::bestLocalization({ "de" }, { "ja" }), std::nullopt);
}

TEST(ResourceBundle, LooksTextsUpInTheChosenLanguageWithThePlatformFallbacks)
{
    TemporaryDirectory directory;
    auto path = directory.path() / "Test.bundle";
    write(path / "en.lproj" / "Localizable.strings", "\"hello\" = \"Hello\";\n\"only.english\" = \"English\";\n");
    write(path / "de.lproj" / "Localizable.strings", "\"hello\" = \"Hallo\";\n");
    write(path / "de.lproj" / "Other.strings", "\"x\" = \"y\";\n");
    auto bundle = ResourceBundle::open(path);
    ASSERT_TRUE(bundle);
    EXPECT_EQ(bundle->localizations(), (std::vector<std::string> { "de", "en" }));
    bundle->setPreferredLanguages(std::vector<std::string> { "de_DE" });
    EXPECT_EQ(bundle->preferredLocalization(), "de");
    EXPECT_EQ(bundle->localizedString("hello", "Localizable"), "Hallo");
    EXPECT_EQ(bundle->localizedString("x", "Other"), "y");
    // A key the language lacks is not taken from another language.
    EXPECT_EQ(bundle->localizedString("only.english", "Localizable"), std::nullopt);
    EXPECT_EQ(bundle->localizedString("only.english", "fallback", "Localizable"), "fallback");
    EXPECT_EQ(bundle->localizedString("only.english", "", "Localizable"), "only.english");
    EXPECT_EQ(bundle->localizedString("x", "Missing"), std::nullopt);
    EXPECT_EQ(bundle->localizedString("x", "../de.lproj/Other"), std::nullopt);
}

// Lookups remember their answers per thread: another language, or another bundle at the
// address of one that is gone, must answer for itself.
TEST(ResourceBundle, AnswersFollowTheChosenLanguageAndTheBundleOnTheSameThread)
{
    TemporaryDirectory directory;
    auto path = directory.path() / "Test.bundle";
    write(path / "en.lproj" / "Localizable.strings", "\"hello\" = \"Hello\";\n");
    write(path / "de.lproj" / "Localizable.strings", "\"hello\" = \"Hallo\";\n");
    auto other = directory.path() / "Other.bundle";
    write(other / "en.lproj" / "Localizable.strings", "\"hello\" = \"Hi\";\n");
    auto bundle = ResourceBundle::open(path);
    ASSERT_TRUE(bundle);
    bundle->setPreferredLanguages(std::vector<std::string> { "en" });
    EXPECT_EQ(bundle->localizedString("hello", "Localizable"), "Hello");
    EXPECT_EQ(bundle->localizedString("hello", "Localizable"), "Hello");
    bundle->setPreferredLanguages(std::vector<std::string> { "de" });
    EXPECT_EQ(bundle->localizedString("hello", "Localizable"), "Hallo");
    for (int round = 0; round < 3; ++round) {
        bundle.reset();
        bundle = ResourceBundle::open(round % 2 ? path : other);
        bundle->setPreferredLanguages(std::vector<std::string> { "en" });
        EXPECT_EQ(bundle->localizedString("hello", "Localizable"), round % 2 ? "Hello" : "Hi") << round;
    }
}

TEST(ResourceBundle, CountsChooseThePluralFormOfTheTablesLanguageThenOtherThenThePlainEntry)
{
    TemporaryDirectory directory;
    auto path = directory.path() / "Test.bundle";
    write(path / "en.lproj" / "Localizable.strings",
        "\"days|one\" = \"day\";\n\"days|other\" = \"days\";\n\"plain\" = \"as is\";\n\"english.only|one\" = \"one thing\";\n"
        "\"english.only|other\" = \"things\";\n");
    write(path / "pl.lproj" / "Localizable.strings",
        "\"days|one\" = \"dzień\";\n\"days|few\" = \"dni (few)\";\n\"days|other\" = \"dni\";\n\"plain\" = \"jak jest\";\n");
    auto bundle = ResourceBundle::open(path);
    ASSERT_TRUE(bundle);

    bundle->setPreferredLanguages(std::vector<std::string> { "pl_PL" });
    EXPECT_EQ(bundle->localizedString("days", "Localizable", 1), "dzień");
    EXPECT_EQ(bundle->localizedString("days", "Localizable", 3), "dni (few)");
    EXPECT_EQ(bundle->localizedString("days", "Localizable", 22), "dni (few)");
    EXPECT_EQ(bundle->localizedString("days", "Localizable", 5), "dni") << "no \"many\" entry: the \"other\" one";
    EXPECT_EQ(bundle->localizedString("plain", "Localizable", 3), "jak jest") << "a text without forms serves every number";
    EXPECT_EQ(bundle->localizedString("days", "Localizable"), "dni") << "asked without a number: the \"other\" form";
    EXPECT_EQ(bundle->localizedString("english.only", "Localizable", 1), std::nullopt);
    EXPECT_EQ(bundle->developmentString("english.only", "Localizable", 1), "one thing") << "English rules for English texts";
    EXPECT_EQ(bundle->developmentString("english.only", "Localizable", 3), "things");
    EXPECT_EQ(bundle->developmentString("plain", "Localizable", std::nullopt), "as is");

    bundle->setPreferredLanguages(std::vector<std::string> { "en" });
    EXPECT_EQ(bundle->localizedString("days", "Localizable", 1), "day");
    EXPECT_EQ(bundle->localizedString("days", "Localizable", 0), "days");
    EXPECT_EQ(bundle->localizedString("days", "Localizable", 3), "days");
}

TEST(PluralRules, CategoriesFollowEachLanguagesRules)
{
    EXPECT_EQ(PluralRules::category("en", 1), PluralCategory::one);
    EXPECT_EQ(PluralRules::category("en", 0), PluralCategory::other);
    EXPECT_EQ(PluralRules::category("de-DE", 1), PluralCategory::one);
    EXPECT_EQ(PluralRules::category("ru", 21), PluralCategory::one);
    EXPECT_EQ(PluralRules::category("ru", 22), PluralCategory::few);
    EXPECT_EQ(PluralRules::category("ru_RU", 11), PluralCategory::many);
    EXPECT_EQ(PluralRules::category("pl", 1), PluralCategory::one);
    EXPECT_EQ(PluralRules::category("pl", 12), PluralCategory::many);
    EXPECT_EQ(PluralRules::category("ar", 0), PluralCategory::zero);
    EXPECT_EQ(PluralRules::category("ar", 2), PluralCategory::two);
    EXPECT_EQ(PluralRules::category("ar", 103), PluralCategory::few);
    EXPECT_EQ(PluralRules::category("ja", 1), PluralCategory::other) << "Japanese has one form for every number";
    EXPECT_EQ(PluralRules::category("zz", 1), PluralCategory::other) << "no rules: the one form every language has";
    EXPECT_EQ(PluralRules::category("en", -1), PluralCategory::one);
    EXPECT_EQ(PluralRules::category("ru", INT64_MAX), PluralRules::category("ru", INT64_MAX));

    EXPECT_EQ(PluralRules::entryKey("days", PluralCategory::few), "days|few");
    auto split = PluralRules::splitEntryKey("^[%lld more](inflect: true)|many");
    ASSERT_TRUE(split);
    EXPECT_EQ(split->first, "^[%lld more](inflect: true)");
    EXPECT_EQ(split->second, PluralCategory::many);
    EXPECT_FALSE(PluralRules::splitEntryKey("a|b"));
    EXPECT_FALSE(PluralRules::splitEntryKey("|one"));
    EXPECT_FALSE(PluralRules::splitEntryKey("plain"));

    PluralForm forms[] { { PluralCategory::one, "day" }, { PluralCategory::other, "days" } };
    EXPECT_EQ(selectPluralForm(forms, PluralCategory::one), "day");
    EXPECT_EQ(selectPluralForm(forms, PluralCategory::few), "days");
    EXPECT_EQ(selectPluralForm({}, PluralCategory::one), "");
}

TEST(ResourceBundle, ABrokenTableKeepsTheEntriesBeforeTheError)
{
    TemporaryDirectory directory;
    auto path = directory.path() / "Test.bundle";
    write(path / "en.lproj" / "Localizable.strings", "\"a\" = \"1\";\n\"b\" = oops oops;\n\"c\" = \"3\";\n");
    auto bundle = ResourceBundle::open(path);
    ASSERT_TRUE(bundle);
    bundle->setPreferredLanguages(std::vector<std::string> { "en" });
    EXPECT_EQ(bundle->localizedString("a", "Localizable"), "1");
    EXPECT_EQ(bundle->localizedString("c", "Localizable"), std::nullopt);
}

TEST(ResourceBundle, AFileIsNotABundle)
{
    TemporaryDirectory directory;
    write(directory.path() / "File.bundle", "not a directory");
    EXPECT_FALSE(ResourceBundle::open(directory.path() / "File.bundle"));
    EXPECT_FALSE(ResourceBundle::open(directory.path() / "Missing.bundle"));
}

TEST(ResourceBundle, ConcurrentFirstLookupsAllSeeTheTable)
{
    TemporaryDirectory directory;
    auto path = directory.path() / "Test.bundle";
    write(path / "en.lproj" / "Localizable.strings", "\"hello\" = \"Hello\";\n");
    auto bundle = ResourceBundle::open(path);
    bundle->setPreferredLanguages(std::vector<std::string> { "en" });
    std::vector<std::thread> threads;
    std::atomic<int> found { 0 };
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&] { found += bundle->localizedString("hello", "Localizable") == "Hello"; });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(found.load(), 8);
}

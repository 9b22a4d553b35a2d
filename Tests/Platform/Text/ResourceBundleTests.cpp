#include "Platform/Text/ResourceBundle.hpp"

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

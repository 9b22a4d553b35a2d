#include "Platform/Text/StringsFile.hpp"

#include <gtest/gtest.h>

using namespace tvk;

namespace {

std::vector<std::pair<std::string, std::string>> pairs(const StringsFile& file)
{
    std::vector<std::pair<std::string, std::string>> result;
    for (const auto& entry : file.entries)
        result.emplace_back(entry.key, entry.value);
    return result;
}

}

TEST(StringsFile, ReadsQuotedEntriesCommentsAndUnquotedKeys)
{
    auto file = StringsFile::parse("/* block\n comment */\n"
                                   "\"TimeFormat.until\" = \"until %@\";\n"
                                   "// line comment\n"
                                   "plain.key = \"value\"; \"Key only\";\n");
    EXPECT_FALSE(file.error);
    using Pairs = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(pairs(file), (Pairs { { "TimeFormat.until", "until %@" }, { "plain.key", "value" }, { "Key only", "Key only" } }));
    EXPECT_EQ(file.entries[0].line, 3u);
}

TEST(StringsFile, DecodesEscapesIncludingSurrogatePairs)
{
    auto file = StringsFile::parse(R"("k" = "a\"b\\c\nd\te\U00E9\UD83D\UDE00\101\'";)");
    ASSERT_FALSE(file.error);
    EXPECT_EQ(file.entries[0].value, "a\"b\\c\nd\te\u00E9\U0001F600A'");
}

TEST(StringsFile, ALoneSurrogateEscapeBecomesTheReplacementCharacter)
{
    auto file = StringsFile::parse(R"("k" = "x\UD800y";)");
    ASSERT_FALSE(file.error);
    EXPECT_EQ(file.entries[0].value, "x\uFFFDy");
}

TEST(StringsFile, ReadsUtf16WithAByteOrderMarkAndSkipsAUtf8One)
{
    std::u16string text = u"\"k\" = \"Gr\u00FC\u00DFe \U0001F44B\";";
    std::string little("\xFF\xFE", 2);
    std::string big("\xFE\xFF", 2);
    for (char16_t unit : text) {
        little += static_cast<char>(unit & 0xFF), little += static_cast<char>(unit >> 8);
        big += static_cast<char>(unit >> 8), big += static_cast<char>(unit & 0xFF);
    }
    for (const auto& data : { little, big,
             std::string("\xEF\xBB\xBF\"k\" = \"Gr\xC3\xBC\xC3\x9F"
                         "e \xF0\x9F\x91\x8B\";") }) {
        auto file = StringsFile::parse(data);
        ASSERT_FALSE(file.error) << file.error->message;
        ASSERT_EQ(file.entries.size(), 1u);
        EXPECT_EQ(file.entries[0].value, "Grüße 👋");
    }
}

TEST(StringsFile, InvalidUtf8ReadsAsReplacementCharacters)
{
    auto file = StringsFile::parse("\"k\" = \"a\xC3\x28\xFF"
                                   "b\xE2\x82\";");
    ASSERT_FALSE(file.error);
    EXPECT_EQ(file.entries[0].value, "a\uFFFD(\uFFFDb\uFFFD");
}

TEST(StringsFile, ASyntaxErrorKeepsTheEntriesBeforeItAndNamesItsLine)
{
    auto file = StringsFile::parse("\"a\" = \"1\";\n\"b\" = \"2\"\n\"c\" = \"3\";\n");
    ASSERT_TRUE(file.error);
    EXPECT_EQ(file.error->line, 3u);
    EXPECT_NE(file.error->message.find("\";\""), std::string::npos);
    ASSERT_EQ(file.entries.size(), 1u);
    EXPECT_EQ(file.entries[0].key, "a");
}

TEST(StringsFile, UnterminatedQuotesAndCommentsAreErrorsAtTheirStart)
{
    auto quote = StringsFile::parse("\"a\" = \"1\";\n\"b\" = \"never\nclosed;\n");
    ASSERT_TRUE(quote.error);
    EXPECT_EQ(quote.error->line, 2u);
    auto comment = StringsFile::parse("\"a\" = \"1\";\n/* open\n");
    ASSERT_TRUE(comment.error);
    EXPECT_EQ(comment.error->line, 2u);
    EXPECT_EQ(comment.entries.size(), 1u);
    EXPECT_TRUE(StringsFile::parse("\"a\" = ").error);
    EXPECT_TRUE(StringsFile::parse("= \"a\";").error);
}

TEST(StringsFile, AnEmptyFileHasNoEntriesAndNoError)
{
    auto file = StringsFile::parse(" \n/* only a comment */\n");
    EXPECT_TRUE(file.entries.empty());
    EXPECT_FALSE(file.error);
}

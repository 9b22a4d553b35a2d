#include "Platform/Text/RegularExpression.hpp"

#include "Platform/Runtime/PlatformLog.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace tvk;

namespace {

RegularExpression compiled(std::string_view pattern, RegularExpressionOptions options = {})
{
    auto expression = RegularExpression::make(pattern, options);
    EXPECT_TRUE(expression) << expression.error();
    return *expression;
}

class CapturedPlatformLog {
public:
    CapturedPlatformLog()
    {
        PlatformLog::setSink([this](PlatformLog::Level, std::string_view, std::string_view message) { lines.emplace_back(message); });
    }
    ~CapturedPlatformLog() { PlatformLog::setSink(nullptr); }
    std::vector<std::string> lines;
};

}

TEST(RegularExpression, ACompileErrorIsAValueThatNamesThePattern)
{
    auto bad = RegularExpression::make("(unclosed");
    ASSERT_FALSE(bad);
    EXPECT_NE(bad.error().find("(unclosed"), std::string::npos);
    EXPECT_FALSE(RegularExpression::make("a{2,1}"));
    EXPECT_TRUE(RegularExpression::make(""));
}

TEST(RegularExpression, RangesAreUtf8ByteOffsetsWithGroups)
{
    std::string text = "Grüße: https://zoom.us/j/123 und ü https://meet.google.com/abc-defg-hij";
    auto expression = compiled(R"(https://([a-z.]+)/(\S+))");
    auto all = expression.matches(text);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].range.of(text), "https://zoom.us/j/123");
    ASSERT_TRUE(all[0].groups[0]);
    EXPECT_EQ(all[0].groups[0]->of(text), "zoom.us");
    EXPECT_EQ(all[1].groups[1]->of(text), "abc-defg-hij");
    EXPECT_EQ(expression.numberOfMatches(text), 2u);
    EXPECT_EQ(expression.firstMatch(text), all[0]);
}

TEST(RegularExpression, AGroupThatTookNoPartIsAbsent)
{
    auto match = compiled("(a)|(b)").firstMatch("b");
    ASSERT_TRUE(match);
    EXPECT_FALSE(match->groups[0]);
    EXPECT_EQ(match->groups[1], (TextRange { 0, 1 }));
}

TEST(RegularExpression, OptionsChangeCaseAndLineBehaviour)
{
    EXPECT_FALSE(compiled("zoom").firstMatch("ZOOM"));
    EXPECT_TRUE(compiled("zoom", { .caseInsensitive = true }).firstMatch("ZOOM"));
    EXPECT_FALSE(compiled("a.b").firstMatch("a\nb"));
    EXPECT_TRUE(compiled("a.b", { .dotMatchesLineSeparators = true }).firstMatch("a\nb"));
    EXPECT_EQ(compiled("^x", { .anchorsMatchLines = true }).numberOfMatches("x\nx"), 2u);
    EXPECT_EQ(compiled("^x").numberOfMatches("x\nx"), 1u);
}

TEST(RegularExpression, ReplacementTemplatesUseDollarGroupsAndBackslashEscapes)
{
    auto expression = compiled(R"((\w+)@(\w+))");
    EXPECT_EQ(expression.replacingMatches("ada@example and bob@test", "$2:$1"), "example:ada and test:bob");
    EXPECT_EQ(expression.replacingMatches("ada@example", "\\$1"), "$1");
    EXPECT_EQ(compiled("x").replacingMatches("no match here", "y"), "no match here");
    EXPECT_EQ(compiled("ü").replacingMatches("Grüße", "ue"), "Grueße");
}

TEST(RegularExpression, InvalidUtf8IsReadAsReplacementCharactersWithinBounds)
{
    std::string text = "ok \xff\xfe https://zoom.us/j/1 \xc3";
    auto match = compiled(R"(https://\S+)").firstMatch(text);
    ASSERT_TRUE(match);
    EXPECT_EQ(match->range.of(text), "https://zoom.us/j/1");
    EXPECT_EQ(compiled("\\x{FFFD}").numberOfMatches(text), 3u);
}

TEST(RegularExpression, CatastrophicBacktrackingEndsAsNoMatchAndIsReportedOnce)
{
    CapturedPlatformLog log;
    auto expression = compiled("(a*)*b");
    std::string title(5000, 'a');
    EXPECT_FALSE(expression.firstMatch(title));
    EXPECT_EQ(expression.numberOfMatches(title), 0u);
    EXPECT_EQ(expression.replacingMatches(title, "x"), title);
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_NE(log.lines[0].find("ran out of time"), std::string::npos);
}

TEST(RegularExpression, EscapedPatternsMatchThemselvesLiterally)
{
    std::string literal = "a.b*c (x) [y] $1 \\ ^";
    auto expression = compiled(RegularExpression::escapedPattern(literal));
    EXPECT_EQ(expression.firstMatch("--" + literal + "--")->range, (TextRange { 2, literal.size() }));
    EXPECT_FALSE(expression.firstMatch("aXb*c (x) [y] $1 \\ ^"));
}

TEST(RegularExpression, OneExpressionServesManyThreadsAtOnce)
{
    auto expression = compiled(R"(\d+)");
    std::vector<std::thread> threads;
    std::atomic<int> wrong = 0;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 500; ++i)
                if (expression.numberOfMatches("1 22 333 abc 4444") != 4)
                    ++wrong;
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(wrong, 0);
}

TEST(RegularExpression, EachSearchStartsAfreshWhateverTheSearchBeforeDid)
{
    CapturedPlatformLog log;
    auto expression = compiled("(a*)*b|zoom");
    EXPECT_FALSE(expression.firstMatch(std::string(5000, 'a')));
    EXPECT_EQ(expression.firstMatch("a zoom")->range, (TextRange { 2, 4 }));
    // UTF-8 and ASCII texts in turn: ranges stay byte offsets of each text.
    auto word = compiled(R"(z\w+)");
    EXPECT_EQ(word.firstMatch("Grüße zoom")->range, (TextRange { 8, 4 }));
    EXPECT_EQ(word.firstMatch("hi zoom")->range, (TextRange { 3, 4 }));
    EXPECT_EQ(word.firstMatch("ü zoomü")->range, (TextRange { 3, 6 }));
}

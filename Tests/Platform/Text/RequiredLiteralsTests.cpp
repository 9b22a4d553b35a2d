#include "Platform/Text/RequiredLiterals.hpp"

#include "Platform/Text/RegularExpression.hpp"

#include <gtest/gtest.h>

#include <random>

using namespace tvk;
using Literals = std::vector<std::string>;

TEST(RequiredLiterals, TheLongestRunEveryMatchContainsIsChosen)
{
    EXPECT_EQ(requiredLiterals(R"(https?://meet\.google\.com/(?:_meet/)?[a-z-]+)"), (Literals { "://meet.google.com/" }));
    EXPECT_EQ(requiredLiterals(R"(https://facetime\.apple\.com/join\S*)"), (Literals { "https://facetime.apple.com/join" }));
    EXPECT_EQ(requiredLiterals("ts3server://*"), (Literals { "ts3server:/" }));
    EXPECT_EQ(requiredLiterals("abc+def"), (Literals { "abc" }));
    EXPECT_EQ(requiredLiterals("ab{2,}cdef"), (Literals { "cdef" }));
}

TEST(RequiredLiterals, AGroupOfAlternativesRequiresOneOfThem)
{
    EXPECT_EQ(requiredLiterals(R"(https?://(?:[a-z0-9-]+\.)*(?:zoom\.us|zoomgov\.com|zoom\.com\.cn)/(?:j|my)/\S*)"),
        (Literals { "zoom.com.cn", "zoom.us", "zoomgov.com" }));
    EXPECT_EQ(requiredLiterals(R"(x(?:(?:gov|dod)\.teams\.microsoft\.us|teams\.live\.com))"),
        (Literals { ".teams.microsoft.us", "teams.live.com" }));
    EXPECT_EQ(requiredLiterals("zoom|webex"), (Literals { "webex", "zoom" }));
}

TEST(RequiredLiterals, OptionalPartsAndAlternativesWithoutLiteralsGiveNoGuarantee)
{
    EXPECT_EQ(requiredLiterals("(?:zoom)?x"), (Literals { "x" }));
    EXPECT_EQ(requiredLiterals("(?:zoom)*"), Literals {});
    EXPECT_EQ(requiredLiterals("zoom|\\S+"), Literals {});
    EXPECT_EQ(requiredLiterals(".*"), Literals {});
    EXPECT_EQ(requiredLiterals("(?=zoom)\\S+"), Literals {});
    EXPECT_EQ(requiredLiterals("[zoom]+"), Literals {});
    EXPECT_EQ(requiredLiterals(""), Literals {});
}

TEST(RequiredLiterals, WhatChangesTheMeaningOfLiteralsIsNotFollowed)
{
    EXPECT_EQ(requiredLiterals("(?i)zoom"), Literals {});
    EXPECT_EQ(requiredLiterals("\\Qzoom.us\\E"), Literals {});
    EXPECT_EQ(requiredLiterals("(z)oom\\1"), Literals {});
    EXPECT_EQ(requiredLiterals("\\x41zoom"), Literals {});
    EXPECT_EQ(requiredLiterals("(unclosed"), Literals {});
    EXPECT_EQ(requiredLiterals("a{x}"), Literals {});
    EXPECT_EQ(requiredLiterals("[unclosed"), Literals {});
    EXPECT_EQ(requiredLiterals("trailing\\"), Literals {});
}

TEST(RequiredLiterals, EscapedPunctuationIsLiteralAndClassesAreSkippedWhole)
{
    EXPECT_EQ(requiredLiterals(R"(a\.b\/c\-d)"), (Literals { "a.b/c-d" }));
    EXPECT_EQ(requiredLiterals(R"([]a-z\]]+webex\.com)"), (Literals { "webex.com" }));
    EXPECT_EQ(requiredLiterals(R"([[a-z]&&[^q]]zoom)"), (Literals { "zoom" }));
    EXPECT_EQ(requiredLiterals(R"((?<name>zoom)\.u(?#comment))"), (Literals { "zoom" }));
}

TEST(RequiredLiterals, AQuantifierAfterACharacterOutsideAsciiAppliesToAllOfIt)
{
    EXPECT_EQ(requiredLiterals("réunion?x"), (Literals { "réunio" }));
    EXPECT_EQ(requiredLiterals("zoomé?x"), (Literals { "zoom" }));
    EXPECT_EQ(requiredLiterals("会议*室"), (Literals { "会" }));
    EXPECT_EQ(requiredLiterals("\\会+x"), (Literals { "会" }));
    EXPECT_EQ(requiredLiterals("встреча🎉*"), (Literals { "встреча" }));
    EXPECT_EQ(requiredLiterals(std::string("bad\xff") + "byte"), Literals {});
}

TEST(RequiredLiterals, NoTextThatMatchesIsEverRuledOut)
{
    // Random texts over small alphabets, ASCII and not, against patterns of the shapes above:
    // whenever the regular expression finds a match, the literals are in the text.
    struct Case {
        std::vector<std::string> patterns;
        std::vector<std::string> alphabet;
    };
    std::vector<Case> cases {
        { { "ab?c(?:de|fg)+h", "(?:a|bc)d*e", "a+b{2}c", "(?:ab|(?:cd|e)f)g", "x|y(?:z|zz)", "[ab]c(?:d)?ef", "a.b\\.c" },
            { "a", "b", "c", "d", "e", "f", "g", "h", "x", "y", "z", "." } },
        { { "aé?b", "éé*a", "a(?:é|ü)+b", "ü{2}a?é", "\\é?ab", "a.é" }, { "a", "b", "é", "ü", "e" } },
        { { "会议?室", "会*议", "(?:会|议)+室", "链接?：" }, { "会", "议", "室", "链", "接", "：" } },
        { { "안녕?하", "하*세", "a🎉?b", "🎉+a" }, { "안", "녕", "하", "세", "a", "b", "🎉" } },
    };
    std::mt19937 random(11);
    for (auto& [patterns, alphabet] : cases) {
        for (auto& pattern : patterns) {
            auto expression = RegularExpression::make(pattern);
            ASSERT_TRUE(expression) << pattern;
            auto literals = requiredLiterals(pattern);
            for (int round = 0; round < 4000; ++round) {
                std::string text;
                for (int i = 0, length = static_cast<int>(random() % 12); i < length; ++i)
                    text += alphabet[random() % alphabet.size()];
                if (expression->firstMatch(text)) {
                    EXPECT_TRUE(containsAnyRequiredLiteral(text, literals)) << pattern << " on " << text;
                }
            }
        }
    }
    EXPECT_TRUE(containsAnyRequiredLiteral("anything", {}));
}

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

TEST(RequiredLiterals, NoTextThatMatchesIsEverRuledOut)
{
    // Random texts over a small alphabet against patterns of the shapes above: whenever the
    // regular expression finds a match, the literals are in the text.
    const char* patterns[]
        = { "ab?c(?:de|fg)+h", "(?:a|bc)d*e", "a+b{2}c", "(?:ab|(?:cd|e)f)g", "x|y(?:z|zz)", "[ab]c(?:d)?ef", "a.b\\.c" };
    std::mt19937 random(11);
    std::string alphabet = "abcdefghxyz.";
    for (const char* pattern : patterns) {
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
    EXPECT_TRUE(containsAnyRequiredLiteral("anything", {}));
}

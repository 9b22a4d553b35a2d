#include "Platform/Text/LinkDetector.hpp"

#include <gtest/gtest.h>

using namespace tvk;

namespace {

const LinkDetector& detector()
{
    static const LinkDetector instance(
        LinkDetector::TopLevelDomains { "com", "us", "org", "de", "me", "fm", "co", "aws", "si", "net", "uk" });
    return instance;
}

std::vector<std::string> urls(std::string_view text, const LinkDetector& links = detector())
{
    std::vector<std::string> found;
    for (auto& link : links.matches(text))
        found.push_back(link.url);
    return found;
}

using Urls = std::vector<std::string>;

}

TEST(LinkDetector, FindsUrlsWithASchemeAndTheBytesTheyCameFrom)
{
    std::string text = "Grüße! Join https://us02web.zoom.us/j/857?pwd=a.1 or zoommtg://zoom.us/join?confno=857 now";
    auto links = detector().matches(text);
    ASSERT_EQ(links.size(), 2u);
    EXPECT_EQ(links[0].url, "https://us02web.zoom.us/j/857?pwd=a.1");
    EXPECT_EQ(links[0].range.of(text), links[0].url);
    EXPECT_EQ(links[1].url, "zoommtg://zoom.us/join?confno=857");
    EXPECT_EQ(links[1].range.location, text.find("zoommtg"));
}

TEST(LinkDetector, RecognisesTheCallSchemesWithoutSlashes)
{
    EXPECT_EQ(urls("ts3server://voice.example.org?port=9987&nickname=Guest."),
        (Urls { "ts3server://voice.example.org?port=9987&nickname=Guest" }));
    EXPECT_EQ(
        urls("open msteams:/l/meetup-join/19%3ameeting_x%40thread.v2/0"), (Urls { "msteams:/l/meetup-join/19%3ameeting_x%40thread.v2/0" }));
    EXPECT_EQ(urls("write to mailto:jane@example.com?subject=Hi"), (Urls { "mailto:jane@example.com?subject=Hi" }));
    EXPECT_EQ(urls("call tel:+4930123456"), (Urls { "tel:+4930123456" }));
}

TEST(LinkDetector, WordsFollowedByAColonAreNoLinks)
{
    EXPECT_EQ(urls("Note: bring slides. Passcode:418263 Time:9:30 C:\\Users\\jane"), Urls {});
    EXPECT_EQ(urls("https:// is not a link, nor https://, nor https:"), Urls {});
    EXPECT_EQ(urls("Link:https://x.example.com/a"), (Urls { "https://x.example.com/a" }));
}

TEST(LinkDetector, StopsAtWhiteSpaceAngleBracketsAndClosingQuotes)
{
    EXPECT_EQ(urls("Click here to join the meeting<https://teams.microsoft.com/l/meetup-join/19%3a>"),
        (Urls { "https://teams.microsoft.com/l/meetup-join/19%3a" }));
    EXPECT_EQ(urls("\"https://x.example.com/a\" and 'https://x.example.com/b' and `https://x.example.com/c`"),
        (Urls { "https://x.example.com/a", "https://x.example.com/b", "https://x.example.com/c" }));
    EXPECT_EQ(urls("https://x.example.com/it's fine"), (Urls { "https://x.example.com/it's" }));
    EXPECT_EQ(
        urls("“https://x.example.com/a”, «https://x.example.com/b»"), (Urls { "https://x.example.com/a", "https://x.example.com/b" }));
    EXPECT_EQ(urls("https://x.example.com/a\thttps://x.example.com/b\u00a0next"),
        (Urls { "https://x.example.com/a", "https://x.example.com/b" }));
}

TEST(LinkDetector, LeavesTrailingSentencePunctuationOut)
{
    EXPECT_EQ(urls("Join: https://meet.google.com/abc-defg-hij."), (Urls { "https://meet.google.com/abc-defg-hij" }));
    EXPECT_EQ(urls("Is it https://x.example.com/a?!"), (Urls { "https://x.example.com/a" }));
    EXPECT_EQ(urls("https://x.example.com/a, https://x.example.com/b; https://x.example.com/c:"),
        (Urls { "https://x.example.com/a", "https://x.example.com/b", "https://x.example.com/c" }));
    EXPECT_EQ(urls("https://x.example.com/a?b=1&c=2."), (Urls { "https://x.example.com/a?b=1&c=2" }));
    EXPECT_EQ(urls("https://x.example.com/v1.2/index.html"), (Urls { "https://x.example.com/v1.2/index.html" }));
}

TEST(LinkDetector, BalancesParenthesesAndBrackets)
{
    EXPECT_EQ(urls("(see https://en.wikipedia.org/wiki/Zoom_(software))"), (Urls { "https://en.wikipedia.org/wiki/Zoom_(software)" }));
    EXPECT_EQ(urls("[notes](https://x.example.com/notes)."), (Urls { "https://x.example.com/notes" }));
    EXPECT_EQ(urls("(https://x.example.com/a)"), (Urls { "https://x.example.com/a" }));
    EXPECT_EQ(urls("https://[2001:db8::1]:8443/room]"), (Urls { "https://[2001:db8::1]:8443/room" }));
}

TEST(LinkDetector, ReportsBareHostNamesWithAKnownTopLevelDomainAsHttp)
{
    std::string text = "Dial in or use meet.google.com/abc-defg-hij, see www.example.org.";
    auto links = detector().matches(text);
    ASSERT_EQ(links.size(), 2u);
    EXPECT_EQ(links[0].url, "http://meet.google.com/abc-defg-hij");
    EXPECT_EQ(links[0].range.of(text), "meet.google.com/abc-defg-hij");
    EXPECT_EQ(links[1].url, "http://www.example.org");
    EXPECT_EQ(urls("zoom.us:8443/j/1 and example.com?x=1"), (Urls { "http://zoom.us:8443/j/1", "http://example.com?x=1" }));
}

TEST(LinkDetector, NamesWithoutAKnownTopLevelDomainAreNoLinks)
{
    EXPECT_EQ(urls("Read handbook.pdf and v2.0, e.g. index.html or config.json; room 4.12 at 8.30; zoom.usa/j/1"), Urls {});
    EXPECT_EQ(urls("-example.com example-.com exa_mple.com/x"), Urls {});
}

TEST(LinkDetector, EmailAddressesAreMailtoLinksAndNotHosts)
{
    std::string text = "Questions to jane.doe+calendar@acme.example.com, or 857123@zoomcrc.com.";
    EXPECT_EQ(urls(text), (Urls { "mailto:jane.doe+calendar@acme.example.com", "mailto:857123@zoomcrc.com" }));
    EXPECT_EQ(urls("nobody@localhost and @example.com"), Urls {});
}

TEST(LinkDetector, WithoutTheListOnlyWwwHostsAreRecognisedWithoutAScheme)
{
    LinkDetector withoutList({});
    EXPECT_EQ(urls("meet.google.com/abc www.example.org/x https://zoom.us/j/1 jane@example.com", withoutList),
        (Urls { "http://www.example.org/x", "https://zoom.us/j/1", "mailto:jane@example.com" }));
}

TEST(LinkDetector, HtmlHrefsAreDecodedAndReportedOnce)
{
    std::string text
        = R"(<p>Join: <a href="https://zoom.us/j/1?pwd=a&amp;uname=J&#x26;D" target="_blank">https://zoom.us/j/1?pwd=a&amp;uname=J&#x26;D</a></p>)";
    auto links = detector().matches(text);
    ASSERT_EQ(links.size(), 1u);
    EXPECT_EQ(links[0].url, "https://zoom.us/j/1?pwd=a&uname=J&D");
    EXPECT_EQ(links[0].range.of(text), "https://zoom.us/j/1?pwd=a&amp;uname=J&#x26;D");

    EXPECT_EQ(urls(R"(<A HREF='https://zoom.us/j/2'>zoom.us/j/2</A> <a href=https://zoom.us/j/3>Join</a>)"),
        (Urls { "https://zoom.us/j/2", "https://zoom.us/j/3" }));
    // The anchor's text names another link: both count.
    EXPECT_EQ(urls(R"(<a href="https://eur02.safelinks.protection.outlook.com/?url=x">https://teams.microsoft.com/l/meetup-join/1</a>)"),
        (Urls { "https://eur02.safelinks.protection.outlook.com/?url=x", "https://teams.microsoft.com/l/meetup-join/1" }));
}

TEST(LinkDetector, HtmlCommentsStylesScriptsAndOtherAttributesAreSkipped)
{
    std::string text
        = R"(<html><head><style>td { background: url(https://x.example.com/bg.png) }</style>)"
          R"(<script>var u = "https://x.example.com/track.js";</script></head><body>)"
          R"(<!-- <a href="https://zoom.us/j/1">old</a> --><img src="https://x.example.com/pixel.gif" alt="https://x.example.com/alt">)"
          R"html(<o:p></o:p><a href="javascript:void(0)">x</a><a href="/relative">y</a><br/>https://meet.google.com/abc-defg-hij</body></html>)html";
    EXPECT_EQ(urls(text), (Urls { "https://meet.google.com/abc-defg-hij" }));
}

TEST(LinkDetector, CharacterReferencesThatAreNoUrlCharactersEndALink)
{
    EXPECT_EQ(urls("https://x.example.com/a&nbsp;next &lt;https://x.example.com/b&gt; https://x.example.com/c&amp;d=1"),
        (Urls { "https://x.example.com/a", "https://x.example.com/b", "https://x.example.com/c&d=1" }));
    EXPECT_EQ(urls("https://x.example.com/?a=1&copy;"), (Urls { "https://x.example.com/?a=1&copy" }));
}

TEST(LinkDetector, LettersOfAnyScriptContinueALinkButSymbolsAndCjkPunctuationEndIt)
{
    EXPECT_EQ(urls("https://x.example.com/Jürgen_Müller"), (Urls { "https://x.example.com/Jürgen_Müller" }));
    EXPECT_EQ(urls("https://x.example.com/a💪 https://x.example.com/b，下一个 https://x.example.com/c。"),
        (Urls { "https://x.example.com/a", "https://x.example.com/b", "https://x.example.com/c" }));
    EXPECT_EQ(urls("会议链接：https://x.example.com/room"), (Urls { "https://x.example.com/room" }));
}

TEST(LinkDetector, InvalidUtf8EndsALinkAndIsNeverReadPastItsEnd)
{
    std::string text = "https://x.example.com/a\xff"
                       "b https://x.example.com/c\xe2\x82";
    EXPECT_EQ(urls(text), (Urls { "https://x.example.com/a", "https://x.example.com/c" }));
    // A view that ends inside a character: nothing beyond it is read (checked under ASan).
    std::string buffer = "https://x.example.com/\xc3\xbc";
    auto* truncated = new char[buffer.size() - 1];
    std::copy(buffer.begin(), buffer.end() - 1, truncated);
    EXPECT_EQ(urls(std::string_view(truncated, buffer.size() - 1)), (Urls { "https://x.example.com/" }));
    delete[] truncated;
}

TEST(LinkDetector, PathologicalInputStaysLinear)
{
    // Each would take quadratic time if a failed tag, comment or host were scanned again from
    // every position; at this size that would run for minutes.
    for (std::string unit : { "<a ", "<!--", "<style>", "a.", "(", "<a href=\"", "x@", "&amp", "tel:" }) {
        std::string text;
        while (text.size() < 400'000)
            text += unit;
        text += " https://zoom.us/j/1";
        auto found = urls(text);
        ASSERT_FALSE(found.empty()) << unit;
        EXPECT_EQ(found.back(), "https://zoom.us/j/1") << unit;
    }
}

TEST(LinkDetector, LoadsTheTopLevelDomainsOfAPublicSuffixList)
{
    auto domains = LinkDetector::loadTopLevelDomains(std::string(TVK_TEST_FIXTURES) + "/public_suffix_list_excerpt.dat");
    ASSERT_TRUE(domains);
    EXPECT_EQ(*domains, (LinkDetector::TopLevelDomains { "com", "ck", "uk", "中国", "zoom" }));
    EXPECT_FALSE(LinkDetector::loadTopLevelDomains("/nonexistent/public_suffix_list.dat"));

    LinkDetector fromList(std::move(*domains));
    EXPECT_TRUE(fromList.isTopLevelDomain("COM"));
    EXPECT_TRUE(fromList.isTopLevelDomain("xn--fiqs8s"));
    EXPECT_FALSE(fromList.isTopLevelDomain("org"));
    EXPECT_EQ(urls("例子.中国/路径 and example.org", fromList), (Urls { "http://例子.中国/路径" }));
}

TEST(LinkDetector, TheSharedDetectorKnowsTheSystemsTopLevelDomains)
{
    const auto& shared = LinkDetector::shared();
    EXPECT_EQ(&shared, &LinkDetector::shared());
    for (std::string_view domain : { "com", "us", "de", "aws", "app", "io", "me" })
        EXPECT_TRUE(shared.isTopLevelDomain(domain)) << domain;
    EXPECT_FALSE(shared.isTopLevelDomain("pdf"));
    EXPECT_FALSE(shared.isTopLevelDomain("json"));
}

TEST(LinkDetector, AnHrefThatIsNoUtf8IsNoLink)
{
    EXPECT_EQ(urls("<a href=\"https://zoom.us/j/1\xe3\">x</a> <a href=\"https://zoom.us/j/2\">y</a>"), (Urls { "https://zoom.us/j/2" }));
}

TEST(LinkDetector, TextGluedBeforeAKnownSchemeIsNoPartOfTheLink)
{
    EXPECT_EQ(urls("Click here to join the meetingMeetinghttps://teams.microsoft.com/l/meetup-join/1 Meeting ID"),
        (Urls { "https://teams.microsoft.com/l/meetup-join/1" }));
    EXPECT_EQ(urls("Meeting-https://zoom.us/j/1 and JOINzoommtg://zoom.us/join?confno=2"),
        (Urls { "https://zoom.us/j/1", "zoommtg://zoom.us/join?confno=2" }));
    EXPECT_EQ(urls("Встречаhttps://zoom.us/j/3 Notes --https://zoom.us/j/4--"), (Urls { "https://zoom.us/j/3", "https://zoom.us/j/4" }));
    EXPECT_EQ(
        urls("Teamsの会議https://teams.microsoft.com/l/meetup-join/5に参加"), (Urls { "https://teams.microsoft.com/l/meetup-join/5" }));
    // Schemes of their own keep their letters.
    EXPECT_EQ(urls("webcal://example.com/cal.ics ms-settings:x"), (Urls { "webcal://example.com/cal.ics" }));
}

TEST(LinkDetector, ALinkInAsciiEndsWhereAScriptWithoutSpacesBegins)
{
    EXPECT_EQ(urls("会议链接：https://us02web.zoom.us/j/857?pwd=abc请准时参加"), (Urls { "https://us02web.zoom.us/j/857?pwd=abc" }));
    EXPECT_EQ(urls("링크https://zoom.us/j/1에서 참여 ลิงก์https://zoom.us/j/2ครับ"), (Urls { "https://zoom.us/j/1", "https://zoom.us/j/2" }));
    EXPECT_EQ(urls("会議zoom.us/j/123です、連絡先jane@example.com까지 https://zoom.us会议"),
        (Urls { "http://zoom.us/j/123", "mailto:jane@example.com", "https://zoom.us" }));
    EXPECT_EQ(urls("https://zoom.us/j/1ＡＢＣ and https://zoom.us/j/2ｶﾅ"), (Urls { "https://zoom.us/j/1", "https://zoom.us/j/2" }));
}

TEST(LinkDetector, LinksWrittenInThoseScriptsStillWork)
{
    EXPECT_EQ(urls("http://foobar.みんな/ and http://例え.テスト/パス"), (Urls { "http://foobar.みんな/", "http://例え.テスト/パス" }));
    EXPECT_EQ(urls("https://ja.wikipedia.org/wiki/東京_(曖昧さ回避) next"), (Urls { "https://ja.wikipedia.org/wiki/東京_(曖昧さ回避)" }));
    EXPECT_EQ(urls("https://ru.wikipedia.org/wiki/Встреча."), (Urls { "https://ru.wikipedia.org/wiki/Встреча" }));
}

TEST(LinkDetector, EmphasisMarksAtTheEndAreLeftOutBeforeWhiteSpaceOrATag)
{
    EXPECT_EQ(urls("**https://zoom.us/j/857**"), (Urls { "https://zoom.us/j/857" }));
    EXPECT_EQ(urls("_https://meet.google.com/abc-defg-hij_ or **https://zoom.us/j/1**.\nnext"),
        (Urls { "https://meet.google.com/abc-defg-hij", "https://zoom.us/j/1" }));
    EXPECT_EQ(urls("<b>**https://zoom.us/j/2**</b> https://x.example.com/a--&nbsp;next"),
        (Urls { "https://zoom.us/j/2", "https://x.example.com/a" }));
    // Inside a link, and before a quote, they belong to it.
    EXPECT_EQ(urls("https://x.example.com/a_b-c*d \"https://x.example.com/e_\""),
        (Urls { "https://x.example.com/a_b-c*d", "https://x.example.com/e_" }));
}

TEST(LinkDetector, AnAnchorWhoseTextNamesWhereItsHrefRedirectsIsOneLink)
{
    std::string text
        = R"(<a href="https://r.example.com/?to=zoom">zoom.us/j/1</a> <a href="https://r.example.com/?to=x">https://zoom.us/j/2</a>)";
    auto redirect = [](std::string_view href) -> std::optional<std::string> {
        if (href == "https://r.example.com/?to=zoom")
            return "https://zoom.us/j/1";
        return std::nullopt;
    };
    std::vector<std::string> found;
    for (auto& link : detector().matches(text, redirect))
        found.push_back(link.url);
    EXPECT_EQ(found, (Urls { "https://r.example.com/?to=zoom", "https://r.example.com/?to=x", "https://zoom.us/j/2" }));
    EXPECT_EQ(urls(text).size(), 4u);
}

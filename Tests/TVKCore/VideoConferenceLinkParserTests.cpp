#include "TVKCore/VideoConference/VideoConferenceLinkParser.hpp"

#include "Platform/Runtime/StandardPaths.hpp"
#include "TVKUtils/Checksum.hpp"
#include "Tests/Support/Urls.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

using namespace tvk;
using tvk::test::url;

namespace {

VideoConferenceLinkParser& builtInParser()
{
    static VideoConferenceLinkParser parser(VideoConferenceService::all);
    return parser;
}

std::vector<std::pair<std::string, std::string>> found(std::string_view text, const VideoConferenceLinkParser& parser = builtInParser())
{
    std::vector<std::pair<std::string, std::string>> links;
    for (auto& link : parser.parse(text))
        links.emplace_back(link.service.id, link.url.absoluteString());
    return links;
}

using Found = std::vector<std::pair<std::string, std::string>>;

std::string sample(const std::string& name)
{
    auto resources = StandardPaths::resourceDirectory();
    EXPECT_TRUE(resources);
    std::ifstream file(resources.value_or("/nonexistent") / "Samples" / name, std::ios::binary);
    std::ostringstream contents;
    contents << file.rdbuf();
    EXPECT_FALSE(contents.str().empty()) << name;
    return contents.str();
}

}

TEST(VideoConferenceLinkParser, AnEmptyTextHasNoLinksAndIsCachedUnderKeyZero)
{
    VideoConferenceLinkParser parser(VideoConferenceService::all);
    EXPECT_FALSE(parser.cachedLinks(0));
    EXPECT_TRUE(parser.parse("").empty());
    auto cached = parser.cachedLinks(0);
    ASSERT_TRUE(cached);
    EXPECT_TRUE(cached->empty());
}

TEST(VideoConferenceLinkParser, LinksComeInOrderOfFirstAppearanceOncePerUrl)
{
    EXPECT_EQ(found("Zoom https://zoom.us/j/1 or Meet https://meet.google.com/abc-defg-hij, again https://zoom.us/j/1. "
                    "Docs https://docs.example.com/agenda"),
        (Found { { "zoom", "https://zoom.us/j/1" }, { "googleMeet", "https://meet.google.com/abc-defg-hij" } }));
}

TEST(VideoConferenceLinkParser, AGoogleRedirectToAMeetingYieldsTheMeetingItself)
{
    EXPECT_EQ(
        found("<a href=\"https://www.google.com/url?q=https://meet.google.com/abc-defg-hij&amp;sa=D&amp;source=calendar&amp;usg=AOv\">"
              "https://meet.google.com/abc-defg-hij</a>"),
        (Found { { "googleMeet", "https://meet.google.com/abc-defg-hij" } }));
    // The "q" item decoded by the component parser and then once more.
    EXPECT_EQ(found("https://www.google.de/url?q=https%253A%252F%252Fus02web.zoom.us%252Fj%252F857%253Fpwd%253Dabc&sa=D"),
        (Found { { "zoom", "https://us02web.zoom.us/j/857?pwd=abc" } }));
    // Not a redirect of Google's web search, or no URL inside: the link stays as it is.
    EXPECT_EQ(VideoConferenceLinkParser::unwrappingGoogleRedirect(url("https://www.example.com/url?q=https://meet.google.com/abc")),
        url("https://www.example.com/url?q=https://meet.google.com/abc"));
    EXPECT_EQ(VideoConferenceLinkParser::unwrappingGoogleRedirect(url("https://www.google.com/url?q=a%2520b")),
        url("https://www.google.com/url?q=a%2520b"));
    EXPECT_EQ(
        VideoConferenceLinkParser::unwrappingGoogleRedirect(url("https://www.google.com/url?q")), url("https://www.google.com/url?q"));
    EXPECT_EQ(
        VideoConferenceLinkParser::unwrappingGoogleRedirect(url("https://www.google.co.uk/url?q=https://meet.google.com/abc-defg-hij")),
        url("https://meet.google.com/abc-defg-hij"));
}

TEST(VideoConferenceLinkParser, ASafeLinkKeepsItsWrapperAndTheNativeUrlUnwrapsIt)
{
    std::string wrapper = "https://nam12.safelinks.protection.outlook.com/?url=https%3A%2F%2Fteams.microsoft.com%2Fl%2Fmeetup-join%2F19%253"
                          "ameeting_MjM4%2540thread.v2%2F0%3Fcontext%3D%257b%2522Tid%2522%253a%25224a25%2522%257d&data=05%7C02&reserved=0";
    auto links = builtInParser().parse("Click here to join the meeting<" + wrapper + ">");
    ASSERT_EQ(links.size(), 1u);
    EXPECT_EQ(links[0].service, VideoConferenceService::microsoftTeams);
    EXPECT_EQ(links[0].url.absoluteString(), wrapper);
    auto native = builtInParser().nativeUrl(links[0]);
    ASSERT_TRUE(native);
    EXPECT_EQ(native->absoluteString(), "msteams:/l/meetup-join/19%3ameeting_MjM4%40thread.v2/0?context=%7b%22Tid%22%3a%224a25%22%7d");
}

TEST(VideoConferenceLinkParser, TeamsNativeUrlsReplaceTheWebPrefix)
{
    auto& parser = builtInParser();
    auto native = [&](std::string_view text) {
        auto result = parser.nativeUrl({ VideoConferenceService::microsoftTeams, url(text) });
        return result ? result->absoluteString() : std::string("none");
    };
    EXPECT_EQ(native("https://teams.microsoft.com/l/meetup-join/19%3ameeting_x%40thread.v2/0"),
        "msteams:/l/meetup-join/19%3ameeting_x%40thread.v2/0");
    EXPECT_EQ(native("HTTPS://TEAMS.MICROSOFT.COM/L/MEETUP-JOIN/19%3A"), "msteams:/L/MEETUP-JOIN/19%3A");
    // Under "http" the prefix is not there, so the link keeps its scheme.
    EXPECT_EQ(native("http://teams.microsoft.com/l/meetup-join/1"), "http://teams.microsoft.com/l/meetup-join/1");
}

TEST(VideoConferenceLinkParser, ZoomNativeUrlsCarryTheMeetingNumberAndPasscode)
{
    auto& parser = builtInParser();
    auto native = [&](std::string_view text) {
        auto result = parser.nativeUrl({ VideoConferenceService::zoom, url(text) });
        return result ? result->absoluteString() : std::string("none");
    };
    EXPECT_EQ(native("https://us02web.zoom.us/j/123456789?pwd=abc"), "zoommtg://us02web.zoom.us/join?confno=123456789&pwd=abc");
    EXPECT_EQ(native("https://us02web.zoom.us/j/123456789"), "zoommtg://us02web.zoom.us/join?confno=123456789");
    EXPECT_EQ(native("https://zoom.us/j/123456789?uname=x&pwd"), "zoommtg://zoom.us/join?confno=123456789");
    EXPECT_EQ(native("https://zoom.us/j/123456789?pwd=a%2Eb"), "zoommtg://zoom.us/join?confno=123456789&pwd=a.b");
    // The decoded passcode is encoded again as a query value: "&", "#", "+" and "=" stay in it.
    EXPECT_EQ(
        native("https://zoom.us/j/123456789?pwd=a%26b%23c%2Bd%3D&uname=x"), "zoommtg://zoom.us/join?confno=123456789&pwd=a%26b%23c%2Bd%3D");
    auto encoded = parser.nativeUrl({ VideoConferenceService::zoom, url("https://zoom.us/j/1?pwd=a%26b%23c%2Bd%3D") });
    ASSERT_TRUE(encoded);
    EXPECT_EQ(UrlComponents(*encoded).firstQueryItem("pwd")->value, "a&b#c+d=");
    EXPECT_EQ(native("https://acme.zoom.us/my/jane.doe/"), "zoommtg://acme.zoom.us/join?confno=jane.doe");
    EXPECT_EQ(native("https://nam12.safelinks.protection.outlook.com/?url=https%3A%2F%2Fzoom.us%2Fj%2F42%3Fpwd%3Dxy&data=05"),
        "zoommtg://zoom.us/join?confno=42&pwd=xy");
}

TEST(VideoConferenceLinkParser, OnlyTheBuiltInZoomAndTeamsServicesHaveNativeUrls)
{
    auto& parser = builtInParser();
    auto links = parser.parse("zoommtg://zoom.us/join?confno=123456789&pwd=abc ts3server://voice.example.org");
    ASSERT_EQ(links.size(), 2u);
    EXPECT_EQ(links[0].service, VideoConferenceService::zoomNative);
    EXPECT_FALSE(parser.nativeUrl(links[0]));
    EXPECT_EQ(links[1].service, VideoConferenceService::teamSpeakNative);
    EXPECT_FALSE(parser.nativeUrl(links[1]));

    auto otherZoom = VideoConferenceService::zoom;
    otherZoom.name = "Zoom (company)";
    EXPECT_FALSE(parser.nativeUrl({ otherZoom, url("https://zoom.us/j/1") }));
    EXPECT_FALSE(parser.nativeUrl({ VideoConferenceService::googleMeet, url("https://meet.google.com/abc-defg-hij") }));
}

TEST(VideoConferenceLinkParser, LinksKeepTheLettersAsWritten)
{
    EXPECT_EQ(found("JOIN: HTTPS://US02WEB.ZOOM.US/J/857?PWD=AbC"), (Found { { "zoom", "HTTPS://US02WEB.ZOOM.US/J/857?PWD=AbC" } }));
}

TEST(VideoConferenceLinkParser, TheFirstMatchingServiceInTheListWins)
{
    VideoConferenceService catchAll { .id = "catchAll", .regex = "https://", .name = "Anything" };
    VideoConferenceLinkParser catchAllFirst({ catchAll, VideoConferenceService::zoom });
    VideoConferenceLinkParser catchAllLast({ VideoConferenceService::zoom, catchAll });
    EXPECT_EQ(found("https://zoom.us/j/1", catchAllFirst), (Found { { "catchAll", "https://zoom.us/j/1" } }));
    EXPECT_EQ(found("https://zoom.us/j/1", catchAllLast), (Found { { "zoom", "https://zoom.us/j/1" } }));
    EXPECT_EQ(
        found("https://acme.webex.com/meet/jane/j.php?MTID=m1"), (Found { { "webex", "https://acme.webex.com/meet/jane/j.php?MTID=m1" } }));
}

TEST(VideoConferenceLinkParser, ATextThatSharesAnotherTextsChecksumStillGetsItsOwnLinks)
{
    VideoConferenceLinkParser parser(VideoConferenceService::all);
    std::string first = "Join https://zoom.us/j/85712345678";
    // Four bytes chosen to give this text the first one's CRC-32.
    std::string second = std::string("Join https://meet.google.com/abc-defg-hij ") + "\x1a\x8d\x7d\x57";
    ASSERT_EQ(crc32(first), crc32(second));
    EXPECT_EQ(found(first, parser), (Found { { "zoom", "https://zoom.us/j/85712345678" } }));
    EXPECT_EQ(found(second, parser), (Found { { "googleMeet", "https://meet.google.com/abc-defg-hij" } }));
    // The entry under the shared key now belongs to the second text; the first is parsed again.
    EXPECT_EQ(parser.cachedLinks(crc32(first))->front().service.id, "googleMeet");
    EXPECT_EQ(found(first, parser), (Found { { "zoom", "https://zoom.us/j/85712345678" } }));
}

TEST(VideoConferenceLinkParser, FindsEveryServiceInPlainHtmlAndOutlookInvitations)
{
    std::vector<std::string> expected { "googleHangouts", "googleMeet", "zoom", "zoomNative", "webex", "webexWebinar", "microsoftTeams",
        "goTo", "goToWbinar", "bluejeans", "joinMe", "whereby", "ringCentral", "amazonChime", "faceTime", "jitsi", "youcanbookme", "entre",
        "riverside", "slackHuddle", "facebookWorkspace", "skype", "around", "teamSpeak", "doxyMe" };
    for (std::string name : { "all-services.txt", "all-services.html", "all-services-outlook.txt" }) {
        std::vector<std::string> ids;
        for (auto& link : builtInParser().parse(sample(name)))
            ids.push_back(link.service.id);
        EXPECT_EQ(ids, expected) << name;
    }
    EXPECT_TRUE(builtInParser().parse(sample("no-meeting-links.txt")).empty());
}

TEST(VideoConferenceLinkParser, BadInputGivesAnEmptyOrPartialListAndNoCrash)
{
    auto& parser = builtInParser();
    std::mt19937 random(7);
    std::string garbage(256 * 1024, '\0');
    for (auto& byte : garbage)
        byte = static_cast<char>(random());
    EXPECT_NO_FATAL_FAILURE(parser.parse(garbage));
    EXPECT_EQ(found(std::string("https://zoom.us/j/1\xff\xfe https://meet.google.com/abc\xc3")),
        (Found { { "zoom", "https://zoom.us/j/1" }, { "googleMeet", "https://meet.google.com/abc" } }));
    EXPECT_EQ(found("https://zoom.us/j/%%%<>{}|\\^` https://zoom.us/j/2#a#b"),
        (Found { { "zoom", "https://zoom.us/j/%25%25%25" }, { "zoom", "https://zoom.us/j/2#a%23b" } }));

    // Megabytes of links: only the first `maximumUrlsPerText` distinct ones are looked at.
    std::string many;
    for (int i = 0; many.size() < 2'000'000; ++i)
        many += "https://zoom.us/j/" + std::to_string(i) + "\n";
    auto links = parser.parse(many);
    EXPECT_EQ(links.size(), VideoConferenceLinkParser::maximumUrlsPerText);
    EXPECT_EQ(links.front().url.absoluteString(), "https://zoom.us/j/0");
}

TEST(VideoConferenceLinkParser, ParsesFromManyThreadsAtOnce)
{
    VideoConferenceLinkParser parser(VideoConferenceService::all);
    std::vector<std::string> texts { sample("teams-outlook.html"), sample("zoom-plain.txt"), sample("google-calendar.html"),
        sample("all-services.txt"), sample("all-services-outlook.txt") };
    std::vector<std::vector<VideoConferenceLink>> expected;
    {
        VideoConferenceLinkParser reference(VideoConferenceService::all);
        for (auto& text : texts)
            expected.push_back(reference.parse(text));
    }
    std::atomic<int> mismatches { 0 };
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 20; ++round) {
                auto index = static_cast<size_t>(t + round) % texts.size();
                if (parser.parse(texts[index]) != expected[index])
                    ++mismatches;
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(mismatches.load(), 0);
}

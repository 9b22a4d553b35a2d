#include "TVKCore/VideoConference/VideoConferenceService.hpp"

#include "Platform/Runtime/UUID.hpp"
#include "QMLogger/QMLogger.hpp"
#include "Tests/Support/Urls.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <unordered_set>

using namespace tvk;
using tvk::test::url;

namespace {

/// The first built-in service that matches, as link detection tags a URL.
std::string firstMatch(std::string_view text)
{
    for (const auto& service : VideoConferenceService::all) {
        if (service.matches(url(text)))
            return service.id;
    }
    return "none";
}

struct ServiceExample {
    std::string_view id;
    std::string_view realLink;
    std::string_view nearMiss;
};

// One link in each service's real shape, and one that looks alike but is no meeting of it.
const ServiceExample examples[] = {
    { "googleHangouts", "https://hangouts.google.com/hangouts/_/example.com/weekly-sync", "https://chat.google.com/room/AAAAx1" },
    { "googleMeet", "https://meet.google.com/abc-defg-hij?authuser=1", "https://meet.google.com/" },
    { "googleMeet", "https://meet.google.com/_meet/abc-defg-hij?ijlm=1", "https://meet.googl.com/abc-defg-hij" },
    { "zoom", "https://us02web.zoom.us/j/85712345678?pwd=bXlQYVJ3dU5vS0tGdz09.1", "https://zoom.us/pricing" },
    { "zoom", "https://acme.zoomgov.com/j/1601234567?pwd=abc", "https://evilzoom.us/j/85712345678" },
    { "zoom", "https://zoom.com.cn/j/6512345678", "https://us02web.zoom.us/u/kdXyZabc12" },
    { "zoom", "https://acme.zoom.us/my/jane.doe", "https://zoom.us.example.com/j/1" },
    { "zoom", "https://us06web.zoom.us/w/81234567890?tk=abc", "https://zoom.us/s/85712345678" },
    { "zoomNative", "zoommtg://zoom.us/join?action=join&confno=85712345678&pwd=abc", "zoommtg://zoom.us/start?confno=1" },
    { "webex", "https://acme.webex.com/meet/jane.doe", "https://www.webex.com/pricing/index.html" },
    { "webex", "https://acme.my.webex.com/join/jdoe", "https://help.webex.com/en-us/article/nul0wut" },
    { "webex", "https://acme.webex.com/wbxmjs/joinservice/sites/acme/meeting/download/cdedf9ae847b4f9993f87e62a8889dad?siteurl=acme",
        "https://acme.webex.com.example.net/meet/x" },
    { "webexWebinar", "https://acme.webex.com/acme/j.php?MTID=m3f1c2a9e8b7d6c5f4e3d2c1b0a9f8e7d", "https://acme.webex.com/acme/j.php" },
    { "microsoftTeams",
        "https://teams.microsoft.com/l/meetup-join/19%3ameeting_OTU4ZDM5MzQtNzA3Mi00MWE1LTk5ZDktMWExYzk2YzBhOGU0%40thread.v2/"
        "0?context=%7b%22Tid%22%3a%224a252f20-29f8-46e0-bd2b-e5f8de46cefd%22%7d",
        "https://teams.microsoft.com/l/channel/19%3aabc%40thread.tacv2/General" },
    { "microsoftTeams", "https://teams.microsoft.com/meet/3741180265592?p=Xy7qBnWf2kLmTzQa9C",
        "https://teams.microsoft.com/meetingOptions/?organizerId=7bd0eab6" },
    { "microsoftTeams", "https://teams.live.com/meet/9876543210123?p=AbCdEf", "https://teams.live.com/" },
    { "microsoftTeams", "https://gov.teams.microsoft.us/l/meetup-join/19%3ameeting_x%40thread.v2/0",
        "https://teams.microsoft.us/l/meetup-join/1" },
    { "goTo", "https://meet.goto.com/123456789", "https://www.goto.com/meeting" },
    { "goTo", "https://global.gotomeeting.com/join/123456789", "https://gotomeeting.co/join/1" },
    { "goToWbinar", "https://attendee.gotowebinar.com/register/4837761527153437020", "https://gotowebinar.co/register/1" },
    { "bluejeans", "https://bluejeans.com/123456789/0123", "https://bluejean.com/123456789" },
    { "joinMe", "https://join.me/123-456-789", "https://join.mechanic.example/x" },
    { "whereby", "https://whereby.com/acme-standup", "https://whereby.co/acme-standup" },
    { "ringCentral", "https://meetings.ringcentral.com/j/1482937465", "https://ringcentral.co/j/1" },
    { "amazonChime", "https://chime.aws/4821937465", "https://chime.com/4821937465" },
    { "faceTime", "https://facetime.apple.com/join#v=1&p=AeGbdlWzEe6Kx0JbYwN1aA&k=Qm9v",
        "http://facetime.apple.com/join#v=1&p=AeGbdlWzEe6" },
    { "jitsi", "https://meet.jit.si/AcmeWeeklyPlanning", "https://jitsi.org/meet" },
    { "youcanbookme", "https://acme.youcanbook.me/zoom/", "https://acme.youcanbook.me/webex/" },
    { "entre", "https://joinentre.com/room/founders-hangout", "https://joinentre.com/events/abc" },
    { "riverside", "https://riverside.fm/studio/acme-podcast", "https://riverside.fm/pricing" },
    { "slackHuddle", "https://app.slack.com/huddle/T01ABCDEF23/C04GHIJKL56", "https://app.slack.com/client/T01ABCDEF23/C04GHIJKL56" },
    { "facebookWorkspace", "https://acme.workplace.com/meetings/1234567890", "https://www.workplace.com/" },
    { "skype", "https://join.skype.com/AbCdEfGh1234", "https://www.skype.com/en/" },
    { "around", "https://around.co/r/acme-design", "https://around.co/pricing" },
    { "teamSpeak", "ts3server://voice.example.org?port=9987&nickname=Guest", "ts3server:voice.example.org" },
    { "doxyMe", "https://doxy.me/drjanedoe", "http://doxy.me/drjanedoe" },
};

}

TEST(VideoConferenceService, TheBuiltInCatalogueListsTheServicesInMatchingOrder)
{
    std::vector<std::string> ids;
    for (const auto& service : VideoConferenceService::all)
        ids.push_back(service.id);
    EXPECT_EQ(ids,
        (std::vector<std::string> { "googleHangouts", "googleMeet", "zoom", "zoomNative", "webex", "webexWebinar", "microsoftTeams", "goTo",
            "goToWbinar", "bluejeans", "joinMe", "whereby", "ringCentral", "amazonChime", "faceTime", "jitsi", "youcanbookme", "entre",
            "riverside", "slackHuddle", "facebookWorkspace", "skype", "around", "teamSpeak", "doxyMe" }));
    EXPECT_EQ(VideoConferenceService::all[2], VideoConferenceService::zoom);
    EXPECT_EQ(VideoConferenceService::metaWorkplace.name, "Meta Workplace ");
    EXPECT_EQ(VideoConferenceService::goToWebinar.id, "goToWbinar");
    EXPECT_EQ(VideoConferenceService::googleServices,
        (std::vector<VideoConferenceService> { VideoConferenceService::googleHangouts, VideoConferenceService::googleMeet }));
    std::vector<std::string> native;
    for (const auto& service : VideoConferenceService::all) {
        if (service.supportsNativeApp)
            native.push_back(service.id);
    }
    EXPECT_EQ(native, (std::vector<std::string> { "zoom", "zoomNative", "microsoftTeams", "teamSpeak" }));
}

TEST(VideoConferenceService, EachServiceTakesItsRealLinksAndNotTheirLookAlikes)
{
    for (const auto& example : examples) {
        EXPECT_EQ(firstMatch(example.realLink), example.id) << example.realLink;
        const auto& service = *std::find_if(VideoConferenceService::all.begin(), VideoConferenceService::all.end(),
            [&](const VideoConferenceService& candidate) { return candidate.id == example.id; });
        EXPECT_FALSE(service.matches(url(example.nearMiss))) << example.id << " took " << example.nearMiss;
    }
}

TEST(VideoConferenceService, LinksWrittenInCapitalsMatch)
{
    EXPECT_EQ(firstMatch("HTTPS://US02WEB.ZOOM.US/J/85712345678?PWD=ABC"), "zoom");
    EXPECT_EQ(firstMatch("https://Meet.Google.com/ABC-DEFG-HIJ"), "googleMeet");
    EXPECT_EQ(firstMatch("TS3SERVER://VOICE.EXAMPLE.ORG"), "teamSpeak");
}

TEST(VideoConferenceService, TheEarlierServiceOfTheCatalogueWinsATie)
{
    // Both Webex patterns match a personal room link that ends in a j.php query.
    auto both = url("https://acme.webex.com/meet/jane/j.php?MTID=m1");
    EXPECT_TRUE(VideoConferenceService::webexWebinar.matches(both));
    EXPECT_EQ(firstMatch(both.absoluteString()), "webex");
}

TEST(VideoConferenceService, AnyAddressWithATs3serverSchemeIsTeamSpeak)
{
    for (std::string_view text : { "ts3server://voice.example.org", "ts3server:/x", "ts3server://", "ts3server://[2001:db8::1]?port=9987" })
        EXPECT_EQ(firstMatch(text), "teamSpeak") << text;
}

TEST(VideoConferenceService, ASafeLinkMatchesTheServiceOfTheLinkItWraps)
{
    auto wrapped = url("https://nam12.safelinks.protection.outlook.com/?url=https%3A%2F%2Fus02web.zoom.us%2Fj%2F857%3Fpwd%3Dabc"
                       "&data=05%7C02%7C&sdata=x&reserved=0");
    EXPECT_EQ(firstMatch(wrapped.absoluteString()), "zoom");
    EXPECT_EQ(firstMatch("https://nam12.safelinks.protection.outlook.com/?data=05"), "none");
}

TEST(VideoConferenceService, AServiceMadeWithoutAnIdGetsAFreshUuid)
{
    VideoConferenceService first { .regex = "x", .name = "X" };
    VideoConferenceService second { .regex = "x", .name = "X" };
    EXPECT_TRUE(UUID::fromString(first.id));
    EXPECT_NE(first.id, second.id);
    EXPECT_NE(first, second);
}

TEST(VideoConferenceService, APatternThatDoesNotCompileMatchesNothingAndIsLoggedOnce)
{
    QMLogger::start(QMLogger::Force::yes);
    VideoConferenceService broken { .id = "broken", .regex = "https://(unclosed[", .name = "Broken" };
    EXPECT_FALSE(broken.matches(url("https://example.com/(unclosed[")));
    EXPECT_FALSE(broken.matches(url("https://anything.example/")));
    auto lines = QMLogger::logMessages();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("🔴 ERROR [ConferenceLinks]: The pattern of conference service \"broken\" does not compile"), std::string::npos)
        << lines[0];
}

TEST(VideoConferenceService, AHostilePatternIsStoppedByTheTimeLimit)
{
    VideoConferenceService hostile { .id = "hostile", .regex = "(a+)+$", .name = "Hostile" };
    EXPECT_FALSE(hostile.matches(url("https://x.example/" + std::string(40, 'a') + "!")));
}

TEST(VideoConferenceService, EqualityAndHashingUseAllFourFields)
{
    auto zoom = VideoConferenceService::zoom;
    auto renamed = zoom;
    renamed.name = "Zoom Meetings";
    auto repatterned = zoom;
    repatterned.regex = "zoom";
    auto withoutNative = zoom;
    withoutNative.supportsNativeApp = false;
    EXPECT_NE(zoom, renamed);
    EXPECT_NE(zoom, repatterned);
    EXPECT_NE(zoom, withoutNative);
    std::unordered_set<VideoConferenceService> set { zoom, renamed, repatterned, withoutNative, VideoConferenceService::zoom };
    EXPECT_EQ(set.size(), 4u);
}

TEST(VideoConferenceService, JsonRecordsNeedAllFourKeysWithTheirTypes)
{
    auto json = VideoConferenceService::zoom.toJson();
    EXPECT_EQ(json.size(), 4u);
    EXPECT_EQ(json["id"], "zoom");
    EXPECT_EQ(json["regex"], VideoConferenceService::zoom.regex);
    EXPECT_EQ(json["name"], "Zoom");
    EXPECT_EQ(json["supportsNativeApp"], true);
    EXPECT_EQ(VideoConferenceService::fromJson(json), VideoConferenceService::zoom);
    for (std::string_view key : { "id", "regex", "name", "supportsNativeApp" }) {
        auto missing = json;
        missing.erase(std::string(key));
        auto decoded = VideoConferenceService::fromJson(missing);
        ASSERT_FALSE(decoded) << key;
        EXPECT_NE(decoded.error().find(key), std::string::npos) << decoded.error();
    }
    auto wrongType = json;
    wrongType["supportsNativeApp"] = 1;
    EXPECT_FALSE(VideoConferenceService::fromJson(wrongType));
    EXPECT_FALSE(VideoConferenceService::fromJson(nlohmann::json::array()));
}

TEST(VideoConferenceService, PropertyListDictionariesNeedAllFourKeysWithTheirTypes)
{
    PropertyList::Dictionary dictionary { { "id", "acme" }, { "regex", "https://meet\\.acme\\.example/" }, { "name", "ACME" },
        { "supportsNativeApp", true } };
    auto decoded = VideoConferenceService::fromPropertyList(PropertyList(dictionary));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded,
        (VideoConferenceService { .id = "acme", .regex = "https://meet\\.acme\\.example/", .name = "ACME", .supportsNativeApp = true }));
    auto integerFlag = dictionary;
    integerFlag["supportsNativeApp"] = PropertyList(1);
    EXPECT_FALSE(VideoConferenceService::fromPropertyList(PropertyList(integerFlag)));
    auto missingName = dictionary;
    missingName.erase("name");
    EXPECT_FALSE(VideoConferenceService::fromPropertyList(PropertyList(missingName)));
    EXPECT_FALSE(VideoConferenceService::fromPropertyList(PropertyList("zoom")));
}

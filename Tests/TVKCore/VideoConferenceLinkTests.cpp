#include "TVKCore/VideoConference/OutlookSafeLinks.hpp"
#include "TVKCore/VideoConference/VideoConferenceLink.hpp"

#include "Tests/Support/Urls.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <unordered_set>

using namespace tvk;
using tvk::test::url;

namespace {

VideoConferenceLink meetLink(std::string_view text)
{
    return { VideoConferenceService::googleMeet, url(text) };
}

}

TEST(VideoConferenceLink, IsGoogleComparesTheWholeService)
{
    EXPECT_TRUE(meetLink("https://meet.google.com/abc-defg-hij").isGoogle());
    EXPECT_TRUE((VideoConferenceLink { VideoConferenceService::googleHangouts, url("https://hangouts.google.com/x") }.isGoogle()));
    EXPECT_FALSE((VideoConferenceLink { VideoConferenceService::zoom, url("https://zoom.us/j/1") }.isGoogle()));
    auto lookAlike = VideoConferenceService::googleMeet;
    lookAlike.regex = "https://meet\\.google\\.com/.*";
    EXPECT_FALSE((VideoConferenceLink { lookAlike, url("https://meet.google.com/abc-defg-hij") }.isGoogle()));
}

TEST(VideoConferenceLink, GoogleUrlsGoThroughTheAccountChooserWithEachValueEncoded)
{
    auto link = meetLink("https://meet.google.com/abc-defg-hij?authuser=0&hs=122");
    EXPECT_EQ(link.makeGoogleUrl(std::nullopt), link.url);
    auto chooser = link.makeGoogleUrl("jane+work@gmail.com");
    EXPECT_EQ(chooser.absoluteString(),
        "https://accounts.google.com/AccountChooser?Email=jane%2Bwork@gmail.com"
        "&continue=https://meet.google.com/abc-defg-hij?authuser%3D0%26hs%3D122");
    // What the accounts service reads back is exactly what went in.
    UrlComponents components(chooser);
    EXPECT_EQ(components.firstQueryItem("Email")->value, "jane+work@gmail.com");
    EXPECT_EQ(components.firstQueryItem("continue")->value, "https://meet.google.com/abc-defg-hij?authuser=0&hs=122");
    EXPECT_EQ(components.queryItems()->size(), 2u);
}

TEST(VideoConferenceLink, AContinueItemThatHoldsAUrlIsTheMeetingToOpen)
{
    auto link = meetLink("https://accounts.google.com/ServiceLogin?continue=https%3A%2F%2Fmeet.google.com%2Fabc-defg-hij&hl=en");
    EXPECT_EQ(link.makeGoogleUrl(std::nullopt).absoluteString(), "https://meet.google.com/abc-defg-hij");
    EXPECT_EQ(link.makeGoogleUrl("jane@example.com").absoluteString(),
        "https://accounts.google.com/AccountChooser?Email=jane@example.com&continue=https://meet.google.com/abc-defg-hij");
    auto notAUrl = meetLink("https://meet.google.com/abc-defg-hij?continue=a%20b");
    EXPECT_EQ(notAUrl.makeGoogleUrl(std::nullopt), notAUrl.url);
}

TEST(VideoConferenceLink, AnAccountThatMakesNoUrlFallsBackToTheLinkItself)
{
    auto link = meetLink("https://accounts.google.com/ServiceLogin?continue=https%3A%2F%2Fmeet.google.com%2Fabc-defg-hij");
    EXPECT_EQ(link.makeGoogleUrl(std::string("jane\xff@example.com")), link.url);
    EXPECT_EQ(link.makeGoogleUrl("jane doe@example.com").absoluteString(),
        "https://accounts.google.com/AccountChooser?Email=jane%20doe@example.com&continue=https://meet.google.com/abc-defg-hij");
}

TEST(VideoConferenceLink, EqualLinksAreOneInAHashedSet)
{
    std::unordered_set<VideoConferenceLink> links { meetLink("https://meet.google.com/abc-defg-hij"),
        meetLink("https://meet.google.com/abc-defg-hij"), meetLink("https://meet.google.com/xyz-defg-hij"),
        { VideoConferenceService::googleHangouts, url("https://meet.google.com/abc-defg-hij") } };
    EXPECT_EQ(links.size(), 3u);
}

TEST(VideoConferenceLink, SerializesAsAKeyedRecordAndBack)
{
    auto link = meetLink("https://meet.google.com/abc-defg-hij");
    auto json = link.toJson();
    EXPECT_EQ(json["url"], "https://meet.google.com/abc-defg-hij");
    EXPECT_EQ(json["service"]["id"], "googleMeet");
    EXPECT_EQ(VideoConferenceLink::fromJson(json), link);
    EXPECT_EQ(VideoConferenceLink::fromJson(nlohmann::json::parse(json.dump())), link);

    auto badUrl = json;
    badUrl["url"] = "not a url";
    EXPECT_FALSE(VideoConferenceLink::fromJson(badUrl));
    auto noService = json;
    noService.erase("service");
    EXPECT_FALSE(VideoConferenceLink::fromJson(noService));
    auto brokenService = json;
    brokenService["service"].erase("regex");
    EXPECT_FALSE(VideoConferenceLink::fromJson(brokenService));
}

TEST(OutlookSafeLinks, UnwrapTheUrlItemOfASafeLink)
{
    auto wrapped = url("https://eur02.safelinks.protection.outlook.com/?url=https%3A%2F%2Fteams.microsoft.com%2Fl%2Fmeetup-join%2F19%253a"
                       "meeting_x%2540thread.v2%2F0&data=05%7C02&reserved=0");
    EXPECT_TRUE(isOutlookSafeLink(wrapped));
    EXPECT_EQ(unwrappedOutlookSafelinkUrl(wrapped), url("https://teams.microsoft.com/l/meetup-join/19%3ameeting_x%40thread.v2/0"));

    auto government = url("https://gcc02.safelinks.protection.office365.us/?url=https%3A%2F%2Fzoom.us%2Fj%2F1");
    EXPECT_EQ(unwrappedOutlookSafelinkUrl(government), url("https://zoom.us/j/1"));
}

TEST(OutlookSafeLinks, WithoutAUsableUrlItemThereIsNothingToUnwrap)
{
    EXPECT_FALSE(unwrappedOutlookSafelinkUrl(url("https://zoom.us/j/1?url=https%3A%2F%2Fexample.com")));
    EXPECT_FALSE(unwrappedOutlookSafelinkUrl(url("https://nam12.safelinks.protection.outlook.com/?data=05")));
    EXPECT_FALSE(unwrappedOutlookSafelinkUrl(url("https://nam12.safelinks.protection.outlook.com/?url")));
    EXPECT_FALSE(unwrappedOutlookSafelinkUrl(url("https://nam12.safelinks.protection.outlook.com/?url=a%20b")));
    // The host test is a plain substring test, as Outlook writes it.
    EXPECT_FALSE(isOutlookSafeLink(url("https://NAM12.SAFELINKS.PROTECTION.OUTLOOK.COM/?url=https%3A%2F%2Fzoom.us%2Fj%2F1")));
}

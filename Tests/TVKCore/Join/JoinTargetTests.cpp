#include "TVKCore/Join/JoinTarget.hpp"

#include "Platform/Desktop/Workspace.hpp"
#include "TVKCore/VideoConference/OpenableLinks.hpp"

#include "Tests/Support/Dates.hpp"
#include "Tests/Support/Urls.hpp"

#include <gtest/gtest.h>

using namespace tvk;
using tvk::test::at;
using tvk::test::url;

namespace {

Event meeting(std::string id, std::string_view start, std::string_view end, std::vector<std::string_view> links = {})
{
    Event event;
    event.id = std::move(id);
    event.title = event.id;
    event.startDate = at(start);
    event.endDate = at(end);
    for (auto link : links) {
        auto service = link.starts_with("https://meet.google.com") ? VideoConferenceService::googleMeet : VideoConferenceService::zoom;
        event.videoConferenceLinks.edit().push_back({ service, url(link) });
    }
    return event;
}

constexpr std::string_view zoomLink = "https://us02web.zoom.us/j/85712345678?pwd=abc";
constexpr std::string_view meetLink = "https://meet.google.com/kdq-xnvh-rpt";

// The desktop stands in: what would be opened is recorded, and the handlers installed are the
// test's choice.
class JoinCall : public testing::Test {
protected:
    void SetUp() override
    {
        Workspace::shared().setOpener([this](const std::string& uri) {
            opened.push_back(uri);
            return opens;
        });
        Workspace::shared().setHandlerLookup([this](const std::string& scheme) { return scheme == installedScheme; });
    }
    void TearDown() override
    {
        Workspace::shared().setOpener(nullptr);
        Workspace::shared().setHandlerLookup(nullptr);
    }

    std::vector<std::string> opened;
    bool opens = true;
    std::string installedScheme = "none";
};

}

TEST(JoinRule, ACallCanBeJoinedWhileTheMeetingRunsAndFromItsAlertOnButNotWithoutALink)
{
    auto event = meeting("a", "2026-12-07T10:00:00+01:00", "2026-12-07T10:30:00+01:00", { zoomLink });
    EXPECT_FALSE(canJoinCall(event, at("2026-12-07T09:58:59+01:00")));
    EXPECT_TRUE(canJoinCall(event, at("2026-12-07T09:59:30+01:00"))) << "the alert (a minute before) is due";
    EXPECT_TRUE(canJoinCall(event, at("2026-12-07T10:00:00+01:00")));
    EXPECT_TRUE(canJoinCall(event, at("2026-12-07T10:30:00+01:00"))) << "the end is included";
    EXPECT_FALSE(canJoinCall(event, at("2026-12-07T10:30:01+01:00")));
    auto withoutLink = meeting("b", "2026-12-07T10:00:00+01:00", "2026-12-07T10:30:00+01:00");
    EXPECT_FALSE(canJoinCall(withoutLink, at("2026-12-07T10:05:00+01:00")));
}

TEST(JoinRule, TheShortcutJoinsTheNextDueMeetingBeforeOneGoingOnAndOfThoseGoingOnTheLatestStarted)
{
    auto early = meeting("early", "2026-12-07T09:00:00+01:00", "2026-12-07T11:00:00+01:00", { zoomLink });
    auto late = meeting("late", "2026-12-07T09:30:00+01:00", "2026-12-07T10:30:00+01:00", { meetLink });
    auto due = meeting("due", "2026-12-07T10:00:00+01:00", "2026-12-07T10:15:00+01:00", { zoomLink });
    auto noLink = meeting("noLink", "2026-12-07T09:45:00+01:00", "2026-12-07T10:45:00+01:00");
    Date now = at("2026-12-07T09:59:30+01:00");
    EXPECT_EQ(eventToJoin({ early, late, noLink }, { due }, now)->id, "due");
    EXPECT_EQ(eventToJoin({ late, early, noLink }, {}, now)->id, "late");
    EXPECT_FALSE(eventToJoin({ noLink }, {}, now));
    auto tomorrow = meeting("tomorrow", "2026-12-08T10:00:00+01:00", "2026-12-08T10:15:00+01:00", { zoomLink });
    EXPECT_FALSE(eventToJoin({}, { tomorrow }, now)) << "a meeting far ahead is not joinable yet";
    EXPECT_EQ(nextEventWithLink({ noLink, tomorrow }, at("2026-12-07T09:00:00+01:00"))->id, "tomorrow");
    EXPECT_FALSE(nextEventWithLink({ noLink }, now));
}

TEST_F(JoinCall, TheWebLinkOpensWhenNoApplicationHandlesTheServicesOwnScheme)
{
    auto event = meeting("zoom", "2026-12-07T10:00:00+01:00", "2026-12-07T10:30:00+01:00", { zoomLink });
    auto result = joinCall(event, std::nullopt);
    EXPECT_FALSE(result.error);
    ASSERT_TRUE(result.target);
    EXPECT_FALSE(result.target->opensNativeApplication);
    EXPECT_EQ(opened, std::vector<std::string> { std::string(zoomLink) });
}

TEST_F(JoinCall, TheServicesApplicationGetsItsOwnUrlWhenInstalled)
{
    installedScheme = "zoommtg";
    auto event = meeting("zoom", "2026-12-07T10:00:00+01:00", "2026-12-07T10:30:00+01:00", { zoomLink });
    auto result = joinCall(event, std::nullopt);
    ASSERT_TRUE(result.target);
    EXPECT_TRUE(result.target->opensNativeApplication);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_TRUE(opened[0].starts_with("zoommtg://us02web.zoom.us/join?confno=85712345678")) << opened[0];
}

TEST_F(JoinCall, AGoogleLinkOpensThroughTheAccountChooserOfTheCalendarsAccount)
{
    auto event = meeting("meet", "2026-12-07T10:00:00+01:00", "2026-12-07T10:30:00+01:00", { meetLink });
    auto result = joinCall(event, std::string("alex@example.com"));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_TRUE(opened[0].starts_with("https://accounts.google.com/")) << opened[0];
    EXPECT_NE(opened[0].find("alex@example.com"), std::string::npos) << opened[0];
}

TEST_F(JoinCall, ALinkWithASchemeThatIsNotSafeIsNeverHandedToTheDesktop)
{
    for (auto unsafe : { "file:///etc/passwd", "javascript:alert(1)", "vnd.unknown-handler:run" }) {
        auto event = meeting("unsafe", "2026-12-07T10:00:00+01:00", "2026-12-07T10:30:00+01:00");
        event.videoConferenceLinks.edit().push_back({ VideoConferenceService::zoom, url(unsafe) });
        auto result = joinCall(event, std::nullopt);
        EXPECT_EQ(result.error, JoinError::unsafeLink) << unsafe;
    }
    EXPECT_TRUE(opened.empty());
    EXPECT_TRUE(isOpenableLink(url("HTTPS://example.com/")));
    EXPECT_TRUE(isOpenableLink(url("msteams:/l/meetup-join/x")));
}

TEST_F(JoinCall, NoLinkAndAFailedOpenAreErrors)
{
    auto withoutLink = meeting("none", "2026-12-07T10:00:00+01:00", "2026-12-07T10:30:00+01:00");
    EXPECT_EQ(joinCall(withoutLink, std::nullopt).error, JoinError::noLink);
    opens = false;
    auto event = meeting("zoom", "2026-12-07T10:00:00+01:00", "2026-12-07T10:30:00+01:00", { zoomLink });
    auto result = joinCall(event, std::nullopt);
    EXPECT_EQ(result.error, JoinError::notOpened);
    EXPECT_EQ(opened.size(), 1u);
}

TEST_F(JoinCall, PlanningOpensNothing)
{
    auto event = meeting("zoom", "2026-12-07T10:00:00+01:00", "2026-12-07T10:30:00+01:00", { zoomLink });
    auto result = planJoinCall(event, std::nullopt);
    EXPECT_FALSE(result.error);
    EXPECT_TRUE(opened.empty());
}

TEST(WorkspaceHandlers, TextThatIsNoSchemeHasNoHandler)
{
    EXPECT_FALSE(Workspace::shared().hasHandler(""));
    EXPECT_FALSE(Workspace::shared().hasHandler("1http"));
    EXPECT_FALSE(Workspace::shared().hasHandler("x-scheme-handler/../https"));
}

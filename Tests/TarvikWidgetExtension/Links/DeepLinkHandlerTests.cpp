// What the widget program does with a "tarvik" link when it handles them itself: which
// meeting URL a join opens (the application's or the web page), what a preview shows, the
// notices for links it cannot act on, and which links it is willing to open at all.

#include "TVKCore/DeepLinks/DeepLink.hpp"
#include "TVKCore/VideoConference/VideoConferenceLinkParser.hpp"
#include "TarvikWidgetExtension/Links/DeepLinkHandler.hpp"
#include "Tests/Support/Dates.hpp"

#include <gtest/gtest.h>

#include <set>

using namespace tvk;
using tvk::test::at;
using Handler = DeepLinkHandler;

namespace {

Event meeting(std::string id, std::string notes)
{
    Event event { .id = std::move(id), .startDate = at("2026-12-07T10:00:00+01:00"), .endDate = at("2026-12-07T10:30:00+01:00") };
    event.title = "Review";
    event.notes = notes;
    event.videoConferenceLinks = VideoConferenceLinkParser::shared().parse(notes);
    return event;
}

struct Fixture {
    std::vector<Event> events;
    std::set<std::string> schemesWithHandler;
    std::optional<std::string> account;

    Handler handler() const
    {
        return Handler(
            [this](const std::string& id) -> std::optional<Event> {
                for (const auto& event : events) {
                    if (event.id == id)
                        return event;
                }
                return std::nullopt;
            },
            [this](const std::string& scheme) { return schemesWithHandler.contains(scheme); },
            [this](const std::string&) { return account; },
            // The keys themselves, with "%@" where the table has it, so that arguments show.
            [](std::string_view key) { return std::string(key).ends_with("message") ? std::string(key) + " %@" : std::string(key); });
    }
};

}

TEST(DeepLinkHandler, JoinOpensTheMeetingApplicationOnlyWhenOneIsSetUpForItsScheme)
{
    Fixture fixture;
    fixture.events.push_back(meeting("work:zoom", "Join: https://us02web.zoom.us/j/857?pwd=abc"));
    auto link = url(JoinCallDeepLink("work:zoom")).absoluteString();
    EXPECT_EQ(fixture.handler().action(link), Handler::Action(Handler::OpenURL { "https://us02web.zoom.us/j/857?pwd=abc" }));
    fixture.schemesWithHandler.insert("zoommtg");
    EXPECT_EQ(fixture.handler().action(link), Handler::Action(Handler::OpenURL { "zoommtg://us02web.zoom.us/join?confno=857&pwd=abc" }));
}

TEST(DeepLinkHandler, JoinOpensGoogleMeetingsInTheCalendarsAccount)
{
    Fixture fixture;
    fixture.events.push_back(meeting("work:meet", "https://meet.google.com/kdq-xnvh-rpt"));
    auto link = url(JoinCallDeepLink("work:meet")).absoluteString();
    EXPECT_EQ(fixture.handler().action(link), Handler::Action(Handler::OpenURL { "https://meet.google.com/kdq-xnvh-rpt" }));
    fixture.account = "sam@example.com";
    EXPECT_EQ(fixture.handler().action(link),
        Handler::Action(Handler::OpenURL { "https://accounts.google.com/AccountChooser?Email=sam@example.com&continue=https://meet.google.com/kdq-xnvh-rpt" }));
}

TEST(DeepLinkHandler, LinksItCannotActOnGiveNoticesNamingWhatWasWrong)
{
    Fixture fixture;
    fixture.events.push_back(meeting("work:lunch", "At the usual place"));
    auto handler = fixture.handler();
    EXPECT_EQ(handler.action(url(JoinCallDeepLink("work:gone")).absoluteString()),
        Handler::Action(Handler::Notice { "LinkHandler.noEvent.title", "LinkHandler.noEvent.message work:gone" }));
    EXPECT_EQ(handler.action(url(JoinCallDeepLink("work:lunch")).absoluteString()),
        Handler::Action(Handler::Notice { "LinkHandler.noCall.title", "LinkHandler.noCall.message Review" }));
    for (std::string link : { "https://example.com/x", "tarvik://joinCall", "tarvik://JoinCall/work:lunch", "not a link at all", "" }) {
        EXPECT_EQ(handler.action(link), Handler::Action(Handler::Notice { "LinkHandler.notALink.title", "LinkHandler.notALink.message " + link }))
            << link;
    }
    EXPECT_EQ(handler.action(url(ViewEventInCalendarDeepLink("work:lunch")).absoluteString()), Handler::Action(Handler::OpenCalendar { "work:lunch" }));
}

TEST(DeepLinkHandler, OpensOnlyWebMailPhoneAndMeetingSchemes)
{
    for (auto url : { "https://zoom.us/j/1", "HTTP://example.com", "mailto:a@example.com", "tel:+4930123", "zoommtg://zoom.us/join?confno=1",
             "msteams:/l/meetup-join/x", "ts3server://voice.example.com" })
        EXPECT_TRUE(Handler::isSafeToOpen(url)) << url;
    for (auto url : { "file:///etc/passwd", "javascript:alert(1)", "data:text/html,x", "ssh://host", "smb://server/share", "tarvik://preview/x",
             "https://example.com/a b", "https://example.com/\nx", "", "zoom.us/j/1" })
        EXPECT_FALSE(Handler::isSafeToOpen(url)) << url;
}

TEST(DeepLinkHandler, APreviewShowsTheEventWithItsSafeLinksAndEachParticipantOnce)
{
    Fixture fixture;
    auto event = meeting("work:review", "Agenda: https://example.com/doc and file:///home/me/secret, call https://us02web.zoom.us/j/857");
    event.location = "Room 4";
    event.calendarName = "Work";
    Event::ParticipantData organizer { .name = "Sam Lee", .email = "sam@example.com", .isOrganizer = true };
    Event::ParticipantData again { .name = "Sam Lee", .email = "sam@example.com" };
    Event::ParticipantData noName { .email = "priya@example.com" };
    event.participantsData = { organizer, again, noName };
    fixture.events.push_back(event);

    auto action = fixture.handler().action(url(PreviewEventDeepLink("work:review")).absoluteString());
    ASSERT_TRUE(std::holds_alternative<Handler::ShowPreview>(action));
    const auto& preview = std::get<Handler::ShowPreview>(action).preview;
    EXPECT_EQ(preview.title, "Review");
    EXPECT_EQ(preview.time, event.formattedTimeAndDate());
    EXPECT_EQ(preview.calendarName, "Work");
    EXPECT_EQ(preview.location, (widgets::EventPreview::RichText { { "Room 4", std::nullopt } }));
    EXPECT_EQ(preview.notes,
        (widgets::EventPreview::RichText { { "Agenda: ", std::nullopt }, { "https://example.com/doc", "https://example.com/doc" },
            { " and file:///home/me/secret, call ", std::nullopt }, { "https://us02web.zoom.us/j/857", "https://us02web.zoom.us/j/857" } }));
    EXPECT_EQ(preview.participants, (std::vector<std::string> { "Sam Lee <sam@example.com> LinkHandler.organizer", "priya@example.com" }));
    EXPECT_EQ(preview.joinURL, "https://us02web.zoom.us/j/857");
    EXPECT_EQ(preview.labels.join, "LinkHandler.join");

    event.title = std::nullopt;
    event.id = "work:untitled";
    fixture.events.push_back(event);
    auto untitled = fixture.handler().action(url(PreviewEventDeepLink("work:untitled")).absoluteString());
    EXPECT_EQ(std::get<Handler::ShowPreview>(untitled).preview.title, "LinkHandler.untitled");
}

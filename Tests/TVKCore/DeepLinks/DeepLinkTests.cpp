#include "TVKCore/DeepLinks/DeepLinkBuilder.hpp"

#include <gtest/gtest.h>

using namespace tvk;

namespace {

std::optional<DeepLink> read(const char* text)
{
    auto url = Url::make(text);
    EXPECT_TRUE(url) << text;
    return url ? DeepLinkBuilder::make(*url) : std::nullopt;
}

}

TEST(DeepLink, EachTypeWritesItsDestinationAsTheHostAndTheEventAsThePath)
{
    EXPECT_EQ(JoinCallDeepLink("E1").url().absoluteString(), "tarvik://joinCall/E1");
    EXPECT_EQ(PreviewEventDeepLink("E1").url().absoluteString(), "tarvik://preview/E1");
    EXPECT_EQ(ViewEventInCalendarDeepLink("E1").url().absoluteString(), "tarvik://viewInCalendar/E1");
    EXPECT_EQ(JoinCallDeepLink("E1").destination, DeepLinkDestination::joinCall);
    EXPECT_EQ(destination(makeDeepLink(DeepLinkDestination::viewInCalendar, "x")), DeepLinkDestination::viewInCalendar);
    EXPECT_EQ(deepLinkScheme, "tarvik");
    EXPECT_EQ(deepLinkDestinationFromRawValue("viewInCalendar"), DeepLinkDestination::viewInCalendar);
    EXPECT_FALSE(deepLinkDestinationFromRawValue("ViewInCalendar"));
    EXPECT_NE(DeepLink(JoinCallDeepLink("E1")), DeepLink(PreviewEventDeepLink("E1"))) << "the same event under two destinations";
}

TEST(DeepLink, AnyEventIdentifierComesBackUnchanged)
{
    const std::string identifiers[] = {
        "E1",
        "Team Calendar:7kukuqrf edlm2f9t@google.com",
        "cal:100% done",
        "cal:#hash?query=1&x",
        "cal:Besprechung-Übergabe-Größe",
        "cal:🎉 party 👩‍👩‍👧",
        "cal:a/b/c", // CalDAV UIDs may carry slashes
        "cal:a%2Fb", // and what looks like an escape
        "/leading/and/trailing/",
        ".",
        "..",
        "\\;[]{}<>|^`\"",
        std::string("raw\xFF\xFE bytes"),
    };
    for (auto& identifier : identifiers) {
        for (auto destination : { DeepLinkDestination::preview, DeepLinkDestination::viewInCalendar, DeepLinkDestination::joinCall }) {
            auto link = makeDeepLink(destination, identifier);
            auto text = url(link).absoluteString();
            EXPECT_EQ(text.find_first_of(" #?", std::string("tarvik://").size()), std::string::npos) << text;
            EXPECT_EQ(std::count(text.begin(), text.end(), '/'), 3) << "the identifier is one path segment: " << text;
            auto back = DeepLinkBuilder::make(url(link));
            ASSERT_TRUE(back) << text;
            EXPECT_EQ(*back, link) << text;
        }
    }
    EXPECT_EQ(JoinCallDeepLink("cal:a/b c").url().absoluteString(), "tarvik://joinCall/cal:a%2Fb%20c");
    EXPECT_EQ(JoinCallDeepLink("..").url().absoluteString(), "tarvik://joinCall/%2E%2E") << "no dot segment for a URL library to resolve";
}

TEST(DeepLinkBuilder, LinksWithTheIdentifierSplitAtItsSlashesReadAsThePartBeforeTheFirst)
{
    auto link = read("tarvik://joinCall/cal:a/b/c");
    ASSERT_TRUE(link);
    EXPECT_EQ(eventID(*link), "cal:a");
    EXPECT_EQ(destination(*link), DeepLinkDestination::joinCall);
}

TEST(DeepLinkBuilder, ReadsEscapesEmptySegmentsAndIgnoresWhatFollowsTheFirstSegment)
{
    auto preview = read("tarvik://preview//abc");
    ASSERT_TRUE(preview);
    EXPECT_EQ(*preview, DeepLink(PreviewEventDeepLink("abc")));

    auto view = read("tarvik://viewInCalendar/abc/def?x=1");
    ASSERT_TRUE(view);
    EXPECT_EQ(*view, DeepLink(ViewEventInCalendarDeepLink("abc")));

    auto fragment = read("tarvik://joinCall/abc#def");
    ASSERT_TRUE(fragment);
    EXPECT_EQ(eventID(*fragment), "abc");

    auto encoded = read("tarvik://joinCall/caf%C3%A9%20%F0%9F%8E%89");
    ASSERT_TRUE(encoded);
    EXPECT_EQ(eventID(*encoded), "café 🎉");

    auto stray = read("tarvik://preview/100%");
    ASSERT_TRUE(stray) << "a URL takes a stray percent sign as itself";
    EXPECT_EQ(eventID(*stray), "100%");
    auto notAnEscape = read("tarvik://preview/a%zz%2");
    ASSERT_TRUE(notAnEscape) << "a percent sign before what is no escape is kept, not refused";
    EXPECT_EQ(eventID(*notAnEscape), "a%zz%2");
}

TEST(DeepLinkBuilder, RefusesEveryOtherUrl)
{
    for (auto text : { "tarvik://joinCall", "tarvik://joinCall/", "tarvik://joinCall///", "tarvik://joincall/x", "TARVIK://joinCall/x",
             "Tarvik://joinCall/x", "https://joinCall/x", "mailto:joinCall/x", "tarvik:joinCall/x", "tarvik:///x", "tarvik://other/x" }) {
        EXPECT_FALSE(read(text)) << text;
    }
}

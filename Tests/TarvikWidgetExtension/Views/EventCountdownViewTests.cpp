// The countdown widget: the headline, the countdown as a live timer under a minute to go or
// once started and as the formatter's text otherwise, the row under it, the card's link, and
// the empty state.

#include "Tests/TarvikWidgetExtension/Views/ViewTestSupport.hpp"

#include "TarvikWidgetExtension/Views/NextEventCountdownWidgetView.hpp"

using namespace tvk;
using namespace tvk::test;

namespace {

const Event review = meeting("Design review", "2026-12-07T10:00:00+01:00", "2026-12-07T11:00:00+01:00");

DrawnWidget countdown(std::optional<Event> event, Date renderDate, WidgetFamily family = WidgetFamily::systemSmall)
{
    return DrawnWidget(NextEventCountdownWidgetView { { renderDate, std::move(event) } }, family, renderDate);
}

/// The countdown's text: the one after the headline.
std::string countdownText(const DrawnWidget& drawn)
{
    auto texts = drawn.texts();
    return texts.size() > 1 ? texts[1] : "";
}

}

TEST(EventCountdownView, UnderAMinuteToGoOrOnceStartedTheCountdownIsALiveTimer)
{
    auto soon = countdown(review, review.startDate - 30);
    EXPECT_EQ(countdownText(soon), "0:30");
    EXPECT_TRUE(soon.layout().containsTimer()) << "the host draws it again every second";
    auto started = countdown(review, review.startDate + 300);
    EXPECT_EQ(countdownText(started), "5:00") << "counting up from the start";
    EXPECT_TRUE(started.layout().containsTimer());
    EXPECT_EQ(countdownText(countdown(review, review.startDate - 59.5)), "0:59");
}

TEST(EventCountdownView, AMinuteOrMoreAheadTheCountdownIsTheFormattersText)
{
    auto minute = countdown(review, review.startDate - 60);
    EXPECT_EQ(countdownText(minute), "1m");
    EXPECT_FALSE(minute.layout().containsTimer());
    EXPECT_EQ(countdownText(countdown(review, review.startDate - 5400)), "1h 30m");
    EXPECT_EQ(countdownText(countdown(review, review.startDate - 3 * 86400 - 7200 - 60)), "3d 2h");

    // Beyond what the formatter writes (a million years), it gives no text.
    auto far = review;
    far.startDate = review.startDate + 4e13;
    far.endDate = far.startDate + 3600;
    EXPECT_EQ(countdownText(countdown(far, review.startDate)), "\u2013");
}

TEST(EventCountdownView, HeadlineCountdownAndRowAreOneLinkToThePreview)
{
    Date now = review.startDate - 30;
    auto drawn = countdown(review, now, WidgetFamily::systemMedium);
    auto texts = drawn.texts();
    ASSERT_GE(texts.size(), 3u);
    EXPECT_EQ(texts[0], "NEXT EVENT IN");
    EXPECT_EQ(texts[2], "Design review");
    auto links = drawn.links();
    ASSERT_EQ(links.size(), 2u) << "the join button, pending, and the card";
    EXPECT_EQ(links[0].url, "tarvik://joinCall/work:Design%20review") << "innermost first";
    EXPECT_EQ(links[1].url, "tarvik://preview/work:Design%20review");
    auto card = links[1].frame;
    for (const auto& text : drawn.layout().accessibilityTextElements()) {
        EXPECT_GE(text.frame.minY(), card.minY()) << text.label;
        EXPECT_LE(text.frame.maxY(), card.maxY()) << text.label;
    }
    EXPECT_LT(drawn.frameOf("NEXT EVENT IN").maxY(), drawn.frameOf("0:30").minY());
    EXPECT_LT(drawn.frameOf("0:30").maxY(), drawn.frameOf("Design review").minY());
    EXPECT_DOUBLE_EQ(drawn.frameOf("0:30").size.height, 36) << "30 pt text";
    // The row is drawn as at the moment of drawing: the alert of a minute before is due.
    EXPECT_TRUE(countdown(review, review.startDate - 120).links("tarvik://joinCall/").empty());
}

TEST(EventCountdownView, WithoutAnEventTheWidgetSaysThereIsNone)
{
    auto drawn = countdown(std::nullopt, review.startDate);
    EXPECT_EQ(drawn.texts(), (std::vector<std::string> { "No upcoming events" }));
    EXPECT_TRUE(drawn.links().empty());
    auto text = drawn.frameOf("No upcoming events");
    double stackHeight = 50 + 10 + text.size.height;
    EXPECT_DOUBLE_EQ(text.minY(), (170 - stackHeight) / 2 + 60) << "10 pt under the 50 pt picture, the two centred";
    EXPECT_DOUBLE_EQ(text.midX(), 85);
}

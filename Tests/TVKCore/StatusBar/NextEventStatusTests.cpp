#include "TVKCore/StatusBar/NextEventFollower.hpp"
#include "TVKCore/StatusBar/NextEventStatus.hpp"

#include "Platform/Runtime/DispatchQueue.hpp"
#include "Platform/Runtime/ISO8601.hpp"
#include "Platform/Runtime/NotificationCenter.hpp"
#include "Platform/Runtime/ProcessClock.hpp"
#include "TVKCore/Schedule/CalendarEventManager.hpp"

#include "Tests/Support/Dates.hpp"

#include <gtest/gtest.h>

using namespace tvk;
using tvk::test::at;

namespace {

// The number and its unit are held together by a narrow no-break space.
const std::string nnbsp = "\u202F";

Event meeting(std::string title, std::string_view start, std::string_view end)
{
    Event event;
    event.id = title;
    event.title = std::move(title);
    event.startDate = at(start);
    event.endDate = at(end);
    return event;
}

// The stand-up from 10:00 to 10:15, the review from 10:30 to 11:00; alerts a minute before.
std::vector<Event> morning()
{
    return { meeting("Design review", "2026-12-07T10:30:00+01:00", "2026-12-07T11:00:00+01:00"),
        meeting("Stand-up", "2026-12-07T10:00:00+01:00", "2026-12-07T10:15:00+01:00") };
}

std::string line(const std::vector<Event>& events, std::string_view time)
{
    auto status = NextEventStatus::make(events, at(time));
    return status.text + " [" + std::string(rawValue(status.state)) + "]";
}

}

TEST(NextEventStatus, ShowsTheDueMeetingBeforeTheOneGoingOnAndElseTheNextWithItsState)
{
    auto events = morning();
    EXPECT_EQ(line(events, "2026-12-07T09:40:00+01:00"), "Stand-up in 20" + nnbsp + "m [idle]");
    EXPECT_EQ(line(events, "2026-12-07T09:45:00+01:00"), "Stand-up in 15" + nnbsp + "m [soon]");
    EXPECT_EQ(line(events, "2026-12-07T09:59:30+01:00"), "Stand-up in 1" + nnbsp + "m [pending]");
    EXPECT_EQ(line(events, "2026-12-07T10:05:00+01:00"), "Stand-up · 10" + nnbsp + "m left [running]");
    EXPECT_EQ(line(events, "2026-12-07T10:20:00+01:00"), "Design review in 10" + nnbsp + "m [soon]");
    // While the stand-up runs late, the review's due alert wins.
    events[1].endDate = at("2026-12-07T10:45:00+01:00");
    EXPECT_EQ(line(events, "2026-12-07T10:29:30+01:00"), "Design review in 1" + nnbsp + "m [pending]");
    EXPECT_EQ(line(events, "2026-12-07T10:35:00+01:00"), "Design review · 25" + nnbsp + "m left [running]")
        << "of two going on, the one started last";
    EXPECT_EQ(line({}, "2026-12-07T10:35:00+01:00"), " [idle]");
    EXPECT_EQ(line(events, "2026-12-07T11:00:01+01:00"), " [idle]") << "ended meetings are not shown";
}

TEST(NextEventStatus, ATitleIsOneTrimmedLineAndTheTooltipListsWhatComes)
{
    auto events = morning();
    events[0].title = "  Design\nreview\t ";
    auto status = NextEventStatus::make(events, at("2026-12-07T10:05:00+01:00"));
    EXPECT_EQ(status.tooltip.find('\t'), std::string::npos);
    auto newline = status.tooltip.find('\n');
    ASSERT_NE(newline, std::string::npos);
    EXPECT_TRUE(status.tooltip.substr(0, newline).ends_with("Stand-up")) << status.tooltip;
    EXPECT_TRUE(status.tooltip.substr(newline + 1).ends_with("Design review")) << status.tooltip;
    auto untitled = NextEventStatus::make({ meeting("", "2026-12-07T10:30:00+01:00", "2026-12-07T11:00:00+01:00") },
        at("2026-12-07T10:05:00+01:00"));
    EXPECT_EQ(untitled.text, "untitled in 25" + nnbsp + "m");
}

TEST(NextEventStatus, TheNextChangeIsFoundToTheMillisecond)
{
    auto events = morning();
    // 1,200 s to the start reads "20 m" until the rounded seconds drop to 1,199, just after
    // half a second.
    Date change = NextEventStatus::nextChange(events, at("2026-12-07T09:40:00+01:00"));
    EXPECT_GT(change - at("2026-12-07T09:40:00+01:00"), 0.5);
    EXPECT_LE(change - at("2026-12-07T09:40:00+01:00"), 0.501);
    // At 09:44:30 the text reads "15 m" until 09:45:00.5, but at 09:45:00 exactly the state
    // turns soon.
    EXPECT_EQ(NextEventStatus::nextChange(events, at("2026-12-07T09:44:30+01:00")), at("2026-12-07T09:45:00+01:00"));
    // Nothing ahead: a day later.
    EXPECT_EQ(NextEventStatus::nextChange({}, at("2026-12-07T09:44:30+01:00")), at("2026-12-08T09:44:30+01:00"));
}

class NextEventFollowerTest : public testing::Test {
protected:
    void SetUp() override { ProcessClock::pin(at("2026-12-07T09:40:00+01:00")); }
    void TearDown() override
    {
        DispatchQueue::main().drainUntilIdle();
        ProcessClock::unpin();
    }

    struct Printed {
        Date time;
        NextEventStatus status;
    };
    std::vector<Printed> printed;
    std::vector<Event> events = morning();
};

TEST_F(NextEventFollowerTest, PrintsAtEveryChangeAndWakesAtNoOtherTime)
{
    NextEventFollower follower([this] { return events; }, [this](const NextEventStatus& status) { printed.push_back({ Date::now(), status }); });
    ASSERT_EQ(printed.size(), 1u) << "the status at once";
    Date end = at("2026-12-07T11:05:00+01:00");
    size_t wakeUps = 0;
    while (Date::now() < end) {
        auto wake = follower.nextWakeUp();
        ASSERT_TRUE(wake);
        // Just before the wake-up the status is still the one printed last: nothing was late.
        ASSERT_EQ(NextEventStatus::make(events, *wake - 0.002), printed.back().status) << ISO8601::format(*wake);
        ProcessClock::advance(*wake - Date::now());
        DispatchQueue::main().drainUntilIdle();
        ++wakeUps;
        if (Date::now() < end) {
            ASSERT_EQ(printed.size(), wakeUps + 1) << "a wake-up without a change at " << ISO8601::format(*wake);
        }
    }
    for (size_t index = 1; index < printed.size(); ++index)
        EXPECT_NE(printed[index].status, printed[index - 1].status);

    // A change just after an instant (an alert, an end) is printed within the millisecond.
    auto printedAt = [&](std::string_view time) -> std::string {
        for (auto& entry : printed) {
            if (entry.time >= at(time) && entry.time - at(time) <= 0.001)
                return entry.status.text + " [" + std::string(rawValue(entry.status.state)) + "]";
        }
        return "(nothing printed at " + std::string(time) + ")";
    };
    EXPECT_EQ(printedAt("2026-12-07T09:40:00+01:00"), "Stand-up in 20" + nnbsp + "m [idle]");
    EXPECT_EQ(printedAt("2026-12-07T09:45:00+01:00"), "Stand-up in 15" + nnbsp + "m [soon]");
    EXPECT_EQ(printedAt("2026-12-07T09:59:00+01:00"), "Stand-up in 1" + nnbsp + "m [pending]") << "just after the alert";
    EXPECT_EQ(printedAt("2026-12-07T10:00:00+01:00"), "Stand-up · 15" + nnbsp + "m left [running]") << "at the start";
    EXPECT_EQ(printedAt("2026-12-07T10:15:00+01:00"), "Design review in 15" + nnbsp + "m [soon]") << "just after the end";
    // 20 minutes of countdown, one line a minute, then 15 of the stand-up, 15 to the review
    // and 30 of it, give about 80 lines in 85 minutes; far fewer wake-ups than seconds.
    EXPECT_GT(printed.size(), 75u);
    EXPECT_LT(printed.size(), 100u);
}

TEST_F(NextEventFollowerTest, AReloadPrintsOnlyWhenItChangesTheStatus)
{
    NextEventFollower follower([this] { return events; }, [this](const NextEventStatus& status) { printed.push_back({ Date::now(), status }); });
    NotificationCenter::defaultCenter().post(std::string(NotificationName::didReloadEvents));
    EXPECT_EQ(printed.size(), 1u);
    events.push_back(meeting("Coffee", "2026-12-07T09:50:00+01:00", "2026-12-07T09:55:00+01:00"));
    NotificationCenter::defaultCenter().post(std::string(NotificationName::didReloadEvents));
    ASSERT_EQ(printed.size(), 2u);
    EXPECT_EQ(printed.back().status.text, "Coffee in 10" + nnbsp + "m");
    EXPECT_EQ(follower.nextWakeUp(), NextEventStatus::nextChange(events, Date::now()));
}

#include "TVKCore/Schedule/MadeEvents.hpp"

#include "Tests/Support/Dates.hpp"

#include <gtest/gtest.h>

using namespace tvk;
using tvk::test::at;

namespace {

// A calendar event with an invitation's worth of attendees and a call link.
StoreEvent invitation(Date start, std::string title = "Board")
{
    auto calendar = std::make_shared<StoreCalendar>();
    calendar->calendarIdentifier = "work";
    calendar->title = "Work";
    StoreEvent event;
    event.eventIdentifier = "work:board@example.com";
    event.calendarItemIdentifier = "board-item";
    event.startDate = start;
    event.endDate = start + 3600;
    event.occurrenceDate = start;
    event.title = std::move(title);
    event.notes = "Join: https://meet.google.com/kdq-xnvh-rpt";
    event.calendar = calendar;
    std::vector<StoreParticipant> attendees;
    for (int i = 0; i < 12; ++i) {
        StoreParticipant attendee;
        attendee.name = "Person " + std::to_string(i);
        attendee.url = "mailto:person" + std::to_string(i) + "@example.com";
        attendees.push_back(attendee);
    }
    event.attendees = std::move(attendees);
    return event;
}

// Whether two events share their participants' storage: one was handed out again, not made anew.
bool sameMaking(const Event& a, const Event& b)
{
    return !a.participantsData.empty() && &a.participantsData.front() == &b.participantsData.front();
}

}

TEST(MadeEvents, AnUnchangedStoreEventGivesTheEventMadeTheBuildBeforeFromTheSecondBuildOn)
{
    MadeEvents made;
    auto source = invitation(at("2026-12-07T10:00:00+01:00"));
    auto fresh = Event::fromCalendarEvent(source);

    auto first = made.event(source);
    made.finishBuild();
    auto second = made.event(source);
    made.finishBuild();
    auto third = made.event(source);
    made.finishBuild();

    EXPECT_EQ(first, fresh);
    EXPECT_EQ(second, fresh);
    EXPECT_EQ(third, fresh);
    EXPECT_FALSE(sameMaking(first, second)) << "a single build keeps nothing";
    EXPECT_TRUE(sameMaking(second, third));
    ASSERT_EQ(third.videoConferenceLinks.size(), 1u);
}

TEST(MadeEvents, AChangedOrMovedStoreEventIsMadeAnewAndWhatABuildDidNotMeetIsForgotten)
{
    MadeEvents made;
    Date ten = at("2026-12-07T10:00:00+01:00");
    auto source = invitation(ten);
    made.event(source);
    made.finishBuild();
    auto kept = made.event(source);
    made.finishBuild();

    auto renamed = made.event(invitation(ten, "Board (moved room)"));
    EXPECT_EQ(renamed.title, "Board (moved room)");
    EXPECT_FALSE(sameMaking(renamed, kept));

    auto edited = source;
    edited.attendees.edit()[3].name = "Someone else";
    auto reread = made.event(edited);
    EXPECT_EQ(reread.participantsData[3].name, "Someone else") << "an attendee's change is a change";

    auto later = made.event(invitation(ten + 86400));
    EXPECT_EQ(later.startDate, ten + 86400) << "another occurrence is another event";
    made.finishBuild();

    // The build above met the original under its key only in changed forms: it is gone.
    auto again = made.event(source);
    EXPECT_FALSE(sameMaking(again, kept));
    EXPECT_EQ(again, Event::fromCalendarEvent(source));
}

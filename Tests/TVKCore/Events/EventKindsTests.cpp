#include "TVKCore/Calendar/CalendarExtensions.hpp"
#include "TVKCore/Events/EventType.hpp"
#include "TVKCore/Events/ParticipantStatus.hpp"

#include <gtest/gtest.h>

using namespace tvk;

TEST(EventType, RawValuesReadBackOnlyInTheirExactLetterCase)
{
    EXPECT_EQ(eventTypeFromRawValue("tvkReminder"), EventType::tvkReminder);
    EXPECT_EQ(eventTypeFromRawValue(rawValue(EventType::appleReminder)), EventType::appleReminder);
    EXPECT_EQ(rawValue(EventType::calendarEvent), "calendarEvent");
    EXPECT_FALSE(eventTypeFromRawValue("CalendarEvent"));
    EXPECT_FALSE(eventTypeFromRawValue(""));
}

TEST(ParticipantStatus, StoreStatusesBeyondTheFiveKnownOnesReadAsUnknown)
{
    EXPECT_EQ(participantStatus(StoreParticipantStatus::accepted), ParticipantStatus::accepted);
    EXPECT_EQ(participantStatus(StoreParticipantStatus::pending), ParticipantStatus::pending);
    EXPECT_EQ(participantStatus(StoreParticipantStatus::tentative), ParticipantStatus::tentative);
    EXPECT_EQ(participantStatus(StoreParticipantStatus::declined), ParticipantStatus::declined);
    for (auto status : { StoreParticipantStatus::delegated, StoreParticipantStatus::completed, StoreParticipantStatus::inProcess,
             StoreParticipantStatus::unknown, static_cast<StoreParticipantStatus>(42) })
        EXPECT_EQ(participantStatus(status), ParticipantStatus::unknown);
    EXPECT_EQ(allParticipantStatuses.front(), ParticipantStatus::accepted);
    EXPECT_EQ(allParticipantStatuses.back(), ParticipantStatus::unknown);
}

TEST(CalendarExtensions, OwnerAddressIsTheFirstMailAddressWithoutItsScheme)
{
    StoreCalendar calendar;
    EXPECT_FALSE(ownerEmailAddress(calendar));
    calendar.source.ownerAddresses = { "urn:uuid:1234", "mailto:ada@example.com", "mailto:other@example.com" };
    EXPECT_EQ(ownerEmailAddress(calendar), "ada@example.com");
    calendar.source.ownerAddresses = { "MAILTO:ada@example.com" };
    EXPECT_FALSE(ownerEmailAddress(calendar)) << "the prefix test is exact";

    StoreEvent event;
    EXPECT_FALSE(hasAlerts(event));
    EXPECT_EQ(travelTime(event), 0);
    event.alarms.push_back(StoreAlarm { -600.0, std::nullopt });
    event.travelTime = 1800;
    EXPECT_TRUE(hasAlerts(event));
    EXPECT_EQ(travelTime(event), 1800);
}

#include "TVKUtils/DateOperations.hpp"
#include "TVKUtils/TimeUnits.hpp"

#include "Platform/Runtime/ISO8601.hpp"
#include "Platform/Runtime/IcuEnvironment.hpp"
#include "Platform/Runtime/ProcessClock.hpp"

#include "Tests/Support/Dates.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace tvk;
using tvk::test::at;

namespace {

class DateOperations : public testing::Test {
protected:
    void SetUp() override { ProcessClock::pin(at("2026-12-07T09:30:00+01:00")); }
    void TearDown() override { ProcessClock::unpin(); }
};

}

TEST_F(DateOperations, NextFullHourCarriesIntoTheNextDay)
{
    EXPECT_EQ(nextFullHour(at("2026-12-07T23:40:00+01:00")), at("2026-12-08T00:00:00+01:00"));
    EXPECT_EQ(nextFullHour(at("2026-12-07T10:00:00+01:00")), at("2026-12-07T11:00:00+01:00"));
    EXPECT_EQ(nextFullHour(at("2026-12-31T23:59:59.5+01:00")), at("2027-01-01T00:00:00+01:00"));
}

TEST_F(DateOperations, NowIsNeitherInTheFutureNorInThePast)
{
    Date now = Date::now();
    EXPECT_FALSE(isInFuture(now));
    EXPECT_FALSE(isInPast(now));
    EXPECT_TRUE(isInFuture(now + 0.001));
    EXPECT_TRUE(isInPast(now - 0.001));
}

TEST_F(DateOperations, SameDayIgnoresTheTimeButNotMidnight)
{
    EXPECT_TRUE(isOnSameDay(at("2026-12-07T00:00:00+01:00"), at("2026-12-07T23:59:59+01:00")));
    EXPECT_FALSE(isOnSameDay(at("2026-12-07T23:59:00+01:00"), at("2026-12-08T00:00:00+01:00")));
    // The same instant is a different day in UTC, but days are the user's.
    EXPECT_TRUE(isOnSameDay(at("2026-12-07T00:30:00+01:00"), at("2026-12-07T20:00:00+01:00")));
    EXPECT_TRUE(isToday(at("2026-12-07T23:59:59+01:00")));
    EXPECT_FALSE(isToday(at("2026-12-06T23:59:59+01:00")));
}

TEST_F(DateOperations, TomorrowIsTheNextCalendarDayAcrossMonthsAndClockChanges)
{
    EXPECT_TRUE(isTomorrow(at("2026-12-08T00:00:00+01:00"), at("2026-12-07T23:59:00+01:00")));
    EXPECT_FALSE(isTomorrow(at("2026-12-09T00:00:00+01:00"), at("2026-12-07T23:59:00+01:00")));
    EXPECT_FALSE(isTomorrow(at("2026-12-07T12:00:00+01:00"), at("2026-12-07T09:00:00+01:00")));
    EXPECT_TRUE(isTomorrow(at("2027-01-01T08:00:00+01:00"), at("2026-12-31T09:00:00+01:00")));
    // 29 March 2026 has 23 hours in Berlin.
    EXPECT_TRUE(isTomorrow(at("2026-03-29T23:30:00+02:00"), at("2026-03-28T23:30:00+01:00")));
}

TEST_F(DateOperations, AddingDaysKeepsTheWallClockAcrossDaylightSavingChanges)
{
    EXPECT_EQ(addingDays(at("2026-03-28T10:00:00+01:00"), 1), at("2026-03-29T10:00:00+02:00"));
    EXPECT_EQ(addingDays(at("2026-10-25T10:00:00+01:00"), -1), at("2026-10-24T10:00:00+02:00"));
    EXPECT_EQ(addingMinutes(at("2026-03-29T01:30:00+01:00"), 60), at("2026-03-29T03:30:00+02:00"));
    EXPECT_EQ(addingMinutes(at("2026-12-07T00:10:00+01:00"), -20), at("2026-12-06T23:50:00+01:00"));
    // Fractions of a second survive.
    EXPECT_DOUBLE_EQ(addingMinutes(Date(1000.25), 1).timeIntervalSince1970(), 1060.25);
}

TEST_F(DateOperations, DayBoundariesAndRemovingSeconds)
{
    EXPECT_EQ(beginningOfDay(at("2026-12-07T17:45:12+01:00")), at("2026-12-07T00:00:00+01:00"));
    EXPECT_EQ(endOfDay(at("2026-12-07T17:45:12+01:00")), at("2026-12-07T23:59:59+01:00"));
    EXPECT_EQ(beginningOfDay(at("2026-03-29T12:00:00+02:00")), at("2026-03-29T00:00:00+01:00"));
    EXPECT_EQ(removingSeconds(at("2026-12-07T17:45:12.75+01:00")), at("2026-12-07T17:45:00+01:00"));
    // In the hour that repeats when summer time ends, the second 02:30 stays the second one.
    EXPECT_EQ(removingSeconds(at("2026-10-25T02:30:40+01:00")), at("2026-10-25T02:30:00+01:00"));
    EXPECT_EQ(removingSeconds(at("2026-10-25T02:30:40+02:00")), at("2026-10-25T02:30:00+02:00"));
}

TEST_F(DateOperations, MakingDatesFromFields)
{
    EXPECT_EQ(makeDate(7, 12, 2026, 10, 30), at("2026-12-07T10:30:00+01:00"));
    EXPECT_EQ(makeDate(32, 1, 2026, 0, 0), at("2026-02-01T00:00:00+01:00"));
    EXPECT_EQ(makeToday(14, 5), at("2026-12-07T14:05:00+01:00"));
    EXPECT_EQ(makeToday(24, 0), at("2026-12-08T00:00:00+01:00"));
    auto fields = dateComponents(7, 12, 2026, 10, 30);
    EXPECT_EQ(fields.day, 7);
    EXPECT_EQ(fields.hour, 10);
    EXPECT_FALSE(fields.second);
    auto read = components(at("2026-12-07T10:30:15+01:00"));
    EXPECT_EQ(read, (DateComponents { 2026, 12, 7, 10, 30, 15 }));
}

TEST_F(DateOperations, ChristmasRunsFromTheTwentyFourthToTheStartOfTheTwentySixth)
{
    EXPECT_FALSE(isInChristmasPeriod(at("2026-12-23T23:59:59+01:00")));
    EXPECT_TRUE(isInChristmasPeriod(at("2026-12-24T00:00:00+01:00")));
    EXPECT_TRUE(isInChristmasPeriod(at("2026-12-25T18:00:00+01:00")));
    EXPECT_TRUE(isInChristmasPeriod(at("2026-12-26T00:00:00+01:00")));
    EXPECT_FALSE(isInChristmasPeriod(at("2026-12-26T00:00:01+01:00")));
}

TEST_F(DateOperations, DatesNoCalendarCanHoldComeBackUnchanged)
{
    Date huge(1e300);
    Date notANumber(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(addingDays(huge, 1), huge);
    EXPECT_EQ(nextFullHour(huge), huge);
    EXPECT_TRUE(std::isnan(beginningOfDay(notANumber).timeIntervalSince1970()));
    EXPECT_FALSE(isOnSameDay(notANumber, notANumber));
    EXPECT_FALSE(isInChristmasPeriod(notANumber));
    EXPECT_EQ(components(huge), DateComponents {});
    EXPECT_EQ(addingDays(Date(0), std::int64_t(1) << 40), Date(0));
}

TEST_F(DateOperations, TheModuleCalendarFollowsTheZoneItWasTakenIn)
{
    auto zone = IcuEnvironment::defaultTimeZoneIdentifier();
    IcuEnvironment::configure("America/New_York", "en_US");
    ModuleCalendar::reload();
    EXPECT_EQ(ModuleCalendar::shared().timeZoneIdentifier(), "America/New_York");
    EXPECT_EQ(beginningOfDay(at("2026-12-07T02:00:00+01:00")), at("2026-12-06T00:00:00-05:00"));
    IcuEnvironment::configure(zone, "en_US");
    ModuleCalendar::reload();
    EXPECT_EQ(beginningOfDay(at("2026-12-07T02:00:00+01:00")), at("2026-12-07T00:00:00+01:00"));
}

// The same-day test counts local days from the zone's offsets instead of reading calendar
// fields; both must agree wherever midnight is odd: skipped (Sao Paulo's spring-forward at
// midnight), a whole day missing (Apia, 30 December 2011), half-hour changes (Lord Howe),
// local mean time before standard time, and a calendar whose years and months are not the
// Gregorian ones.
TEST_F(DateOperations, SameDayAgreesWithTheCalendarsFieldsInZonesWithOddMidnights)
{
    auto zone = IcuEnvironment::defaultTimeZoneIdentifier();
    struct Case {
        const char* zone;
        const char* locale;
        const char* from;
    };
    const Case cases[] = {
        { "America/Sao_Paulo", "pt_BR", "2018-11-02T12:00:00Z" },
        { "Pacific/Apia", "en_US", "2011-12-28T12:00:00Z" },
        { "Australia/Lord_Howe", "en_AU", "2026-04-03T12:00:00Z" },
        { "Europe/Berlin", "de_DE", "1893-03-30T12:00:00Z" },
        { "Asia/Tokyo", "ja_JP@calendar=japanese", "2019-04-29T12:00:00Z" },
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.zone);
        IcuEnvironment::configure(c.zone, c.locale);
        ModuleCalendar::reload();
        auto& calendar = ModuleCalendar::shared();
        Date first = at(c.from);
        // Every 20 minutes over four days, each against the instants of the next 30 hours.
        for (int i = 0; i < 4 * 72; ++i) {
            Date left = first + i * 1200.0;
            auto leftFields = calendar.components(left);
            ASSERT_TRUE(leftFields);
            for (int j = 0; j <= 90; j += 7) {
                Date right = left + j * 1200.0;
                auto rightFields = calendar.components(right);
                bool fieldsSame = leftFields->year == rightFields->year && leftFields->month == rightFields->month
                    && leftFields->day == rightFields->day;
                ASSERT_EQ(isOnSameDay(left, right), fieldsSame) << ISO8601::format(left) << " and " << ISO8601::format(right);
            }
        }
    }
    IcuEnvironment::configure(zone, "en_US");
    ModuleCalendar::reload();
    EXPECT_TRUE(isOnSameDay(at("2026-12-07T00:30:00+01:00"), at("2026-12-07T20:00:00+01:00")));
}

TEST(TimeUnits, ConvertBetweenCountsAndSeconds)
{
    EXPECT_EQ(minutes(5), 300);
    EXPECT_EQ(hours(-2), -7200);
    EXPECT_EQ(days(1), DAY);
    EXPECT_DOUBLE_EQ(asMinutes(90), 1.5);
    EXPECT_DOUBLE_EQ(asHours(5400), 1.5);
    EXPECT_DOUBLE_EQ(asDays(43200), 0.5);
}

TEST(ModuleCalendar, ComponentsWithAZoneAreReadInThatZone)
{
    DateComponents inTokyo { 2026, 12, 7, 9, 0, 0, "Asia/Tokyo" };
    EXPECT_EQ(ModuleCalendar::shared().date(inTokyo), Date(1796601600)); // 2026-12-07T00:00:00Z
    DateComponents unknownZone { 2026, 12, 7, 9, 0, 0, "Mars/Olympus_Mons" };
    DateComponents local { 2026, 12, 7, 9, 0, 0 };
    EXPECT_EQ(ModuleCalendar::shared().date(unknownZone), ModuleCalendar::shared().date(local))
        << "an unknown zone falls back to the user's";
}

TEST_F(DateOperations, RepeatedAndSkippedReadingsArePlacedByTheWallClockRule)
{
    // 27 October 2030: 02:30 happens twice in Berlin; a reminder due then is due at the first.
    EXPECT_EQ(makeDate(27, 10, 2030, 2, 30), at("2030-10-27T02:30:00+02:00"));
    DateComponents dueInBerlin { 2030, 10, 27, 2, 30, 0, std::string("Europe/Berlin") };
    EXPECT_EQ(ModuleCalendar::shared().date(dueInBerlin), at("2030-10-27T02:30:00+02:00"));
    DateComponents dueInNewYork { 2030, 11, 3, 1, 30, 0, std::string("America/New_York") };
    EXPECT_EQ(ModuleCalendar::shared().date(dueInNewYork), at("2030-11-03T01:30:00-04:00"));
    // 31 March 2030: 02:30 does not exist; it moves forward by the gap.
    EXPECT_EQ(makeDate(31, 3, 2030, 2, 30), at("2030-03-31T03:30:00+02:00"));
    // Days keep the wall clock and land on the first 02:30, or past the gap.
    EXPECT_EQ(addingDays(at("2030-10-26T02:30:00+02:00"), 1), at("2030-10-27T02:30:00+02:00"));
    EXPECT_EQ(addingDays(at("2030-10-28T02:30:00+01:00"), -1), at("2030-10-27T02:30:00+02:00"));
    EXPECT_EQ(addingDays(at("2030-03-30T02:30:00+01:00"), 1), at("2030-03-31T03:30:00+02:00"));
}

TEST_F(DateOperations, TheNextFullHourSkipsNoHourWhenTheClocksChange)
{
    EXPECT_EQ(nextFullHour(at("2030-10-27T01:40:00+02:00")), at("2030-10-27T02:00:00+02:00"));
    EXPECT_EQ(nextFullHour(at("2030-10-27T02:40:00+02:00")), at("2030-10-27T02:00:00+01:00")) << "the second 02:00";
    EXPECT_EQ(nextFullHour(at("2030-10-27T02:40:00+01:00")), at("2030-10-27T03:00:00+01:00"));
    EXPECT_EQ(nextFullHour(at("2030-03-31T01:40:00+01:00")), at("2030-03-31T03:00:00+02:00")) << "02:00 does not exist";
}

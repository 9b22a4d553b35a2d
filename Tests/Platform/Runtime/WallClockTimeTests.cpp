// The one rule that places wall-clock readings where the clocks change: in Berlin and New York
// (whole hours), and on Lord Howe Island, whose clocks move by half an hour.

#include "Platform/Runtime/WallClockTime.hpp"

#include "Platform/Runtime/CivilTime.hpp"
#include "Platform/Runtime/ISO8601.hpp"

#include <gtest/gtest.h>

using namespace tvk;

namespace {

/// "2026-03-29T02:30" read in `zone`, printed as UTC.
std::string placed(const char* zone, std::int64_t year, unsigned month, unsigned day, unsigned hour, unsigned minute)
{
    auto offsets = WallClockTime::offsetsOfZone(zone);
    EXPECT_TRUE(offsets) << zone;
    if (!offsets)
        return "";
    auto seconds = WallClockTime::secondsSince1970(CivilTime { year, month, day, hour, minute, 0 }.secondsSince1970(), *offsets);
    if (!seconds)
        return "none";
    auto utc = CivilTime::fromSecondsSince1970(*seconds);
    char text[32];
    std::snprintf(
        text, sizeof text, "%04lld-%02u-%02uT%02u:%02uZ", static_cast<long long>(utc.year), utc.month, utc.day, utc.hour, utc.minute);
    return text;
}

}

TEST(WallClockTime, ASkippedReadingMovesForwardByTheGapAndARepeatedOneIsItsFirstOccurrence)
{
    // Berlin, 29 March 2026: 02:00 CET becomes 03:00 CEST. 02:30 does not exist; it is 03:30 CEST.
    EXPECT_EQ(placed("Europe/Berlin", 2026, 3, 29, 2, 30), "2026-03-29T01:30Z");
    // Berlin, 25 October 2026: 03:00 CEST becomes 02:00 CET. 02:30 happens twice; the first is CEST.
    EXPECT_EQ(placed("Europe/Berlin", 2026, 10, 25, 2, 30), "2026-10-25T00:30Z");
    // New York, 8 March 2026: 02:30 does not exist; it is 03:30 EDT.
    EXPECT_EQ(placed("America/New_York", 2026, 3, 8, 2, 30), "2026-03-08T07:30Z");
    // New York, 1 November 2026: 01:30 happens twice; the first is EDT.
    EXPECT_EQ(placed("America/New_York", 2026, 11, 1, 1, 30), "2026-11-01T05:30Z");
}

TEST(WallClockTime, ReadingsBesideAChangeHaveTheirOneInstant)
{
    EXPECT_EQ(placed("Europe/Berlin", 2026, 12, 7, 9, 30), "2026-12-07T08:30Z");
    EXPECT_EQ(placed("Europe/Berlin", 2026, 3, 29, 1, 59), "2026-03-29T00:59Z");
    EXPECT_EQ(placed("Europe/Berlin", 2026, 3, 29, 3, 0), "2026-03-29T01:00Z");
    EXPECT_EQ(placed("Europe/Berlin", 2026, 10, 25, 1, 59), "2026-10-24T23:59Z");
    EXPECT_EQ(placed("Europe/Berlin", 2026, 10, 25, 3, 0), "2026-10-25T02:00Z");
    EXPECT_EQ(placed("America/New_York", 2026, 11, 1, 2, 0), "2026-11-01T07:00Z");
}

TEST(WallClockTime, HalfHourChangesFollowTheSameRule)
{
    // Lord Howe Island, 4 October 2026: 02:00 (+10:30) becomes 02:30 (+11:00).
    EXPECT_EQ(placed("Australia/Lord_Howe", 2026, 10, 4, 2, 15), "2026-10-03T15:45Z") << "02:45 +11:00";
    // 5 April 2026: 02:00 (+11:00) becomes 01:30 (+10:30); 01:45 first happens at +11:00.
    EXPECT_EQ(placed("Australia/Lord_Howe", 2026, 4, 5, 1, 45), "2026-04-04T14:45Z");
}

TEST(WallClockTime, AZoneThatCannotTellPlacesNothing)
{
    EXPECT_FALSE(WallClockTime::offsetsOfZone("Mars/Olympus_Mons"));
    EXPECT_FALSE(WallClockTime::secondsSince1970(0, [](std::int64_t) { return std::optional<std::int64_t>(); }));
    auto fixed = [](std::int64_t) { return std::optional<std::int64_t>(-3 * 3600); };
    EXPECT_EQ(WallClockTime::secondsSince1970(0, fixed), 3 * 3600) << "a zone without rules is a plain offset";
}

TEST(WallClockTime, TimesTypedWithoutOffsetFollowTheRule)
{
    // The test programs run in Europe/Berlin (see TestMain).
    EXPECT_EQ(ISO8601::format(*ISO8601::parse("2026-03-29T02:30")), "2026-03-29T03:30:00+02:00");
    EXPECT_EQ(ISO8601::format(*ISO8601::parse("2026-10-25T02:30")), "2026-10-25T02:30:00+02:00");
}

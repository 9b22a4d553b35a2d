#include "Platform/Runtime/ISO8601.hpp"

#include "Platform/Runtime/IcuEnvironment.hpp"

#include <gtest/gtest.h>

using namespace tvk;

// The test programs run in Europe/Berlin (see TestMain).

TEST(ISO8601, ParsesExplicitOffsetsAndUtc)
{
    EXPECT_EQ(ISO8601::parse("2023-11-14T22:13:20Z"), Date(1700000000));
    EXPECT_EQ(ISO8601::parse("2023-11-14T23:13:20+01:00"), Date(1700000000));
    EXPECT_EQ(ISO8601::parse("2023-11-14T17:13:20-0500"), Date(1700000000));
    EXPECT_EQ(ISO8601::parse("2023-11-14 22:13:20.5Z"), Date(1700000000.5));
    EXPECT_EQ(ISO8601::parse("2023-11-14T22:13Z"), Date(1699999980));
}

TEST(ISO8601, ReadsTimesWithoutOffsetInTheLocalZoneAcrossDaylightSaving)
{
    // Winter: UTC+1; summer: UTC+2.
    EXPECT_EQ(ISO8601::parse("2026-01-15T10:00:00"), ISO8601::parse("2026-01-15T09:00:00Z"));
    EXPECT_EQ(ISO8601::parse("2026-07-15T10:00:00"), ISO8601::parse("2026-07-15T08:00:00Z"));
    EXPECT_EQ(ISO8601::parse("2026-12-07"), ISO8601::parse("2026-12-06T23:00:00Z"));
}

TEST(ISO8601, RejectsMalformedAndOutOfRangeText)
{
    for (const char* text : { "", "2026", "2026-13-01", "2026-02-29", "2026-01-01T24:00", "2026-01-01T10", "2026-01-01T10:00:00+25:00",
             "2026-01-01T10:00:00Zjunk", "yesterday", "2026-1-1" })
        EXPECT_FALSE(ISO8601::parse(text).has_value()) << text;
    EXPECT_TRUE(ISO8601::parse("2024-02-29").has_value());
}

TEST(ISO8601, FormatsInTheLocalZoneWithItsOffset)
{
    EXPECT_EQ(ISO8601::format(Date(1700000000)), "2023-11-14T23:13:20+01:00");
    EXPECT_EQ(ISO8601::format(*ISO8601::parse("2026-07-15T08:00:00Z")), "2026-07-15T10:00:00+02:00");
    EXPECT_EQ(ISO8601::parse(ISO8601::format(Date(1234567890))), Date(1234567890));
}

// Formatting keeps a copy of the zone per thread; a change of the default zone must reach it,
// on the thread that formatted before the change too.
TEST(ISO8601, FormatsInTheNewZoneOnceTheDefaultZoneChanges)
{
    auto zone = IcuEnvironment::defaultTimeZoneIdentifier();
    auto locale = IcuEnvironment::defaultLocaleIdentifier();
    EXPECT_EQ(ISO8601::format(Date(1700000000)), "2023-11-14T23:13:20+01:00");
    IcuEnvironment::configure("America/New_York", locale);
    EXPECT_EQ(ISO8601::format(Date(1700000000)), "2023-11-14T17:13:20-05:00");
    IcuEnvironment::configure(zone, locale);
    EXPECT_EQ(ISO8601::format(Date(1700000000)), "2023-11-14T23:13:20+01:00");
}

// Every field is two digits (the year four), and offsets keep their minutes and sign.
TEST(ISO8601, PadsEveryFieldAndKeepsTheMinutesAndSignOfTheOffset)
{
    auto zone = IcuEnvironment::defaultTimeZoneIdentifier();
    auto locale = IcuEnvironment::defaultLocaleIdentifier();
    EXPECT_EQ(ISO8601::format(*ISO8601::parse("0999-01-02T03:04:05Z")), "0999-01-02T03:57:33+00:53");
    IcuEnvironment::configure("Asia/Kolkata", locale);
    EXPECT_EQ(ISO8601::format(*ISO8601::parse("2026-03-04T00:00:09Z")), "2026-03-04T05:30:09+05:30");
    IcuEnvironment::configure("America/St_Johns", locale);
    EXPECT_EQ(ISO8601::format(*ISO8601::parse("2026-01-01T03:29:59Z")), "2025-12-31T23:59:59-03:30");
    IcuEnvironment::configure("Pacific/Chatham", locale);
    EXPECT_EQ(ISO8601::format(*ISO8601::parse("2026-12-31T10:15:00Z")), "2027-01-01T00:00:00+13:45");
    IcuEnvironment::configure("UTC", locale);
    EXPECT_EQ(ISO8601::format(Date(253402300800.0)), "10000-01-01T00:00:00+00:00");
    EXPECT_EQ(ISO8601::format(Date(0.75)), "1970-01-01T00:00:00+00:00");
    IcuEnvironment::configure(zone, locale);
}

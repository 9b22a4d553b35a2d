#include "Platform/Runtime/Date.hpp"
#include "Platform/Runtime/DoubleDescription.hpp"
#include "Platform/Runtime/ProcessClock.hpp"

#include <gtest/gtest.h>

using namespace tvk;

TEST(Date, ConvertsBetweenThe1970AndTheReferenceDateEpochs)
{
    auto date = Date::fromTimeIntervalSinceReferenceDate(0);
    EXPECT_EQ(date.timeIntervalSince1970(), 978307200.0);
    EXPECT_EQ(date.description(), "2001-01-01 00:00:00 +0000");
    EXPECT_EQ(Date(1700000000.5).timeIntervalSinceReferenceDate(), 1700000000.5 - 978307200.0);
}

TEST(Date, ArithmeticAndComparisonWorkInSeconds)
{
    Date start(1000);
    Date end = start + 3600;
    EXPECT_EQ(end - start, 3600);
    EXPECT_EQ(end - 3600, start);
    EXPECT_LT(start, end);
    EXPECT_TRUE(start == Date(1000));
}

TEST(Date, DescriptionIsUtcWithoutFractionsAndWorksBefore1970)
{
    EXPECT_EQ(Date(1700000000).description(), "2023-11-14 22:13:20 +0000");
    EXPECT_EQ(Date(1700000000.999).description(), "2023-11-14 22:13:20 +0000");
    EXPECT_EQ(Date(-1).description(), "1969-12-31 23:59:59 +0000");
    EXPECT_EQ(Date(951782400).description(), "2000-02-29 00:00:00 +0000");
}

TEST(Date, DescriptionOfAnAbsurdDateIsSafe)
{
    EXPECT_NE(Date(1e300).description().find("out of range"), std::string::npos);
    EXPECT_NE(Date(std::numeric_limits<double>::quiet_NaN()).description().find("nan"), std::string::npos);
}

TEST(DoubleDescription, WholeNumbersKeepOneDigitAfterThePoint)
{
    EXPECT_EQ(describeDouble(1700000000.0), "1700000000.0");
    EXPECT_EQ(Date(1700000000).secondsDescription(), "1700000000.0");
    EXPECT_EQ(describeDouble(0.0), "0.0");
    EXPECT_EQ(describeDouble(-3.0), "-3.0");
    EXPECT_EQ(describeDouble(100.0), "100.0");
}

TEST(DoubleDescription, FractionsUseTheShortestDigitsThatReadBack)
{
    EXPECT_EQ(describeDouble(0.25), "0.25");
    EXPECT_EQ(describeDouble(0.1), "0.1");
    EXPECT_EQ(describeDouble(1700000000.123), "1700000000.123");
    EXPECT_EQ(describeDouble(0.0001), "0.0001");
    EXPECT_EQ(describeDouble(1.0 / 3.0), "0.3333333333333333");
    for (double value : { 0.1, 1700000000.123, 1.0 / 3.0, 123456.789e3, 2.5e-3 })
        EXPECT_EQ(std::stod(describeDouble(value)), value) << describeDouble(value);
}

TEST(DoubleDescription, VeryLargeAndVerySmallMagnitudesUseExponentForm)
{
    EXPECT_EQ(describeDouble(1e16), "1e+16");
    EXPECT_EQ(describeDouble(9007199254740991.0), "9007199254740991.0");
    EXPECT_EQ(describeDouble(1.5e-5), "1.5e-05");
    EXPECT_EQ(describeDouble(-2.5e20), "-2.5e+20");
    EXPECT_EQ(describeDouble(std::numeric_limits<double>::infinity()), "inf");
}

TEST(ProcessClock, APinnedClockStandsStillUntilAdvancedOrUnpinned)
{
    ProcessClock::pin(Date(1000));
    EXPECT_EQ(Date::now(), Date(1000));
    EXPECT_EQ(Date::now(), Date(1000));
    ProcessClock::advance(60);
    EXPECT_EQ(Date::now(), Date(1060));
    ProcessClock::unpin();
    EXPECT_GT(Date::now(), Date(1600000000));
}

#include "TVKUtils/RelativeTime.hpp"

#include "Platform/Runtime/ISO8601.hpp"
#include "Platform/Runtime/IcuEnvironment.hpp"
#include "Platform/Runtime/ProcessClock.hpp"
#include "TVKLocalization/LocalizationBundle.hpp"
#include "TVKUtils/ModuleCalendar.hpp"

#include <gtest/gtest.h>

using namespace tvk;

namespace {

Date at(const char* text)
{
    return ISO8601::parse(text).value_or(Date());
}

const char* const nb = "\u202F";

std::string shortText(
    Date date, Date reference, ForAccessibility accessibility = ForAccessibility::no, IsCurrentEvent current = IsCurrentEvent::no)
{
    return formattedShortRelativeTime(date, reference, accessibility, current);
}

class RelativeTime : public testing::Test {
protected:
    Date reference = at("2026-12-07T09:00:00+01:00");
    void SetUp() override { ProcessClock::pin(reference); }
    void TearDown() override
    {
        IcuEnvironment::configure("Europe/Berlin", "en_US");
        ModuleCalendar::reload();
        LocalizationBundle::setPreferredLanguages(std::nullopt);
        ProcessClock::unpin();
    }
};

}

TEST_F(RelativeTime, TheWorkedExamples)
{
    EXPECT_EQ(shortText(reference + 5400, reference), std::string("in 1") + nb + "h 30" + nb + "m");
    EXPECT_EQ(formattedCompactRelativeTime(reference + 5400, reference, IsCurrentEvent::no), "1h30");
    EXPECT_EQ(formattedCompactRelativeTime(reference - 45, reference, IsCurrentEvent::no), "1m ago");
    EXPECT_EQ(shortText(reference + 10, reference), "now");
    EXPECT_EQ(formattedCompactRelativeTime(reference - 10, reference, IsCurrentEvent::yes), "now");
}

TEST_F(RelativeTime, AmountsAreTruncatedAfterRoundingToWholeSeconds)
{
    EXPECT_EQ(shortText(reference + 29.4, reference), "now");
    EXPECT_EQ(shortText(reference + 29.5, reference), std::string("in 1") + nb + "m");
    EXPECT_EQ(shortText(reference + 60, reference), std::string("in 1") + nb + "m");
    EXPECT_EQ(shortText(reference + 119, reference), std::string("in 1") + nb + "m");
    // Exactly one hour is still counted in minutes, exactly one day in hours.
    EXPECT_EQ(shortText(reference + 3600, reference), std::string("in 60") + nb + "m");
    EXPECT_EQ(formattedCompactRelativeTime(reference + 86400, reference, IsCurrentEvent::no), "tmr 9:00\u202FAM");
    EXPECT_EQ(formattedCompactRelativeTime(reference + 3 * 3600 + 5 * 60, reference, IsCurrentEvent::no), "3h05");
    EXPECT_EQ(shortText(reference + 3 * 86400 + 7200, reference), std::string("in 3") + nb + "d");
}

TEST_F(RelativeTime, PastCurrentAndAccessibleForms)
{
    EXPECT_EQ(shortText(reference - 45 * 60, reference), std::string("45") + nb + "m ago");
    EXPECT_EQ(
        shortText(reference + 5400, reference, ForAccessibility::no, IsCurrentEvent::yes), std::string("1") + nb + "h 30" + nb + "m left");
    EXPECT_EQ(shortText(reference + 5400, reference, ForAccessibility::yes), std::string("in 1") + nb + "hour 30" + nb + "minutes");
    EXPECT_EQ(shortText(reference + 2 * 86400 + 1, reference, ForAccessibility::yes), std::string("in 2") + nb + "days");
    EXPECT_EQ(formattedCompactRelativeTime(reference + 600, reference, IsCurrentEvent::yes), "10m left");
    EXPECT_EQ(formattedCompactRelativeTime(reference + 600, reference, IsCurrentEvent::no), "10m");
}

TEST_F(RelativeTime, SpokenUnitsAgreeWithTheirNumbersInEveryPhrase)
{
    auto spoken = [&](TimeInterval offset, IsCurrentEvent current = IsCurrentEvent::no) {
        return shortText(reference + offset, reference, ForAccessibility::yes, current);
    };
    EXPECT_EQ(spoken(90), std::string("in 1") + nb + "minute");
    EXPECT_EQ(spoken(45), std::string("in 1") + nb + "minute") << "half a minute and more reads as one";
    EXPECT_EQ(spoken(3600 + 61), std::string("in 1") + nb + "hour 1" + nb + "minute");
    EXPECT_EQ(spoken(2 * 3600 + 120), std::string("in 2") + nb + "hours 2" + nb + "minutes");
    EXPECT_EQ(spoken(39 * 3600 + 1800), std::string("in 1") + nb + "day");
    EXPECT_EQ(spoken(86400 + 3600, IsCurrentEvent::yes), std::string("1") + nb + "day left");
    EXPECT_EQ(spoken(-(3 * 86400 + 5)), std::string("3") + nb + "days ago");
    EXPECT_EQ(spoken(-(86400 + 5)), std::string("1") + nb + "day ago");
    EXPECT_EQ(spoken(-(3600 + 60)), std::string("1") + nb + "hour 1" + nb + "minute ago");
}

TEST_F(RelativeTime, GermanSpokenUnitsAgreeInNumberAndCase)
{
    IcuEnvironment::configure("Europe/Berlin", "de_DE");
    ModuleCalendar::reload();
    LocalizationBundle::setPreferredLanguages(std::vector<std::string> { "de" });
    auto spoken = [&](TimeInterval offset, IsCurrentEvent current = IsCurrentEvent::no) {
        return shortText(reference + offset, reference, ForAccessibility::yes, current);
    };
    EXPECT_EQ(spoken(39 * 3600 + 1800), std::string("in 1") + nb + "Tag") << "the day after tomorrow, just past midnight";
    EXPECT_EQ(spoken(3 * 86400 + 5), std::string("in 3") + nb + "Tagen");
    EXPECT_EQ(spoken(-(3 * 86400 + 5)), std::string("vor 3") + nb + "Tagen");
    EXPECT_EQ(spoken(3 * 86400 + 5, IsCurrentEvent::yes), std::string("noch 3") + nb + "Tage");
    EXPECT_EQ(spoken(-(86400 + 5)), std::string("vor 1") + nb + "Tag");
    EXPECT_EQ(spoken(3600 + 61), std::string("in 1") + nb + "Stunde 1" + nb + "Minute");
    EXPECT_EQ(spoken(-(2 * 3600 + 300)), std::string("vor 2") + nb + "Stunden 5" + nb + "Minuten");
    EXPECT_EQ(spoken(600, IsCurrentEvent::yes), std::string("noch 10") + nb + "Minuten");
}

TEST_F(RelativeTime, TomorrowMoreThanFourHoursAheadReadsAsTheDayAndTime)
{
    Date tomorrow = at("2026-12-08T10:00:00+01:00");
    EXPECT_EQ(shortText(tomorrow, reference), "tomorrow 10:00\u202FAM");
    EXPECT_EQ(formattedCompactRelativeTime(tomorrow, reference, IsCurrentEvent::no), "tmr 10:00\u202FAM");
    // A running event counts down in the short form, but the compact form names the day.
    EXPECT_EQ(shortText(tomorrow, reference, ForAccessibility::no, IsCurrentEvent::yes), std::string("1") + nb + "d left");
    EXPECT_EQ(formattedCompactRelativeTime(tomorrow, reference, IsCurrentEvent::yes), "tmr 10:00\u202FAM");
    // Tomorrow but within four hours: an amount.
    Date lateEvening = at("2026-12-07T23:00:00+01:00");
    EXPECT_EQ(shortText(at("2026-12-08T01:30:00+01:00"), lateEvening), std::string("in 2") + nb + "h 30" + nb + "m");
}

TEST_F(RelativeTime, GermanTexts)
{
    IcuEnvironment::configure("Europe/Berlin", "de_DE");
    ModuleCalendar::reload();
    LocalizationBundle::setPreferredLanguages(std::vector<std::string> { "de" });
    EXPECT_EQ(shortText(reference + 5400, reference), std::string("in 1") + nb + "h 30" + nb + "min");
    EXPECT_EQ(formattedCompactRelativeTime(reference - 45, reference, IsCurrentEvent::no), "vor 1min");
    EXPECT_EQ(shortText(reference + 5400, reference, ForAccessibility::no, IsCurrentEvent::yes),
        std::string("noch 1") + nb + "h 30" + nb + "min");
    EXPECT_EQ(shortText(reference + 10, reference), "jetzt");
    EXPECT_EQ(shortText(at("2026-12-08T10:00:00+01:00"), reference), "morgen 10:00");
    EXPECT_EQ(formattedWithOnAndAt(at("2026-12-07T16:00:00+01:00"), DateFormatter::dateOnly(), DateFormatter::timeOnly()), "um 16:00");
    EXPECT_EQ(formattedWithOnAndAt(at("2026-12-24T16:00:00+01:00"), DateFormatter::dateOnly(), DateFormatter::timeOnly()),
        "am 24. Dezember 2026 um 16:00");
    EXPECT_EQ(formattedRelativeTime(reference + 5400, reference), "in 1 Stunde");
}

TEST_F(RelativeTime, OnAndAtInEnglish)
{
    EXPECT_EQ(
        formattedWithOnAndAt(at("2026-12-07T16:00:00+01:00"), DateFormatter::dateOnly(), DateFormatter::timeOnly()), "at 4:00\u202FPM");
    EXPECT_EQ(formattedWithOnAndAt(at("2026-12-08T16:00:00+01:00"), DateFormatter::dateOnly(), DateFormatter::timeOnly()),
        "on December 8, 2026 at 4:00\u202FPM");
    EXPECT_EQ(formattedRelativeTime(reference - 120, reference), "2 minutes ago");
}

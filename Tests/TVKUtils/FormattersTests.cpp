#include "TVKUtils/DateComponentsFormatter.hpp"
#include "TVKUtils/DateFormatter.hpp"
#include "TVKUtils/ModuleCalendar.hpp"
#include "TVKUtils/RelativeDateTimeFormatter.hpp"

#include "Platform/Runtime/ISO8601.hpp"
#include "Platform/Runtime/IcuEnvironment.hpp"
#include "Platform/Runtime/ProcessClock.hpp"
#include "TVKLocalization/LocalizationBundle.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <thread>

using namespace tvk;

namespace {

Date at(const char* text)
{
    return ISO8601::parse(text).value_or(Date());
}

/// Formats and catalog in a locale, Berlin time, clock pinned to Monday 7 December 2026 09:00.
class Formatters : public testing::Test {
protected:
    void use(const char* locale, const char* language)
    {
        IcuEnvironment::configure("Europe/Berlin", locale);
        ModuleCalendar::reload();
        LocalizationBundle::setPreferredLanguages(std::vector<std::string> { language });
    }
    void SetUp() override
    {
        ProcessClock::pin(at("2026-12-07T09:00:00+01:00"));
        use("en_US", "en");
    }
    void TearDown() override
    {
        use("en_US", "en");
        LocalizationBundle::setPreferredLanguages(std::nullopt);
        ProcessClock::unpin();
    }

    static std::string duration(const DateComponentsFormatter& formatter, double seconds)
    {
        return formatter.string(seconds).value_or("(none)");
    }
};

}

TEST_F(Formatters, DateFormattersInAmericanEnglish)
{
    Date date = at("2026-12-07T10:30:00+01:00");
    EXPECT_EQ(DateFormatter::timeOnly().string(date), "10:30\u202FAM");
    EXPECT_EQ(DateFormatter::dateOnly().string(date), "December 7, 2026");
    EXPECT_EQ(DateFormatter::dateOnlyNoYearWeekDay().string(date), "Mon, Dec 7");
    EXPECT_EQ(DateFormatter::weekDay().string(date), "Monday");
    EXPECT_EQ(DateFormatter::calendarEventOccurrence().string(date), "20261207T093000Z");
    EXPECT_EQ(DateFormatter::dateOnlyNoYearWeekDay().pattern(), "EEE, MMM d");
}

TEST_F(Formatters, DateFormattersInGerman)
{
    use("de_DE", "de");
    Date date = at("2026-12-07T10:30:00+01:00");
    EXPECT_EQ(DateFormatter::timeOnly().string(date), "10:30");
    EXPECT_EQ(DateFormatter::dateOnly().string(date), "7. Dezember 2026");
    EXPECT_EQ(DateFormatter::dateOnlyNoYearWeekDay().string(date), "Mo., 7. Dez.");
    EXPECT_EQ(DateFormatter::weekDay().string(date), "Montag");
    EXPECT_EQ(DateFormatter::calendarEventOccurrence().string(date), "20261207T093000Z");
}

TEST_F(Formatters, RelativeDateWordsFollowThePinnedClock)
{
    const auto& formatter = DateFormatter::timeAndDateFormatter();
    EXPECT_EQ(formatter.string(at("2026-12-07T10:30:00+01:00")), "today, 10:30\u202FAM");
    EXPECT_EQ(formatter.string(at("2026-12-08T23:59:00+01:00")), "tomorrow, 11:59\u202FPM");
    EXPECT_EQ(formatter.string(at("2026-12-06T08:00:00+01:00")), "yesterday, 8:00\u202FAM");
    EXPECT_EQ(formatter.string(at("2026-12-09T10:30:00+01:00")), "Dec 9, 2026, 10:30\u202FAM");
    ProcessClock::pin(at("2026-12-08T23:30:00+01:00"));
    EXPECT_EQ(formatter.string(at("2026-12-08T23:59:00+01:00")), "today, 11:59\u202FPM");

    use("de_DE", "de");
    ProcessClock::pin(at("2026-12-07T09:00:00+01:00"));
    EXPECT_EQ(formatter.string(at("2026-12-07T10:30:00+01:00")), "heute, 10:30");
    EXPECT_EQ(formatter.string(at("2026-12-09T10:30:00+01:00")), "übermorgen, 10:30");
    EXPECT_EQ(formatter.string(at("2026-12-10T10:30:00+01:00")), "10.12.2026, 10:30");
}

TEST_F(Formatters, ATextMadeBeforeIsMadeAgainWhenMidnightOrTheTimeZoneHasChangedIt)
{
    const auto& relative = DateFormatter::timeAndDateFormatter();
    // Across the midnight that ends a 23-hour day (clocks went forward that morning).
    Date breakfast = at("2027-03-29T08:00:00+02:00");
    ProcessClock::pin(at("2027-03-28T23:59:00+02:00"));
    EXPECT_EQ(relative.string(breakfast), "tomorrow, 8:00\u202FAM");
    ProcessClock::pin(at("2027-03-29T00:00:00+02:00"));
    EXPECT_EQ(relative.string(breakfast), "today, 8:00\u202FAM");
    ProcessClock::pin(at("2027-03-30T00:00:00+02:00"));
    EXPECT_EQ(relative.string(breakfast), "yesterday, 8:00\u202FAM");
    ProcessClock::pin(at("2027-03-29T12:00:00+02:00"));
    EXPECT_EQ(relative.string(breakfast), "today, 8:00\u202FAM") << "the clock set back";

    Date date = at("2026-12-07T10:30:00+01:00");
    EXPECT_EQ(DateFormatter::timeOnly().string(date), "10:30\u202FAM");
    IcuEnvironment::configure("America/New_York", "en_US");
    ModuleCalendar::reload();
    EXPECT_EQ(DateFormatter::timeOnly().string(date), "4:30\u202FAM");
}

TEST_F(Formatters, CountdownShowsAtMostTwoUnitsAndDropsZeros)
{
    const auto& countdown = DateComponentsFormatter::countdownFormatter();
    EXPECT_EQ(duration(countdown, 5400), "1h 30m");
    EXPECT_EQ(duration(countdown, 3600), "1h");
    EXPECT_EQ(duration(countdown, 2 * 86400 + 3 * 3600 + 4 * 60), "2d 3h");
    // The two units are days and hours; the zero hours drop and the minutes are past the limit.
    EXPECT_EQ(duration(countdown, 86400 + 5 * 60), "1d");
    EXPECT_EQ(duration(countdown, 119), "1m");
    EXPECT_EQ(duration(countdown, 59), "0m");
    EXPECT_EQ(duration(countdown, -3900), "-1h 5m");
    EXPECT_EQ(countdown.string(std::nan("")), std::nullopt);
    EXPECT_EQ(countdown.string(1e300), std::nullopt);
}

TEST_F(Formatters, DurationAndTimeRemainingTexts)
{
    EXPECT_EQ(duration(DateComponentsFormatter::durationFormatter(), 86400 + 3 * 3600 + 5 * 60), "1d 3h 5m");
    EXPECT_EQ(duration(DateComponentsFormatter::durationFormatterForAccessibility(), 3900), "1 hour, 5 minutes");
    EXPECT_EQ(duration(DateComponentsFormatter::durationFormatterForAccessibility(), 86400 + 60), "1 day, 1 minute");
    EXPECT_EQ(duration(DateComponentsFormatter::durationFormatterForTimeOffset(), 90), "1 minute, 30 seconds");
    EXPECT_EQ(duration(DateComponentsFormatter::durationFormatterForTimeOffset(), 0), "0 seconds");
    EXPECT_EQ(duration(DateComponentsFormatter::timeRemainingFormatter(), 3599), "59m remaining");
    EXPECT_EQ(duration(DateComponentsFormatter::timeRemainingFormatter(), 42), "42s remaining");
    EXPECT_EQ(duration(DateComponentsFormatter::timeRemainingFormatter(), 2 * 86400 + 5), "2d remaining");
}

TEST_F(Formatters, DurationsInGerman)
{
    use("de_DE", "de");
    EXPECT_EQ(duration(DateComponentsFormatter::countdownFormatter(), 5400), "1 Std., 30 Min.");
    EXPECT_EQ(duration(DateComponentsFormatter::durationFormatterForAccessibility(), 3900), "1 Stunde, 5 Minuten");
    EXPECT_EQ(duration(DateComponentsFormatter::timeRemainingFormatter(), 300), "noch 5 Min.");
}

TEST_F(Formatters, ASpanBetweenDatesCountsCalendarDays)
{
    // Saturday noon to Sunday noon across the spring change is 23 hours, and one day.
    const auto& formatter = DateComponentsFormatter::countdownFormatter();
    EXPECT_EQ(formatter.string(at("2026-03-28T12:00:00+01:00"), at("2026-03-29T12:00:00+02:00")), "1d");
    EXPECT_EQ(formatter.string(at("2026-12-07T09:00:00+01:00"), at("2026-12-07T10:30:30+01:00")), "1h 30m");
    EXPECT_EQ(formatter.string(at("2026-12-07T10:30:00+01:00"), at("2026-12-07T09:00:00+01:00")), "-1h 30m");
}

TEST_F(Formatters, ThePlatformRelativeTextUsesTheLargestWholeUnit)
{
    const auto& formatter = RelativeDateTimeFormatter::standard();
    Date now = Date::now();
    EXPECT_EQ(formatter.localizedString(now + 5400, now), "in 1 hour");
    EXPECT_EQ(formatter.localizedString(now - 3 * 86400, now), "3 days ago");
    EXPECT_EQ(formatter.localizedString(now + 14 * 86400, now), "in 2 weeks");
    EXPECT_EQ(formatter.localizedString(now, now), "in 0 seconds");
    use("de_DE", "de");
    EXPECT_EQ(formatter.localizedString(now - 3 * 86400, now), "vor 3 Tagen");
}

TEST_F(Formatters, SharedFormattersAreSafeFromManyThreads)
{
    std::vector<std::thread> threads;
    std::atomic<int> wrong { 0 };
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 300; ++i) {
                Date date = at("2026-12-07T10:30:00+01:00") + 60.0 * t;
                std::string expected = "10:3" + std::to_string(t) + "\u202FAM";
                wrong += DateFormatter::timeOnly().string(date) != expected;
                wrong += DateComponentsFormatter::countdownFormatter().string(60.0 * (t + 1)) != std::to_string(t + 1) + "m";
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(wrong.load(), 0);
}

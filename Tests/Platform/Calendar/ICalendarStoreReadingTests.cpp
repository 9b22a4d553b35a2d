// How the file store reads what an item says about its time: occurrences added and removed
// beside a rule, floating and all-day times, a span across a clock change, and alarms; and the
// files it will not read.

#include "Platform/Calendar/ICalendarStore.hpp"

#include "Platform/Calendar/ICalendarParser.hpp"
#include "Platform/Runtime/ISO8601.hpp"
#include "Platform/Runtime/PlatformLog.hpp"
#include "Tests/Support/TemporaryDirectory.hpp"

#include <gtest/gtest.h>

#include <algorithm>

using namespace tvk;

namespace {

class ICalendarStoreReading : public testing::Test {
protected:
    void SetUp() override
    {
        directory.write("home/personal/items.ics",
            tvk::test::readFile(std::filesystem::path(TVK_TEST_FIXTURES) / "rdates-floating-all-day-durations-and-alarms.ics"));
    }

    /// The occurrences of one item between two instants, by their start.
    std::vector<StoreEvent> occurrences(const std::string& uid, const char* from, const char* to) const
    {
        std::vector<StoreEvent> found;
        for (auto& event :
            store.events(store.predicateForEvents(*ISO8601::parse(from), *ISO8601::parse(to), store.calendars(EntityType::event)))) {
            if (event.eventIdentifier.ends_with(":" + uid))
                found.push_back(event);
        }
        return found;
    }

    static std::vector<std::string> starts(const std::vector<StoreEvent>& events)
    {
        std::vector<std::string> texts;
        for (auto& event : events)
            texts.push_back(ISO8601::format(event.startDate));
        return texts;
    }

    tvk::test::TemporaryDirectory directory;
    ICalendarStore store { { directory.path() }, ICalendarStore::Monitoring::off };
};

}

TEST_F(ICalendarStoreReading, RdatesJoinTheRuleOnceAndAnExdateInAnotherZoneRemovesItsInstant)
{
    auto review = occurrences("rdates-beside-a-rule@tarvik.test", "2026-11-30T00:00:00+01:00", "2026-12-31T00:00:00+01:00");
    // The rule gives 1 and 8 December at 10:00; the EXDATE is 1 December 10:00 in New York's
    // 04:00; the RDATEs add 3 December 15:00 and repeat 8 December, which counts once.
    EXPECT_EQ(starts(review), (std::vector<std::string> { "2026-12-03T15:00:00+01:00", "2026-12-08T10:00:00+01:00" }));
    for (auto& occurrence : review) {
        EXPECT_EQ(occurrence.endDate - occurrence.startDate, 1800) << "each occurrence lasts as long as the first";
        EXPECT_EQ(occurrence.occurrenceDate, occurrence.startDate);
        EXPECT_TRUE(occurrence.hasRecurrenceRules);
    }
}

TEST_F(ICalendarStoreReading, FloatingTimesAndDatesAreReadInTheLocalZone)
{
    auto breakfast = occurrences("floating@tarvik.test", "2026-12-07T00:00:00+01:00", "2026-12-07T23:59:59+01:00");
    ASSERT_EQ(breakfast.size(), 1u);
    EXPECT_EQ(ISO8601::format(breakfast[0].startDate), "2026-12-07T09:00:00+01:00") << "the tests' zone is Berlin";
    EXPECT_FALSE(breakfast[0].isAllDay);

    auto weekend = occurrences("all-day-series@tarvik.test", "2026-03-01T00:00:00+01:00", "2026-04-01T00:00:00+02:00");
    EXPECT_EQ(starts(weekend), (std::vector<std::string> { "2026-03-28T00:00:00+01:00", "2026-03-29T00:00:00+01:00" }));
    ASSERT_EQ(weekend.size(), 2u);
    EXPECT_TRUE(weekend[1].isAllDay);
    EXPECT_EQ(ISO8601::format(weekend[1].endDate), "2026-03-29T23:59:59+02:00") << "the day the clocks skip an hour is 23 hours long";
}

TEST_F(ICalendarStoreReading, DtendIsAnExactSpanAcrossAClockChange)
{
    auto exact = occurrences("exact-across-spring-forward@tarvik.test", "2026-03-28T00:00:00+01:00", "2026-03-30T00:00:00+02:00");
    ASSERT_EQ(exact.size(), 1u);
    EXPECT_EQ(ISO8601::format(exact[0].endDate), "2026-03-29T12:00:00+02:00");
    EXPECT_EQ(exact[0].endDate - exact[0].startDate, 23 * 3600);
}

TEST_F(ICalendarStoreReading, AlarmsRelativeToTheEndOrAtAnInstantBecomeOffsetsOrDates)
{
    auto events = occurrences("alarms@tarvik.test", "2026-12-07T00:00:00+01:00", "2026-12-07T23:59:59+01:00");
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].alarms,
        (std::vector<StoreAlarm> {
            { -86400, std::nullopt },
            { 3600 - 300, std::nullopt },
            { std::nullopt, *ISO8601::parse("2026-12-07T09:00:00+01:00") },
        }));
}

TEST_F(ICalendarStoreReading, AFileTooLargeOrNestedTooDeeplyIsSkippedWithALineAndTheOthersLoad)
{
    std::vector<std::string> log;
    PlatformLog::setSink([&log](PlatformLog::Level, std::string_view, std::string_view message) { log.emplace_back(message); });
    // Sparse: the size alone refuses it, nothing is read.
    std::filesystem::resize_file(directory.write("home/personal/huge.ics", ""), ICalendarParser::maximumFileSize + 1);
    std::string deep = "BEGIN:VCALENDAR\r\n";
    for (int level = 0; level < 40; ++level)
        deep += "BEGIN:X-NESTED\r\n";
    for (int level = 0; level < 40; ++level)
        deep += "END:X-NESTED\r\n";
    directory.write("home/personal/deep.ics", deep + "END:VCALENDAR\r\n");

    EXPECT_EQ(occurrences("floating@tarvik.test", "2026-12-07T00:00:00+01:00", "2026-12-07T23:59:59+01:00").size(), 1u);
    PlatformLog::setSink(nullptr);
    auto mentions = [&](const std::string& file) {
        return std::count_if(log.begin(), log.end(), [&](auto& line) { return line.find(file) != std::string::npos; });
    };
    EXPECT_EQ(mentions("huge.ics"), 1);
    EXPECT_EQ(mentions("deep.ics"), 1);
    EXPECT_EQ(mentions("items.ics"), 0);
}

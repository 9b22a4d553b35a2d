#include "Platform/Calendar/CompactItem.hpp"

#include "Tests/Support/TemporaryDirectory.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <random>

using namespace tvk;

namespace {

std::vector<ParsedItem> everyFixtureItem()
{
    std::vector<ParsedItem> items;
    for (auto& entry : std::filesystem::recursive_directory_iterator(TVK_TEST_FIXTURES)) {
        if (entry.path().extension() != ".ics")
            continue;
        auto parsed = ICalendarParser::parse(tvk::test::readFile(entry.path()));
        if (parsed)
            items.insert(items.end(), parsed->items.begin(), parsed->items.end());
    }
    return items;
}

}

TEST(CompactItem, EveryItemOfTheFixturesComesBackAsItWas)
{
    auto items = everyFixtureItem();
    ASSERT_GE(items.size(), 40u);
    ParsedItem full;
    full.kind = ParsedItem::Kind::todo;
    full.uid = "ünïcode-😀@tarvik.test";
    full.summary = std::string("with a \0 inside", 15);
    full.due = CalendarTime { 2026, 12, 31, 23, 59, 60, false, CalendarTime::Zone::named, "Custom/Zone" };
    full.recurrenceId = CalendarTime { 9999, 1, 1, 0, 0, 0, true, CalendarTime::Zone::floating, "" };
    full.alarms = { ParsedAlarm { -900.5, true, std::nullopt }, ParsedAlarm { std::nullopt, false, CalendarTime { 1, 1, 1 } } };
    full.travelTime = 1800;
    full.isCompleted = true;
    full.sequence = -3;
    items.push_back(full);
    for (auto& item : items) {
        auto decoded = CompactItem::decode(CompactItem::encode(item));
        ASSERT_TRUE(decoded) << item.uid;
        EXPECT_EQ(*decoded, item) << item.uid;
    }
}

TEST(CompactItem, BytesCutShortDamagedOrOfAnotherLayoutAreRefused)
{
    auto items = everyFixtureItem();
    auto bytes = CompactItem::encode(items.at(0));
    for (size_t length = 0; length < bytes.size(); ++length)
        EXPECT_FALSE(CompactItem::decode(std::string_view(bytes).substr(0, length))) << length;
    EXPECT_FALSE(CompactItem::decode(bytes + "x")) << "bytes after the item";
    auto otherLayout = bytes;
    otherLayout[0] = static_cast<char>(otherLayout[0] + 1);
    EXPECT_FALSE(CompactItem::decode(otherLayout));

    // No file yields a duration, an alarm offset or a travel time that is not a finite number;
    // read back, one would be equal to nothing, itself included, and poison every sum of times.
    for (double notFinite : { std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity() }) {
        ParsedItem damaged = items.at(0);
        damaged.duration = notFinite;
        EXPECT_FALSE(CompactItem::decode(CompactItem::encode(damaged))) << "duration " << notFinite;
        damaged = items.at(0);
        damaged.travelTime = -notFinite;
        EXPECT_FALSE(CompactItem::decode(CompactItem::encode(damaged))) << "travel time " << -notFinite;
        damaged = items.at(0);
        damaged.alarms = { ParsedAlarm { notFinite, true, std::nullopt } };
        EXPECT_FALSE(CompactItem::decode(CompactItem::encode(damaged))) << "alarm offset " << notFinite;
    }

    // Whatever damage does to the bytes, reading them ends, with an item or none.
    std::mt19937 random(11);
    for (int round = 0; round < 2000; ++round) {
        auto damaged = CompactItem::encode(items[round % items.size()]);
        for (int flips = 0; flips < 3; ++flips)
            damaged[random() % damaged.size()] = static_cast<char>(random());
        (void)CompactItem::decode(damaged);
    }
}

TEST(CompactItem, TheOccurrencesOfEverySeriesComeBackAsTheyWereAndDamagedOnesAreRefused)
{
    ParsedCalendarFile noZones;
    size_t series = 0;
    for (auto& item : everyFixtureItem()) {
        if (!item.recurrenceRule && item.recurrenceDates.empty())
            continue;
        CompactItem::Occurrences occurrences;
        ICalendarParser::expand(item, noZones, "Europe/Berlin", Date(1.7e9), Date(1.9e9), 3600, 200,
            [&](const CalendarTime& time, Date start) { occurrences.emplace_back(time, start); });
        if (occurrences.empty())
            continue;
        ++series;
        auto bytes = CompactItem::encodeOccurrences(occurrences);
        EXPECT_EQ(CompactItem::decodeOccurrences(bytes), occurrences) << item.uid;
        for (size_t length = 0; length < bytes.size(); ++length)
            ASSERT_FALSE(CompactItem::decodeOccurrences(std::string_view(bytes).substr(0, length))) << item.uid << " cut at " << length;
        EXPECT_FALSE(CompactItem::decodeOccurrences(bytes + "x"));
        EXPECT_FALSE(CompactItem::decodeOccurrences(CompactItem::encode(item))) << "an item is not occurrences";
    }
    EXPECT_GE(series, 10u);
    EXPECT_EQ(CompactItem::decodeOccurrences(CompactItem::encodeOccurrences({})), CompactItem::Occurrences {});
    CompactItem::Occurrences notFinite { { CalendarTime { 2026, 1, 1 }, Date(std::numeric_limits<double>::infinity()) } };
    EXPECT_FALSE(CompactItem::decodeOccurrences(CompactItem::encodeOccurrences(notFinite)));
}

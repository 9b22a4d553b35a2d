#include "TVKCore/Settings/EventSettings.hpp"
#include "TVKCore/Settings/FilterRuleCoding.hpp"
#include "TVKCore/Settings/Reminder.hpp"

#include "Platform/Runtime/ISO8601.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace tvk;

// The JSON forms are shared with the main application: what it writes must decode here and
// what is written here must read there. Samples below are written as its coder writes them:
// no spaces, "\/" for slashes, upper-case UUIDs, dates relative to 1 January 2001.

TEST(EventSettingsJSON, EncodesInDeclarationOrderWithEscapedSlashesAndNoAbsentURL)
{
    EventSettings settings { EventType::appleReminder, true, true, 300, "https://zoom.us/j/123?pwd=a/b" };
    EXPECT_EQ(settings.encode(),
        R"({"type":"appleReminder","isExcluded":true,"usesCustomTimeOffset":true,"timeOffsetSeconds":300,)"
        R"("defaultConferenceUrl":"https:\/\/zoom.us\/j\/123?pwd=a\/b"})");
    EXPECT_EQ(EventSettings::defaultSettings(EventType::tvkReminder).encode(),
        R"({"type":"tvkReminder","isExcluded":false,"usesCustomTimeOffset":false,"timeOffsetSeconds":0})");
}

TEST(EventSettingsJSON, DecodesWhatTheMainApplicationWritesInAnyKeyOrder)
{
    auto decoded = EventSettings::decode(R"({"defaultConferenceUrl":"https:\/\/meet.google.com\/abc-defg-hij","timeOffsetSeconds":-120,)"
                                         R"("usesCustomTimeOffset":true,"type":"calendarEvent","isExcluded":false,"futureKey":[1]})");
    ASSERT_TRUE(decoded) << decoded.error();
    EXPECT_EQ(*decoded, (EventSettings { EventType::calendarEvent, false, true, -120, "https://meet.google.com/abc-defg-hij" }));

    auto withNull = EventSettings::decode(
        R"({"type":"tvkReminder","isExcluded":true,"usesCustomTimeOffset":false,"timeOffsetSeconds":0,"defaultConferenceUrl":null})");
    ASSERT_TRUE(withNull);
    EXPECT_EQ(withNull->defaultConferenceUrl, std::nullopt);

    auto roundTrip
        = EventSettings::decode(*EventSettings { EventType::calendarEvent, false, false, 5, "zoommtg://zoom.us/join?confno=1" }.encode());
    ASSERT_TRUE(roundTrip);
    EXPECT_EQ(roundTrip->defaultConferenceUrl, "zoommtg://zoom.us/join?confno=1");
}

TEST(EventSettingsJSON, RefusesMissingKeysWrongTypesAndUnknownKinds)
{
    const std::string valid = R"("isExcluded":false,"usesCustomTimeOffset":false,"timeOffsetSeconds":60)";
    EXPECT_TRUE(EventSettings::decode(R"({"type":"calendarEvent",)" + valid + "}"));
    EXPECT_FALSE(EventSettings::decode(R"({"type":"CalendarEvent",)" + valid + "}"));
    EXPECT_FALSE(EventSettings::decode(R"({)" + valid + "}"));
    EXPECT_FALSE(EventSettings::decode(R"({"type":"calendarEvent","isExcluded":false,"timeOffsetSeconds":60})"));
    EXPECT_FALSE(EventSettings::decode(R"({"type":"calendarEvent","isExcluded":0,"usesCustomTimeOffset":false,"timeOffsetSeconds":60})"));
    EXPECT_FALSE(
        EventSettings::decode(R"({"type":"calendarEvent","isExcluded":false,"usesCustomTimeOffset":false,"timeOffsetSeconds":true})"));
    EXPECT_FALSE(
        EventSettings::decode(R"({"type":"calendarEvent","isExcluded":false,"usesCustomTimeOffset":false,"timeOffsetSeconds":"60"})"));
    EXPECT_FALSE(
        EventSettings::decode(R"({"type":"calendarEvent","isExcluded":false,"usesCustomTimeOffset":false,"timeOffsetSeconds":1.5})"));
    EXPECT_FALSE(
        EventSettings::decode(R"({"type":"calendarEvent","isExcluded":false,"usesCustomTimeOffset":false,"timeOffsetSeconds":1e19})"));
    EXPECT_FALSE(EventSettings::decode(R"({"type":"calendarEvent",)" + valid + R"(,"defaultConferenceUrl":""})"));
    EXPECT_FALSE(EventSettings::decode(R"({"type":"calendarEvent",)" + valid + R"(,"defaultConferenceUrl":7})"));
    EXPECT_FALSE(EventSettings::decode("[]"));
    EXPECT_FALSE(EventSettings::decode(""));
    EXPECT_FALSE(EventSettings::decode(R"({"type":"calendarEvent",)" + valid));

    auto whole
        = EventSettings::decode(R"({"type":"calendarEvent","isExcluded":false,"usesCustomTimeOffset":false,"timeOffsetSeconds":60.0})");
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->timeOffsetSeconds, 60);
}

TEST(EventSettingsJSON, ALinkThatNoURLCanHoldDoesNotEncode)
{
    EXPECT_FALSE((EventSettings { EventType::calendarEvent, false, false, 0, "" }.encode()));
    EXPECT_FALSE((EventSettings { EventType::calendarEvent, false, false, 0, "https://x/\xff" }.encode()));
}

TEST(EventSettings, EqualityCanLeaveOutTheType)
{
    auto calendar = EventSettings::defaultSettings(EventType::calendarEvent);
    auto reminder = EventSettings::defaultSettings(EventType::appleReminder);
    EXPECT_FALSE(calendar.isEqual(reminder, EventSettings::TypeComparison::compareType));
    EXPECT_TRUE(calendar.isEqual(reminder, EventSettings::TypeComparison::ignoreType));
    reminder.defaultConferenceUrl = "https://zoom.us/j/1";
    EXPECT_FALSE(calendar.isEqual(reminder, EventSettings::TypeComparison::ignoreType));
    calendar.defaultConferenceUrl = "https://zoom.us/j/1";
    EXPECT_TRUE(calendar.isEqual(reminder, EventSettings::TypeComparison::ignoreType));
    calendar.timeOffsetSeconds = 1;
    EXPECT_FALSE(calendar.isEqual(reminder, EventSettings::TypeComparison::ignoreType));
}

TEST(EventSettings, AConferenceLinkNeedsASchemeAndNoSpaces)
{
    EXPECT_TRUE(EventSettings::isValidConferenceUrlText("https://zoom.us/j/1"));
    EXPECT_TRUE(EventSettings::isValidConferenceUrlText("zoommtg://zoom.us/join?confno=1"));
    EXPECT_TRUE(EventSettings::isValidConferenceUrlText("tel:+4930123"));
    EXPECT_FALSE(EventSettings::isValidConferenceUrlText(""));
    EXPECT_FALSE(EventSettings::isValidConferenceUrlText("zoom.us/j/1"));
    EXPECT_FALSE(EventSettings::isValidConferenceUrlText("https:"));
    EXPECT_FALSE(EventSettings::isValidConferenceUrlText("1https://x"));
    EXPECT_FALSE(EventSettings::isValidConferenceUrlText("https://zoom.us/j/1 2"));
    EXPECT_FALSE(EventSettings::isValidConferenceUrlText("https://zoom.us/\n"));
}

TEST(ReminderJSON, EncodesTheDateAsSecondsSince2001AndLeavesOutAbsentTexts)
{
    auto date = *ISO8601::parse("2024-03-01T09:30:00Z");
    Reminder plain("5B0C8E1A-3F4D-4E2B-9A61-7C3D2E1F0A9B", date, std::nullopt, std::nullopt, 60);
    EXPECT_EQ(plain.encode(), R"({"id":"5B0C8E1A-3F4D-4E2B-9A61-7C3D2E1F0A9B","date":730978200,"timeOffsetSeconds":60})");

    Reminder full("A", date + 0.25, "Call back", "See https://example.com/a", 0);
    EXPECT_EQ(full.encode(),
        R"({"id":"A","date":730978200.25,"title":"Call back","notes":"See https:\/\/example.com\/a","timeOffsetSeconds":0})");
}

TEST(ReminderJSON, AReminderWithoutTitleAndNotesRoundTripsWithoutThoseKeys)
{
    Reminder reminder("R1", Date(1'700'000'000), std::nullopt, std::nullopt, 120);
    auto json = reminder.encode();
    ASSERT_TRUE(json);
    EXPECT_EQ(json->find("title"), std::string::npos);
    EXPECT_EQ(json->find("notes"), std::string::npos);
    auto decoded = Reminder::decode(*json);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, reminder);
    EXPECT_TRUE(decoded->hasSameContents(reminder));
}

TEST(ReminderJSON, DecodesTheMainApplicationsArrayInAnyKeyOrderWithFractionsAndEscapedSlashes)
{
    auto decoded
        = Reminder::decodeList(R"([{"timeOffsetSeconds":300,"notes":"https:\/\/meet.google.com\/abc-defg-hij","date":730978200.123456,)"
                               R"("id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","title":"Stand-up"},)"
                               R"({"id":"b","date":-31622400,"timeOffsetSeconds":0,"title":null}])");
    ASSERT_TRUE(decoded) << decoded.error();
    ASSERT_EQ(decoded->size(), 2u);
    auto& first = (*decoded)[0];
    EXPECT_EQ(first.id(), "E621E1F8-C36C-495A-93FC-0C247A3E6E5F");
    EXPECT_EQ(first.timeIntervalSinceReferenceDate(), 730978200.123456);
    EXPECT_EQ(first.notes(), "https://meet.google.com/abc-defg-hij");
    EXPECT_EQ(first.title(), "Stand-up");
    EXPECT_EQ(first.timeOffsetSeconds(), 300);
    EXPECT_EQ((*decoded)[1].date(), *ISO8601::parse("2000-01-01T00:00:00Z"));
    EXPECT_EQ((*decoded)[1].title(), std::nullopt);
}

TEST(ReminderJSON, DatesWrittenHereReadBackExactly)
{
    for (double seconds : { 730978200.123456789, 0.1, -1.5e-7, 1.0 / 3.0, 4.4e16, 730978199.99999988, -978307200.5 }) {
        auto reminder = Reminder::withReferenceDateInterval("x", seconds, std::nullopt, std::nullopt, 0);
        auto decoded = Reminder::decode(*reminder.encode());
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->timeIntervalSinceReferenceDate(), seconds) << *reminder.encode();
        EXPECT_EQ(decoded->date(), reminder.date());
    }
}

TEST(ReminderJSON, RefusesWhatTheMainApplicationCouldNotRead)
{
    EXPECT_FALSE(Reminder::decode(R"({"id":"x","timeOffsetSeconds":0})"));
    EXPECT_FALSE(Reminder::decode(R"({"id":"x","date":"2024-03-01","timeOffsetSeconds":0})"));
    EXPECT_FALSE(Reminder::decode(R"({"id":"x","date":true,"timeOffsetSeconds":0})"));
    EXPECT_FALSE(Reminder::decode(R"({"id":"x","date":1e999,"timeOffsetSeconds":0})"));
    EXPECT_FALSE(Reminder::decode(R"({"id":7,"date":0,"timeOffsetSeconds":0})"));
    EXPECT_FALSE(Reminder::decode(R"({"id":"x","date":0,"timeOffsetSeconds":0.5})"));
    EXPECT_FALSE(Reminder::decode(R"({"id":"x","date":0,"timeOffsetSeconds":0,"title":1})"));
    EXPECT_FALSE(Reminder::decodeList(R"([{"id":"x","date":0,"timeOffsetSeconds":0},{"id":"y"}])"));
    EXPECT_FALSE(Reminder::decodeList(R"({"id":"x","date":0,"timeOffsetSeconds":0})"));
    EXPECT_TRUE(Reminder::decodeList("[]"));

    auto notFinite = Reminder::withReferenceDateInterval("x", std::numeric_limits<double>::infinity(), std::nullopt, std::nullopt, 0);
    EXPECT_FALSE(notFinite.encode());
    EXPECT_FALSE(Reminder::encodeList({ Reminder("ok", Date(0), std::nullopt, std::nullopt, 0), notFinite }));
    EXPECT_FALSE(Reminder("x", Date(0), std::string("\xc3"), std::nullopt, 0).encode());
    EXPECT_EQ(Reminder::encodeList({}), "[]");
}

TEST(Reminder, IsEqualByIdentityAndMovesByAddingTime)
{
    Reminder reminder("same", Date(1'700'000'000), "A", std::nullopt, 60);
    Reminder other("same", Date(1'800'000'000), "B", "notes", 0);
    EXPECT_EQ(reminder, other);
    EXPECT_FALSE(reminder.hasSameContents(other));
    EXPECT_NE(reminder, Reminder("other", Date(1'700'000'000), "A", std::nullopt, 60));

    auto later = reminder.addingTimeInterval(90);
    EXPECT_EQ(later.date(), Date(1'700'000'090));
    EXPECT_EQ(later.title(), "A");
    EXPECT_EQ(later.timeOffsetSeconds(), 60);
    EXPECT_EQ(reminder.date(), Date(1'700'000'000));
}

TEST(Reminder, ShowsAnUntitledPlaceholderAndTheDateInMediumAndShortStyles)
{
    auto date = *ISO8601::parse("2026-12-07T09:30:00+01:00");
    Reminder untitled("u", date, std::nullopt, std::nullopt, 0);
    EXPECT_EQ(untitled.localizedTitle(), "(untitled)");
    EXPECT_EQ(Reminder("t", date, "Dentist", std::nullopt, 0).localizedTitle(), "Dentist");
    EXPECT_EQ(untitled.formattedDate(), "Dec 7, 2026, 9:30\u202fAM");
    auto description = untitled.debugDescription();
    EXPECT_TRUE(description.starts_with("Reminder (u)\n")) << description;
    EXPECT_NE(description.find("timeOffsetSeconds: 0"), std::string::npos);
}

TEST(FilterRuleCoding, StoredRulesEscapeSlashesAndDecodeEitherWay)
{
    FilterRule rule { *UUID::fromString("e621e1f8-c36c-495a-93fc-0c247a3e6e5f"), FilterRule::Field::notes,
        FilterRule::ComparisonOperation::contains, "https://zoom.us/", false };
    auto json = JSONCoding<std::vector<FilterRule>>::encode({ rule });
    ASSERT_TRUE(json);
    EXPECT_EQ(*json,
        R"([{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","field":"notes","comparison":"contains","value":"https:\/\/zoom.us\/",)"
        R"("isCaseSensitive":false}])");
    EXPECT_EQ(JSONCoding<std::vector<FilterRule>>::decode(*json), std::vector<FilterRule> { rule });
}

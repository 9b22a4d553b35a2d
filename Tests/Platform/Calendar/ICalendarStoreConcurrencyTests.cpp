// Lookups on one thread while another thread's rescans replace what the store holds, or while
// worker threads parse files into the index; a scan sharing a large folder among threads. Built into the ThreadSanitizer program too (see
// Tests/CMakeLists.txt), which sees an unlocked read of a replaced collection even when it does
// no visible harm.

#include "Platform/Calendar/ICalendarStore.hpp"
#include "Platform/Calendar/VdirScanner.hpp"
#include "Platform/Runtime/FileIdentity.hpp"

#include "Tests/Support/TemporaryDirectory.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <set>
#include <thread>

using namespace tvk;
using tvk::test::TemporaryDirectory;

namespace {

std::string calendarWithTitle(const std::string& title)
{
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Tarvik tests//EN\r\nBEGIN:VEVENT\r\nUID:review@tarvik.test\r\n"
           "DTSTART:20261207T090000Z\r\nDTEND:20261207T100000Z\r\nSUMMARY:"
        + title + "\r\nEND:VEVENT\r\nBEGIN:VTODO\r\nUID:report@tarvik.test\r\nDUE:20261207T170000Z\r\nSUMMARY:" + title
        + "\r\nEND:VTODO\r\nEND:VCALENDAR\r\n";
}

}

TEST(ICalendarStoreConcurrency, LookupsByIdentifierStayWholeWhileRescansReplaceTheCalendars)
{
    TemporaryDirectory root;
    root.write("work/team/review.ics", calendarWithTitle("Review 0"));
    ICalendarStore store({ root.path() }, ICalendarStore::Monitoring::off);
    auto calendar = store.calendars(EntityType::event).at(0);
    auto event = store.event(calendar->calendarIdentifier + ":review@tarvik.test");
    ASSERT_TRUE(event);
    auto eventItem = event->calendarItemIdentifier;

    std::atomic<bool> stop { false };
    std::atomic<int> lookups { 0 };
    std::thread reader([&] {
        while (!stop) {
            auto item = store.calendarItem(eventItem);
            ASSERT_TRUE(item);
            ASSERT_TRUE(std::get<StoreEvent>(*item).title->starts_with("Review "));
            ++lookups;
        }
    });
    for (int round = 1; round <= 40; ++round) {
        root.write("work/team/review.ics", calendarWithTitle("Review " + std::to_string(round)));
        store.refreshSourcesIfNecessary();
    }
    // At least a few lookups overlap the last rescans, however the threads were scheduled.
    while (lookups < 20)
        std::this_thread::yield();
    stop = true;
    reader.join();
    EXPECT_EQ(store.event(calendar->calendarIdentifier + ":review@tarvik.test")->title, "Review 40");
}

TEST(ICalendarStoreConcurrency, ManyFilesAreParsedOnWorkerThreadsWhileAnotherThreadAsksForAnItem)
{
    TemporaryDirectory root;
    for (int i = 0; i < 96; ++i) {
        root.write("work/team/meeting-" + std::to_string(i) + ".ics",
            "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Tarvik tests//EN\r\nBEGIN:VEVENT\r\nUID:meeting-" + std::to_string(i)
                + "@tarvik.test\r\nDTSTART;TZID=Europe/Berlin:20261207T" + std::to_string(10 + i % 8)
                + "0000\r\nDURATION:PT30M\r\nSUMMARY:Meeting\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
    }
    ICalendarStore store({ root.path() }, ICalendarStore::Monitoring::off);
    std::atomic<bool> found { false };
    std::thread asker([&] {
        auto calendars = store.calendars(EntityType::event);
        ASSERT_EQ(calendars.size(), 1u);
        auto event = store.event(calendars[0]->calendarIdentifier + ":meeting-95@tarvik.test");
        ASSERT_TRUE(event);
        found = store.calendarItem(event->calendarItemIdentifier).has_value();
    });
    auto events = store.events(store.predicateForEvents(
        Date(1796601600), Date(1796688000), store.calendars(EntityType::event))); // 7 December 2026, UTC
    asker.join();
    EXPECT_EQ(events.size(), 96u);
    EXPECT_TRUE(found);
    EXPECT_EQ(store.parseCount(), 96u);
}

// The identities of a large collection's files are taken on several threads from one list;
// every file must come out once, with its own identity, and what is not a calendar file (a
// folder named like one, a file without the extension) must not.
TEST(ICalendarStoreConcurrency, ALargeCollectionsFilesAreListedOnceEachWithTheirOwnIdentity)
{
    TemporaryDirectory root;
    constexpr int count = 1500;
    for (int i = 0; i < count; ++i)
        root.write("account/big/event-" + std::to_string(i) + ".ics", calendarWithTitle("Event " + std::to_string(i)));
    for (int i = 0; i < 20; ++i)
        root.write("account/small/event-" + std::to_string(i) + ".ics", calendarWithTitle("Small " + std::to_string(i)));
    root.write("account/big/notes.txt", "not a calendar");
    std::filesystem::create_directories(root.path() / "account/big/folder.ics");

    VdirScanner scanner({ root.path() }, [](const StoreSource&) { return true; });
    auto layout = scanner.scan();
    ASSERT_EQ(layout.collections.size(), 2u);
    auto& big = layout.collections[0];
    EXPECT_EQ(big.path, root.path() / "account/big");
    ASSERT_EQ(big.files.size(), size_t(count));
    std::set<std::string> names;
    for (auto& file : big.files) {
        names.insert(file.name);
        ASSERT_EQ(identityOf(big.path / file.name), file.identity) << file.name;
    }
    EXPECT_EQ(names.size(), size_t(count));
    EXPECT_TRUE(std::is_sorted(big.files.begin(), big.files.end(), [](auto& a, auto& b) { return a.name < b.name; }));
    EXPECT_EQ(layout.collections[1].files.size(), 20u);
}

// A calendar with dozens of series has them expanded on several threads, each reading its own
// series and the shared zones (tzdata's, and one a file defines itself).
TEST(ICalendarStoreConcurrency, ManySeriesExpandedOnSeveralThreadsEachGiveTheirOwnOccurrences)
{
    TemporaryDirectory root;
    const std::string customZone = "BEGIN:VTIMEZONE\r\nTZID:Office Time\r\nBEGIN:STANDARD\r\nDTSTART:19700101T000000\r\n"
                                   "TZOFFSETFROM:+0300\r\nTZOFFSETTO:+0300\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n";
    for (int i = 0; i < 48; ++i) {
        std::string zone = i % 3 == 0 ? "Europe/Berlin" : i % 3 == 1 ? "America/New_York" : "Office Time";
        std::string rule = i % 2 == 0 ? "FREQ=DAILY" : "FREQ=WEEKLY;BYDAY=WE";
        root.write("account/series/s" + std::to_string(i) + ".ics",
            "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Tarvik tests//EN\r\n" + (i % 3 == 2 ? customZone : std::string()) + "BEGIN:VEVENT\r\nUID:s"
                + std::to_string(i) + "@tarvik.test\r\nDTSTART;TZID=" + zone + ":20261101T0900" + std::to_string(10 + i % 50)
                + "\r\nDURATION:PT30M\r\nRRULE:" + rule + "\r\nSUMMARY:Series " + std::to_string(i) + "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
    }
    ICalendarStore store({ root.path() }, ICalendarStore::Monitoring::off, ICalendarStore::Sources::ownAccounts,
        ICalendarStore::ItemIndex::ownOnly);
    // Monday 7 to Sunday 13 December 2026, Berlin time (UTC+1).
    Date from(1796598000), to(1796598000 + 7 * 86400 - 1);
    auto events = store.events(store.predicateForEvents(from, to, store.calendars(EntityType::event)));
    std::map<std::string, std::vector<Date>> starts;
    for (auto& event : events)
        starts[*event.title].push_back(event.startDate);
    ASSERT_EQ(starts.size(), 48u);
    for (int i = 0; i < 48; ++i) {
        auto& found = starts["Series " + std::to_string(i)];
        // 09:00:SS in the series' zone: UTC+1, UTC-5 and UTC+3 in December.
        int offset = i % 3 == 0 ? 3600 : i % 3 == 1 ? -5 * 3600 : 3 * 3600;
        double first = 1796598000 + 3600 + 9 * 3600 - offset + (10 + i % 50);
        if (i % 2 == 0) {
            ASSERT_EQ(found.size(), 7u) << i;
            for (int day = 0; day < 7; ++day)
                EXPECT_EQ(found[day], Date(first + day * 86400)) << i;
        } else {
            ASSERT_EQ(found.size(), 1u) << i;
            EXPECT_EQ(found[0], Date(first + 2 * 86400)) << i;
        }
    }
}

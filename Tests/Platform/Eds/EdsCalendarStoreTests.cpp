// The calendar store over a real Evolution Data Server, beside a private one per test case
// (Tests/Support/eds-session.sh): sources made through the registry, items written through the
// calendar client, then read through our store and compared with what the files' store reads
// from the same iCalendar data.

#include "Platform/Calendar/CalendarBackendChoice.hpp"
#include "Platform/Calendar/CombinedCalendarStore.hpp"
#include "Platform/Calendar/EdsCalendarStore.hpp"
#include "Platform/Calendar/ICalendarStore.hpp"
#include "Platform/Eds/EdsModule.hpp"
#include "Platform/Runtime/DispatchQueue.hpp"
#include "Platform/Runtime/ISO8601.hpp"
#include "Platform/Runtime/NotificationCenter.hpp"
#include "Tests/Support/EdsFixture.hpp"
#include "Tests/Support/ScopedEnvironment.hpp"
#include "Tests/Support/TemporaryDirectory.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <future>

using namespace tvk;
using tvk::test::EdsFixture;

namespace {

const std::filesystem::path sampleCalendars = std::filesystem::path(TVK_SOURCE_DIR) / "Resources" / "Samples" / "Calendars";
const std::filesystem::path calendarFixtures = std::filesystem::path(TVK_SOURCE_DIR) / "Tests" / "Platform" / "Calendar" / "Fixtures";

Date at(const char* iso)
{
    auto date = ISO8601::parse(iso);
    EXPECT_TRUE(date) << iso;
    return date.value_or(Date());
}

std::shared_ptr<eds::Bridge> bridge()
{
    auto bridge = EdsModule::bridge();
    EXPECT_TRUE(bridge) << bridge.error();
    return bridge ? *bridge : nullptr;
}

// An event as both stores must agree on it: everything but the identifiers, which name the
// calendar differently in each store, and the calendar itself.
StoreEvent comparable(StoreEvent event)
{
    event.eventIdentifier = event.eventIdentifier.substr(event.eventIdentifier.find(':') + 1);
    event.calendarItemIdentifier.clear();
    event.calendar = nullptr;
    return event;
}

std::vector<StoreEvent> comparable(const std::vector<StoreEvent>& events)
{
    std::vector<StoreEvent> result;
    for (auto& event : events)
        result.push_back(comparable(event));
    std::stable_sort(result.begin(), result.end(), [](const StoreEvent& a, const StoreEvent& b) {
        return std::tie(a.startDate, a.eventIdentifier, a.occurrenceDate) < std::tie(b.startDate, b.eventIdentifier, b.occurrenceDate);
    });
    return result;
}

std::vector<StoreReminder> comparable(std::vector<StoreReminder> reminders)
{
    for (auto& reminder : reminders) {
        reminder.calendarItemIdentifier.clear();
        reminder.calendar = nullptr;
    }
    std::stable_sort(reminders.begin(), reminders.end(), [](auto& a, auto& b) { return std::tie(a.dueDate, a.title) < std::tie(b.dueDate, b.title); });
    return reminders;
}

std::vector<StoreEvent> allEvents(const CalendarStore& store, Date start, Date end)
{
    return store.events(store.predicateForEvents(start, end, store.calendars(EntityType::event)));
}

std::vector<StoreReminder> allReminders(CalendarStore& store, std::optional<Date> start, std::optional<Date> end)
{
    std::promise<std::vector<StoreReminder>> answer;
    store.fetchReminders(store.predicateForIncompleteReminders(start, end, store.calendars(EntityType::reminder)),
        [&](std::optional<std::vector<StoreReminder>> reminders) { answer.set_value(reminders.value_or(std::vector<StoreReminder> {})); });
    return answer.get_future().get();
}

std::string titles(const std::vector<StoreEvent>& events)
{
    std::string result;
    for (auto& event : events)
        result += (result.empty() ? "" : ", ") + event.title.value_or("?");
    return result;
}

class ChangeCounter {
public:
    explicit ChangeCounter(const CalendarStore* store)
    {
        m_token = NotificationCenter::defaultCenter().addObserver(
            CalendarStore::changedNotification, store, [this](const Notification&) { ++count; });
    }
    ~ChangeCounter() { NotificationCenter::defaultCenter().removeObserver(m_token); }

    bool waitFor(int expected) { return DispatchQueue::main().runUntil([&] { return count >= expected; }, 60); }

    std::atomic<int> count = 0;

private:
    ObserverToken m_token;
};

class EdsCalendarStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto connected = eds.connect();
        ASSERT_TRUE(connected) << connected.error();
    }

    void ok(const EdsFixture::Result& result) { ASSERT_TRUE(result) << result.error(); }

    std::string event(const std::string& uid, const std::string& start, const std::string& title, const std::string& extra = "")
    {
        return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:" + uid + "\r\nDTSTART;TZID=Europe/Berlin:" + start
            + "\r\nDURATION:PT30M\r\nSUMMARY:" + title + "\r\n" + extra + "END:VEVENT\r\nEND:VCALENDAR\r\n";
    }

    EdsFixture eds;
};

TEST_F(EdsCalendarStoreTest, ListsEachEnabledCalendarAndTaskListUnderItsAccountWithColourAndTheUsersAddresses)
{
    ok(eds.addAccount("work-account", "Work", "alex.morgan@example.com"));
    ok(eds.addMailIdentity("work-identity", "work-account", "Alex.Morgan@example.com"));
    ok(eds.addCalendar("work-calendar", "work-account", "Meetings", "#1E88E5", EdsFixture::Kind::events));
    ok(eds.addCalendar("work-tasks", "work-account", "Reminders", "#F4511E", EdsFixture::Kind::tasks));
    ok(eds.addCalendar("hidden", "work-account", "Switched off", "#000000", EdsFixture::Kind::events, false));
    ok(eds.addCalendar("local-calendar", "local-stub", "Home", "#43a047", EdsFixture::Kind::events));
    ok(eds.addMailIdentity("private-identity", "", "alex@example.net"));

    EdsCalendarStore store(bridge(), EdsCalendarStore::Monitoring::off);
    EXPECT_EQ(store.authorizationStatus(EntityType::event), AuthorizationStatus::fullAccess);

    std::vector<std::string> listed;
    for (auto& calendar : store.calendars(EntityType::event)) {
        listed.push_back(calendar->source.title + " / " + calendar->title + (calendar->type == CalendarType::birthday ? " (birthdays)" : "")
            + (calendar->calendarIdentifier == "local-calendar" ? " " + calendar->color.hexString() : ""));
    }
    // A new EDS brings its "Personal" calendar and its birthdays calendar with it.
    EXPECT_EQ(listed,
        (std::vector<std::string> { "Contacts / Birthdays & Anniversaries (birthdays)", "On This Computer / Home #43A047FF",
            "On This Computer / Personal", "Work / Meetings" }));

    auto meetings = store.calendar("work-calendar");
    ASSERT_TRUE(meetings);
    EXPECT_EQ(meetings->color.hexString(), "#1E88E5FF");
    EXPECT_EQ(meetings->backend, CalendarBackend::eds);
    EXPECT_EQ(meetings->type, CalendarType::local);
    EXPECT_EQ(meetings->source.sourceIdentifier, "work-account");
    EXPECT_FALSE(meetings->source.isDelegate);
    EXPECT_EQ(meetings->source.ownerAddresses, (std::vector<std::string> { "mailto:alex.morgan@example.com" }))
        << "the identity and the mail identity name one address";
    EXPECT_EQ(store.calendar("local-calendar")->source.ownerAddresses,
        (std::vector<std::string> { "mailto:Alex.Morgan@example.com", "mailto:alex@example.net" }))
        << "a calendar of no account takes every mail identity as the user";
    EXPECT_EQ(store.calendar("hidden"), nullptr);

    auto lists = store.calendars(EntityType::reminder);
    ASSERT_FALSE(lists.empty());
    EXPECT_EQ(store.calendar("work-tasks")->entityType, EntityType::reminder);
    EXPECT_EQ(store.calendar("work-tasks")->title, "Reminders");
    EXPECT_TRUE(store.delegateSources().empty());
}

TEST_F(EdsCalendarStoreTest, ReadsTheSampleWeekAsTheFilesStoreReadsTheSameFiles)
{
    // The samples hold a daily series with a moved occurrence, an all-day event, a cancelled
    // event, a declined invitation, attendees with every answer, alarms, travel time and to-dos.
    ok(eds.importCalendarRoot(sampleCalendars));
    EdsCalendarStore store(bridge(), EdsCalendarStore::Monitoring::off);
    ICalendarStore files({ sampleCalendars }, ICalendarStore::Monitoring::off);

    Date from = at("2026-11-30T00:00:00+01:00"), to = at("2026-12-21T00:00:00+01:00");
    auto fromEds = allEvents(store, from, to);
    ASSERT_FALSE(fromEds.empty());
    EXPECT_EQ(comparable(fromEds), comparable(allEvents(files, from, to))) << titles(fromEds);

    auto declined = std::find_if(fromEds.begin(), fromEds.end(), [](auto& event) { return event.title == "Marketing sync"; });
    ASSERT_NE(declined, fromEds.end());
    auto me = std::find_if(declined->attendees.begin(), declined->attendees.end(), [](auto& attendee) { return attendee.isCurrentUser; });
    ASSERT_NE(me, declined->attendees.end()) << "the account's identity is the user";
    EXPECT_EQ(me->status, StoreParticipantStatus::declined);
    EXPECT_TRUE(std::any_of(fromEds.begin(), fromEds.end(), [](auto& event) { return event.isDetached; })) << "the moved 1:1 is detached";
    EXPECT_TRUE(std::any_of(fromEds.begin(), fromEds.end(), [](auto& event) { return event.isAllDay; }));

    EXPECT_EQ(comparable(allReminders(store, std::nullopt, std::nullopt)), comparable(allReminders(files, std::nullopt, std::nullopt)));
    auto due = allReminders(store, at("2026-12-07T00:00:00+01:00"), at("2026-12-08T00:00:00+01:00"));
    EXPECT_FALSE(due.empty());

    auto first = fromEds.front();
    auto byIdentifier = store.event(first.eventIdentifier);
    ASSERT_TRUE(byIdentifier);
    EXPECT_EQ(byIdentifier->title, first.title);
    auto item = store.calendarItem(first.calendarItemIdentifier);
    ASSERT_TRUE(item);
    EXPECT_EQ(std::get<StoreEvent>(*item).title, first.title);
}

TEST_F(EdsCalendarStoreTest, ExpandsTheRfcRecurrenceExamplesAndASeriesAcrossDaylightSavingToTheSameInstantsAsTheFilesStore)
{
    test::TemporaryDirectory root;
    for (auto name : { "rfc5545-recurrence-examples.ics", "weekly-standup-berlin-dst-with-exception-and-moved-occurrence.ics" })
        root.write(std::string("account/fixtures/") + name, test::readFile(calendarFixtures / name));
    ok(eds.importCalendarRoot(root.path()));
    EdsCalendarStore store(bridge(), EdsCalendarStore::Monitoring::off);
    ICalendarStore files({ root.path() }, ICalendarStore::Monitoring::off);

    for (auto [from, to] : { std::pair { "1997-01-01T00:00:00Z", "2001-01-01T00:00:00Z" },
             std::pair { "2025-01-01T00:00:00Z", "2027-01-01T00:00:00Z" } }) {
        auto fromEds = comparable(allEvents(store, at(from), at(to)));
        auto fromFiles = comparable(allEvents(files, at(from), at(to)));
        EXPECT_GT(fromFiles.size(), 10u) << from;
        ASSERT_EQ(fromEds.size(), fromFiles.size()) << from;
        for (size_t index = 0; index < fromEds.size(); ++index)
            EXPECT_EQ(fromEds[index], fromFiles[index]) << fromFiles[index].title.value_or("") << " at " << ISO8601::format(fromFiles[index].startDate);
    }
}

TEST_F(EdsCalendarStoreTest, ABurstOfChangesWhileWatchingPostsOnceAndOnlyTheChangedCalendarIsReadAgain)
{
    ok(eds.addCalendar("first", "local-stub", "First", "#112233", EdsFixture::Kind::events));
    ok(eds.addCalendar("second", "local-stub", "Second", "#445566", EdsFixture::Kind::events));
    ok(eds.write("first", EdsFixture::Kind::events, event("a", "20261207T090000", "Planning")));
    ok(eds.write("second", EdsFixture::Kind::events, event("b", "20261207T100000", "Review")));

    EdsCalendarStore store(bridge(), EdsCalendarStore::Monitoring::on);
    ChangeCounter changes(&store);
    auto query = [&] { return store.events(store.predicateForEvents(at("2026-12-07T00:00:00+01:00"), at("2026-12-08T00:00:00+01:00"),
                           { store.calendar("first"), store.calendar("second") })); };
    EXPECT_EQ(titles(query()), "Planning, Review");
    EXPECT_EQ(store.loadCount(), 2u);
    EXPECT_EQ(titles(query()), "Planning, Review");
    EXPECT_EQ(store.loadCount(), 2u) << "nothing changed, nothing is read again";

    // One sync run: an event added, one changed, one more added.
    ok(eds.write("first", EdsFixture::Kind::events, event("c", "20261207T113000", "Lunch")));
    ok(eds.modify("first", EdsFixture::Kind::events, event("a", "20261207T083000", "Planning (moved)")));
    ok(eds.write("first", EdsFixture::Kind::events, event("d", "20261207T150000", "Retro")));
    ASSERT_TRUE(changes.waitFor(1));
    EXPECT_EQ(changes.count, 1);
    EXPECT_EQ(titles(query()), "Planning (moved), Review, Lunch, Retro");
    EXPECT_EQ(store.loadCount(), 3u) << "only the changed calendar is read again";

    // A later change is a burst of its own; had the first burst posted twice, this would be the third.
    ok(eds.remove("second", EdsFixture::Kind::events, "b"));
    ASSERT_TRUE(changes.waitFor(2));
    EXPECT_EQ(changes.count, 2);
    EXPECT_EQ(titles(query()), "Planning (moved), Lunch, Retro");
    EXPECT_EQ(store.loadCount(), 4u);
}

TEST_F(EdsCalendarStoreTest, ACalendarAddedOrRemovedThroughTheRegistryIsListedAfterOneNotification)
{
    EdsCalendarStore store(bridge(), EdsCalendarStore::Monitoring::on);
    ChangeCounter changes(&store);
    EXPECT_EQ(store.calendar("travel"), nullptr);

    ok(eds.addCalendar("travel", "local-stub", "Travel", "#8E24AA", EdsFixture::Kind::events));
    ASSERT_TRUE(changes.waitFor(1));
    ASSERT_NE(store.calendar("travel"), nullptr);
    EXPECT_EQ(store.calendar("travel")->title, "Travel");

    ok(eds.removeSource("travel"));
    ASSERT_TRUE(changes.waitFor(2));
    EXPECT_EQ(store.calendar("travel"), nullptr);
    EXPECT_EQ(changes.count, 2);
}

TEST_F(EdsCalendarStoreTest, TheAutomaticChoiceOffersTheFilesAndTheDesktopsCalendarsSideBySide)
{
    ok(eds.addCalendar("desktop", "local-stub", "Desktop", "#112233", EdsFixture::Kind::events));
    ok(eds.write("desktop", EdsFixture::Kind::events, event("desktop-event", "20261207T120000", "From GNOME Calendar")));
    ASSERT_TRUE(bridge()) << "the registry runs now";
    test::ScopedEnvironment environment;
    environment.set("TARVIK_CALENDARS", sampleCalendars.string()).set("TARVIK_CALENDAR_BACKEND", "auto");

    auto store = CalendarBackendChoice::makeDefaultStore(ICalendarStore::Monitoring::off);
    ASSERT_TRUE(dynamic_cast<CombinedCalendarStore*>(store.get()));
    std::map<std::string, CalendarBackend> backends;
    for (auto& calendar : store->calendars(EntityType::event))
        backends[calendar->title] = calendar->backend;
    EXPECT_EQ(backends["Work"], CalendarBackend::vdir);
    EXPECT_EQ(backends["Family"], CalendarBackend::vdir);
    EXPECT_EQ(backends["Desktop"], CalendarBackend::eds);

    auto events = allEvents(*store, at("2026-12-07T11:00:00+01:00"), at("2026-12-07T13:00:00+01:00"));
    EXPECT_TRUE(std::any_of(events.begin(), events.end(), [](auto& event) { return event.title == "From GNOME Calendar"; })) << titles(events);
    EXPECT_TRUE(std::any_of(events.begin(), events.end(), [](auto& event) { return event.calendar->backend == CalendarBackend::vdir; }))
        << titles(events);
}

TEST(EdsCalendarStore, WithoutTheModuleTheEdsChoiceListsNothingAndAnswersAccessRequestsWithTheReason)
{
    test::ScopedEnvironment environment;
    environment.set("TARVIK_EDS_MODULE", "/nonexistent/tarvik-eds.so").set("TARVIK_CALENDAR_BACKEND", "eds");
    auto store = CalendarBackendChoice::makeDefaultStore(ICalendarStore::Monitoring::off);
    EXPECT_TRUE(store->calendars(EntityType::event).empty());
    EXPECT_EQ(store->authorizationStatus(EntityType::event), AuthorizationStatus::denied);
    std::promise<std::pair<bool, std::optional<CalendarStoreError>>> answer;
    store->requestFullAccess(EntityType::event, [&](bool granted, std::optional<CalendarStoreError> error) { answer.set_value({ granted, error }); });
    auto [granted, error] = answer.get_future().get();
    EXPECT_FALSE(granted);
    ASSERT_TRUE(error);
    EXPECT_NE(error->message.find("/nonexistent/tarvik-eds.so"), std::string::npos) << error->message;
    EXPECT_FALSE(EdsModule::isLoaded());
}

}

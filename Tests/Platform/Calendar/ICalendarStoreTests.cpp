#include "Platform/Calendar/ICalendarStore.hpp"

#include "Platform/Runtime/DispatchQueue.hpp"
#include "Platform/Runtime/ISO8601.hpp"
#include "Platform/Runtime/NotificationCenter.hpp"
#include "Platform/Runtime/PlatformLog.hpp"
#include "Tests/Support/TemporaryDirectory.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>

using namespace tvk;
using tvk::test::TemporaryDirectory;

namespace {

std::string fixture(const std::string& name)
{
    return tvk::test::readFile(std::filesystem::path(TVK_TEST_FIXTURES) / name);
}

Date at(const char* iso)
{
    auto date = ISO8601::parse(iso);
    EXPECT_TRUE(date) << iso;
    return date.value_or(Date());
}

std::string local(Date date)
{
    return ISO8601::format(date);
}

class CapturedPlatformLog {
public:
    CapturedPlatformLog()
    {
        PlatformLog::setSink([this](PlatformLog::Level, std::string_view, std::string_view message) { lines.emplace_back(message); });
    }
    ~CapturedPlatformLog() { PlatformLog::setSink(nullptr); }
    std::vector<std::string> lines;
};

// A calendar root in a temporary directory, laid out as vdirsyncer and Evolution lay theirs out.
class CalendarRoot {
public:
    std::filesystem::path put(const std::string& relativePath, const std::string& contents)
    {
        return directory.write(relativePath, contents);
    }
    /// Replaces a file as syncing programs write: a new file renamed over the old one.
    void replace(const std::string& relativePath, const std::string& contents)
    {
        std::filesystem::path target(relativePath);
        auto temporary = target.parent_path() / ("." + target.filename().string() + ".tmp");
        std::filesystem::rename(directory.write(temporary.string(), contents), directory.path() / target);
    }
    std::filesystem::path path() const { return directory.path(); }

    std::unique_ptr<ICalendarStore> store(ICalendarStore::Monitoring monitoring = ICalendarStore::Monitoring::off) const
    {
        return std::make_unique<ICalendarStore>(std::vector<std::filesystem::path> { directory.path() }, monitoring);
    }

    TemporaryDirectory directory;
};

std::vector<StoreEvent> eventsBetween(const CalendarStore& store, Date start, Date end)
{
    return store.events(store.predicateForEvents(start, end, store.calendars(EntityType::event)));
}

StoreCalendarPointer calendarTitled(const CalendarStore& store, EntityType type, const std::string& title)
{
    for (auto& calendar : store.calendars(type)) {
        if (calendar->title == title)
            return calendar;
    }
    return nullptr;
}

}

TEST(ICalendarStore, AWeeklySeriesKeepsItsLocalTimeAcrossDaylightSavingWithExceptionAndMovedOccurrence)
{
    CalendarRoot root;
    root.put("work/team/standup.ics", fixture("weekly-standup-berlin-dst-with-exception-and-moved-occurrence.ics"));
    auto store = root.store();
    auto events = eventsBetween(*store, at("2026-03-16T00:00:00Z"), at("2026-04-14T00:00:00Z"));

    std::vector<std::string> starts;
    for (auto& event : events)
        starts.push_back(local(event.startDate) + (event.isDetached ? " detached" : ""));
    EXPECT_EQ(starts,
        (std::vector<std::string> {
            "2026-03-16T10:00:00+01:00", // 23 March is excluded
            "2026-03-30T10:00:00+02:00", // after the switch to summer time, still 10:00
            "2026-04-07T14:00:00+02:00 detached", // moved from Monday 6 April
            "2026-04-13T10:00:00+02:00",
        }));

    auto& moved = events[2];
    EXPECT_EQ(moved.occurrenceDate, at("2026-04-06T10:00:00+02:00"));
    EXPECT_EQ(moved.title, "Daily Standup (moved)");
    EXPECT_EQ(moved.endDate - moved.startDate, 1800);
    EXPECT_TRUE(moved.hasRecurrenceRules);
    auto& regular = events[1];
    EXPECT_EQ(regular.occurrenceDate, regular.startDate);
    EXPECT_EQ(regular.endDate - regular.startDate, 900);
    EXPECT_EQ(regular.eventIdentifier, moved.eventIdentifier) << "all occurrences share the event identifier";
    EXPECT_EQ(regular.eventIdentifier, regular.calendar->calendarIdentifier + ":standup-2026@tarvik.test");
    EXPECT_EQ(regular.notes, "Join: https://meet.google.com/abc-defg-hij\nAgenda, notes");
    EXPECT_EQ(regular.calendar->title, "team");
    EXPECT_EQ(regular.calendar->source.title, "work");
}

TEST(ICalendarStore, AMovedOccurrenceIsFoundAtItsNewTimeAndNotAtItsOldOne)
{
    CalendarRoot root;
    root.put("work/team/standup.ics", fixture("weekly-standup-berlin-dst-with-exception-and-moved-occurrence.ics"));
    auto store = root.store();
    EXPECT_TRUE(eventsBetween(*store, at("2026-04-06T09:00:00+02:00"), at("2026-04-06T11:00:00+02:00")).empty());
    auto moved = eventsBetween(*store, at("2026-04-07T14:10:00+02:00"), at("2026-04-07T14:10:00+02:00"));
    ASSERT_EQ(moved.size(), 1u);
    EXPECT_TRUE(moved[0].isDetached);
}

TEST(ICalendarStore, WindowEdgesAreInclusiveAtBothEnds)
{
    CalendarRoot root;
    root.put("work/team/standup.ics", fixture("weekly-standup-berlin-dst-with-exception-and-moved-occurrence.ics"));
    auto store = root.store();
    // The 30 March occurrence runs 10:00–10:15.
    EXPECT_EQ(eventsBetween(*store, at("2026-03-30T10:15:00+02:00"), at("2026-03-30T11:00:00+02:00")).size(), 1u) << "ends at the start";
    EXPECT_EQ(eventsBetween(*store, at("2026-03-30T09:00:00+02:00"), at("2026-03-30T10:00:00+02:00")).size(), 1u) << "starts at the end";
    EXPECT_EQ(eventsBetween(*store, at("2026-03-30T10:15:01+02:00"), at("2026-03-30T11:00:00+02:00")).size(), 0u);
    EXPECT_EQ(eventsBetween(*store, at("2026-03-30T09:00:00+02:00"), at("2026-03-30T09:59:59+02:00")).size(), 0u);
}

TEST(ICalendarStore, ReadsAllDayCancelledAndTravelTimeEventsWithTheirCalendarProperties)
{
    CalendarRoot root;
    root.put("home/personal.ics", fixture("all-day-cancelled-and-travel.ics"));
    auto store = root.store();
    auto calendar = calendarTitled(*store, EntityType::event, "Personal");
    ASSERT_TRUE(calendar) << "the title comes from X-WR-CALNAME";
    EXPECT_EQ(calendar->color.hexString(), "#FF9500FF");

    auto events = eventsBetween(*store, at("2026-12-07T00:00:00+01:00"), at("2026-12-07T23:59:59+01:00"));
    ASSERT_EQ(events.size(), 3u);
    auto& offsite = events[0];
    EXPECT_TRUE(offsite.isAllDay);
    EXPECT_EQ(local(offsite.startDate), "2026-12-07T00:00:00+01:00");
    EXPECT_EQ(local(offsite.endDate), "2026-12-08T23:59:59+01:00");
    auto& cancelled = events[1];
    EXPECT_EQ(cancelled.status, EventStatus::canceled);
    auto& dentist = events[2];
    EXPECT_EQ(dentist.travelTime, 1800);
    EXPECT_EQ(dentist.endDate - dentist.startDate, 2700);
    EXPECT_EQ(dentist.location, "Hauptstraße 5");
    EXPECT_EQ(dentist.url, "https://dentist.example/appointments/42");
    ASSERT_EQ(dentist.alarms.size(), 1u);
    EXPECT_EQ(dentist.alarms[0].relativeOffset, -900);
    EXPECT_FALSE(dentist.hasRecurrenceRules);
    EXPECT_EQ(dentist.occurrenceDate, dentist.startDate);
}

TEST(ICalendarStore, MapsEveryParticipationStatusAndFindsTheCurrentUserByOwnerAddress)
{
    CalendarRoot root;
    root.put("work/source.json", R"({"title": "Work account", "ownerAddresses": ["mailto:ADA@example.com"]})");
    root.put("work/meetings/review.ics", fixture("attendees-with-every-participation-status.ics"));
    auto store = root.store();
    auto events = eventsBetween(*store, at("2026-12-07T09:00:00Z"), at("2026-12-07T10:00:00Z"));
    ASSERT_EQ(events.size(), 1u);
    auto& event = events[0];
    EXPECT_EQ(event.calendar->source.title, "Work account");
    ASSERT_TRUE(event.organizer);
    EXPECT_EQ(event.organizer->role, ParticipantRole::chair);
    EXPECT_EQ(event.organizer->name, "Grace Hopper");
    EXPECT_EQ(event.organizer->status, StoreParticipantStatus::accepted)
        << "ORGANIZER has no PARTSTAT, and the attendees' default, needs-action, is no answer of an organizer";

    std::vector<StoreParticipantStatus> statuses;
    for (auto& attendee : event.attendees)
        statuses.push_back(attendee.status);
    EXPECT_EQ(statuses,
        (std::vector<StoreParticipantStatus> { StoreParticipantStatus::accepted, StoreParticipantStatus::tentative,
            StoreParticipantStatus::declined, StoreParticipantStatus::pending, StoreParticipantStatus::delegated,
            StoreParticipantStatus::completed, StoreParticipantStatus::inProcess, StoreParticipantStatus::unknown }));
    EXPECT_EQ(event.attendees[0].role, ParticipantRole::chair);
    EXPECT_EQ(event.attendees[2].role, ParticipantRole::optional);
    EXPECT_EQ(event.attendees[1].role, ParticipantRole::required);
    EXPECT_TRUE(event.attendees[1].isCurrentUser) << "owner addresses compare without regard to case";
    EXPECT_FALSE(event.attendees[0].isCurrentUser);
    EXPECT_EQ(event.attendees[1].contactPredicate.emailAddress, "ada@example.com");
    EXPECT_NE(event.attendees[1].description().find("email = ada@example.com;"), std::string::npos);
}

TEST(ICalendarStore, ParameterValuesAreReadAsWrittenQuotedOrNot)
{
    CalendarRoot root;
    root.put("work/meetings/board.ics",
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Tarvik tests//EN\r\nBEGIN:VEVENT\r\nUID:board@tarvik.test\r\n"
        "DTSTART;TZID=\"Europe/Berlin\":20261207T100000\r\nDURATION:PT1H\r\nSUMMARY:Board\r\n"
        "ORGANIZER;CN=\"Hopper, Grace; Rear Admiral: USN\":mailto:grace@example.com\r\n"
        "ATTENDEE;CN=\"Lovelace, Ada\";ROLE=NON-PARTICIPANT;PARTSTAT=ACCEPTED:mailto:ada@example.com\r\n"
        "ATTENDEE;CN=Alan;ROLE=X-OBSERVER;PARTSTAT=x-maybe:mailto:alan@example.com\r\n"
        "END:VEVENT\r\nEND:VCALENDAR\r\n");
    auto store = root.store();
    auto events = eventsBetween(*store, at("2026-12-07T00:00:00Z"), at("2026-12-08T00:00:00Z"));
    ASSERT_EQ(events.size(), 1u);
    auto& event = events[0];
    EXPECT_EQ(local(event.startDate), "2026-12-07T10:00:00+01:00") << "a quoted zone name";
    ASSERT_TRUE(event.organizer);
    EXPECT_EQ(event.organizer->name, "Hopper, Grace; Rear Admiral: USN");
    ASSERT_EQ(event.attendees.size(), 2u);
    EXPECT_EQ(event.attendees[0].name, "Lovelace, Ada");
    EXPECT_EQ(event.attendees[0].role, ParticipantRole::nonParticipant);
    EXPECT_EQ(event.attendees[0].status, StoreParticipantStatus::accepted);
    EXPECT_EQ(event.attendees[1].name, "Alan");
    EXPECT_EQ(event.attendees[1].status, StoreParticipantStatus::unknown) << "an extension status is no answer";
}

TEST(ICalendarStore, RemindersAreIncompleteTodosDueInTheWindow)
{
    CalendarRoot root;
    root.put("home/tasks/todos.ics", fixture("todos-with-and-without-due.ics"));
    auto store = root.store();
    auto lists = store->calendars(EntityType::reminder);
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_TRUE(store->calendars(EntityType::event).empty()) << "a collection of to-dos is only a reminder list";

    std::optional<std::vector<StoreReminder>> fetched;
    bool onWorker = false;
    store->fetchReminders(store->predicateForIncompleteReminders(at("2026-12-07T00:00:00+01:00"), at("2026-12-08T23:59:59+01:00"), lists),
        [&](std::optional<std::vector<StoreReminder>> reminders) {
            onWorker = !DispatchQueue::isMainThread();
            DispatchQueue::main().async([&, reminders] { fetched = reminders; });
        });
    ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return fetched.has_value(); }));
    EXPECT_TRUE(onWorker);
    ASSERT_EQ(fetched->size(), 2u);
    auto& report = (*fetched)[0];
    EXPECT_EQ(report.title, "Write sales report");
    EXPECT_EQ(local(*report.dueDate), "2026-12-07T16:45:00+01:00");
    EXPECT_EQ(report.dueDateComponents->hour, 16);
    EXPECT_EQ(report.dueDateComponents->timeZone, "Europe/Berlin");
    ASSERT_TRUE(report.alarms);
    EXPECT_EQ(report.alarms->at(0).absoluteDate, at("2026-12-07T15:30:00Z"));
    auto& rent = (*fetched)[1];
    EXPECT_FALSE(rent.dueDateComponents->hasTime());
    EXPECT_FALSE(rent.alarms) << "no VALARM means no alarm list at all";

    std::optional<std::vector<StoreReminder>> all;
    store->fetchReminders(store->predicateForIncompleteReminders(std::nullopt, std::nullopt, lists),
        [&](auto reminders) { DispatchQueue::main().async([&, reminders] { all = reminders; }); });
    ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return all.has_value(); }));
    EXPECT_EQ(all->size(), 3u) << "without bounds: every incomplete to-do, with or without a due date";
}

TEST(ICalendarStore, BadItemsAreSkippedWithOneLineNamingTheFileAndTheRestLoads)
{
    CapturedPlatformLog log;
    CalendarRoot root;
    root.put("work/mixed/broken.ics", fixture("broken-items-beside-good-ones.ics"));
    root.put("work/mixed/garbage.ics", "this is not a calendar\n\x01\x02");
    root.put("work/mixed/empty.ics", "");
    auto store = root.store();
    auto events = eventsBetween(*store, at("2026-12-07T00:00:00+01:00"), at("2026-12-07T23:59:59+01:00"));
    std::vector<std::string> titles;
    for (auto& event : events)
        titles.push_back(*event.title);
    EXPECT_EQ(titles, (std::vector<std::string> { "Endless daily", "Outlook zone" }));
    EXPECT_EQ(local(events[1].startDate), "2026-12-07T11:00:00+01:00") << "Windows zone names resolve to Olson zones";

    int brokenLines = 0;
    for (auto& line : log.lines) {
        if (line.find("broken.ics") != std::string::npos) {
            ++brokenLines;
            EXPECT_NE(line.find("without DTSTART"), std::string::npos);
            EXPECT_NE(line.find("Mars/Olympus_Mons"), std::string::npos);
        }
    }
    EXPECT_EQ(brokenLines, 1);
    EXPECT_EQ(
        std::count_if(log.lines.begin(), log.lines.end(), [](auto& line) { return line.find("garbage.ics") != std::string::npos; }), 1);
}

TEST(ICalendarStore, AnEndlessRuleIsExpandedOnlyInsideTheWindow)
{
    CalendarRoot root;
    root.put("work/mixed/broken.ics", fixture("broken-items-beside-good-ones.ics"));
    auto store = root.store();
    auto events = eventsBetween(*store, at("2036-01-01T00:00:00Z"), at("2036-01-07T23:59:59Z"));
    ASSERT_EQ(events.size(), 7u);
    EXPECT_EQ(events.front().startDate, at("2036-01-01T08:00:00Z"));
    EXPECT_EQ(events.back().startDate, at("2036-01-07T08:00:00Z"));
}

TEST(ICalendarStore, OneUidIsOneItemWhereverItsCopiesLieAndIdentifiersFindTheCopyShown)
{
    CapturedPlatformLog log;
    CalendarRoot root;
    auto copies = fixture("one-uid-many-copies-sequence-and-dtstamp-decide.ics");
    root.put("work/team/a-copies.ics", copies);
    // The same series again in a second file of the calendar, changed: it is not read.
    auto second = fixture("weekly-standup-berlin-dst-with-exception-and-moved-occurrence.ics");
    second.replace(second.find("standup-2026@tarvik.test"), 24, "standup@tarvik.test");
    second.replace(second.find("standup-2026@tarvik.test"), 24, "standup@tarvik.test");
    root.put("work/team/b-conflict-copy.ics", second);
    auto store = root.store();

    std::vector<std::string> shown;
    for (auto& event : eventsBetween(*store, at("2026-12-07T00:00:00+01:00"), at("2026-12-12T00:00:00+01:00")))
        shown.push_back(local(event.startDate).substr(5, 11) + " " + *event.title);
    EXPECT_EQ(shown,
        (std::vector<std::string> {
            "12-07T10:00 Standup",
            "12-07T11:00 Planning (moved to 11:00)",
            "12-08T15:00 Standup (sequence 2: 15:00)",
            "12-09T12:00 Standup (stamped later: 12:00)",
            "12-10T10:00 Standup",
            "12-11T10:00 Standup",
        }));

    auto planning = store->event(store->calendars(EntityType::event)[0]->calendarIdentifier + ":planning@tarvik.test");
    ASSERT_TRUE(planning);
    EXPECT_EQ(planning->title, "Planning (moved to 11:00)");
    auto item = store->calendarItem(planning->calendarItemIdentifier);
    ASSERT_TRUE(item);
    EXPECT_EQ(std::get<StoreEvent>(*item).title, "Planning (moved to 11:00)");

    std::optional<std::vector<StoreReminder>> reminders;
    store->fetchReminders(store->predicateForIncompleteReminders(std::nullopt, std::nullopt, store->calendars(EntityType::reminder)),
        [&](auto fetched) { DispatchQueue::main().async([&, fetched] { reminders = fetched; }); });
    ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return reminders.has_value(); }));
    ASSERT_EQ(reminders->size(), 1u);
    EXPECT_EQ(reminders->at(0).title, "Send the report");

    // The file not read is named once, however often the calendar is read again.
    root.put("work/team/c-new.ics", fixture("all-day-cancelled-and-travel.ics"));
    eventsBetween(*store, at("2026-12-07T00:00:00+01:00"), at("2026-12-12T00:00:00+01:00"));
    store->refreshSourcesIfNecessary();
    auto named = std::count_if(
        log.lines.begin(), log.lines.end(), [](auto& line) { return line.find("b-conflict-copy.ics") != std::string::npos; });
    EXPECT_EQ(named, 1);
    auto line = std::find_if(
        log.lines.begin(), log.lines.end(), [](auto& line) { return line.find("b-conflict-copy.ics") != std::string::npos; });
    ASSERT_NE(line, log.lines.end());
    EXPECT_NE(line->find("standup@tarvik.test"), std::string::npos) << *line;
    EXPECT_NE(line->find("a-copies.ics"), std::string::npos) << *line;
}

TEST(ICalendarStore, AFileTouchedWithoutAChangeIsParsedOnceMoreAndThenKept)
{
    CalendarRoot root;
    root.put("work/team/a.ics", fixture("attendees-with-every-participation-status.ics"));
    auto store = root.store();
    int notifications = 0;
    auto token = NotificationCenter::defaultCenter().addObserver(
        CalendarStore::changedNotification, store.get(), [&](const Notification&) { ++notifications; });
    EXPECT_EQ(eventsBetween(*store, at("2026-12-07T00:00:00Z"), at("2026-12-08T00:00:00Z")).size(), 1u);
    EXPECT_EQ(store->parseCount(), 1u);

    std::filesystem::last_write_time(
        root.path() / "work/team/a.ics", std::filesystem::file_time_type::clock::now() + std::chrono::hours(1));
    store->refreshSourcesIfNecessary();
    EXPECT_EQ(store->parseCount(), 2u) << "read again to see that it says the same";
    for (int i = 0; i < 3; ++i)
        store->refreshSourcesIfNecessary();
    EXPECT_EQ(store->parseCount(), 2u) << "and kept from then on";
    EXPECT_EQ(notifications, 0);
    NotificationCenter::defaultCenter().removeObserver(token);
}

TEST(ICalendarStore, DelegatedAccountsAreAStoreOfTheirOwn)
{
    CalendarRoot root;
    root.put("mine/cal/event.ics", fixture("all-day-cancelled-and-travel.ics"));
    root.put("boss/source.json", R"({"title": "Boss", "isDelegate": true, "ownerAddresses": ["mailto:me@example.com"]})");
    root.put("boss/cal/review.ics", fixture("attendees-with-every-participation-status.ics"));
    auto store = root.store();
    auto own = store->calendars(EntityType::event);
    ASSERT_EQ(own.size(), 1u);
    EXPECT_EQ(own[0]->source.title, "mine");

    auto delegates = store->delegateSources();
    ASSERT_EQ(delegates.size(), 1u);
    EXPECT_TRUE(delegates[0].isDelegate);
    EXPECT_EQ(delegates[0].ownerAddresses, std::vector<std::string> { "mailto:me@example.com" });
    auto delegated = store->makeStore(delegates);
    auto calendars = delegated->calendars(EntityType::event);
    ASSERT_EQ(calendars.size(), 1u);
    EXPECT_EQ(calendars[0]->source.title, "Boss");
    EXPECT_EQ(eventsBetween(*delegated, at("2026-12-07T00:00:00Z"), at("2026-12-08T00:00:00Z")).size(), 1u);
}

TEST(ICalendarStore, IdentifiersAreStableAcrossStoresAndLookupsFindTheItems)
{
    CalendarRoot root;
    root.put("work/team/standup.ics", fixture("weekly-standup-berlin-dst-with-exception-and-moved-occurrence.ics"));
    root.put("home/tasks/todos.ics", fixture("todos-with-and-without-due.ics"));
    auto first = root.store();
    auto second = root.store();
    auto events = eventsBetween(*first, at("2026-03-16T00:00:00Z"), at("2026-03-17T00:00:00Z"));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(eventsBetween(*second, at("2026-03-16T00:00:00Z"), at("2026-03-17T00:00:00Z"))[0].eventIdentifier, events[0].eventIdentifier);

    auto found = second->event(events[0].eventIdentifier);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->startDate, events[0].startDate);
    EXPECT_EQ(second->calendar(events[0].calendar->calendarIdentifier)->title, "team");
    auto item = second->calendarItem(events[0].calendarItemIdentifier);
    ASSERT_TRUE(item);
    EXPECT_TRUE(std::holds_alternative<StoreEvent>(*item));

    auto lists = second->calendars(EntityType::reminder);
    std::optional<std::vector<StoreReminder>> reminders;
    second->fetchReminders(second->predicateForIncompleteReminders(std::nullopt, std::nullopt, lists),
        [&](auto fetched) { DispatchQueue::main().async([&, fetched] { reminders = fetched; }); });
    ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return reminders.has_value(); }));
    auto reminder = second->calendarItem(reminders->at(0).calendarItemIdentifier);
    ASSERT_TRUE(reminder);
    EXPECT_TRUE(std::holds_alternative<StoreReminder>(*reminder));
    EXPECT_FALSE(second->event("no-such-calendar:uid"));
    EXPECT_FALSE(second->calendarItem("no-such-item"));
}

TEST(ICalendarStore, VdirMetadataAndCollectionMarksNameTheCalendars)
{
    CalendarRoot root;
    root.put("google/work/displayname", "Work meetings\n");
    root.put("google/work/color", "#1E90FFFF\n");
    root.put("google/work/a.ics", fixture("attendees-with-every-participation-status.ics"));
    root.put("google/birthdays/collection.json", R"({"type": "birthdays"})");
    root.put("google/birthdays/b.ics", fixture("all-day-cancelled-and-travel.ics"));
    root.put("google/holidays/collection.json", R"({"type": "holidays"})");
    root.put("google/holidays/h.ics", fixture("all-day-cancelled-and-travel.ics"));
    root.put("google/named/color", "rebeccapurple");
    root.put("google/named/n.ics", fixture("attendees-with-every-participation-status.ics"));
    auto store = root.store();
    auto work = calendarTitled(*store, EntityType::event, "Work meetings");
    ASSERT_TRUE(work);
    EXPECT_EQ(work->color.hexString(), "#1E90FFFF");
    auto birthdays = calendarTitled(*store, EntityType::event, "Personal");
    ASSERT_TRUE(birthdays);
    std::map<std::string, StoreCalendarPointer> byType;
    for (auto& calendar : store->calendars(EntityType::event))
        byType[calendar->type == CalendarType::birthday ? "birthday"
                : calendar->isSubscribedHolidayCalendar ? "holiday"
                                                        : calendar->title]
            = calendar;
    EXPECT_TRUE(byType.contains("birthday"));
    EXPECT_TRUE(byType.contains("holiday"));
    ASSERT_TRUE(byType.contains("named"));
    EXPECT_EQ(byType["named"]->color.hexString(), "#663399FF") << "CSS colour names are understood";
}

TEST(ICalendarStore, UnchangedFilesAreNotParsedAgainAndChangedOnesAre)
{
    CalendarRoot root;
    root.put("work/team/a.ics", fixture("attendees-with-every-participation-status.ics"));
    root.put("work/team/b.ics", fixture("all-day-cancelled-and-travel.ics"));
    auto store = root.store();
    Date start = at("2026-12-07T00:00:00Z"), end = at("2026-12-08T00:00:00Z");
    EXPECT_EQ(eventsBetween(*store, start, end).size(), 4u);
    EXPECT_EQ(store->parseCount(), 2u);
    for (int i = 0; i < 5; ++i)
        eventsBetween(*store, start, end);
    EXPECT_EQ(store->parseCount(), 2u);

    // An atomic replacement, as vdirsyncer writes.
    auto changed = fixture("attendees-with-every-participation-status.ics");
    changed.replace(changed.find("Design review"), 13, "Design review v2");
    root.replace("work/team/a.ics", changed);
    auto events = eventsBetween(*store, start, end);
    EXPECT_EQ(store->parseCount(), 3u);
    EXPECT_TRUE(std::any_of(events.begin(), events.end(), [](auto& event) { return event.title == "Design review v2"; }));

    std::filesystem::remove(root.path() / "work/team/b.ics");
    EXPECT_EQ(eventsBetween(*store, start, end).size(), 1u);
    EXPECT_EQ(store->parseCount(), 3u);
}

// A store asked again and again (as a running program asks every minute) hands out what it made
// before; every kind of change must still come through.
TEST(ICalendarStore, RepeatedQueriesSeeEveryChangeOfFilesSeriesAndCalendars)
{
    CalendarRoot root;
    root.put("work/team/standup.ics", fixture("weekly-standup-berlin-dst-with-exception-and-moved-occurrence.ics"));
    root.put("work/team/review.ics", fixture("attendees-with-every-participation-status.ics"));
    auto store = root.store();
    Date start = at("2026-03-16T00:00:00Z"), end = at("2026-12-08T00:00:00Z");
    auto titles = [&](Date from, Date to) {
        std::vector<std::string> result;
        for (auto& event : eventsBetween(*store, from, to))
            result.push_back(local(event.startDate) + " " + event.title.value_or("") + " " + event.calendar->color.hexString());
        return result;
    };
    auto first = titles(start, end);
    ASSERT_GT(first.size(), 30u);
    EXPECT_EQ(titles(start, end), first);
    EXPECT_EQ(titles(start, end), first);
    auto narrower = titles(at("2026-04-07T12:00:00Z"), at("2026-04-13T07:00:00Z"));
    EXPECT_EQ(narrower, std::vector<std::string> { "2026-04-07T14:00:00+02:00 Daily Standup (moved) " + first[0].substr(first[0].rfind(' ') + 1) })
        << "a window inside the last one: only what overlaps it, edges included";

    // The series renamed, written as a syncing program writes: a new file renamed over the old.
    auto series = fixture("weekly-standup-berlin-dst-with-exception-and-moved-occurrence.ics");
    for (size_t at = series.find("SUMMARY:Daily Standup\n"); at != std::string::npos; at = series.find("SUMMARY:Daily Standup\n", at + 1))
        series.replace(at, 22, "SUMMARY:Team Standup\n");
    root.replace("work/team/standup.ics", series);
    auto renamed = titles(start, end);
    EXPECT_EQ(std::count_if(renamed.begin(), renamed.end(), [](auto& line) { return line.find("Team Standup") != std::string::npos; }),
        std::count_if(first.begin(), first.end(), [](auto& line) { return line.find(" Daily Standup #") != std::string::npos; }));
    EXPECT_EQ(std::count_if(renamed.begin(), renamed.end(), [](auto& line) { return line.find(" Daily Standup #") != std::string::npos; }), 0);

    // The collection's colour changes: every event carries the new one.
    root.put("work/team/color", "#FF0000FF\n");
    auto recoloured = titles(start, end);
    ASSERT_EQ(recoloured.size(), renamed.size());
    EXPECT_TRUE(std::all_of(recoloured.begin(), recoloured.end(), [](auto& line) { return line.ends_with(" #FF0000FF"); }));

    std::filesystem::remove(root.path() / "work/team/review.ics");
    EXPECT_EQ(titles(start, end).size(), renamed.size() - 1);
}

TEST(ICalendarStore, AChangeOnDiskPostsOneNotificationAndTheNextQuerySeesIt)
{
    CalendarRoot root;
    root.put("work/team/a.ics", fixture("attendees-with-every-participation-status.ics"));
    auto store = root.store(ICalendarStore::Monitoring::on);
    int notifications = 0;
    auto token = NotificationCenter::defaultCenter().addObserver(
        CalendarStore::changedNotification, store.get(), [&](const Notification&) { ++notifications; });
    Date start = at("2026-12-07T00:00:00Z"), end = at("2026-12-08T00:00:00Z");
    EXPECT_EQ(eventsBetween(*store, start, end).size(), 1u);

    // A burst: a new file written in place in several steps, and a metadata file.
    {
        std::ofstream file(root.path() / "work/team/b.ics");
        auto text = fixture("all-day-cancelled-and-travel.ics");
        file << text.substr(0, 100);
        file.flush();
        file << text.substr(100);
    }
    root.put("work/team/displayname", "Team");
    // Until the monitors have reported the change and the store has handled every report.
    auto handled
        = [&, before = store->monitoredChangeCount()] { return store->monitoredChangeCount() > before && !store->isRescanPending(); };
    ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return notifications > 0 && handled(); }, 30));
    EXPECT_EQ(notifications, 1);
    EXPECT_EQ(eventsBetween(*store, at("2026-12-07T00:00:00Z"), at("2026-12-08T00:00:00Z")).size(), 4u);
    EXPECT_EQ(store->calendars(EntityType::event)[0]->title, "Team");

    // Touching a file without changing what it says posts nothing.
    auto beforeTouch = store->monitoredChangeCount();
    std::filesystem::last_write_time(root.path() / "work/team/b.ics", std::filesystem::file_time_type::clock::now());
    ASSERT_TRUE(
        DispatchQueue::main().runUntil([&] { return store->monitoredChangeCount() > beforeTouch && !store->isRescanPending(); }, 30));
    EXPECT_EQ(notifications, 1);
    NotificationCenter::defaultCenter().removeObserver(token);
}

TEST(ICalendarStore, AccessIsGrantedWhenTheRootsCanBeReadOrDoNotExistYet)
{
    ICalendarStore missing({ "/nonexistent/tarvik/calendars" }, ICalendarStore::Monitoring::off);
    EXPECT_EQ(missing.authorizationStatus(EntityType::event), AuthorizationStatus::fullAccess);
    EXPECT_TRUE(missing.calendars(EntityType::event).empty());

    std::optional<bool> granted;
    missing.requestFullAccess(EntityType::reminder, [&](bool answer, std::optional<CalendarStoreError> error) {
        EXPECT_FALSE(error);
        DispatchQueue::main().async([&, answer] { granted = answer; });
    });
    ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return granted.has_value(); }));
    EXPECT_TRUE(*granted);
}

TEST(ICalendarStore, AnAccountMayHoldCollectionsAndSingleFileCalendarsSideBySide)
{
    CalendarRoot root;
    root.put("evolution/calendar.ics", fixture("all-day-cancelled-and-travel.ics"));
    root.put("evolution/team/review.ics", fixture("attendees-with-every-participation-status.ics"));
    root.put("vdirsyncer-collection/review.ics", fixture("attendees-with-every-participation-status.ics"));
    root.put("loose.ics", fixture("attendees-with-every-participation-status.ics"));
    auto store = root.store();
    std::vector<std::string> names;
    for (auto& calendar : store->calendars(EntityType::event))
        names.push_back(calendar->source.title + " / " + calendar->title);
    std::sort(names.begin(), names.end());
    auto rootName = root.path().filename().string();
    std::vector<std::string> expected { "evolution / Personal", "evolution / team", rootName + " / loose",
        rootName + " / vdirsyncer-collection" };
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected);
}

TEST(ICalendarStore, DurationsInDaysEndAtTheSameReadingDaysLaterAcrossAClockChange)
{
    CalendarRoot root;
    root.put("work/team/durations.ics", fixture("durations-in-days-across-the-autumn-clock-change-berlin.ics"));
    auto store = root.store();
    std::map<std::string, std::vector<std::string>> spans;
    for (auto& event : eventsBetween(*store, at("2026-10-01T00:00:00Z"), at("2026-11-30T00:00:00Z")))
        spans[event.title->substr(0, event.title->find(':'))].push_back(local(event.startDate) + " " + local(event.endDate));

    EXPECT_EQ(spans["Offsite"], (std::vector<std::string> { "2026-10-24T10:00:00+02:00 2026-10-25T12:00:00+01:00" }));
    EXPECT_EQ(spans["On call"],
        (std::vector<std::string> {
            "2026-10-18T09:00:00+02:00 2026-10-25T09:00:00+01:00",
            "2026-10-25T09:00:00+01:00 2026-11-01T09:00:00+01:00",
            "2026-11-01T09:00:00+01:00 2026-11-08T09:00:00+01:00",
        }));
    EXPECT_EQ(spans["Night shift"], (std::vector<std::string> { "2026-10-24T22:00:00+02:00 2026-10-25T07:00:00+01:00" }));
    EXPECT_EQ(spans["Relay"], (std::vector<std::string> { "2026-10-24T10:00:00+02:00 2026-10-25T09:00:00+01:00" }));
}

// The store's answers over an in-memory calendar store: what is active, what the delegated
// accounts add, and which events are current or due. Settings live in the test's temporary home.

#include "TVKCore/Calendar/AggregatedEventStore.hpp"

#include "Platform/Calendar/MemoryCalendarStore.hpp"
#include "Platform/Runtime/DispatchQueue.hpp"
#include "Platform/Runtime/ISO8601.hpp"
#include "Platform/Runtime/NotificationCenter.hpp"
#include "Platform/Runtime/ProcessClock.hpp"
#include "TVKCore/Settings/EventSettingsStore.hpp"
#include "TVKCore/Settings/UserSettingsStore.hpp"

#include "Tests/Support/Dates.hpp"
#include "Tests/TVKCore/Calendar/StoreItems.hpp"

#include <gtest/gtest.h>

using namespace tvk;
using namespace tvk::test;

namespace {

class AggregatedEventStoreTest : public testing::Test {
protected:
    void SetUp() override
    {
        ProcessClock::pin(at("2026-12-07T09:00:00+01:00"));
        auto owned = makeMemoryStore();
        memory = owned.get();
        store = std::make_unique<AggregatedEventStore>(std::move(owned));
        ASSERT_TRUE(settings().setActiveCalendarIdentifiers({ "work" }));
        ASSERT_TRUE(settings().setTimeOffsetSeconds(300));
    }
    void TearDown() override
    {
        // Completions of the store's worker thread may still be queued for the main queue.
        DispatchQueue::main().drainUntilIdle();
        ASSERT_TRUE(settings().resetAll());
        ProcessClock::unpin();
    }
    static UserSettingsStore& settings() { return UserSettingsStore::shared(); }

    std::vector<Event> pendingReminders(Date now)
    {
        std::optional<std::vector<Event>> result;
        store->pendingAppleReminderEvents(now,
            [&](std::vector<Event> events) { DispatchQueue::main().async([&result, events = std::move(events)] { result = events; }); });
        EXPECT_TRUE(DispatchQueue::main().runUntil([&] { return result.has_value(); }));
        return result.value_or(std::vector<Event> {});
    }

    MemoryCalendarStore* memory = nullptr;
    std::unique_ptr<AggregatedEventStore> store;
};

struct GrantedPermissionCounter {
    GrantedPermissionCounter()
        : token(NotificationCenter::defaultCenter().addObserver(
            std::string(NotificationName::grantedPermission), nullptr, [this](const Notification&) { ++count; }))
    {
    }
    ~GrantedPermissionCounter() { NotificationCenter::defaultCenter().removeObserver(token); }
    std::atomic<int> count { 0 };
    ObserverToken token;
};

}

TEST_F(AggregatedEventStoreTest, WithoutActiveCalendarsNothingIsQueriedAndEveryAnswerIsEmpty)
{
    memory->addEvent(makeEvent("standup", "2026-12-07T09:00:00+01:00", "2026-12-07T09:15:00+01:00"));
    ASSERT_TRUE(settings().setActiveCalendarIdentifiers({ "gone", "also-gone" }));
    Date now = Date::now();
    EXPECT_TRUE(store->activeCalendars().empty());
    EXPECT_TRUE(store->events(now, now + 86400).empty());
    EXPECT_TRUE(store->currentEvents(now).empty());
    EXPECT_TRUE(store->pendingEvents(now).empty());
    EXPECT_EQ(memory->eventQueryCount(), 0u);

    bool completed = false;
    store->pendingAppleReminderEvents(now, [&](std::vector<Event> events) {
        EXPECT_TRUE(events.empty());
        completed = true;
    });
    EXPECT_TRUE(completed) << "completes before returning, on the calling thread";
    EXPECT_EQ(memory->reminderFetchCount(), 0u);
}

TEST_F(AggregatedEventStoreTest, ActiveCalendarsFollowTheSettingsOrderSkippingUnknownIdentifiers)
{
    ASSERT_TRUE(settings().setActiveCalendarIdentifiers({ "home", "gone", "work" }));
    auto active = store->activeCalendars();
    ASSERT_EQ(active.size(), 2u);
    EXPECT_EQ(active[0]->calendarIdentifier, "home");
    EXPECT_EQ(active[1]->calendarIdentifier, "work");
    EXPECT_TRUE(store->activeReminderCalendars().empty());
    ASSERT_TRUE(settings().setActiveReminderListIdentifiers({ "todo" }));
    ASSERT_EQ(store->activeReminderCalendars().size(), 1u);
    EXPECT_EQ(store->calendar("nowhere"), nullptr);
}

TEST_F(AggregatedEventStoreTest, DelegatedCalendarsAreThereFromTheStartAndTheirEventsMergedOnce)
{
    // Nothing asks for access: it is granted from the start, as on the desktop.
    auto delegated = std::make_shared<MemoryCalendarStore>();
    delegated->addCalendar(makeCalendar("work"));
    delegated->addCalendar(makeCalendar("boss"));
    memory->setDelegateSources({ StoreSource { "boss-source", "Boss", true, {} } });
    memory->setDelegateStore(delegated);

    auto own = makeEvent("review", "2026-12-07T10:00:00+01:00", "2026-12-07T11:00:00+01:00");
    memory->addEvent(own);
    auto copy = own;
    copy.eventIdentifier = "boss:review";
    copy.calendar = makeCalendar("boss");
    delegated->addEvent(copy);
    auto otherOccurrence = copy;
    otherOccurrence.occurrenceDate = at("2026-12-06T10:00:00+01:00");
    delegated->addEvent(otherOccurrence);
    delegated->addEvent(makeEvent("boss-only", "2026-12-07T12:00:00+01:00", "2026-12-07T13:00:00+01:00", "boss"));

    auto calendars = store->calendars(EntityType::event);
    ASSERT_EQ(calendars.size(), 3u);
    EXPECT_EQ(calendars[2]->calendarIdentifier, "boss");
    EXPECT_EQ(store->calendar("boss")->calendarIdentifier, "boss") << "found in the delegate store";

    ASSERT_TRUE(settings().setActiveCalendarIdentifiers({ "work", "boss" }));
    Date start = at("2026-12-07T00:00:00+01:00"), end = at("2026-12-08T00:00:00+01:00");
    auto events = store->events(start, end);
    ASSERT_EQ(titles(events), (std::vector<std::string> { "review", "review", "boss-only" }));
    EXPECT_EQ(events[1].occurrenceDate, otherOccurrence.occurrenceDate) << "another occurrence of the series is no duplicate";
    EXPECT_EQ(store->event("boss:boss-only")->title, "boss-only");
}

// A store of no delegated accounts could answer nothing; it is not made, so no query reads it.
TEST_F(AggregatedEventStoreTest, WithoutDelegatedAccountsNoDelegateStoreIsAskedAnything)
{
    auto delegated = std::make_shared<MemoryCalendarStore>();
    delegated->addCalendar(makeCalendar("boss"));
    delegated->addEvent(makeEvent("boss-only", "2026-12-07T12:00:00+01:00", "2026-12-07T13:00:00+01:00", "boss"));
    memory->setDelegateStore(delegated);
    memory->addEvent(makeEvent("review", "2026-12-07T10:00:00+01:00", "2026-12-07T11:00:00+01:00"));

    ASSERT_TRUE(settings().setActiveCalendarIdentifiers({ "work", "boss" }));
    auto events = store->events(at("2026-12-07T00:00:00+01:00"), at("2026-12-08T00:00:00+01:00"));
    EXPECT_EQ(titles(events), std::vector<std::string> { "review" });
    EXPECT_EQ(store->calendar("boss"), nullptr);
    EXPECT_EQ(store->calendars(EntityType::event).size(), 2u);
    EXPECT_EQ(delegated->eventQueryCount(), 0u);
}

TEST_F(AggregatedEventStoreTest, AccessRequestsFailAsTheStoreAnsweredAndPostOnlyWhenTheyShould)
{
    GrantedPermissionCounter granted;
    auto request = [&](bool calendars) {
        std::optional<tl::expected<void, AccessRequestError>> answer;
        auto completion = [&](auto result) { DispatchQueue::main().async([&, result] { answer = result; }); };
        if (calendars)
            store->requestCalendarAccess(completion);
        else
            store->requestReminderAccess(completion);
        EXPECT_TRUE(DispatchQueue::main().runUntil([&] { return answer.has_value(); }));
        return answer.value_or(tl::unexpected(AccessRequestError(CalendarStoreError { "no answer" })));
    };

    memory->setAuthorizationStatus(EntityType::event, AuthorizationStatus::denied);
    memory->setAuthorizationStatus(EntityType::reminder, AuthorizationStatus::denied);
    memory->setAccessAnswer(true);
    EXPECT_EQ(store->delegatesEventStore(), nullptr) << "not without access";
    auto denied = request(true);
    ASSERT_FALSE(denied.has_value());
    EXPECT_EQ(std::get<EventKitError>(denied.error()), EventKitError::accessNotGranted) << "the status decides, not the answer";
    EXPECT_EQ(granted.count, 0);
    EXPECT_EQ(store->delegatesEventStore(), nullptr);
    EXPECT_FALSE(store->hasCalendarAccess());

    EXPECT_TRUE(request(false).has_value()) << "a denied reminder request is no error";
    EXPECT_EQ(granted.count, 1);

    memory->setAccessAnswer(false, CalendarStoreError { "the calendar folder cannot be read" });
    auto failed = request(true);
    ASSERT_FALSE(failed.has_value());
    EXPECT_EQ(describe(failed.error()), "the calendar folder cannot be read");
    EXPECT_FALSE(request(false).has_value());
    EXPECT_EQ(granted.count, 1);
}

TEST_F(AggregatedEventStoreTest, OnlyEligibleEventsAreCurrentOrPendingAndEqualStartsKeepFetchOrder)
{
    memory->addEvent(makeEvent("b-running", "2026-12-07T08:30:00+01:00", "2026-12-07T09:30:00+01:00"));
    memory->addEvent(makeEvent("a-running", "2026-12-07T08:30:00+01:00", "2026-12-07T09:00:00+01:00"));
    auto allDay = makeEvent("all-day", "2026-12-07T00:00:00+01:00", "2026-12-07T23:59:59+01:00");
    allDay.isAllDay = true;
    memory->addEvent(allDay);
    auto cancelled = makeEvent("cancelled", "2026-12-07T08:45:00+01:00", "2026-12-07T09:45:00+01:00");
    cancelled.status = EventStatus::canceled;
    memory->addEvent(cancelled);
    auto declined = makeEvent("declined", "2026-12-07T08:50:00+01:00", "2026-12-07T09:50:00+01:00");
    StoreParticipant me;
    me.isCurrentUser = true;
    me.status = StoreParticipantStatus::declined;
    declined.attendees = { me };
    memory->addEvent(declined);
    auto tentative = makeEvent("tentative", "2026-12-07T08:55:00+01:00", "2026-12-07T09:55:00+01:00");
    me.status = StoreParticipantStatus::tentative;
    tentative.attendees = { me };
    memory->addEvent(tentative);

    Date now = Date::now();
    EXPECT_EQ(titles(store->currentEvents(now)), (std::vector<std::string> { "b-running", "a-running", "tentative" }));
    ASSERT_TRUE(settings().setShowOnlyAcceptedEvents(true));
    EXPECT_EQ(titles(store->currentEvents(now)), (std::vector<std::string> { "b-running", "a-running" }));
}

TEST_F(AggregatedEventStoreTest, AnEventIsPendingOnlyWithinTheComingHourWhateverItsOffset)
{
    memory->addEvent(makeEvent("in-90-minutes", "2026-12-07T10:30:00+01:00", "2026-12-07T11:00:00+01:00"));
    memory->addEvent(makeEvent("in-59-minutes", "2026-12-07T09:59:00+01:00", "2026-12-07T10:30:00+01:00"));
    memory->addEvent(makeEvent("in-3-minutes", "2026-12-07T09:03:00+01:00", "2026-12-07T09:30:00+01:00"));
    Date now = Date::now();

    EXPECT_EQ(titles(store->pendingEvents(now)), (std::vector<std::string> { "in-3-minutes" })) << "the 5-minute offset";
    ASSERT_TRUE(settings().setTimeOffsetSeconds(7200));
    EXPECT_EQ(titles(store->pendingEvents(now)), (std::vector<std::string> { "in-3-minutes", "in-59-minutes" }));

    ASSERT_TRUE(
        EventSettingsStore::shared().storeCustomSettings({ EventType::calendarEvent, true, false, 0, std::nullopt }, "work:in-3-minutes"));
    EXPECT_EQ(titles(store->pendingEvents(now)), (std::vector<std::string> { "in-59-minutes" })) << "excluded by its settings";
    ASSERT_TRUE(EventSettingsStore::shared().deleteAllCustomEventSettings());
}

TEST_F(AggregatedEventStoreTest, AStoreReminderIsPendingWhenDueAheadWithinItsOffsetAndWithAnAlarm)
{
    ASSERT_TRUE(settings().setActiveReminderListIdentifiers({ "todo" }));
    ASSERT_TRUE(settings().setTimeOffsetSeconds(600));
    memory->addReminder(makeReminder("due-5-minutes-ago", 8, 55));
    memory->addReminder(makeReminder("due-in-5-minutes", 9, 5));
    auto withoutAlarm = makeReminder("due-in-5-minutes-without-alarm", 9, 5);
    withoutAlarm.alarms.reset();
    memory->addReminder(withoutAlarm);

    auto pending = pendingReminders(Date::now());
    ASSERT_EQ(titles(pending), (std::vector<std::string> { "due-in-5-minutes" }));
    EXPECT_EQ(pending[0].startDate, at("2026-12-07T09:05:00+01:00"));
    EXPECT_EQ(pending[0].type, EventType::appleReminder);
}

TEST_F(AggregatedEventStoreTest, WhatTheUserExcludedIsNeitherCurrentNorPending)
{
    ASSERT_TRUE(settings().setActiveReminderListIdentifiers({ "todo" }));
    memory->addEvent(makeEvent("Private: errand", "2026-12-07T08:30:00+01:00", "2026-12-07T09:30:00+01:00"));
    memory->addEvent(makeEvent("excluded-running", "2026-12-07T08:45:00+01:00", "2026-12-07T09:30:00+01:00"));
    memory->addEvent(makeEvent("running", "2026-12-07T08:50:00+01:00", "2026-12-07T09:30:00+01:00"));
    memory->addEvent(makeEvent("Private: call", "2026-12-07T09:03:00+01:00", "2026-12-07T09:30:00+01:00"));
    memory->addEvent(makeEvent("soon", "2026-12-07T09:04:00+01:00", "2026-12-07T09:30:00+01:00"));
    memory->addReminder(makeReminder("Private: gift", 9, 2));
    memory->addReminder(makeReminder("report", 9, 3));
    ASSERT_TRUE(settings().setExcludeRules({ titlesBeginningWith("Private") }));
    ASSERT_TRUE(EventSettingsStore::shared().storeCustomSettings(
        { EventType::calendarEvent, true, false, 0, std::nullopt }, "work:excluded-running"));

    Date now = Date::now();
    EXPECT_EQ(titles(store->currentEvents(now)), (std::vector<std::string> { "running" }));
    EXPECT_EQ(titles(store->pendingEvents(now)), (std::vector<std::string> { "soon" }));
    EXPECT_EQ(titles(pendingReminders(now)), (std::vector<std::string> { "report" }));
    ASSERT_TRUE(EventSettingsStore::shared().deleteAllCustomEventSettings());
}

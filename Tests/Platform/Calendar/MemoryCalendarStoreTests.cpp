#include "Platform/Calendar/MemoryCalendarStore.hpp"

#include "Platform/Runtime/DispatchQueue.hpp"

#include <gtest/gtest.h>

using namespace tvk;

namespace {

StoreCalendarPointer makeCalendar(const std::string& identifier, EntityType type = EntityType::event)
{
    auto calendar = std::make_shared<StoreCalendar>();
    calendar->calendarIdentifier = identifier;
    calendar->title = identifier;
    calendar->entityType = type;
    return calendar;
}

StoreEvent makeEvent(const std::string& identifier, StoreCalendarPointer calendar, Date start, Date end)
{
    StoreEvent event;
    event.eventIdentifier = identifier;
    event.calendarItemIdentifier = identifier;
    event.calendar = std::move(calendar);
    event.startDate = start;
    event.endDate = end;
    return event;
}

}

TEST(MemoryCalendarStore, QueriesFollowTheSameInclusiveOverlapAsTheFileStore)
{
    MemoryCalendarStore store;
    auto work = makeCalendar("work");
    auto home = makeCalendar("home");
    store.addCalendar(work);
    store.addCalendar(home);
    store.addEvent(makeEvent("later", work, Date(2000), Date(3000)));
    store.addEvent(makeEvent("earlier", work, Date(1000), Date(2000)));
    store.addEvent(makeEvent("home", home, Date(1500), Date(1600)));

    auto found = store.events(store.predicateForEvents(Date(2000), Date(2000), { work }));
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].eventIdentifier, "earlier");
    EXPECT_EQ(found[1].eventIdentifier, "later");
    EXPECT_TRUE(store.events(store.predicateForEvents(Date(0), Date(5000), {})).empty());
    EXPECT_EQ(store.eventQueryCount(), 2u);
}

TEST(MemoryCalendarStore, FetchesIncompleteRemindersOnceOnAWorkerThread)
{
    MemoryCalendarStore store;
    auto list = makeCalendar("tasks", EntityType::reminder);
    store.addCalendar(list);
    StoreReminder due;
    due.calendarItemIdentifier = "due";
    due.calendar = list;
    due.dueDate = Date(1000);
    StoreReminder done = due;
    done.calendarItemIdentifier = "done";
    done.isCompleted = true;
    store.addReminder(due);
    store.addReminder(done);

    int calls = 0;
    std::vector<StoreReminder> delivered;
    store.fetchReminders(store.predicateForIncompleteReminders(Date(0), Date(2000), { list }), [&](auto reminders) {
        EXPECT_FALSE(DispatchQueue::isMainThread());
        DispatchQueue::main().async([&, reminders] {
            ++calls;
            delivered = *reminders;
        });
    });
    ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return calls == 1; }));
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_EQ(delivered[0].calendarItemIdentifier, "due");
}

TEST(MemoryCalendarStore, HandsOutTheDelegateStoreItWasGiven)
{
    MemoryCalendarStore store;
    auto delegate = std::make_shared<MemoryCalendarStore>();
    delegate->addCalendar(makeCalendar("boss"));
    store.setDelegateStore(delegate);
    store.setDelegateSources({ StoreSource { "boss-source", "Boss", true, {} } });
    auto made = store.makeStore(store.delegateSources());
    ASSERT_EQ(made->calendars(EntityType::event).size(), 1u);
    delegate->addCalendar(makeCalendar("boss 2"));
    EXPECT_EQ(made->calendars(EntityType::event).size(), 2u);
}

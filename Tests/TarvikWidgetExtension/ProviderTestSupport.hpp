#pragma once

// The providers over a manager of the test's own: an in-memory calendar store with the
// calendars "work" and "home" and the reminder list "todo", settings and own reminders in the
// test's temporary home, the clock pinned on Monday 7 December 2026 at 09:00 in Berlin. Runs a
// provider's operations as the host does and waits for their completion on the main queue.

#include "Platform/Calendar/MemoryCalendarStore.hpp"
#include "Platform/Runtime/DispatchQueue.hpp"
#include "Platform/Runtime/ProcessClock.hpp"
#include "Platform/Widgets/Timeline.hpp"
#include "Platform/Widgets/TimelineProvider.hpp"
#include "Platform/Widgets/WidgetCenter.hpp"
#include "TVKCore/Schedule/CalendarEventManager.hpp"
#include "TVKCore/Settings/CustomRemindersStore.hpp"
#include "TVKCore/Settings/UserSettingsStore.hpp"
#include "Tests/Support/Dates.hpp"
#include "Tests/Support/TemporaryDirectory.hpp"
#include "Tests/TVKCore/Calendar/StoreItems.hpp"

#include <gtest/gtest.h>

#include <map>
#include <optional>

namespace tvk::test {

class ProviderTest : public testing::Test {
protected:
    void SetUp() override
    {
        ProcessClock::pin(at("2026-12-07T09:00:00+01:00"));
        auto owned = makeMemoryStore();
        memory = owned.get();
        store = std::make_unique<AggregatedEventStore>(std::move(owned));
        manager = std::make_unique<CalendarEventManager>(*store, reminders);
        ASSERT_TRUE(UserSettingsStore::shared().setActiveCalendarIdentifiers({ "work" }));
        reloadToken = widgets::WidgetCenter::shared().addReloadHandler(
            [this](const std::optional<std::string>& kind) { ++reloadRequests[kind.value_or("(all)")]; });
    }
    void TearDown() override
    {
        DispatchQueue::main().drainUntilIdle();
        widgets::WidgetCenter::shared().removeReloadHandler(reloadToken);
        manager.reset();
        ASSERT_TRUE(UserSettingsStore::shared().resetAll());
        ProcessClock::unpin();
    }

    /// "title", from `start` for `minutes` minutes, in the calendar "work".
    void addEvent(const std::string& title, const char* start, int minutes = 30)
    {
        auto event = makeEvent(title, start, start);
        event.endDate = event.startDate + minutes * 60.0;
        memory->addEvent(event);
    }
    void reload()
    {
        bool done = false;
        manager->reloadEvents(CalendarEventManager::PostNotification::no, [&] { done = true; });
        ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return done; }));
    }

    template <class Provider> widgets::Timeline<typename Provider::Entry> timelineOf(const Provider& provider)
    {
        std::optional<widgets::Timeline<typename Provider::Entry>> timeline;
        provider.getTimeline(context, [&](widgets::Timeline<typename Provider::Entry> result) { timeline = std::move(result); });
        EXPECT_FALSE(timeline) << "the timeline comes from the main queue, after the reload";
        EXPECT_TRUE(DispatchQueue::main().runUntil([&] { return timeline.has_value(); }));
        return timeline.value_or(widgets::Timeline<typename Provider::Entry> {});
    }
    template <class Provider> typename Provider::Entry snapshotOf(const Provider& provider)
    {
        std::optional<typename Provider::Entry> entry;
        provider.getSnapshot(context, [&](typename Provider::Entry result) { entry = std::move(result); });
        EXPECT_TRUE(entry) << "a snapshot completes before getSnapshot returns";
        return entry.value_or(typename Provider::Entry {});
    }

    widgets::TimelineProviderContext context = widgets::TimelineProviderContext::forFamily(widgets::WidgetFamily::systemMedium);
    TemporaryDirectory directory;
    UserDefaults remindersDomain { directory / "reminders.plist" };
    CustomRemindersStore reminders { remindersDomain };
    MemoryCalendarStore* memory = nullptr;
    std::unique_ptr<AggregatedEventStore> store;
    std::unique_ptr<CalendarEventManager> manager;
    /// Requests to the widget centre during the test, by kind.
    std::map<std::string, int> reloadRequests;
    ObserverToken reloadToken;
};

/// The titles of the entries' events ("-" for an entry without one).
template <class Entry> std::vector<std::string> entryTitles(const std::vector<Entry>& entries)
{
    std::vector<std::string> result;
    for (auto& entry : entries)
        result.push_back(entry.event ? entry.event->title.value_or("?") : "-");
    return result;
}

template <class Entry> std::vector<Date> entryDates(const std::vector<Entry>& entries)
{
    std::vector<Date> result;
    for (auto& entry : entries)
        result.push_back(entry.date);
    return result;
}

}

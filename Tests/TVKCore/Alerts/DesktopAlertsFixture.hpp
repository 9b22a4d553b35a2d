#pragma once

// A real manager over an in-memory calendar store for the desktop alerts' tests, with the
// clock pinned on Monday 7 December 2026 in Berlin at 09:00: the stand-up (09:30, with a
// Meet link) alerts at 09:29, the review (09:40, no link) at 09:39. The test hands the alerts
// their notification server and the main application's presence (`start`); the workspace
// opens links into `opened`.

#include "TVKCore/Alerts/DesktopAlerts.hpp"

#include "Platform/Calendar/MemoryCalendarStore.hpp"
#include "Platform/Desktop/Workspace.hpp"
#include "Platform/Runtime/DispatchQueue.hpp"
#include "Platform/Runtime/ProcessClock.hpp"
#include "TVKCore/Settings/CustomRemindersStore.hpp"
#include "TVKCore/Settings/UserSettingsStore.hpp"
#include "Tests/Support/Dates.hpp"
#include "Tests/Support/TemporaryDirectory.hpp"
#include "Tests/TVKCore/Calendar/StoreItems.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace tvk::test {

class DesktopAlertsFixture : public testing::Test {
protected:
    void SetUp() override
    {
        ProcessClock::pin(at("2026-12-07T09:00:00+01:00"));
        auto owned = makeMemoryStore();
        auto standup = makeEvent("standup", "2026-12-07T09:30:00+01:00", "2026-12-07T09:45:00+01:00");
        standup.notes = "Join: https://meet.google.com/kdq-xnvh-rpt";
        owned->addEvent(standup);
        owned->addEvent(makeEvent("review", "2026-12-07T09:40:00+01:00", "2026-12-07T10:00:00+01:00"));
        store = std::make_unique<AggregatedEventStore>(std::move(owned));
        manager = std::make_unique<CalendarEventManager>(*store, reminders);
        ASSERT_TRUE(UserSettingsStore::shared().setActiveCalendarIdentifiers({ "work" }));
        Workspace::shared().setOpener([this](const std::string& uri) {
            opened.push_back(uri);
            return true;
        });
    }
    void TearDown() override
    {
        Workspace::shared().setOpener(nullptr);
        DispatchQueue::main().drainUntilIdle();
        manager.reset();
        ASSERT_TRUE(UserSettingsStore::shared().resetAll());
        ProcessClock::unpin();
    }

    void start(DesktopAlerts::Show show, DesktopAlerts::MainApplicationRuns mainApplicationRuns)
    {
        alerts = std::make_shared<DesktopAlerts>(*manager, std::move(show), std::move(mainApplicationRuns));
        manager->setDelegate(alerts);
    }
    void reload()
    {
        bool done = false;
        manager->reloadEvents(CalendarEventManager::PostNotification::no, [&] { done = true; });
        ASSERT_TRUE(DispatchQueue::main().runUntil([&] { return done; }));
    }
    // Moves the clock to the alerts' next wake-up and lets them act.
    void wake()
    {
        auto next = alerts->nextWakeUp();
        ASSERT_TRUE(next);
        ProcessClock::advance(*next - Date::now());
        DispatchQueue::main().drainUntilIdle();
    }

    std::vector<std::string> opened;
    TemporaryDirectory directory;
    UserDefaults remindersDomain { directory / "reminders.plist" };
    CustomRemindersStore reminders { remindersDomain };
    std::unique_ptr<AggregatedEventStore> store;
    std::unique_ptr<CalendarEventManager> manager;
    std::shared_ptr<DesktopAlerts> alerts;
};

}

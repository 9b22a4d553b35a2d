// Snapshots are taken on the host's threads while reloads replace the manager's lists on the
// main queue. Also run under ThreadSanitizer (the "tsan." tests).

#include "Tests/TarvikWidgetExtension/ProviderTestSupport.hpp"

#include "TarvikWidgetExtension/Timeline/CurrentEvetsProvider.hpp"
#include "TarvikWidgetExtension/Timeline/NextEventProvider.hpp"
#include "TarvikWidgetExtension/Timeline/UpcomingEvetsProvider.hpp"

#include <atomic>
#include <mutex>
#include <set>
#include <thread>

using namespace tvk;
using namespace tvk::test;

namespace {

using SnapshotConcurrencyTest = ProviderTest;

}

TEST_F(SnapshotConcurrencyTest, SnapshotsFromAnotherThreadDuringReloadsNeverSeeATornList)
{
    // Two states of the calendars take turns, reload after reload. In each, the upcoming list
    // joins a pending reminder and two scheduled meetings, and one meeting is going on: a
    // snapshot must show one state whole (or nothing, before the first reload).
    ASSERT_TRUE(UserSettingsStore::shared().setActiveReminderListIdentifiers({ "todo" }));
    ProcessClock::pin(at("2026-12-07T08:59:30+01:00"));
    auto fill = [&](const std::string& state) {
        memory->removeAllItems();
        addEvent(state + "-running", "2026-12-07T08:30:00+01:00", 60);
        addEvent(state + "-standup", "2026-12-07T10:00:00+01:00");
        addEvent(state + "-review", "2026-12-07T11:00:00+01:00");
        memory->addReminder(makeReminder(state + "-task", 9, 0));
    };
    auto whole = [](const std::vector<std::string>& titles, std::vector<std::string> names) {
        if (titles.empty())
            return true;
        for (const char* state : { "a", "b" }) {
            std::vector<std::string> expected;
            for (auto& name : names)
                expected.push_back(state + ("-" + name));
            if (titles == expected)
                return true;
        }
        return false;
    };

    NextEventProvider countdown(*manager);
    UpcomingEvetsProvider upcoming(*manager);
    CurrentEvetsProvider current(*manager);
    std::atomic<bool> stop { false };
    std::atomic<int> snapshots { 0 };
    std::mutex tornMutex;
    std::set<std::vector<std::string>> torn;
    std::thread host([&] {
        while (!stop) {
            std::vector<std::string> upcomingTitles, currentTitles;
            std::optional<Event> next;
            upcoming.getSnapshot(context, [&](UpcomingEventsEntry entry) { upcomingTitles = titles(entry.events); });
            current.getSnapshot(context, [&](CurrentEventsEntry entry) { currentTitles = titles(entry.events); });
            countdown.getSnapshot(context, [&](NextEventEntry entry) { next = entry.event; });
            if (!whole(upcomingTitles, { "task", "standup", "review" }) || !whole(currentTitles, { "running" })
                || (next && next->title != "a-task" && next->title != "b-task")) {
                std::lock_guard lock(tornMutex);
                torn.insert(upcomingTitles);
            }
            ++snapshots;
        }
    });
    for (int round = 0; round < 40; ++round) {
        fill(round % 2 == 0 ? "a" : "b");
        reload();
    }
    stop = true;
    host.join();
    EXPECT_GT(snapshots.load(), 0);
    EXPECT_TRUE(torn.empty()) << torn.size() << " torn lists, e.g. " << testing::PrintToString(*torn.begin());
}

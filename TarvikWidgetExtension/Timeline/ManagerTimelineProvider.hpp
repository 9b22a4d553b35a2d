#pragma once

#include "Platform/Widgets/Timeline.hpp"
#include "Platform/Widgets/TimelineProvider.hpp"
#include "TVKCore/Schedule/CalendarEventManager.hpp"

#include <functional>
#include <string>
#include <vector>

namespace tvk {

/// Registers an observer of "DidReloadEvents" from `manager` on the default centre that asks the
/// host, through the widget centre, to reload the timelines of `kind`. It runs on the posting
/// thread and is never removed. Another manager's reloads say nothing about these timelines.
void reloadTimelinesWhenEventsReload(std::string kind, const CalendarEventManager& manager);

/// What the three providers share. A provider is built over a calendar event manager (the
/// shared one by default), whose lists it reads, and registers an observer that reloads its
/// widget's kind whenever the manager announces a reload. It holds nothing else: every
/// timeline request starts afresh.
///
/// `Provider` gives its widget's `kind`, the manager's list it shows (`events`) and its
/// `timeline` of that list at a moment; from those:
/// - `placeholder`: an empty entry at now, without touching the manager;
/// - `getSnapshot`: the first entry of the timeline of the list as the manager holds it now
///   (an empty entry when there is none); loads nothing and completes before returning;
/// - `getTimeline`: reloads the manager's lists without announcing it, then completes on the
///   main queue with the timeline of the fresh list, "now" read once there.
template <class Provider, class EntryType> class ManagerTimelineProvider {
public:
    using Entry = EntryType;

    /// Over `CalendarEventManager::shared()`.
    ManagerTimelineProvider()
        : ManagerTimelineProvider(CalendarEventManager::shared())
    {
    }
    explicit ManagerTimelineProvider(CalendarEventManager& eventManager)
        : m_eventManager(&eventManager)
    {
        reloadTimelinesWhenEventsReload(std::string(Provider::kind), eventManager);
    }

    CalendarEventManager& eventManager() const { return *m_eventManager; }

    Entry placeholder(const widgets::TimelineProviderContext&) const { return Entry { Date::now(), {} }; }

    void getSnapshot(const widgets::TimelineProviderContext&, std::function<void(Entry)> completion) const
    {
        Date now = Date::now();
        auto timeline = Provider::timeline(Provider::events(*m_eventManager), now);
        completion(timeline.entries.empty() ? Entry { now, {} } : std::move(timeline.entries.front()));
    }

    void getTimeline(const widgets::TimelineProviderContext&, std::function<void(widgets::Timeline<Entry>)> completion) const
    {
        m_eventManager->reloadEvents(
            CalendarEventManager::PostNotification::no, [manager = m_eventManager, completion = std::move(completion)] {
                completion(Provider::timeline(Provider::events(*manager), Date::now()));
            });
    }

private:
    CalendarEventManager* m_eventManager;
};

}

#include "TarvikWidgetExtension/Timeline/ManagerTimelineProvider.hpp"

#include "Platform/Runtime/NotificationCenter.hpp"
#include "Platform/Runtime/ProcessWideState.hpp"
#include "Platform/Widgets/WidgetCenter.hpp"

#include <mutex>
#include <vector>

namespace tvk {

namespace {

// A program keeps every provider's registration for its whole life. The tokens are kept only
// so that a test program can forget the registrations of one test before the next begins, as
// a fresh process would.
struct Registrations {
    std::mutex mutex;
    std::vector<ObserverToken> tokens;
};

Registrations& registrations()
{
    static auto* kept = new Registrations;
    static const ProcessWideState::Registration resettable([] {
        std::vector<ObserverToken> tokens;
        {
            std::lock_guard lock(kept->mutex);
            tokens.swap(kept->tokens);
        }
        for (auto& token : tokens)
            NotificationCenter::defaultCenter().removeObserver(token);
    });
    return *kept;
}

}

void reloadTimelinesWhenEventsReload(std::string kind, const CalendarEventManager& manager)
{
    auto token = NotificationCenter::defaultCenter().addObserver(std::string(NotificationName::didReloadEvents), &manager,
        [kind = std::move(kind)](const Notification&) { widgets::WidgetCenter::shared().reloadTimelines(kind); });
    auto& kept = registrations();
    std::lock_guard lock(kept.mutex);
    kept.tokens.push_back(std::move(token));
}

}

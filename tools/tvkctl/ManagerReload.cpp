#include "tools/tvkctl/ManagerReload.hpp"

#include "Platform/Runtime/DispatchQueue.hpp"
#include "TVKCore/Calendar/AggregatedEventStore.hpp"

#include <string>

namespace tvk::tvkctl {

namespace {

// A reload reads every calendar file once; on a cold cache over a large calendar set that
// takes seconds, so the wait is generous.
constexpr TimeInterval reloadTimeout = 120;

}

CalendarEventManager& managerReadingOnce()
{
    AggregatedEventStore::setSharedMonitoring(ICalendarStore::Monitoring::off);
    return CalendarEventManager::shared();
}

cli::CommandResult reloadAndWait(CalendarEventManager& manager)
{
    bool done = false;
    manager.reloadEvents(CalendarEventManager::PostNotification::no, [&done] { done = true; });
    if (!DispatchQueue::main().runUntil([&done] { return done; }, reloadTimeout))
        return cli::failure("the reload did not finish within " + std::to_string(static_cast<int>(reloadTimeout)) + " seconds");
    return {};
}

}

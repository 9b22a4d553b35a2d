#include "Platform/Calendar/CalendarBackendChoice.hpp"

#include "Platform/Calendar/CombinedCalendarStore.hpp"
#include "Platform/Calendar/EdsCalendarStore.hpp"
#include "Platform/Eds/EdsModule.hpp"
#include "Platform/Runtime/PlatformLog.hpp"

#include <cstdlib>
#include <string>

namespace tvk {

std::optional<CalendarBackendChoice::Backend> CalendarBackendChoice::parse(std::string_view text)
{
    if (text == "vdir")
        return Backend::vdir;
    if (text == "eds")
        return Backend::eds;
    if (text == "auto" || text.empty())
        return Backend::automatic;
    return std::nullopt;
}

CalendarBackendChoice::Backend CalendarBackendChoice::fromEnvironment()
{
    const char* value = std::getenv(environmentVariable);
    if (!value)
        return Backend::automatic;
    if (auto backend = parse(value))
        return *backend;
    PlatformLog::warning("Calendar", std::string(environmentVariable) + "=\"" + value + "\" is none of vdir, eds and auto; using auto");
    return Backend::automatic;
}

bool CalendarBackendChoice::usesEds(Backend backend)
{
    return backend == Backend::eds || (backend == Backend::automatic && EdsModule::registryIsRunning());
}

std::unique_ptr<CalendarStore> CalendarBackendChoice::makeDefaultStore(ICalendarStore::Monitoring monitoring)
{
    return makeStore(fromEnvironment(), monitoring);
}

std::unique_ptr<CalendarStore> CalendarBackendChoice::makeStore(Backend backend, ICalendarStore::Monitoring monitoring)
{
    if (!usesEds(backend))
        return ICalendarStore::makeDefault(monitoring);
    auto bridge = EdsModule::bridge();
    if (!bridge)
        PlatformLog::warning("Calendar", "the desktop's calendars cannot be read: " + bridge.error());
    auto eds = std::make_unique<EdsCalendarStore>(bridge ? *bridge : nullptr, monitoring, bridge ? std::string() : bridge.error());
    if (backend == Backend::eds)
        return eds;
    std::vector<std::unique_ptr<CalendarStore>> stores;
    stores.push_back(ICalendarStore::makeDefault(monitoring));
    if (bridge)
        stores.push_back(std::move(eds));
    if (stores.size() == 1)
        return std::move(stores.front());
    return std::make_unique<CombinedCalendarStore>(std::move(stores));
}

}

#include "Tests/Reliability/ManagerMinutes.hpp"

#include "Platform/Calendar/ICalendarStore.hpp"
#include "Platform/Runtime/DispatchQueue.hpp"
#include "Platform/Runtime/ProcessClock.hpp"
#include "TVKCore/Schedule/CalendarEventManager.hpp"
#include "Tests/Reliability/SoakWorld.hpp"

namespace tvk::test {

namespace {

/// Real time that any step may take before it counts as hung.
constexpr TimeInterval hangBound = 60;

}

ManagerMinutes::ManagerMinutes(CalendarEventManager& manager, ICalendarStore& files, SoakWorld& world)
    : m_manager(manager)
    , m_files(files)
    , m_world(world)
{
    auto& center = NotificationCenter::defaultCenter();
    m_reloadToken
        = center.addObserver(std::string(NotificationName::didReloadEvents), nullptr, [this](const Notification&) { ++m_reloadsPosted; });
    m_changeToken = center.addObserver(std::string(CalendarStore::changedNotification), nullptr, [this](const Notification&) {
        ++m_changesPosted;
        m_reloadsAtChange = m_reloadsPosted;
    });
}

std::string ManagerMinutes::changesDuring(int minute, Wait onTheHour)
{
    if (minute % 5 == 0) {
        bool hourly = minute % 60 == 0;
        if (auto failure = replaceCalendar(hourly ? onTheHour : Wait::forMonitors); !failure.empty())
            return failure;
        m_longWaits += hourly && onTheHour != Wait::forMonitors;
    }
    if (minute % 7 == 0) {
        if (auto failure = setAlertOffset(60 * (1 + minute % 9)); !failure.empty())
            return failure;
        ++m_settingsEdits;
    }
    return {};
}

std::string ManagerMinutes::setAlertOffset(long seconds)
{
    if (auto failure = m_world.setSetting("timeOffsetSeconds", std::to_string(seconds)); !failure.empty())
        return "tvkctl could not set the alert offset: " + failure;
    m_alertOffset = seconds;
    return {};
}

ManagerMinutes::~ManagerMinutes()
{
    auto& center = NotificationCenter::defaultCenter();
    center.removeObserver(m_reloadToken);
    center.removeObserver(m_changeToken);
}

std::string ManagerMinutes::passMinute()
{
    long reloadsBefore = m_reloadsPosted;
    auto fireDate = m_manager.nextTimerFireDate();
    ProcessClock::advance(60);
    if (!fireDate)
        return "the minute timer is not armed";
    if (*fireDate <= Date::now()
        && !DispatchQueue::main().runUntil(
            [&] { return m_reloadsPosted > reloadsBefore && m_manager.nextTimerFireDate() > Date::now(); }, hangBound))
        return "the minute timer did not reload";
    return {};
}

std::string ManagerMinutes::replaceCalendar(Wait wait)
{
    size_t changesSeen = m_files.monitoredChangeCount();
    long changesBefore = m_changesPosted;
    m_world.replaceCalendar();
    if (!DispatchQueue::main().runUntil([&] { return m_files.monitoredChangeCount() > changesSeen; }, hangBound))
        return "the file monitors did not see the calendar change";
    if (wait == Wait::forRescan && !DispatchQueue::main().runUntil([&] { return !m_files.isRescanPending(); }, hangBound))
        return "the file monitors' rescan did not run";
    if (wait == Wait::forReload
        && !DispatchQueue::main().runUntil(
            [&] { return m_changesPosted > changesBefore && m_reloadsPosted > m_reloadsAtChange; }, hangBound))
        return "the calendar change did not reload the manager";
    return {};
}

}

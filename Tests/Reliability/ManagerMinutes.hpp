#pragma once

#include "Platform/Runtime/NotificationCenter.hpp"

#include <string>

namespace tvk {
class CalendarEventManager;
class ICalendarStore;
}

namespace tvk::test {

class SoakWorld;

/// Moves a calendar event manager through simulated minutes as its process lives them: the
/// process clock moves a minute and the manager's own minute timer fires, reloads (announcing
/// it) and re-arms; now and then a syncing program replaces the calendar, which the store's
/// directory monitors see. Each step waits for an explicit sign that it happened (with a
/// minute of real time as the bound of a hang) and says what did not happen when it failed.
///
/// Create and use it on the main thread.
class ManagerMinutes {
public:
    ManagerMinutes(CalendarEventManager& manager, ICalendarStore& files, SoakWorld& world);
    ~ManagerMinutes();
    ManagerMinutes(const ManagerMinutes&) = delete;
    ManagerMinutes& operator=(const ManagerMinutes&) = delete;

    /// The clock moves a minute; when the minute timer is due, it must fire, reload and re-arm.
    /// Empty when it did; else what went wrong.
    std::string passMinute();

    /// How long `replaceCalendar` waits: until the monitors saw the replacement (a burst of
    /// syncs cuts the rescan's delay short: the next replacement comes first); until the
    /// rescan it starts has run (it announces nothing when a query of the store found the new
    /// file first, as a widget's reload may); or until that rescan announced the change and
    /// the manager's reload after it ended.
    enum class Wait { forMonitors, forRescan, forReload };
    /// Replaces the calendar with the world's next version. Empty when the wait ended; else
    /// what did not happen.
    std::string replaceCalendar(Wait wait);

    long reloadsPosted() const { return m_reloadsPosted; }

private:
    CalendarEventManager& m_manager;
    ICalendarStore& m_files;
    SoakWorld& m_world;
    // The reloads the manager announced, and how many it had announced when the store last
    // told of a change: the reload that change starts ends after that.
    long m_reloadsPosted = 0;
    long m_changesPosted = 0;
    long m_reloadsAtChange = 0;
    ObserverToken m_reloadToken;
    ObserverToken m_changeToken;
};

}

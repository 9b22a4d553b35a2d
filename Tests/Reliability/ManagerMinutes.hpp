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

    /// What happens outside the process during `minute`: every fifth minute a sync replaces
    /// the calendar (waiting on the hour as `onTheHour` says, for the monitors otherwise);
    /// every seventh `tvkctl` sets another alert offset, from one to nine minutes. Empty when
    /// it happened; else what did not.
    std::string changesDuring(int minute, Wait onTheHour);
    /// Has `tvkctl` set the alert offset. Empty when it did; else how it failed.
    std::string setAlertOffset(long seconds);
    /// The alert offset `tvkctl` set last, in seconds.
    long alertOffset() const { return m_alertOffset; }
    /// How many replacements were waited for beyond the monitors, and how many settings edits.
    long longWaits() const { return m_longWaits; }
    long settingsEdits() const { return m_settingsEdits; }

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
    long m_alertOffset = 0;
    long m_longWaits = 0;
    long m_settingsEdits = 0;
    ObserverToken m_reloadToken;
    ObserverToken m_changeToken;
};

}

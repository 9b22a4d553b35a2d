#pragma once

#include "Platform/Desktop/DesktopNotifications.hpp"
#include "TVKCore/Alerts/DesktopAlerts.hpp"
#include "TVKCore/Schedule/CalendarEventManager.hpp"

#include <memory>

namespace tvk {

/// The desktop alerts of a program with a main loop (the widget host, `tvkctl alerts
/// --follow`): notifications on the session bus, `DesktopAlerts` as the manager's delegate, and
/// the buttons pressed on those notifications handed back to it. The manager holds its delegate
/// weakly, so the alerts last as long as this object.
class SessionBusAlerts {
public:
    explicit SessionBusAlerts(CalendarEventManager& manager);
    ~SessionBusAlerts();
    SessionBusAlerts(const SessionBusAlerts&) = delete;
    SessionBusAlerts& operator=(const SessionBusAlerts&) = delete;

    /// Whether there is a session bus to show notifications on.
    bool canShow() const { return m_notifications.hasSessionBus(); }

    /// Becomes the manager's delegate and reloads, so that the schedule is there from the start;
    /// on the main thread, once the main loop runs.
    void start(CalendarEventManager::PostNotification post);

private:
    CalendarEventManager& m_manager;
    DesktopNotifications m_notifications;
    std::shared_ptr<DesktopAlerts> m_alerts;
};

}

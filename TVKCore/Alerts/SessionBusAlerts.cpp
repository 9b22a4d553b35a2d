#include "TVKCore/Alerts/SessionBusAlerts.hpp"

namespace tvk {

SessionBusAlerts::SessionBusAlerts(CalendarEventManager& manager)
    : m_manager(manager)
    , m_notifications("Tarvik", [this](std::uint32_t id, const std::string& key) {
        if (m_alerts)
            m_alerts->handleAction(id, key);
    })
{
}

SessionBusAlerts::~SessionBusAlerts() = default;

void SessionBusAlerts::start(CalendarEventManager::PostNotification post)
{
    if (m_alerts)
        return;
    m_alerts = std::make_shared<DesktopAlerts>(
        m_manager, [this](const DesktopNotifications::Content& content) { return m_notifications.show(content); },
        &DesktopAlerts::mainApplicationRunsOnTheSessionBus);
    m_manager.setDelegate(m_alerts);
    m_manager.reloadEvents(post);
}

}

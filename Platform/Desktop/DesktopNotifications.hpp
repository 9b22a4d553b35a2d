#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

typedef struct _GDBusConnection GDBusConnection;
typedef struct _GVariant GVariant;

namespace tvk {

/// Notifications shown by the desktop's notification server (the freedesktop.org interface
/// org.freedesktop.Notifications on the session bus), with action buttons.
///
/// Create, use and destroy it on the main thread; the action handler runs on the main queue
/// (while the main context is iterated), for the notifications this object showed only.
class DesktopNotifications {
public:
    struct Action {
        /// Handed back to the action handler ("join").
        std::string key;
        /// The button's label.
        std::string label;
    };
    struct Content {
        /// One line, as the server shows it: plain text (markup in it is escaped).
        std::string summary;
        /// Plain text; escaped too, as servers may read markup in it.
        std::string body;
        std::vector<Action> actions;
    };
    using ActionHandler = std::function<void(std::uint32_t notificationId, const std::string& actionKey)>;

    /// `applicationName` is the name the server shows as the sender.
    DesktopNotifications(std::string applicationName, ActionHandler onAction);
    ~DesktopNotifications();
    DesktopNotifications(const DesktopNotifications&) = delete;
    DesktopNotifications& operator=(const DesktopNotifications&) = delete;

    /// Whether it reached the session bus; without it nothing is ever shown.
    bool hasSessionBus() const { return m_connection != nullptr; }

    /// The server's id of the notification; none when there is no session bus or no server
    /// answers within the bus timeout (logged).
    std::optional<std::uint32_t> show(const Content& content);

private:
    static void onSignal(GDBusConnection*, const char*, const char*, const char*, const char* signal, GVariant* parameters, void* self);

    std::string m_applicationName;
    ActionHandler m_onAction;
    GDBusConnection* m_connection = nullptr;
    unsigned m_subscription = 0;
    std::vector<std::uint32_t> m_shown;
};

}

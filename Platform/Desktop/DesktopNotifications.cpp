#include "Platform/Desktop/DesktopNotifications.hpp"

#include "Platform/Desktop/SessionBus.hpp"
#include "Platform/Runtime/PlatformLog.hpp"

#include <gio/gio.h>

#include <algorithm>

namespace tvk {

namespace {

constexpr const char* serverName = "org.freedesktop.Notifications";
constexpr const char* serverPath = "/org/freedesktop/Notifications";
constexpr const char* serverInterface = "org.freedesktop.Notifications";
// Ids this object showed that are still open. A server that never reports a close must not
// make the list grow for days: the oldest go first.
constexpr size_t mostOpenNotifications = 64;

std::string escaped(const std::string& text)
{
    gchar* markup = g_markup_escape_text(text.c_str(), -1);
    std::string result = markup;
    g_free(markup);
    return result;
}

}

DesktopNotifications::DesktopNotifications(std::string applicationName, ActionHandler onAction)
    : m_applicationName(std::move(applicationName))
    , m_onAction(std::move(onAction))
{
    m_connection = SessionBus::connection("cannot show desktop notifications");
    if (!m_connection)
        return;
    m_subscription = g_dbus_connection_signal_subscribe(m_connection, serverName, serverInterface, nullptr, serverPath, nullptr,
        G_DBUS_SIGNAL_FLAGS_NONE, &DesktopNotifications::onSignal, this, nullptr);
}

DesktopNotifications::~DesktopNotifications()
{
    if (!m_connection)
        return;
    g_dbus_connection_signal_unsubscribe(m_connection, m_subscription);
    g_object_unref(m_connection);
}

std::optional<std::uint32_t> DesktopNotifications::show(const Content& content)
{
    if (!m_connection)
        return std::nullopt;
    GVariantBuilder actions;
    g_variant_builder_init(&actions, G_VARIANT_TYPE("as"));
    for (auto& action : content.actions) {
        g_variant_builder_add(&actions, "s", action.key.c_str());
        g_variant_builder_add(&actions, "s", action.label.c_str());
    }
    GVariantBuilder hints;
    g_variant_builder_init(&hints, G_VARIANT_TYPE("a{sv}"));
    // An alert stays until the person acts on it; "normal" urgency (1) with no expiry.
    g_variant_builder_add(&hints, "{sv}", "urgency", g_variant_new_byte(1));
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(m_connection, serverName, serverPath, serverInterface, "Notify",
        g_variant_new("(susssasa{sv}i)", m_applicationName.c_str(), 0u, "", escaped(content.summary).c_str(), escaped(content.body).c_str(),
            &actions, &hints, 0),
        G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, SessionBus::callTimeoutMilliseconds, nullptr, &error);
    if (!reply) {
        PlatformLog::warning("Notifications", std::string("could not show a notification: ") + (error ? error->message : "unknown error"));
        g_clear_error(&error);
        return std::nullopt;
    }
    guint32 id = 0;
    g_variant_get(reply, "(u)", &id);
    g_variant_unref(reply);
    if (m_shown.size() >= mostOpenNotifications)
        m_shown.erase(m_shown.begin());
    m_shown.push_back(id);
    return id;
}

void DesktopNotifications::onSignal(
    GDBusConnection*, const char*, const char*, const char*, const char* signal, GVariant* parameters, void* self)
{
    auto* notifications = static_cast<DesktopNotifications*>(self);
    auto& shown = notifications->m_shown;
    if (g_strcmp0(signal, "ActionInvoked") == 0 && g_variant_is_of_type(parameters, G_VARIANT_TYPE("(us)"))) {
        guint32 id = 0;
        const gchar* key = nullptr;
        g_variant_get(parameters, "(u&s)", &id, &key);
        // Every client of the server hears every action; only ours are answered.
        if (std::find(shown.begin(), shown.end(), id) != shown.end() && notifications->m_onAction)
            notifications->m_onAction(id, key);
    } else if (g_strcmp0(signal, "NotificationClosed") == 0 && g_variant_is_of_type(parameters, G_VARIANT_TYPE("(uu)"))) {
        guint32 id = 0;
        guint32 reason = 0;
        g_variant_get(parameters, "(uu)", &id, &reason);
        std::erase(shown, id);
    }
}

}

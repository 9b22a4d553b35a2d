#pragma once

// Header-only: other programs on the session bus, as tests need them. Test programs that use
// it link GLib through PlatformRuntime.

#include <gio/gio.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tvk::test {

/// Owns a well-known name on the session bus from a connection of its own, as a running
/// single-instance application does, until the object goes away. The name is owned once the
/// constructor returns.
class BusNameOwner {
public:
    explicit BusNameOwner(const std::string& name)
    {
        GError* error = nullptr;
        gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, &error);
        if (address) {
            m_connection = g_dbus_connection_new_for_address_sync(address,
                static_cast<GDBusConnectionFlags>(
                    G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT | G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
                nullptr, nullptr, &error);
            g_free(address);
        }
        if (!m_connection) {
            ADD_FAILURE() << "no session bus: " << (error ? error->message : "?");
            g_clear_error(&error);
            return;
        }
        // DO_NOT_QUEUE (4): owned now, or not at all.
        GVariant* reply = g_dbus_connection_call_sync(m_connection, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
            "RequestName", g_variant_new("(su)", name.c_str(), 4u), G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, -1, nullptr, &error);
        guint32 result = 0;
        if (reply) {
            g_variant_get(reply, "(u)", &result);
            g_variant_unref(reply);
        }
        g_clear_error(&error);
        // 1: the primary owner.
        if (result != 1)
            ADD_FAILURE() << "could not own " << name;
    }

    ~BusNameOwner()
    {
        if (!m_connection)
            return;
        g_dbus_connection_close_sync(m_connection, nullptr, nullptr);
        g_object_unref(m_connection);
    }

    BusNameOwner(const BusNameOwner&) = delete;
    BusNameOwner& operator=(const BusNameOwner&) = delete;

    std::string uniqueName() const { return m_connection ? g_dbus_connection_get_unique_name(m_connection) : ""; }

private:
    GDBusConnection* m_connection = nullptr;
};

/// Emits a signal from another process, as a script would: `gdbus emit --session` with
/// `arguments` after the signal name. Returns once that process has ended, with whether it
/// succeeded; the signal has then reached the bus daemon.
inline bool emitWithGdbus(const std::string& objectPath, const std::string& signal, const std::vector<std::string>& arguments)
{
    std::vector<std::string> command { "gdbus", "emit", "--session", "--object-path", objectPath, "--signal", signal };
    command.insert(command.end(), arguments.begin(), arguments.end());
    std::vector<gchar*> argv;
    for (auto& argument : command)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    gint status = 0;
    GError* error = nullptr;
    gchar* errorOutput = nullptr;
    bool ran = g_spawn_sync(nullptr, argv.data(), nullptr, static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_STDOUT_TO_DEV_NULL),
        nullptr, nullptr, nullptr, &errorOutput, &status, &error);
    bool succeeded = ran && g_spawn_check_wait_status(status, nullptr);
    if (!succeeded)
        ADD_FAILURE() << "gdbus emit failed: " << (error ? error->message : "") << (errorOutput ? errorOutput : "");
    g_clear_error(&error);
    g_free(errorOutput);
    return succeeded;
}

/// A text in GVariant notation, which `gdbus` reads its arguments in ("'killLauncher'").
inline std::string gvariantText(const std::string& text)
{
    GVariant* value = g_variant_ref_sink(g_variant_new_string(text.c_str()));
    gchar* printed = g_variant_print(value, FALSE);
    std::string result = printed;
    g_free(printed);
    g_variant_unref(value);
    return result;
}

/// Posts a distributed notification from another process, in the documented wire form.
inline bool postFromAnotherProcess(const std::string& name, const std::string& object)
{
    return emitWithGdbus("/com/quillmoor/DistributedNotifications", "com.quillmoor.DistributedNotifications.Notification",
        { gvariantText(name), gvariantText(object) });
}

}

#pragma once

// Header-only: other programs on the session bus, as tests need them. Test programs that use
// it link GLib through PlatformRuntime.

#include <gio/gio.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tvk::test {

/// Owns a well-known name on the session bus from a connection of its own, as a running
/// single-instance application does, until the object goes away. The name is owned once the
/// constructor returns.
class BusNameOwner {
public:
    explicit BusNameOwner(const std::string& name)
        : m_connection(connectionOfItsOwn())
    {
        if (m_connection)
            requestName(m_connection, name);
    }

    /// A new connection to the session bus, apart from GIO's shared one; null (and a failure
    /// added) without a session bus. Its signals and method calls are dispatched in the main
    /// context that is the thread's default when it is made.
    static GDBusConnection* connectionOfItsOwn()
    {
        GError* error = nullptr;
        GDBusConnection* connection = nullptr;
        gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, &error);
        if (address) {
            connection = g_dbus_connection_new_for_address_sync(address,
                static_cast<GDBusConnectionFlags>(
                    G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT | G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
                nullptr, nullptr, &error);
            g_free(address);
        }
        if (!connection)
            ADD_FAILURE() << "no session bus: " << (error ? error->message : "?");
        g_clear_error(&error);
        return connection;
    }

    /// Owns `name` from `connection` now, or adds a failure.
    static bool requestName(GDBusConnection* connection, const std::string& name)
    {
        GError* error = nullptr;
        // DO_NOT_QUEUE (4): owned now, or not at all.
        GVariant* reply = g_dbus_connection_call_sync(connection, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
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
        return result == 1;
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

/// A desktop notification server (org.freedesktop.Notifications) that records each Notify
/// call and answers with ids 1, 2, 3...; a person's click is `invokeAction`. It serves from a
/// thread of its own, so that a client on the test's thread may call it synchronously. The
/// name is owned once the constructor returns.
class StandInNotificationServer {
public:
    struct Notify {
        std::string applicationName;
        std::string summary;
        std::string body;
        /// Key, label, key, label...
        std::vector<std::string> actions;
        std::int32_t expireTimeout = 0;

        bool operator==(const Notify&) const = default;
    };

    /// `onNotify`, when given, hears each call as it is recorded, on the server's thread.
    explicit StandInNotificationServer(std::function<void(const Notify&)> onNotify = nullptr)
        : m_onNotify(std::move(onNotify))
    {
        std::promise<GDBusConnection*> ready;
        auto connection = ready.get_future();
        m_thread = std::thread([this, &ready] { serve(ready); });
        m_connection = connection.get();
    }

    ~StandInNotificationServer()
    {
        g_main_context_invoke(
            m_context,
            [](gpointer loop) {
                g_main_loop_quit(static_cast<GMainLoop*>(loop));
                return G_SOURCE_REMOVE;
            },
            m_loop);
        m_thread.join();
        g_main_loop_unref(m_loop);
        g_main_context_unref(m_context);
    }

    StandInNotificationServer(const StandInNotificationServer&) = delete;
    StandInNotificationServer& operator=(const StandInNotificationServer&) = delete;

    /// Whether it owns the server's name (a failure was added when not).
    bool serving() const { return m_serving; }

    std::vector<Notify> calls() const
    {
        std::lock_guard lock(m_mutex);
        return m_calls;
    }

    /// A click on the button `key` of notification `id`: ActionInvoked, then NotificationClosed
    /// as the server closes it (reason 2, dismissed by the user), to every client.
    void invokeAction(std::uint32_t id, const std::string& key)
    {
        emit("ActionInvoked", g_variant_new("(us)", id, key.c_str()));
        emit("NotificationClosed", g_variant_new("(uu)", id, 2u));
    }

private:
    static constexpr const char* introspection = R"(<node><interface name="org.freedesktop.Notifications">
        <method name="Notify"><arg type="s" direction="in"/><arg type="u" direction="in"/><arg type="s" direction="in"/>
          <arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="as" direction="in"/><arg type="a{sv}" direction="in"/>
          <arg type="i" direction="in"/><arg type="u" direction="out"/></method>
        <method name="GetCapabilities"><arg type="as" direction="out"/></method>
        <signal name="ActionInvoked"><arg type="u"/><arg type="s"/></signal>
        <signal name="NotificationClosed"><arg type="u"/><arg type="u"/></signal>
        </interface></node>)";

    void serve(std::promise<GDBusConnection*>& ready)
    {
        m_context = g_main_context_new();
        m_loop = g_main_loop_new(m_context, FALSE);
        g_main_context_push_thread_default(m_context);
        GDBusConnection* connection = BusNameOwner::connectionOfItsOwn();
        unsigned registration = 0;
        if (connection) {
            GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(introspection, nullptr);
            static const GDBusInterfaceVTable vtable { &StandInNotificationServer::onMethodCall, nullptr, nullptr, {} };
            registration = g_dbus_connection_register_object(
                connection, "/org/freedesktop/Notifications", node->interfaces[0], &vtable, this, nullptr, nullptr);
            g_dbus_node_info_unref(node);
            m_serving = BusNameOwner::requestName(connection, "org.freedesktop.Notifications");
        }
        ready.set_value(connection);
        g_main_loop_run(m_loop);
        if (connection) {
            g_dbus_connection_unregister_object(connection, registration);
            g_dbus_connection_close_sync(connection, nullptr, nullptr);
            g_object_unref(connection);
        }
        g_main_context_pop_thread_default(m_context);
    }

    static void onMethodCall(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method, GVariant* parameters,
        GDBusMethodInvocation* invocation, gpointer self)
    {
        auto* server = static_cast<StandInNotificationServer*>(self);
        if (g_strcmp0(method, "GetCapabilities") == 0) {
            const gchar* capabilities[] = { "actions", "body", nullptr };
            g_dbus_method_invocation_return_value(invocation, g_variant_new("(^as)", capabilities));
            return;
        }
        const gchar *application = nullptr, *icon = nullptr, *summary = nullptr, *body = nullptr;
        guint32 replaces = 0;
        gint32 timeout = 0;
        GVariantIter* actions = nullptr;
        GVariant* hints = nullptr;
        g_variant_get(parameters, "(&su&s&s&sas@a{sv}i)", &application, &replaces, &icon, &summary, &body, &actions, &hints, &timeout);
        Notify call { application, summary, body, {}, timeout };
        const gchar* action = nullptr;
        while (g_variant_iter_next(actions, "&s", &action))
            call.actions.emplace_back(action);
        g_variant_iter_free(actions);
        g_variant_unref(hints);
        if (server->m_onNotify)
            server->m_onNotify(call);
        guint32 id = 0;
        {
            std::lock_guard lock(server->m_mutex);
            server->m_calls.push_back(std::move(call));
            id = static_cast<guint32>(server->m_calls.size());
        }
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(u)", id));
    }

    void emit(const char* signal, GVariant* parameters)
    {
        GError* error = nullptr;
        g_variant_ref_sink(parameters);
        if (!m_connection
            || !g_dbus_connection_emit_signal(
                m_connection, nullptr, "/org/freedesktop/Notifications", "org.freedesktop.Notifications", signal, parameters, &error))
            ADD_FAILURE() << "could not emit " << signal << ": " << (error ? error->message : "no connection");
        g_clear_error(&error);
        g_variant_unref(parameters);
    }

    std::function<void(const Notify&)> m_onNotify;
    mutable std::mutex m_mutex;
    std::vector<Notify> m_calls;
    std::thread m_thread;
    GMainContext* m_context = nullptr;
    GMainLoop* m_loop = nullptr;
    GDBusConnection* m_connection = nullptr;
    bool m_serving = false;
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

#include "Platform/Desktop/RunningApplications.hpp"

#include "Platform/Desktop/SessionBus.hpp"
#include "Platform/Runtime/PlatformLog.hpp"

#include <gio/gio.h>

#include <memory>

namespace tvk {

namespace {

struct ObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
struct VariantUnref {
    void operator()(GVariant* variant) const { g_variant_unref(variant); }
};
using VariantPointer = std::unique_ptr<GVariant, VariantUnref>;

struct DaemonAnswer {
    VariantPointer reply;
    bool nameHasNoOwner = false;
};

// Calls a method of the bus daemon that takes one bus name. A name without owner is an
// ordinary answer; any other failure is logged.
DaemonAnswer askBusDaemon(GDBusConnection* connection, const char* method, const std::string& name, const char* replyType)
{
    GError* error = nullptr;
    DaemonAnswer answer;
    answer.reply.reset(g_dbus_connection_call_sync(connection, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
        method, g_variant_new("(s)", name.c_str()), G_VARIANT_TYPE(replyType), G_DBUS_CALL_FLAGS_NONE, SessionBus::callTimeoutMilliseconds,
        nullptr, &error));
    if (error) {
        answer.nameHasNoOwner = g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_NAME_HAS_NO_OWNER);
        if (!answer.nameHasNoOwner)
            PlatformLog::warning("D-Bus", std::string(method) + "(" + name + ") failed: " + error->message);
        g_error_free(error);
    }
    return answer;
}

}

std::vector<RunningApplication> RunningApplications::withBundleIdentifier(const std::string& bundleIdentifier)
{
    // Unique names (":1.5") and texts that are no bus name at all name no application; the bus
    // daemon would refuse them with an error that is not worth a log line.
    if (!g_dbus_is_name(bundleIdentifier.c_str()) || g_dbus_is_unique_name(bundleIdentifier.c_str()))
        return {};
    std::unique_ptr<GDBusConnection, ObjectUnref> connection(SessionBus::connection("cannot look up running applications"));
    if (!connection)
        return {};

    auto owner = askBusDaemon(connection.get(), "GetNameOwner", bundleIdentifier, "(s)");
    if (!owner.reply)
        return {};
    const gchar* uniqueName = nullptr;
    g_variant_get(owner.reply.get(), "(&s)", &uniqueName);
    RunningApplication application { bundleIdentifier, uniqueName, std::nullopt };

    // The owner may quit between the two questions. Unique names are never reused, so the
    // second answer then says "no owner", and the application no longer runs.
    auto process = askBusDaemon(connection.get(), "GetConnectionUnixProcessID", application.uniqueBusName, "(u)");
    if (process.nameHasNoOwner)
        return {};
    if (process.reply) {
        guint32 pid = 0;
        g_variant_get(process.reply.get(), "(u)", &pid);
        application.processIdentifier = static_cast<pid_t>(pid);
    }
    return { application };
}

}

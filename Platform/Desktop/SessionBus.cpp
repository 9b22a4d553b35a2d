#include "Platform/Desktop/SessionBus.hpp"

#include "Platform/Runtime/PlatformLog.hpp"

#include <gio/gio.h>

#include <string>

namespace tvk {

GDBusConnection* SessionBus::connection(const char* purpose)
{
    GError* error = nullptr;
    GDBusConnection* connection = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (!connection) {
        PlatformLog::warning("D-Bus", std::string("no session bus, ") + purpose + ": " + (error ? error->message : "unknown error"));
        g_clear_error(&error);
    }
    return connection;
}

}

#include "Platform/Eds/EdsModule.hpp"

#include "Platform/Runtime/StandardPaths.hpp"

#include <gio/gio.h>

#include <atomic>
#include <cstdlib>
#include <dlfcn.h>
#include <mutex>

namespace tvk {

namespace {

// Made once and never destroyed: the bridge's GObjects and the module's libraries must outlive
// every static destructor that might still reach them at exit.
struct Loaded {
    std::mutex mutex;
    std::shared_ptr<eds::Bridge> bridge;
    void* handle = nullptr;
    std::atomic<bool> isLoaded { false };
};

Loaded& module()
{
    static Loaded* loaded = new Loaded;
    return *loaded;
}

// GIO would fall back to autolaunching a bus through X11 when neither of these names one; a
// calendar lookup must never start a session bus.
bool sessionBusConfigured()
{
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address && *address)
        return true;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || !*runtime)
        return false;
    std::error_code error;
    return std::filesystem::exists(std::filesystem::path(runtime) / "bus", error);
}

}

bool EdsModule::registryIsRunning()
{
    if (!sessionBusConfigured())
        return false;
    GError* error = nullptr;
    GDBusConnection* connection = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (!connection) {
        g_clear_error(&error);
        return false;
    }
    // The bus daemon answers at once; a wedged bus must not hang a program at start-up.
    constexpr int timeoutMilliseconds = 5000;
    GVariant* reply = g_dbus_connection_call_sync(connection, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
        "NameHasOwner", g_variant_new("(s)", registryBusName), G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, timeoutMilliseconds,
        nullptr, &error);
    gboolean hasOwner = FALSE;
    if (reply) {
        g_variant_get(reply, "(b)", &hasOwner);
        g_variant_unref(reply);
    }
    g_clear_error(&error);
    g_object_unref(connection);
    return hasOwner;
}

std::filesystem::path EdsModule::modulePath()
{
    if (const char* overridden = std::getenv("TARVIK_EDS_MODULE"); overridden && *overridden)
        return overridden;
    auto installed = StandardPaths::executablePath().parent_path().parent_path() / "lib" / "tarvik" / "tarvik-eds.so";
    std::error_code error;
    if (std::filesystem::exists(installed, error))
        return installed;
#ifdef TARVIK_BUILD_EDS_MODULE
    return TARVIK_BUILD_EDS_MODULE;
#else
    return installed;
#endif
}

tl::expected<std::shared_ptr<eds::Bridge>, std::string> EdsModule::bridge()
{
    auto& loaded = module();
    std::lock_guard lock(loaded.mutex);
    if (loaded.bridge)
        return loaded.bridge;
    if (!loaded.handle) {
        auto path = modulePath();
        loaded.handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!loaded.handle) {
            const char* reason = dlerror();
            return tl::unexpected("cannot load the Evolution Data Server module " + path.string() + ": " + (reason ? reason : "unknown error"));
        }
        loaded.isLoaded = true;
    }
    auto open = reinterpret_cast<eds::OpenFunction>(dlsym(loaded.handle, eds::openFunctionName));
    if (!open)
        return tl::unexpected(std::string("the Evolution Data Server module has no ") + eds::openFunctionName);
    std::string error;
    eds::Bridge* bridge = open(&error);
    if (!bridge)
        return tl::unexpected(error.empty() ? std::string("cannot reach Evolution Data Server") : error);
    loaded.bridge.reset(bridge);
    return loaded.bridge;
}

bool EdsModule::isLoaded()
{
    return module().isLoaded;
}

}

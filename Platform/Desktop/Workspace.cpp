#include "Platform/Desktop/Workspace.hpp"

#include "Platform/Runtime/PlatformLog.hpp"

#include <gio/gio.h>

#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace tvk {

Workspace& Workspace::shared()
{
    static auto* workspace = new Workspace;
    return *workspace;
}

void Workspace::setOpener(Opener opener)
{
    std::lock_guard lock(m_mutex);
    m_opener = std::move(opener);
}

bool Workspace::open(const std::string& uri)
{
    if (auto opener = standIn(m_opener))
        return opener(uri);

    if (!g_uri_is_valid(uri.c_str(), G_URI_FLAGS_NONE, nullptr)) {
        PlatformLog::warning("Workspace", "not opening \"" + uri + "\": not a URI");
        return false;
    }
    GError* error = nullptr;
    if (!g_app_info_launch_default_for_uri(uri.c_str(), nullptr, &error)) {
        PlatformLog::warning("Workspace", "could not open " + uri + ": " + (error ? error->message : "unknown error"));
        g_clear_error(&error);
        return false;
    }
    return true;
}

void Workspace::setHandlerLookup(HandlerLookup lookup)
{
    std::lock_guard lock(m_mutex);
    m_handlerLookup = std::move(lookup);
}

bool Workspace::hasHandler(const std::string& scheme)
{
    if (auto lookup = standIn(m_handlerLookup))
        return lookup(scheme);
    // RFC 3986: a letter, then letters, digits, "+", "-" and "."; anything else would make a
    // content type of another meaning.
    if (scheme.empty() || !g_ascii_isalpha(scheme.front()))
        return false;
    for (char c : scheme) {
        if (!g_ascii_isalnum(c) && c != '+' && c != '-' && c != '.')
            return false;
    }
    GAppInfo* handler = g_app_info_get_default_for_uri_scheme(scheme.c_str());
    if (!handler)
        return false;
    g_object_unref(handler);
    return true;
}

void Workspace::openApplication(const std::string& bundleURL)
{
    GError* error = nullptr;
    gchar* hostname = nullptr;
    gchar* bundlePath = g_filename_from_uri(bundleURL.c_str(), &hostname, &error);
    std::unique_ptr<gchar, decltype(&g_free)> pathOwner(bundlePath, &g_free);
    std::unique_ptr<gchar, decltype(&g_free)> hostOwner(hostname, &g_free);
    if (!bundlePath) {
        PlatformLog::warning("Workspace", "not opening \"" + bundleURL + "\": " + (error ? error->message : "not a file URL"));
        g_clear_error(&error);
        return;
    }
    // A file URL that names another host is not a bundle this machine can start.
    if (hostname && g_strcmp0(hostname, "localhost") != 0) {
        PlatformLog::warning("Workspace", "not opening \"" + bundleURL + "\": the bundle is on another host");
        return;
    }

    std::string appRun = std::string(bundlePath) + "/AppRun";
    struct stat status { };
    if (::stat(appRun.c_str(), &status) != 0 || !S_ISREG(status.st_mode) || ::access(appRun.c_str(), X_OK) != 0) {
        PlatformLog::warning("Workspace", "cannot open the application at " + std::string(bundlePath) + ": it has no executable AppRun");
        return;
    }

    // The started application must not take over the caller's start-up notification.
    gchar** environment = g_get_environ();
    environment = g_environ_unsetenv(environment, "DESKTOP_STARTUP_ID");
    environment = g_environ_unsetenv(environment, "XDG_ACTIVATION_TOKEN");
    gchar* arguments[] = { appRun.data(), nullptr };
    // Without DO_NOT_REAP_CHILD GLib starts the application through an intermediate child
    // that exits at once, so the system adopts it and no zombie is left; the call returns
    // once the executable has been exec'd, or with the reason it could not be. GLib closes
    // every other descriptor (the bus connection among them) in the child.
    GPid pid = 0;
    bool started = g_spawn_async(
        nullptr, arguments, environment, G_SPAWN_STDIN_FROM_DEV_NULL, [](gpointer) { ::setsid(); }, nullptr, &pid, &error);
    g_strfreev(environment);
    if (!started) {
        PlatformLog::warning("Workspace", "could not start " + appRun + ": " + (error ? error->message : "unknown error"));
        g_clear_error(&error);
        return;
    }
    PlatformLog::write(PlatformLog::Level::info, "Workspace", "started " + appRun + " as process " + std::to_string(pid));
}

bool Workspace::hasHandler(const std::string& scheme) const
{
    GAppInfo* handler = g_app_info_get_default_for_uri_scheme(scheme.c_str());
    if (!handler)
        return false;
    g_object_unref(handler);
    return true;
}

bool Workspace::openDefaultApplication(const std::string& contentType)
{
    GAppInfo* application = g_app_info_get_default_for_type(contentType.c_str(), FALSE);
    if (!application) {
        PlatformLog::warning("Workspace", "no application is set up for " + contentType);
        return false;
    }
    GError* error = nullptr;
    bool started = g_app_info_launch(application, nullptr, nullptr, &error);
    if (!started) {
        PlatformLog::warning("Workspace",
            "could not start " + std::string(g_app_info_get_name(application)) + ": " + (error ? error->message : "unknown error"));
        g_clear_error(&error);
    }
    g_object_unref(application);
    return started;
}

std::string Workspace::fileURL(const std::filesystem::path& path)
{
    if (!path.is_absolute())
        return {};
    gchar* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
    std::string result = uri ? uri : "";
    g_free(uri);
    return result;
}

}

#include "Platform/Desktop/Workspace.hpp"

#include "Platform/Runtime/PlatformLog.hpp"

#include <gio/gio.h>

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
    Opener opener;
    {
        std::lock_guard lock(m_mutex);
        opener = m_opener;
    }
    if (opener)
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

}

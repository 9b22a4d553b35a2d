#include "Platform/Desktop/Application.hpp"

#include "Platform/Runtime/DispatchQueue.hpp"
#include "Platform/Runtime/PlatformLog.hpp"

#include <glib-unix.h>
#include <glib.h>

#include <csignal>
#include <vector>

namespace tvk {

Application& Application::shared()
{
    static auto* application = new Application;
    return *application;
}

void Application::run(ApplicationDelegate& delegate)
{
    if (!DispatchQueue::isMainThread()) {
        PlatformLog::error("Application", "run() must be called on the main thread");
        return;
    }
    if (isTerminating())
        return;

    std::vector<guint> signalSources;
    for (int signalNumber : { SIGTERM, SIGINT, SIGHUP }) {
        signalSources.push_back(g_unix_signal_add(
            signalNumber,
            [](gpointer application) -> gboolean {
                static_cast<Application*>(application)->terminate();
                return G_SOURCE_CONTINUE;
            },
            this));
    }

    DispatchQueue::main().async([&delegate] { delegate.applicationDidFinishLaunching(Notification { "ApplicationDidFinishLaunching" }); });

    // `terminate` may come from any thread; it wakes the context, and the flag is looked at
    // after every iteration.
    GMainContext* context = g_main_context_default();
    while (!isTerminating())
        g_main_context_iteration(context, TRUE);

    for (guint source : signalSources)
        g_source_remove(source);
}

void Application::terminate()
{
    m_terminating.store(true);
    g_main_context_wakeup(g_main_context_default());
}

}

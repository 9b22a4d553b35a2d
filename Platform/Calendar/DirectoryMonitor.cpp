#include "Platform/Calendar/DirectoryMonitor.hpp"

#include "Platform/Runtime/Debouncer.hpp"

#include <gio/gio.h>

#include <atomic>
#include <map>
#include <mutex>

namespace tvk {

struct DirectoryMonitor::State : std::enable_shared_from_this<DirectoryMonitor::State> {
    explicit State(std::function<void()> onChange)
        : debouncer(std::chrono::milliseconds(200), std::move(onChange))
    {
    }

    ~State()
    {
        for (auto& [path, monitor] : monitors) {
            g_file_monitor_cancel(monitor);
            g_object_unref(monitor);
        }
    }

    static void changed(GFileMonitor*, GFile*, GFile*, GFileMonitorEvent, gpointer data)
    {
        auto state = static_cast<std::weak_ptr<State>*>(data)->lock();
        if (!state)
            return;
        ++state->changes;
        state->debouncer.trigger();
    }

    Debouncer debouncer;
    std::atomic<size_t> changes { 0 };
    std::mutex mutex;
    std::map<std::filesystem::path, GFileMonitor*> monitors;
};

DirectoryMonitor::DirectoryMonitor(std::function<void()> onChange)
    : m_state(std::make_shared<State>(std::move(onChange)))
{
}

DirectoryMonitor::~DirectoryMonitor()
{
    std::lock_guard lock(m_state->mutex);
    for (auto& [path, monitor] : m_state->monitors) {
        g_file_monitor_cancel(monitor);
        g_object_unref(monitor);
    }
    m_state->monitors.clear();
}

void DirectoryMonitor::watch(const std::set<std::filesystem::path>& directories)
{
    std::lock_guard lock(m_state->mutex);
    auto& monitors = m_state->monitors;
    for (auto it = monitors.begin(); it != monitors.end();) {
        if (directories.contains(it->first)) {
            ++it;
            continue;
        }
        g_file_monitor_cancel(it->second);
        g_object_unref(it->second);
        it = monitors.erase(it);
    }
    for (auto& directory : directories) {
        if (monitors.contains(directory))
            continue;
        GFile* file = g_file_new_for_path(directory.c_str());
        GFileMonitor* monitor = g_file_monitor_directory(file, G_FILE_MONITOR_WATCH_MOVES, nullptr, nullptr);
        g_object_unref(file);
        if (!monitor)
            continue;
        g_signal_connect_data(
            monitor, "changed", G_CALLBACK(&State::changed), new std::weak_ptr<State>(m_state),
            [](gpointer data, GClosure*) { delete static_cast<std::weak_ptr<State>*>(data); }, GConnectFlags(0));
        monitors.emplace(directory, monitor);
    }
}

size_t DirectoryMonitor::changeCount() const
{
    return m_state->changes;
}

bool DirectoryMonitor::isPending() const
{
    return m_state->debouncer.isPending();
}

}

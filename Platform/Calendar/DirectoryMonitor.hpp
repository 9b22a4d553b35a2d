#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <set>

namespace tvk {

/// Watches directories for changes of their entries and of the files in them (GIO file
/// monitors, which see atomic replacements as renames), and runs `onChange` on the main context
/// once per burst of changes, 200 ms after the last change of the burst.
class DirectoryMonitor {
public:
    explicit DirectoryMonitor(std::function<void()> onChange);
    ~DirectoryMonitor();
    DirectoryMonitor(const DirectoryMonitor&) = delete;
    DirectoryMonitor& operator=(const DirectoryMonitor&) = delete;

    /// Watches exactly these directories from now on.
    void watch(const std::set<std::filesystem::path>& directories);

    /// How many changes the monitors have reported, and whether `onChange` is still to come for
    /// the last of them: with both, a caller can wait until a change on disk has been handled.
    size_t changeCount() const;
    bool isPending() const;

private:
    struct State;
    std::shared_ptr<State> m_state;
};

}

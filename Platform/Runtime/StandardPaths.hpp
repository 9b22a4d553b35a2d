#pragma once

#include <filesystem>
#include <optional>
#include <vector>

namespace tvk {

/// Where the programs keep and find their files, resolved from the environment at each call
/// (so tests and tools can redirect them):
///
/// | what                | default                              | override            |
/// |---------------------|--------------------------------------|---------------------|
/// | settings domains    | $XDG_CONFIG_HOME/tarvik              | TARVIK_CONFIG_DIR   |
/// | application support | $XDG_DATA_HOME/tarvik                | TARVIK_DATA_DIR     |
/// | calendars           | <application support>/calendars      | TARVIK_CALENDARS    |
/// | contacts            | <application support>/contacts       | TARVIK_CONTACTS     |
/// | resources           | <exe>/../share/tarvik, the source tree | TARVIK_RESOURCES  |
/// | caches              | $XDG_CACHE_HOME/tarvik               | TARVIK_CACHE_DIR    |
///
/// XDG variables that are unset, empty or relative fall back to ~/.config, ~/.local/share and
/// ~/.cache, as the XDG base-directory rules say. TARVIK_CALENDARS and TARVIK_CONTACTS are colon lists.
class StandardPaths {
public:
    static std::filesystem::path homeDirectory();
    static std::filesystem::path configDirectory();
    static std::filesystem::path applicationSupportDirectory();
    /// What can be made again from other files (the calendar index): safe to delete.
    static std::filesystem::path cacheDirectory();
    static std::vector<std::filesystem::path> calendarRoots();
    static std::vector<std::filesystem::path> contactRoots();
    /// The first existing directory of: TARVIK_RESOURCES, <exe>/../share/tarvik, and the
    /// source tree's Resources folder of the build; none when no candidate exists.
    static std::optional<std::filesystem::path> resourceDirectory();
    static std::filesystem::path executablePath();
};

}

#pragma once

// Shared by the desktop-entry writers of this folder (autostart entries, URL scheme handlers);
// sources only, as it brings GLib's key files along.

#include <glib.h>
#include <tl/expected.hpp>

#include <filesystem>
#include <memory>
#include <string>

namespace tvk::key_files {

using KeyFile = std::unique_ptr<GKeyFile, decltype(&g_key_file_free)>;

inline KeyFile make()
{
    return KeyFile(g_key_file_new(), &g_key_file_free);
}

/// Writes `keys` to `file` whole or not at all (GLib writes a temporary file beside it and
/// renames it into place), creating its folder; the error says "cannot write FILE: REASON".
tl::expected<void, std::string> save(GKeyFile* keys, const std::filesystem::path& file);

/// An XDG base directory: `variable` when it holds an absolute path, else `fallback` under the
/// home directory. Read afresh on every call (GLib keeps its first answer for the process).
std::filesystem::path xdgDirectory(const char* variable, const std::filesystem::path& fallback);

}

#pragma once

#include <filesystem>
#include <optional>
#include <sys/types.h>

namespace tvk {

/// What tells a file's state apart without reading it: a file that is replaced, rewritten or
/// touched (even within the same second, or with its old modification time restored) gets
/// another identity, because the change time moves too.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    /// Nanoseconds since 1970.
    long long modified = 0;
    long long changed = 0;

    bool operator==(const FileIdentity&) const = default;
};

/// None when the path cannot be examined (gone, or not permitted).
std::optional<FileIdentity> identityOf(const std::filesystem::path& path);

}

#pragma once

#include <filesystem>
#include <vector>

namespace tvk {

struct DirectoryEntry {
    enum class Kind { directory, regularFile, other };

    std::filesystem::path path;
    /// Links are followed.
    Kind kind = Kind::other;

    bool operator==(const DirectoryEntry&) const = default;
};

/// The entries of `directory` in the order of their names, without the hidden ones (a name
/// that starts with '.'), for scans whose results must not depend on the order the file system
/// lists in. The kinds come from the listing itself where the file system gives them, so a
/// listing costs no stat per entry. A directory that cannot be read lists as empty; one that
/// fails part-way lists what was read.
std::vector<DirectoryEntry> sortedVisibleEntries(const std::filesystem::path& directory);

}

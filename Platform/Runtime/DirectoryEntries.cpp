#include "Platform/Runtime/DirectoryEntries.hpp"

#include <algorithm>

namespace tvk {

std::vector<DirectoryEntry> sortedVisibleEntries(const std::filesystem::path& directory)
{
    std::vector<DirectoryEntry> entries;
    std::error_code error;
    for (std::filesystem::directory_iterator it(directory, std::filesystem::directory_options::skip_permission_denied, error), end;
         !error && it != end; it.increment(error)) {
        auto name = it->path().filename().native();
        if (name.empty() || name.front() == '.')
            continue;
        std::error_code kindError;
        auto kind = it->is_directory(kindError) ? DirectoryEntry::Kind::directory
            : it->is_regular_file(kindError)    ? DirectoryEntry::Kind::regularFile
                                                : DirectoryEntry::Kind::other;
        entries.push_back({ it->path(), kind });
    }
    std::sort(entries.begin(), entries.end(), [](const DirectoryEntry& a, const DirectoryEntry& b) { return a.path.native() < b.path.native(); });
    return entries;
}

}

#pragma once

#include "Platform/Calendar/StoreSource.hpp"
#include "Platform/Runtime/FileIdentity.hpp"

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tvk {

/// What lies under the calendar roots, read from directory listings and one `stat` per
/// calendar file, without reading a calendar file.
///
/// Under a root, a directory that carries a vdir `displayname` or `color` file, or holds `.ics`
/// files and no subdirectory that does, is a collection of the source named after the root;
/// any other directory is a source (an account) whose subdirectories are collections and whose
/// `.ics` files are single-file calendars. `.ics` files directly under a root are single-file
/// calendars of the source named after the root. Names starting with a dot are left out (they
/// are editors' and synchronisers' temporary files).
class VdirScanner {
public:
    struct File {
        std::string name;
        FileIdentity identity;
        bool operator==(const File&) const = default;
    };
    struct Collection {
        /// The collection directory, or the single `.ics` file.
        std::filesystem::path path;
        bool singleFile = false;
        std::filesystem::path sourcePath;
        std::optional<std::string> displayName;
        std::optional<std::string> colorText;
        /// "birthdays" or "holidays" from `collection.json`, else empty.
        std::string calendarKind;
        /// The calendar files, by name (the file's own name for a single-file calendar).
        std::vector<File> files;
        bool operator==(const Collection&) const = default;
    };
    struct Layout {
        std::map<std::filesystem::path, StoreSource> sources;
        /// By path.
        std::vector<Collection> collections;
        /// Every directory whose listing the layout depends on, with its identity then.
        std::map<std::filesystem::path, std::optional<FileIdentity>> directories;
    };

    /// `includes` says which sources (accounts) the layout takes in.
    VdirScanner(std::vector<std::filesystem::path> roots, std::function<bool(const StoreSource&)> includes);

    const std::vector<std::filesystem::path>& roots() const { return m_roots; }

    Layout scan() const;
    /// Whether a directory of `layout` changed since, or a root appeared: then the layout may be
    /// out of date. Files changed in place are not seen here.
    bool mayHaveChanged(const Layout& layout) const;
    /// The sources that say they are delegated to the user; only `source.json` files are read.
    std::vector<StoreSource> delegateSources() const;

    /// A source as its directory and `source.json` describe it; `isRoot` for a root itself.
    static StoreSource readSource(const std::filesystem::path& directory, bool isRoot);

private:
    std::vector<std::filesystem::path> m_roots;
    std::function<bool(const StoreSource&)> m_includes;
};

}

#include "Platform/Calendar/VdirScanner.hpp"

#include "Platform/Runtime/ConcurrentLoop.hpp"
#include "Platform/Runtime/PlatformLog.hpp"
#include "Platform/Runtime/StableSort.hpp"
#include "Platform/Runtime/UUID.hpp"
#include "Platform/Text/AsciiWhitespace.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tvk {

namespace {

constexpr char logCategory[] = "Calendar";

std::optional<std::string> readSmallFile(const std::filesystem::path& path, size_t limit)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return std::nullopt;
    auto size = std::filesystem::file_size(path, error);
    if (error || size > limit)
        return std::nullopt;
    std::ifstream stream(path, std::ios::binary);
    if (!stream)
        return std::nullopt;
    std::stringstream buffer;
    buffer << stream.rdbuf();
    return buffer.str();
}

bool hasIcsExtension(std::string_view name)
{
    if (name.size() < 5)
        return false;
    auto extension = name.substr(name.size() - 4);
    return extension[0] == '.' && (extension[1] | 0x20) == 'i' && (extension[2] | 0x20) == 'c' && (extension[3] | 0x20) == 's';
}

FileIdentity identityOf(const struct stat& info)
{
    return FileIdentity { info.st_dev, info.st_ino, info.st_size,
        static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec,
        static_cast<long long>(info.st_ctim.tv_sec) * 1000000000LL + info.st_ctim.tv_nsec };
}

// One directory as a scan sees it: its entries by name, each a directory, a regular file (with
// its identity, for the calendar files) or something else. Symbolic links count as what they
// point to.
struct Listing {
    enum class Kind { directory, file, other };
    struct Entry {
        std::string name;
        Kind kind = Kind::other;
        std::optional<FileIdentity> identity;
        /// A calendar file the directory listing says is regular: its identity is taken with
        /// the other calendar files of the scan (`Listings::examine`).
        bool identityPending = false;
    };
    std::optional<FileIdentity> identity;
    std::vector<Entry> entries;
    /// The open directory, while entries wait for their identity.
    int descriptor = -1;

    Listing() = default;
    Listing(Listing&& other) noexcept
        : identity(std::move(other.identity))
        , entries(std::move(other.entries))
        , descriptor(std::exchange(other.descriptor, -1))
    {
    }
    Listing& operator=(Listing&&) = delete;
    ~Listing()
    {
        if (descriptor >= 0)
            ::close(descriptor);
    }

    bool contains(std::string_view name) const
    {
        return std::any_of(entries.begin(), entries.end(), [&](const Entry& entry) { return entry.name == name; });
    }
};

// Takes the identity of a calendar file (or the kind of an entry the listing could not tell)
// in one call that finds the name relative to its open directory.
void examine(int directory, Listing::Entry& entry)
{
    entry.identityPending = false;
    struct stat info;
    if (::fstatat(directory, entry.name.c_str(), &info, 0) != 0) {
        entry.kind = Listing::Kind::other; // gone meanwhile
        return;
    }
    entry.kind = S_ISDIR(info.st_mode) ? Listing::Kind::directory
        : S_ISREG(info.st_mode)        ? Listing::Kind::file
                                       : Listing::Kind::other;
    if (entry.kind == Listing::Kind::file && hasIcsExtension(entry.name))
        entry.identity = identityOf(info);
}

// More directories than this keep no descriptor open for later: their calendar files are
// examined while they are listed, so that a huge tree cannot run the process out of
// descriptors.
constexpr size_t mostOpenListings = 64;

Listing list(const std::filesystem::path& directory, bool keepOpen)
{
    Listing listing;
    int descriptor = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return listing;
    struct stat info;
    if (::fstat(descriptor, &info) == 0)
        listing.identity = identityOf(info);
    DIR* stream = ::fdopendir(descriptor);
    if (!stream) {
        ::close(descriptor);
        return listing;
    }
    bool anyPending = false;
    while (const dirent* entry = ::readdir(stream)) {
        if (entry->d_name[0] == '.')
            continue;
        Listing::Entry item { entry->d_name, Listing::Kind::other, std::nullopt };
        bool calendarFile = hasIcsExtension(item.name);
        if (entry->d_type == DT_DIR) {
            item.kind = Listing::Kind::directory;
        } else if (entry->d_type == DT_REG) {
            item.kind = Listing::Kind::file;
            item.identityPending = calendarFile;
            anyPending = anyPending || calendarFile;
        } else if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            // Whether it is a directory decides the layout: asked now.
            examine(::dirfd(stream), item);
        }
        listing.entries.push_back(std::move(item));
    }
    if (anyPending && keepOpen) {
        listing.descriptor = ::fcntl(::dirfd(stream), F_DUPFD_CLOEXEC, 0);
    }
    if (anyPending && listing.descriptor < 0) {
        for (auto& entry : listing.entries) {
            if (entry.identityPending)
                examine(::dirfd(stream), entry);
        }
    }
    ::closedir(stream);
    stableSortLargeValues(listing.entries, [](const Listing::Entry& a, const Listing::Entry& b) { return a.name < b.name; });
    return listing;
}

// The listings one scan needs, each read once.
class Listings {
public:
    const Listing& of(const std::filesystem::path& directory)
    {
        auto found = m_listings.find(directory);
        if (found == m_listings.end())
            found = m_listings.emplace(directory, list(directory, m_listings.size() < mostOpenListings)).first;
        return found->second;
    }

    // Lists the subdirectories of `directory` not listed yet, on two threads each taking whole
    // directories (reading and sorting a large collection's names is a few milliseconds).
    void prefetchSubdirectories(const std::filesystem::path& directory)
    {
        std::vector<std::filesystem::path> wanted;
        for (auto& entry : of(directory).entries) {
            auto path = directory / entry.name;
            if (entry.kind == Listing::Kind::directory && !m_listings.contains(path))
                wanted.push_back(std::move(path));
        }
        if (wanted.size() < 2)
            return;
        std::vector<std::optional<Listing>> listed(wanted.size());
        size_t open = m_listings.size();
        concurrentLoop(wanted.size(), 1, [&](size_t index) { listed[index].emplace(list(wanted[index], open + index < mostOpenListings)); });
        for (size_t index = 0; index < wanted.size(); ++index)
            m_listings.emplace(std::move(wanted[index]), std::move(*listed[index]));
    }

    // Takes the identities of the calendar files of these directories, all in one list shared
    // by the cores: the calls are mostly the kernel's work, and one list keeps both cores busy
    // to the end, where a thread per directory would wait for the largest.
    void examine(std::vector<std::filesystem::path> directories)
    {
        std::sort(directories.begin(), directories.end());
        directories.erase(std::unique(directories.begin(), directories.end()), directories.end());
        std::vector<std::pair<int, Listing::Entry*>> pending;
        for (auto& directory : directories) {
            auto found = m_listings.find(directory);
            if (found == m_listings.end() || found->second.descriptor < 0)
                continue;
            for (auto& entry : found->second.entries) {
                if (entry.identityPending)
                    pending.emplace_back(found->second.descriptor, &entry);
            }
        }
        concurrentLoop(pending.size(), minimumPerThread, [&](size_t i) { tvk::examine(pending[i].first, *pending[i].second); });
        for (auto& directory : directories) {
            auto found = m_listings.find(directory);
            if (found != m_listings.end() && found->second.descriptor >= 0) {
                ::close(found->second.descriptor);
                found->second.descriptor = -1;
            }
        }
    }

    bool holdsCalendarFiles(const std::filesystem::path& directory)
    {
        const Listing& listing = of(directory);
        if (listing.contains("displayname") || listing.contains("color"))
            return true;
        return std::any_of(listing.entries.begin(), listing.entries.end(),
            [](const Listing::Entry& entry) { return entry.kind == Listing::Kind::file && hasIcsExtension(entry.name); });
    }

    // A directory under a root is a collection when it carries vdir metadata, or holds `.ics`
    // files and no subdirectory that does; otherwise it is an account whose subdirectories are
    // the collections.
    bool isCollection(const std::filesystem::path& directory)
    {
        const Listing& listing = of(directory);
        if (listing.contains("displayname") || listing.contains("color"))
            return true;
        if (!holdsCalendarFiles(directory))
            return false;
        for (auto& entry : of(directory).entries) {
            if (entry.kind == Listing::Kind::directory && holdsCalendarFiles(directory / entry.name))
                return false;
        }
        return true;
    }

private:
    // A few hundred calls are over before a second thread would have started.
    static constexpr size_t minimumPerThread = 512;
    std::map<std::filesystem::path, Listing> m_listings;
};

}

VdirScanner::VdirScanner(std::vector<std::filesystem::path> roots, std::function<bool(const StoreSource&)> includes)
    : m_roots(std::move(roots))
    , m_includes(std::move(includes))
{
}

StoreSource VdirScanner::readSource(const std::filesystem::path& directory, bool isRoot)
{
    StoreSource source;
    source.sourceIdentifier = UUID::nameBased("tarvik.calendar-store", "source:" + directory.string()).uuidString();
    source.title = directory.filename().string();
    if (isRoot)
        return source;
    auto text = readSmallFile(directory / "source.json", 64 * 1024);
    if (!text)
        return source;
    auto json = nlohmann::json::parse(*text, nullptr, false);
    if (json.is_discarded() || !json.is_object()) {
        PlatformLog::warning(logCategory, (directory / "source.json").string() + " is not a JSON object; using the directory name");
        return source;
    }
    if (json.contains("title") && json["title"].is_string() && !json["title"].get<std::string>().empty())
        source.title = json["title"].get<std::string>();
    if (json.contains("isDelegate") && json["isDelegate"].is_boolean())
        source.isDelegate = json["isDelegate"].get<bool>();
    if (json.contains("ownerAddresses") && json["ownerAddresses"].is_array()) {
        for (auto& address : json["ownerAddresses"]) {
            if (address.is_string())
                source.ownerAddresses.push_back(address.get<std::string>());
        }
    }
    return source;
}

VdirScanner::Layout VdirScanner::scan() const
{
    Layout layout;
    Listings listings;
    // The layout comes from the listings alone; the calendar files' identities are taken
    // afterwards, all at once, for the directories that hold collections' files.
    struct Found {
        Collection collection;
        std::filesystem::path directory;
        /// For a single-file calendar, its name in `directory`.
        std::optional<std::string> singleFile;
    };
    std::vector<Found> found;
    std::vector<std::filesystem::path> holdingFiles;
    auto addCollection = [&](const std::filesystem::path& path, const std::filesystem::path& sourcePath) {
        Collection collection;
        collection.path = path;
        collection.sourcePath = sourcePath;
        const Listing& listing = listings.of(path);
        layout.directories[path] = listing.identity;
        if (listing.contains("displayname")) {
            if (auto name = readSmallFile(path / "displayname", 4096))
                collection.displayName = std::string(trimmedAsciiWhitespace(*name));
        }
        if (listing.contains("color")) {
            if (auto color = readSmallFile(path / "color", 256))
                collection.colorText = std::string(trimmedAsciiWhitespace(*color));
        }
        if (listing.contains("collection.json")) {
            if (auto meta = readSmallFile(path / "collection.json", 64 * 1024)) {
                auto json = nlohmann::json::parse(*meta, nullptr, false);
                if (json.is_object() && json.contains("type") && json["type"].is_string())
                    collection.calendarKind = json["type"].get<std::string>();
            }
        }
        found.push_back(Found { std::move(collection), path, std::nullopt });
        holdingFiles.push_back(path);
    };
    auto addSingleFile = [&](const std::filesystem::path& directory, const Listing::Entry& entry, const std::filesystem::path& sourcePath) {
        Collection collection;
        collection.path = directory / entry.name;
        collection.singleFile = true;
        collection.sourcePath = sourcePath;
        found.push_back(Found { std::move(collection), directory, entry.name });
        holdingFiles.push_back(directory);
    };
    auto isCalendarFile = [](const Listing::Entry& entry) {
        return entry.kind == Listing::Kind::file && (entry.identity || entry.identityPending);
    };

    for (auto& root : m_roots) {
        const Listing& rootListing = listings.of(root);
        if (!rootListing.identity)
            continue;
        listings.prefetchSubdirectories(root);
        layout.directories[root] = rootListing.identity;
        StoreSource rootSource = readSource(root, true);
        bool rootIncluded = m_includes(rootSource);
        for (auto& entry : rootListing.entries) {
            auto path = root / entry.name;
            if (entry.kind == Listing::Kind::directory) {
                if (listings.isCollection(path)) {
                    if (!rootIncluded)
                        continue;
                    layout.sources[root] = rootSource;
                    addCollection(path, root);
                    continue;
                }
                StoreSource source = readSource(path, false);
                if (!m_includes(source))
                    continue;
                layout.sources[path] = source;
                const Listing& account = listings.of(path);
                listings.prefetchSubdirectories(path);
                layout.directories[path] = account.identity;
                for (auto& child : account.entries) {
                    if (child.kind == Listing::Kind::directory) {
                        if (listings.isCollection(path / child.name))
                            addCollection(path / child.name, path);
                    } else if (isCalendarFile(child)) {
                        addSingleFile(path, child, path);
                    }
                }
            } else if (rootIncluded && isCalendarFile(entry)) {
                layout.sources[root] = rootSource;
                addSingleFile(root, entry, root);
            }
        }
    }

    listings.examine(std::move(holdingFiles));
    for (auto& [collection, directory, singleFile] : found) {
        auto& entries = listings.of(directory).entries;
        if (singleFile) {
            // Listings are sorted by name.
            auto entry = std::lower_bound(
                entries.begin(), entries.end(), *singleFile, [](const Listing::Entry& entry, const std::string& name) { return entry.name < name; });
            // One gone or replaced by something else since the listing is no calendar.
            if (entry == entries.end() || entry->name != *singleFile || !entry->identity)
                continue;
            collection.files.push_back(File { entry->name, *entry->identity });
        } else {
            for (auto& entry : entries) {
                if (entry.identity)
                    collection.files.push_back(File { entry.name, *entry.identity });
            }
        }
        layout.collections.push_back(std::move(collection));
    }
    std::sort(layout.collections.begin(), layout.collections.end(), [](auto& a, auto& b) { return a.path < b.path; });
    return layout;
}

bool VdirScanner::mayHaveChanged(const Layout& layout) const
{
    for (auto& [directory, identity] : layout.directories) {
        if (tvk::identityOf(directory) != identity)
            return true;
    }
    for (auto& root : m_roots) {
        std::error_code error;
        if (!layout.directories.contains(root) && std::filesystem::is_directory(root, error))
            return true;
    }
    return false;
}

std::vector<StoreSource> VdirScanner::delegateSources() const
{
    std::vector<StoreSource> result;
    Listings listings;
    for (auto& root : m_roots) {
        for (auto& entry : listings.of(root).entries) {
            if (entry.kind != Listing::Kind::directory || listings.isCollection(root / entry.name))
                continue;
            auto source = readSource(root / entry.name, false);
            if (source.isDelegate)
                result.push_back(std::move(source));
        }
    }
    return result;
}

}

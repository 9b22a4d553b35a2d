#include "Platform/Calendar/VdirScanner.hpp"

#include "Platform/Runtime/PlatformLog.hpp"
#include "Platform/Runtime/UUID.hpp"
#include "Platform/Text/AsciiWhitespace.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

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
    };
    std::optional<FileIdentity> identity;
    std::vector<Entry> entries;

    bool contains(std::string_view name) const
    {
        return std::any_of(entries.begin(), entries.end(), [&](const Entry& entry) { return entry.name == name; });
    }
};

// Calendar files get their identity in one call each that finds the name relative to the open
// directory; in a large collection the calls are shared with a second thread, as they are
// mostly the kernel's work.
void examine(int directory, std::vector<Listing::Entry*>& entries)
{
    auto examineRange = [&](size_t from, size_t to) {
        for (size_t i = from; i < to; ++i) {
            Listing::Entry& entry = *entries[i];
            struct stat info;
            if (::fstatat(directory, entry.name.c_str(), &info, 0) != 0)
                continue;
            entry.kind = S_ISDIR(info.st_mode) ? Listing::Kind::directory
                : S_ISREG(info.st_mode)        ? Listing::Kind::file
                                               : Listing::Kind::other;
            if (entry.kind == Listing::Kind::file && hasIcsExtension(entry.name))
                entry.identity = identityOf(info);
        }
    };
    constexpr size_t sharedFrom = 1024;
    if (entries.size() < sharedFrom || std::thread::hardware_concurrency() < 2) {
        examineRange(0, entries.size());
        return;
    }
    size_t half = entries.size() / 2;
    std::thread helper(examineRange, half, entries.size());
    examineRange(0, half);
    helper.join();
}

Listing list(const std::filesystem::path& directory)
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
    std::vector<size_t> unknown;
    while (const dirent* entry = ::readdir(stream)) {
        if (entry->d_name[0] == '.')
            continue;
        Listing::Entry item { entry->d_name, Listing::Kind::other, std::nullopt };
        bool calendarFile = hasIcsExtension(item.name);
        if (entry->d_type == DT_DIR)
            item.kind = Listing::Kind::directory;
        else if (entry->d_type == DT_REG && !calendarFile)
            item.kind = Listing::Kind::file;
        else if (entry->d_type == DT_REG || entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN)
            unknown.push_back(listing.entries.size());
        listing.entries.push_back(std::move(item));
    }
    std::vector<Listing::Entry*> toExamine;
    toExamine.reserve(unknown.size());
    for (auto index : unknown)
        toExamine.push_back(&listing.entries[index]);
    examine(::dirfd(stream), toExamine);
    ::closedir(stream);
    std::sort(listing.entries.begin(), listing.entries.end(), [](auto& a, auto& b) { return a.name < b.name; });
    return listing;
}

// The listings one scan needs, each read once.
class Listings {
public:
    const Listing& of(const std::filesystem::path& directory)
    {
        auto found = m_listings.find(directory);
        if (found == m_listings.end())
            found = m_listings.emplace(directory, list(directory)).first;
        return found->second;
    }

    // Lists the subdirectories of `directory` not listed yet on two threads, each taking whole
    // directories: one directory's listing overlaps another's identities, where listing one
    // after the other leaves the second core idle while each lists. (A large directory still
    // shares its identities with a thread of its own.)
    void prefetchSubdirectories(const std::filesystem::path& directory)
    {
        std::vector<std::filesystem::path> wanted;
        for (auto& entry : of(directory).entries) {
            auto path = directory / entry.name;
            if (entry.kind == Listing::Kind::directory && !m_listings.contains(path))
                wanted.push_back(std::move(path));
        }
        if (wanted.size() < 2 || std::thread::hardware_concurrency() < 2)
            return;
        std::vector<Listing> listed(wanted.size());
        std::atomic<size_t> next { 0 };
        auto work = [&] {
            for (size_t index; (index = next++) < wanted.size();)
                listed[index] = list(wanted[index]);
        };
        std::thread helper(work);
        work();
        helper.join();
        for (size_t index = 0; index < wanted.size(); ++index)
            m_listings.emplace(std::move(wanted[index]), std::move(listed[index]));
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
        for (auto& entry : listing.entries) {
            if (entry.identity)
                collection.files.push_back(File { entry.name, *entry.identity });
        }
        layout.collections.push_back(std::move(collection));
    };
    auto addSingleFile = [&](const std::filesystem::path& directory, const Listing::Entry& entry, const std::filesystem::path& sourcePath) {
        Collection collection;
        collection.path = directory / entry.name;
        collection.singleFile = true;
        collection.sourcePath = sourcePath;
        collection.files.push_back(File { entry.name, *entry.identity });
        layout.collections.push_back(std::move(collection));
    };

    for (auto& root : m_roots) {
        const Listing& rootListing = listings.of(root);
        listings.prefetchSubdirectories(root);
        if (!rootListing.identity)
            continue;
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
                    } else if (child.identity) {
                        addSingleFile(path, child, path);
                    }
                }
            } else if (rootIncluded && entry.identity) {
                layout.sources[root] = rootSource;
                addSingleFile(root, entry, root);
            }
        }
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

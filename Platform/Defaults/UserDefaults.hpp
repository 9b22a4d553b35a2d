#pragma once

#include "Platform/Text/PropertyList.hpp"

#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <sys/types.h>
#include <tl/expected.hpp>

namespace tvk {

struct DefaultsError {
    std::string message;
    bool operator==(const DefaultsError&) const = default;
};

/// A user-defaults domain: a dictionary of property-list values under string keys, kept in
/// one property-list file that several processes share. Files are read in XML or binary form
/// and written as XML.
///
/// - Reads see what any process wrote last: the file is re-read whenever its identity (inode,
///   size, modification and change times) differs from what was read before.
/// - Writes are atomic: a temporary file in the same directory, flushed, mode 0600, renamed
///   over the domain file. A reader never sees half a file.
/// - Every write is a read-modify-write of the whole file under an advisory lock (`flock` on
///   a lock file beside it), so processes that write different keys at the same moment never
///   lose each other's keys, and `update` gives a caller the same guarantee for one key.
/// - Reads never take the lock and never move or change the file. A file that does not parse
///   reads as an empty domain and is reported once through `PlatformLog`; only a write that
///   replaces it first keeps it beside, as "<file>.corrupt-<UTC time>".
/// - When the directory cannot be created or written, writes fail with a `DefaultsError` and
///   reads see an empty domain.
///
/// All operations are safe from any thread.
class UserDefaults {
public:
    using Transform = std::function<std::optional<PropertyList>(std::optional<PropertyList>)>;

    /// The program's own domain, named by `setStandardDomainName`.
    static UserDefaults& standard();
    /// The domain named `suiteName` ("group.com.quillmoor.tvk").
    static UserDefaults& suite(const std::string& suiteName);
    /// The file of a domain under the current settings directory (`StandardPaths`).
    static std::filesystem::path fileForDomain(const std::string& domainName);
    /// Domain names become file names: letters, digits, ".", "_" and "-", not starting with
    /// ".", at most 200 characters. Other characters are replaced by "_" in `fileForDomain`.
    static bool isValidDomainName(const std::string& domainName);

    /// Names the standard domain, normally the program's identifier. Set it at program start;
    /// until then it is "com.quillmoor.tarvik." followed by the executable's name.
    static void setStandardDomainName(std::string name);
    static std::string standardDomainName();

    /// A domain over an explicit file, for tools and tests. `suite` and `standard` share one
    /// instance per file.
    explicit UserDefaults(std::filesystem::path file);
    ~UserDefaults();
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    const std::filesystem::path& file() const { return m_file; }

    std::optional<PropertyList> object(const std::string& key) const;
    /// Hands `reader` the key's current value (null when there is none) without copying it.
    /// `reader` runs under the domain's mutex: it must be quick and must not use this domain.
    void readObject(const std::string& key, const std::function<void(const PropertyList*)>& reader) const;
    PropertyList::Dictionary dictionaryRepresentation() const;

    /// A Boolean as the platform reads one for a key: a Boolean, a non-zero number, or the
    /// texts "YES", "true" and "1" (any case) are true; anything else, or no value, is false.
    bool boolean(const std::string& key) const;
    /// An integer as the platform reads one for a key: an integer, a real (truncated), a
    /// Boolean (0 or 1) or a text that starts with a decimal integer; 0 otherwise.
    std::int64_t integer(const std::string& key) const;

    tl::expected<void, DefaultsError> set(const std::string& key, PropertyList value);
    tl::expected<void, DefaultsError> removeObject(const std::string& key);
    /// Reads the key's current value from the file and stores what `transform` returns (none
    /// removes the key), all under the domain's lock, so no other writer slips in between.
    tl::expected<void, DefaultsError> update(const std::string& key, const Transform& transform);
    /// The same for the whole dictionary.
    tl::expected<void, DefaultsError> modify(const std::function<void(PropertyList::Dictionary&)>& change);

private:
    struct FileIdentity {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = -1;
        long long modifiedNanoseconds = 0;
        long long changedNanoseconds = 0;
        bool operator==(const FileIdentity&) const = default;
    };

    const PropertyList::Dictionary& currentDictionary() const;
    std::optional<FileIdentity> statFile() const;
    struct FileContents {
        std::optional<PropertyList::Dictionary> dictionary;
        /// Why there is no dictionary.
        std::string problem;
        /// The file could not be read at all (as opposed to read but not understood).
        bool ioError = false;
    };

    FileContents readFile(const FileIdentity& identity) const;
    PropertyList::Dictionary load(FileIdentity& identity) const;
    tl::expected<std::string, DefaultsError> keepBackup() const;

    std::filesystem::path m_file;
    mutable std::mutex m_mutex;
    mutable PropertyList::Dictionary m_cache;
    mutable std::optional<FileIdentity> m_cacheIdentity;
    mutable bool m_cacheValid = false;
    mutable std::optional<FileIdentity> m_reportedUnreadable;
};

}

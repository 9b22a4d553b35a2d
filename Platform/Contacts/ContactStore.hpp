#pragma once

#include "Platform/Calendar/StoreParticipant.hpp"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <tl/expected.hpp>
#include <vector>

namespace tvk {

class EdsAddressBooks;

/// The platform's answers about access to the address book, with its raw values.
enum class ContactsAuthorizationStatus { notDetermined = 0, restricted = 1, denied = 2, authorized = 3 };

/// The fields a lookup can fill; a contact handed out carries only those asked for.
enum class ContactKey { givenName, familyName, emailAddresses, thumbnailImageData };

/// One person of the address book. Cards that share a UID (the same person in two books, or
/// synchronised twice) are unified into one contact: the first card in path order gives each
/// field that it has, later cards fill the fields it lacks, and the addresses of all are kept.
struct StoreContact {
    /// The card's UID; for a card without one, its file's path (with "#" and its position
    /// when the file holds several cards).
    std::string identifier;
    /// Empty when the card has no N, or when the key was not fetched.
    std::string givenName;
    std::string familyName;
    std::vector<std::string> emailAddresses;
    /// The picture's bytes as the card carries them; none without a picture.
    std::optional<std::vector<std::uint8_t>> thumbnailImageData;

    bool operator==(const StoreContact&) const = default;
};

struct ContactStoreError {
    enum class Code { accessDenied, unreadable };
    Code code = Code::unreadable;
    std::string message;

    bool operator==(const ContactStoreError&) const = default;
};

/// The user's address books as vCard files under one or more roots (`StandardPaths::
/// contactRoots()` by default): vdir address books as vdirsyncer writes them,
/// `<root>/<source>/<book>/*.vcf`, and also `<root>/<book>/*.vcf` and `.vcf` files holding
/// many cards directly under a root or a source. Directories whose names start with "." are
/// skipped.
///
/// Each file is parsed once and kept until its identity (inode, size, times) changes. Every
/// lookup checks the directories, so cards added, removed or saved atomically (as vdirsyncer
/// and most editors save) are seen at once; a card edited in place is seen at the first lookup
/// once `recheckInterval` has passed since the files were last looked at, which keeps the
/// lookups of one invitation's participants from each looking at every file. A file that
/// cannot be read or is larger than `VCardParser::maximumFileSize` counts as empty.
///
/// With the desktop's address books (Evolution Data Server) given as well, lookups ask them
/// after the files: their cards follow those of the files, leaving out cards whose identifier a
/// file's card has already, and access is granted while they are there.
/// Safe to use from any thread.
class ContactStore {
public:
    static constexpr std::chrono::milliseconds defaultRecheckInterval { 2000 };

    explicit ContactStore(std::vector<std::filesystem::path> roots, std::chrono::milliseconds recheckInterval = defaultRecheckInterval);
    ContactStore(std::vector<std::filesystem::path> roots, std::chrono::milliseconds recheckInterval,
        std::unique_ptr<EdsAddressBooks> desktopAddressBooks);
    /// A store over `StandardPaths::contactRoots()` as they are now, and over the desktop's
    /// address books when the calendar backend choice uses Evolution Data Server.
    static std::unique_ptr<ContactStore> makeDefault();
    ~ContactStore();
    ContactStore(const ContactStore&) = delete;
    ContactStore& operator=(const ContactStore&) = delete;

    /// Authorized when at least one root is a directory this process can read; denied when
    /// roots exist but none can be read; not determined when none exists. There is nobody to
    /// ask on this platform: access is what the file system grants.
    ContactsAuthorizationStatus authorizationStatus() const;

    using AccessCompletion = std::function<void(bool granted, std::optional<ContactStoreError> error)>;
    /// Checks the roots on a worker thread and completes there: granted exactly when the
    /// status is authorized; not granted, with an error, when a root is there but is not a
    /// directory; not granted without an error otherwise.
    void requestAccess(AccessCompletion completion) const;

    /// The contacts that `predicate` finds: those with the predicate's e-mail address among
    /// theirs (compared without regard to letter case) when it names one; otherwise those whose
    /// formatted name, or given and family name, equal its name (the same way); otherwise
    /// none. In address-book order, with only `keysToFetch` filled in besides the identifier.
    /// Fails with `accessDenied` when no root can be read.
    tl::expected<std::vector<StoreContact>, ContactStoreError> unifiedContacts(
        const ContactPredicate& predicate, std::span<const ContactKey> keysToFetch) const;

    /// Every contact of the files, in address-book order, with every key.
    tl::expected<std::vector<StoreContact>, ContactStoreError> allContacts() const;

    const std::vector<std::filesystem::path>& roots() const { return m_roots; }
    /// How many times a file has been parsed since the store was made, for tests and
    /// diagnostics.
    std::size_t parseCount() const;

    struct State;

private:
    std::vector<StoreContact> fileContacts(const ContactPredicate& predicate, std::span<const ContactKey> keysToFetch) const;

    std::vector<std::filesystem::path> m_roots;
    std::chrono::milliseconds m_recheckInterval;
    std::unique_ptr<State> m_state;
    std::unique_ptr<EdsAddressBooks> m_desktopAddressBooks;
};

}

#include "Platform/Contacts/ContactStore.hpp"

#include "Platform/Contacts/EdsAddressBooks.hpp"
#include "Platform/Contacts/VCard.hpp"
#include "Platform/Runtime/DirectoryEntries.hpp"
#include "Platform/Runtime/DispatchQueue.hpp"
#include "Platform/Runtime/FileIdentity.hpp"
#include "Platform/Runtime/PlatformLog.hpp"
#include "Platform/Runtime/StandardPaths.hpp"
#include "Platform/Text/AsciiCase.hpp"
#include "Platform/Text/AsciiWhitespace.hpp"

#include <glib.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace tvk {

namespace {

constexpr char logCategory[] = "Contacts";

bool hasVCardExtension(const std::filesystem::path& path)
{
    return equalsIgnoringAsciiCase(path.extension().string(), ".vcf");
}

/// `.vcf` files at most two directories below `directory` (root, source, book), sorted, and
/// every directory looked into with its identity.
void collectFiles(const std::filesystem::path& directory, int depth, std::vector<std::filesystem::path>& files,
    std::vector<std::pair<std::filesystem::path, std::optional<FileIdentity>>>& directories)
{
    directories.emplace_back(directory, identityOf(directory));
    for (auto& entry : sortedVisibleEntries(directory)) {
        if (entry.kind == DirectoryEntry::Kind::regularFile && hasVCardExtension(entry.path))
            files.push_back(entry.path);
        else if (entry.kind == DirectoryEntry::Kind::directory && depth < 2)
            collectFiles(entry.path, depth + 1, files, directories);
    }
}

/// The form under which texts are compared without regard to letter case.
std::string foldingKey(std::string_view text)
{
    text = trimmedAsciiWhitespace(text);
    if (!g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr))
        return asciiLowercased(text);
    char* folded = g_utf8_casefold(text.data(), static_cast<gssize>(text.size()));
    std::string key(folded);
    g_free(folded);
    return key;
}

struct RootsState {
    bool anyReadable = false;
    bool anyExisting = false;
    std::optional<ContactStoreError> error;
};

RootsState inspect(const std::vector<std::filesystem::path>& roots)
{
    RootsState state;
    for (auto& root : roots) {
        struct stat info;
        if (::stat(root.c_str(), &info) != 0)
            continue;
        state.anyExisting = true;
        if (!S_ISDIR(info.st_mode)) {
            if (!state.error)
                state.error = ContactStoreError { ContactStoreError::Code::unreadable, root.string() + " is not a directory" };
            continue;
        }
        if (::access(root.c_str(), R_OK | X_OK) == 0)
            state.anyReadable = true;
    }
    return state;
}

std::optional<std::string> readFile(const std::filesystem::path& path)
{
    std::ifstream stream(path, std::ios::binary);
    if (!stream)
        return std::nullopt;
    std::ostringstream contents;
    contents << stream.rdbuf();
    if (stream.bad())
        return std::nullopt;
    return std::move(contents).str();
}

struct LoadedFile {
    FileIdentity identity;
    std::shared_ptr<const std::vector<VCard>> cards;
};

struct UnifiedContact {
    StoreContact contact;
    std::optional<std::string> formattedName;
};

}

struct ContactStore::State {
    std::mutex mutex;
    std::map<std::filesystem::path, LoadedFile> files;
    std::vector<UnifiedContact> contacts;
    std::unordered_map<std::string, std::vector<size_t>> byEmail;
    std::unordered_map<std::string, std::vector<size_t>> byName;
    std::size_t parseCount = 0;
    bool scanned = false;
    std::vector<std::pair<std::filesystem::path, std::optional<FileIdentity>>> watchedDirectories;
    std::chrono::steady_clock::time_point lastFileCheck;

    LoadedFile load(const std::filesystem::path& path, const FileIdentity& identity)
    {
        LoadedFile loaded { identity, std::make_shared<std::vector<VCard>>() };
        ++parseCount;
        if (static_cast<std::size_t>(identity.size) > VCardParser::maximumFileSize) {
            PlatformLog::warning(logCategory, "skipping " + path.string() + ": larger than the limit for an address book file");
            return loaded;
        }
        auto text = readFile(path);
        if (!text) {
            PlatformLog::warning(logCategory, "cannot read " + path.string() + ": " + std::strerror(errno));
            return loaded;
        }
        loaded.cards = std::make_shared<std::vector<VCard>>(VCardParser::parse(*text));
        return loaded;
    }

    /// Brings the contacts up to date with the files: walks the roots again when a directory
    /// changed (a file added, removed or atomically replaced shows there) or a root appeared;
    /// otherwise looks at each file's identity when the last look is `recheckInterval` old
    /// (an edit in place shows only there). Rebuilds the contacts when any file changed.
    void ensureCurrent(const std::vector<std::filesystem::path>& roots, std::chrono::milliseconds recheckInterval)
    {
        auto now = std::chrono::steady_clock::now();
        if (!scanned || directoriesChanged(roots)) {
            rescan(roots);
            lastFileCheck = now;
            return;
        }
        if (now - lastFileCheck < recheckInterval)
            return;
        lastFileCheck = now;
        bool changed = false;
        for (auto& [path, file] : files) {
            auto identity = identityOf(path);
            if (identity == file.identity)
                continue;
            file = identity ? load(path, *identity) : LoadedFile { FileIdentity {}, std::make_shared<std::vector<VCard>>() };
            changed = true;
        }
        if (changed)
            rebuild();
    }

    bool directoriesChanged(const std::vector<std::filesystem::path>& roots) const
    {
        for (auto& [directory, identity] : watchedDirectories) {
            if (identityOf(directory) != identity)
                return true;
        }
        for (auto& root : roots) {
            bool watched
                = std::any_of(watchedDirectories.begin(), watchedDirectories.end(), [&](auto& entry) { return entry.first == root; });
            std::error_code error;
            if (!watched && std::filesystem::is_directory(root, error))
                return true;
        }
        return false;
    }

    void rescan(const std::vector<std::filesystem::path>& roots)
    {
        std::vector<std::filesystem::path> paths;
        watchedDirectories.clear();
        for (auto& root : roots) {
            std::error_code error;
            if (std::filesystem::is_directory(root, error))
                collectFiles(root, 0, paths, watchedDirectories);
        }
        std::map<std::filesystem::path, LoadedFile> found;
        bool changed = !scanned;
        for (auto& path : paths) {
            auto identity = identityOf(path);
            if (!identity)
                continue;
            auto old = files.find(path);
            if (old != files.end() && old->second.identity == *identity) {
                found.emplace(path, old->second);
            } else {
                found.emplace(path, load(path, *identity));
                changed = true;
            }
        }
        changed = changed || found.size() != files.size();
        scanned = true;
        files = std::move(found);
        if (changed)
            rebuild();
    }

    void rebuild()
    {
        contacts.clear();
        byEmail.clear();
        byName.clear();
        std::unordered_map<std::string, size_t> byIdentifier;
        for (auto& [path, file] : files) {
            for (size_t i = 0; i < file.cards->size(); ++i) {
                auto& card = (*file.cards)[i];
                std::string identifier = card.uid ? *card.uid : path.string();
                if (!card.uid && file.cards->size() > 1)
                    identifier += "#" + std::to_string(i + 1);
                auto [entry, inserted] = byIdentifier.emplace(identifier, contacts.size());
                if (inserted) {
                    contacts.push_back(UnifiedContact { StoreContact { identifier, card.givenName.value_or(""),
                                                            card.familyName.value_or(""), card.emailAddresses, card.photo },
                        card.formattedName });
                    continue;
                }
                auto& unified = contacts[entry->second];
                if (unified.contact.givenName.empty() && unified.contact.familyName.empty()) {
                    unified.contact.givenName = card.givenName.value_or("");
                    unified.contact.familyName = card.familyName.value_or("");
                }
                if (!unified.formattedName || unified.formattedName->empty())
                    unified.formattedName = card.formattedName;
                if (!unified.contact.thumbnailImageData)
                    unified.contact.thumbnailImageData = card.photo;
                for (auto& address : card.emailAddresses) {
                    auto& addresses = unified.contact.emailAddresses;
                    if (std::find(addresses.begin(), addresses.end(), address) == addresses.end())
                        addresses.push_back(address);
                }
            }
        }
        for (size_t index = 0; index < contacts.size(); ++index) {
            auto add = [index](std::vector<size_t>& list) {
                if (list.empty() || list.back() != index)
                    list.push_back(index);
            };
            for (auto& address : contacts[index].contact.emailAddresses)
                add(byEmail[foldingKey(address)]);
            auto& contact = contacts[index].contact;
            if (contacts[index].formattedName && !trimmedAsciiWhitespace(*contacts[index].formattedName).empty())
                add(byName[foldingKey(*contacts[index].formattedName)]);
            std::string fullName = std::string(trimmedAsciiWhitespace(contact.givenName));
            auto family = trimmedAsciiWhitespace(contact.familyName);
            if (!family.empty())
                fullName += (fullName.empty() ? "" : " ") + std::string(family);
            if (!fullName.empty())
                add(byName[foldingKey(fullName)]);
        }
    }
};

ContactStore::ContactStore(std::vector<std::filesystem::path> roots, std::chrono::milliseconds recheckInterval)
    : ContactStore(std::move(roots), recheckInterval, nullptr)
{
}

ContactStore::ContactStore(
    std::vector<std::filesystem::path> roots, std::chrono::milliseconds recheckInterval, std::unique_ptr<EdsAddressBooks> desktopAddressBooks)
    : m_roots(std::move(roots))
    , m_recheckInterval(recheckInterval)
    , m_state(std::make_unique<State>())
    , m_desktopAddressBooks(std::move(desktopAddressBooks))
{
}

std::unique_ptr<ContactStore> ContactStore::makeDefault()
{
    return std::make_unique<ContactStore>(StandardPaths::contactRoots(), defaultRecheckInterval, EdsAddressBooks::makeDefault());
}

ContactStore::~ContactStore() = default;

ContactsAuthorizationStatus ContactStore::authorizationStatus() const
{
    auto state = inspect(m_roots);
    if (state.anyReadable || m_desktopAddressBooks)
        return ContactsAuthorizationStatus::authorized;
    return state.anyExisting ? ContactsAuthorizationStatus::denied : ContactsAuthorizationStatus::notDetermined;
}

void ContactStore::requestAccess(AccessCompletion completion) const
{
    DispatchQueue::global().async([roots = m_roots, desktop = m_desktopAddressBooks != nullptr, completion = std::move(completion)] {
        auto state = inspect(roots);
        if (state.anyReadable || desktop)
            completion(true, std::nullopt);
        else
            completion(false, state.error);
    });
}

tl::expected<std::vector<StoreContact>, ContactStoreError> ContactStore::unifiedContacts(
    const ContactPredicate& predicate, std::span<const ContactKey> keysToFetch) const
{
    bool filesReadable = inspect(m_roots).anyReadable;
    if (!filesReadable && !m_desktopAddressBooks)
        return tl::unexpected(ContactStoreError { ContactStoreError::Code::accessDenied, "no address book can be read" });
    auto result = filesReadable ? fileContacts(predicate, keysToFetch) : std::vector<StoreContact> {};
    if (!m_desktopAddressBooks)
        return result;
    auto desktop = m_desktopAddressBooks->unifiedContacts(predicate, keysToFetch);
    if (!desktop) {
        if (!filesReadable)
            return tl::unexpected(desktop.error());
        return result;
    }
    for (auto& contact : *desktop) {
        auto sameCard = [&](const StoreContact& known) { return known.identifier == contact.identifier; };
        if (std::none_of(result.begin(), result.end(), sameCard))
            result.push_back(std::move(contact));
    }
    return result;
}

std::vector<StoreContact> ContactStore::fileContacts(const ContactPredicate& predicate, std::span<const ContactKey> keysToFetch) const
{
    auto wants = [&](ContactKey key) { return std::find(keysToFetch.begin(), keysToFetch.end(), key) != keysToFetch.end(); };
    std::lock_guard lock(m_state->mutex);
    m_state->ensureCurrent(m_roots, m_recheckInterval);

    const std::vector<size_t>* matches = nullptr;
    if (predicate.emailAddress && !trimmedAsciiWhitespace(*predicate.emailAddress).empty()) {
        if (auto found = m_state->byEmail.find(foldingKey(*predicate.emailAddress)); found != m_state->byEmail.end())
            matches = &found->second;
    } else if (predicate.name && !trimmedAsciiWhitespace(*predicate.name).empty()) {
        if (auto found = m_state->byName.find(foldingKey(*predicate.name)); found != m_state->byName.end())
            matches = &found->second;
    }
    std::vector<StoreContact> result;
    if (!matches)
        return result;
    for (size_t index : *matches) {
        auto& source = m_state->contacts[index].contact;
        StoreContact contact;
        contact.identifier = source.identifier;
        if (wants(ContactKey::givenName))
            contact.givenName = source.givenName;
        if (wants(ContactKey::familyName))
            contact.familyName = source.familyName;
        if (wants(ContactKey::emailAddresses))
            contact.emailAddresses = source.emailAddresses;
        if (wants(ContactKey::thumbnailImageData))
            contact.thumbnailImageData = source.thumbnailImageData;
        result.push_back(std::move(contact));
    }
    return result;
}

tl::expected<std::vector<StoreContact>, ContactStoreError> ContactStore::allContacts() const
{
    if (!inspect(m_roots).anyReadable)
        return tl::unexpected(ContactStoreError { ContactStoreError::Code::accessDenied, "no address book can be read" });
    std::lock_guard lock(m_state->mutex);
    m_state->ensureCurrent(m_roots, m_recheckInterval);
    std::vector<StoreContact> result;
    for (auto& unified : m_state->contacts)
        result.push_back(unified.contact);
    return result;
}

std::size_t ContactStore::parseCount() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->parseCount;
}

}

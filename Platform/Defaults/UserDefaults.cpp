#include "Platform/Defaults/UserDefaults.hpp"

#include "Platform/Runtime/CivilTime.hpp"
#include "Platform/Runtime/PlatformLog.hpp"
#include "Platform/Runtime/ProcessWideState.hpp"
#include "Platform/Runtime/StandardPaths.hpp"
#include "Platform/Text/PropertyListSerialization.hpp"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tvk {

namespace {

constexpr off_t maximumFileSize = 32 * 1024 * 1024;
constexpr char logCategory[] = "Defaults";

std::mutex registryMutex;
std::string configuredStandardName;

std::string systemError(const std::string& what, const std::filesystem::path& path, int error)
{
    return what + " " + path.string() + ": " + std::strerror(error);
}

// Holds the domain's advisory lock for the lifetime of the object.
class FileLock {
public:
    static tl::expected<FileLock, DefaultsError> acquire(const std::filesystem::path& lockFile)
    {
        int descriptor = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (descriptor < 0)
            return tl::unexpected(DefaultsError { systemError("cannot open the settings lock", lockFile, errno) });
        while (::flock(descriptor, LOCK_EX) != 0) {
            if (errno == EINTR)
                continue;
            int error = errno;
            ::close(descriptor);
            return tl::unexpected(DefaultsError { systemError("cannot lock", lockFile, error) });
        }
        return FileLock(descriptor);
    }

    FileLock(FileLock&& other) noexcept
        : m_descriptor(std::exchange(other.m_descriptor, -1))
    {
    }
    FileLock& operator=(FileLock&&) = delete;
    ~FileLock()
    {
        if (m_descriptor >= 0)
            ::close(m_descriptor); // closing releases the flock
    }

private:
    explicit FileLock(int descriptor)
        : m_descriptor(descriptor)
    {
    }
    int m_descriptor;
};

std::filesystem::path lockFileFor(const std::filesystem::path& file)
{
    return file.parent_path() / ("." + file.filename().string() + ".lock");
}

tl::expected<std::string, int> readWholeFile(const std::filesystem::path& path)
{
    int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return tl::unexpected(errno);
    std::string contents;
    char buffer[65536];
    while (true) {
        ssize_t got = ::read(descriptor, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            int error = errno;
            ::close(descriptor);
            return tl::unexpected(error);
        }
        if (got == 0)
            break;
        contents.append(buffer, static_cast<size_t>(got));
        if (contents.size() > static_cast<size_t>(maximumFileSize))
            break;
    }
    ::close(descriptor);
    return contents;
}

std::string temporaryPrefixFor(const std::filesystem::path& file)
{
    return "." + file.filename().string() + ".tmp-";
}

// Removes the temporary files of writers that died before renaming theirs into place. Only a
// writer that holds the domain's lock creates one, so under the lock every one there is such
// a leftover, a whole copy of the settings that nothing would ever remove.
void removeTemporaryFilesOfDeadWriters(const std::filesystem::path& file)
{
    auto prefix = temporaryPrefixFor(file);
    std::error_code error;
    for (std::filesystem::directory_iterator entry(file.parent_path(), error), end; !error && entry != end; entry.increment(error)) {
        auto name = entry->path().filename().string();
        if (name.size() == prefix.size() + 6 && name.starts_with(prefix))
            ::unlink(entry->path().c_str());
    }
}

// Called with the domain's lock held.
tl::expected<void, DefaultsError> writeAtomically(const std::filesystem::path& file, const std::string& contents)
{
    removeTemporaryFilesOfDeadWriters(file);
    std::string temporary = (file.parent_path() / (temporaryPrefixFor(file) + "XXXXXX")).string();
    int descriptor = ::mkstemp(temporary.data());
    if (descriptor < 0)
        return tl::unexpected(DefaultsError { systemError("cannot write settings into", file.parent_path(), errno) });
    auto failWith = [&](const std::string& what) -> tl::expected<void, DefaultsError> {
        int error = errno;
        ::close(descriptor);
        ::unlink(temporary.c_str());
        return tl::unexpected(DefaultsError { systemError(what, file, error) });
    };
    if (::fchmod(descriptor, 0600) != 0)
        return failWith("cannot set the mode of");
    size_t written = 0;
    while (written < contents.size()) {
        ssize_t result = ::write(descriptor, contents.data() + written, contents.size() - written);
        if (result < 0) {
            if (errno == EINTR)
                continue;
            return failWith("cannot write");
        }
        written += static_cast<size_t>(result);
    }
    if (::fsync(descriptor) != 0)
        return failWith("cannot flush");
    if (::close(descriptor) != 0) {
        int error = errno;
        ::unlink(temporary.c_str());
        return tl::unexpected(DefaultsError { systemError("cannot write", file, error) });
    }
    if (::rename(temporary.c_str(), file.c_str()) != 0) {
        int error = errno;
        ::unlink(temporary.c_str());
        return tl::unexpected(DefaultsError { systemError("cannot replace", file, error) });
    }
    return {};
}

std::string timestampForFileName()
{
    auto civil = CivilTime::fromSecondsSince1970(static_cast<std::int64_t>(std::floor(Date::now().timeIntervalSince1970())));
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04lld%02u%02uT%02u%02u%02uZ", static_cast<long long>(civil.year), civil.month, civil.day,
        civil.hour, civil.minute, civil.second);
    return buffer;
}

bool parseLeadingInteger(const std::string& text, std::int64_t& value)
{
    size_t position = 0;
    while (position < text.size() && (text[position] == ' ' || text[position] == '\t'))
        ++position;
    bool negative = false;
    if (position < text.size() && (text[position] == '+' || text[position] == '-'))
        negative = text[position++] == '-';
    if (position >= text.size() || text[position] < '0' || text[position] > '9')
        return false;
    std::int64_t result = 0;
    for (; position < text.size() && text[position] >= '0' && text[position] <= '9'; ++position) {
        if (result > (INT64_MAX - (text[position] - '0')) / 10)
            return false;
        result = result * 10 + (text[position] - '0');
    }
    value = negative ? -result : result;
    return true;
}

}

bool UserDefaults::isValidDomainName(const std::string& domainName)
{
    if (domainName.empty() || domainName.size() > 200 || domainName.front() == '.')
        return false;
    for (char c : domainName) {
        bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
        if (!allowed)
            return false;
    }
    return true;
}

std::filesystem::path UserDefaults::fileForDomain(const std::string& domainName)
{
    std::string safe = domainName.empty() ? "_" : domainName.substr(0, 200);
    for (char& c : safe) {
        bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
        if (!allowed)
            c = '_';
    }
    if (safe.front() == '.')
        safe.front() = '_';
    return StandardPaths::configDirectory() / (safe + ".plist");
}

void UserDefaults::setStandardDomainName(std::string name)
{
    static const ProcessWideState::Registration resettable([] {
        std::lock_guard lock(registryMutex);
        configuredStandardName.clear();
    });
    std::lock_guard lock(registryMutex);
    configuredStandardName = std::move(name);
}

std::string UserDefaults::standardDomainName()
{
    std::lock_guard lock(registryMutex);
    if (!configuredStandardName.empty())
        return configuredStandardName;
    auto executable = StandardPaths::executablePath().filename().string();
    return "com.quillmoor.tarvik." + (executable.empty() ? std::string("unknown") : executable);
}

static UserDefaults& domainForFile(const std::filesystem::path& file)
{
    static std::mutex mutex;
    static auto* domains = new std::map<std::filesystem::path, std::unique_ptr<UserDefaults>>;
    std::lock_guard lock(mutex);
    auto& slot = (*domains)[file];
    if (!slot)
        slot = std::make_unique<UserDefaults>(file);
    return *slot;
}

UserDefaults& UserDefaults::standard()
{
    return domainForFile(fileForDomain(standardDomainName()));
}

UserDefaults& UserDefaults::suite(const std::string& suiteName)
{
    return domainForFile(fileForDomain(suiteName));
}

UserDefaults::UserDefaults(std::filesystem::path file)
    : m_file(std::move(file))
{
}

UserDefaults::~UserDefaults() = default;

std::optional<UserDefaults::FileIdentity> UserDefaults::statFile() const
{
    struct stat info;
    if (::stat(m_file.c_str(), &info) != 0)
        return std::nullopt;
    return FileIdentity { info.st_dev, info.st_ino, info.st_size,
        static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec,
        static_cast<long long>(info.st_ctim.tv_sec) * 1000000000LL + info.st_ctim.tv_nsec };
}

UserDefaults::FileContents UserDefaults::readFile(const FileIdentity& identity) const
{
    if (identity.size > maximumFileSize)
        return { std::nullopt, "larger than 32 MiB", false };
    auto contents = readWholeFile(m_file);
    if (!contents)
        return { std::nullopt, std::strerror(contents.error()), true };
    auto parsed = PropertyListSerialization::read(*contents);
    if (!parsed)
        return { std::nullopt, parsed.error(), false };
    auto* dictionary = parsed->get<PropertyList::Dictionary>();
    if (!dictionary)
        return { std::nullopt, "the top level is not a dictionary", false };
    return { std::move(*dictionary), {}, false };
}

tl::expected<std::string, DefaultsError> UserDefaults::keepBackup() const
{
    std::string base = m_file.string() + ".corrupt-" + timestampForFileName();
    std::string target = base;
    for (int attempt = 1; std::filesystem::exists(target) && attempt < 1000; ++attempt)
        target = base + "-" + std::to_string(attempt);
    // A second name for the same file, so the domain file never disappears, not even for the
    // moment between keeping the old one and writing the new one; a copy where the file
    // system has no hard links.
    if (::link(m_file.c_str(), target.c_str()) == 0)
        return target;
    std::error_code error;
    if (std::filesystem::copy_file(m_file, target, error))
        return target;
    return tl::unexpected(DefaultsError {
        "settings file " + m_file.string() + " is unreadable and could not be kept as a backup before replacing it: " + error.message() });
}

// Reads the file as it is now, without the file lock: every writer of ours replaces the file
// atomically, so there is always a whole file to read, and a reader never waits for another
// process. A file that cannot be read is left exactly as it is (it may be a foreign writer's
// file caught halfway, or a hand edit in progress); the domain reads as empty until it
// changes, and each unreadable version is reported once.
PropertyList::Dictionary UserDefaults::load(FileIdentity& identity) const
{
    auto current = statFile();
    if (!current) {
        identity = FileIdentity {};
        return {};
    }
    identity = *current;
    auto contents = readFile(*current);
    if (contents.dictionary)
        return std::move(*contents.dictionary);
    if (m_reportedUnreadable != current) {
        m_reportedUnreadable = current;
        PlatformLog::error(logCategory,
            "settings file " + m_file.string() + " cannot be read (" + contents.problem
                + "); its settings read as empty, and it is left as it is until a change of settings replaces it");
    }
    return {};
}

const PropertyList::Dictionary& UserDefaults::currentDictionary() const
{
    auto identity = statFile().value_or(FileIdentity {});
    if (!m_cacheValid || !m_cacheIdentity || *m_cacheIdentity != identity) {
        FileIdentity loaded;
        m_cache = load(loaded);
        m_cacheIdentity = loaded;
        m_cacheValid = true;
    }
    return m_cache;
}

std::optional<PropertyList> UserDefaults::object(const std::string& key) const
{
    std::lock_guard lock(m_mutex);
    auto& dictionary = currentDictionary();
    auto found = dictionary.find(key);
    if (found == dictionary.end())
        return std::nullopt;
    return found->second;
}

void UserDefaults::readObject(const std::string& key, const std::function<void(const PropertyList*)>& reader) const
{
    std::lock_guard lock(m_mutex);
    auto& dictionary = currentDictionary();
    auto found = dictionary.find(key);
    reader(found == dictionary.end() ? nullptr : &found->second);
}

PropertyList::Dictionary UserDefaults::dictionaryRepresentation() const
{
    std::lock_guard lock(m_mutex);
    return currentDictionary();
}

bool UserDefaults::boolean(const std::string& key) const
{
    auto value = object(key);
    if (!value)
        return false;
    if (auto* flag = value->get<bool>())
        return *flag;
    if (auto* integer = value->get<std::int64_t>())
        return *integer != 0;
    if (auto* real = value->get<double>())
        return *real != 0;
    if (auto* text = value->get<std::string>()) {
        std::string lower;
        for (char c : *text)
            lower.push_back(static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c));
        return lower == "yes" || lower == "true" || lower == "1";
    }
    return false;
}

std::int64_t UserDefaults::integer(const std::string& key) const
{
    auto value = object(key);
    if (!value)
        return 0;
    if (auto* integer = value->get<std::int64_t>())
        return *integer;
    if (auto* real = value->get<double>())
        return std::isfinite(*real) && std::fabs(*real) < 9.2e18 ? static_cast<std::int64_t>(*real) : 0;
    if (auto* flag = value->get<bool>())
        return *flag ? 1 : 0;
    if (auto* text = value->get<std::string>()) {
        std::int64_t parsed = 0;
        return parseLeadingInteger(*text, parsed) ? parsed : 0;
    }
    return 0;
}

tl::expected<void, DefaultsError> UserDefaults::modify(const std::function<void(PropertyList::Dictionary&)>& change)
{
    std::error_code error;
    std::filesystem::create_directories(m_file.parent_path(), error);
    if (error)
        return tl::unexpected(
            DefaultsError { "cannot create the settings directory " + m_file.parent_path().string() + ": " + error.message() });
    // The file lock first and the mutex after it: while another program holds the lock for
    // long, this domain's readers go on reading. Threads of this process each lock the file
    // through their own descriptor, so they take turns as other programs do.
    auto fileLock = FileLock::acquire(lockFileFor(m_file));
    if (!fileLock)
        return tl::unexpected(fileLock.error());
    std::lock_guard lock(m_mutex);

    // Read what is on disk now, under the lock, rather than trusting the cache: another
    // process may have written a moment ago.
    FileIdentity identity;
    PropertyList::Dictionary dictionary;
    std::optional<std::string> unreadable;
    if (auto current = statFile()) {
        identity = *current;
        auto contents = readFile(*current);
        if (contents.ioError)
            return tl::unexpected(DefaultsError { "cannot read " + m_file.string() + ": " + contents.problem });
        if (contents.dictionary)
            dictionary = std::move(*contents.dictionary);
        else
            unreadable = contents.problem;
    }

    auto original = dictionary;
    change(dictionary);
    if (dictionary == original) {
        m_cache = std::move(dictionary);
        m_cacheIdentity = identity;
        m_cacheValid = true;
        return {};
    }
    // Writing replaces a file that could not be read: keep it beside, dated, first.
    if (unreadable) {
        auto backup = keepBackup();
        if (!backup)
            return tl::unexpected(backup.error());
        PlatformLog::error(logCategory,
            "settings file " + m_file.string() + " could not be read (" + *unreadable + "); kept it as " + *backup
                + " and wrote the new settings in its place");
    }
    auto xml = PropertyListSerialization::writeXml(PropertyList(dictionary));
    if (!xml)
        return tl::unexpected(DefaultsError { "cannot encode settings for " + m_file.string() + ": " + xml.error() });
    if (auto written = writeAtomically(m_file, *xml); !written)
        return written;
    m_cache = std::move(dictionary);
    m_cacheIdentity = statFile().value_or(FileIdentity {});
    m_cacheValid = true;
    return {};
}

tl::expected<void, DefaultsError> UserDefaults::update(const std::string& key, const Transform& transform)
{
    return modify([&](PropertyList::Dictionary& dictionary) {
        auto found = dictionary.find(key);
        std::optional<PropertyList> current;
        if (found != dictionary.end())
            current = found->second;
        auto replacement = transform(std::move(current));
        if (replacement)
            dictionary.insert_or_assign(key, std::move(*replacement));
        else
            dictionary.erase(key);
    });
}

tl::expected<void, DefaultsError> UserDefaults::set(const std::string& key, PropertyList value)
{
    return modify([&](PropertyList::Dictionary& dictionary) { dictionary.insert_or_assign(key, std::move(value)); });
}

tl::expected<void, DefaultsError> UserDefaults::removeObject(const std::string& key)
{
    return modify([&](PropertyList::Dictionary& dictionary) { dictionary.erase(key); });
}

}

#include "Platform/Calendar/ICalendarStore.hpp"

#include "Platform/Calendar/CalendarItemIndex.hpp"
#include "Platform/Calendar/DirectoryMonitor.hpp"
#include "Platform/Calendar/ICalendarParser.hpp"
#include "Platform/Calendar/StoreOrdering.hpp"
#include "Platform/Calendar/VdirScanner.hpp"
#include "Platform/Runtime/DispatchQueue.hpp"
#include "Platform/Runtime/FileIdentity.hpp"
#include "Platform/Runtime/IcuEnvironment.hpp"
#include "Platform/Runtime/NotificationCenter.hpp"
#include "Platform/Runtime/PlatformLog.hpp"
#include "Platform/Runtime/StableSort.hpp"
#include "Platform/Runtime/StandardPaths.hpp"
#include "Platform/Runtime/UUID.hpp"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cerrno>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace tvk {

namespace {

constexpr char logCategory[] = "Calendar";

std::string derivedIdentifier(const std::string& name)
{
    return UUID::nameBased("tarvik.calendar-store", name).uuidString();
}

std::optional<Color> parseColor(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    if (auto hex = Color::fromHex(text))
        return hex;
    return Color::fromName(text);
}

Color paletteColor(const std::string& identifier)
{
    static const Color palette[] = {
        Color::rgb(0.20, 0.56, 0.86),
        Color::rgb(0.30, 0.69, 0.31),
        Color::rgb(0.96, 0.60, 0.05),
        Color::rgb(0.90, 0.30, 0.26),
        Color::rgb(0.61, 0.35, 0.71),
        Color::rgb(0.10, 0.67, 0.65),
        Color::rgb(0.91, 0.40, 0.62),
        Color::rgb(0.55, 0.45, 0.35),
    };
    std::uint32_t hash = 2166136261u;
    for (char c : identifier)
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return palette[hash % (sizeof palette / sizeof palette[0])];
}

std::string calendarIdentifier(const std::filesystem::path& collection, EntityType type)
{
    return derivedIdentifier(std::string(type == EntityType::event ? "events:" : "reminders:") + collection.string());
}

std::filesystem::path filePath(const VdirScanner::Collection& collection, const std::string& name)
{
    return collection.singleFile ? collection.path : collection.path / name;
}

// One file to parse, and what came of it.
struct ParseJob {
    const VdirScanner::Collection* collection = nullptr;
    std::string name;
    std::optional<FileIdentity> identity;
    ParsedCalendarFile parsed;
};

// Reads and parses one calendar file. The identity is taken before the file is read, so that a
// change while it is read shows as a changed identity the next time.
void parse(ParseJob& job)
{
    auto path = filePath(*job.collection, job.name);
    // Not blocking: a FIFO put where the scan saw a file would otherwise hold the open forever.
    int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0 && errno != ENOENT && errno != ENOTDIR) {
        // There but not readable (its mode, a folder above): stored empty under its identity,
        // so that it is named once and tried again only when it changes.
        int error = errno;
        if (auto identity = identityOf(path)) {
            PlatformLog::warning(logCategory, path.string() + ": skipped, cannot be read: " + std::strerror(error));
            job.identity = identity;
        }
        return;
    }
    struct stat info;
    if (descriptor < 0 || ::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        if (descriptor >= 0)
            ::close(descriptor);
        return; // gone meanwhile: the next scan sees that
    }
    job.identity = FileIdentity { info.st_dev, info.st_ino, info.st_size,
        static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec,
        static_cast<long long>(info.st_ctim.tv_sec) * 1000000000LL + info.st_ctim.tv_nsec };
    if (static_cast<size_t>(info.st_size) > ICalendarParser::maximumFileSize) {
        ::close(descriptor);
        PlatformLog::warning(logCategory, path.string() + ": skipped, larger than 64 MiB");
        return;
    }
    std::string text(static_cast<size_t>(info.st_size), '\0');
    size_t filled = 0;
    while (filled < text.size()) {
        ssize_t got = ::read(descriptor, text.data() + filled, text.size() - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        filled += static_cast<size_t>(got);
    }
    ::close(descriptor);
    text.resize(filled);
    auto parsed = ICalendarParser::parse(text);
    if (!parsed) {
        PlatformLog::warning(logCategory, path.string() + ": skipped, " + parsed.error());
        return;
    }
    if (!parsed->skipped.empty()) {
        std::string message = path.string() + ": skipped ";
        for (size_t i = 0; i < parsed->skipped.size(); ++i)
            message += (i ? "; " : "") + parsed->skipped[i];
        PlatformLog::warning(logCategory, message);
    }
    job.parsed = std::move(*parsed);
}

// Parses the jobs on worker threads and hands each result, in the order they finish, to
// `store` on the calling thread; few results wait at a time, so a first build of a large
// calendar set never holds more than a handful of parsed files.
void parseAll(std::vector<ParseJob>& jobs, const std::function<void(ParseJob&)>& store)
{
    size_t workers = std::min<size_t>({ std::max(1u, std::thread::hardware_concurrency()), 4, jobs.size() / 16 });
    if (workers <= 1) {
        for (auto& job : jobs) {
            parse(job);
            store(job);
            job.parsed = {};
        }
        return;
    }
    constexpr size_t waitingLimit = 16;
    std::mutex mutex;
    std::condition_variable readyOrRoom;
    std::deque<ParseJob*> ready;
    size_t next = 0, finished = 0;
    bool stopping = false;
    std::vector<std::thread> threads;
    for (size_t i = 0; i < workers; ++i) {
        threads.emplace_back([&] {
            while (true) {
                ParseJob* job;
                {
                    std::unique_lock lock(mutex);
                    readyOrRoom.wait(lock, [&] { return stopping || ready.size() < waitingLimit; });
                    if (stopping || next == jobs.size())
                        return;
                    job = &jobs[next++];
                }
                parse(*job);
                std::lock_guard lock(mutex);
                ready.push_back(job);
                readyOrRoom.notify_all();
            }
        });
    }
    try {
        while (true) {
            ParseJob* job;
            {
                std::unique_lock lock(mutex);
                readyOrRoom.wait(lock, [&] { return !ready.empty() || finished == jobs.size(); });
                if (ready.empty())
                    break;
                job = ready.front();
                ready.pop_front();
                readyOrRoom.notify_all();
            }
            store(*job);
            job->parsed = {};
            std::lock_guard lock(mutex);
            ++finished;
        }
    } catch (...) {
        {
            std::lock_guard lock(mutex);
            stopping = true;
            readyOrRoom.notify_all();
        }
        for (auto& thread : threads)
            thread.join();
        throw;
    }
    for (auto& thread : threads)
        thread.join();
}

bool reportOnce(std::atomic<bool>& reported)
{
    return !reported.exchange(true);
}

std::atomic<bool> reportedFallback { false };

}

// A collection as the store shows it: where the scan found it, and its calendars.
struct ShownCollection {
    std::filesystem::path path;
    StoreCalendarPointer eventCalendar;
    StoreCalendarPointer reminderCalendar;
    std::int64_t version = 0;

    CalendarItemIndex::View view() const
    {
        return CalendarItemIndex::View { path.string(), eventCalendar, reminderCalendar, path.string() };
    }
};

struct ICalendarStore::State : std::enable_shared_from_this<ICalendarStore::State> {
    State(std::vector<std::filesystem::path> roots, Monitoring monitoring, Sources sources,
        std::optional<std::set<std::string>> onlySourceIdentifiers, ItemIndex itemIndex)
        : scanner(std::move(roots),
            [sources, only = std::move(onlySourceIdentifiers)](const StoreSource& source) {
                if (only)
                    return only->contains(source.sourceIdentifier);
                return sources == Sources::ownAccounts ? !source.isDelegate : source.isDelegate;
            })
        , monitoring(monitoring)
        , itemIndex(itemIndex)
        , localZone(IcuEnvironment::defaultTimeZoneIdentifier())
    {
    }

    const VdirScanner scanner;
    const Monitoring monitoring;
    const ItemIndex itemIndex;
    const std::string localZone;
    std::atomic<const void*> owner { nullptr };
    std::atomic<size_t> parses { 0 };
    std::unique_ptr<DirectoryMonitor> monitor;

    std::mutex mutex;
    // Guarded by `mutex`:
    std::unique_ptr<CalendarItemIndex> index;
    bool scanned = false;
    VdirScanner::Layout layout; // its collections without their files (see refresh)
    std::map<std::filesystem::path, ShownCollection> collections;
    std::map<std::string, std::pair<std::filesystem::path, EntityType>> calendarsById; // id → collection, what it holds

    // --- the index (callers hold `mutex`) ---

    CalendarItemIndex& openIndex()
    {
        if (index)
            return *index;
        if (itemIndex == ItemIndex::shared) {
            auto directory = StandardPaths::cacheDirectory();
            try {
                index = CalendarItemIndex::openShared(directory, localZone);
                return *index;
            } catch (const CalendarItemIndex::Failure& failure) {
                reportFallback(directory / CalendarItemIndex::sharedFileName, failure.what());
            }
        }
        // When not even a temporary file can be made, `recover` moves the items to memory.
        index = CalendarItemIndex::openPrivate(localZone);
        return *index;
    }

    static void reportFallback(const std::filesystem::path& path, const std::string& reason)
    {
        if (reportOnce(reportedFallback))
            PlatformLog::warning(
                logCategory, "the calendar index " + path.string() + " cannot be used (" + reason + "); the calendars are read without it");
    }

    // After the index failed: a damaged shared file is built anew, anything else moves the
    // store to an index of its own (a temporary file, then memory). Returns false when nothing
    // is left to try.
    bool recover(const CalendarItemIndex::Failure& failure, int attempt)
    {
        if (dynamic_cast<const CalendarItemIndex::Lost*>(&failure))
            return attempt < 3;
        bool shared = index && !index->path().empty();
        if (shared && failure.damaged && attempt == 0) {
            try {
                PlatformLog::warning(logCategory, index->path().string() + " is damaged (" + failure.what() + "); it is built anew");
                index->rebuildAfterDamage();
                return true;
            } catch (const CalendarItemIndex::Failure&) {
            }
        }
        if (shared)
            reportFallback(index->path(), failure.what());
        index.reset();
        if (attempt < 3) {
            for (bool inMemory : { !shared && attempt > 0, true }) {
                try {
                    index = CalendarItemIndex::openPrivate(localZone, inMemory);
                    return true;
                } catch (const CalendarItemIndex::Failure&) {
                }
            }
        }
        PlatformLog::error(logCategory, std::string("the calendars cannot be read: ") + failure.what());
        return false;
    }

    // Runs `operation` on the index, rebuilding what the index lost or moving to another one
    // when it fails; `fallback` is the answer when nothing works.
    template <typename Operation, typename Result> Result withIndex(Operation&& operation, Result fallback)
    {
        for (int attempt = 0;; ++attempt) {
            try {
                openIndex();
                if (!scanned) {
                    refresh();
                    scanned = true;
                }
                return operation(*index);
            } catch (const CalendarItemIndex::Failure& failure) {
                if (!recover(failure, attempt))
                    return fallback;
                scanned = false;
            }
        }
    }

    // --- scanning (callers hold `mutex`) ---

    // Brings the index up to date with `scan` for the files this store shows. Only files whose
    // identity differs from the stored one are parsed, in one write transaction that also
    // re-reads what is stored, so that another process's writes in between are neither undone
    // nor done twice.
    void synchronize(const VdirScanner::Layout& scan)
    {
        struct Differences {
            std::vector<ParseJob> parse;
            std::vector<std::pair<const VdirScanner::Collection*, std::string>> removed;
            std::vector<std::string> collectionsGone;
            bool empty() const { return parse.empty() && removed.empty() && collectionsGone.empty(); }
        };
        // The collections shown, with what their files are now: one whose stored digest is the
        // same has nothing to compare.
        std::map<std::string, CalendarItemIndex::FilesDigest> shown;
        for (auto& collection : scan.collections) {
            auto& digest = shown[collection.path.string()];
            for (auto& file : collection.files)
                digest.add(file.name, file.identity);
        }
        auto differences = [&](const CalendarItemIndex::Stored& stored) {
            Differences result;
            for (auto& collection : scan.collections) {
                if (stored.unchanged.contains(collection.path.string()))
                    continue;
                static const std::vector<CalendarItemIndex::StoredFile> none;
                auto found = stored.files.find(collection.path.string());
                const auto& files = found == stored.files.end() ? none : found->second;
                // Both lists are sorted by name.
                auto storedFile = files.begin();
                for (auto& file : collection.files) {
                    while (storedFile != files.end() && storedFile->name < file.name)
                        result.removed.emplace_back(&collection, (storedFile++)->name);
                    if (storedFile != files.end() && storedFile->name == file.name) {
                        if (storedFile->identity != file.identity)
                            result.parse.push_back(ParseJob { &collection, file.name, std::nullopt, {} });
                        ++storedFile;
                    } else {
                        result.parse.push_back(ParseJob { &collection, file.name, std::nullopt, {} });
                    }
                }
                for (; storedFile != files.end(); ++storedFile)
                    result.removed.emplace_back(&collection, storedFile->name);
            }
            // Collections of other stores (other roots, other accounts) stay; only what is
            // gone from the disk goes.
            for (auto& key : stored.collections) {
                std::error_code error;
                if (!shown.contains(key) && !std::filesystem::exists(key, error) && !error)
                    result.collectionsGone.push_back(key);
            }
            return result;
        };

        if (differences(index->stored(shown)).empty())
            return;
        auto update = index->beginUpdate();
        auto pending = differences(update->stored(shown));
        parseAll(pending.parse, [&](ParseJob& job) {
            if (!job.identity)
                return;
            ++parses;
            auto& collection = *job.collection;
            CalendarItemIndex::CollectionNames names { collection.path.string(), calendarIdentifier(collection.path, EntityType::event),
                calendarIdentifier(collection.path, EntityType::reminder) };
            update->putFile(names, job.name, *job.identity, job.parsed);
        });
        for (auto& [collection, name] : pending.removed) {
            std::error_code error;
            if (!std::filesystem::exists(filePath(*collection, name), error) && !error)
                update->removeFile(collection->path.string(), name);
        }
        for (auto& key : pending.collectionsGone)
            update->removeCollection(key);
        update->commit();
    }

    // Scans the roots, brings the index up to date and rebuilds the calendars. Returns whether
    // anything the store shows changed.
    bool refresh()
    {
        auto scan = scanner.scan();
        synchronize(scan);
        auto summaries = index->summaries();

        std::map<std::filesystem::path, ShownCollection> shown;
        std::map<std::string, std::pair<std::filesystem::path, EntityType>> byId;
        for (auto& collection : scan.collections) {
            ShownCollection entry;
            entry.path = collection.path;
            CalendarItemIndex::Summary summary;
            if (auto found = summaries.find(collection.path.string()); found != summaries.end())
                summary = found->second;
            entry.version = summary.version;
            auto source = scan.sources.find(collection.sourcePath);
            auto makeCalendar = [&](EntityType type) {
                auto calendar = std::make_shared<StoreCalendar>();
                calendar->calendarIdentifier = calendarIdentifier(collection.path, type);
                std::string title = collection.singleFile ? collection.path.stem().string() : collection.path.filename().string();
                if (collection.displayName && !collection.displayName->empty())
                    title = *collection.displayName;
                else if (summary.calendarName && !summary.calendarName->empty())
                    title = *summary.calendarName;
                calendar->title = title;
                std::optional<Color> color;
                if (collection.colorText)
                    color = parseColor(*collection.colorText);
                if (!color && summary.calendarColor)
                    color = parseColor(*summary.calendarColor);
                calendar->color = color.value_or(paletteColor(calendar->calendarIdentifier));
                calendar->entityType = type;
                calendar->type = collection.calendarKind == "birthdays" ? CalendarType::birthday
                    : collection.calendarKind == "holidays"             ? CalendarType::subscription
                                                                        : CalendarType::local;
                calendar->isSubscribedHolidayCalendar = collection.calendarKind == "holidays";
                if (source != scan.sources.end())
                    calendar->source = source->second;
                byId[calendar->calendarIdentifier] = { collection.path, type };
                return calendar;
            };
            // An empty collection is offered as an (empty) calendar.
            if (summary.hasEvents || !summary.hasTodos)
                entry.eventCalendar = makeCalendar(EntityType::event);
            if (summary.hasTodos)
                entry.reminderCalendar = makeCalendar(EntityType::reminder);
            shown.emplace(collection.path, std::move(entry));
        }

        auto same = [](const StoreCalendarPointer& a, const StoreCalendarPointer& b) { return a == b || (a && b && *a == *b); };
        bool changed = shown.size() != collections.size();
        for (auto& [path, entry] : shown) {
            if (changed)
                break;
            auto old = collections.find(path);
            changed = old == collections.end() || old->second.version != entry.version
                || !same(old->second.eventCalendar, entry.eventCalendar) || !same(old->second.reminderCalendar, entry.reminderCalendar);
        }
        // The files' identities are in the index now, and later checks look at the directories
        // only: a large collection's list of files is not kept twice.
        for (auto& collection : scan.collections)
            std::vector<VdirScanner::File>().swap(collection.files);
        layout = std::move(scan);
        if (!changed && scanned)
            return false; // the calendars handed out stay the same objects
        collections = std::move(shown);
        calendarsById = std::move(byId);
        return true;
    }

    // Cheap unless a directory changed: then the roots are scanned again.
    void ensureCurrent()
    {
        withIndex(
            [&](CalendarItemIndex&) {
                if (scanner.mayHaveChanged(layout))
                    refresh();
                return true;
            },
            false);
    }

    // Scans whatever the directories say; returns whether anything the store shows changed
    // (the first scan changes nothing: nobody has seen anything yet).
    bool rescan()
    {
        if (!scanned) {
            ensureCurrent();
            return false;
        }
        return withIndex([&](CalendarItemIndex&) { return refresh(); }, false);
    }

    const ShownCollection* collectionForCalendar(const std::string& identifier, EntityType type) const
    {
        auto found = calendarsById.find(identifier);
        if (found == calendarsById.end() || found->second.second != type)
            return nullptr;
        auto collection = collections.find(found->second.first);
        return collection == collections.end() ? nullptr : &collection->second;
    }

    // The collections of these calendars (or reminder lists), each once.
    std::vector<CalendarItemIndex::View> views(const std::vector<std::string>& calendarIdentifiers, EntityType type) const
    {
        std::vector<CalendarItemIndex::View> result;
        std::set<std::string> seen;
        for (auto& identifier : calendarIdentifiers) {
            if (!seen.insert(identifier).second)
                continue;
            if (auto* collection = collectionForCalendar(identifier, type))
                result.push_back(collection->view());
        }
        return result;
    }

    // --- monitoring ---

    void startMonitoring()
    {
        if (monitoring == Monitoring::off)
            return;
        monitor = std::make_unique<DirectoryMonitor>([weak = weak_from_this()] {
            if (auto state = weak.lock())
                state->rescanAfterChange();
        });
        updateMonitors();
    }

    void updateMonitors()
    {
        if (!monitor)
            return;
        std::set<std::filesystem::path> wanted;
        {
            std::lock_guard lock(mutex);
            for (auto& [directory, identity] : layout.directories)
                wanted.insert(directory);
            for (auto& root : scanner.roots())
                wanted.insert(root.parent_path()); // to notice a root that appears later
        }
        monitor->watch(wanted);
    }

    void rescanAfterChange()
    {
        bool changed;
        {
            std::lock_guard lock(mutex);
            bool wasScanned = scanned;
            changed = rescan() || !wasScanned;
        }
        updateMonitors();
        if (changed)
            NotificationCenter::defaultCenter().post(CalendarStore::changedNotification, owner.load());
    }
};

ICalendarStore::ICalendarStore(std::vector<std::filesystem::path> roots, Monitoring monitoring, Sources sources, ItemIndex itemIndex)
    : ICalendarStore(std::make_shared<State>(std::move(roots), monitoring, sources, std::nullopt, itemIndex))
{
}

ICalendarStore::ICalendarStore(std::shared_ptr<State> state)
    : m_state(std::move(state))
{
    m_state->owner = this;
    if (m_state->monitoring == Monitoring::on) {
        {
            std::lock_guard lock(m_state->mutex);
            m_state->ensureCurrent();
        }
        m_state->startMonitoring();
    }
}

ICalendarStore::~ICalendarStore()
{
    m_state->owner = nullptr;
}

std::unique_ptr<ICalendarStore> ICalendarStore::makeDefault(Monitoring monitoring)
{
    return std::make_unique<ICalendarStore>(StandardPaths::calendarRoots(), monitoring);
}

AuthorizationStatus ICalendarStore::authorizationStatus(EntityType) const
{
    // Missing roots are simply empty; access is denied only when every root that exists
    // cannot be read.
    bool anyExisting = false, anyReadable = false;
    for (auto& root : m_state->scanner.roots()) {
        std::error_code error;
        if (!std::filesystem::exists(root, error))
            continue;
        anyExisting = true;
        if (::access(root.c_str(), R_OK | X_OK) == 0)
            anyReadable = true;
    }
    return !anyExisting || anyReadable ? AuthorizationStatus::fullAccess : AuthorizationStatus::denied;
}

void ICalendarStore::requestFullAccess(EntityType type, AccessCompletion completion)
{
    bool granted = authorizationStatus(type) == AuthorizationStatus::fullAccess;
    DispatchQueue::global().async([completion = std::move(completion), granted] { completion(granted, std::nullopt); });
}

StoreCalendarPointer ICalendarStore::calendar(const std::string& calendarIdentifier) const
{
    std::lock_guard lock(m_state->mutex);
    m_state->ensureCurrent();
    for (auto type : { EntityType::event, EntityType::reminder }) {
        if (auto* collection = m_state->collectionForCalendar(calendarIdentifier, type))
            return type == EntityType::reminder ? collection->reminderCalendar : collection->eventCalendar;
    }
    return nullptr;
}

std::vector<StoreCalendarPointer> ICalendarStore::calendars(EntityType type) const
{
    std::vector<StoreCalendarPointer> result;
    {
        std::lock_guard lock(m_state->mutex);
        m_state->ensureCurrent();
        for (auto& [path, collection] : m_state->collections) {
            auto calendar = type == EntityType::event ? collection.eventCalendar : collection.reminderCalendar;
            if (calendar)
                result.push_back(calendar);
        }
    }
    std::stable_sort(result.begin(), result.end(), StoreOrdering::calendars);
    return result;
}

std::optional<StoreEvent> ICalendarStore::event(const std::string& eventIdentifier) const
{
    auto colon = eventIdentifier.find(':');
    if (colon == std::string::npos)
        return std::nullopt;
    std::string calendarIdentifier = eventIdentifier.substr(0, colon);
    std::string uid = eventIdentifier.substr(colon + 1);
    std::lock_guard lock(m_state->mutex);
    m_state->ensureCurrent();
    return m_state->withIndex(
        [&](CalendarItemIndex& index) -> std::optional<StoreEvent> {
            const ShownCollection* collection = m_state->collectionForCalendar(calendarIdentifier, EntityType::event);
            return collection ? index.event(collection->view(), uid) : std::nullopt;
        },
        std::optional<StoreEvent>());
}

std::optional<CalendarItem> ICalendarStore::calendarItem(const std::string& calendarItemIdentifier) const
{
    // Everything under one hold of the lock: a rescan replaces the collections.
    std::lock_guard lock(m_state->mutex);
    m_state->ensureCurrent();
    return m_state->withIndex(
        [&](CalendarItemIndex& index) {
            return index.calendarItem(calendarItemIdentifier, [&](const std::string& key) -> std::optional<CalendarItemIndex::View> {
                auto found = m_state->collections.find(key);
                if (found == m_state->collections.end())
                    return std::nullopt;
                return found->second.view();
            });
        },
        std::optional<CalendarItem>());
}

std::vector<StoreEvent> ICalendarStore::events(const EventPredicate& predicate) const
{
    std::vector<StoreEvent> result;
    {
        std::lock_guard lock(m_state->mutex);
        m_state->ensureCurrent();
        result = m_state->withIndex(
            [&](CalendarItemIndex& index) {
                std::vector<StoreEvent> found;
                index.collectEvents(
                    m_state->views(predicate.calendarIdentifiers, EntityType::event), predicate.startDate, predicate.endDate, found);
                return found;
            },
            std::vector<StoreEvent>());
    }
    stableSortLargeValues(result, StoreOrdering::events);
    return result;
}

void ICalendarStore::fetchReminders(const ReminderPredicate& predicate, RemindersCompletion completion)
{
    DispatchQueue::global().async([state = m_state, predicate, completion = std::move(completion)] {
        std::vector<StoreReminder> reminders;
        {
            std::lock_guard lock(state->mutex);
            state->ensureCurrent();
            reminders = state->withIndex(
                [&](CalendarItemIndex& index) {
                    return index.reminders(
                        state->views(predicate.calendarIdentifiers, EntityType::reminder), predicate.startDate, predicate.endDate);
                },
                std::vector<StoreReminder>());
        }
        completion(std::move(reminders));
    });
}

void ICalendarStore::refreshSourcesIfNecessary()
{
    bool changed;
    {
        std::lock_guard lock(m_state->mutex);
        changed = m_state->rescan();
    }
    m_state->updateMonitors();
    if (changed)
        NotificationCenter::defaultCenter().post(CalendarStore::changedNotification, this);
}

std::vector<StoreSource> ICalendarStore::delegateSources() const
{
    return m_state->scanner.delegateSources();
}

std::unique_ptr<CalendarStore> ICalendarStore::makeStore(const std::vector<StoreSource>& sources) const
{
    std::set<std::string> identifiers;
    for (auto& source : sources)
        identifiers.insert(source.sourceIdentifier);
    return std::unique_ptr<CalendarStore>(new ICalendarStore(std::make_shared<State>(
        m_state->scanner.roots(), m_state->monitoring, Sources::delegatedAccounts, std::move(identifiers), m_state->itemIndex)));
}

size_t ICalendarStore::parseCount() const
{
    return m_state->parses;
}

std::optional<std::filesystem::path> ICalendarStore::sharedIndexPath() const
{
    std::lock_guard lock(m_state->mutex);
    if (!m_state->index || m_state->index->path().empty())
        return std::nullopt;
    return m_state->index->path();
}

size_t ICalendarStore::monitoredChangeCount() const
{
    return m_state->monitor ? m_state->monitor->changeCount() : 0;
}

bool ICalendarStore::isRescanPending() const
{
    return m_state->monitor && m_state->monitor->isPending();
}

}

#include "Platform/Calendar/ICalendarStore.hpp"

#include "Platform/Calendar/ICalendarParser.hpp"
#include "Platform/Runtime/CivilTime.hpp"
#include "Platform/Runtime/DispatchQueue.hpp"
#include "Platform/Runtime/FileIdentity.hpp"
#include "Platform/Runtime/IcuEnvironment.hpp"
#include "Platform/Runtime/NotificationCenter.hpp"
#include "Platform/Runtime/PlatformLog.hpp"
#include "Platform/Runtime/StandardPaths.hpp"
#include "Platform/Text/AsciiWhitespace.hpp"

#include <gio/gio.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <sys/stat.h>
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

// Name-based identifiers (UUID version 5 layout over SHA-1), so that a calendar keeps its
// identifier for as long as it stays where it is.
std::string derivedIdentifier(const std::string& name)
{
    GChecksum* checksum = g_checksum_new(G_CHECKSUM_SHA1);
    static constexpr char nameSpace[] = "tarvik.calendar-store";
    g_checksum_update(checksum, reinterpret_cast<const guchar*>(nameSpace), sizeof nameSpace - 1);
    g_checksum_update(checksum, reinterpret_cast<const guchar*>(name.data()), static_cast<gssize>(name.size()));
    guint8 digest[20];
    gsize length = sizeof digest;
    g_checksum_get_digest(checksum, digest, &length);
    g_checksum_free(checksum);
    digest[6] = static_cast<guint8>((digest[6] & 0x0F) | 0x50);
    digest[8] = static_cast<guint8>((digest[8] & 0x3F) | 0x80);
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string text;
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text += '-';
        text += hex[digest[i] >> 4];
        text += hex[digest[i] & 0x0F];
    }
    return text;
}

std::optional<Color> parseColor(std::string text)
{
    text = std::string(trimmedAsciiWhitespace(text));
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

bool hasIcsExtension(const std::filesystem::path& path)
{
    auto extension = path.extension().string();
    std::transform(
        extension.begin(), extension.end(), extension.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".ics";
}

std::vector<std::filesystem::path> sortedEntries(const std::filesystem::path& directory)
{
    std::vector<std::filesystem::path> entries;
    std::error_code error;
    std::filesystem::directory_iterator iterator(directory, std::filesystem::directory_options::skip_permission_denied, error);
    if (error)
        return entries;
    for (const auto& entry : iterator) {
        auto name = entry.path().filename().string();
        if (!name.empty() && name.front() == '.')
            continue;
        entries.push_back(entry.path());
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

bool holdsCalendarFiles(const std::filesystem::path& directory)
{
    std::error_code error;
    if (std::filesystem::exists(directory / "displayname", error) || std::filesystem::exists(directory / "color", error))
        return true;
    for (auto& entry : sortedEntries(directory)) {
        if (hasIcsExtension(entry) && std::filesystem::is_regular_file(entry, error))
            return true;
    }
    return false;
}

// A directory under a root is a collection when it carries vdir metadata, or holds `.ics`
// files and no subdirectory that does; otherwise it is an account whose subdirectories are
// the collections.
bool isCollectionDirectory(const std::filesystem::path& directory)
{
    std::error_code error;
    if (std::filesystem::exists(directory / "displayname", error) || std::filesystem::exists(directory / "color", error))
        return true;
    if (!holdsCalendarFiles(directory))
        return false;
    for (auto& entry : sortedEntries(directory)) {
        if (std::filesystem::is_directory(entry, error) && holdsCalendarFiles(entry))
            return false;
    }
    return true;
}

StoreParticipantStatus participantStatus(const std::optional<std::string>& value)
{
    if (!value)
        return StoreParticipantStatus::pending; // RFC 5545: NEEDS-ACTION is the default
    static const std::map<std::string, StoreParticipantStatus> table {
        { "NEEDS-ACTION", StoreParticipantStatus::pending },
        { "ACCEPTED", StoreParticipantStatus::accepted },
        { "DECLINED", StoreParticipantStatus::declined },
        { "TENTATIVE", StoreParticipantStatus::tentative },
        { "DELEGATED", StoreParticipantStatus::delegated },
        { "COMPLETED", StoreParticipantStatus::completed },
        { "IN-PROCESS", StoreParticipantStatus::inProcess },
    };
    auto found = table.find(*value);
    return found == table.end() ? StoreParticipantStatus::unknown : found->second;
}

ParticipantRole participantRole(const std::optional<std::string>& value, ParticipantRole fallback)
{
    if (!value)
        return fallback;
    if (*value == "CHAIR")
        return ParticipantRole::chair;
    if (*value == "REQ-PARTICIPANT")
        return ParticipantRole::required;
    if (*value == "OPT-PARTICIPANT")
        return ParticipantRole::optional;
    if (*value == "NON-PARTICIPANT")
        return ParticipantRole::nonParticipant;
    return ParticipantRole::unknown;
}

std::string lowercased(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::optional<std::string> mailAddress(const std::optional<std::string>& uri)
{
    if (!uri || uri->size() <= 7 || lowercased(uri->substr(0, 7)) != "mailto:")
        return std::nullopt;
    return uri->substr(7);
}

StoreParticipant makeParticipant(const ParsedParticipant& parsed, ParticipantRole fallbackRole, const StoreSource& source)
{
    StoreParticipant participant;
    participant.name = parsed.commonName;
    participant.url = parsed.address;
    participant.role = participantRole(parsed.role, fallbackRole);
    participant.status = participantStatus(parsed.participationStatus);
    auto email = mailAddress(parsed.address);
    participant.contactPredicate = ContactPredicate { email, parsed.commonName };
    if (email) {
        for (auto& owner : source.ownerAddresses) {
            auto ownerEmail = mailAddress(owner);
            if (lowercased(ownerEmail.value_or(owner)) == lowercased(*email)) {
                participant.isCurrentUser = true;
                break;
            }
        }
    }
    return participant;
}

DateComponents components(const CalendarTime& time)
{
    DateComponents result;
    result.year = time.year;
    result.month = time.month;
    result.day = time.day;
    if (!time.isDate) {
        result.hour = time.hour;
        result.minute = time.minute;
        result.second = time.second;
        if (time.zone == CalendarTime::Zone::utc)
            result.timeZone = "UTC";
        else if (time.zone == CalendarTime::Zone::named)
            result.timeZone = time.zoneName;
    }
    return result;
}

CalendarTime nextDay(const CalendarTime& date, int days)
{
    CivilTime civil { date.year, static_cast<unsigned>(date.month), static_cast<unsigned>(date.day), 0, 0, 0 };
    auto next = CivilTime::fromSecondsSince1970(civil.secondsSince1970() + 86400LL * days);
    CalendarTime result = date;
    result.year = static_cast<int>(next.year);
    result.month = static_cast<int>(next.month);
    result.day = static_cast<int>(next.day);
    return result;
}

int daysBetween(const CalendarTime& from, const CalendarTime& to)
{
    CivilTime a { from.year, static_cast<unsigned>(from.month), static_cast<unsigned>(from.day), 0, 0, 0 };
    CivilTime b { to.year, static_cast<unsigned>(to.month), static_cast<unsigned>(to.day), 0, 0, 0 };
    return static_cast<int>((b.secondsSince1970() - a.secondsSince1970()) / 86400);
}

}

bool sameContents(const ParsedCalendarFile& a, const ParsedCalendarFile& b)
{
    if (a.items != b.items || a.calendarName != b.calendarName || a.calendarColor != b.calendarColor || a.skipped != b.skipped)
        return false;
    if (a.customZones.size() != b.customZones.size())
        return false;
    for (auto& [name, zone] : a.customZones) {
        if (!b.customZones.contains(name))
            return false;
    }
    return true;
}

// One parsed file and the instants of its items, computed once per parse.
struct LoadedFile {
    FileIdentity identity;
    std::shared_ptr<const ParsedCalendarFile> parsed;
};

struct IndexedEvent {
    std::shared_ptr<const ParsedCalendarFile> file;
    const ParsedItem* item = nullptr;
    Date start;
    Date end;
    bool allDay = false;
    int allDayLength = 1; // days, for all-day events
    /// The instant of the item's RECURRENCE-ID, for an occurrence that overrides its series'.
    std::optional<Date> recurrence;
};

struct Collection {
    std::filesystem::path path;
    bool singleFile = false;
    std::filesystem::path sourcePath;
    std::map<std::filesystem::path, LoadedFile> files;
    std::optional<std::string> displayName;
    std::optional<std::string> colorText;
    std::string calendarKind; // from collection.json
    StoreCalendarPointer eventCalendar;
    StoreCalendarPointer reminderCalendar;

    std::vector<IndexedEvent> singles; // by start
    TimeInterval longestSingle = 0;
    std::vector<IndexedEvent> series;
    std::map<std::string, std::vector<IndexedEvent>> overrides; // by UID

    // Occurrence starts of each series over a horizon wider than the last query's window, so
    // that the queries of a widget refresh (the same window, moved on by a minute) expand
    // nothing again. Rebuilt with the collection whenever one of its files changes.
    struct Expansion {
        Date from;
        Date to;
        std::vector<std::pair<CalendarTime, Date>> starts;
        bool complete = true;
    };
    mutable std::vector<std::optional<Expansion>> expansions;
    std::vector<std::pair<std::shared_ptr<const ParsedCalendarFile>, const ParsedItem*>> todos;
};

struct ICalendarStore::State : std::enable_shared_from_this<ICalendarStore::State> {
    std::vector<std::filesystem::path> roots;
    Monitoring monitoring = Monitoring::off;
    Sources sources = Sources::ownAccounts;
    std::optional<std::set<std::string>> onlySourceIdentifiers;
    std::string localZone;
    std::atomic<const void*> owner { nullptr };

    mutable std::mutex mutex;
    mutable bool scanned = false;
    mutable std::map<std::filesystem::path, Collection> collections;
    mutable std::map<std::filesystem::path, StoreSource> sourcesByPath;
    mutable std::map<std::filesystem::path, std::optional<FileIdentity>> watchedDirectories;
    mutable std::map<std::string, std::pair<std::filesystem::path, bool>> calendarsById; // id → collection, isReminderList
    mutable std::map<std::string, std::pair<std::filesystem::path, std::string>> itemsById; // calendar item id → collection, UID
    mutable std::atomic<size_t> parses { 0 };
    /// Files named once already for holding a UID that another file of their calendar holds.
    mutable std::set<std::string> reportedSecondFiles;

    mutable std::mutex monitorMutex;
    std::map<std::filesystem::path, GFileMonitor*> monitors;
    GSource* debounce = nullptr;
    std::atomic<size_t> monitoredChanges { 0 };

    ~State()
    {
        std::lock_guard lock(monitorMutex);
        for (auto& [path, monitor] : monitors) {
            g_file_monitor_cancel(monitor);
            g_object_unref(monitor);
        }
        if (debounce) {
            g_source_destroy(debounce);
            g_source_unref(debounce);
        }
    }

    // --- scanning (callers hold `mutex`) ---

    StoreSource readSource(const std::filesystem::path& directory, bool isRoot) const
    {
        StoreSource source;
        source.sourceIdentifier = derivedIdentifier("source:" + directory.string());
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

    bool includes(const StoreSource& source) const
    {
        if (onlySourceIdentifiers)
            return onlySourceIdentifiers->contains(source.sourceIdentifier);
        return sources == Sources::ownAccounts ? !source.isDelegate : source.isDelegate;
    }

    LoadedFile load(const std::filesystem::path& file, const FileIdentity& identity, const Collection* previous) const
    {
        if (previous) {
            if (auto found = previous->files.find(file); found != previous->files.end() && found->second.identity == identity)
                return found->second;
        }
        LoadedFile loaded { identity, std::make_shared<ParsedCalendarFile>() };
        ++parses;
        if (static_cast<size_t>(identity.size) > ICalendarParser::maximumFileSize) {
            PlatformLog::warning(logCategory, file.string() + ": skipped, larger than 64 MiB");
            return loaded;
        }
        auto text = readSmallFile(file, ICalendarParser::maximumFileSize);
        if (!text) {
            PlatformLog::warning(logCategory, file.string() + ": skipped, cannot be read");
            return loaded;
        }
        auto parsed = ICalendarParser::parse(*text);
        if (parsed && previous) {
            // A file that was saved again with the same contents keeps its parse, so nothing
            // downstream sees a change.
            if (auto found = previous->files.find(file); found != previous->files.end() && sameContents(*found->second.parsed, *parsed))
                return LoadedFile { identity, found->second.parsed };
        }
        if (!parsed) {
            PlatformLog::warning(logCategory, file.string() + ": skipped, " + parsed.error());
            return loaded;
        }
        if (!parsed->skipped.empty()) {
            std::string message = file.string() + ": skipped ";
            for (size_t i = 0; i < parsed->skipped.size(); ++i)
                message += (i ? "; " : "") + parsed->skipped[i];
            PlatformLog::warning(logCategory, message);
        }
        loaded.parsed = std::make_shared<ParsedCalendarFile>(std::move(*parsed));
        return loaded;
    }

    void addCollection(std::map<std::filesystem::path, Collection>& into, const std::filesystem::path& path, bool singleFile,
        const std::filesystem::path& sourcePath) const
    {
        Collection collection;
        collection.path = path;
        collection.singleFile = singleFile;
        collection.sourcePath = sourcePath;
        auto previous = collections.find(path);
        const Collection* old = previous == collections.end() ? nullptr : &previous->second;
        std::vector<std::filesystem::path> files;
        if (singleFile) {
            files.push_back(path);
        } else {
            if (auto name = readSmallFile(path / "displayname", 4096))
                collection.displayName = std::string(trimmedAsciiWhitespace(*name));
            if (auto color = readSmallFile(path / "color", 256))
                collection.colorText = std::string(trimmedAsciiWhitespace(*color));
            if (auto meta = readSmallFile(path / "collection.json", 64 * 1024)) {
                auto json = nlohmann::json::parse(*meta, nullptr, false);
                if (json.is_object() && json.contains("type") && json["type"].is_string())
                    collection.calendarKind = json["type"].get<std::string>();
            }
            for (auto& entry : sortedEntries(path)) {
                std::error_code error;
                if (hasIcsExtension(entry) && std::filesystem::is_regular_file(entry, error))
                    files.push_back(entry);
            }
        }
        for (auto& file : files) {
            auto identity = identityOf(file);
            if (!identity)
                continue;
            collection.files.emplace(file, load(file, *identity, old));
        }
        into.emplace(path, std::move(collection));
    }

    void watch(std::map<std::filesystem::path, std::optional<FileIdentity>>& into, const std::filesystem::path& directory) const
    {
        into[directory] = identityOf(directory);
    }

    // Walks the roots again, reusing every file whose identity did not change. Returns whether
    // anything the store shows changed.
    bool rescan() const
    {
        std::map<std::filesystem::path, Collection> found;
        std::map<std::filesystem::path, StoreSource> foundSources;
        std::map<std::filesystem::path, std::optional<FileIdentity>> watched;

        for (auto& root : roots) {
            std::error_code error;
            if (!std::filesystem::is_directory(root, error))
                continue;
            watch(watched, root);
            StoreSource rootSource = readSource(root, true);
            bool rootIncluded = includes(rootSource);
            for (auto& entry : sortedEntries(root)) {
                if (std::filesystem::is_directory(entry, error)) {
                    if (isCollectionDirectory(entry)) {
                        if (!rootIncluded)
                            continue;
                        foundSources[root] = rootSource;
                        watch(watched, entry);
                        addCollection(found, entry, false, root);
                        continue;
                    }
                    StoreSource source = readSource(entry, false);
                    if (!includes(source))
                        continue;
                    foundSources[entry] = source;
                    watch(watched, entry);
                    for (auto& child : sortedEntries(entry)) {
                        if (std::filesystem::is_directory(child, error)) {
                            if (!isCollectionDirectory(child))
                                continue;
                            watch(watched, child);
                            addCollection(found, child, false, entry);
                        } else if (hasIcsExtension(child) && std::filesystem::is_regular_file(child, error)) {
                            addCollection(found, child, true, entry);
                        }
                    }
                } else if (rootIncluded && hasIcsExtension(entry) && std::filesystem::is_regular_file(entry, error)) {
                    foundSources[root] = rootSource;
                    addCollection(found, entry, true, root);
                }
            }
        }

        bool changed = found.size() != collections.size() || foundSources != sourcesByPath;
        if (!changed) {
            for (auto& [path, collection] : found) {
                auto old = collections.find(path);
                if (old == collections.end() || old->second.files.size() != collection.files.size()
                    || old->second.displayName != collection.displayName || old->second.colorText != collection.colorText
                    || old->second.calendarKind != collection.calendarKind) {
                    changed = true;
                    break;
                }
                for (auto& [file, loaded] : collection.files) {
                    auto oldFile = old->second.files.find(file);
                    if (oldFile == old->second.files.end() || oldFile->second.parsed != loaded.parsed) {
                        changed = true;
                        break;
                    }
                }
                if (changed)
                    break;
            }
        }
        watchedDirectories = std::move(watched);
        if (!changed && scanned) {
            // Nothing shows differently, but a file touched without a change has a new
            // identity: keep it, or every later rescan would parse that file again.
            for (auto& [path, collection] : found) {
                for (auto& [file, loaded] : collection.files)
                    collections.at(path).files.at(file).identity = loaded.identity;
            }
            return false;
        }

        sourcesByPath = std::move(foundSources);
        collections = std::move(found);
        calendarsById.clear();
        itemsById.clear();
        for (auto& [path, collection] : collections)
            index(collection);
        return true;
    }

    void index(Collection& collection) const
    {
        const StoreSource& source = sourcesByPath.at(collection.sourcePath);
        bool hasEvents = false, hasTodos = false;
        std::optional<std::string> fileName, fileColor;
        for (auto& [path, loaded] : collection.files) {
            for (auto& item : loaded.parsed->items) {
                hasEvents = hasEvents || item.kind == ParsedItem::Kind::event;
                hasTodos = hasTodos || item.kind == ParsedItem::Kind::todo;
            }
            if (!fileName)
                fileName = loaded.parsed->calendarName;
            if (!fileColor)
                fileColor = loaded.parsed->calendarColor;
        }
        if (!hasEvents && !hasTodos)
            hasEvents = true; // an empty collection is offered as an (empty) calendar

        auto makeCalendar = [&](EntityType entityType) {
            auto calendar = std::make_shared<StoreCalendar>();
            calendar->calendarIdentifier
                = derivedIdentifier(std::string(entityType == EntityType::event ? "events:" : "reminders:") + collection.path.string());
            std::string title = collection.singleFile ? collection.path.stem().string() : collection.path.filename().string();
            if (collection.displayName && !collection.displayName->empty())
                title = *collection.displayName;
            else if (fileName && !fileName->empty())
                title = *fileName;
            calendar->title = title;
            std::optional<Color> color;
            if (collection.colorText)
                color = parseColor(*collection.colorText);
            if (!color && fileColor)
                color = parseColor(*fileColor);
            calendar->color = color.value_or(paletteColor(calendar->calendarIdentifier));
            calendar->entityType = entityType;
            calendar->type = collection.calendarKind == "birthdays" ? CalendarType::birthday
                : collection.calendarKind == "holidays"             ? CalendarType::subscription
                                                                    : CalendarType::local;
            calendar->isSubscribedHolidayCalendar = collection.calendarKind == "holidays";
            calendar->source = source;
            calendarsById[calendar->calendarIdentifier] = { collection.path, entityType == EntityType::reminder };
            return calendar;
        };
        if (hasEvents)
            collection.eventCalendar = makeCalendar(EntityType::event);
        if (hasTodos)
            collection.reminderCalendar = makeCalendar(EntityType::reminder);

        auto items = oneCopyOfEachItem(collection);
        std::set<std::string> seriesUids;
        for (auto& [file, item] : items) {
            if (item->kind == ParsedItem::Kind::event && !item->recurrenceId && (item->recurrenceRule || !item->recurrenceDates.empty()))
                seriesUids.insert(item->uid);
        }
        for (auto& [file, item] : items) {
            if (item->kind == ParsedItem::Kind::todo) {
                collection.todos.emplace_back(file, item);
                itemsById[derivedIdentifier(collection.reminderCalendar->calendarIdentifier + "\n" + item->uid)]
                    = { collection.path, item->uid };
                continue;
            }
            auto indexed = placeEvent(file, *item);
            if (!indexed)
                continue;
            itemsById[derivedIdentifier(collection.eventCalendar->calendarIdentifier + "\n" + item->uid)] = { collection.path, item->uid };
            if (item->recurrenceId && seriesUids.contains(item->uid)) {
                collection.overrides[item->uid].push_back(*indexed);
            } else if (!item->recurrenceId && seriesUids.contains(item->uid)) {
                collection.series.push_back(*indexed);
            } else {
                collection.singles.push_back(*indexed);
                collection.longestSingle = std::max(collection.longestSingle, indexed->end - indexed->start);
            }
        }
        std::stable_sort(collection.singles.begin(), collection.singles.end(), [](auto& a, auto& b) { return a.start < b.start; });
    }

    using FileItem = std::pair<std::shared_ptr<const ParsedCalendarFile>, const ParsedItem*>;

    /// The items the collection shows, one copy of each, in the order of files and items. RFC
    /// 5545 gives a calendar one component per UID, plus one per overridden occurrence:
    /// - a UID that two files hold is read from the first file by path, and the other file
    ///   is named in the log once;
    /// - of two copies in that file (of a series, of an event, or of one occurrence's
    ///   override), the one with the higher SEQUENCE wins, then the later DTSTAMP, then the
    ///   first; a to-do is one copy whatever its RECURRENCE-ID.
    std::vector<FileItem> oneCopyOfEachItem(const Collection& collection) const
    {
        std::map<std::pair<ParsedItem::Kind, std::string>, const std::filesystem::path*> owners;
        for (auto& [path, loaded] : collection.files) {
            for (auto& item : loaded.parsed->items) {
                auto [owner, first] = owners.emplace(std::pair(item.kind, item.uid), &path);
                if (!first && *owner->second != path)
                    reportSecondFile(collection, item.uid, path, *owner->second);
            }
        }
        using Copy = std::tuple<ParsedItem::Kind, std::string, std::optional<double>>;
        auto copyOf = [&](const ParsedCalendarFile& file, const ParsedItem& item) {
            std::optional<double> occurrence;
            if (item.kind == ParsedItem::Kind::event && item.recurrenceId) {
                auto instant = ICalendarParser::instant(*item.recurrenceId, file, localZone);
                occurrence = instant ? instant->timeIntervalSince1970() : std::numeric_limits<double>::lowest();
            }
            return Copy { item.kind, item.uid, occurrence };
        };
        auto supersedes = [](const ParsedItem& candidate, const ParsedItem& chosen) {
            if (candidate.kind == ParsedItem::Kind::todo && candidate.recurrenceId.has_value() != chosen.recurrenceId.has_value())
                return !candidate.recurrenceId;
            if (candidate.sequence != chosen.sequence)
                return candidate.sequence > chosen.sequence;
            auto stamp = [](const ParsedItem& item) {
                return item.stamp ? std::tuple(true, item.stamp->year, item.stamp->month, item.stamp->day, item.stamp->hour,
                           item.stamp->minute, item.stamp->second)
                                  : std::tuple(false, 0, 0, 0, 0, 0, 0);
            };
            return stamp(candidate) > stamp(chosen);
        };
        std::map<Copy, const ParsedItem*> chosen;
        for (auto& [path, loaded] : collection.files) {
            for (auto& item : loaded.parsed->items) {
                if (*owners.at({ item.kind, item.uid }) != path)
                    continue;
                auto [current, first] = chosen.emplace(copyOf(*loaded.parsed, item), &item);
                if (!first && supersedes(item, *current->second))
                    current->second = &item;
            }
        }
        std::vector<FileItem> result;
        for (auto& [path, loaded] : collection.files) {
            for (auto& item : loaded.parsed->items) {
                if (*owners.at({ item.kind, item.uid }) == path && chosen.at(copyOf(*loaded.parsed, item)) == &item)
                    result.emplace_back(loaded.parsed, &item);
            }
        }
        return result;
    }

    void reportSecondFile(
        const Collection& collection, const std::string& uid, const std::filesystem::path& skipped, const std::filesystem::path& read) const
    {
        if (!reportedSecondFiles.insert(collection.path.string() + "\n" + uid + "\n" + skipped.string()).second)
            return;
        PlatformLog::warning(logCategory,
            skipped.string() + ": skipped the items with UID \"" + uid + "\", which " + read.filename().string()
                + " in the same calendar holds too");
    }

    std::optional<IndexedEvent> placeEvent(const std::shared_ptr<const ParsedCalendarFile>& file, const ParsedItem& item) const
    {
        if (!item.start)
            return std::nullopt;
        auto start = ICalendarParser::instant(*item.start, *file, localZone);
        if (!start)
            return std::nullopt;
        IndexedEvent indexed { file, &item, *start, *start, item.start->isDate, 1, std::nullopt };
        if (item.recurrenceId)
            indexed.recurrence = ICalendarParser::instant(*item.recurrenceId, *file, localZone);
        if (indexed.allDay) {
            int days = 1;
            if (item.end && item.end->isDate)
                days = std::max(1, daysBetween(*item.start, *item.end));
            else if (item.duration)
                days = std::max(1, static_cast<int>(std::ceil(*item.duration / 86400.0)));
            indexed.allDayLength = days;
            if (auto end = ICalendarParser::instant(nextDay(*item.start, days), *file, localZone))
                indexed.end = *end - 1;
        } else if (item.end) {
            if (auto end = ICalendarParser::instant(*item.end, *file, localZone))
                indexed.end = std::max(*end, *start);
        } else if (item.duration) {
            indexed.end = *start + std::max(0.0, *item.duration);
        }
        return indexed;
    }

    void ensureCurrent() const
    {
        if (!scanned) {
            rescan();
            scanned = true;
            return;
        }
        bool directoriesChanged = false;
        for (auto& [directory, identity] : watchedDirectories) {
            if (identityOf(directory) != identity) {
                directoriesChanged = true;
                break;
            }
        }
        if (!directoriesChanged) {
            for (auto& root : roots) {
                if (!watchedDirectories.contains(root) && std::filesystem::is_directory(root)) {
                    directoriesChanged = true;
                    break;
                }
            }
        }
        if (directoriesChanged)
            rescan();
    }

    // --- building results (callers hold `mutex`) ---

    StoreEvent materialize(const Collection& collection, const IndexedEvent& indexed, Date start, Date end,
        std::optional<Date> occurrenceDate, bool detached, bool recurring) const
    {
        const ParsedItem& item = *indexed.item;
        StoreEvent event;
        event.calendar = collection.eventCalendar;
        event.eventIdentifier = collection.eventCalendar->calendarIdentifier + ":" + item.uid;
        event.calendarItemIdentifier = derivedIdentifier(collection.eventCalendar->calendarIdentifier + "\n" + item.uid);
        event.startDate = start;
        event.endDate = end;
        event.title = item.summary;
        event.location = item.location;
        event.notes = item.description;
        event.url = item.url;
        event.hasRecurrenceRules = recurring;
        event.occurrenceDate = occurrenceDate.value_or(start);
        event.isAllDay = indexed.allDay;
        event.status = item.status == "CANCELLED" ? EventStatus::canceled
            : item.status == "TENTATIVE"          ? EventStatus::tentative
            : item.status == "CONFIRMED"          ? EventStatus::confirmed
                                                  : EventStatus::none;
        event.isDetached = detached;
        const StoreSource& source = collection.eventCalendar->source;
        if (item.organizer)
            event.organizer = makeParticipant(*item.organizer, ParticipantRole::chair, source);
        for (auto& attendee : item.attendees)
            event.attendees.push_back(makeParticipant(attendee, ParticipantRole::required, source));
        for (auto& alarm : item.alarms) {
            StoreAlarm storeAlarm;
            if (alarm.absoluteTime)
                storeAlarm.absoluteDate = ICalendarParser::instant(*alarm.absoluteTime, *indexed.file, localZone);
            else if (alarm.relativeOffset)
                storeAlarm.relativeOffset = *alarm.relativeOffset + (alarm.relativeToEnd ? end - start : 0);
            event.alarms.push_back(storeAlarm);
        }
        event.travelTime = item.travelTime;
        return event;
    }

    void collectEvents(const Collection& collection, Date windowStart, Date windowEnd, std::vector<StoreEvent>& out) const
    {
        auto overlaps = [&](Date start, Date end) { return start <= windowEnd && end >= windowStart; };

        // Events that do not recur: sorted by start, so only those starting between the window
        // start minus the longest duration and the window end need a look.
        auto first = std::lower_bound(collection.singles.begin(), collection.singles.end(), windowStart - collection.longestSingle,
            [](const IndexedEvent& event, Date date) { return event.start < date; });
        for (auto it = first; it != collection.singles.end() && it->start <= windowEnd; ++it) {
            if (overlaps(it->start, it->end)) {
                bool detached = it->item->recurrenceId.has_value();
                out.push_back(materialize(collection, *it, it->start, it->end, it->recurrence, detached, detached));
            }
        }

        if (collection.expansions.size() != collection.series.size())
            collection.expansions.assign(collection.series.size(), std::nullopt);
        for (size_t index = 0; index < collection.series.size(); ++index) {
            const IndexedEvent& master = collection.series[index];
            const ParsedItem& item = *master.item;
            std::map<double, const IndexedEvent*> overridden;
            if (auto found = collection.overrides.find(item.uid); found != collection.overrides.end()) {
                for (auto& override : found->second) {
                    auto& recurrence = override.recurrence;
                    if (!recurrence)
                        continue;
                    overridden[recurrence->timeIntervalSince1970()] = &override;
                    if (overlaps(override.start, override.end))
                        out.push_back(materialize(collection, override, override.start, override.end, recurrence, true, true));
                }
            }
            TimeInterval duration = master.end - master.start;
            auto& expansion = collection.expansions[index];
            if (!expansion || windowStart < expansion->from || windowEnd > expansion->to) {
                Collection::Expansion fresh;
                fresh.from = windowStart - 86400;
                fresh.to = windowEnd + 14 * 86400;
                fresh.complete = ICalendarParser::expand(item, *master.file, localZone, fresh.from, fresh.to, duration,
                    maximumOccurrencesPerSeries, [&](const CalendarTime& time, Date start) { fresh.starts.emplace_back(time, start); });
                if (!fresh.complete)
                    PlatformLog::warning(logCategory,
                        "the series \"" + item.uid + "\" in " + collection.path.string() + " has too many occurrences; showing the first "
                            + std::to_string(maximumOccurrencesPerSeries));
                expansion = std::move(fresh);
            }
            auto firstStart
                = std::lower_bound(expansion->starts.begin(), expansion->starts.end(), windowStart - std::max(duration, 0.0) - 86400,
                    [](const std::pair<CalendarTime, Date>& entry, Date date) { return entry.second < date; });
            for (auto it = firstStart; it != expansion->starts.end() && it->second <= windowEnd; ++it) {
                auto& [time, start] = *it;
                if (overridden.contains(start.timeIntervalSince1970()))
                    continue;
                Date end = start + duration;
                if (master.allDay) {
                    if (auto next = ICalendarParser::instant(nextDay(time, master.allDayLength), *master.file, localZone))
                        end = *next - 1;
                }
                if (overlaps(start, end))
                    out.push_back(materialize(collection, master, start, end, start, false, true));
            }
        }
    }

    /// A series as its first occurrence, or the event itself.
    std::optional<StoreEvent> eventWithUid(const Collection& collection, const std::string& uid) const
    {
        for (auto& master : collection.series) {
            if (master.item->uid == uid)
                return materialize(collection, master, master.start, master.end, master.start, false, true);
        }
        for (auto& single : collection.singles) {
            if (single.item->uid == uid) {
                bool detached = single.item->recurrenceId.has_value();
                return materialize(collection, single, single.start, single.end, std::nullopt, detached, detached);
            }
        }
        return std::nullopt;
    }

    StoreReminder makeReminder(const Collection& collection, const ParsedCalendarFile& file, const ParsedItem& item) const
    {
        StoreReminder reminder;
        reminder.calendar = collection.reminderCalendar;
        reminder.calendarItemIdentifier = derivedIdentifier(collection.reminderCalendar->calendarIdentifier + "\n" + item.uid);
        if (item.due) {
            reminder.dueDateComponents = components(*item.due);
            reminder.dueDate = ICalendarParser::instant(*item.due, file, localZone);
        }
        if (item.start)
            reminder.startDateComponents = components(*item.start);
        reminder.isCompleted = item.isCompleted;
        if (!item.alarms.empty()) {
            std::vector<StoreAlarm> alarms;
            for (auto& alarm : item.alarms) {
                StoreAlarm storeAlarm;
                if (alarm.absoluteTime)
                    storeAlarm.absoluteDate = ICalendarParser::instant(*alarm.absoluteTime, file, localZone);
                else
                    storeAlarm.relativeOffset = alarm.relativeOffset;
                alarms.push_back(storeAlarm);
            }
            reminder.alarms = std::move(alarms);
        }
        reminder.title = item.summary;
        reminder.location = item.location;
        reminder.notes = item.description;
        reminder.hasRecurrenceRules = item.recurrenceRule.has_value();
        return reminder;
    }

    const Collection* collectionForCalendar(const std::string& identifier, bool reminders) const
    {
        auto found = calendarsById.find(identifier);
        if (found == calendarsById.end() || found->second.second != reminders)
            return nullptr;
        auto collection = collections.find(found->second.first);
        return collection == collections.end() ? nullptr : &collection->second;
    }

    std::vector<StoreReminder> reminders(const ReminderPredicate& predicate) const
    {
        std::lock_guard lock(mutex);
        ensureCurrent();
        std::vector<StoreReminder> result;
        for (auto& identifier : predicate.calendarIdentifiers) {
            const Collection* collection = collectionForCalendar(identifier, true);
            if (!collection)
                continue;
            for (auto& [file, item] : collection->todos) {
                if (item->isCompleted)
                    continue;
                auto reminder = makeReminder(*collection, *file, *item);
                if (predicate.startDate || predicate.endDate) {
                    if (!reminder.dueDate)
                        continue;
                    if (predicate.startDate && *reminder.dueDate < *predicate.startDate)
                        continue;
                    if (predicate.endDate && *reminder.dueDate > *predicate.endDate)
                        continue;
                }
                result.push_back(std::move(reminder));
            }
        }
        std::stable_sort(result.begin(), result.end(), [](const StoreReminder& a, const StoreReminder& b) {
            if (a.dueDate != b.dueDate)
                return a.dueDate < b.dueDate;
            return a.calendarItemIdentifier < b.calendarItemIdentifier;
        });
        return result;
    }

    // --- monitoring ---

    void updateMonitors()
    {
        if (monitoring == Monitoring::off)
            return;
        std::set<std::filesystem::path> wanted;
        {
            std::lock_guard lock(mutex);
            for (auto& [directory, identity] : watchedDirectories)
                wanted.insert(directory);
            for (auto& root : roots)
                wanted.insert(root.parent_path()); // to notice a root that appears later
        }
        std::lock_guard lock(monitorMutex);
        for (auto it = monitors.begin(); it != monitors.end();) {
            if (wanted.contains(it->first)) {
                ++it;
                continue;
            }
            g_file_monitor_cancel(it->second);
            g_object_unref(it->second);
            it = monitors.erase(it);
        }
        for (auto& directory : wanted) {
            if (monitors.contains(directory))
                continue;
            GFile* file = g_file_new_for_path(directory.c_str());
            GFileMonitor* monitor = g_file_monitor_directory(file, G_FILE_MONITOR_WATCH_MOVES, nullptr, nullptr);
            g_object_unref(file);
            if (!monitor)
                continue;
            auto* weak = new std::weak_ptr<State>(weak_from_this());
            g_signal_connect_data(
                monitor, "changed", G_CALLBACK(&State::directoryChanged), weak,
                [](gpointer data, GClosure*) { delete static_cast<std::weak_ptr<State>*>(data); }, GConnectFlags(0));
            monitors.emplace(directory, monitor);
        }
    }

    static void directoryChanged(GFileMonitor*, GFile*, GFile*, GFileMonitorEvent, gpointer data)
    {
        auto state = static_cast<std::weak_ptr<State>*>(data)->lock();
        if (!state)
            return;
        ++state->monitoredChanges;
        state->scheduleRescan();
    }

    // A burst of file events (an editor's save, a sync run) is handled once, 200 ms after the
    // last event of the burst.
    void scheduleRescan()
    {
        std::lock_guard lock(monitorMutex);
        if (debounce) {
            g_source_destroy(debounce);
            g_source_unref(debounce);
        }
        debounce = g_timeout_source_new(200);
        auto* weak = new std::weak_ptr<State>(weak_from_this());
        g_source_set_callback(
            debounce,
            [](gpointer data) -> gboolean {
                if (auto state = static_cast<std::weak_ptr<State>*>(data)->lock())
                    state->rescanAfterChange();
                return G_SOURCE_REMOVE;
            },
            weak, [](gpointer data) { delete static_cast<std::weak_ptr<State>*>(data); });
        g_source_attach(debounce, g_main_context_default());
    }

    void rescanAfterChange()
    {
        {
            std::lock_guard lock(monitorMutex);
            if (debounce) {
                g_source_unref(debounce);
                debounce = nullptr;
            }
        }
        bool changed;
        {
            std::lock_guard lock(mutex);
            if (!scanned) {
                rescan();
                scanned = true;
                changed = true;
            } else {
                changed = rescan();
            }
        }
        updateMonitors();
        if (changed)
            NotificationCenter::defaultCenter().post(CalendarStore::changedNotification, owner.load());
    }
};

ICalendarStore::ICalendarStore(std::vector<std::filesystem::path> roots, Monitoring monitoring, Sources sources)
    : m_state(std::make_shared<State>())
{
    m_state->roots = std::move(roots);
    m_state->monitoring = monitoring;
    m_state->sources = sources;
    m_state->localZone = IcuEnvironment::defaultTimeZoneIdentifier();
    m_state->owner = this;
    if (monitoring == Monitoring::on) {
        {
            std::lock_guard lock(m_state->mutex);
            m_state->ensureCurrent();
        }
        m_state->updateMonitors();
    }
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
        m_state->updateMonitors();
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
    for (auto& root : m_state->roots) {
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
    for (bool reminders : { false, true }) {
        if (auto* collection = m_state->collectionForCalendar(calendarIdentifier, reminders))
            return reminders ? collection->reminderCalendar : collection->eventCalendar;
    }
    return nullptr;
}

std::vector<StoreCalendarPointer> ICalendarStore::calendars(EntityType type) const
{
    std::lock_guard lock(m_state->mutex);
    m_state->ensureCurrent();
    std::vector<StoreCalendarPointer> result;
    for (auto& [path, collection] : m_state->collections) {
        auto calendar = type == EntityType::event ? collection.eventCalendar : collection.reminderCalendar;
        if (calendar)
            result.push_back(calendar);
    }
    std::stable_sort(result.begin(), result.end(), [](const StoreCalendarPointer& a, const StoreCalendarPointer& b) {
        return std::tie(a->source.title, a->source.sourceIdentifier, a->title, a->calendarIdentifier)
            < std::tie(b->source.title, b->source.sourceIdentifier, b->title, b->calendarIdentifier);
    });
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
    const Collection* collection = m_state->collectionForCalendar(calendarIdentifier, false);
    if (!collection)
        return std::nullopt;
    return m_state->eventWithUid(*collection, uid);
}

std::optional<CalendarItem> ICalendarStore::calendarItem(const std::string& calendarItemIdentifier) const
{
    // Everything under one hold of the lock: a rescan replaces the collections.
    std::lock_guard lock(m_state->mutex);
    m_state->ensureCurrent();
    auto found = m_state->itemsById.find(calendarItemIdentifier);
    if (found == m_state->itemsById.end())
        return std::nullopt;
    auto owner = m_state->collections.find(found->second.first);
    if (owner == m_state->collections.end())
        return std::nullopt;
    const Collection& collection = owner->second;
    const std::string& uid = found->second.second;
    if (collection.reminderCalendar
        && calendarItemIdentifier == derivedIdentifier(collection.reminderCalendar->calendarIdentifier + "\n" + uid)) {
        for (auto& [file, item] : collection.todos) {
            if (item->uid == uid)
                return CalendarItem(m_state->makeReminder(collection, *file, *item));
        }
        return std::nullopt;
    }
    if (!collection.eventCalendar)
        return std::nullopt;
    if (auto event = m_state->eventWithUid(collection, uid))
        return CalendarItem(std::move(*event));
    return std::nullopt;
}

std::vector<StoreEvent> ICalendarStore::events(const EventPredicate& predicate) const
{
    std::vector<StoreEvent> result;
    {
        std::lock_guard lock(m_state->mutex);
        m_state->ensureCurrent();
        std::set<std::string> seen;
        for (auto& identifier : predicate.calendarIdentifiers) {
            if (!seen.insert(identifier).second)
                continue;
            if (auto* collection = m_state->collectionForCalendar(identifier, false))
                m_state->collectEvents(*collection, predicate.startDate, predicate.endDate, result);
        }
    }
    std::stable_sort(result.begin(), result.end(), [](const StoreEvent& a, const StoreEvent& b) {
        return std::tie(a.startDate, a.eventIdentifier, a.occurrenceDate) < std::tie(b.startDate, b.eventIdentifier, b.occurrenceDate);
    });
    return result;
}

void ICalendarStore::fetchReminders(const ReminderPredicate& predicate, RemindersCompletion completion)
{
    DispatchQueue::global().async(
        [state = m_state, predicate, completion = std::move(completion)] { completion(state->reminders(predicate)); });
}

void ICalendarStore::refreshSourcesIfNecessary()
{
    bool changed;
    {
        std::lock_guard lock(m_state->mutex);
        bool wasScanned = m_state->scanned;
        changed = m_state->rescan() && wasScanned;
        m_state->scanned = true;
    }
    m_state->updateMonitors();
    if (changed)
        NotificationCenter::defaultCenter().post(CalendarStore::changedNotification, this);
}

std::vector<StoreSource> ICalendarStore::delegateSources() const
{
    // Only the accounts' `source.json` files are read; no calendar is parsed for this.
    std::vector<StoreSource> result;
    for (auto& root : m_state->roots) {
        std::error_code error;
        if (!std::filesystem::is_directory(root, error))
            continue;
        for (auto& entry : sortedEntries(root)) {
            if (!std::filesystem::is_directory(entry, error) || isCollectionDirectory(entry))
                continue;
            auto source = m_state->readSource(entry, false);
            if (source.isDelegate)
                result.push_back(std::move(source));
        }
    }
    return result;
}

std::unique_ptr<CalendarStore> ICalendarStore::makeStore(const std::vector<StoreSource>& sources) const
{
    auto state = std::make_shared<State>();
    state->roots = m_state->roots;
    state->monitoring = m_state->monitoring;
    state->sources = Sources::delegatedAccounts;
    state->onlySourceIdentifiers.emplace();
    for (auto& source : sources)
        state->onlySourceIdentifiers->insert(source.sourceIdentifier);
    state->localZone = m_state->localZone;
    return std::unique_ptr<CalendarStore>(new ICalendarStore(std::move(state)));
}

size_t ICalendarStore::parseCount() const
{
    return m_state->parses;
}

size_t ICalendarStore::monitoredChangeCount() const
{
    return m_state->monitoredChanges;
}

bool ICalendarStore::isRescanPending() const
{
    std::lock_guard lock(m_state->monitorMutex);
    return m_state->debounce != nullptr;
}

}

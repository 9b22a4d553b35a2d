#include "Platform/Calendar/CalendarItemIndex.hpp"

#include "Platform/Calendar/CompactItem.hpp"
#include "Platform/Calendar/SqliteDatabase.hpp"
#include "Platform/Calendar/StoreOrdering.hpp"
#include "Platform/Runtime/CivilTime.hpp"
#include "Platform/Runtime/ConcurrentLoop.hpp"
#include "Platform/Runtime/PlatformLog.hpp"
#include "Platform/Runtime/UUID.hpp"
#include "Platform/Text/AsciiCase.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <random>
#include <thread>
#include <unistd.h>

namespace tvk {

namespace {

constexpr char logCategory[] = "Calendar";

// The file's mark ("TVKI") and the layout of its tables; a file of another layout is emptied
// (older) or left to the program that made it (newer).
constexpr std::int64_t applicationId = 0x54564B49;
constexpr std::int64_t schemaVersion = 4;

// Expanding a series takes some tens of microseconds; fewer than this many are not worth a
// thread.
constexpr size_t minimumSeriesPerThread = 16;
// Making an event of an item takes some microseconds (its participants most of them).
constexpr size_t minimumEventsPerThread = 32;

// A writer that builds the index for the first time holds the lock for as long as that takes;
// waiting for it is cheaper than parsing everything again.
constexpr int busyTimeout = 30000;
// Keeping a query's expansions for later processes is worth no wait: when another process
// writes, the next query that expands them keeps them.
constexpr int expansionsBusyTimeout = 20;

constexpr char schema[] = R"(
CREATE TABLE meta (key TEXT PRIMARY KEY, value INTEGER NOT NULL) WITHOUT ROWID;
CREATE TABLE collections (
    id INTEGER PRIMARY KEY,
    key TEXT NOT NULL UNIQUE,
    version INTEGER NOT NULL DEFAULT 0,
    has_events INTEGER NOT NULL DEFAULT 0,
    has_todos INTEGER NOT NULL DEFAULT 0,
    calendar_name TEXT,
    calendar_color TEXT,
    longest_single REAL NOT NULL DEFAULT 0,
    files_digest INTEGER
);
CREATE TABLE files (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    collection INTEGER NOT NULL,
    name TEXT NOT NULL,
    device INTEGER NOT NULL,
    inode INTEGER NOT NULL,
    size INTEGER NOT NULL,
    modified INTEGER NOT NULL,
    changed INTEGER NOT NULL,
    calendar_name TEXT,
    calendar_color TEXT,
    zones TEXT,
    UNIQUE (collection, name)
);
CREATE TABLE items (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    collection INTEGER NOT NULL,
    file INTEGER NOT NULL,
    ordinal INTEGER NOT NULL,
    kind INTEGER NOT NULL,
    uid TEXT NOT NULL,
    occurrence TEXT,
    recurs INTEGER NOT NULL,
    sequence INTEGER NOT NULL,
    stamp INTEGER,
    role INTEGER NOT NULL,
    lo REAL NOT NULL,
    hi REAL NOT NULL,
    completed INTEGER NOT NULL,
    zoned INTEGER NOT NULL,
    identifier_key INTEGER NOT NULL,
    identifier TEXT NOT NULL
);
CREATE TABLE item_data (id INTEGER PRIMARY KEY, data BLOB NOT NULL);
CREATE TABLE expansions (
    item INTEGER PRIMARY KEY,
    context TEXT NOT NULL,
    lo REAL NOT NULL,
    hi REAL NOT NULL,
    complete INTEGER NOT NULL,
    occurrences BLOB NOT NULL
);
CREATE INDEX files_identity ON files (collection, name, device, inode, size, modified, changed);
CREATE INDEX items_window ON items (collection, role, lo, hi);
CREATE INDEX items_uid ON items (collection, kind, uid);
CREATE INDEX items_identifier ON items (identifier_key);
CREATE INDEX items_file ON items (file);
)";

// The tables and indexes of `schema`: a file that has our mark and layout version but not all of
// them is not one this program can use, and is built anew.
constexpr char schemaObjectsQuery[]
    = "SELECT count(*) FROM sqlite_schema WHERE name IN ('meta', 'collections', 'files', 'items', "
      "'item_data', 'expansions', 'files_identity', 'items_window', 'items_uid', 'items_identifier', 'items_file')";
constexpr std::int64_t schemaObjects = 11;

// What an item is in its collection, decided when files change.
enum Role : std::int64_t { undecided = -1, hidden = 0, single = 1, series = 2, overriding = 3, todo = 4 };

// A time without a zone is placed in the zone of the process that asks; until then it is
// somewhere within a day of the same reading in UTC (zones run from UTC-12 to UTC+14).
constexpr double floatingMargin = 2 * 86400;
constexpr double endless = 1e15;

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

std::optional<std::string> mailAddress(const std::optional<std::string>& uri)
{
    if (!uri || uri->size() <= 7 || !equalsIgnoringAsciiCase(uri->substr(0, 7), "mailto:"))
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
            if (equalsIgnoringAsciiCase(ownerEmail.value_or(owner), *email)) {
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

bool isFloating(const std::optional<CalendarTime>& time)
{
    return time && (time->isDate || time->zone == CalendarTime::Zone::floating);
}

bool recurs(const ParsedItem& item)
{
    return item.kind == ParsedItem::Kind::event && !item.recurrenceId && (item.recurrenceRule || !item.recurrenceDates.empty());
}

// DTSTAMP as a number that orders as the readings do; none sorts first.
std::optional<std::int64_t> stampNumber(const std::optional<CalendarTime>& stamp)
{
    if (!stamp)
        return std::nullopt;
    return ((((static_cast<std::int64_t>(stamp->year) * 100 + stamp->month) * 100 + stamp->day) * 100 + stamp->hour) * 100 + stamp->minute)
        * 100
        + stamp->second;
}

// The occurrence an override names, the same whatever zone the process is in: the instant for
// times with a zone, the reading for floating ones.
std::optional<std::string> occurrenceKey(const ParsedItem& item, const ParsedCalendarFile& file)
{
    if (!item.recurrenceId)
        return std::nullopt;
    const CalendarTime& time = *item.recurrenceId;
    if (!time.isDate && time.zone != CalendarTime::Zone::floating) {
        if (auto instant = ICalendarParser::instant(time, file, "UTC"))
            return "I" + std::to_string(static_cast<std::int64_t>(std::floor(instant->timeIntervalSince1970())));
    }
    char reading[32];
    std::snprintf(reading, sizeof reading, "R%04d%02d%02dT%02d%02d%02d%s", time.year, time.month, time.day, time.hour, time.minute,
        time.second, time.isDate ? "D" : "");
    return reading;
}

struct Span {
    double lo = 0;
    double hi = 0;
};

// The identifiers are random-looking UUIDs: an index over a number of them stays small enough
// to be written in place while a large calendar set is read for the first time.
std::int64_t identifierKey(std::string_view identifier)
{
    std::uint64_t hash = 1469598103934665603ull;
    for (char c : identifier)
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return static_cast<std::int64_t>(hash);
}

}

struct CalendarItemIndex::Placement {
    Date start;
    Date end;
    bool allDay = false;
    int allDayLength = 1; // days, for all-day events
};

struct CalendarItemIndex::Decoded {
    std::int64_t id = 0;
    ParsedItem item;
    std::shared_ptr<const ParsedCalendarFile> zones;
    std::optional<Placement> placement;
    /// The instant of the RECURRENCE-ID, for an occurrence that overrides its series'.
    std::optional<Date> recurrence;
};

CalendarItemIndex::CalendarItemIndex(std::unique_ptr<SqliteDatabase> database, std::filesystem::path path, std::string localZone)
    : m_database(std::move(database))
    , m_path(std::move(path))
    , m_localZone(std::move(localZone))
{
}

CalendarItemIndex::~CalendarItemIndex() = default;

std::unique_ptr<CalendarItemIndex> CalendarItemIndex::openShared(const std::filesystem::path& directory, std::string localZone)
{
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    if (error && !std::filesystem::is_directory(directory))
        throw Failure("its directory cannot be made: " + error.message(), false);
    auto path = directory / sharedFileName;
    // SQLite answers "locked" at once, without waiting, where waiting could deadlock: when this
    // connection's read would have to become a write while another process writes, as when two
    // processes make the file and switch it to the write-ahead log together. Opening again from
    // the start is then the way through.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(busyTimeout);
    std::minstd_rand jitter(static_cast<unsigned>(::getpid()));
    for (;;) {
        try {
            std::unique_ptr<CalendarItemIndex> index(
                new CalendarItemIndex(std::make_unique<SqliteDatabase>(path.string()), path, localZone));
            index->prepare(true);
            return index;
        } catch (const SqliteError& sqlite) {
            if (!sqlite.isBusy() || std::chrono::steady_clock::now() > deadline)
                throw Failure(sqlite.what(), sqlite.isDamage());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5 + jitter() % 20));
    }
}

std::unique_ptr<CalendarItemIndex> CalendarItemIndex::openPrivate(std::string localZone, bool inMemory)
{
    try {
        std::unique_ptr<CalendarItemIndex> index(
            new CalendarItemIndex(std::make_unique<SqliteDatabase>(inMemory ? ":memory:" : ""), {}, std::move(localZone)));
        index->prepare(false);
        return index;
    } catch (const SqliteError& sqlite) {
        throw Failure(sqlite.what(), false);
    }
}

void CalendarItemIndex::prepare(bool shared)
{
    if (!shared) {
        m_database->execute("PRAGMA journal_mode = MEMORY; PRAGMA synchronous = OFF");
        createSchema();
        return;
    }
    m_database->setBusyTimeout(busyTimeout);
    std::int64_t id = 0, version = 0, tables = 0;
    bool damaged = false;
    try {
        auto& probe = m_database->statement(
            "SELECT (SELECT application_id FROM pragma_application_id), (SELECT user_version FROM pragma_user_version), "
            "(SELECT count(*) FROM sqlite_schema)");
        probe.step();
        id = probe.integer(0);
        version = probe.integer(1);
        tables = probe.integer(2);
        probe.rewind();
        if (id == applicationId && version == schemaVersion) {
            auto& objects = m_database->statement(schemaObjectsQuery);
            objects.step();
            damaged = objects.integer(0) != schemaObjects;
            objects.rewind();
        }
    } catch (const SqliteError& error) {
        if (!error.isDamage())
            throw;
        damaged = true;
    }
    if (id == applicationId && version > schemaVersion)
        throw Failure("it was made by a newer version of the program", false);
    if (damaged || (id != applicationId && (id != 0 || tables > 0)) || (id == applicationId && version < schemaVersion)) {
        PlatformLog::warning(logCategory,
            m_path.string()
                + (damaged                    ? " is damaged"
                        : id == applicationId ? " has an older layout"
                                              : " is not a calendar index")
                + "; it is built anew");
        m_database->resetToEmpty();
    }
    auto& mode = m_database->statement("PRAGMA journal_mode = WAL");
    if (!mode.step() || !equalsIgnoringAsciiCase(mode.bytes(0), "wal"))
        throw Failure("it cannot be shared (no write-ahead log)", false);
    mode.rewind();
    // A reload reads the files' identities and the window's rows once each, and the series it
    // decoded stay in memory; pages read again come from the system's file cache. SQLite's own
    // cache at its default (2 MB) would be most of a short-lived process's heap.
    m_database->execute("PRAGMA synchronous = NORMAL; PRAGMA journal_size_limit = 8388608; PRAGMA cache_size = -256");
    createSchema();
}

void CalendarItemIndex::createSchema()
{
    SqliteDatabase::Transaction transaction(*m_database, SqliteDatabase::Transaction::Kind::write);
    auto& probe = m_database->statement("SELECT (SELECT application_id FROM pragma_application_id), (SELECT count(*) FROM sqlite_schema)");
    probe.step();
    bool empty = probe.integer(0) == 0 && probe.integer(1) == 0;
    probe.rewind();
    if (empty) {
        m_database->execute(schema);
        std::random_device random;
        auto generation = (static_cast<std::int64_t>(random()) << 31) ^ random();
        m_database->statement("INSERT INTO meta (key, value) VALUES ('generation', ?)").bind(0, generation).run();
        m_database->execute(("PRAGMA application_id = " + std::to_string(applicationId)).c_str());
        m_database->execute(("PRAGMA user_version = " + std::to_string(schemaVersion)).c_str());
    }
    auto& generation = m_database->statement("SELECT value FROM meta WHERE key = 'generation'");
    if (!generation.step())
        throw Failure("it has no generation", true);
    m_generation = generation.integer(0);
    generation.rewind();
    transaction.commit();
    m_recurring.clear();
    m_zones.clear();
    m_materialized.clear();
}

void CalendarItemIndex::rebuildAfterDamage()
{
    try {
        m_database->resetToEmpty();
        prepare(!m_path.empty());
    } catch (const SqliteError& sqlite) {
        throw Failure(sqlite.what(), sqlite.isDamage());
    }
}

void CalendarItemIndex::checkGeneration()
{
    std::optional<std::int64_t> generation;
    try {
        auto& statement = m_database->statement("SELECT value FROM meta WHERE key = 'generation'");
        if (statement.step())
            generation = statement.integer(0);
        statement.rewind();
    } catch (const SqliteError& error) {
        if (error.isDamage())
            throw;
    }
    if (generation == m_generation)
        return;
    throw Lost();
}

template <typename Function> auto CalendarItemIndex::reading(Function&& function) -> decltype(function())
{
    try {
        SqliteDatabase::Transaction transaction(*m_database, SqliteDatabase::Transaction::Kind::read);
        checkGeneration();
        if constexpr (std::is_void_v<decltype(function())>) {
            function();
            transaction.commit();
        } else {
            auto result = function();
            transaction.commit();
            return result;
        }
    } catch (const Lost&) {
        // Ready for the caller to fill it again.
        try {
            createSchema();
        } catch (const SqliteError& sqlite) {
            throw Failure(sqlite.what(), sqlite.isDamage());
        }
        throw;
    } catch (const SqliteError& sqlite) {
        throw Failure(sqlite.what(), sqlite.isDamage());
    }
}

namespace {

std::uint64_t mixed(std::uint64_t value)
{
    // splitmix64's finaliser: every input bit reaches every output bit.
    value = (value ^ (value >> 30)) * 0xbf58476d1ce4e5b9ull;
    value = (value ^ (value >> 27)) * 0x94d049bb133111ebull;
    return value ^ (value >> 31);
}

}

void CalendarItemIndex::FilesDigest::add(std::string_view name, const FileIdentity& identity)
{
    // Each file's hash is added, so that the order of the files does not matter; a file's
    // hash chains its fields through the mixer, so that no two fields cancel each other.
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (unsigned char c : name)
        hash = (hash ^ c) * 0x100000001b3ull;
    for (auto field : { static_cast<std::uint64_t>(identity.device), static_cast<std::uint64_t>(identity.inode),
             static_cast<std::uint64_t>(identity.size), static_cast<std::uint64_t>(identity.modified),
             static_cast<std::uint64_t>(identity.changed) })
        hash = mixed(hash ^ mixed(field));
    m_sum += mixed(hash);
    ++m_count;
}

std::int64_t CalendarItemIndex::FilesDigest::value() const
{
    return static_cast<std::int64_t>(mixed(m_sum ^ mixed(m_count)));
}

std::string CalendarItemIndex::eventIdentifier(const std::string& calendarIdentifier, const std::string& uid)
{
    return calendarIdentifier + ":" + uid;
}

std::string CalendarItemIndex::calendarItemIdentifier(const std::string& calendarIdentifier, const std::string& uid)
{
    return UUID::nameBased("tarvik.calendar-store", calendarIdentifier + "\n" + uid).uuidString();
}

namespace {

// The identity in columns 1 to 5 of a row of "SELECT name, device, inode, size, modified,
// changed FROM files".
FileIdentity storedIdentity(SqliteStatement& row)
{
    return FileIdentity { static_cast<dev_t>(row.integer(1)), static_cast<ino_t>(row.integer(2)), static_cast<off_t>(row.integer(3)),
        row.integer(4), row.integer(5) };
}

// What is stored of the collections asked for, and which collections there are.
CalendarItemIndex::Stored readStored(SqliteDatabase& database, const std::map<std::string, CalendarItemIndex::FilesDigest>& asked)
{
    CalendarItemIndex::Stored stored;
    std::vector<std::pair<std::int64_t, std::string>> wanted;
    auto& collections = database.statement("SELECT id, key, files_digest FROM collections");
    while (collections.step()) {
        const std::string& key = stored.collections.emplace_back(collections.bytes(1));
        auto found = asked.find(key);
        if (found == asked.end())
            continue;
        if (!collections.isNull(2) && collections.integer(2) == found->second.value())
            stored.unchanged.insert(key);
        else
            wanted.emplace_back(collections.integer(0), key);
    }
    // One range of an index that holds everything asked for, in the order of names.
    auto& files = database.statement(
        "SELECT name, device, inode, size, modified, changed FROM files INDEXED BY files_identity WHERE collection = ? ORDER BY name");
    for (auto& [id, key] : wanted) {
        auto& into = stored.files[key];
        files.rewind().bind(0, id);
        while (files.step()) {
            into.push_back(CalendarItemIndex::StoredFile { std::string(files.bytes(0)), storedIdentity(files) });
        }
    }
    return stored;
}

}

CalendarItemIndex::Stored CalendarItemIndex::stored(const std::map<std::string, FilesDigest>& wanted)
{
    return reading([&] { return readStored(*m_database, wanted); });
}

std::map<std::string, CalendarItemIndex::Summary> CalendarItemIndex::summaries()
{
    return reading([&] {
        std::map<std::string, Summary> result;
        auto& statement
            = m_database->statement("SELECT key, version, has_events, has_todos, calendar_name, calendar_color FROM collections");
        while (statement.step()) {
            result.emplace(statement.bytes(0),
                Summary { statement.integer(1), statement.integer(2) != 0, statement.integer(3) != 0, statement.optionalText(4),
                    statement.optionalText(5) });
        }
        return result;
    });
}

// --- changes ---

struct CalendarItemIndex::Update::Pending {
    explicit Pending(SqliteDatabase& database)
        : transaction(database, SqliteDatabase::Transaction::Kind::write)
    {
    }
    SqliteDatabase::Transaction transaction;
    /// The UIDs (by kind) whose copies changed, by collection; a collection in `whole` is
    /// decided entirely.
    std::map<std::int64_t, std::set<std::pair<std::int64_t, std::string>>> affected;
    std::map<std::int64_t, std::string> keys;
};

CalendarItemIndex::Update::Update(CalendarItemIndex& index)
    : m_index(index)
{
    try {
        m_pending = std::make_unique<Pending>(*m_index.m_database);
        m_index.checkGeneration();
    } catch (const Lost&) {
        m_pending.reset();
        try {
            m_index.createSchema();
        } catch (const SqliteError& sqlite) {
            throw Failure(sqlite.what(), sqlite.isDamage());
        }
        throw;
    } catch (const SqliteError& sqlite) {
        throw Failure(sqlite.what(), sqlite.isDamage());
    }
}

CalendarItemIndex::Update::~Update() = default;

std::unique_ptr<CalendarItemIndex::Update> CalendarItemIndex::beginUpdate()
{
    return std::unique_ptr<Update>(new Update(*this));
}

CalendarItemIndex::Stored CalendarItemIndex::Update::stored(const std::map<std::string, FilesDigest>& wanted)
{
    try {
        return readStored(*m_index.m_database, wanted);
    } catch (const SqliteError& sqlite) {
        throw Failure(sqlite.what(), sqlite.isDamage());
    }
}

namespace {

std::optional<std::int64_t> collectionId(SqliteDatabase& database, const std::string& key)
{
    auto& find = database.statement("SELECT id FROM collections WHERE key = ?");
    find.bind(0, std::string_view(key));
    if (!find.step())
        return std::nullopt;
    auto id = find.integer(0);
    find.rewind();
    return id;
}

// Forgets a file's items, noting their UIDs as affected.
void forgetFile(SqliteDatabase& database, std::int64_t file, std::set<std::pair<std::int64_t, std::string>>& affected)
{
    auto& items = database.statement("SELECT kind, uid FROM items WHERE file = ?");
    items.bind(0, file);
    while (items.step())
        affected.emplace(items.integer(0), std::string(items.bytes(1)));
    database.statement("DELETE FROM item_data WHERE id IN (SELECT id FROM items WHERE file = ?)").bind(0, file).run();
    database.statement("DELETE FROM expansions WHERE item IN (SELECT id FROM items WHERE file = ?)").bind(0, file).run();
    database.statement("DELETE FROM items WHERE file = ?").bind(0, file).run();
    database.statement("DELETE FROM files WHERE id = ?").bind(0, file).run();
}

}

void CalendarItemIndex::Update::putFile(
    const CollectionNames& names, const std::string& name, const FileIdentity& identity, const ParsedCalendarFile& file)
{
    auto& database = *m_index.m_database;
    try {
        auto collection = collectionId(database, names.key);
        if (!collection) {
            database.statement("INSERT INTO collections (key) VALUES (?)").bind(0, std::string_view(names.key)).run();
            collection = database.lastInsertRowid();
        }
        m_pending->keys[*collection] = names.key;
        std::vector<std::string> encoded;
        encoded.reserve(file.items.size());
        for (auto& item : file.items)
            encoded.push_back(CompactItem::encode(item));
        std::string zones = ICalendarParser::zoneDefinitions(file);

        auto& existing = database.statement("SELECT id, calendar_name, calendar_color, zones FROM files WHERE collection = ? AND name = ?");
        existing.bind(0, *collection).bind(1, std::string_view(name));
        if (existing.step()) {
            auto fileId = existing.integer(0);
            bool same = existing.optionalText(1) == file.calendarName && existing.optionalText(2) == file.calendarColor
                && existing.optionalText(3).value_or("") == zones;
            existing.rewind();
            if (same) {
                auto& items
                    = database.statement("SELECT d.data FROM items i JOIN item_data d ON d.id = i.id WHERE i.file = ? ORDER BY i.ordinal");
                items.bind(0, fileId);
                size_t index = 0;
                while (same && items.step())
                    same = index < encoded.size() && items.bytes(0) == encoded[index++];
                same = same && index == encoded.size();
                items.rewind();
            }
            if (same) {
                database.statement("UPDATE files SET device = ?, inode = ?, size = ?, modified = ?, changed = ? WHERE id = ?")
                    .bind(0, static_cast<std::int64_t>(identity.device))
                    .bind(1, static_cast<std::int64_t>(identity.inode))
                    .bind(2, static_cast<std::int64_t>(identity.size))
                    .bind(3, static_cast<std::int64_t>(identity.modified))
                    .bind(4, static_cast<std::int64_t>(identity.changed))
                    .bind(5, fileId)
                    .run();
                return;
            }
            forgetFile(database, fileId, m_pending->affected[*collection]);
        } else {
            existing.rewind();
        }

        auto& insertFile = database.statement("INSERT INTO files (collection, name, device, inode, size, modified, changed, "
                                              "calendar_name, calendar_color, zones) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        insertFile.bind(0, *collection)
            .bind(1, std::string_view(name))
            .bind(2, static_cast<std::int64_t>(identity.device))
            .bind(3, static_cast<std::int64_t>(identity.inode))
            .bind(4, static_cast<std::int64_t>(identity.size))
            .bind(5, static_cast<std::int64_t>(identity.modified))
            .bind(6, static_cast<std::int64_t>(identity.changed))
            .bind(7, file.calendarName)
            .bind(8, file.calendarColor);
        if (zones.empty())
            insertFile.bindNull(9);
        else
            insertFile.bind(9, std::string_view(zones));
        insertFile.run();
        auto fileId = database.lastInsertRowid();

        auto& insertItem = database.statement(
            "INSERT INTO items (collection, file, ordinal, kind, uid, occurrence, recurs, sequence, stamp, role, lo, hi, completed, "
            "zoned, identifier_key, identifier) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        auto& insertData = database.statement("INSERT INTO item_data (id, data) VALUES (?, ?)");
        auto& affected = m_pending->affected[*collection];
        for (size_t ordinal = 0; ordinal < file.items.size(); ++ordinal) {
            const ParsedItem& item = file.items[ordinal];
            bool isEvent = item.kind == ParsedItem::Kind::event;
            // The span that any zone puts the item in; for a series, from its first start to
            // the end of its last occurrence (or forever).
            Span span;
            if (isEvent) {
                if (auto placed = m_index.place(item, file)) {
                    bool floating = isFloating(item.start) || isFloating(item.end);
                    double margin = floating ? floatingMargin : 0;
                    span = { placed->start.timeIntervalSince1970() - margin, placed->end.timeIntervalSince1970() + margin };
                    if (recurs(item)) {
                        for (auto& extra : item.recurrenceDates) {
                            if (auto when = ICalendarParser::instant(extra, file, "UTC"))
                                span.lo = std::min(span.lo, when->timeIntervalSince1970() - floatingMargin);
                        }
                        auto last = ICalendarParser::lastOccurrenceStart(item, file, "UTC", maximumOccurrencesPerSeries);
                        span.hi = last ? last->timeIntervalSince1970() + (placed->end - placed->start) + floatingMargin : endless;
                    }
                }
            } else if (item.due) {
                if (auto due = ICalendarParser::instant(*item.due, file, "UTC"))
                    span = { due->timeIntervalSince1970(), due->timeIntervalSince1970() };
            }
            const std::string& calendarIdentifier = isEvent ? names.eventCalendarIdentifier : names.reminderCalendarIdentifier;
            insertItem.rewind()
                .bind(0, *collection)
                .bind(1, fileId)
                .bind(2, static_cast<std::int64_t>(ordinal))
                .bind(3, static_cast<std::int64_t>(item.kind))
                .bind(4, std::string_view(item.uid))
                .bind(5, occurrenceKey(item, file))
                .bind(6, static_cast<std::int64_t>(recurs(item)))
                .bind(7, static_cast<std::int64_t>(item.sequence));
            if (auto stamp = stampNumber(item.stamp))
                insertItem.bind(8, *stamp);
            else
                insertItem.bindNull(8);
            // The role the item has when it is the only copy of its UID, which it is when a calendar
            // is read for the first time; `commit` corrects the others.
            auto role = !isEvent ? todo : recurs(item) ? series : single;
            auto identifier = calendarItemIdentifier(calendarIdentifier, item.uid);
            insertItem.bind(9, static_cast<std::int64_t>(role))
                .bind(10, span.lo)
                .bind(11, span.hi)
                .bind(12, static_cast<std::int64_t>(item.isCompleted))
                .bind(13, static_cast<std::int64_t>(!zones.empty()))
                .bind(14, identifierKey(identifier))
                .bind(15, std::string_view(identifier))
                .run();
            insertData.rewind().bind(0, database.lastInsertRowid()).bind(1, std::string_view(encoded[ordinal]), true).run();
            affected.emplace(static_cast<std::int64_t>(item.kind), item.uid);
        }
    } catch (const SqliteError& sqlite) {
        throw Failure(sqlite.what(), sqlite.isDamage());
    }
}

void CalendarItemIndex::Update::removeFile(const std::string& key, const std::string& name)
{
    auto& database = *m_index.m_database;
    try {
        auto collection = collectionId(database, key);
        if (!collection)
            return;
        auto& find = database.statement("SELECT id FROM files WHERE collection = ? AND name = ?");
        find.bind(0, *collection).bind(1, std::string_view(name));
        if (!find.step())
            return;
        auto fileId = find.integer(0);
        find.rewind();
        m_pending->keys[*collection] = key;
        forgetFile(database, fileId, m_pending->affected[*collection]);
    } catch (const SqliteError& sqlite) {
        throw Failure(sqlite.what(), sqlite.isDamage());
    }
}

void CalendarItemIndex::Update::removeCollection(const std::string& key)
{
    auto& database = *m_index.m_database;
    try {
        auto collection = collectionId(database, key);
        if (!collection)
            return;
        database.statement("DELETE FROM item_data WHERE id IN (SELECT id FROM items WHERE collection = ?)").bind(0, *collection).run();
        database.statement("DELETE FROM expansions WHERE item IN (SELECT id FROM items WHERE collection = ?)").bind(0, *collection).run();
        database.statement("DELETE FROM items WHERE collection = ?").bind(0, *collection).run();
        database.statement("DELETE FROM files WHERE collection = ?").bind(0, *collection).run();
        database.statement("DELETE FROM collections WHERE id = ?").bind(0, *collection).run();
        m_pending->affected.erase(*collection);
        m_pending->keys.erase(*collection);
    } catch (const SqliteError& sqlite) {
        throw Failure(sqlite.what(), sqlite.isDamage());
    }
}

namespace {

struct CopyRow {
    std::int64_t id = 0;
    std::int64_t kind = 0;
    std::string uid;
    std::string file;
    std::int64_t ordinal = 0;
    std::optional<std::string> occurrence;
    bool recurs = false;
    std::int64_t sequence = 0;
    std::optional<std::int64_t> stamp;
    std::int64_t role = undecided;
};

bool supersedes(const CopyRow& candidate, const CopyRow& chosen)
{
    if (candidate.kind == static_cast<std::int64_t>(ParsedItem::Kind::todo)
        && candidate.occurrence.has_value() != chosen.occurrence.has_value())
        return !candidate.occurrence;
    if (candidate.sequence != chosen.sequence)
        return candidate.sequence > chosen.sequence;
    return candidate.stamp > chosen.stamp;
}

}

void CalendarItemIndex::Update::commit()
{
    auto& database = *m_index.m_database;
    try {
        for (auto& [collection, affected] : m_pending->affected) {
            if (affected.empty())
                continue;
            const std::string& key = m_pending->keys[collection];
            // The copies of every affected UID: all of the collection when many changed (a
            // first build), else UID by UID.
            std::map<std::pair<std::int64_t, std::string>, std::vector<CopyRow>> groups;
            auto read = [&](SqliteStatement& statement) {
                while (statement.step()) {
                    CopyRow row { statement.integer(0), statement.integer(1), std::string(statement.bytes(2)),
                        std::string(statement.bytes(3)), statement.integer(4), statement.optionalText(5), statement.integer(6) != 0,
                        statement.integer(7), statement.isNull(8) ? std::nullopt : std::optional(statement.integer(8)),
                        statement.integer(9) };
                    groups[{ row.kind, row.uid }].push_back(std::move(row));
                }
            };
            if (affected.size() > 64) {
                auto& all = database.statement("SELECT i.id, i.kind, i.uid, f.name, i.ordinal, i.occurrence, i.recurs, i.sequence, "
                                               "i.stamp, i.role FROM items i JOIN files f ON f.id = i.file WHERE i.collection = ?");
                all.bind(0, collection);
                read(all);
            } else {
                auto& some = database.statement("SELECT i.id, i.kind, i.uid, f.name, i.ordinal, i.occurrence, i.recurs, i.sequence, "
                                                "i.stamp, i.role FROM items i JOIN files f ON f.id = i.file "
                                                "WHERE i.collection = ? AND i.kind = ? AND i.uid = ?");
                for (auto& [kind, uid] : affected) {
                    some.rewind().bind(0, collection).bind(1, kind).bind(2, std::string_view(uid));
                    read(some);
                }
            }

            auto& setRole = database.statement("UPDATE items SET role = ? WHERE id = ?");
            for (auto& [identity, rows] : groups) {
                std::sort(
                    rows.begin(), rows.end(), [](auto& a, auto& b) { return std::tie(a.file, a.ordinal) < std::tie(b.file, b.ordinal); });
                const std::string& owner = rows.front().file;
                bool isTodo = identity.first == static_cast<std::int64_t>(ParsedItem::Kind::todo);
                std::map<std::optional<std::string>, CopyRow*> chosen;
                for (auto& row : rows) {
                    if (row.file != owner) {
                        if (m_index.m_reportedSecondFiles.insert(key + "\n" + row.uid + "\n" + row.file).second) {
                            PlatformLog::warning(logCategory,
                                (std::filesystem::path(key) / row.file).string() + ": skipped the items with UID \"" + row.uid
                                    + "\", which " + owner + " in the same calendar holds too");
                        }
                        continue;
                    }
                    auto copy = isTodo ? std::nullopt : row.occurrence;
                    auto [current, first] = chosen.emplace(copy, &row);
                    if (!first && supersedes(row, *current->second))
                        current->second = &row;
                }
                auto master = chosen.find(std::nullopt);
                bool hasSeries = !isTodo && master != chosen.end() && master->second->recurs;
                for (auto& row : rows) {
                    auto copy = isTodo ? std::nullopt : row.occurrence;
                    auto found = chosen.find(copy);
                    std::int64_t role = hidden;
                    if (row.file == owner && found != chosen.end() && found->second == &row)
                        role = isTodo ? todo : row.occurrence ? (hasSeries ? overriding : single) : row.recurs ? series : single;
                    if (role != row.role)
                        setRole.rewind().bind(0, role).bind(1, row.id).run();
                }
            }

            // What the collection's files declare, and its longest event, which bounds how far
            // before a window a query looks for events that reach into it.
            database
                .statement("UPDATE collections SET version = version + 1, "
                           "has_events = EXISTS (SELECT 1 FROM items WHERE collection = ?1 AND kind = 0), "
                           "has_todos = EXISTS (SELECT 1 FROM items WHERE collection = ?1 AND kind = 1), "
                           "calendar_name = (SELECT calendar_name FROM files WHERE collection = ?1 AND calendar_name IS NOT NULL "
                           "ORDER BY name LIMIT 1), "
                           "calendar_color = (SELECT calendar_color FROM files WHERE collection = ?1 AND calendar_color IS NOT NULL "
                           "ORDER BY name LIMIT 1), "
                           "longest_single = coalesce((SELECT max(hi - lo) FROM items WHERE collection = ?1 AND role = 1), 0) "
                           "WHERE id = ?1")
                .bind(0, collection)
                .run();
        }
        // The digest of every collection whose files were written or removed, from the rows
        // as they now stand.
        auto& files = database.statement("SELECT name, device, inode, size, modified, changed FROM files WHERE collection = ?");
        auto& setDigest = database.statement("UPDATE collections SET files_digest = ? WHERE id = ?");
        for (auto& [collection, key] : m_pending->keys) {
            FilesDigest digest;
            files.rewind().bind(0, collection);
            while (files.step())
                digest.add(files.bytes(0), storedIdentity(files));
            setDigest.rewind().bind(0, digest.value()).bind(1, collection).run();
        }
        // A collection whose last file went leaves nothing behind.
        database.execute("DELETE FROM collections WHERE NOT EXISTS (SELECT 1 FROM files WHERE files.collection = collections.id)");
        m_pending->transaction.commit();
    } catch (const SqliteError& sqlite) {
        throw Failure(sqlite.what(), sqlite.isDamage());
    }
    m_index.truncateLog();
}

void CalendarItemIndex::truncateLog()
{
    if (m_path.empty())
        return;
    // The next process that opens the file reads all of the write-ahead log to find its way in
    // it; after a change, the log is moved into the file and emptied, unless a reader still
    // needs it (then a later change does it).
    try {
        m_database->setBusyTimeout(50);
        m_database->execute("PRAGMA wal_checkpoint(TRUNCATE)");
    } catch (const SqliteError&) {
    }
    m_database->setBusyTimeout(busyTimeout);
}

// --- queries ---

std::optional<CalendarItemIndex::Placement> CalendarItemIndex::place(const ParsedItem& item, const ParsedCalendarFile& zones) const
{
    if (!item.start)
        return std::nullopt;
    auto start = ICalendarParser::instant(*item.start, zones, m_localZone);
    if (!start)
        return std::nullopt;
    Placement placed { *start, *start, item.start->isDate, 1 };
    if (placed.allDay) {
        int days = 1;
        if (item.end && item.end->isDate)
            days = std::max(1, daysBetween(*item.start, *item.end));
        else if (item.duration)
            days = std::max(1, static_cast<int>(std::ceil(*item.duration / 86400.0)));
        placed.allDayLength = days;
        if (auto end = ICalendarParser::instant(nextDay(*item.start, days), zones, m_localZone))
            placed.end = *end - 1;
    } else if (item.end) {
        if (auto end = ICalendarParser::instant(*item.end, zones, m_localZone))
            placed.end = std::max(*end, *start);
    } else if (item.duration) {
        placed.end = endAfter(*item.start, *start, item, zones);
    }
    return placed;
}

Date CalendarItemIndex::endAfter(const CalendarTime& time, Date start, const ParsedItem& item, const ParsedCalendarFile& zones) const
{
    TimeInterval duration = std::max(0.0, item.duration.value_or(0));
    if (item.durationDays <= 0 || time.zone == CalendarTime::Zone::utc)
        return start + duration;
    auto sameReading = ICalendarParser::instant(nextDay(time, item.durationDays), zones, m_localZone);
    if (!sameReading)
        return start + duration;
    return std::max(start, *sameReading + (duration - 86400.0 * item.durationDays));
}

std::shared_ptr<const ParsedCalendarFile> CalendarItemIndex::zonesOf(std::int64_t file, bool zoned)
{
    static const auto none = std::make_shared<const ParsedCalendarFile>();
    if (!zoned)
        return none;
    if (auto found = m_zones.find(file); found != m_zones.end())
        return found->second;
    auto& statement = m_database->statement("SELECT zones FROM files WHERE id = ?");
    statement.bind(0, file);
    std::shared_ptr<const ParsedCalendarFile> zones = none;
    if (statement.step() && !statement.isNull(0)) {
        auto parsed = ICalendarParser::parse(statement.bytes(0));
        if (!parsed)
            throw Failure("the stored time zones of an item cannot be read", true);
        zones = std::make_shared<const ParsedCalendarFile>(std::move(*parsed));
    }
    statement.rewind();
    return m_zones.emplace(file, zones).first->second;
}

std::shared_ptr<const CalendarItemIndex::Decoded> CalendarItemIndex::decode(
    std::int64_t id, std::int64_t file, bool zoned, std::string_view bytes)
{
    auto item = CompactItem::decode(bytes);
    if (!item)
        throw Failure("a stored item cannot be read", true);
    ++m_decodes;
    auto decoded = std::make_shared<Decoded>();
    decoded->id = id;
    decoded->item = std::move(*item);
    decoded->zones = zonesOf(file, zoned);
    if (decoded->item.kind == ParsedItem::Kind::event) {
        decoded->placement = place(decoded->item, *decoded->zones);
        if (decoded->item.recurrenceId)
            decoded->recurrence = ICalendarParser::instant(*decoded->item.recurrenceId, *decoded->zones, m_localZone);
    }
    return decoded;
}

StoreEvent CalendarItemIndex::materialize(
    const View& view, const Decoded& decoded, Date start, Date end, std::optional<Date> occurrenceDate, bool detached, bool recurring) const
{
    const ParsedItem& item = decoded.item;
    StoreEvent event;
    event.calendar = view.eventCalendar;
    event.eventIdentifier = eventIdentifier(view.eventCalendar->calendarIdentifier, item.uid);
    event.calendarItemIdentifier = calendarItemIdentifier(view.eventCalendar->calendarIdentifier, item.uid);
    event.startDate = start;
    event.endDate = end;
    event.title = item.summary;
    event.location = item.location;
    event.notes = item.description;
    event.url = item.url;
    event.hasRecurrenceRules = recurring;
    event.occurrenceDate = occurrenceDate.value_or(start);
    event.isAllDay = decoded.placement->allDay;
    event.status = item.status == "CANCELLED" ? EventStatus::canceled
        : item.status == "TENTATIVE"          ? EventStatus::tentative
        : item.status == "CONFIRMED"          ? EventStatus::confirmed
                                              : EventStatus::none;
    event.isDetached = detached;
    const StoreSource& source = view.eventCalendar->source;
    if (item.organizer) {
        event.organizer = makeParticipant(*item.organizer, ParticipantRole::chair, source);
        // ORGANIZER has no PARTSTAT in RFC 5545, so the attendees' default (NEEDS-ACTION) does
        // not apply: the organizer stands behind their own meeting. Their own ATTENDEE line,
        // when there is one, says more; the event core reads it there.
        if (!item.organizer->participationStatus)
            event.organizer->status = StoreParticipantStatus::accepted;
    }
    std::vector<StoreParticipant> attendees;
    attendees.reserve(item.attendees.size());
    for (auto& attendee : item.attendees)
        attendees.push_back(makeParticipant(attendee, ParticipantRole::required, source));
    event.attendees = std::move(attendees);
    for (auto& alarm : item.alarms) {
        StoreAlarm storeAlarm;
        if (alarm.absoluteTime)
            storeAlarm.absoluteDate = ICalendarParser::instant(*alarm.absoluteTime, *decoded.zones, m_localZone);
        else if (alarm.relativeOffset)
            storeAlarm.relativeOffset = *alarm.relativeOffset + (alarm.relativeToEnd ? end - start : 0);
        event.alarms.push_back(storeAlarm);
    }
    event.travelTime = item.travelTime;
    return event;
}

std::optional<std::pair<std::int64_t, double>> CalendarItemIndex::collection(const std::string& key)
{
    auto& statement = m_database->statement("SELECT id, longest_single FROM collections WHERE key = ?");
    statement.bind(0, std::string_view(key));
    if (!statement.step())
        return std::nullopt;
    std::pair<std::int64_t, double> result { statement.integer(0), statement.real(1) };
    statement.rewind();
    return result;
}

void CalendarItemIndex::collectEvents(const std::vector<View>& views, Date windowStart, Date windowEnd, std::vector<StoreEvent>& out)
{
    std::vector<UnkeptExpansion> unkept;
    reading([&] {
        for (auto& view : views)
            collectEvents(view, windowStart, windowEnd, out, unkept);
    });
    keepExpansions(unkept);
}

const std::string& CalendarItemIndex::expansionContext()
{
    if (!m_expansionContext)
        m_expansionContext = m_localZone + " " + ICalendarParser::expansionContext();
    return *m_expansionContext;
}

void CalendarItemIndex::keepExpansions(const std::vector<UnkeptExpansion>& unkept)
{
    if (unkept.empty() || m_path.empty())
        return;
    // Items are never renumbered and their stored form never changes, so an expansion is right
    // for its item for as long as the item exists and the context is the same. One that comes
    // after its item went (another process changed the file since this query read it) is not
    // kept; nor is anything when the file was emptied since.
    try {
        m_database->setBusyTimeout(expansionsBusyTimeout);
        SqliteDatabase::Transaction transaction(*m_database, SqliteDatabase::Transaction::Kind::write);
        checkGeneration();
        auto& keep = m_database->statement("INSERT OR REPLACE INTO expansions (item, context, lo, hi, complete, occurrences) "
                                           "SELECT ?, ?, ?, ?, ?, ? WHERE EXISTS (SELECT 1 FROM items WHERE id = ?)");
        for (auto& expansion : unkept) {
            keep.rewind()
                .bind(0, expansion.item)
                .bind(1, std::string_view(expansionContext()))
                .bind(2, expansion.from.timeIntervalSince1970())
                .bind(3, expansion.to.timeIntervalSince1970())
                .bind(4, static_cast<std::int64_t>(expansion.complete))
                .bind(5, std::string_view(expansion.occurrences), true)
                .bind(6, expansion.item)
                .run();
        }
        transaction.commit();
    } catch (const Lost&) {
    } catch (const SqliteError&) {
        // Busy, full or read-only: the occurrences are expanded again next time.
    }
    m_database->setBusyTimeout(busyTimeout);
}

void CalendarItemIndex::collectEvents(
    const View& view, Date windowStart, Date windowEnd, std::vector<StoreEvent>& out, std::vector<UnkeptExpansion>& unkept)
{
    if (!view.eventCalendar)
        return;
    auto found = collection(view.key);
    if (!found) {
        m_recurring.erase(view.key);
        m_materialized.erase(view.key);
        return;
    }
    auto [collection, longest] = *found;
    auto overlaps = [&](Date start, Date end) { return start <= windowEnd && end >= windowStart; };
    double start = windowStart.timeIntervalSince1970(), end = windowEnd.timeIntervalSince1970();

    Materialized& made = m_materialized[view.key];
    bool keep = ++made.queries > 1;
    // The event of an item (`at` 0) or of a series' occurrence was made before for this
    // calendar: it is handed out again when it overlaps the window.
    auto reused = [&](std::int64_t id, double at) {
        auto found = made.events.find({ id, at });
        if (found == made.events.end() || found->second.event.calendar != view.eventCalendar)
            return false;
        found->second.lastMet = made.queries;
        if (overlaps(found->second.event.startDate, found->second.event.endDate))
            out.push_back(found->second.event);
        return true;
    };
    // The events to make, made together on every core at the end.
    struct Making {
        std::int64_t id;
        double at;
        std::shared_ptr<const Decoded> decoded;
        Date start;
        Date end;
        std::optional<Date> occurrenceDate;
        bool detached;
        bool recurring;
    };
    std::vector<Making> making;

    // Events that do not recur, by the index over their spans: those that start between the
    // window start minus the longest duration and the window end, and end after the start.
    auto& singles = m_database->statement("SELECT i.id, i.file, i.zoned, d.data FROM items i JOIN item_data d ON d.id = i.id "
                                          "WHERE i.collection = ? AND i.role = 1 AND i.lo >= ? AND i.lo <= ? AND i.hi >= ?");
    singles.bind(0, collection).bind(1, start - longest).bind(2, end).bind(3, start);
    while (singles.step()) {
        std::int64_t id = singles.integer(0);
        if (reused(id, 0))
            continue;
        auto decoded = decode(id, singles.integer(1), singles.integer(2) != 0, singles.bytes(3));
        auto& placed = decoded->placement;
        if (!placed || !overlaps(placed->start, placed->end))
            continue;
        bool detached = decoded->item.recurrenceId.has_value();
        making.push_back({ id, 0, decoded, placed->start, placed->end, decoded->recurrence, detached, detached });
    }

    // Series and the occurrences that override theirs, decoded once and kept while they exist.
    RecurringItems& recurring = m_recurring[view.key];
    std::set<std::int64_t> present;
    auto decodedItem = [&](std::int64_t id, std::int64_t file, bool zoned) {
        present.insert(id);
        if (auto known = recurring.decoded.find(id); known != recurring.decoded.end())
            return known->second;
        auto& data = m_database->statement("SELECT data FROM item_data WHERE id = ?");
        data.bind(0, id);
        if (!data.step())
            throw Failure("a stored item went missing", true);
        auto decoded = decode(id, file, zoned, data.bytes(0));
        data.rewind();
        return recurring.decoded.emplace(id, decoded).first->second;
    };
    std::map<std::string, std::vector<std::shared_ptr<const Decoded>>> overridesByUid;
    auto& overrides = m_database->statement("SELECT id, file, zoned FROM items WHERE collection = ? AND role = 3");
    overrides.bind(0, collection);
    std::vector<std::tuple<std::int64_t, std::int64_t, bool>> rows;
    while (overrides.step())
        rows.emplace_back(overrides.integer(0), overrides.integer(1), overrides.integer(2) != 0);
    for (auto& [id, file, zoned] : rows) {
        auto decoded = decodedItem(id, file, zoned);
        if (!decoded->placement || !decoded->recurrence)
            continue;
        overridesByUid[decoded->item.uid].push_back(decoded);
        if (overlaps(decoded->placement->start, decoded->placement->end) && !reused(id, 0))
            making.push_back({ id, 0, decoded, decoded->placement->start, decoded->placement->end, decoded->recurrence, true, true });
    }

    auto& masters = m_database->statement("SELECT id, file, zoned FROM items WHERE collection = ? AND role = 2 AND lo <= ? AND hi >= ?");
    masters.bind(0, collection).bind(1, end).bind(2, start);
    rows.clear();
    while (masters.step())
        rows.emplace_back(masters.integer(0), masters.integer(1), masters.integer(2) != 0);
    std::vector<std::pair<std::int64_t, std::shared_ptr<const Decoded>>> series;
    for (auto& [id, file, zoned] : rows) {
        auto master = decodedItem(id, file, zoned);
        if (master->placement)
            series.emplace_back(id, std::move(master));
    }
    // The series whose occurrences this process does not know over this window are read from
    // what an earlier query kept in the file, or else expanded, on every core: an expansion
    // reads only its own series and the zones.
    std::vector<size_t> unexpanded;
    for (size_t i = 0; i < series.size(); ++i) {
        auto known = recurring.expansions.find(series[i].first);
        if (known == recurring.expansions.end() || windowStart < known->second.from || windowEnd > known->second.to)
            unexpanded.push_back(i);
    }
    std::vector<Expansion> expanded(unexpanded.size());
    std::vector<std::string> kept(unexpanded.size());
    if (!unexpanded.empty()) {
        auto& stored = m_database->statement("SELECT lo, hi, complete, occurrences FROM expansions WHERE item = ? AND context = ?");
        for (size_t k = 0; k < unexpanded.size(); ++k) {
            stored.rewind().bind(0, series[unexpanded[k]].first).bind(1, std::string_view(expansionContext()));
            if (stored.step() && stored.real(0) <= windowStart.timeIntervalSince1970()
                && stored.real(1) >= windowEnd.timeIntervalSince1970()) {
                expanded[k].from = Date(stored.real(0));
                expanded[k].to = Date(stored.real(1));
                expanded[k].complete = stored.integer(2) != 0;
                kept[k] = stored.bytes(3);
            }
        }
        stored.rewind();
    }
    std::vector<char> fresh(unexpanded.size(), 0);
    concurrentLoop(unexpanded.size(), minimumSeriesPerThread, [&](size_t k) {
        Expansion& expansion = expanded[k];
        if (!kept[k].empty()) {
            if (auto occurrences = CompactItem::decodeOccurrences(kept[k])) {
                expansion.starts = std::move(*occurrences);
                return;
            }
        }
        const Decoded& master = *series[unexpanded[k]].second;
        expansion.from = windowStart - 86400;
        expansion.to = windowEnd + 86400;
        expansion.starts.clear();
        expansion.complete = ICalendarParser::expand(master.item, *master.zones, m_localZone, expansion.from, expansion.to,
            master.placement->end - master.placement->start, maximumOccurrencesPerSeries,
            [&](const CalendarTime& time, Date start) { expansion.starts.emplace_back(time, start); });
        fresh[k] = 1;
        if (!m_path.empty())
            kept[k] = CompactItem::encodeOccurrences(expansion.starts);
    });
    for (size_t k = 0; k < unexpanded.size(); ++k) {
        auto& [id, master] = series[unexpanded[k]];
        if (!expanded[k].complete)
            PlatformLog::warning(logCategory,
                "the series \"" + master->item.uid + "\" in " + view.origin + " has too many occurrences; showing the first "
                    + std::to_string(maximumOccurrencesPerSeries));
        if (fresh[k]) {
            ++m_expansions;
            if (!m_path.empty())
                unkept.push_back({ id, expanded[k].from, expanded[k].to, expanded[k].complete, std::move(kept[k]) });
        }
        recurring.expansions.insert_or_assign(id, std::move(expanded[k]));
    }

    for (auto& [id, master] : series) {
        const Placement& placed = *master->placement;
        std::set<double> overridden;
        if (auto found = overridesByUid.find(master->item.uid); found != overridesByUid.end()) {
            for (auto& override : found->second)
                overridden.insert(override->recurrence->timeIntervalSince1970());
        }
        TimeInterval duration = placed.end - placed.start;
        auto expansion = recurring.expansions.find(id);
        auto& starts = expansion->second.starts;
        auto firstStart = std::lower_bound(starts.begin(), starts.end(), windowStart - std::max(duration, 0.0) - 86400,
            [](const std::pair<CalendarTime, Date>& entry, Date date) { return entry.second < date; });
        for (auto it = firstStart; it != starts.end() && it->second <= windowEnd; ++it) {
            auto& [time, occurrenceStart] = *it;
            if (overridden.contains(occurrenceStart.timeIntervalSince1970()))
                continue;
            if (reused(id, occurrenceStart.timeIntervalSince1970()))
                continue;
            Date occurrenceEnd = occurrenceStart + duration;
            if (!placed.allDay && !master->item.end && master->item.durationDays > 0)
                occurrenceEnd = endAfter(time, occurrenceStart, master->item, *master->zones);
            if (placed.allDay) {
                if (auto next = ICalendarParser::instant(nextDay(time, placed.allDayLength), *master->zones, m_localZone))
                    occurrenceEnd = *next - 1;
            }
            if (overlaps(occurrenceStart, occurrenceEnd))
                making.push_back(
                    { id, occurrenceStart.timeIntervalSince1970(), master, occurrenceStart, occurrenceEnd, occurrenceStart, false, true });
        }
    }

    std::vector<StoreEvent> events(making.size());
    concurrentLoop(making.size(), minimumEventsPerThread, [&](size_t i) {
        auto& job = making[i];
        events[i] = materialize(view, *job.decoded, job.start, job.end, job.occurrenceDate, job.detached, job.recurring);
    });
    for (size_t i = 0; i < making.size(); ++i) {
        if (keep)
            made.events.insert_or_assign({ making[i].id, making[i].at }, Materialized::Entry { events[i], made.queries });
        out.push_back(std::move(events[i]));
    }

    // What this query did not meet is gone, or out of every window since the index was opened.
    std::erase_if(recurring.decoded, [&](auto& entry) { return !present.contains(entry.first); });
    std::erase_if(recurring.expansions, [&](auto& entry) { return !present.contains(entry.first); });
    std::erase_if(made.events, [&](auto& entry) { return made.queries - entry.second.lastMet > Materialized::forgottenAfter; });
}

std::optional<StoreEvent> CalendarItemIndex::event(const View& view, const std::string& uid)
{
    if (!view.eventCalendar)
        return std::nullopt;
    return reading([&]() -> std::optional<StoreEvent> {
        auto found = collection(view.key);
        if (!found)
            return std::nullopt;
        auto& statement = m_database->statement("SELECT i.id, i.file, i.zoned, i.role, d.data FROM items i JOIN item_data d ON d.id = i.id "
                                                "WHERE i.collection = ? AND i.kind = 0 AND i.uid = ? AND i.role IN (1, 2) "
                                                "ORDER BY i.role DESC, i.lo, i.id");
        statement.bind(0, found->first).bind(1, std::string_view(uid));
        std::shared_ptr<const Decoded> first;
        while (statement.step()) {
            auto decoded = decode(statement.integer(0), statement.integer(1), statement.integer(2) != 0, statement.bytes(4));
            if (!decoded->placement)
                continue;
            if (statement.integer(3) == series) {
                statement.rewind();
                auto& placed = *decoded->placement;
                return materialize(view, *decoded, placed.start, placed.end, placed.start, false, true);
            }
            if (!first || decoded->placement->start < first->placement->start)
                first = decoded;
        }
        if (!first)
            return std::nullopt;
        bool detached = first->item.recurrenceId.has_value();
        return materialize(view, *first, first->placement->start, first->placement->end, std::nullopt, detached, detached);
    });
}

StoreReminder CalendarItemIndex::makeReminder(const View& view, const Decoded& decoded) const
{
    const ParsedItem& item = decoded.item;
    StoreReminder reminder;
    reminder.calendar = view.reminderCalendar;
    reminder.calendarItemIdentifier = calendarItemIdentifier(view.reminderCalendar->calendarIdentifier, item.uid);
    if (item.due) {
        reminder.dueDateComponents = components(*item.due);
        reminder.dueDate = ICalendarParser::instant(*item.due, *decoded.zones, m_localZone);
    }
    if (item.start)
        reminder.startDateComponents = components(*item.start);
    reminder.isCompleted = item.isCompleted;
    if (!item.alarms.empty()) {
        std::vector<StoreAlarm> alarms;
        for (auto& alarm : item.alarms) {
            StoreAlarm storeAlarm;
            if (alarm.absoluteTime)
                storeAlarm.absoluteDate = ICalendarParser::instant(*alarm.absoluteTime, *decoded.zones, m_localZone);
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

std::optional<CalendarItem> CalendarItemIndex::calendarItem(
    const std::string& identifier, const std::function<std::optional<View>(const std::string& key)>& viewOf)
{
    std::vector<std::tuple<std::string, std::int64_t, std::string>> candidates;
    reading([&] {
        auto& statement = m_database->statement("SELECT c.key, i.kind, i.uid FROM items i JOIN collections c ON c.id = i.collection "
                                                "WHERE i.identifier_key = ? AND i.identifier = ? AND i.role > 0");
        statement.bind(0, identifierKey(identifier)).bind(1, std::string_view(identifier));
        while (statement.step())
            candidates.emplace_back(statement.bytes(0), statement.integer(1), statement.bytes(2));
    });
    for (auto& candidate : candidates) {
        // Named apart: lambdas cannot capture structured bindings in every compiler we build with.
        const std::string& key = std::get<0>(candidate);
        std::int64_t kind = std::get<1>(candidate);
        const std::string& uid = std::get<2>(candidate);
        auto view = viewOf(key);
        if (!view)
            continue;
        if (kind == static_cast<std::int64_t>(ParsedItem::Kind::todo)) {
            if (!view->reminderCalendar || identifier != calendarItemIdentifier(view->reminderCalendar->calendarIdentifier, uid))
                continue;
            auto reminder = reading([&]() -> std::optional<StoreReminder> {
                auto& statement = m_database->statement("SELECT i.id, i.file, i.zoned, d.data FROM items i JOIN collections c ON "
                                                        "c.id = i.collection JOIN item_data d ON d.id = i.id "
                                                        "WHERE c.key = ? AND i.kind = 1 AND i.uid = ? AND i.role = 4");
                statement.bind(0, std::string_view(key)).bind(1, std::string_view(uid));
                if (!statement.step())
                    return std::nullopt;
                auto decoded = decode(statement.integer(0), statement.integer(1), statement.integer(2) != 0, statement.bytes(3));
                statement.rewind();
                return makeReminder(*view, *decoded);
            });
            if (reminder)
                return CalendarItem(std::move(*reminder));
        } else if (view->eventCalendar && identifier == calendarItemIdentifier(view->eventCalendar->calendarIdentifier, uid)) {
            if (auto event = this->event(*view, uid))
                return CalendarItem(std::move(*event));
        }
    }
    return std::nullopt;
}

std::vector<StoreReminder> CalendarItemIndex::reminders(const std::vector<View>& views, std::optional<Date> start, std::optional<Date> end)
{
    std::vector<StoreReminder> result;
    reading([&] {
        for (auto& view : views) {
            if (!view.reminderCalendar)
                continue;
            auto found = collection(view.key);
            if (!found)
                continue;
            auto& statement = m_database->statement("SELECT i.id, i.file, i.zoned, d.data FROM items i JOIN item_data d ON d.id = i.id "
                                                    "WHERE i.collection = ? AND i.role = 4 AND i.completed = 0");
            statement.bind(0, found->first);
            while (statement.step()) {
                auto decoded = decode(statement.integer(0), statement.integer(1), statement.integer(2) != 0, statement.bytes(3));
                auto reminder = makeReminder(view, *decoded);
                if (start || end) {
                    if (!reminder.dueDate)
                        continue;
                    if (start && *reminder.dueDate < *start)
                        continue;
                    if (end && *reminder.dueDate > *end)
                        continue;
                }
                result.push_back(std::move(reminder));
            }
        }
    });
    std::stable_sort(result.begin(), result.end(), StoreOrdering::reminders);
    return result;
}

}

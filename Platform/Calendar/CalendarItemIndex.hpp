#pragma once

#include "Platform/Calendar/CalendarStore.hpp"
#include "Platform/Calendar/CompactItem.hpp"
#include "Platform/Calendar/ICalendarParser.hpp"
#include "Platform/Runtime/FileIdentity.hpp"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tvk {

class SqliteDatabase;

/// The items of any number of calendars, parsed once and kept as compact values in an SQLite
/// database, answering what a `CalendarStore` hands out: the events and occurrences that
/// overlap a window, an item by its identifier, the incomplete to-dos due in a window.
///
/// - A collection (a calendar's items, under a key such as its directory) holds files; a file
///   holds the items one `.ics` file (or one read of a calendar service) yields, with the file's
///   identity so that a later look can tell whether it changed.
/// - One copy of each item is shown (RFC 5545 gives a calendar one component per UID, plus one
///   per overridden occurrence): a UID that two files hold is read from the first file by name,
///   and the other file is named in the log once; of two copies in that file (of a series, an
///   event, or one occurrence's override), the higher SEQUENCE wins, then the later DTSTAMP,
///   then the first; a to-do is one copy whatever its RECURRENCE-ID. Which copy shows is
///   decided when files change, not at each query.
/// - Events that do not recur are found by an index over their time span; series are handed
///   over with their overridden instances (RECURRENCE-ID), which replace the occurrences they
///   name and are marked detached. Occurrences come from `ICalendarParser::expand`, over a
///   horizon a day wider than the window asked for, and stay in memory until a window leaves
///   the horizon, so that the queries of a widget refresh (the same window, moved on by a
///   minute) expand nothing again for a day. Only the items in the window are decoded.
/// - Times are placed when asked for, so floating times and dates follow the zone of the
///   process that asks (`localZone`), whatever zone the process that stored them had.
///
/// The shared index is one file that every process of the user reads and writes (WAL mode):
/// changes are made in one transaction that takes the write lock, so two processes never see
/// each other's half-made changes. A file that is damaged, not ours, or from an older layout is
/// emptied and built anew; one from a newer program is left alone. Errors are thrown as
/// `CalendarItemIndex::Failure`, and `Lost` when another process emptied the file: the caller
/// decides whether to build again or to go on without the shared file.
///
/// Identifiers: events "<calendar identifier>:<UID>", shared by the occurrences of a series;
/// calendar items a name-based UUID of the calendar identifier and the UID. Participants whose
/// address is one of the calendar source's owner addresses are the current user.
///
/// Not thread-safe: callers serialise their calls.
class CalendarItemIndex {
public:
    /// Most occurrences one series yields per query; more are cut with a log line.
    static constexpr size_t maximumOccurrencesPerSeries = 5000;
    /// The file name of the shared index in its directory.
    static constexpr char sharedFileName[] = "calendar-index.sqlite";

    /// The index cannot be used: unwritable, full, locked for too long, or (`damaged`) a file
    /// whose contents SQLite or this index cannot read.
    class Failure : public std::runtime_error {
    public:
        Failure(const std::string& message, bool damaged)
            : std::runtime_error(message)
            , damaged(damaged)
        {
        }
        bool damaged;
    };
    /// Another process emptied the shared file (it was damaged): what this index stored is gone,
    /// and the file is ready to be filled again.
    class Lost : public Failure {
    public:
        Lost()
            : Failure("the calendar index was emptied by another program", false)
        {
        }
    };

    /// The shared index in `directory`, created when missing. Throws `Failure` when it cannot be
    /// used, after emptying a damaged one.
    static std::unique_ptr<CalendarItemIndex> openShared(const std::filesystem::path& directory, std::string localZone);
    /// An index of this process alone, on a temporary file (or in memory with `inMemory`).
    static std::unique_ptr<CalendarItemIndex> openPrivate(std::string localZone, bool inMemory = false);
    ~CalendarItemIndex();

    /// Where the index lives: the shared file's path, or empty for a private one.
    const std::filesystem::path& path() const { return m_path; }
    /// Empties a damaged shared file and makes it ready to be filled again.
    void rebuildAfterDamage();

    static std::string eventIdentifier(const std::string& calendarIdentifier, const std::string& uid);
    static std::string calendarItemIdentifier(const std::string& calendarIdentifier, const std::string& uid);

    struct StoredFile {
        std::string name;
        FileIdentity identity;
        bool operator==(const StoredFile&) const = default;
    };
    /// What the files of a collection declare, and a version that changes with its items.
    struct Summary {
        std::int64_t version = 0;
        bool hasEvents = false;
        bool hasTodos = false;
        /// The first name and colour the collection's files declare (X-WR-CALNAME and the like).
        std::optional<std::string> calendarName;
        std::optional<std::string> calendarColor;
        bool operator==(const Summary&) const = default;
    };
    /// The identifiers a collection's items are known by, fixed when they are stored.
    struct CollectionNames {
        std::string key;
        std::string eventCalendarIdentifier;
        std::string reminderCalendarIdentifier;
    };

    /// A digest of a collection's files: their names and identities, in any order. The index
    /// keeps each collection's, so that a look that finds the same digest on the disk reads
    /// none of the collection's file rows.
    class FilesDigest {
    public:
        void add(std::string_view name, const FileIdentity& identity);
        std::int64_t value() const;
        bool operator==(const FilesDigest&) const = default;

    private:
        std::uint64_t m_sum = 0;
        std::uint64_t m_count = 0;
    };

    /// What the index holds: the keys of all its collections, and the files of those asked for
    /// whose stored digest differs from the one given (the others are `unchanged`).
    struct Stored {
        /// By collection key; each collection's files by name.
        std::map<std::string, std::vector<StoredFile>> files;
        std::vector<std::string> collections;
        std::set<std::string> unchanged;
    };
    Stored stored(const std::map<std::string, FilesDigest>& wanted);
    /// The summaries of the collections the index holds.
    std::map<std::string, Summary> summaries();

    /// One write transaction: it holds the write lock from its start until `commit` (or its
    /// destruction, which rolls back), so what it reads stays what it changes.
    class Update {
    public:
        ~Update();
        Update(const Update&) = delete;
        Update& operator=(const Update&) = delete;

        Stored stored(const std::map<std::string, FilesDigest>& wanted);
        /// Stores what the file yields, replacing what it yielded before. A file whose items
        /// and declarations are the same as before only has its identity updated, and changes
        /// nothing that anybody sees.
        void putFile(
            const CollectionNames& collection, const std::string& name, const FileIdentity& identity, const ParsedCalendarFile& file);
        void removeFile(const std::string& collection, const std::string& name);
        void removeCollection(const std::string& collection);
        /// Decides which copies show in the collections that changed, and commits.
        void commit();

    private:
        friend class CalendarItemIndex;
        explicit Update(CalendarItemIndex& index);
        struct Pending;
        CalendarItemIndex& m_index;
        std::unique_ptr<Pending> m_pending;
    };
    std::unique_ptr<Update> beginUpdate();

    /// A collection's items as a calendar shows them: VEVENTs in `eventCalendar`, VTODOs in
    /// `reminderCalendar`; either may be null, and its items are then left out.
    struct View {
        std::string key;
        StoreCalendarPointer eventCalendar;
        StoreCalendarPointer reminderCalendar;
        /// The collection as log lines name it.
        std::string origin;
    };

    /// Appends every event and occurrence of the views that overlaps [windowStart, windowEnd],
    /// edges included, in no particular order.
    void collectEvents(const std::vector<View>& views, Date windowStart, Date windowEnd, std::vector<StoreEvent>& out);
    /// The event with that UID; for a series, its first occurrence.
    std::optional<StoreEvent> event(const View& view, const std::string& uid);
    /// The item with that calendar-item identifier, in the collection that `viewOf` shows
    /// (none when it shows none).
    std::optional<CalendarItem> calendarItem(
        const std::string& calendarItemIdentifier, const std::function<std::optional<View>(const std::string& key)>& viewOf);
    /// The to-dos not completed, due in [start, end] (an absent bound is open; with no bound at
    /// all, to-dos without a due date too), by due date and then identifier.
    std::vector<StoreReminder> reminders(const std::vector<View>& views, std::optional<Date> start, std::optional<Date> end);

    /// How many items were decoded from their stored form since the index was opened.
    size_t decodeCount() const { return m_decodes; }
    /// How many series this index expanded since it was opened. A shared index keeps what a
    /// query expands for the processes after it, as long as they read times in the same zone
    /// with the same zone data (`ICalendarParser::expansionContext`).
    size_t expansionCount() const { return m_expansions; }

    struct Placement;
    struct Decoded;

private:
    CalendarItemIndex(std::unique_ptr<SqliteDatabase> database, std::filesystem::path path, std::string localZone);
    void prepare(bool shared);
    void createSchema();
    void checkGeneration();
    void truncateLog();
    template <typename Function> auto reading(Function&& function) -> decltype(function());

    std::shared_ptr<const ParsedCalendarFile> zonesOf(std::int64_t file, bool zoned);
    std::optional<Placement> place(const ParsedItem& item, const ParsedCalendarFile& zones) const;
    /// The end of an occurrence of `item` that starts at `time` (the instant `start`) and lasts
    /// its DURATION.
    Date endAfter(const CalendarTime& time, Date start, const ParsedItem& item, const ParsedCalendarFile& zones) const;
    std::shared_ptr<const Decoded> decode(std::int64_t id, std::int64_t file, bool zoned, std::string_view bytes);
    StoreEvent materialize(const View& view, const Decoded& decoded, Date start, Date end, std::optional<Date> occurrenceDate,
        bool detached, bool recurring) const;
    StoreReminder makeReminder(const View& view, const Decoded& decoded) const;
    struct UnkeptExpansion;
    /// Appends the events of one view; the series it expanded go to `unkept`.
    void collectEvents(
        const View& view, Date windowStart, Date windowEnd, std::vector<StoreEvent>& out, std::vector<UnkeptExpansion>& unkept);
    std::optional<std::pair<std::int64_t, double>> collection(const std::string& key);
    const std::string& expansionContext();
    /// Keeps a query's expansions in the shared file, once its read is over.
    void keepExpansions(const std::vector<UnkeptExpansion>& unkept);

    std::unique_ptr<SqliteDatabase> m_database;
    std::filesystem::path m_path;
    std::string m_localZone;
    std::int64_t m_generation = 0;
    size_t m_decodes = 0;
    size_t m_expansions = 0;
    std::optional<std::string> m_expansionContext;

    // What this process decoded of the series and their overrides, and the series' occurrences
    // over their horizon, by item; items are never renumbered, so an entry is right for as
    // long as its item exists.
    struct Expansion {
        Date from;
        Date to;
        CompactItem::Occurrences starts;
        /// False when the series had more occurrences than one query shows.
        bool complete = true;
    };
    // An expansion a query made, encoded.
    struct UnkeptExpansion {
        std::int64_t item;
        Date from;
        Date to;
        bool complete;
        std::string occurrences;
    };
    struct RecurringItems {
        std::map<std::int64_t, std::shared_ptr<const Decoded>> decoded;
        std::map<std::int64_t, Expansion> expansions;
    };
    std::map<std::string, RecurringItems> m_recurring;
    // The events this process made of the items of a collection, by item and (for a series'
    // occurrence) start. An item's stored form never changes, so an entry is right while the
    // collection's calendar is the same object (its title, colour and owner addresses go into
    // the event). Kept only for a collection asked for more than once, so that a process that
    // reads a week once holds no second copy of it; an entry no query has met for a few
    // queries goes (a reload asks for its window and for two narrower ones, so what a reload
    // shows is met every third query, and an item that is gone is forgotten soon after).
    struct Materialized {
        struct Entry {
            StoreEvent event;
            size_t lastMet = 0;
        };
        std::map<std::pair<std::int64_t, double>, Entry> events;
        size_t queries = 0;
        static constexpr size_t forgottenAfter = 8;
    };
    std::map<std::string, Materialized> m_materialized;
    std::map<std::int64_t, std::shared_ptr<const ParsedCalendarFile>> m_zones;
    std::set<std::string> m_reportedSecondFiles;
};

}

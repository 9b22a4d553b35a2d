#pragma once

#include "Platform/Calendar/CalendarStore.hpp"

#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

namespace tvk {

/// The user's calendars as iCalendar files under one or more roots.
///
/// Under a root, a directory that carries a vdir `displayname` or `color` file, or holds
/// `.ics` files and no subdirectory that does, is a collection of the source named after the
/// root; any other directory is a source (an account) whose subdirectories are collections
/// and whose `.ics` files are single-file calendars. So `<root>/<source>/<collection>/*.ics`,
/// a vdirsyncer storage directory (`<root>/<collection>/*.ics`) and Evolution's
/// `<root>/<source>/calendar.ics` all work; `.ics` files directly under a root are
/// single-file calendars of the source named after the root.
///
/// - A collection's title and colour come from its vdir `displayname` and `color` files, else
///   from X-WR-CALNAME / NAME and X-APPLE-CALENDAR-COLOR / COLOR in its files, else from the
///   directory name and a colour of a fixed palette.
/// - A collection holding VEVENTs is an event calendar; one holding VTODOs a reminder list
///   (a collection holding both is both, with two identifiers).
/// - A source's optional `source.json` holds {"title": …, "isDelegate": …, "ownerAddresses":
///   ["mailto:…"]}; a collection's optional `collection.json` holds {"type": "birthdays"} or
///   {"type": "holidays"} to mark a birthday or a subscribed holiday calendar.
/// - Identifiers are stable across runs: calendars are named after their location, events
///   "<calendar identifier>:<UID>".
/// - A UID is one item of its calendar (RFC 5545): a UID that two files of a calendar hold is
///   read from the first file by path, and the other file is named in the log once; of two
///   copies in one file, and of two overrides of one occurrence, the higher SEQUENCE wins,
///   then the later DTSTAMP.
///
/// Each file is parsed once, into the calendar index that every process of the user shares
/// (`CalendarItemIndex`, in `StandardPaths::cacheDirectory()`): a new process finds the files
/// whose identity (device, inode, size, times) did not change there, and parses only the rest.
/// A file whose identity changed but whose contents did not is parsed that once more and
/// changes nothing. When the shared index cannot be used (its directory is read-only, the disk
/// is full, the file is from a newer program), the store says so once and keeps the items in
/// an index of its own; a damaged index file is built anew.
///
/// With monitoring on, GIO file monitors watch every directory; a burst of changes is rescanned
/// once and, when something really changed, posts `changedNotification` once. Queries check the
/// directories themselves too, so additions and atomic replacements are seen even without
/// monitors.
///
/// Bad input never stops the store: a file that does not parse, or an item without a start or
/// with an unknown time zone, is skipped with one log line naming the file.
class ICalendarStore final : public CalendarStore {
public:
    enum class Monitoring { off, on };
    enum class Sources { ownAccounts, delegatedAccounts };
    /// Where the parsed items are kept: in the index every process shares, or in one of this
    /// store alone.
    enum class ItemIndex { shared, ownOnly };

    /// A store over `roots`: the user's own accounts, or only the delegated ones.
    ICalendarStore(std::vector<std::filesystem::path> roots, Monitoring monitoring, Sources sources = Sources::ownAccounts,
        ItemIndex itemIndex = ItemIndex::shared);
    /// A store over `StandardPaths::calendarRoots()`.
    static std::unique_ptr<ICalendarStore> makeDefault(Monitoring monitoring);
    ~ICalendarStore() override;

    AuthorizationStatus authorizationStatus(EntityType) const override;
    void requestFullAccess(EntityType, AccessCompletion completion) override;
    StoreCalendarPointer calendar(const std::string& calendarIdentifier) const override;
    std::vector<StoreCalendarPointer> calendars(EntityType) const override;
    std::optional<StoreEvent> event(const std::string& eventIdentifier) const override;
    std::optional<CalendarItem> calendarItem(const std::string& calendarItemIdentifier) const override;
    std::vector<StoreEvent> events(const EventPredicate&) const override;
    void fetchReminders(const ReminderPredicate&, RemindersCompletion completion) override;
    void refreshSourcesIfNecessary() override;
    std::vector<StoreSource> delegateSources() const override;
    std::unique_ptr<CalendarStore> makeStore(const std::vector<StoreSource>& sources) const override;

    /// How many times a file has been parsed since the store was made, for tests and
    /// diagnostics.
    size_t parseCount() const;
    /// The shared index file the store reads, or none while it keeps its items to itself.
    std::optional<std::filesystem::path> sharedIndexPath() const;
    /// How many changes the directory monitors have reported, and whether the rescan for the
    /// last of them is still to come: with both, a caller can wait until the store has handled
    /// a change on disk (and posted, when something changed) instead of waiting a while.
    size_t monitoredChangeCount() const;
    bool isRescanPending() const;

    struct State;

private:
    explicit ICalendarStore(std::shared_ptr<State> state);
    std::shared_ptr<State> m_state;
};

}

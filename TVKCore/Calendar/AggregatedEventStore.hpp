#pragma once

#include "Platform/Calendar/CalendarStore.hpp"
#include "Platform/Calendar/ICalendarStore.hpp"
#include "Platform/Runtime/Date.hpp"
#include "Platform/Runtime/MemoryCache.hpp"
#include "TVKCore/Calendar/EventKitError.hpp"
#include "TVKCore/Events/Event.hpp"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <tl/expected.hpp>
#include <vector>

namespace tvk {

namespace NotificationName {
/// Posted on the default centre, without object, after a calendar-access request that ends
/// with full access and after every reminder-access request the store answered without error.
inline constexpr std::string_view grantedPermission = "GrantedPermission";
}

/// The event core's only door to the user's calendars: the user's own store, plus a second
/// store over the accounts delegated to the user, built on first use once calendar access is
/// granted (on this platform it is from the start). Every query is limited to the calendars
/// and reminder lists the user activated (read afresh from `UserSettingsStore::shared()` each
/// time) and merges the delegate store's answers in.
///
/// Event queries are synchronous on the caller's thread; reminder queries return at once and
/// complete exactly once on the store's worker thread (or at once, on the caller's thread,
/// when no reminder list is active). Safe from any thread: the delegate store is swapped
/// atomically and the calendar cache is locked.
class AggregatedEventStore {
public:
    /// Over the calendars under the standard calendar roots, watched for changes unless
    /// `setSharedMonitoring` said otherwise before.
    static AggregatedEventStore& shared();
    /// Whether the shared store watches the calendar folders; takes effect when `shared()` first
    /// runs. A process that reads the calendars once and ends (a command) has no use for the
    /// watches, which cost a start-up of the file monitor and one watch per folder.
    static void setSharedMonitoring(ICalendarStore::Monitoring monitoring);
    explicit AggregatedEventStore(std::unique_ptr<CalendarStore> eventStore);
    AggregatedEventStore(const AggregatedEventStore&) = delete;
    AggregatedEventStore& operator=(const AggregatedEventStore&) = delete;

    CalendarStore& eventStore() const { return *m_eventStore; }
    /// Built on the first call that finds calendar access granted (none before); replaced by
    /// every granted access request.
    std::shared_ptr<CalendarStore> delegatesEventStore() const;

    /// The active event calendars, in the order of the setting; identifiers that name no
    /// calendar are skipped.
    std::vector<StoreCalendarPointer> activeCalendars() const;
    /// The active reminder lists, likewise.
    std::vector<StoreCalendarPointer> activeReminderCalendars() const;

    bool hasCalendarAccess() const;
    bool hasReminderAccess() const;
    using AccessCompletion = std::function<void(tl::expected<void, AccessRequestError>)>;
    /// Completes once, on the store's thread. Fails with the store's error, or with
    /// `accessNotGranted` when the store answered but access is not full; on success the
    /// delegate store is rebuilt and "GrantedPermission" posted.
    void requestCalendarAccess(AccessCompletion completion);
    /// Completes once, on the store's thread. Denial is no error (it is logged); only the
    /// store's own error fails. Posts "GrantedPermission" whenever the store answered.
    void requestReminderAccess(AccessCompletion completion);
    /// Asks both stores to re-read their sources; the calendar cache stays.
    void refreshData();

    /// Looked up in the user's store, then the delegate store; found calendars are cached for
    /// good (a deleted calendar's stale value stays cached).
    StoreCalendarPointer calendar(const std::string& withIdentifier) const;
    /// The user's store's calendars of that type, then those of the delegate store with
    /// identifiers not seen yet.
    std::vector<StoreCalendarPointer> calendars(EntityType type) const;
    std::optional<StoreEvent> event(const std::string& withIdentifier) const;
    /// In the user's store only.
    std::optional<StoreReminder> reminder(const std::string& withIdentifier) const;

    /// Events and occurrences of the active calendars that overlap [start, end], edges
    /// included; a delegate event that duplicates one already found (same title, start, end,
    /// occurrence date, detached and all-day flags) is left out. Nothing is queried when no
    /// calendar is active.
    std::vector<StoreEvent> events(Date start, Date end) const;
    using RemindersCompletion = std::function<void(std::vector<StoreReminder>)>;
    /// Incomplete reminders of the active lists due in [start, end], unfiltered.
    void reminders(Date start, Date end, RemindersCompletion completion) const;

    // What the user excluded (an exclude rule, or the event's own settings) is in none of
    // the lists below: the rules hide items from alerts and from the widgets alike.

    /// Eligible calendar events going on at `now`, by start (stable).
    std::vector<Event> currentEvents(Date now) const;
    /// Eligible calendar events of the coming hour whose alert is due at `now` under the
    /// user's offset and their own settings, by start (stable). Travel time is not added.
    std::vector<Event> pendingEvents(Date now) const;
    using EventsCompletion = std::function<void(std::vector<Event>)>;
    /// Eligible store reminders of the active lists, due in the coming hour, whose alert is
    /// due at `now`, by start (stable).
    void pendingAppleReminderEvents(Date now, EventsCompletion completion) const;

private:
    std::vector<StoreCalendarPointer> resolve(const std::vector<std::string>& identifiers) const;

    std::unique_ptr<CalendarStore> m_eventStore;
    // Read by queries on any thread while an access request replaces it: readers take their
    // own reference under the lock, so a replaced store lives until its last query ends.
    mutable std::mutex m_delegateMutex;
    mutable std::shared_ptr<CalendarStore> m_delegatesEventStore;
    // The delegate sources were looked for once access was there; none means no store.
    mutable bool m_delegatesLookedFor = false;
    mutable MemoryCache<std::string, StoreCalendarPointer> m_calendarCache;
};

}

#pragma once

#include "Platform/Calendar/StoreCalendar.hpp"
#include "Platform/Calendar/StoreEvent.hpp"
#include "Platform/Calendar/StoreReminder.hpp"
#include "Platform/Calendar/StoreSource.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace tvk {

/// The platform store's authorization values.
enum class AuthorizationStatus { notDetermined = 0, restricted = 1, denied = 2, fullAccess = 3, writeOnly = 4 };

/// Events of the given calendars that overlap [startDate, endDate], edges included: an event
/// that ends exactly at the start, or starts exactly at the end, is in.
struct EventPredicate {
    Date startDate;
    Date endDate;
    std::vector<std::string> calendarIdentifiers;
    bool operator==(const EventPredicate&) const = default;
};

/// Reminders that are not completed and are due in [startDate, endDate] (an absent bound is
/// open) in the given lists.
struct ReminderPredicate {
    std::optional<Date> startDate;
    std::optional<Date> endDate;
    std::vector<std::string> calendarIdentifiers;
    bool operator==(const ReminderPredicate&) const = default;
};

struct CalendarStoreError {
    std::string message;
    bool operator==(const CalendarStoreError&) const = default;
};

using CalendarItem = std::variant<StoreEvent, StoreReminder>;

/// The user's calendars and reminder lists. Queries of events are synchronous; reminder
/// fetches and access requests complete once, on a worker thread. After the contents change,
/// the store posts `changedNotification` on the default notification centre with itself as
/// the object.
class CalendarStore {
public:
    static constexpr char changedNotification[] = "CalendarStoreChanged";

    virtual ~CalendarStore() = default;

    virtual AuthorizationStatus authorizationStatus(EntityType) const = 0;
    using AccessCompletion = std::function<void(bool granted, std::optional<CalendarStoreError>)>;
    virtual void requestFullAccess(EntityType, AccessCompletion completion) = 0;

    virtual StoreCalendarPointer calendar(const std::string& calendarIdentifier) const = 0;
    /// In a stable order: by source, then by title, then by identifier.
    virtual std::vector<StoreCalendarPointer> calendars(EntityType) const = 0;
    /// The event with that identifier; for a series, its first occurrence.
    virtual std::optional<StoreEvent> event(const std::string& eventIdentifier) const = 0;
    virtual std::optional<CalendarItem> calendarItem(const std::string& calendarItemIdentifier) const = 0;

    EventPredicate predicateForEvents(Date start, Date end, const std::vector<StoreCalendarPointer>& calendars) const;
    /// Every event and every occurrence of a recurring event that matches, by start date and
    /// then by identifier.
    virtual std::vector<StoreEvent> events(const EventPredicate&) const = 0;

    ReminderPredicate predicateForIncompleteReminders(
        std::optional<Date> start, std::optional<Date> end, const std::vector<StoreCalendarPointer>& calendars) const;
    using RemindersCompletion = std::function<void(std::optional<std::vector<StoreReminder>>)>;
    virtual void fetchReminders(const ReminderPredicate&, RemindersCompletion completion) = 0;

    virtual void refreshSourcesIfNecessary() = 0;

    /// The accounts whose calendars other people delegated to the user; this store does not
    /// show their calendars.
    virtual std::vector<StoreSource> delegateSources() const = 0;
    /// A store over just those accounts.
    virtual std::unique_ptr<CalendarStore> makeStore(const std::vector<StoreSource>& sources) const = 0;
};

}

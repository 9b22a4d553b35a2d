#pragma once

#include "Platform/Calendar/CalendarStore.hpp"

#include <memory>
#include <vector>

namespace tvk {

/// Several stores seen as one: the calendars of iCalendar files and those of Evolution Data
/// Server side by side.
///
/// A calendar identifier belongs to the first store that has it; a later store's calendar with
/// the same identifier is not offered (and is logged once), so identifiers never collide.
/// Lists are in the interface's order across all stores. Each store posts
/// `changedNotification` itself, with itself as the object.
class CombinedCalendarStore final : public CalendarStore {
public:
    explicit CombinedCalendarStore(std::vector<std::unique_ptr<CalendarStore>> stores);
    ~CombinedCalendarStore() override;

    /// Full access when any store grants it.
    AuthorizationStatus authorizationStatus(EntityType) const override;
    /// Asks every store; granted when any grants, failing with the first error when none does.
    void requestFullAccess(EntityType, AccessCompletion completion) override;
    StoreCalendarPointer calendar(const std::string& calendarIdentifier) const override;
    std::vector<StoreCalendarPointer> calendars(EntityType) const override;
    std::optional<StoreEvent> event(const std::string& eventIdentifier) const override;
    std::optional<CalendarItem> calendarItem(const std::string& calendarItemIdentifier) const override;
    std::vector<StoreEvent> events(const EventPredicate&) const override;
    /// Completes once, on the thread of the last store to answer.
    void fetchReminders(const ReminderPredicate&, RemindersCompletion completion) override;
    void refreshSourcesIfNecessary() override;
    std::vector<StoreSource> delegateSources() const override;
    std::unique_ptr<CalendarStore> makeStore(const std::vector<StoreSource>& sources) const override;

    const std::vector<std::unique_ptr<CalendarStore>>& stores() const { return m_stores; }

private:
    /// The store each of `identifiers` belongs to, as index lists by store.
    std::vector<std::vector<std::string>> partition(const std::vector<std::string>& identifiers) const;

    std::vector<std::unique_ptr<CalendarStore>> m_stores;
};

}

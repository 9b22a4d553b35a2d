#pragma once

#include "Platform/Calendar/CalendarStore.hpp"

#include <atomic>
#include <memory>
#include <mutex>

namespace tvk {

/// A calendar store over values built in code, for tests of what sits on top of a store.
/// Events are stored as the occurrences a query returns (no recurrence expansion); a query
/// returns those of the predicate's calendars that overlap the window, edges included, by
/// start. Reminder fetches and access requests complete once, on a worker thread.
class MemoryCalendarStore final : public CalendarStore {
public:
    MemoryCalendarStore();
    ~MemoryCalendarStore() override;

    void addCalendar(StoreCalendarPointer calendar);
    void addEvent(StoreEvent event);
    void addReminder(StoreReminder reminder);
    void removeAllItems();
    void setAuthorizationStatus(EntityType type, AuthorizationStatus status);
    /// What the next access request answers; when `error` is set it fails with it.
    void setAccessAnswer(bool granted, std::optional<CalendarStoreError> error = std::nullopt);
    void setDelegateSources(std::vector<StoreSource> sources);
    /// The store that `makeStore` hands out (shared, so tests can fill it later).
    void setDelegateStore(std::shared_ptr<MemoryCalendarStore> store);
    /// Posts `changedNotification`, as a store does after its contents changed.
    void postChanged();

    size_t eventQueryCount() const { return m_eventQueries; }
    size_t reminderFetchCount() const { return m_reminderFetches; }
    size_t refreshCount() const { return m_refreshes; }

    /// Reminder fetches from now on keep their answer until released, so that a caller can
    /// act between a fetch and its completion.
    void holdReminderFetches();
    size_t heldReminderFetchCount() const;
    /// Sends every kept answer (on a worker thread, as always) and stops holding; returns how
    /// many there were.
    size_t releaseReminderFetches();
    /// Sends only the answer kept last and goes on holding; false when none is kept. With it
    /// a test makes a later fetch answer before an earlier one.
    bool releaseLatestReminderFetch();
    /// Sends only the answer kept first and goes on holding; false when none is kept.
    bool releaseEarliestReminderFetch();
    /// Fetches whose completion has returned.
    size_t answeredReminderFetchCount() const;

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

private:
    enum class HeldFetch { earliest, latest };
    bool releaseOneReminderFetch(HeldFetch which);
    struct Contents;
    std::shared_ptr<Contents> m_contents;
    mutable std::atomic<size_t> m_eventQueries { 0 };
    std::atomic<size_t> m_reminderFetches { 0 };
    std::atomic<size_t> m_refreshes { 0 };
};

}

#include "Platform/Calendar/CombinedCalendarStore.hpp"

#include "Platform/Calendar/StoreOrdering.hpp"
#include "Platform/Runtime/PlatformLog.hpp"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>

namespace tvk {



CombinedCalendarStore::CombinedCalendarStore(std::vector<std::unique_ptr<CalendarStore>> stores)
    : m_stores(std::move(stores))
{
}

CombinedCalendarStore::~CombinedCalendarStore() = default;

AuthorizationStatus CombinedCalendarStore::authorizationStatus(EntityType type) const
{
    std::optional<AuthorizationStatus> first;
    for (auto& store : m_stores) {
        auto status = store->authorizationStatus(type);
        if (status == AuthorizationStatus::fullAccess)
            return status;
        first = first.value_or(status);
    }
    return first.value_or(AuthorizationStatus::notDetermined);
}

void CombinedCalendarStore::requestFullAccess(EntityType type, AccessCompletion completion)
{
    if (m_stores.empty()) {
        completion(false, std::nullopt);
        return;
    }
    struct Answers {
        std::mutex mutex;
        size_t pending;
        bool granted = false;
        std::optional<CalendarStoreError> error;
        AccessCompletion completion;
    };
    auto answers = std::make_shared<Answers>();
    answers->pending = m_stores.size();
    answers->completion = std::move(completion);
    for (auto& store : m_stores) {
        store->requestFullAccess(type, [answers](bool granted, std::optional<CalendarStoreError> error) {
            std::unique_lock lock(answers->mutex);
            answers->granted = answers->granted || granted;
            if (!answers->error)
                answers->error = std::move(error);
            if (--answers->pending > 0)
                return;
            lock.unlock();
            answers->completion(answers->granted, answers->granted ? std::nullopt : answers->error);
        });
    }
}

StoreCalendarPointer CombinedCalendarStore::calendar(const std::string& calendarIdentifier) const
{
    for (auto& store : m_stores) {
        if (auto found = store->calendar(calendarIdentifier))
            return found;
    }
    return nullptr;
}

std::vector<StoreCalendarPointer> CombinedCalendarStore::calendars(EntityType type) const
{
    std::vector<StoreCalendarPointer> result;
    std::set<std::string> identifiers;
    for (auto& store : m_stores) {
        for (auto& calendar : store->calendars(type)) {
            if (identifiers.insert(calendar->calendarIdentifier).second) {
                result.push_back(calendar);
                continue;
            }
            static std::once_flag logged;
            std::call_once(logged, [&] {
                PlatformLog::warning("Calendar", "two calendars have the identifier \"" + calendar->calendarIdentifier
                        + "\"; only the first is offered");
            });
        }
    }
    std::stable_sort(result.begin(), result.end(), StoreOrdering::calendars);
    return result;
}

std::optional<StoreEvent> CombinedCalendarStore::event(const std::string& eventIdentifier) const
{
    for (auto& store : m_stores) {
        if (auto found = store->event(eventIdentifier))
            return found;
    }
    return std::nullopt;
}

std::optional<CalendarItem> CombinedCalendarStore::calendarItem(const std::string& calendarItemIdentifier) const
{
    for (auto& store : m_stores) {
        if (auto found = store->calendarItem(calendarItemIdentifier))
            return found;
    }
    return std::nullopt;
}

std::vector<std::vector<std::string>> CombinedCalendarStore::partition(const std::vector<std::string>& identifiers) const
{
    std::vector<std::vector<std::string>> byStore(m_stores.size());
    for (auto& identifier : identifiers) {
        for (size_t index = 0; index < m_stores.size(); ++index) {
            if (m_stores[index]->calendar(identifier)) {
                byStore[index].push_back(identifier);
                break;
            }
        }
    }
    return byStore;
}

std::vector<StoreEvent> CombinedCalendarStore::events(const EventPredicate& predicate) const
{
    auto byStore = partition(predicate.calendarIdentifiers);
    std::vector<StoreEvent> result;
    for (size_t index = 0; index < m_stores.size(); ++index) {
        if (byStore[index].empty())
            continue;
        auto events = m_stores[index]->events(EventPredicate { predicate.startDate, predicate.endDate, byStore[index] });
        result.insert(result.end(), std::make_move_iterator(events.begin()), std::make_move_iterator(events.end()));
    }
    std::stable_sort(result.begin(), result.end(), StoreOrdering::events);
    return result;
}

void CombinedCalendarStore::fetchReminders(const ReminderPredicate& predicate, RemindersCompletion completion)
{
    auto byStore = partition(predicate.calendarIdentifiers);
    struct Answers {
        std::mutex mutex;
        size_t pending = 0;
        std::vector<std::vector<StoreReminder>> lists;
        RemindersCompletion completion;
    };
    auto answers = std::make_shared<Answers>();
    answers->completion = std::move(completion);
    answers->lists.resize(m_stores.size());
    for (auto& identifiers : byStore)
        answers->pending += identifiers.empty() ? 0 : 1;
    if (answers->pending == 0) {
        answers->completion(std::vector<StoreReminder> {});
        return;
    }
    for (size_t index = 0; index < m_stores.size(); ++index) {
        if (byStore[index].empty())
            continue;
        ReminderPredicate part { predicate.startDate, predicate.endDate, byStore[index] };
        m_stores[index]->fetchReminders(part, [answers, index](std::optional<std::vector<StoreReminder>> reminders) {
            std::unique_lock lock(answers->mutex);
            if (reminders)
                answers->lists[index] = std::move(*reminders);
            if (--answers->pending > 0)
                return;
            std::vector<StoreReminder> result;
            for (auto& list : answers->lists)
                result.insert(result.end(), std::make_move_iterator(list.begin()), std::make_move_iterator(list.end()));
            lock.unlock();
            std::stable_sort(result.begin(), result.end(), StoreOrdering::reminders);
            answers->completion(std::move(result));
        });
    }
}

void CombinedCalendarStore::refreshSourcesIfNecessary()
{
    for (auto& store : m_stores)
        store->refreshSourcesIfNecessary();
}

std::vector<StoreSource> CombinedCalendarStore::delegateSources() const
{
    std::vector<StoreSource> result;
    for (auto& store : m_stores) {
        auto sources = store->delegateSources();
        result.insert(result.end(), sources.begin(), sources.end());
    }
    return result;
}

std::unique_ptr<CalendarStore> CombinedCalendarStore::makeStore(const std::vector<StoreSource>& sources) const
{
    std::vector<std::unique_ptr<CalendarStore>> stores;
    for (auto& store : m_stores)
        stores.push_back(store->makeStore(sources));
    return std::make_unique<CombinedCalendarStore>(std::move(stores));
}

}

#include "Platform/Calendar/MemoryCalendarStore.hpp"

#include "Platform/Runtime/DispatchQueue.hpp"
#include "Platform/Runtime/NotificationCenter.hpp"

#include <algorithm>
#include <functional>
#include <map>
#include <set>

namespace tvk {

struct MemoryCalendarStore::Contents {
    mutable std::mutex mutex;
    std::vector<StoreCalendarPointer> calendars;
    std::vector<StoreEvent> events;
    std::vector<StoreReminder> reminders;
    std::map<EntityType, AuthorizationStatus> status { { EntityType::event, AuthorizationStatus::fullAccess },
        { EntityType::reminder, AuthorizationStatus::fullAccess } };
    bool granted = true;
    std::optional<CalendarStoreError> accessError;
    std::vector<StoreSource> delegateSources;
    std::shared_ptr<MemoryCalendarStore> delegateStore;
    bool holdingReminderFetches = false;
    std::vector<std::function<void()>> heldReminderAnswers;
    std::atomic<size_t> answeredReminderFetches { 0 };
};

namespace {

// What `makeStore` returns: a store that forwards to a shared memory store, so that tests
// keep a handle on the delegated calendars they set up.
class ForwardingStore final : public CalendarStore {
public:
    explicit ForwardingStore(std::shared_ptr<MemoryCalendarStore> target)
        : m_target(std::move(target))
    {
    }
    AuthorizationStatus authorizationStatus(EntityType type) const override { return m_target->authorizationStatus(type); }
    void requestFullAccess(EntityType type, AccessCompletion completion) override
    {
        m_target->requestFullAccess(type, std::move(completion));
    }
    StoreCalendarPointer calendar(const std::string& identifier) const override { return m_target->calendar(identifier); }
    std::vector<StoreCalendarPointer> calendars(EntityType type) const override { return m_target->calendars(type); }
    std::optional<StoreEvent> event(const std::string& identifier) const override { return m_target->event(identifier); }
    std::optional<CalendarItem> calendarItem(const std::string& identifier) const override { return m_target->calendarItem(identifier); }
    std::vector<StoreEvent> events(const EventPredicate& predicate) const override { return m_target->events(predicate); }
    void fetchReminders(const ReminderPredicate& predicate, RemindersCompletion completion) override
    {
        m_target->fetchReminders(predicate, std::move(completion));
    }
    void refreshSourcesIfNecessary() override { m_target->refreshSourcesIfNecessary(); }
    std::vector<StoreSource> delegateSources() const override { return {}; }
    std::unique_ptr<CalendarStore> makeStore(const std::vector<StoreSource>& sources) const override
    {
        return m_target->makeStore(sources);
    }

private:
    std::shared_ptr<MemoryCalendarStore> m_target;
};

}

MemoryCalendarStore::MemoryCalendarStore()
    : m_contents(std::make_shared<Contents>())
{
}

MemoryCalendarStore::~MemoryCalendarStore() = default;

void MemoryCalendarStore::addCalendar(StoreCalendarPointer calendar)
{
    std::lock_guard lock(m_contents->mutex);
    m_contents->calendars.push_back(std::move(calendar));
}

void MemoryCalendarStore::addEvent(StoreEvent event)
{
    std::lock_guard lock(m_contents->mutex);
    m_contents->events.push_back(std::move(event));
}

void MemoryCalendarStore::addReminder(StoreReminder reminder)
{
    std::lock_guard lock(m_contents->mutex);
    m_contents->reminders.push_back(std::move(reminder));
}

void MemoryCalendarStore::removeAllItems()
{
    std::lock_guard lock(m_contents->mutex);
    m_contents->events.clear();
    m_contents->reminders.clear();
}

void MemoryCalendarStore::setAuthorizationStatus(EntityType type, AuthorizationStatus status)
{
    std::lock_guard lock(m_contents->mutex);
    m_contents->status[type] = status;
}

void MemoryCalendarStore::setAccessAnswer(bool granted, std::optional<CalendarStoreError> error)
{
    std::lock_guard lock(m_contents->mutex);
    m_contents->granted = granted;
    m_contents->accessError = std::move(error);
}

void MemoryCalendarStore::setDelegateSources(std::vector<StoreSource> sources)
{
    std::lock_guard lock(m_contents->mutex);
    m_contents->delegateSources = std::move(sources);
}

void MemoryCalendarStore::setDelegateStore(std::shared_ptr<MemoryCalendarStore> store)
{
    std::lock_guard lock(m_contents->mutex);
    m_contents->delegateStore = std::move(store);
}

void MemoryCalendarStore::postChanged()
{
    NotificationCenter::defaultCenter().post(changedNotification, this);
}

AuthorizationStatus MemoryCalendarStore::authorizationStatus(EntityType type) const
{
    std::lock_guard lock(m_contents->mutex);
    return m_contents->status.at(type);
}

void MemoryCalendarStore::requestFullAccess(EntityType, AccessCompletion completion)
{
    bool granted;
    std::optional<CalendarStoreError> error;
    {
        std::lock_guard lock(m_contents->mutex);
        granted = m_contents->granted;
        error = m_contents->accessError;
    }
    DispatchQueue::global().async([completion = std::move(completion), granted, error] { completion(granted, error); });
}

StoreCalendarPointer MemoryCalendarStore::calendar(const std::string& calendarIdentifier) const
{
    std::lock_guard lock(m_contents->mutex);
    for (auto& calendar : m_contents->calendars) {
        if (calendar->calendarIdentifier == calendarIdentifier)
            return calendar;
    }
    return nullptr;
}

std::vector<StoreCalendarPointer> MemoryCalendarStore::calendars(EntityType type) const
{
    std::lock_guard lock(m_contents->mutex);
    std::vector<StoreCalendarPointer> result;
    for (auto& calendar : m_contents->calendars) {
        if (calendar->entityType == type)
            result.push_back(calendar);
    }
    return result;
}

std::optional<StoreEvent> MemoryCalendarStore::event(const std::string& eventIdentifier) const
{
    std::lock_guard lock(m_contents->mutex);
    for (auto& event : m_contents->events) {
        if (event.eventIdentifier == eventIdentifier)
            return event;
    }
    return std::nullopt;
}

std::optional<CalendarItem> MemoryCalendarStore::calendarItem(const std::string& calendarItemIdentifier) const
{
    std::lock_guard lock(m_contents->mutex);
    for (auto& event : m_contents->events) {
        if (event.calendarItemIdentifier == calendarItemIdentifier)
            return CalendarItem(event);
    }
    for (auto& reminder : m_contents->reminders) {
        if (reminder.calendarItemIdentifier == calendarItemIdentifier)
            return CalendarItem(reminder);
    }
    return std::nullopt;
}

std::vector<StoreEvent> MemoryCalendarStore::events(const EventPredicate& predicate) const
{
    ++m_eventQueries;
    std::set<std::string> wanted(predicate.calendarIdentifiers.begin(), predicate.calendarIdentifiers.end());
    std::vector<StoreEvent> result;
    {
        std::lock_guard lock(m_contents->mutex);
        for (auto& event : m_contents->events) {
            if (!event.calendar || !wanted.contains(event.calendar->calendarIdentifier))
                continue;
            if (event.startDate <= predicate.endDate && event.endDate >= predicate.startDate)
                result.push_back(event);
        }
    }
    std::stable_sort(result.begin(), result.end(), [](auto& a, auto& b) { return a.startDate < b.startDate; });
    return result;
}

void MemoryCalendarStore::fetchReminders(const ReminderPredicate& predicate, RemindersCompletion completion)
{
    ++m_reminderFetches;
    std::set<std::string> wanted(predicate.calendarIdentifiers.begin(), predicate.calendarIdentifiers.end());
    std::vector<StoreReminder> result;
    {
        std::lock_guard lock(m_contents->mutex);
        for (auto& reminder : m_contents->reminders) {
            if (reminder.isCompleted || !reminder.calendar || !wanted.contains(reminder.calendar->calendarIdentifier))
                continue;
            if (predicate.startDate || predicate.endDate) {
                if (!reminder.dueDate)
                    continue;
                if ((predicate.startDate && *reminder.dueDate < *predicate.startDate)
                    || (predicate.endDate && *reminder.dueDate > *predicate.endDate))
                    continue;
            }
            result.push_back(reminder);
        }
    }
    auto answer = [contents = m_contents, completion = std::move(completion), result = std::move(result)] {
        DispatchQueue::global().async([contents, completion, result] {
            completion(result);
            ++contents->answeredReminderFetches;
        });
    };
    {
        std::lock_guard lock(m_contents->mutex);
        if (m_contents->holdingReminderFetches) {
            m_contents->heldReminderAnswers.push_back(std::move(answer));
            return;
        }
    }
    answer();
}

void MemoryCalendarStore::holdReminderFetches()
{
    std::lock_guard lock(m_contents->mutex);
    m_contents->holdingReminderFetches = true;
}

size_t MemoryCalendarStore::heldReminderFetchCount() const
{
    std::lock_guard lock(m_contents->mutex);
    return m_contents->heldReminderAnswers.size();
}

size_t MemoryCalendarStore::releaseReminderFetches()
{
    std::vector<std::function<void()>> answers;
    {
        std::lock_guard lock(m_contents->mutex);
        m_contents->holdingReminderFetches = false;
        answers.swap(m_contents->heldReminderAnswers);
    }
    for (auto& answer : answers)
        answer();
    return answers.size();
}

bool MemoryCalendarStore::releaseLatestReminderFetch()
{
    return releaseOneReminderFetch(HeldFetch::latest);
}

bool MemoryCalendarStore::releaseEarliestReminderFetch()
{
    return releaseOneReminderFetch(HeldFetch::earliest);
}

bool MemoryCalendarStore::releaseOneReminderFetch(HeldFetch which)
{
    std::function<void()> answer;
    {
        std::lock_guard lock(m_contents->mutex);
        auto& held = m_contents->heldReminderAnswers;
        if (held.empty())
            return false;
        auto chosen = which == HeldFetch::latest ? held.end() - 1 : held.begin();
        answer = std::move(*chosen);
        held.erase(chosen);
    }
    answer();
    return true;
}

size_t MemoryCalendarStore::answeredReminderFetchCount() const
{
    return m_contents->answeredReminderFetches;
}

void MemoryCalendarStore::refreshSourcesIfNecessary()
{
    ++m_refreshes;
}

std::vector<StoreSource> MemoryCalendarStore::delegateSources() const
{
    std::lock_guard lock(m_contents->mutex);
    return m_contents->delegateSources;
}

std::unique_ptr<CalendarStore> MemoryCalendarStore::makeStore(const std::vector<StoreSource>&) const
{
    std::shared_ptr<MemoryCalendarStore> target;
    {
        std::lock_guard lock(m_contents->mutex);
        target = m_contents->delegateStore;
    }
    if (!target)
        target = std::make_shared<MemoryCalendarStore>();
    return std::make_unique<ForwardingStore>(std::move(target));
}

}

#include "TVKCore/Calendar/AggregatedEventStore.hpp"

#include "Platform/Calendar/CalendarBackendChoice.hpp"
#include "Platform/Runtime/NotificationCenter.hpp"
#include "QMLogger/QMLogger.hpp"
#include "TVKCore/LogCategories.hpp"
#include "TVKCore/Rules/FilterRule.hpp"
#include "TVKCore/Settings/EventSettingsStore.hpp"
#include "TVKCore/Settings/UserSettingsStore.hpp"

#include <algorithm>
#include <atomic>
#include <unordered_set>

namespace tvk {

namespace {

/// The same event reported by both stores: a calendar shared with the user and delegated too.
bool isDuplicate(const StoreEvent& one, const StoreEvent& other)
{
    return one.title == other.title && one.startDate == other.startDate && one.endDate == other.endDate
        && one.occurrenceDate == other.occurrenceDate && one.isDetached == other.isDetached && one.isAllDay == other.isAllDay;
}

void postGrantedPermission()
{
    NotificationCenter::defaultCenter().post(std::string(NotificationName::grantedPermission), nullptr);
}

}

std::string describe(const AccessRequestError& error)
{
    if (auto* storeError = std::get_if<CalendarStoreError>(&error))
        return storeError->message;
    return "calendar access was not granted";
}

namespace {

std::atomic<ICalendarStore::Monitoring> sharedMonitoring { ICalendarStore::Monitoring::on };

}

AggregatedEventStore& AggregatedEventStore::shared()
{
    static AggregatedEventStore* store = new AggregatedEventStore(CalendarBackendChoice::makeDefaultStore(sharedMonitoring.load()));
    return *store;
}

void AggregatedEventStore::setSharedMonitoring(ICalendarStore::Monitoring monitoring)
{
    sharedMonitoring = monitoring;
}

AggregatedEventStore::AggregatedEventStore(std::unique_ptr<CalendarStore> eventStore)
    : m_eventStore(std::move(eventStore))
{
}

std::shared_ptr<CalendarStore> AggregatedEventStore::delegatesEventStore() const
{
    std::lock_guard lock(m_delegateMutex);
    // Access is granted from the start on this platform, so nothing ever asks for it: the
    // delegate store is built the first time it is needed once access is there. A store of no
    // sources would answer nothing, ever, and still open and read its calendars to say so.
    if (!m_delegatesLookedFor && hasCalendarAccess()) {
        m_delegatesLookedFor = true;
        if (auto sources = m_eventStore->delegateSources(); !sources.empty())
            m_delegatesEventStore = m_eventStore->makeStore(sources);
    }
    return m_delegatesEventStore;
}

// MARK: - Calendars

StoreCalendarPointer AggregatedEventStore::calendar(const std::string& withIdentifier) const
{
    if (auto cached = m_calendarCache.object(withIdentifier))
        return *cached;
    StoreCalendarPointer found = m_eventStore->calendar(withIdentifier);
    if (!found) {
        if (auto delegates = delegatesEventStore())
            found = delegates->calendar(withIdentifier);
    }
    if (found)
        m_calendarCache.setObject(found, withIdentifier);
    return found;
}

std::vector<StoreCalendarPointer> AggregatedEventStore::resolve(const std::vector<std::string>& identifiers) const
{
    std::vector<StoreCalendarPointer> result;
    for (auto& identifier : identifiers) {
        if (auto found = calendar(identifier))
            result.push_back(std::move(found));
    }
    return result;
}

std::vector<StoreCalendarPointer> AggregatedEventStore::activeCalendars() const
{
    return resolve(UserSettingsStore::shared().activeCalendarIdentifiers());
}

std::vector<StoreCalendarPointer> AggregatedEventStore::activeReminderCalendars() const
{
    return resolve(UserSettingsStore::shared().activeReminderListIdentifiers());
}

std::vector<StoreCalendarPointer> AggregatedEventStore::calendars(EntityType type) const
{
    auto result = m_eventStore->calendars(type);
    if (auto delegates = delegatesEventStore()) {
        std::unordered_set<std::string> seen;
        for (auto& calendar : result)
            seen.insert(calendar->calendarIdentifier);
        for (auto& calendar : delegates->calendars(type)) {
            if (seen.insert(calendar->calendarIdentifier).second)
                result.push_back(calendar);
        }
    }
    return result;
}

std::optional<StoreEvent> AggregatedEventStore::event(const std::string& withIdentifier) const
{
    if (auto found = m_eventStore->event(withIdentifier))
        return found;
    if (auto delegates = delegatesEventStore())
        return delegates->event(withIdentifier);
    return std::nullopt;
}

std::optional<StoreReminder> AggregatedEventStore::reminder(const std::string& withIdentifier) const
{
    auto item = m_eventStore->calendarItem(withIdentifier);
    if (!item)
        return std::nullopt;
    if (auto* reminder = std::get_if<StoreReminder>(&*item))
        return *reminder;
    return std::nullopt;
}

// MARK: - Access

bool AggregatedEventStore::hasCalendarAccess() const
{
    return m_eventStore->authorizationStatus(EntityType::event) == AuthorizationStatus::fullAccess;
}

bool AggregatedEventStore::hasReminderAccess() const
{
    return m_eventStore->authorizationStatus(EntityType::reminder) == AuthorizationStatus::fullAccess;
}

void AggregatedEventStore::requestCalendarAccess(AccessCompletion completion)
{
    QMLogger::info(LogCategories::eventKit, "Requesting Calendar access");
    m_eventStore->requestFullAccess(
        EntityType::event, [this, completion = std::move(completion)](bool, std::optional<CalendarStoreError> error) {
            if (error) {
                completion(tl::unexpected(AccessRequestError(*error)));
                return;
            }
            // The answer's flag is not trusted: the status is what every later query runs under.
            if (!hasCalendarAccess()) {
                QMLogger::warning(LogCategories::eventKit, "No Calendar access. Showing permission alert");
                completion(tl::unexpected(AccessRequestError(EventKitError::accessNotGranted)));
                return;
            }
            QMLogger::info(LogCategories::eventKit, "Calendar permission granted");
            std::shared_ptr<CalendarStore> delegates = m_eventStore->makeStore(m_eventStore->delegateSources());
            {
                std::lock_guard lock(m_delegateMutex);
                m_delegatesEventStore = std::move(delegates);
            }
            postGrantedPermission();
            completion({});
        });
}

void AggregatedEventStore::requestReminderAccess(AccessCompletion completion)
{
    QMLogger::info(LogCategories::eventKit, "Requesting Reminders access");
    m_eventStore->requestFullAccess(
        EntityType::reminder, [this, completion = std::move(completion)](bool, std::optional<CalendarStoreError> error) {
            if (error) {
                completion(tl::unexpected(AccessRequestError(*error)));
                return;
            }
            if (!hasReminderAccess())
                QMLogger::warning(LogCategories::eventKit, "No Reminder access.");
            else
                QMLogger::info(LogCategories::eventKit, "Reminder permission granted");
            postGrantedPermission();
            completion({});
        });
}

void AggregatedEventStore::refreshData()
{
    m_eventStore->refreshSourcesIfNecessary();
    if (auto delegates = delegatesEventStore())
        delegates->refreshSourcesIfNecessary();
}

// MARK: - Queries

std::vector<StoreEvent> AggregatedEventStore::events(Date start, Date end) const
{
    auto calendars = activeCalendars();
    if (calendars.empty())
        return {};
    auto predicate = m_eventStore->predicateForEvents(start, end, calendars);
    auto result = m_eventStore->events(predicate);
    auto delegates = delegatesEventStore();
    if (!delegates)
        return result;
    for (auto& candidate : delegates->events(delegates->predicateForEvents(start, end, calendars))) {
        bool duplicate = std::any_of(result.begin(), result.end(), [&](const StoreEvent& found) { return isDuplicate(found, candidate); });
        if (!duplicate)
            result.push_back(std::move(candidate));
    }
    return result;
}

void AggregatedEventStore::reminders(Date start, Date end, RemindersCompletion completion) const
{
    auto lists = activeReminderCalendars();
    if (lists.empty()) {
        completion({});
        return;
    }
    m_eventStore->fetchReminders(m_eventStore->predicateForIncompleteReminders(start, end, lists),
        [completion = std::move(completion)](std::optional<std::vector<StoreReminder>> reminders) {
            completion(std::move(reminders).value_or(std::vector<StoreReminder> {}));
        });
}

namespace {

TimeInterval defaultTimeOffset()
{
    return static_cast<TimeInterval>(UserSettingsStore::shared().timeOffsetSeconds());
}

bool isPendingNow(const Event& event, TimeInterval defaultTimeOffset, Date now)
{
    return event.isPending(defaultTimeOffset, EventSettingsStore::shared().customSettings(event.id), now);
}

bool isExcludedBySettings(const Event& event)
{
    auto settings = EventSettingsStore::shared().customSettings(event.id);
    return settings && settings->isExcluded;
}

}

std::vector<Event> AggregatedEventStore::currentEvents(Date now) const
{
    std::vector<Event> result;
    auto eligibility = EligibilitySettings::current();
    auto rules = UserSettingsStore::shared().excludeRules();
    for (auto& storeEvent : events(now, now)) {
        if (!shouldSchedule(storeEvent, eligibility) || matchesAny(storeEvent, rules))
            continue;
        auto event = Event::fromCalendarEvent(storeEvent);
        if (!isExcludedBySettings(event))
            result.push_back(std::move(event));
    }
    sortByStartDate(result);
    return result;
}

std::vector<Event> AggregatedEventStore::pendingEvents(Date now) const
{
    std::vector<Event> result;
    auto eligibility = EligibilitySettings::current();
    auto rules = UserSettingsStore::shared().excludeRules();
    auto offset = defaultTimeOffset();
    for (auto& storeEvent : events(now, now + 3600)) {
        if (!shouldSchedule(storeEvent, eligibility) || matchesAny(storeEvent, rules))
            continue;
        auto event = Event::fromCalendarEvent(storeEvent);
        if (isPendingNow(event, offset, now))
            result.push_back(std::move(event));
    }
    sortByStartDate(result);
    return result;
}

void AggregatedEventStore::pendingAppleReminderEvents(Date now, EventsCompletion completion) const
{
    auto lists = activeReminderCalendars();
    if (lists.empty()) {
        completion({});
        return;
    }
    m_eventStore->fetchReminders(m_eventStore->predicateForIncompleteReminders(now, now + 3600, lists),
        [now, completion = std::move(completion)](std::optional<std::vector<StoreReminder>> reminders) {
            std::vector<Event> result;
            auto offset = defaultTimeOffset();
            auto rules = UserSettingsStore::shared().excludeRules();
            for (auto& reminder : reminders.value_or(std::vector<StoreReminder> {})) {
                if (!shouldSchedule(reminder) || matchesAny(reminder, rules))
                    continue;
                auto event = Event::fromAppleReminder(reminder);
                if (event && isPendingNow(*event, offset, now))
                    result.push_back(std::move(*event));
            }
            sortByStartDate(result);
            completion(std::move(result));
        });
}

}

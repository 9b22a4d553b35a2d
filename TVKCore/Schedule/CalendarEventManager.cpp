#include "TVKCore/Schedule/CalendarEventManager.hpp"

#include "Platform/Runtime/ConcurrentLoop.hpp"
#include "Platform/Runtime/DispatchQueue.hpp"
#include "Platform/Text/LinkDetector.hpp"
#include "QMLogger/QMLogger.hpp"
#include "TVKCore/Calendar/CalendarExtensions.hpp"
#include "TVKCore/LogCategories.hpp"
#include "TVKCore/Rules/FilterRule.hpp"
#include "TVKCore/Settings/CustomRemindersStore.hpp"
#include "TVKCore/Settings/EventSettingsStore.hpp"
#include "TVKCore/Settings/UserSettingsStore.hpp"
#include "TVKCore/VideoConference/VideoConferenceLinkParser.hpp"
#include "TVKUtils/DateOperations.hpp"

#include <algorithm>
#include <atomic>
#include <set>
#include <tuple>

namespace tvk {

namespace {

// Making an event takes some microseconds; fewer than this many are not worth a thread.
constexpr size_t minimumEventsPerThread = 64;

// The link detection tables (the services' compiled patterns, the top-level domains) take a
// few milliseconds to build on first use, which a build would spend on one thread while its
// others wait for them. The first reload of a manager has them built on another core while it
// reads the calendars, and its build waits for that (as does the manager's end). Both tables
// live as long as the process.
std::future<void> buildSharedTablesMeanwhile()
{
    static std::atomic<bool> built { false };
    if (built)
        return {};
    try {
        return std::async(std::launch::async, [] {
            VideoConferenceLinkParser::shared();
            LinkDetector::shared();
            built = true;
        });
    } catch (const std::system_error&) {
        return {}; // no thread to be had: the build makes them itself
    }
}

// The settings file is the user's to edit; a window of years would make every reload expand
// every series over all of them, so the days ahead are held to a year.
constexpr std::int64_t maximumUpcomingDays = 366;

bool isListedCalendar(const StoreCalendar& calendar)
{
    return calendar.type != CalendarType::birthday && !isSubscribedHolidayCalendar(calendar);
}

}

template <typename Step> auto CalendarEventManager::whileAlive(Step step) const
{
    return [lifetime = std::weak_ptr<Lifetime>(m_lifetime), step = std::move(step)](auto&&... arguments) mutable {
        if (!lifetime.expired())
            step(std::forward<decltype(arguments)>(arguments)...);
    };
}

CalendarEventManager& CalendarEventManager::shared()
{
    static CalendarEventManager* manager = new CalendarEventManager(AggregatedEventStore::shared(), CustomRemindersStore::shared());
    return *manager;
}

CalendarEventManager::CalendarEventManager(AggregatedEventStore& aggregatedEventStore, CustomRemindersStoring& remindersStore)
    : m_store(aggregatedEventStore)
    , m_remindersStore(remindersStore)
{
    auto& center = NotificationCenter::defaultCenter();
    m_observerTokens.push_back(center.addObserver(std::string(CalendarStore::changedNotification), nullptr, [this](const Notification&) {
        QMLogger::debug(LogCategories::eventKit, "EKEventStoreChanged");
        reloadEvents(PostNotification::yes);
    }));
    m_observerTokens.push_back(center.addObserver(
        std::string(NotificationName::remindersChanged), nullptr, [this](const Notification&) { reloadEvents(PostNotification::yes); }));

    // At a whole minute one to two minutes ahead, so that every later reload lands on a
    // minute boundary, where the widgets' texts change.
    Date firstFire = removingSeconds(addingMinutes(Date::now(), 2));
    auto arm = whileAlive([this, firstFire] {
        auto timer = std::make_unique<RepeatingTimer>(firstFire, 60, [this] { reloadEvents(PostNotification::yes); });
        std::lock_guard lock(m_mutex);
        m_timer = std::move(timer);
    });
    if (DispatchQueue::isMainThread())
        arm();
    else
        DispatchQueue::main().async(arm);
}

CalendarEventManager::~CalendarEventManager()
{
    // Removal waits for blocks already running on other threads, which use this manager;
    // none starts afterwards.
    for (auto& token : m_observerTokens)
        NotificationCenter::defaultCenter().removeObserver(token);
    m_lifetime.reset();
    std::lock_guard lock(m_mutex);
    m_timer.reset();
}

void CalendarEventManager::setDelegate(std::weak_ptr<CalendarEventManagerDelegate> delegate)
{
    std::lock_guard lock(m_mutex);
    m_delegate = std::move(delegate);
}

std::optional<Date> CalendarEventManager::nextTimerFireDate() const
{
    std::lock_guard lock(m_mutex);
    if (!m_timer)
        return std::nullopt;
    return m_timer->fireDate();
}

// MARK: - Reloading

void CalendarEventManager::reloadEvents(PostNotification shouldPostNotification, Completion completion)
{
    QMLogger::debug("reloading events");
    auto& settings = UserSettingsStore::shared();
    if (settings.debugScreenshotMode()) {
        loadScreenshotDemoEvents();
        DispatchQueue::main().async(whileAlive([this, shouldPostNotification, completion] {
            notify(shouldPostNotification, completion);
            completeOvertakenReloads();
        }));
        return;
    }
    Reload reload { .post = shouldPostNotification, .completion = std::move(completion) };
    {
        std::lock_guard lock(m_mutex);
        reload.generation = ++m_reloadsStarted;
        if (reload.generation == 1)
            m_sharedTablesBuilt = buildSharedTablesMeanwhile();
    }
    reload.now = Date::now();
    reload.end = windowEnd(reload.now);
    fetchItems(
        reload.now, reload.end, whileAlive([this, reload](std::vector<StoreEvent> events, std::vector<StoreReminder> reminders) mutable {
            buildSchedule(std::move(events), reminders, std::move(reload));
        }));
}

Date CalendarEventManager::windowEnd(Date now)
{
    auto days = std::clamp<std::int64_t>(UserSettingsStore::shared().upcomingEventsDaysFilter(), 0, maximumUpcomingDays);
    return endOfDay(addingDays(now, days));
}

void CalendarEventManager::loadScreenshotDemoEvents()
{
    auto current = Event::demo_makeOngoingEvent(makeToday(15, 0), makeToday(16, 0));
    std::lock_guard lock(m_mutex);
    // Whatever a reload still on its way brings, the demo lists stand until the next reload.
    m_scheduleGeneration = m_listsGeneration = ++m_reloadsStarted;
    m_currentEvents = { current };
    m_pendingEvents.clear();
    m_alertPassedEvents.clear();
    m_scheduledEvents = { Event::demo_upcomingEvent1(), Event::demo_upcomingEvent2(), Event::demo_upcomingEvent3() };
    m_snoozedPastAppleReminderEvents.clear();
    m_pendingAppleReminderEvents = { Event::demo_upcomingAppleReminderEvent1() };
}

void CalendarEventManager::fetchItems(Date from, Date to, FetchCompletion completion)
{
    auto events = m_store.events(from, to);
    std::vector<StoreCalendarPointer> lists;
    for (auto& identifier : UserSettingsStore::shared().activeReminderListIdentifiers()) {
        if (auto list = m_store.calendar(identifier))
            lists.push_back(std::move(list));
    }
    if (lists.empty()) {
        DispatchQueue::main().async(
            [events = std::move(events), completion = std::move(completion)]() mutable { completion(std::move(events), {}); });
        return;
    }
    auto& store = m_store.eventStore();
    store.fetchReminders(store.predicateForIncompleteReminders(from, to, lists),
        [events = std::move(events), completion = std::move(completion)](std::optional<std::vector<StoreReminder>> reminders) mutable {
            DispatchQueue::main().async(
                [events = std::move(events), reminders = std::move(reminders).value_or(std::vector<StoreReminder> {}),
                    completion = std::move(completion)]() mutable { completion(std::move(events), std::move(reminders)); });
        });
}

void CalendarEventManager::buildSchedule(std::vector<StoreEvent> events, const std::vector<StoreReminder>& reminders, Reload reload)
{
    bool superseded;
    {
        // The store's answers may come in any order; a reload that started later read the
        // calendars later, so its lists stand.
        std::lock_guard lock(m_mutex);
        superseded = reload.generation < m_scheduleGeneration;
        // Completing now would hand the caller the lists from before both reloads.
        if (superseded && m_listsGeneration < m_scheduleGeneration) {
            m_overtakenReloads.push_back({ m_scheduleGeneration, reload.post, std::move(reload.completion) });
            return;
        }
    }
    if (superseded) {
        notify(reload.post, reload.completion);
        return;
    }
    Date now = reload.now;
    auto settings = BuildSettings::current();
    std::future<void> tablesBuilt;
    {
        std::lock_guard lock(m_mutex);
        tablesBuilt = std::move(m_sharedTablesBuilt);
    }
    if (tablesBuilt.valid())
        tablesBuilt.wait();
    if (auto purged = m_remindersStore.purgePastReminders(); !purged)
        QMLogger::warning("could not purge past reminders: " + purged.error().message);

    // Calendar events in fetch order, then own reminders in stored order, then store reminders
    // in fetch order.
    // The calendar events are decided on every core (making an event, with its link detection,
    // is most of a build); a store event is let go once its event is made: over a heavy week
    // the two forms of every event would otherwise be held at once.
    std::vector<ScheduleDecision> decisions(events.size());
    concurrentLoop(events.size(), minimumEventsPerThread, [&](size_t i) {
        decisions[i] = decide(events[i], now, settings, &m_madeEvents);
        events[i] = {};
    });
    Schedule schedule;
    for (auto& decision : decisions)
        schedule.add(std::move(decision), now);
    decisions = {};
    m_madeEvents.finishBuild();
    for (auto& reminder : m_remindersStore.reminders(now, reload.end))
        schedule.add(decide(reminder, now), now);
    for (auto& reminder : reminders)
        schedule.add(decide(reminder, now, settings), now);
    {
        std::lock_guard lock(m_mutex);
        m_scheduleGeneration = reload.generation;
        m_invocations = std::move(schedule.invocations);
    }
    finish(std::move(reload), std::move(schedule.alertPassed));
}

CalendarEventManager::BuildSettings CalendarEventManager::BuildSettings::current()
{
    auto& settings = UserSettingsStore::shared();
    return {
        .rules = settings.excludeRules(),
        .eligibility = EligibilitySettings::current(),
        .showOnlyEventsWithVideoConference = settings.showOnlyEventsWithVideoConference(),
        .timeOffsetSeconds = static_cast<TimeInterval>(settings.timeOffsetSeconds()),
        .includeTravelTime = settings.includeTravelTime(),
        .eventSettings = EventSettingsStore::shared().customSettings().value_or(std::map<std::string, EventSettings> {}),
    };
}

void CalendarEventManager::Schedule::add(ScheduleDecision decision, Date now)
{
    switch (decision.outcome) {
    case ScheduleDecision::Outcome::scheduled:
        invocations.push_back(AlertInvocation { decision.alert->date, std::move(*decision.event), false });
        return;
    case ScheduleDecision::Outcome::alertPassed:
        if (decision.event->startDate > now)
            alertPassed.push_back(std::move(*decision.event));
        return;
    case ScheduleDecision::Outcome::excludedByRule:
    case ScheduleDecision::Outcome::ineligible:
    case ScheduleDecision::Outcome::undated:
    case ScheduleDecision::Outcome::withoutVideoConference:
    case ScheduleDecision::Outcome::excludedBySettings: return;
    }
}

namespace {

ScheduleDecision::Outcome outcomeOf(const AlertDecision& alert)
{
    switch (alert.outcome) {
    case AlertDecision::Outcome::scheduled: return ScheduleDecision::Outcome::scheduled;
    case AlertDecision::Outcome::excludedBySettings: return ScheduleDecision::Outcome::excludedBySettings;
    case AlertDecision::Outcome::passed: return ScheduleDecision::Outcome::alertPassed;
    }
    return ScheduleDecision::Outcome::alertPassed;
}

// The first step of every store item: an item a rule excludes is in no list.
template <typename Item> ScheduleDecision ruleDecision(const Item& item, const std::vector<FilterRule>& rules)
{
    ScheduleDecision decision;
    if (auto* rule = firstMatchingRule(item, rules)) {
        decision.outcome = ScheduleDecision::Outcome::excludedByRule;
        decision.excludingRule = *rule;
    }
    return decision;
}

}

// The order is the one the widgets' lists rely on: what a rule excludes is never even looked
// at, and the event (with its link detection, the costly part) is made only for an eligible
// item.
ScheduleDecision CalendarEventManager::decide(const StoreEvent& storeEvent, Date now, const BuildSettings& settings, MadeEvents* made) const
{
    ScheduleDecision decision = ruleDecision(storeEvent, settings.rules);
    if (decision.excludingRule)
        return decision;
    decision.eligibility = eligibility(storeEvent, settings.eligibility);
    if (decision.eligibility != Eligibility::eligible) {
        decision.outcome = ScheduleDecision::Outcome::ineligible;
        return decision;
    }
    decision.event = made ? made->event(storeEvent) : Event::fromCalendarEvent(storeEvent);
    if (settings.showOnlyEventsWithVideoConference && decision.event->videoConferenceLinks.empty()) {
        decision.outcome = ScheduleDecision::Outcome::withoutVideoConference;
        return decision;
    }
    decision.alert = alertDecision(*decision.event, now, settings);
    decision.outcome = outcomeOf(*decision.alert);
    return decision;
}

ScheduleDecision CalendarEventManager::decide(const StoreReminder& reminder, Date now, const BuildSettings& settings) const
{
    ScheduleDecision decision = ruleDecision(reminder, settings.rules);
    if (decision.excludingRule)
        return decision;
    decision.reminderEligibility = eligibility(reminder);
    if (decision.reminderEligibility != ReminderEligibility::eligible) {
        decision.outcome = ScheduleDecision::Outcome::ineligible;
        return decision;
    }
    decision.event = Event::fromAppleReminder(reminder);
    if (!decision.event) {
        decision.outcome = ScheduleDecision::Outcome::undated;
        return decision;
    }
    decision.alert = alertDecision(*decision.event, now, settings);
    decision.outcome = outcomeOf(*decision.alert);
    return decision;
}

// Own reminders are the user's explicit wish: no rule, per-event setting, travel time or
// show-only setting applies, and an alert already due is not raised again.
ScheduleDecision CalendarEventManager::decide(const Reminder& reminder, Date now)
{
    ScheduleDecision decision;
    decision.event = Event::fromReminder(reminder);
    AlertDecision alert {
        .offset = static_cast<TimeInterval>(reminder.timeOffsetSeconds()),
        .offsetSource = AlertDecision::OffsetSource::ownReminder,
    };
    alert.date = reminder.date() - alert.offset;
    alert.outcome = alert.date > now ? AlertDecision::Outcome::scheduled : AlertDecision::Outcome::passed;
    decision.alert = alert;
    decision.outcome = outcomeOf(alert);
    return decision;
}

AlertDecision CalendarEventManager::alertDecision(const Event& event, Date now, const BuildSettings& settings)
{
    AlertDecision alert { .offset = settings.timeOffsetSeconds, .offsetSource = AlertDecision::OffsetSource::user };
    if (auto custom = settings.eventSettings.find(event.id); custom != settings.eventSettings.end()) {
        if (custom->second.isExcluded) {
            alert.outcome = AlertDecision::Outcome::excludedBySettings;
            return alert;
        }
        if (custom->second.usesCustomTimeOffset) {
            alert.offset = static_cast<TimeInterval>(custom->second.timeOffsetSeconds);
            alert.offsetSource = AlertDecision::OffsetSource::event;
        }
    }
    if (settings.includeTravelTime)
        alert.travelTime = event.travelTime;
    alert.date = event.startDate - (alert.offset + alert.travelTime);
    alert.outcome = alert.date < now ? AlertDecision::Outcome::passed : AlertDecision::Outcome::scheduled;
    return alert;
}

ScheduleDecision CalendarEventManager::decision(const StoreEvent& event, Date now) const
{
    return decide(event, now, BuildSettings::current());
}

ScheduleDecision CalendarEventManager::decision(const StoreReminder& reminder, Date now) const
{
    return decide(reminder, now, BuildSettings::current());
}

ScheduleDecision CalendarEventManager::decision(const Reminder& ownReminder, Date now) const
{
    return decide(ownReminder, now);
}

void CalendarEventManager::finish(Reload reload, std::vector<Event> alertPassed)
{
    Date now = Date::now();
    auto current = m_store.currentEvents(now);
    auto pending = m_store.pendingEvents(now);
    std::vector<Event> scheduled;
    std::vector<Event> snoozedPast;
    {
        std::lock_guard lock(m_mutex);
        scheduled.reserve(m_invocations.size());
        for (auto& invocation : m_invocations)
            scheduled.push_back(invocation.event);
        for (auto& invocation : m_snoozedInvocations) {
            if (invocation.event.type == EventType::appleReminder && invocation.event.startDate < now)
                snoozedPast.push_back(invocation.event);
        }
    }
    sortByStartDate(scheduled);
    // The lists are replaced together, once the store's pending reminders are in: a reader on
    // another thread (a widget snapshot) must never join this reload's scheduled events with
    // the last reload's pending reminders, which could show an event twice or miss it. A
    // reload that started before the one whose lists stand changes nothing.
    auto apply = whileAlive([this, reload, current = std::move(current), pending = std::move(pending), scheduled = std::move(scheduled),
                                snoozedPast = std::move(snoozedPast), alertPassed = std::move(alertPassed)](std::vector<Event> events) mutable {
        {
            std::lock_guard lock(m_mutex);
            if (reload.generation >= m_listsGeneration) {
                m_listsGeneration = reload.generation;
                m_currentEvents = std::move(current);
                m_scheduledEvents = std::move(scheduled);
                m_pendingEvents = std::move(pending);
                m_snoozedPastAppleReminderEvents = std::move(snoozedPast);
                m_pendingAppleReminderEvents = std::move(events);
                m_alertPassedEvents = std::move(alertPassed);
            }
        }
        notify(reload.post, reload.completion);
        completeOvertakenReloads();
    });
    // The fetch may answer on a worker thread after the manager is gone: it only hands the
    // result to the main queue. It answers once, so the lists can move along.
    m_store.pendingAppleReminderEvents(now, [apply = std::move(apply)](std::vector<Event> events) mutable {
        DispatchQueue::main().async([apply = std::move(apply), events = std::move(events)]() mutable { apply(std::move(events)); });
    });
}

void CalendarEventManager::completeOvertakenReloads()
{
    std::vector<OvertakenReload> due;
    {
        std::lock_guard lock(m_mutex);
        auto stillWaiting = std::stable_partition(m_overtakenReloads.begin(), m_overtakenReloads.end(),
            [this](const OvertakenReload& reload) { return reload.untilLists > m_listsGeneration; });
        due.assign(std::make_move_iterator(stillWaiting), std::make_move_iterator(m_overtakenReloads.end()));
        m_overtakenReloads.erase(stillWaiting, m_overtakenReloads.end());
    }
    for (auto& reload : due)
        notify(reload.post, reload.completion);
}

void CalendarEventManager::notify(PostNotification post, const Completion& completion)
{
    std::shared_ptr<CalendarEventManagerDelegate> delegate;
    std::vector<AlertInvocation> all;
    {
        std::lock_guard lock(m_mutex);
        delegate = m_delegate.lock();
        if (delegate) {
            all = m_invocations;
            all.insert(all.end(), m_snoozedInvocations.begin(), m_snoozedInvocations.end());
        }
    }
    if (delegate)
        delegate->didUpdateInvocations(all);
    if (post == PostNotification::yes)
        NotificationCenter::defaultCenter().post(std::string(NotificationName::didReloadEvents), this);
    if (completion)
        completion();
}

// MARK: - Lists

std::vector<AlertInvocation> CalendarEventManager::invocations() const
{
    std::lock_guard lock(m_mutex);
    return m_invocations;
}

std::vector<AlertInvocation> CalendarEventManager::snoozedInvocations() const
{
    std::lock_guard lock(m_mutex);
    return { m_snoozedInvocations.begin(), m_snoozedInvocations.end() };
}

std::vector<Event> CalendarEventManager::currentEvents() const
{
    std::lock_guard lock(m_mutex);
    return m_currentEvents;
}

std::vector<Event> CalendarEventManager::scheduledEvents() const
{
    std::lock_guard lock(m_mutex);
    return m_scheduledEvents;
}

std::vector<Event> CalendarEventManager::pendingEvents() const
{
    std::lock_guard lock(m_mutex);
    return m_pendingEvents;
}

std::vector<Event> CalendarEventManager::snoozedPastAppleReminderEvents() const
{
    std::lock_guard lock(m_mutex);
    return m_snoozedPastAppleReminderEvents;
}

std::vector<Event> CalendarEventManager::pendingAppleReminderEvents() const
{
    std::lock_guard lock(m_mutex);
    return m_pendingAppleReminderEvents;
}

std::vector<Event> CalendarEventManager::allCachedEvents() const
{
    std::lock_guard lock(m_mutex);
    std::vector<Event> result = m_currentEvents;
    for (auto* list : { &m_scheduledEvents, &m_pendingEvents, &m_snoozedPastAppleReminderEvents, &m_pendingAppleReminderEvents })
        result.insert(result.end(), list->begin(), list->end());
    return result;
}

std::vector<Event> CalendarEventManager::allCachedUpcomingEvents() const
{
    std::vector<Event> result;
    {
        std::lock_guard lock(m_mutex);
        // Each event once, from the first list that has it; an occurrence is told apart from
        // the others of its series by its dates.
        std::set<std::tuple<EventType, std::string, std::optional<Date>, Date>> listed;
        for (auto* list : { &m_pendingEvents, &m_scheduledEvents, &m_pendingAppleReminderEvents, &m_alertPassedEvents }) {
            for (auto& event : *list) {
                if (listed.emplace(event.type, event.id, event.occurrenceDate, event.startDate).second)
                    result.push_back(event);
            }
        }
    }
    sortByStartDate(result);
    return result;
}

std::vector<Event> CalendarEventManager::allCachedCurrentEvents() const
{
    std::vector<Event> result;
    {
        std::lock_guard lock(m_mutex);
        result = m_currentEvents;
        result.insert(result.end(), m_snoozedPastAppleReminderEvents.begin(), m_snoozedPastAppleReminderEvents.end());
    }
    sortByStartDate(result);
    return result;
}

std::optional<Event> CalendarEventManager::cachedEvent(const std::string& withIdentifier) const
{
    for (auto& event : allCachedEvents()) {
        if (event.id == withIdentifier)
            return event;
    }
    return std::nullopt;
}

std::optional<std::string> CalendarEventManager::accountEmailForEvent(const std::string& withIdentifier) const
{
    auto event = m_store.event(withIdentifier);
    if (!event || !event->calendar)
        return std::nullopt;
    return ownerEmailAddress(*event->calendar);
}

// MARK: - Calendars

std::vector<UserCalendar> CalendarEventManager::listedCalendars(EntityType type) const
{
    std::string_view noun = type == EntityType::event ? "calendars" : "reminder lists";
    QMLogger::info(LogCategories::eventKit, "fetching " + std::string(noun));
    auto& settings = UserSettingsStore::shared();
    auto active = type == EntityType::event ? settings.activeCalendarIdentifiers() : settings.activeReminderListIdentifiers();
    std::vector<UserCalendar> result;
    for (auto& calendar : m_store.calendars(type)) {
        if (!isListedCalendar(*calendar))
            continue;
        result.push_back(UserCalendar {
            .identifier = calendar->calendarIdentifier,
            .name = calendar->title,
            .color = calendar->color,
            .active = std::find(active.begin(), active.end(), calendar->calendarIdentifier) != active.end(),
            .accountName = calendar->source.title,
            .isDelegate = isDelegate(*calendar),
        });
    }
    QMLogger::info(LogCategories::eventKit, "fetched " + std::to_string(result.size()) + " " + std::string(noun));
    return result;
}

std::vector<UserCalendar> CalendarEventManager::fetchCalendars() const
{
    return listedCalendars(EntityType::event);
}

std::vector<UserReminderList> CalendarEventManager::fetchReminderLists() const
{
    std::vector<UserReminderList> result;
    for (auto& list : listedCalendars(EntityType::reminder))
        result.push_back({ list.identifier, list.name, list.color, list.active, list.accountName });
    return result;
}

tl::expected<void, DefaultsError> CalendarEventManager::activateAllCalendars()
{
    std::vector<std::string> identifiers;
    for (auto& calendar : fetchCalendars())
        identifiers.push_back(calendar.identifier);
    return UserSettingsStore::shared().setActiveCalendarIdentifiers(identifiers);
}

tl::expected<void, DefaultsError> CalendarEventManager::activateFirstCalendar()
{
    auto calendars = fetchCalendars();
    std::vector<std::string> identifiers;
    if (!calendars.empty())
        identifiers.push_back(calendars.front().identifier);
    return UserSettingsStore::shared().setActiveCalendarIdentifiers(identifiers);
}

tl::expected<void, DefaultsError> CalendarEventManager::activateCalendar(const std::string& withIdentifier)
{
    auto added = UserSettingsStore::shared().activateCalendar(withIdentifier);
    if (!added)
        return tl::unexpected(added.error());
    if (*added)
        reloadEvents(PostNotification::yes);
    return {};
}

tl::expected<void, DefaultsError> CalendarEventManager::deactivateCalendar(const std::string& withIdentifier)
{
    auto removed = UserSettingsStore::shared().deactivateCalendar(withIdentifier);
    if (!removed)
        return tl::unexpected(removed.error());
    reloadEvents(PostNotification::yes);
    return {};
}

// MARK: - Alerts and snoozes

void CalendarEventManager::didHandleAlertInvocation(const AlertInvocation& invocation)
{
    std::lock_guard lock(m_mutex);
    if (invocation.isSnooze) {
        m_snoozedInvocations.erase(invocation);
        return;
    }
    auto found = std::find(m_invocations.begin(), m_invocations.end(), invocation);
    if (found != m_invocations.end())
        m_invocations.erase(found);
}

void CalendarEventManager::insertSnooze(AlertInvocation invocation)
{
    std::lock_guard lock(m_mutex);
    m_snoozedInvocations.insert(std::move(invocation));
}

void CalendarEventManager::snooze(const Event& event, std::int64_t minutes)
{
    auto seconds = static_cast<TimeInterval>(minutes) * 60;
    if (event.type == EventType::tvkReminder) {
        if (auto reminder = m_remindersStore.reminder(event.id)) {
            if (auto moved = m_remindersStore.updateReminder(reminder->addingTimeInterval(seconds)); !moved)
                QMLogger::warning("could not move the snoozed reminder: " + moved.error().message);
            reloadEvents(PostNotification::yes);
            return;
        }
    }
    insertSnooze(AlertInvocation { Date::now() + seconds, event, true });
    reloadEvents(PostNotification::yes);
}

void CalendarEventManager::snoozeUntilTimeOfEvent(const Event& event)
{
    // Applied on the main queue, so the snooze never lands between a reload's main-queue steps.
    DispatchQueue::main().async(whileAlive([this, event] {
        if (!(event.startDate > Date::now()))
            return;
        insertSnooze(AlertInvocation { event.startDate, event, true });
        reloadEvents(PostNotification::yes);
    }));
}

void CalendarEventManager::removeSnooze(const Event& event)
{
    std::optional<AlertInvocation> removed;
    std::shared_ptr<CalendarEventManagerDelegate> delegate;
    {
        std::lock_guard lock(m_mutex);
        auto found = std::find_if(m_snoozedInvocations.begin(), m_snoozedInvocations.end(),
            [&](const AlertInvocation& invocation) { return invocation.event.id == event.id; });
        if (found == m_snoozedInvocations.end())
            return;
        removed = *found;
        m_snoozedInvocations.erase(found);
        delegate = m_delegate.lock();
    }
    if (delegate)
        delegate->didRemoveSnooze(*removed);
}

// MARK: - Debugging

void CalendarEventManager::debug_printScheduledAlerts() const
{
    auto scheduled = invocations();
    std::string message = "scheduled alerts (" + std::to_string(scheduled.size()) + "):";
    for (auto& invocation : scheduled)
        message += "\n" + invocation.date.description() + ": " + invocation.event.title.value_or("(unknown)");
    message += "\n-------------------";
    QMLogger::debug(message);
}

void CalendarEventManager::debug_printCustomReminders() const
{
    auto reminders = m_remindersStore.reminders();
    std::string message = "custom reminders (" + std::to_string(reminders.size()) + "):";
    for (auto& reminder : reminders)
        message += "\n" + reminder.debugDescription();
    message += "-------------------";
    QMLogger::debug(message);
}

}

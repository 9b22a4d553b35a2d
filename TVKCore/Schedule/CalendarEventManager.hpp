#pragma once

#include "Platform/Runtime/NotificationCenter.hpp"
#include "Platform/Runtime/RepeatingTimer.hpp"
#include "TVKCore/Calendar/AggregatedEventStore.hpp"
#include "TVKCore/Calendar/UserCalendar.hpp"
#include "TVKCore/Calendar/UserReminderList.hpp"
#include "TVKCore/Schedule/AlertInvocation.hpp"
#include "TVKCore/Schedule/CalendarEventManagerDelegate.hpp"
#include "TVKCore/Schedule/MadeEvents.hpp"
#include "TVKCore/Schedule/ScheduleDecision.hpp"
#include "TVKCore/Settings/CustomRemindersStoring.hpp"
#include "TVKCore/Settings/EventSettings.hpp"

#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <tsl/ordered_set.h>
#include <vector>

namespace tvk {

namespace NotificationName {
/// Posted on the default centre, without object, after a reload that was asked to tell.
inline constexpr std::string_view didReloadEvents = "DidReloadEvents";
}

/// Turns the user's calendars, reminder lists and own reminders into the lists the widgets
/// show and the schedule of alerts, and keeps them current: it reloads when a calendar or
/// the own reminders change, once a minute, and when asked.
///
/// A reload reads the settings and queries the calendars on the calling thread, then builds
/// the schedule and, on the main queue once the store's pending reminders are in, replaces the
/// event lists together; finally it tells the delegate, posts "DidReloadEvents" when asked
/// to, and calls its completion on the main queue. Reloads are not serialized: overlapping
/// ones each complete once, and the lists are those of the reload that started last among
/// those that got that far, whatever order the store answered in, so that an older reload
/// never puts back what a newer one read after a change.
///
/// Every list can be read from any thread; a reader gets a copy that one writer made whole,
/// and the combined lists (`allCachedUpcomingEvents`, ...) join lists of one reload.
/// Destroy a manager on the main queue's thread (the shared one lives for the process). Any
/// reload still in flight then ends without touching it, and its completion is not called:
/// reloads also start on their own (changes, the timer), so no owner could wait for them all.
class CalendarEventManager {
public:
    enum class PostNotification { no, yes };
    using Completion = std::function<void()>;

    /// Over `AggregatedEventStore::shared()` and `CustomRemindersStore::shared()`.
    static CalendarEventManager& shared();
    /// Registers for changes and arms the minute timer (on the main queue); loads nothing.
    CalendarEventManager(AggregatedEventStore& aggregatedEventStore, CustomRemindersStoring& remindersStore);
    ~CalendarEventManager();
    CalendarEventManager(const CalendarEventManager&) = delete;
    CalendarEventManager& operator=(const CalendarEventManager&) = delete;

    AggregatedEventStore& aggregatedEventStore() const { return m_store; }
    void setDelegate(std::weak_ptr<CalendarEventManagerDelegate> delegate);
    /// The next time the minute timer fires; none until it is armed on the main queue.
    std::optional<Date> nextTimerFireDate() const;

    void reloadEvents(PostNotification shouldPostNotification, Completion completion = nullptr);

    /// The end of the window a reload at `now` reads, which starts at `now`: the end of the day
    /// `upcomingEventsDaysFilter` days ahead (held to a year).
    static Date windowEnd(Date now);

    // What a reload at `now` decides for one item, under the settings as they are now: the
    // build's own steps, in its order, with their reasons. The item is taken as fetched (from
    // an active calendar or list, within the window); what is left out before that is the
    // caller's to tell.

    ScheduleDecision decision(const StoreEvent& event, Date now) const;
    ScheduleDecision decision(const StoreReminder& reminder, Date now) const;
    /// Own reminders skip exclude rules, per-event settings, travel time and the show-only
    /// settings: their own offset alone decides.
    ScheduleDecision decision(const Reminder& ownReminder, Date now) const;

    /// The alert schedule of the last reload, without snoozes: calendar events in fetch
    /// order, then own reminders in stored order, then store reminders in fetch order.
    std::vector<AlertInvocation> invocations() const;
    /// In insertion order.
    std::vector<AlertInvocation> snoozedInvocations() const;
    std::vector<Event> currentEvents() const;
    /// The events of `invocations`, by start (stable).
    std::vector<Event> scheduledEvents() const;
    std::vector<Event> pendingEvents() const;
    std::vector<Event> snoozedPastAppleReminderEvents() const;
    std::vector<Event> pendingAppleReminderEvents() const;
    /// The five lists joined, current first, not sorted.
    std::vector<Event> allCachedEvents() const;
    /// Everything of the window that has not started yet and that the user wants to see:
    /// pending, scheduled and pending store reminders, then the events whose alert has already
    /// passed (which are in none of those lists, and are still what comes next), each once,
    /// by start (stable).
    std::vector<Event> allCachedUpcomingEvents() const;
    /// Current events and past snoozed store reminders, by start (stable).
    std::vector<Event> allCachedCurrentEvents() const;
    std::optional<Event> cachedEvent(const std::string& withIdentifier) const;

    bool hasCalendarAccess() const { return m_store.hasCalendarAccess(); }
    bool hasReminderAccess() const { return m_store.hasReminderAccess(); }
    /// The owner address of the calendar of the event with that identifier.
    std::optional<std::string> accountEmailForEvent(const std::string& withIdentifier) const;

    /// Event calendars and reminder lists for the settings screens, without birthday and
    /// subscribed holiday calendars.
    std::vector<UserCalendar> fetchCalendars() const;
    std::vector<UserReminderList> fetchReminderLists() const;
    /// These edit the active calendars under the settings' lock; the last two reload, with
    /// notification, when they changed something.
    tl::expected<void, DefaultsError> activateAllCalendars();
    tl::expected<void, DefaultsError> activateFirstCalendar();
    tl::expected<void, DefaultsError> activateCalendar(const std::string& withIdentifier);
    tl::expected<void, DefaultsError> deactivateCalendar(const std::string& withIdentifier);

    /// Forgets an alert that was shown: a snooze by equality, else the first equal scheduled
    /// invocation.
    void didHandleAlertInvocation(const AlertInvocation& invocation);
    /// An own reminder that still exists is moved in its store; anything else gets a snooze at
    /// now plus the minutes. Reloads with notification.
    void snooze(const Event& event, std::int64_t minutes);
    /// A snooze at the event's start, when that is still ahead; applied on the main queue,
    /// which then reloads. Returns at once.
    void snoozeUntilTimeOfEvent(const Event& event);
    /// Drops the first snooze of the event, tells the delegate; no reload.
    void removeSnooze(const Event& event);

    void debug_printScheduledAlerts() const;
    void debug_printCustomReminders() const;

private:
    void loadScreenshotDemoEvents();
    /// The calendars of one entity type that the settings screens list, as calendars.
    std::vector<UserCalendar> listedCalendars(EntityType type) const;
    /// One reload on its way through the main queue.
    struct Reload {
        PostNotification post = PostNotification::no;
        Completion completion;
        /// Counts reloads in the order they started.
        std::uint64_t generation = 0;
        Date now;
        Date end;
    };
    using FetchCompletion = std::function<void(std::vector<StoreEvent>, std::vector<StoreReminder>)>;
    void fetchItems(Date from, Date to, FetchCompletion completion);
    void buildSchedule(std::vector<StoreEvent> events, const std::vector<StoreReminder>& reminders, Reload reload);
    /// What a schedule build reads of the settings, once per build: every read of a setting
    /// checks the settings file.
    struct BuildSettings {
        std::vector<FilterRule> rules;
        EligibilitySettings eligibility;
        bool showOnlyEventsWithVideoConference = false;
        TimeInterval timeOffsetSeconds = 60;
        bool includeTravelTime = false;
        /// The user's settings of single events, by event identifier.
        std::map<std::string, EventSettings> eventSettings;
        static BuildSettings current();
    };
    /// What one schedule build makes of the items: an alert for each whose alert lies ahead,
    /// and, for the upcoming list, those whose alert has passed before their start.
    struct Schedule {
        std::vector<AlertInvocation> invocations;
        std::vector<Event> alertPassed;
        void add(ScheduleDecision decision, Date now);
    };
    /// `made`, when given, makes the event (and remembers it for the next build).
    ScheduleDecision decide(const StoreEvent& event, Date now, const BuildSettings& settings, MadeEvents* made = nullptr) const;
    ScheduleDecision decide(const StoreReminder& reminder, Date now, const BuildSettings& settings) const;
    static ScheduleDecision decide(const Reminder& ownReminder, Date now);
    /// The alert of an event made from a store item: the user's offset or the event's own,
    /// plus travel time when the user includes it; an alert exactly at `now` is still ahead.
    static AlertDecision alertDecision(const Event& event, Date now, const BuildSettings& settings);
    void finish(Reload reload, std::vector<Event> alertPassed);
    void notify(PostNotification post, const Completion& completion);
    /// Completes the overtaken reloads whose lists now stand; on the main queue.
    void completeOvertakenReloads();
    void insertSnooze(AlertInvocation invocation);
    /// `step`, made to do nothing once the manager is gone. Only for steps that run on the
    /// main queue, the thread the manager is destroyed on, so that the check cannot go stale
    /// while the step runs; work on other threads only hands its result to such a step.
    template <typename Step> auto whileAlive(Step step) const;

    struct Lifetime { };
    std::shared_ptr<Lifetime> m_lifetime = std::make_shared<Lifetime>();
    AggregatedEventStore& m_store;
    CustomRemindersStoring& m_remindersStore;
    std::vector<ObserverToken> m_observerTokens;
    std::unique_ptr<RepeatingTimer> m_timer;

    mutable std::mutex m_mutex;
    std::weak_ptr<CalendarEventManagerDelegate> m_delegate;
    std::vector<AlertInvocation> m_invocations;
    tsl::ordered_set<AlertInvocation> m_snoozedInvocations;
    std::vector<Event> m_currentEvents;
    std::vector<Event> m_scheduledEvents;
    std::vector<Event> m_pendingEvents;
    std::vector<Event> m_snoozedPastAppleReminderEvents;
    std::vector<Event> m_pendingAppleReminderEvents;
    /// Eligible events of the window whose alert passed before they started.
    std::vector<Event> m_alertPassedEvents;
    MadeEvents m_madeEvents;
    /// The first reload's building of the link detection tables (see `reloadEvents`).
    std::future<void> m_sharedTablesBuilt;
    std::uint64_t m_reloadsStarted = 0;
    /// The reloads whose schedule (`m_invocations`), and whose event lists, stand.
    std::uint64_t m_scheduleGeneration = 0;
    std::uint64_t m_listsGeneration = 0;
    /// Reloads overtaken by a newer one whose lists are not in place yet: each completes once
    /// the lists of at least `untilLists` stand, so that its caller reads lists as new as the
    /// calendars it was asked for.
    struct OvertakenReload {
        std::uint64_t untilLists = 0;
        PostNotification post = PostNotification::no;
        Completion completion;
    };
    std::vector<OvertakenReload> m_overtakenReloads;
};

}

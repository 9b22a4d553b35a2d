#pragma once

#include "TVKCore/Rules/FilterRule.hpp"
#include "TVKCore/Settings/FilterRuleCoding.hpp"
#include "TVKUtils/CodableUserDefault.hpp"
#include "TVKUtils/UserDefault.hpp"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <tl/expected.hpp>
#include <vector>

namespace tvk {

/// The user's global settings. All but one live in the shared domain, where the main
/// application writes them; `keyboardShortcutsDelay` is per program. Keys equal the property
/// names except two: `showOnlyAcceptedEvents` is kept under "showTentativeEvents" (true
/// restricts attended events to accepted ones) and `debugScreenshotMode` under
/// "debug_screenshotMode".
///
/// Every read goes to the domain (no copy is kept here) and falls back to the default for a
/// missing or mistyped value; every write is stored at once. Safe from any thread.
///
/// Building the store (once per process for `shared()`) first copies the settings a program
/// kept in its own domain into the shared one, once (flag "didMigrateToSharedDefaults"), and
/// then converts a legacy "timeOffset" in minutes into `timeOffsetSeconds`, in that order so
/// that the converted offset is what remains.
class UserSettingsStore {
public:
    using Result = tl::expected<void, DefaultsError>;

    /// The keys of the settings, in declaration order.
    static constexpr std::array<std::string_view, 15> settingKeys { "activeCalendarIdentifiers", "activeReminderListIdentifiers",
        "timeOffsetSeconds", "showOnlyEventsWithAlert", "showTentativeEvents", "showOnlyEventsWithVideoConference",
        "upcomingEventsDaysFilter", "includeTravelTime", "customSnoozeTimes", "defaultSnooze1", "defaultSnooze2", "excludeRules",
        "desktopNotificationAlerts", "debug_screenshotMode", "keyboardShortcutsDelay" };
    static constexpr std::string_view migrationFlagKey = "didMigrateToSharedDefaults";
    static constexpr std::string_view legacyTimeOffsetKey = "timeOffset";

    static UserSettingsStore& shared();
    /// Over explicit domains standing in for the shared and the program's own, for tools and
    /// tests. Runs the migration and the legacy conversion on them.
    UserSettingsStore(UserDefaults& sharedDomain, UserDefaults& standardDomain);
    UserSettingsStore(const UserSettingsStore&) = delete;
    UserSettingsStore& operator=(const UserSettingsStore&) = delete;

    std::vector<std::string> activeCalendarIdentifiers() const { return m_activeCalendarIdentifiers.get(); }
    Result setActiveCalendarIdentifiers(const std::vector<std::string>& value) { return m_activeCalendarIdentifiers.set(value); }
    std::vector<std::string> activeReminderListIdentifiers() const { return m_activeReminderListIdentifiers.get(); }
    Result setActiveReminderListIdentifiers(const std::vector<std::string>& value) { return m_activeReminderListIdentifiers.set(value); }
    /// Seconds before an event's start at which it alerts.
    std::int64_t timeOffsetSeconds() const { return m_timeOffsetSeconds.get(); }
    Result setTimeOffsetSeconds(std::int64_t value) { return m_timeOffsetSeconds.set(value); }
    bool showOnlyEventsWithAlert() const { return m_showOnlyEventsWithAlert.get(); }
    Result setShowOnlyEventsWithAlert(bool value) { return m_showOnlyEventsWithAlert.set(value); }
    /// True restricts attended events to those the user accepted.
    bool showOnlyAcceptedEvents() const { return m_showOnlyAcceptedEvents.get(); }
    Result setShowOnlyAcceptedEvents(bool value) { return m_showOnlyAcceptedEvents.set(value); }
    bool showOnlyEventsWithVideoConference() const { return m_showOnlyEventsWithVideoConference.get(); }
    Result setShowOnlyEventsWithVideoConference(bool value) { return m_showOnlyEventsWithVideoConference.set(value); }
    /// Days ahead to load.
    std::int64_t upcomingEventsDaysFilter() const { return m_upcomingEventsDaysFilter.get(); }
    Result setUpcomingEventsDaysFilter(std::int64_t value) { return m_upcomingEventsDaysFilter.set(value); }
    bool includeTravelTime() const { return m_includeTravelTime.get(); }
    Result setIncludeTravelTime(bool value) { return m_includeTravelTime.set(value); }
    /// Minutes.
    std::vector<std::int64_t> customSnoozeTimes() const { return m_customSnoozeTimes.get(); }
    Result setCustomSnoozeTimes(const std::vector<std::int64_t>& value) { return m_customSnoozeTimes.set(value); }
    /// Minutes.
    std::int64_t defaultSnooze1() const { return m_defaultSnooze1.get(); }
    Result setDefaultSnooze1(std::int64_t value) { return m_defaultSnooze1.set(value); }
    /// Minutes.
    std::int64_t defaultSnooze2() const { return m_defaultSnooze2.get(); }
    Result setDefaultSnooze2(std::int64_t value) { return m_defaultSnooze2.set(value); }
    /// An unreadable stored list reads as no rules and logs "could not load persisted filter
    /// rules".
    std::vector<FilterRule> excludeRules() const { return m_excludeRules.get(); }
    Result setExcludeRules(const std::vector<FilterRule>& value) { return m_excludeRules.set(value); }
    /// Whether the widget host and `tvkctl alerts --follow` show the alerts as desktop
    /// notifications while the main application does not run (`DesktopAlerts`); on by default.
    bool desktopNotificationAlerts() const { return m_desktopNotificationAlerts.get(); }
    Result setDesktopNotificationAlerts(bool value) { return m_desktopNotificationAlerts.set(value); }
    bool debugScreenshotMode() const { return m_debugScreenshotMode.get(); }
    Result setDebugScreenshotMode(bool value) { return m_debugScreenshotMode.set(value); }
    std::int64_t keyboardShortcutsDelay() const { return m_keyboardShortcutsDelay.get(); }
    Result setKeyboardShortcutsDelay(std::int64_t value) { return m_keyboardShortcutsDelay.set(value); }

    /// Removes every setting above from the program's own domain and from the shared one, so
    /// that each reads its default. The per-event settings and own reminders stay.
    Result resetAll();

    /// Adds the calendar to the active ones (at the end) under the domain's lock, so that an edit
    /// of another program in between is kept. True when it was not active before.
    tl::expected<bool, DefaultsError> activateCalendar(const std::string& identifier);
    /// Removes the calendar from the active ones under the domain's lock; true when it was active.
    tl::expected<bool, DefaultsError> deactivateCalendar(const std::string& identifier);
    tl::expected<bool, DefaultsError> activateReminderList(const std::string& identifier);
    tl::expected<bool, DefaultsError> deactivateReminderList(const std::string& identifier);
    /// Appends the rule under the domain's lock. A stored list that cannot be read is left as it
    /// is and the addition refused, rather than replaced by a list holding only the new rule.
    Result addExcludeRule(const FilterRule& rule);
    /// Removes the rules with the id under the domain's lock; true when there was one. Refused,
    /// like an addition, when the stored list cannot be read.
    tl::expected<bool, DefaultsError> removeExcludeRule(const UUID& id);
    /// The exclude rules as stored, or why they cannot be read, where `excludeRules()` reads
    /// such a list as no rules.
    tl::expected<std::vector<FilterRule>, std::string> readExcludeRules() const;

private:
    void migrateToSharedDefaultsOnce();
    void convertLegacyTimeOffset();

    const UserDefault<std::vector<std::string>> m_activeCalendarIdentifiers;
    const UserDefault<std::vector<std::string>> m_activeReminderListIdentifiers;
    const UserDefault<std::int64_t> m_timeOffsetSeconds;
    const UserDefault<bool> m_showOnlyEventsWithAlert;
    const UserDefault<bool> m_showOnlyAcceptedEvents;
    const UserDefault<bool> m_showOnlyEventsWithVideoConference;
    const UserDefault<std::int64_t> m_upcomingEventsDaysFilter;
    const UserDefault<bool> m_includeTravelTime;
    const UserDefault<std::vector<std::int64_t>> m_customSnoozeTimes;
    const UserDefault<std::int64_t> m_defaultSnooze1;
    const UserDefault<std::int64_t> m_defaultSnooze2;
    const CodableUserDefault<std::vector<FilterRule>> m_excludeRules;
    const UserDefault<bool> m_desktopNotificationAlerts;
    const UserDefault<bool> m_debugScreenshotMode;
    const UserDefault<std::int64_t> m_keyboardShortcutsDelay;
    UserDefaults& m_shared;
    UserDefaults& m_standard;
};

/// The integers under these keys of a domain as the platform reads an integer (0 when
/// absent), for code that watches the raw domain rather than the typed settings.
std::int64_t defaultSnooze1(const UserDefaults& defaults);
std::int64_t defaultSnooze2(const UserDefaults& defaults);
std::int64_t upcomingEventsDaysFilter(const UserDefaults& defaults);

}

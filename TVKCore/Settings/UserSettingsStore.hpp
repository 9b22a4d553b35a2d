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
    static constexpr std::array<std::string_view, 14> settingKeys { "activeCalendarIdentifiers", "activeReminderListIdentifiers",
        "timeOffsetSeconds", "showOnlyEventsWithAlert", "showTentativeEvents", "showOnlyEventsWithVideoConference",
        "upcomingEventsDaysFilter", "includeTravelTime", "customSnoozeTimes", "defaultSnooze1", "defaultSnooze2", "excludeRules",
        "debug_screenshotMode", "keyboardShortcutsDelay" };
    static constexpr std::string_view migrationFlagKey = "didMigrateToSharedDefaults";
    static constexpr std::string_view legacyTimeOffsetKey = "timeOffset";

    static UserSettingsStore& shared();
    /// Over explicit domains standing in for the shared and the program's own, for tools and
    /// tests. Runs the migration and the legacy conversion on them.
    UserSettingsStore(UserDefaults& sharedDomain, UserDefaults& standardDomain);
    UserSettingsStore(const UserSettingsStore&) = delete;
    UserSettingsStore& operator=(const UserSettingsStore&) = delete;

    std::vector<std::string> activeCalendarIdentifiers() const { return _activeCalendarIdentifiers.get(); }
    Result setActiveCalendarIdentifiers(const std::vector<std::string>& value) { return _activeCalendarIdentifiers.set(value); }
    std::vector<std::string> activeReminderListIdentifiers() const { return _activeReminderListIdentifiers.get(); }
    Result setActiveReminderListIdentifiers(const std::vector<std::string>& value) { return _activeReminderListIdentifiers.set(value); }
    /// Seconds before an event's start at which it alerts.
    std::int64_t timeOffsetSeconds() const { return _timeOffsetSeconds.get(); }
    Result setTimeOffsetSeconds(std::int64_t value) { return _timeOffsetSeconds.set(value); }
    bool showOnlyEventsWithAlert() const { return _showOnlyEventsWithAlert.get(); }
    Result setShowOnlyEventsWithAlert(bool value) { return _showOnlyEventsWithAlert.set(value); }
    /// True restricts attended events to those the user accepted.
    bool showOnlyAcceptedEvents() const { return _showOnlyAcceptedEvents.get(); }
    Result setShowOnlyAcceptedEvents(bool value) { return _showOnlyAcceptedEvents.set(value); }
    bool showOnlyEventsWithVideoConference() const { return _showOnlyEventsWithVideoConference.get(); }
    Result setShowOnlyEventsWithVideoConference(bool value) { return _showOnlyEventsWithVideoConference.set(value); }
    /// Days ahead to load.
    std::int64_t upcomingEventsDaysFilter() const { return _upcomingEventsDaysFilter.get(); }
    Result setUpcomingEventsDaysFilter(std::int64_t value) { return _upcomingEventsDaysFilter.set(value); }
    bool includeTravelTime() const { return _includeTravelTime.get(); }
    Result setIncludeTravelTime(bool value) { return _includeTravelTime.set(value); }
    /// Minutes.
    std::vector<std::int64_t> customSnoozeTimes() const { return _customSnoozeTimes.get(); }
    Result setCustomSnoozeTimes(const std::vector<std::int64_t>& value) { return _customSnoozeTimes.set(value); }
    /// Minutes.
    std::int64_t defaultSnooze1() const { return _defaultSnooze1.get(); }
    Result setDefaultSnooze1(std::int64_t value) { return _defaultSnooze1.set(value); }
    /// Minutes.
    std::int64_t defaultSnooze2() const { return _defaultSnooze2.get(); }
    Result setDefaultSnooze2(std::int64_t value) { return _defaultSnooze2.set(value); }
    /// An unreadable stored list reads as no rules and logs "could not load persisted filter
    /// rules".
    std::vector<FilterRule> excludeRules() const { return _excludeRules.get(); }
    Result setExcludeRules(const std::vector<FilterRule>& value) { return _excludeRules.set(value); }
    bool debugScreenshotMode() const { return _debugScreenshotMode.get(); }
    Result setDebugScreenshotMode(bool value) { return _debugScreenshotMode.set(value); }
    std::int64_t keyboardShortcutsDelay() const { return _keyboardShortcutsDelay.get(); }
    Result setKeyboardShortcutsDelay(std::int64_t value) { return _keyboardShortcutsDelay.set(value); }

    /// Removes every setting above from the program's own domain and from the shared one, so
    /// that each reads its default. The per-event settings and own reminders stay.
    Result resetAll();

    // The wrappers, for read-modify-writes under the domain's lock (`modify`).
    const UserDefault<std::vector<std::string>> _activeCalendarIdentifiers;
    const UserDefault<std::vector<std::string>> _activeReminderListIdentifiers;
    const UserDefault<std::int64_t> _timeOffsetSeconds;
    const UserDefault<bool> _showOnlyEventsWithAlert;
    const UserDefault<bool> _showOnlyAcceptedEvents;
    const UserDefault<bool> _showOnlyEventsWithVideoConference;
    const UserDefault<std::int64_t> _upcomingEventsDaysFilter;
    const UserDefault<bool> _includeTravelTime;
    const UserDefault<std::vector<std::int64_t>> _customSnoozeTimes;
    const UserDefault<std::int64_t> _defaultSnooze1;
    const UserDefault<std::int64_t> _defaultSnooze2;
    const CodableUserDefault<std::vector<FilterRule>> _excludeRules;
    const UserDefault<bool> _debugScreenshotMode;
    const UserDefault<std::int64_t> _keyboardShortcutsDelay;

private:
    void migrateToSharedDefaultsOnce();
    void convertLegacyTimeOffset();

    UserDefaults& m_shared;
    UserDefaults& m_standard;
};

/// The integers under these keys of a domain as the platform reads an integer (0 when
/// absent), for code that watches the raw domain rather than the typed settings.
std::int64_t defaultSnooze1(const UserDefaults& defaults);
std::int64_t defaultSnooze2(const UserDefaults& defaults);
std::int64_t upcomingEventsDaysFilter(const UserDefaults& defaults);

}

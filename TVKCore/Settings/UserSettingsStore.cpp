#include "TVKCore/Settings/UserSettingsStore.hpp"

#include "Platform/Runtime/ProcessWideInstance.hpp"
#include "QMLogger/QMLogger.hpp"
#include "TVKCore/Settings/CustomRemindersStore.hpp"
#include "TVKCore/Settings/EventSettingsStore.hpp"
#include "TVKUtils/SharedDefaults.hpp"

#include <algorithm>

namespace tvk {

namespace {

constexpr DefaultsSuite inShared = DefaultsSuite::shared;
constexpr DefaultsSuite inStandard = DefaultsSuite::standard;

tl::expected<bool, DefaultsError> addIdentifier(const UserDefault<std::vector<std::string>>& setting, const std::string& identifier)
{
    bool added = false;
    auto stored = setting.modify([&](std::vector<std::string>& identifiers) {
        if (std::find(identifiers.begin(), identifiers.end(), identifier) != identifiers.end())
            return;
        identifiers.push_back(identifier);
        added = true;
    });
    return stored.map([&] { return added; });
}

tl::expected<bool, DefaultsError> removeIdentifier(const UserDefault<std::vector<std::string>>& setting, const std::string& identifier)
{
    bool removed = false;
    auto stored = setting.modify([&](std::vector<std::string>& identifiers) { removed = std::erase(identifiers, identifier) > 0; });
    return stored.map([&] { return removed; });
}

}

UserSettingsStore& UserSettingsStore::shared()
{
    static auto* instance = new ProcessWideInstance<UserSettingsStore>;
    return instance->get([] { return new UserSettingsStore(sharedUserDefaults(), UserDefaults::standard()); });
}

UserSettingsStore::UserSettingsStore(UserDefaults& sharedDomain, UserDefaults& standardDomain)
    : m_activeCalendarIdentifiers("activeCalendarIdentifiers", {}, inShared, sharedDomain)
    , m_activeReminderListIdentifiers("activeReminderListIdentifiers", {}, inShared, sharedDomain)
    , m_timeOffsetSeconds("timeOffsetSeconds", 60, inShared, sharedDomain)
    , m_showOnlyEventsWithAlert("showOnlyEventsWithAlert", false, inShared, sharedDomain)
    , m_showOnlyAcceptedEvents("showTentativeEvents", false, inShared, sharedDomain)
    , m_showOnlyEventsWithVideoConference("showOnlyEventsWithVideoConference", false, inShared, sharedDomain)
    , m_upcomingEventsDaysFilter("upcomingEventsDaysFilter", 7, inShared, sharedDomain)
    , m_includeTravelTime("includeTravelTime", false, inShared, sharedDomain)
    , m_customSnoozeTimes("customSnoozeTimes", {}, inShared, sharedDomain)
    , m_defaultSnooze1("defaultSnooze1", 1, inShared, sharedDomain)
    , m_defaultSnooze2("defaultSnooze2", 5, inShared, sharedDomain)
    , m_excludeRules("excludeRules", {}, inShared, sharedDomain)
    , m_desktopNotificationAlerts("desktopNotificationAlerts", true, inShared, sharedDomain)
    , m_debugScreenshotMode("debug_screenshotMode", false, inShared, sharedDomain)
    , m_keyboardShortcutsDelay("keyboardShortcutsDelay", 1, inStandard, standardDomain)
    , m_shared(sharedDomain)
    , m_standard(standardDomain)
{
    // Migration first: were the legacy offset converted first, the migration's copy of the
    // program's own "timeOffsetSeconds" would replace the converted value.
    migrateToSharedDefaultsOnce();
    convertLegacyTimeOffset();
}

void UserSettingsStore::migrateToSharedDefaultsOnce()
{
    const std::string flag(migrationFlagKey);
    if (m_standard.boolean(flag))
        return;
    std::vector<std::string> keys(settingKeys.begin(), settingKeys.end());
    keys.emplace_back(CustomRemindersStore::storageKey);
    keys.emplace_back(EventSettingsStore::storageKey);

    // Only values the program's own domain holds are copied. A key it lacks is left alone in
    // the shared domain: a program that never kept settings of its own (every program but an
    // old main application) must not wipe what the main application shared.
    auto own = m_standard.dictionaryRepresentation();
    auto copied = m_shared.modify([&](PropertyList::Dictionary& dictionary) {
        for (auto& key : keys) {
            if (auto found = own.find(key); found != own.end())
                dictionary.insert_or_assign(key, found->second);
        }
    });
    if (!copied) {
        // Try again at the next start rather than mark a copy done that did not happen.
        QMLogger::error("could not move the settings into the shared domain: " + copied.error().message);
        return;
    }
    if (auto marked = m_standard.set(flag, true); !marked)
        QMLogger::error("could not record the move of the settings into the shared domain: " + marked.error().message);
}

void UserSettingsStore::convertLegacyTimeOffset()
{
    const std::string key(legacyTimeOffsetKey);
    auto stored = m_standard.object(key);
    if (!stored)
        return;
    // The legacy value is minutes; only a value that reads as an integer is converted, and any
    // other is left where it is.
    auto minutes = PropertyListBridge<std::int64_t>::cast(*stored);
    if (!minutes)
        return;
    std::int64_t seconds = 0;
    if (__builtin_mul_overflow(*minutes, std::int64_t(60), &seconds)) {
        QMLogger::error("the legacy alert offset " + std::to_string(*minutes) + " minutes is out of range; it was left unconverted");
        return;
    }
    if (auto written = m_timeOffsetSeconds.set(seconds); !written) {
        QMLogger::error("could not convert the legacy alert offset: " + written.error().message);
        return;
    }
    (void)m_standard.removeObject(key);
}

UserSettingsStore::Result UserSettingsStore::resetAll()
{
    auto removeSettings = [](PropertyList::Dictionary& dictionary) {
        for (auto key : settingKeys)
            dictionary.erase(std::string(key));
    };
    auto own = m_standard.modify(removeSettings);
    auto sharedResult = m_shared.modify(removeSettings);
    return own ? sharedResult : own;
}

tl::expected<bool, DefaultsError> UserSettingsStore::activateCalendar(const std::string& identifier)
{
    return addIdentifier(m_activeCalendarIdentifiers, identifier);
}

tl::expected<bool, DefaultsError> UserSettingsStore::deactivateCalendar(const std::string& identifier)
{
    return removeIdentifier(m_activeCalendarIdentifiers, identifier);
}

tl::expected<bool, DefaultsError> UserSettingsStore::activateReminderList(const std::string& identifier)
{
    return addIdentifier(m_activeReminderListIdentifiers, identifier);
}

tl::expected<bool, DefaultsError> UserSettingsStore::deactivateReminderList(const std::string& identifier)
{
    return removeIdentifier(m_activeReminderListIdentifiers, identifier);
}

UserSettingsStore::Result UserSettingsStore::addExcludeRule(const FilterRule& rule)
{
    return m_excludeRules.modify([&](std::vector<FilterRule>& rules) { rules.push_back(rule); });
}

tl::expected<bool, DefaultsError> UserSettingsStore::removeExcludeRule(const UUID& id)
{
    bool removed = false;
    auto stored = m_excludeRules.modify(
        [&](std::vector<FilterRule>& rules) { removed = std::erase_if(rules, [&](const FilterRule& rule) { return rule.id == id; }) > 0; });
    return stored.map([&] { return removed; });
}

tl::expected<std::vector<FilterRule>, std::string> UserSettingsStore::readExcludeRules() const
{
    auto stored = m_excludeRules.userDefaults().object(m_excludeRules.key());
    if (!stored)
        return m_excludeRules.defaultValue();
    auto* data = stored->get<Data>();
    if (!data)
        return tl::unexpected(std::string("the stored exclude rules are not data"));
    auto rules = FilterRule::decodeList(std::string_view(reinterpret_cast<const char*>(data->data()), data->size()));
    if (!rules)
        return tl::unexpected("the stored exclude rules cannot be read: " + rules.error());
    return rules;
}

std::int64_t defaultSnooze1(const UserDefaults& defaults)
{
    return defaults.integer("defaultSnooze1");
}

std::int64_t defaultSnooze2(const UserDefaults& defaults)
{
    return defaults.integer("defaultSnooze2");
}

std::int64_t upcomingEventsDaysFilter(const UserDefaults& defaults)
{
    return defaults.integer("upcomingEventsDaysFilter");
}

}

#include "Platform/CommandLine/Command.hpp"
#include "Platform/CommandLine/JsonPrinting.hpp"
#include "TVKCore/Settings/UserSettingsStore.hpp"
#include "tools/tvkctl/SettingsJson.hpp"

#include <functional>
#include <ostream>

namespace tvk::tvkctl {

using namespace tvk::cli;

namespace {

using Json = nlohmann::json;
using OrderedJson = nlohmann::ordered_json;

std::optional<std::int64_t> integerOf(const Json& json)
{
    if (json.is_number_unsigned())
        return json.get<std::uint64_t>() <= static_cast<std::uint64_t>(INT64_MAX) ? std::optional(json.get<std::int64_t>()) : std::nullopt;
    if (json.is_number_integer())
        return json.get<std::int64_t>();
    return std::nullopt;
}

// Typed conversions between the command line's JSON and a setting's value type.
template <typename T> struct JsonValue;

template <> struct JsonValue<bool> {
    static constexpr std::string_view description = "a Boolean (true or false)";
    static std::optional<bool> from(const Json& json) { return json.is_boolean() ? std::optional(json.get<bool>()) : std::nullopt; }
    static OrderedJson to(bool value) { return value; }
};

template <> struct JsonValue<std::int64_t> {
    static constexpr std::string_view description = "an integer, e.g. 300";
    static std::optional<std::int64_t> from(const Json& json) { return integerOf(json); }
    static OrderedJson to(std::int64_t value) { return value; }
};

template <> struct JsonValue<std::vector<std::string>> {
    static constexpr std::string_view description = "a list of strings without control characters, e.g. [\"A\", \"B\"]";
    static std::optional<std::vector<std::string>> from(const Json& json)
    {
        if (!json.is_array())
            return std::nullopt;
        std::vector<std::string> values;
        for (auto& element : json) {
            if (!element.is_string() || !isStorableText(element.get_ref<const std::string&>()))
                return std::nullopt;
            values.push_back(element.get<std::string>());
        }
        return values;
    }
    static OrderedJson to(const std::vector<std::string>& values) { return values; }
};

template <> struct JsonValue<std::vector<std::int64_t>> {
    static constexpr std::string_view description = "a list of integers, e.g. [5, 10]";
    static std::optional<std::vector<std::int64_t>> from(const Json& json)
    {
        if (!json.is_array())
            return std::nullopt;
        std::vector<std::int64_t> values;
        for (auto& element : json) {
            auto value = integerOf(element);
            if (!value)
                return std::nullopt;
            values.push_back(*value);
        }
        return values;
    }
    static OrderedJson to(const std::vector<std::int64_t>& values) { return values; }
};

template <> struct JsonValue<std::vector<FilterRule>> {
    static constexpr std::string_view description = "a list of exclude rules (see `tvkctl rules`)";
    static std::optional<std::vector<FilterRule>> from(const Json& json) { return from(json, nullptr); }
    static std::optional<std::vector<FilterRule>> from(const Json& json, std::string* problem)
    {
        auto rules = FilterRule::decodeList(json.dump());
        if (!rules && problem)
            *problem = rules.error();
        return rules ? std::optional(std::move(*rules)) : std::nullopt;
    }
    static OrderedJson to(const std::vector<FilterRule>& rules) { return OrderedJson::parse(FilterRule::encodeList(rules)); }
};

struct Setting {
    std::string_view name;
    std::string_view key;
    std::string_view valueDescription;
    std::function<OrderedJson(const UserSettingsStore&)> get;
    /// None when the value has the wrong type (with the reason in `problem` when there is
    /// more to say than the type); otherwise the result of the write.
    std::function<std::optional<UserSettingsStore::Result>(UserSettingsStore&, const Json&, std::string& problem)> set;
};

template <typename T, typename Setter>
Setting setting(std::string_view name, std::string_view key, T (UserSettingsStore::*getter)() const, Setter setter)
{
    return Setting { name, key, JsonValue<T>::description,
        [getter](const UserSettingsStore& store) { return JsonValue<T>::to((store.*getter)()); },
        [setter](UserSettingsStore& store, const Json& json, std::string& problem) -> std::optional<UserSettingsStore::Result> {
            std::optional<T> value;
            if constexpr (std::is_same_v<T, std::vector<FilterRule>>)
                value = JsonValue<T>::from(json, &problem);
            else
                value = JsonValue<T>::from(json);
            if (!value)
                return std::nullopt;
            return (store.*setter)(*value);
        } };
}

const std::vector<Setting>& settings()
{
    using S = UserSettingsStore;
    static const std::vector<Setting> all {
        setting("activeCalendarIdentifiers", "activeCalendarIdentifiers", &S::activeCalendarIdentifiers, &S::setActiveCalendarIdentifiers),
        setting("activeReminderListIdentifiers", "activeReminderListIdentifiers", &S::activeReminderListIdentifiers,
            &S::setActiveReminderListIdentifiers),
        setting("timeOffsetSeconds", "timeOffsetSeconds", &S::timeOffsetSeconds, &S::setTimeOffsetSeconds),
        setting("showOnlyEventsWithAlert", "showOnlyEventsWithAlert", &S::showOnlyEventsWithAlert, &S::setShowOnlyEventsWithAlert),
        setting("showOnlyAcceptedEvents", "showTentativeEvents", &S::showOnlyAcceptedEvents, &S::setShowOnlyAcceptedEvents),
        setting("showOnlyEventsWithVideoConference", "showOnlyEventsWithVideoConference", &S::showOnlyEventsWithVideoConference,
            &S::setShowOnlyEventsWithVideoConference),
        setting("upcomingEventsDaysFilter", "upcomingEventsDaysFilter", &S::upcomingEventsDaysFilter, &S::setUpcomingEventsDaysFilter),
        setting("includeTravelTime", "includeTravelTime", &S::includeTravelTime, &S::setIncludeTravelTime),
        setting("customSnoozeTimes", "customSnoozeTimes", &S::customSnoozeTimes, &S::setCustomSnoozeTimes),
        setting("defaultSnooze1", "defaultSnooze1", &S::defaultSnooze1, &S::setDefaultSnooze1),
        setting("defaultSnooze2", "defaultSnooze2", &S::defaultSnooze2, &S::setDefaultSnooze2),
        setting("excludeRules", "excludeRules", &S::excludeRules, &S::setExcludeRules),
        setting("desktopNotificationAlerts", "desktopNotificationAlerts", &S::desktopNotificationAlerts, &S::setDesktopNotificationAlerts),
        setting("debugScreenshotMode", "debug_screenshotMode", &S::debugScreenshotMode, &S::setDebugScreenshotMode),
        setting("keyboardShortcutsDelay", "keyboardShortcutsDelay", &S::keyboardShortcutsDelay, &S::setKeyboardShortcutsDelay),
    };
    return all;
}

const Setting* findSetting(std::string_view name)
{
    for (auto& setting : settings()) {
        if (setting.name == name)
            return &setting;
    }
    return nullptr;
}

class SettingsCommand final : public Command {
public:
    SettingsCommand()
        : Command("settings", "read and change the user's settings by name")
    {
        action("list", &SettingsCommand::list);
        action("get", &SettingsCommand::get).positional("NAME");
        action("set", &SettingsCommand::set).positional("NAME").positional("JSON");
        action("reset", &SettingsCommand::reset);
    }

private:
    std::string description() const override
    {
        std::string text = "The settings the main application shares with the widgets, by property name,\n"
                           "with values as JSON. `list` prints every setting, `get` one, `set` checks the\n"
                           "value's type before it changes anything, and `reset` returns every setting to\n"
                           "its default (exclude rules included; own reminders and per-event settings\n"
                           "stay). Settings:\n\n";
        for (auto& setting : settings()) {
            std::string name(setting.name);
            text += "  " + name + std::string(name.size() < 35 ? 35 - name.size() : 1, ' ') + std::string(setting.valueDescription) + "\n";
        }
        text += "\nkeyboardShortcutsDelay is tvkctl's own; every other setting lives in the shared\n"
                "domain group.com.quillmoor.tvk (`tvkctl defaults` shows the raw keys).\n";
        return text;
    }

    CommandResult list(const Invocation& call) const
    {
        OrderedJson all = OrderedJson::object();
        for (auto& setting : settings())
            all[std::string(setting.name)] = setting.get(UserSettingsStore::shared());
        call.out << printOrderedJson(all) << '\n';
        return {};
    }

    CommandResult get(const Invocation& call) const
    {
        auto setting = named(call);
        if (!setting)
            return tl::unexpected(setting.error());
        call.out << printOrderedJson((*setting)->get(UserSettingsStore::shared())) << '\n';
        return {};
    }

    CommandResult set(const Invocation& call) const
    {
        auto setting = named(call);
        if (!setting)
            return tl::unexpected(setting.error());
        auto& text = call.arguments.positional("JSON");
        std::string takes = std::string((*setting)->name) + " takes " + std::string((*setting)->valueDescription);
        auto value = Json::parse(text, nullptr, false);
        if (value.is_discarded())
            return usageError("\"" + text + "\" is not valid JSON; " + takes, UsageHelp::omitted);
        std::string problem;
        auto written = (*setting)->set(UserSettingsStore::shared(), value, problem);
        if (!written)
            return usageError(takes + ", not " + value.dump() + (problem.empty() ? "" : " (" + problem + ")"), UsageHelp::omitted);
        return resultOf(*written);
    }

    CommandResult reset(const Invocation&) const { return resultOf(UserSettingsStore::shared().resetAll()); }

    static tl::expected<const Setting*, CommandError> named(const Invocation& call)
    {
        auto& name = call.arguments.positional("NAME");
        if (auto* setting = findSetting(name))
            return setting;
        return usageError("unknown setting \"" + name + "\"; `tvkctl settings --help` lists them", UsageHelp::omitted);
    }
};

}

TVK_REGISTER_COMMAND(SettingsCommand)

}

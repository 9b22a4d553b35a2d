#include "Platform/CommandLine/Command.hpp"
#include "Platform/CommandLine/JsonPrinting.hpp"
#include "TVKCore/Settings/EventSettingsStore.hpp"
#include "tools/tvkctl/SettingsJson.hpp"

#include <ostream>

namespace tvk::tvkctl {

using namespace tvk::cli;

namespace {

class EventSettingsCommand final : public Command {
public:
    EventSettingsCommand()
        : Command("event-settings", "read and change the settings of one event")
    {
        action("list", &EventSettingsCommand::list);
        action("get", &EventSettingsCommand::get).positional("ID");
        action("set", &EventSettingsCommand::set)
            .positional("ID")
            .option("type", "T", ValueType::text, Requirement::required)
            .flag("excluded")
            .option("offset", "SECONDS", ValueType::integer)
            .option("default-url", "URL");
        action("delete", &EventSettingsCommand::remove).positional("ID");
    }

private:
    std::string description() const override
    {
        return "Per-event settings, kept in the shared settings under \"eventSettings\" by event\n"
               "id (`tvkctl events` shows the ids). `set` replaces what the event had:\n"
               "  --type T          calendarEvent, appleReminder or tvkReminder\n"
               "  --excluded        the event never alerts, and the widgets do not show it\n"
               "  --offset SECONDS  alert this long before the start instead of the global offset\n"
               "  --default-url URL the video-call link the join button opens (an absolute URL)\n"
               "`get` prints the stored JSON, or exits 1 when the event has no settings.\n";
    }

    CommandResult list(const Invocation& call) const
    {
        auto all = nlohmann::ordered_json::object();
        if (auto stored = EventSettingsStore::shared().customSettings()) {
            for (auto& [id, settings] : *stored)
                all[id] = jsonOf(settings);
        }
        call.out << printOrderedJson(all) << '\n';
        return {};
    }

    CommandResult get(const Invocation& call) const
    {
        auto id = eventID(call);
        if (!id)
            return tl::unexpected(id.error());
        auto settings = EventSettingsStore::shared().customSettings(*id);
        if (!settings)
            return failure("no settings for the event " + *id);
        call.out << printOrderedJson(jsonOf(*settings)) << '\n';
        return {};
    }

    CommandResult set(const Invocation& call) const
    {
        auto id = eventID(call);
        if (!id)
            return tl::unexpected(id.error());
        auto typeText = *call.arguments.option("type");
        auto type = eventTypeFromRawValue(typeText);
        if (!type)
            return usageError("unknown event type \"" + typeText + "\" (calendarEvent, appleReminder or tvkReminder)");
        auto settings = EventSettings::defaultSettings(*type);
        settings.isExcluded = call.arguments.flag("excluded");
        if (auto offset = call.arguments.integer("offset")) {
            settings.usesCustomTimeOffset = true;
            settings.timeOffsetSeconds = *offset;
        }
        if (auto url = call.arguments.option("default-url")) {
            if (!EventSettings::isValidConferenceUrlText(*url) || !isValidUTF8(*url))
                return usageError("\"" + *url + "\" is not an absolute URL (e.g. https://zoom.us/j/123)");
            settings.defaultConferenceUrl = *url;
        }
        return resultOf(EventSettingsStore::shared().storeCustomSettings(settings, *id));
    }

    CommandResult remove(const Invocation& call) const
    {
        auto id = eventID(call);
        if (!id)
            return tl::unexpected(id.error());
        return resultOf(EventSettingsStore::shared().deleteCustomSettings(*id));
    }

    static tl::expected<std::string, CommandError> eventID(const Invocation& call)
    {
        auto& id = call.arguments.positional("ID");
        if (!isStorableText(id))
            return usageError("an event id is UTF-8 text without control characters");
        return id;
    }
};

}

TVK_REGISTER_COMMAND(EventSettingsCommand)

}

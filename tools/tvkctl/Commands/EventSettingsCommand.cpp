#include "Platform/CommandLine/ArgumentParser.hpp"
#include "Platform/CommandLine/Command.hpp"
#include "TVKCore/Settings/EventSettingsStore.hpp"
#include "tools/tvkctl/SettingsJson.hpp"

#include <map>
#include <ostream>
#include <set>

namespace tvk::tvkctl {

using namespace tvk::cli;

namespace {

class EventSettingsCommand final : public Command {
public:
    std::string_view name() const override { return "event-settings"; }
    std::string_view summary() const override { return "read and change the settings of one event"; }
    std::string help() const override
    {
        return "usage: tvkctl event-settings list\n"
               "       tvkctl event-settings get ID\n"
               "       tvkctl event-settings set ID --type T [--excluded] [--offset SECONDS] [--default-url URL]\n"
               "       tvkctl event-settings delete ID\n"
               "\n"
               "Per-event settings, kept in the shared settings under \"eventSettings\" by event\n"
               "id (`tvkctl events` shows the ids). `set` replaces what the event had:\n"
               "  --type T          calendarEvent, appleReminder or tvkReminder\n"
               "  --excluded        the event never alerts, and the widgets do not show it\n"
               "  --offset SECONDS  alert this long before the start instead of the global offset\n"
               "  --default-url URL the video-call link the join button opens (an absolute URL)\n"
               "`get` prints the stored JSON, or exits 1 when the event has no settings.\n";
    }

    int run(std::span<const std::string> arguments, std::ostream& out, std::ostream& err) override
    {
        auto parsed
            = ArgumentParser().option("type").option("offset").option("default-url").flag("excluded").positionals(1, 2).parse(arguments);
        if (parsed && parsed->helpRequested) {
            out << help();
            return success;
        }
        if (!parsed)
            return usage(err, parsed.error());
        const std::string& action = parsed->positionals[0];
        static const std::map<std::string, std::set<std::string>> allowed {
            { "list", {} },
            { "get", {} },
            { "set", { "type", "offset", "default-url", "excluded" } },
            { "delete", {} },
        };
        if (auto problem = parsed->checkAction(allowed, action == "list" ? 1 : 2))
            return usage(err, *problem);

        auto& store = EventSettingsStore::shared();
        if (action == "list") {
            auto all = nlohmann::ordered_json::object();
            if (auto stored = store.customSettings()) {
                for (auto& [id, settings] : *stored)
                    all[id] = jsonOf(settings);
            }
            out << printOrderedJson(all) << '\n';
            return success;
        }
        const std::string& id = parsed->positionals[1];
        if (!isStorableText(id))
            return usage(err, "an event id is UTF-8 text without control characters");
        if (action == "get") {
            auto settings = store.customSettings(id);
            if (!settings) {
                err << "tvkctl event-settings: no settings for the event " << id << '\n';
                return failure;
            }
            out << printOrderedJson(jsonOf(*settings)) << '\n';
            return success;
        }
        if (action == "delete")
            return report(store.deleteCustomSettings(id), err);

        auto typeText = parsed->option("type");
        if (!typeText)
            return usage(err, "--type is required (calendarEvent, appleReminder or tvkReminder)");
        auto type = eventTypeFromRawValue(*typeText);
        if (!type)
            return usage(err, "unknown event type \"" + *typeText + "\" (calendarEvent, appleReminder or tvkReminder)");
        auto settings = EventSettings::defaultSettings(*type);
        settings.isExcluded = parsed->flag("excluded");
        if (auto offsetText = parsed->option("offset")) {
            auto seconds = parseInteger(*offsetText);
            if (!seconds)
                return usage(err, "--offset takes a whole number of seconds, not \"" + *offsetText + "\"");
            settings.usesCustomTimeOffset = true;
            settings.timeOffsetSeconds = *seconds;
        }
        if (auto url = parsed->option("default-url")) {
            if (!EventSettings::isValidConferenceUrlText(*url) || !isValidUTF8(*url))
                return usage(err, "\"" + *url + "\" is not an absolute URL (e.g. https://zoom.us/j/123)");
            settings.defaultConferenceUrl = *url;
        }
        return report(store.storeCustomSettings(settings, id), err);
    }

private:
    int usage(std::ostream& err, const std::string& message) const
    {
        err << "tvkctl event-settings: " << message << "\n\n" << help();
        return usageError;
    }

    static int report(const tl::expected<void, DefaultsError>& result, std::ostream& err)
    {
        if (result)
            return success;
        err << "tvkctl event-settings: " << result.error().message << '\n';
        return failure;
    }
};

}

TVK_REGISTER_COMMAND(EventSettingsCommand)

}

#include "Platform/CommandLine/ArgumentParser.hpp"
#include "Platform/CommandLine/Command.hpp"
#include "Platform/Runtime/ISO8601.hpp"
#include "Platform/Runtime/UUID.hpp"
#include "TVKCore/Settings/CustomRemindersStore.hpp"
#include "TVKUtils/SharedDefaults.hpp"
#include "tools/tvkctl/SettingsJson.hpp"

#include <map>
#include <ostream>
#include <set>

namespace tvk::tvkctl {

using namespace tvk::cli;

namespace {

class RemindersCommand final : public Command {
public:
    std::string_view name() const override { return "reminders"; }
    std::string_view summary() const override { return "list, add and remove the application's own reminders"; }
    std::string help() const override
    {
        return "usage: tvkctl reminders list [--json]\n"
               "       tvkctl reminders add --date ISO-8601 --title T [--notes N] [--offset SECONDS]\n"
               "       tvkctl reminders remove ID\n"
               "       tvkctl reminders purge\n"
               "\n"
               "The main application's own reminders, kept in the shared settings under\n"
               "\"customReminders\". `list` prints id, due date, title and alert offset per\n"
               "line, or the stored JSON with --json. `add` prints the new reminder's id; it\n"
               "alerts SECONDS before the date (default 0). `purge` drops the reminders due\n"
               "more than 30 days ago, as every reload of the widgets does.\n";
    }

    int run(std::span<const std::string> arguments, std::ostream& out, std::ostream& err) override
    {
        auto parsed = ArgumentParser().option("date").option("title").option("notes").option("offset").flag("json").positionals(1, 2).parse(
            arguments);
        if (parsed && parsed->helpRequested) {
            out << help();
            return success;
        }
        if (!parsed)
            return usage(err, parsed.error());
        const std::string& action = parsed->positionals[0];
        static const std::map<std::string, std::set<std::string>> allowed {
            { "list", { "json" } },
            { "add", { "date", "title", "notes", "offset" } },
            { "remove", {} },
            { "purge", {} },
        };
        if (auto problem = parsed->checkAction(allowed, action == "remove" ? 2 : 1))
            return usage(err, *problem);

        auto& store = CustomRemindersStore::shared();
        if (action == "list")
            return list(store, parsed->flag("json"), out, err);
        if (action == "add")
            return add(store, *parsed, out, err);
        if (action == "purge")
            return report(store.purgePastReminders(), err);

        const std::string& id = parsed->positionals[1];
        if (!store.reminder(id)) {
            err << "tvkctl reminders: no reminder has the id " << id << '\n';
            return failure;
        }
        return report(store.removeReminder(id), err);
    }

private:
    static int list(const CustomRemindersStore& store, bool asJson, std::ostream& out, std::ostream& err)
    {
        // The store reads an unreadable array as no reminders; say so rather than print nothing.
        auto stored = sharedUserDefaults().object(std::string(CustomRemindersStore::storageKey));
        if (stored) {
            auto* data = stored->get<Data>();
            tl::expected<std::vector<Reminder>, std::string> decoded = data
                ? Reminder::decodeList(std::string_view(reinterpret_cast<const char*>(data->data()), data->size()))
                : tl::unexpected(std::string("they are not data"));
            if (!decoded) {
                err << "tvkctl reminders: the stored reminders cannot be read: " << decoded.error() << '\n';
                return failure;
            }
        }
        auto reminders = store.reminders();
        if (asJson) {
            auto array = nlohmann::ordered_json::array();
            for (auto& reminder : reminders)
                array.push_back(jsonOf(reminder));
            out << printOrderedJson(array) << '\n';
            return success;
        }
        for (auto& reminder : reminders) {
            out << reminder.id() << "  " << reminder.formattedDate() << "  " << reminder.localizedTitle();
            if (reminder.timeOffsetSeconds() != 0)
                out << "  (alert " << reminder.timeOffsetSeconds() << " s before)";
            out << '\n';
        }
        return success;
    }

    int add(CustomRemindersStore& store, const ParsedArguments& parsed, std::ostream& out, std::ostream& err) const
    {
        auto dateText = parsed.option("date");
        auto title = parsed.option("title");
        if (!dateText || !title)
            return usage(err, "--date and --title are required");
        auto date = ISO8601::parse(*dateText);
        if (!date)
            return usage(err, "\"" + *dateText + "\" is not an ISO 8601 date (e.g. 2026-12-07T09:30:00+01:00)");
        std::int64_t offset = 0;
        if (auto offsetText = parsed.option("offset")) {
            auto seconds = parseInteger(*offsetText);
            if (!seconds)
                return usage(err, "--offset takes a whole number of seconds, not \"" + *offsetText + "\"");
            offset = *seconds;
        }
        auto notes = parsed.option("notes");
        if (!isValidUTF8(*title) || (notes && !isValidUTF8(*notes)))
            return usage(err, "the title and notes must be UTF-8 text");

        Reminder reminder(UUID().uuidString(), *date, *title, notes, offset);
        auto written = store.addReminder(reminder);
        if (!written)
            return report(written, err);
        out << reminder.id() << '\n';
        return success;
    }

    int usage(std::ostream& err, const std::string& message) const
    {
        err << "tvkctl reminders: " << message << "\n\n" << help();
        return usageError;
    }

    static int report(const tl::expected<void, DefaultsError>& result, std::ostream& err)
    {
        if (result)
            return success;
        err << "tvkctl reminders: " << result.error().message << '\n';
        return failure;
    }
};

}

TVK_REGISTER_COMMAND(RemindersCommand)

}

#include "Platform/CommandLine/Command.hpp"
#include "Platform/CommandLine/JsonPrinting.hpp"
#include "Platform/Runtime/UUID.hpp"
#include "TVKCore/Settings/CustomRemindersStore.hpp"
#include "TVKUtils/SharedDefaults.hpp"
#include "tools/tvkctl/SettingsJson.hpp"

#include <ostream>

namespace tvk::tvkctl {

using namespace tvk::cli;

namespace {

class RemindersCommand final : public Command {
public:
    RemindersCommand()
        : Command("reminders", "list, add and remove the application's own reminders")
    {
        action("list", &RemindersCommand::list).flag("json");
        action("add", &RemindersCommand::add)
            .option("date", "ISO-8601", ValueType::date, Requirement::required)
            .option("title", "T", ValueType::text, Requirement::required)
            .option("notes", "N")
            .option("offset", "SECONDS", ValueType::integer);
        action("remove", &RemindersCommand::remove).positional("ID");
        action("purge", &RemindersCommand::purge);
    }

private:
    std::string description() const override
    {
        return "The main application's own reminders, kept in the shared settings under\n"
               "\"customReminders\". `list` prints id, due date, title and alert offset per\n"
               "line, or the stored JSON with --json. `add` prints the new reminder's id; it\n"
               "alerts SECONDS before the date (default 0). `purge` drops the reminders due\n"
               "more than 30 days ago, as every reload of the widgets does.\n";
    }

    CommandResult list(const Invocation& call) const
    {
        // The store reads an unreadable array as no reminders; say so rather than print nothing.
        auto stored = sharedUserDefaults().object(std::string(CustomRemindersStore::storageKey));
        if (stored) {
            auto* data = stored->get<Data>();
            tl::expected<std::vector<Reminder>, std::string> decoded = data
                ? Reminder::decodeList(std::string_view(reinterpret_cast<const char*>(data->data()), data->size()))
                : tl::unexpected(std::string("they are not data"));
            if (!decoded)
                return failure("the stored reminders cannot be read: " + decoded.error());
        }
        auto reminders = CustomRemindersStore::shared().reminders();
        if (call.arguments.flag("json")) {
            auto array = nlohmann::ordered_json::array();
            for (auto& reminder : reminders)
                array.push_back(jsonOf(reminder));
            call.out << printOrderedJson(array) << '\n';
            return {};
        }
        for (auto& reminder : reminders) {
            call.out << reminder.id() << "  " << reminder.formattedDate() << "  " << reminder.localizedTitle();
            if (reminder.timeOffsetSeconds() != 0)
                call.out << "  (alert " << reminder.timeOffsetSeconds() << " s before)";
            call.out << '\n';
        }
        return {};
    }

    CommandResult add(const Invocation& call) const
    {
        auto title = *call.arguments.option("title");
        auto notes = call.arguments.option("notes");
        if (!isValidUTF8(title) || (notes && !isValidUTF8(*notes)))
            return usageError("the title and notes must be UTF-8 text");
        Reminder reminder(UUID().uuidString(), *call.arguments.date("date"), title, notes, call.arguments.integer("offset").value_or(0));
        if (auto written = CustomRemindersStore::shared().addReminder(reminder); !written)
            return resultOf(written);
        call.out << reminder.id() << '\n';
        return {};
    }

    CommandResult remove(const Invocation& call) const
    {
        auto& store = CustomRemindersStore::shared();
        auto& id = call.arguments.positional("ID");
        if (!store.reminder(id))
            return failure("no reminder has the id " + id);
        return resultOf(store.removeReminder(id));
    }

    CommandResult purge(const Invocation&) const { return resultOf(CustomRemindersStore::shared().purgePastReminders()); }
};

}

TVK_REGISTER_COMMAND(RemindersCommand)

}

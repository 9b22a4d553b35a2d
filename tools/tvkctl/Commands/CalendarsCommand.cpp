#include "Platform/Calendar/ICalendarStore.hpp"
#include "tools/tvkctl/ArgumentParser.hpp"
#include "tools/tvkctl/Command.hpp"
#include "tools/tvkctl/PropertyListJson.hpp"

#include <nlohmann/json.hpp>
#include <ostream>

namespace tvk::tvkctl {

namespace {

const char* typeName(CalendarType type)
{
    switch (type) {
    case CalendarType::local: return "local";
    case CalendarType::calDAV: return "calDAV";
    case CalendarType::exchange: return "exchange";
    case CalendarType::subscription: return "subscription";
    case CalendarType::birthday: return "birthday";
    }
    return "local";
}

class CalendarsCommand final : public Command {
public:
    std::string_view name() const override { return "calendars"; }
    std::string_view summary() const override { return "list the calendars and reminder lists found on disk"; }
    std::string help() const override
    {
        return "usage: tvkctl calendars [--json]\n"
               "\n"
               "Lists every calendar and reminder list under the calendar roots\n"
               "($TARVIK_CALENDARS, else $XDG_DATA_HOME/tarvik/calendars), the delegated\n"
               "accounts' included, with identifier, title, colour, entity type, source,\n"
               "delegate flag and type.\n";
    }

    int run(std::span<const std::string> arguments, std::ostream& out, std::ostream& err) override
    {
        auto parsed = ArgumentParser().flag("json").parse(arguments);
        if (!parsed) {
            err << "tvkctl calendars: " << parsed.error() << "\n\n" << help();
            return usageError;
        }
        if (parsed->helpRequested) {
            out << help();
            return success;
        }
        auto store = ICalendarStore::makeDefault(ICalendarStore::Monitoring::off);
        std::vector<StoreCalendarPointer> all;
        auto delegated = store->makeStore(store->delegateSources());
        for (CalendarStore* source : { static_cast<CalendarStore*>(store.get()), delegated.get() }) {
            for (auto type : { EntityType::event, EntityType::reminder }) {
                for (auto& calendar : source->calendars(type))
                    all.push_back(calendar);
            }
        }
        if (parsed->flag("json")) {
            auto list = nlohmann::json::array();
            for (auto& calendar : all) {
                list.push_back({
                    { "identifier", calendar->calendarIdentifier },
                    { "title", calendar->title },
                    { "color", calendar->color.hexString() },
                    { "entityType", calendar->entityType == EntityType::event ? "event" : "reminder" },
                    { "source", calendar->source.title },
                    { "isDelegate", calendar->source.isDelegate },
                    { "type", typeName(calendar->type) },
                    { "isSubscribedHolidayCalendar", calendar->isSubscribedHolidayCalendar },
                });
            }
            out << printJson(list) << '\n';
            return success;
        }
        if (all.empty()) {
            out << "no calendars found\n";
            return success;
        }
        for (auto& calendar : all) {
            out << calendar->calendarIdentifier << "  " << (calendar->entityType == EntityType::event ? "events   " : "reminders") << "  "
                << calendar->color.hexString() << "  " << calendar->source.title << " / " << calendar->title;
            if (calendar->source.isDelegate)
                out << "  (delegated)";
            if (calendar->type == CalendarType::birthday)
                out << "  (birthdays)";
            if (calendar->isSubscribedHolidayCalendar)
                out << "  (holidays)";
            out << '\n';
        }
        return success;
    }
};

}

TVKCTL_REGISTER_COMMAND(CalendarsCommand)

}

#include "Platform/CommandLine/Command.hpp"
#include "TVKUtils/RelativeTime.hpp"

#include <ostream>

namespace tvk::tvkctl {

using namespace tvk::cli;

namespace {

class ReltimeCommand final : public Command {
public:
    ReltimeCommand()
        : Command("reltime", "print how far a date is, as the widgets write it")
    {
        readsTheClock();
        form(&ReltimeCommand::run)
            .option("to", "ISO-8601", ValueType::date, Requirement::required)
            .flag("compact")
            .flag("accessibility")
            .flag("current");
    }

private:
    std::string description() const override
    {
        return "Prints the relative text of the date given with --to, seen from now (pin it with\n"
               "tvkctl's --now): \"in 1 h 30 m\" (narrow no-break spaces between numbers and\n"
               "units), \"5 m ago\", \"tomorrow 9:00 AM\", \"now\".\n"
               "\n"
               "  --compact        the packed form of the smallest widgets: \"1h30\", \"1m ago\"\n"
               "  --accessibility  units as words, for screen readers (not with --compact)\n"
               "  --current        the event is running: \"1 h 30 m left\"\n";
    }

    CommandResult run(const Invocation& call) const
    {
        Date date = *call.arguments.date("to");
        bool compact = call.arguments.flag("compact");
        bool accessibility = call.arguments.flag("accessibility");
        if (compact && accessibility)
            return usageError("--accessibility has no compact form");
        auto current = call.arguments.flag("current") ? IsCurrentEvent::yes : IsCurrentEvent::no;
        Date now = Date::now();
        if (compact)
            call.out << formattedCompactRelativeTime(date, now, current) << '\n';
        else
            call.out << formattedShortRelativeTime(date, now, accessibility ? ForAccessibility::yes : ForAccessibility::no, current)
                     << '\n';
        return {};
    }
};

}

TVK_REGISTER_COMMAND(ReltimeCommand)

}

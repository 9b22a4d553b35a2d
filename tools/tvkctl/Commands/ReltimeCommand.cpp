#include "Platform/CommandLine/ArgumentParser.hpp"
#include "Platform/CommandLine/Command.hpp"
#include "Platform/Runtime/ISO8601.hpp"
#include "TVKUtils/RelativeTime.hpp"

#include <ostream>

namespace tvk::tvkctl {

using namespace tvk::cli;

namespace {

class ReltimeCommand final : public Command {
public:
    std::string_view name() const override { return "reltime"; }
    std::string_view summary() const override { return "print how far a date is, as the widgets write it"; }
    std::string help() const override
    {
        return "usage: tvkctl [--now ISO-8601] reltime --to ISO-8601 [--compact] [--accessibility] [--current]\n"
               "\n"
               "Prints the relative text of the date given with --to, seen from now (pin it with\n"
               "tvkctl's --now): \"in 1 h 30 m\" (narrow no-break spaces between numbers and\n"
               "units), \"5 m ago\", \"tomorrow 9:00 AM\", \"now\".\n"
               "\n"
               "  --compact        the packed form of the smallest widgets: \"1h30\", \"1m ago\"\n"
               "  --accessibility  units as words, for screen readers (not with --compact)\n"
               "  --current        the event is running: \"1 h 30 m left\"\n";
    }

    int run(std::span<const std::string> arguments, std::ostream& out, std::ostream& err) override
    {
        auto parsed
            = ArgumentParser().option("to").flag("compact").flag("accessibility").flag("current").positionals(0, 0).parse(arguments);
        if (!parsed)
            return usage(err, parsed.error());
        if (parsed->helpRequested) {
            out << help();
            return success;
        }
        auto to = parsed->option("to");
        if (!to)
            return usage(err, "missing --to DATE");
        auto date = ISO8601::parse(*to);
        if (!date)
            return usage(err, "--to: \"" + *to + "\" is not an ISO 8601 date (e.g. 2026-12-07T10:30:00+01:00)");
        bool compact = parsed->flag("compact");
        if (compact && parsed->flag("accessibility"))
            return usage(err, "--accessibility has no compact form");
        auto current = parsed->flag("current") ? IsCurrentEvent::yes : IsCurrentEvent::no;
        Date now = Date::now();
        if (compact)
            out << formattedCompactRelativeTime(*date, now, current) << '\n';
        else
            out << formattedShortRelativeTime(
                *date, now, parsed->flag("accessibility") ? ForAccessibility::yes : ForAccessibility::no, current)
                << '\n';
        return success;
    }

private:
    int usage(std::ostream& err, const std::string& message) const
    {
        err << "tvkctl reltime: " << message << "\n\n" << help();
        return usageError;
    }
};

}

TVK_REGISTER_COMMAND(ReltimeCommand)

}

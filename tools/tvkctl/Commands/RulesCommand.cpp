#include "Platform/Runtime/ISO8601.hpp"
#include "TVKCore/Rules/FilterRule.hpp"
#include "tools/tvkctl/ArgumentParser.hpp"
#include "tools/tvkctl/Command.hpp"

#include <fstream>
#include <ostream>
#include <sstream>

namespace tvk::tvkctl {

namespace {

std::string describe(const FilterRule& rule)
{
    return FilterRule::displayName(rule.field) + " " + FilterRule::displayName(rule.comparison) + " \"" + rule.value + "\""
        + (rule.isCaseSensitive || rule.comparison == FilterRule::ComparisonOperation::isOnDayOfWeek ? "" : " (any case)");
}

class RulesCommand final : public Command {
public:
    std::string_view name() const override { return "rules"; }
    std::string_view summary() const override { return "try exclude rules against an event"; }
    std::string help() const override
    {
        return "usage: tvkctl rules test --rules FILE.json [--title T] [--notes N] [--location L] [--date ISO-8601]\n"
               "\n"
               "Reads a JSON array of exclude rules (the form the settings keep under\n"
               "\"excludeRules\") and tells whether they match a calendar event with the given\n"
               "title, notes, location and start. Prints the first matching rule and exits 0,\n"
               "or prints \"no match\" and exits 1. Fields left out are absent, and a rule on an\n"
               "absent field never matches.\n";
    }

    int run(std::span<const std::string> arguments, std::ostream& out, std::ostream& err) override
    {
        auto parsed = ArgumentParser()
                          .option("rules")
                          .option("title")
                          .option("notes")
                          .option("location")
                          .option("date")
                          .positionals(1, 1)
                          .parse(arguments);
        if (parsed && parsed->helpRequested) {
            out << help();
            return success;
        }
        if (!parsed)
            return usage(err, parsed.error());
        if (parsed->positionals[0] != "test")
            return usage(err, "unknown action \"" + parsed->positionals[0] + "\"");
        auto file = parsed->option("rules");
        if (!file)
            return usage(err, "--rules FILE.json is required");
        std::ifstream stream(*file, std::ios::binary);
        if (!stream) {
            err << "tvkctl rules: cannot read " << *file << '\n';
            return failure;
        }
        std::stringstream text;
        text << stream.rdbuf();
        auto rules = FilterRule::decodeList(text.str());
        if (!rules) {
            err << "tvkctl rules: " << *file << ": " << rules.error() << '\n';
            return failure;
        }

        StoreEvent event;
        event.title = parsed->option("title");
        event.notes = parsed->option("notes");
        event.location = parsed->option("location");
        if (auto date = parsed->option("date")) {
            auto start = ISO8601::parse(*date);
            if (!start)
                return usage(err, "\"" + *date + "\" is not an ISO 8601 date");
            event.startDate = *start;
        } else {
            event.startDate = Date::now();
        }
        event.endDate = event.startDate;

        for (auto& rule : *rules) {
            if (matches(event, rule)) {
                out << "match: " << rule.id.uuidString() << "  " << describe(rule) << '\n';
                return success;
            }
        }
        out << "no match\n";
        return failure;
    }

private:
    int usage(std::ostream& err, const std::string& message) const
    {
        err << "tvkctl rules: " << message << "\n\n" << help();
        return usageError;
    }
};

}

TVKCTL_REGISTER_COMMAND(RulesCommand)

}

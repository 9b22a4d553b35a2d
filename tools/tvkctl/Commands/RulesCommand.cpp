#include "Platform/CommandLine/ArgumentParser.hpp"
#include "Platform/CommandLine/Command.hpp"
#include "Platform/Runtime/ISO8601.hpp"
#include "TVKCore/Rules/FilterRule.hpp"
#include "TVKCore/Settings/UserSettingsStore.hpp"
#include "tools/tvkctl/SettingsJson.hpp"

#include <algorithm>
#include <fstream>
#include <map>
#include <ostream>
#include <set>
#include <sstream>

namespace tvk::tvkctl {

using namespace tvk::cli;

namespace {

std::string describe(const FilterRule& rule)
{
    return FilterRule::displayName(rule.field) + " " + FilterRule::displayName(rule.comparison) + " \"" + rule.value + "\""
        + (rule.isCaseSensitive || rule.comparison == FilterRule::ComparisonOperation::isOnDayOfWeek ? "" : " (any case)");
}

class RulesCommand final : public Command {
public:
    std::string_view name() const override { return "rules"; }
    std::string_view summary() const override { return "list, add, remove and try exclude rules"; }
    std::string help() const override
    {
        return "usage: tvkctl rules list [--json]\n"
               "       tvkctl rules add --field F [--comparison C] --value V [--case-insensitive]\n"
               "       tvkctl rules remove ID\n"
               "       tvkctl rules test [--rules FILE.json] [--title T] [--notes N] [--location L] [--date ISO-8601]\n"
               "\n"
               "`list`, `add` and `remove` edit the user's exclude rules, the \"excludeRules\"\n"
               "setting shared with the main application. `add` prints the new rule's id.\n"
               "  F: title, notes, location or date\n"
               "  C: for text fields contains (the default), beginsWith, endsWith, equals or\n"
               "     matches (a wildcard pattern: ? is one character, * any run; always\n"
               "     case-sensitive); for date only isOnDayOfWeek, with V a list of weekdays,\n"
               "     1 Sunday to 7 Saturday (\"1,7\")\n"
               "Text rules compare case-sensitively unless --case-insensitive is given.\n"
               "\n"
               "`test` tells whether rules match a calendar event with the given title, notes,\n"
               "location and start: the rules of a JSON array in FILE.json (the form the\n"
               "setting keeps), or the user's rules without --rules. It prints the first\n"
               "matching rule and exits 0, or prints \"no match\" and exits 1. Fields left out\n"
               "are absent, and a rule on an absent field never matches.\n";
    }

    int run(std::span<const std::string> arguments, std::ostream& out, std::ostream& err) override
    {
        auto parsed = ArgumentParser()
                          .option("rules")
                          .option("title")
                          .option("notes")
                          .option("location")
                          .option("date")
                          .option("field")
                          .option("comparison")
                          .option("value")
                          .flag("case-insensitive")
                          .flag("json")
                          .positionals(1, 2)
                          .parse(arguments);
        if (parsed && parsed->helpRequested) {
            out << help();
            return success;
        }
        if (!parsed)
            return usage(err, parsed.error());
        const std::string& action = parsed->positionals[0];
        static const std::map<std::string, std::set<std::string>> allowed {
            { "test", { "rules", "title", "notes", "location", "date" } },
            { "list", { "json" } },
            { "add", { "field", "comparison", "value", "case-insensitive" } },
            { "remove", {} },
        };
        if (auto problem = parsed->checkAction(allowed, action == "remove" ? 2 : 1))
            return usage(err, *problem);
        if (action == "list")
            return list(parsed->flag("json"), out, err);
        if (action == "add")
            return add(*parsed, out, err);
        if (action == "remove")
            return remove(parsed->positionals[1], err);

        std::vector<FilterRule> rules;
        if (auto file = parsed->option("rules")) {
            std::ifstream stream(*file, std::ios::binary);
            if (!stream) {
                err << "tvkctl rules: cannot read " << *file << '\n';
                return failure;
            }
            std::stringstream text;
            text << stream.rdbuf();
            auto decoded = FilterRule::decodeList(text.str());
            if (!decoded) {
                err << "tvkctl rules: " << *file << ": " << decoded.error() << '\n';
                return failure;
            }
            rules = std::move(*decoded);
        } else {
            auto stored = UserSettingsStore::shared().readExcludeRules();
            if (!stored) {
                err << "tvkctl rules: " << stored.error() << '\n';
                return failure;
            }
            rules = std::move(*stored);
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

        for (auto& rule : rules) {
            if (matches(event, rule)) {
                out << "match: " << rule.id.uuidString() << "  " << describe(rule) << '\n';
                return success;
            }
        }
        out << "no match\n";
        return failure;
    }

private:
    static int list(bool asJson, std::ostream& out, std::ostream& err)
    {
        auto rules = UserSettingsStore::shared().readExcludeRules();
        if (!rules) {
            err << "tvkctl rules: " << rules.error() << '\n';
            return failure;
        }
        if (asJson) {
            out << printOrderedJson(nlohmann::ordered_json::parse(FilterRule::encodeList(*rules))) << '\n';
            return success;
        }
        for (auto& rule : *rules)
            out << rule.id.uuidString() << "  " << describe(rule) << '\n';
        return success;
    }

    int add(const ParsedArguments& parsed, std::ostream& out, std::ostream& err) const
    {
        auto fieldText = parsed.option("field");
        if (!fieldText)
            return usage(err, "--field is required (title, notes, location or date)");
        auto field = FilterRule::fieldFromRawValue(*fieldText);
        if (!field)
            return usage(err, "unknown field \"" + *fieldText + "\" (title, notes, location or date)");
        auto comparison = FilterRule::defaultComparisonOperation(*field);
        auto allowedComparisons = FilterRule::allowedComparisonOperations(*field);
        if (auto comparisonText = parsed.option("comparison")) {
            auto chosen = FilterRule::comparisonFromRawValue(*comparisonText);
            if (!chosen || std::find(allowedComparisons.begin(), allowedComparisons.end(), *chosen) == allowedComparisons.end()) {
                std::string names;
                for (auto allowedComparison : allowedComparisons)
                    names += (names.empty() ? "" : ", ") + std::string(FilterRule::rawValue(allowedComparison));
                return usage(err, "the " + *fieldText + " field takes the comparisons " + names + ", not \"" + *comparisonText + "\"");
            }
            comparison = *chosen;
        }
        auto value = parsed.option("value");
        if (!value || value->empty())
            return usage(err, "--value is required and must not be empty (a rule with an empty value matches nothing)");
        if (!isValidUTF8(*value))
            return usage(err, "--value is not UTF-8 text");

        FilterRule rule { UUID(), *field, comparison, *value, !parsed.flag("case-insensitive") };
        auto written = UserSettingsStore::shared().addExcludeRule(rule);
        if (!written) {
            err << "tvkctl rules: " << written.error().message << '\n';
            return failure;
        }
        out << rule.id.uuidString() << '\n';
        return success;
    }

    int remove(const std::string& idText, std::ostream& err) const
    {
        auto id = UUID::fromString(idText);
        if (!id)
            return usage(err, "\"" + idText + "\" is not a rule id");
        auto removed = UserSettingsStore::shared().removeExcludeRule(*id);
        if (!removed) {
            err << "tvkctl rules: " << removed.error().message << '\n';
            return failure;
        }
        if (!*removed) {
            err << "tvkctl rules: no exclude rule has the id " << id->uuidString() << '\n';
            return failure;
        }
        return success;
    }

    int usage(std::ostream& err, const std::string& message) const
    {
        err << "tvkctl rules: " << message << "\n\n" << help();
        return usageError;
    }
};

}

TVK_REGISTER_COMMAND(RulesCommand)

}

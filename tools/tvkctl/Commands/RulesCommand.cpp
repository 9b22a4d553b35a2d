#include "Platform/CommandLine/Command.hpp"
#include "Platform/CommandLine/JsonPrinting.hpp"
#include "TVKCore/Rules/FilterRule.hpp"
#include "TVKCore/Settings/UserSettingsStore.hpp"
#include "tools/tvkctl/SettingsJson.hpp"

#include <algorithm>
#include <fstream>
#include <ostream>
#include <sstream>

namespace tvk::tvkctl {

using namespace tvk::cli;

namespace {

class RulesCommand final : public Command {
public:
    RulesCommand()
        : Command("rules", "list, add, remove and try exclude rules")
    {
        action("list", &RulesCommand::list).flag("json");
        action("add", &RulesCommand::add)
            .option("field", "F", ValueType::text, Requirement::required)
            .option("comparison", "C")
            .option("value", "V", ValueType::text, Requirement::required)
            .flag("case-insensitive");
        action("remove", &RulesCommand::remove).positional("ID");
        action("test", &RulesCommand::test)
            .option("rules", "FILE.json")
            .option("title", "T")
            .option("notes", "N")
            .option("location", "L")
            .option("date", "ISO-8601", ValueType::date);
    }

private:
    std::string description() const override
    {
        return "`list`, `add` and `remove` edit the user's exclude rules, the \"excludeRules\"\n"
               "setting shared with the main application. `add` prints the new rule's id.\n"
               "  F: title, notes, location or date\n"
               "  C: for text fields contains (the default), beginsWith, endsWith, equals or\n"
               "     matches (a wildcard pattern: ? is one character, * any run; always\n"
               "     case-sensitive); for date only isOnDayOfWeek, with V a list of weekdays,\n"
               "     1 Sunday to 7 Saturday (\"1,7\")\n"
               "Text rules compare case-sensitively unless --case-insensitive is given.\n"
               "\n"
               "`test` tells whether rules match a calendar event with the given title, notes,\n"
               "location and start (now when --date is left out): the rules of a JSON array in\n"
               "FILE.json (the form the setting keeps), or the user's rules without --rules. It\n"
               "prints the first matching rule and exits 0, or prints \"no match\" and exits 1.\n"
               "Fields left out are absent, and a rule on an absent field never matches.\n";
    }

    CommandResult list(const Invocation& call) const
    {
        auto rules = UserSettingsStore::shared().readExcludeRules();
        if (!rules)
            return failure(rules.error());
        if (call.arguments.flag("json")) {
            call.out << printOrderedJson(nlohmann::ordered_json::parse(FilterRule::encodeList(*rules))) << '\n';
            return {};
        }
        for (auto& rule : *rules)
            call.out << rule.id.uuidString() << "  " << rule.summary() << '\n';
        return {};
    }

    CommandResult add(const Invocation& call) const
    {
        auto fieldText = *call.arguments.option("field");
        auto field = FilterRule::fieldFromRawValue(fieldText);
        if (!field)
            return usageError("unknown field \"" + fieldText + "\" (title, notes, location or date)");
        auto comparison = FilterRule::defaultComparisonOperation(*field);
        auto allowedComparisons = FilterRule::allowedComparisonOperations(*field);
        if (auto comparisonText = call.arguments.option("comparison")) {
            auto chosen = FilterRule::comparisonFromRawValue(*comparisonText);
            if (!chosen || std::find(allowedComparisons.begin(), allowedComparisons.end(), *chosen) == allowedComparisons.end()) {
                std::string names;
                for (auto allowedComparison : allowedComparisons)
                    names += (names.empty() ? "" : ", ") + std::string(FilterRule::rawValue(allowedComparison));
                return usageError("the " + fieldText + " field takes the comparisons " + names + ", not \"" + *comparisonText + "\"");
            }
            comparison = *chosen;
        }
        auto value = *call.arguments.option("value");
        if (value.empty())
            return usageError("--value must not be empty (a rule with an empty value matches nothing)");
        if (!isValidUTF8(value))
            return usageError("--value is not UTF-8 text");

        FilterRule rule { UUID(), *field, comparison, value, !call.arguments.flag("case-insensitive") };
        if (auto written = UserSettingsStore::shared().addExcludeRule(rule); !written)
            return resultOf(written);
        call.out << rule.id.uuidString() << '\n';
        return {};
    }

    CommandResult remove(const Invocation& call) const
    {
        auto& idText = call.arguments.positional("ID");
        auto id = UUID::fromString(idText);
        if (!id)
            return usageError("\"" + idText + "\" is not a rule id");
        auto removed = UserSettingsStore::shared().removeExcludeRule(*id);
        if (!removed)
            return failure(removed.error().message);
        if (!*removed)
            return failure("no exclude rule has the id " + id->uuidString());
        return {};
    }

    CommandResult test(const Invocation& call) const
    {
        std::vector<FilterRule> rules;
        if (auto file = call.arguments.option("rules")) {
            std::ifstream stream(*file, std::ios::binary);
            if (!stream)
                return failure("cannot read " + *file);
            std::stringstream text;
            text << stream.rdbuf();
            auto decoded = FilterRule::decodeList(text.str());
            if (!decoded)
                return failure(*file + ": " + decoded.error());
            rules = std::move(*decoded);
        } else {
            auto stored = UserSettingsStore::shared().readExcludeRules();
            if (!stored)
                return failure(stored.error());
            rules = std::move(*stored);
        }

        StoreEvent event;
        event.title = call.arguments.option("title");
        event.notes = call.arguments.option("notes");
        event.location = call.arguments.option("location");
        event.startDate = call.arguments.date("date").value_or(Date::now());
        event.endDate = event.startDate;

        if (auto* rule = firstMatchingRule(event, rules)) {
            call.out << "match: " << rule->id.uuidString() << "  " << rule->summary() << '\n';
            return {};
        }
        call.out << "no match\n";
        return failure();
    }
};

}

TVK_REGISTER_COMMAND(RulesCommand)

}

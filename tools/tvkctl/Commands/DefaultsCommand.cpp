#include "Platform/CommandLine/ArgumentParser.hpp"
#include "Platform/CommandLine/Command.hpp"
#include "Platform/CommandLine/JsonPrinting.hpp"
#include "Platform/Defaults/UserDefaults.hpp"
#include "tools/tvkctl/PropertyListJson.hpp"

#include <ostream>

namespace tvk::tvkctl {

using namespace tvk::cli;

namespace {

class DefaultsCommand final : public Command {
public:
    std::string_view name() const override { return "defaults"; }
    std::string_view summary() const override { return "read and write settings domains"; }
    std::string help() const override
    {
        return "usage: tvkctl defaults get DOMAIN KEY\n"
               "       tvkctl defaults set DOMAIN KEY JSON\n"
               "       tvkctl defaults delete DOMAIN KEY\n"
               "       tvkctl defaults list DOMAIN\n"
               "\n"
               "DOMAIN is a suite name such as group.com.quillmoor.tvk, or standard:PROGRAM-ID\n"
               "for a program's own domain (standard:com.quillmoor.tarvik.tvkctl).\n"
               "Values are JSON: numbers (integers stay integers, 5.0 is a real), true/false,\n"
               "strings, arrays, objects for dictionaries, {\"data\": \"<base64>\"} for data and\n"
               "{\"date\": \"<ISO 8601>\"} for dates.\n"
               "\n"
               "`get` of a key without a value prints nothing and exits with status 1.\n"
               "Domains live in $TARVIK_CONFIG_DIR, else $XDG_CONFIG_HOME/tarvik.\n";
    }

    int run(std::span<const std::string> arguments, std::ostream& out, std::ostream& err) override
    {
        auto parsed = ArgumentParser().positionals(1, 4).parse(arguments);
        if (!parsed)
            return usage(err, parsed.error());
        if (parsed->helpRequested) {
            out << help();
            return success;
        }
        auto& positionals = parsed->positionals;
        const std::string& action = positionals[0];
        size_t expected = action == "get" || action == "delete" ? 3 : action == "set" ? 4 : action == "list" ? 2 : 0;
        if (expected == 0)
            return usage(err, "unknown action \"" + action + "\"");
        if (positionals.size() != expected)
            return usage(err, positionals.size() < expected ? "missing arguments for " + action : "too many arguments for " + action);

        auto domain = openDomain(positionals[1]);
        if (!domain)
            return usage(err, domain.error());
        UserDefaults& defaults = **domain;

        if (action == "list") {
            out << printJson(jsonFromPropertyList(PropertyList(defaults.dictionaryRepresentation()))) << '\n';
            return success;
        }
        const std::string& key = positionals[2];
        if (action == "get") {
            auto value = defaults.object(key);
            if (!value) {
                err << "tvkctl defaults: no value for \"" << key << "\" in " << positionals[1] << '\n';
                return failure;
            }
            out << printJson(jsonFromPropertyList(*value)) << '\n';
            return success;
        }
        if (action == "delete")
            return report(defaults.removeObject(key), err);

        auto value = propertyListFromJsonText(positionals[3]);
        if (!value)
            return usage(err, value.error());
        return report(defaults.set(key, std::move(*value)), err);
    }

private:
    int usage(std::ostream& err, const std::string& message) const
    {
        err << "tvkctl defaults: " << message << "\n\n" << help();
        return usageError;
    }

    static int report(const tl::expected<void, DefaultsError>& result, std::ostream& err)
    {
        if (result)
            return success;
        err << "tvkctl defaults: " << result.error().message << '\n';
        return failure;
    }

    static tl::expected<UserDefaults*, std::string> openDomain(const std::string& text)
    {
        static constexpr std::string_view standardPrefix = "standard:";
        std::string name = text.rfind(standardPrefix, 0) == 0 ? text.substr(standardPrefix.size()) : text;
        if (!UserDefaults::isValidDomainName(name))
            return tl::unexpected("\"" + text + "\" is not a domain name (letters, digits, '.', '_' and '-')");
        return &UserDefaults::suite(name);
    }
};

}

TVK_REGISTER_COMMAND(DefaultsCommand)

}

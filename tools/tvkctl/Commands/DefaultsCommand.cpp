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
    DefaultsCommand()
        : Command("defaults", "read and write settings domains")
    {
        action("get", &DefaultsCommand::get).positional("DOMAIN").positional("KEY");
        action("set", &DefaultsCommand::set).positional("DOMAIN").positional("KEY").positional("JSON");
        action("delete", &DefaultsCommand::remove).positional("DOMAIN").positional("KEY");
        action("list", &DefaultsCommand::list).positional("DOMAIN");
    }

private:
    std::string description() const override
    {
        return "DOMAIN is a suite name such as group.com.quillmoor.tvk, or standard:PROGRAM-ID\n"
               "for a program's own domain (standard:com.quillmoor.tarvik.tvkctl).\n"
               "Values are JSON: numbers (integers stay integers, 5.0 is a real), true/false,\n"
               "strings, arrays, objects for dictionaries, {\"data\": \"<base64>\"} for data and\n"
               "{\"date\": \"<ISO 8601>\"} for dates.\n"
               "\n"
               "`get` of a key without a value prints nothing and exits with status 1.\n"
               "Domains live in $TARVIK_CONFIG_DIR, else $XDG_CONFIG_HOME/tarvik.\n";
    }

    CommandResult get(const Invocation& call) const
    {
        auto domain = openDomain(call);
        if (!domain)
            return tl::unexpected(domain.error());
        auto& key = call.arguments.positional("KEY");
        auto value = (*domain)->object(key);
        if (!value)
            return failure("no value for \"" + key + "\" in " + call.arguments.positional("DOMAIN"));
        call.out << printJson(jsonFromPropertyList(*value)) << '\n';
        return {};
    }

    CommandResult set(const Invocation& call) const
    {
        auto domain = openDomain(call);
        if (!domain)
            return tl::unexpected(domain.error());
        auto value = propertyListFromJsonText(call.arguments.positional("JSON"));
        if (!value)
            return usageError(value.error());
        return resultOf((*domain)->set(call.arguments.positional("KEY"), std::move(*value)));
    }

    CommandResult remove(const Invocation& call) const
    {
        auto domain = openDomain(call);
        if (!domain)
            return tl::unexpected(domain.error());
        return resultOf((*domain)->removeObject(call.arguments.positional("KEY")));
    }

    CommandResult list(const Invocation& call) const
    {
        auto domain = openDomain(call);
        if (!domain)
            return tl::unexpected(domain.error());
        call.out << printJson(jsonFromPropertyList(PropertyList((*domain)->dictionaryRepresentation()))) << '\n';
        return {};
    }

    static tl::expected<UserDefaults*, CommandError> openDomain(const Invocation& call)
    {
        static constexpr std::string_view standardPrefix = "standard:";
        auto& text = call.arguments.positional("DOMAIN");
        std::string name = text.starts_with(standardPrefix) ? text.substr(standardPrefix.size()) : text;
        if (!UserDefaults::isValidDomainName(name))
            return usageError("\"" + text + "\" is not a domain name (letters, digits, '.', '_' and '-')");
        return &UserDefaults::suite(name);
    }
};

}

TVK_REGISTER_COMMAND(DefaultsCommand)

}

#include "Platform/CommandLine/Command.hpp"
#include "Platform/Text/ResourceBundle.hpp"
#include "TVKLocalization/L10n.hpp"
#include "TVKLocalization/LocalizationBundle.hpp"
#include "TVKLocalization/LocalizedString.hpp"

#include <ostream>
#include <vector>

namespace tvk::tvkctl {

using namespace tvk::cli;

namespace {

std::string describe(std::span<const FormatArgumentKind> kinds)
{
    if (kinds.empty())
        return "no arguments";
    std::string text = std::to_string(kinds.size()) + (kinds.size() == 1 ? " argument (" : " arguments (");
    for (std::size_t i = 0; i < kinds.size(); ++i)
        text += std::string(i > 0 ? ", " : "") + (kinds[i] == FormatArgumentKind::text ? "a text" : "an integer");
    return text + ")";
}

class L10nCommand final : public Command {
public:
    L10nCommand()
        : Command("l10n", "print a text of the string catalog in the current language")
    {
        form(&L10nCommand::run).flag("all").positional("KEY", Requirement::optional).positionals("ARGUMENT");
    }

private:
    std::string description() const override
    {
        return "Prints the catalog's text for KEY (e.g. TimeFormat.until) in the user's language,\n"
               "formatted with the arguments: one per placeholder of the key's English text, an\n"
               "integer where it has %i, %d or %lld. A text with plural forms takes its count\n"
               "first and prints the form for it (l10n TimeFormat.spoken.daysAgo 3). A key that\n"
               "the language lacks prints its English text. --all prints every key with its text\n"
               "(a plural text's \"other\" form), and the language in use; it takes no KEY.\n"
               "\n"
               "The language follows LANGUAGE, then LC_ALL, LC_MESSAGES and LANG; the catalog is\n"
               "looked up in $TARVIK_RESOURCES, <prefix>/share/tarvik or beside the program.\n";
    }

    CommandResult run(const Invocation& call) const
    {
        auto key = call.arguments.optionalPositional("KEY");
        if (call.arguments.flag("all")) {
            if (key)
                return usageError("--all takes no key");
            call.out << "# language: " << LocalizationBundle::module().preferredLocalization().value_or("none") << '\n';
            for (const auto& accessor : L10n::allAccessors())
                call.out << accessor.key << " = " << LocalizedString(accessor.key, "Localizable", accessor.englishText) << '\n';
            return {};
        }
        if (!key)
            return usageError("missing the key");

        const std::vector<std::string>& values = call.arguments.positionals("ARGUMENT");
        const L10n::Accessor* accessor = L10n::accessor(*key);
        if (!accessor) {
            auto text = LocalizedStringOrNil(*key);
            if (!text)
                return failure("the catalog has no key \"" + *key + "\"");
            std::vector<FormatArgument> formatArguments;
            for (const auto& value : values)
                formatArguments.emplace_back(value);
            call.out << StringFormat::format(*text, formatArguments) << '\n';
            return {};
        }
        if (values.size() != accessor->arguments.size())
            return usageError(*key + " takes " + describe(accessor->arguments) + ", not " + std::to_string(values.size()));
        std::vector<FormatArgument> formatArguments;
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (accessor->arguments[i] == FormatArgumentKind::text) {
                formatArguments.emplace_back(values[i]);
                continue;
            }
            auto integer = values::integer(values[i]);
            if (!integer)
                return usageError("argument " + std::to_string(i + 1) + " of " + *key + " must be an integer, not \"" + values[i] + "\"");
            formatArguments.emplace_back(*integer);
        }
        call.out << accessor->call(formatArguments) << '\n';
        return {};
    }
};

}

TVK_REGISTER_COMMAND(L10nCommand)

}

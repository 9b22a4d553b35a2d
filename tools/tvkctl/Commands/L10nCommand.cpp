#include "Platform/CommandLine/ArgumentParser.hpp"
#include "Platform/CommandLine/Command.hpp"
#include "Platform/Text/ResourceBundle.hpp"
#include "TVKLocalization/L10n.hpp"
#include "TVKLocalization/LocalizationBundle.hpp"
#include "TVKLocalization/LocalizedString.hpp"

#include <charconv>
#include <ostream>
#include <vector>

namespace tvk::tvkctl {

using namespace tvk::cli;

namespace {

std::optional<std::int64_t> integerArgument(const std::string& text)
{
    std::string_view digits(text);
    if (digits.starts_with('+'))
        digits.remove_prefix(1);
    std::int64_t value = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    return value;
}

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
    std::string_view name() const override { return "l10n"; }
    std::string_view summary() const override { return "print a text of the string catalog in the current language"; }
    std::string help() const override
    {
        return "usage: tvkctl l10n KEY [ARGUMENT...]\n"
               "       tvkctl l10n --all\n"
               "\n"
               "Prints the catalog's text for KEY (e.g. TimeFormat.until) in the user's language,\n"
               "formatted with the arguments: one per placeholder of the key's English text, an\n"
               "integer where it has %i, %d or %lld. A text with plural forms takes its count\n"
               "first and prints the form for it (l10n TimeFormat.spoken.daysAgo 3). A key that\n"
               "the language lacks prints its English text. --all prints every key with its text\n"
               "(a plural text's \"other\" form), and the language in use.\n"
               "\n"
               "The language follows LANGUAGE, then LC_ALL, LC_MESSAGES and LANG; the catalog is\n"
               "looked up in $TARVIK_RESOURCES, <prefix>/share/tarvik or beside the program.\n";
    }

    int run(std::span<const std::string> arguments, std::ostream& out, std::ostream& err) override
    {
        auto parsed = ArgumentParser().flag("all").positionals(0, 64).parse(arguments);
        if (!parsed)
            return usage(err, parsed.error());
        if (parsed->helpRequested) {
            out << help();
            return success;
        }
        if (parsed->flag("all")) {
            if (!parsed->positionals.empty())
                return usage(err, "--all takes no key");
            out << "# language: " << LocalizationBundle::module().preferredLocalization().value_or("none") << '\n';
            for (const auto& accessor : L10n::allAccessors())
                out << accessor.key << " = " << LocalizedString(accessor.key, "Localizable", accessor.englishText) << '\n';
            return success;
        }
        if (parsed->positionals.empty())
            return usage(err, "missing the key");

        const std::string& key = parsed->positionals[0];
        std::vector<std::string> values(parsed->positionals.begin() + 1, parsed->positionals.end());
        const L10n::Accessor* accessor = L10n::accessor(key);
        if (!accessor) {
            auto text = LocalizedStringOrNil(key);
            if (!text) {
                err << "tvkctl l10n: the catalog has no key \"" << key << "\"\n";
                return failure;
            }
            std::vector<FormatArgument> formatArguments;
            for (const auto& value : values)
                formatArguments.emplace_back(value);
            out << StringFormat::format(*text, formatArguments) << '\n';
            return success;
        }
        if (values.size() != accessor->arguments.size())
            return usage(err, key + " takes " + describe(accessor->arguments) + ", not " + std::to_string(values.size()));
        std::vector<FormatArgument> formatArguments;
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (accessor->arguments[i] == FormatArgumentKind::text) {
                formatArguments.emplace_back(values[i]);
                continue;
            }
            auto integer = integerArgument(values[i]);
            if (!integer)
                return usage(err, "argument " + std::to_string(i + 1) + " of " + key + " must be an integer, not \"" + values[i] + "\"");
            formatArguments.emplace_back(*integer);
        }
        out << accessor->call(formatArguments) << '\n';
        return success;
    }

private:
    int usage(std::ostream& err, const std::string& message) const
    {
        err << "tvkctl l10n: " << message << "\n\n" << help();
        return usageError;
    }
};

}

TVK_REGISTER_COMMAND(L10nCommand)

}

#pragma once

#include "Platform/Text/PluralRules.hpp"
#include "Platform/Text/StringFormat.hpp"

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace tvk::L10n {

/// One generated accessor, described for tools that look texts up by key (`tvkctl l10n`).
struct Accessor {
    std::string_view key;
    /// The English text; for a text with plural forms, its "other" form.
    std::string_view englishText;
    /// The accessor's qualified name below `L10n`, e.g. "TimeFormat::ExtraShort::tomorrow".
    std::string_view name;
    std::span<const FormatArgumentKind> arguments;
    /// Calls the accessor; `arguments` must have one value per entry of `arguments` above.
    std::string (*call)(std::span<const FormatArgument> arguments);
};

/// Every accessor, in the order of the English table.
std::span<const Accessor> allAccessors();
/// The accessor of `key`; none when the English table has no such key.
const Accessor* accessor(std::string_view key);

/// What every accessor does: the catalog's text for `key` (`englishText` when the table has
/// none), formatted with `arguments`. Accessors without arguments format too, so "%%" reads
/// as "%".
std::string localizedText(std::string_view key, std::string_view englishText, std::span<const FormatArgument> arguments);
inline std::string localizedText(std::string_view key, std::string_view englishText, std::initializer_list<FormatArgument> arguments)
{
    return localizedText(key, englishText, std::span<const FormatArgument>(arguments.begin(), arguments.size()));
}

/// What the accessor of a text with plural forms does: the form for its first integer
/// argument, the count (`LocalizedString` with a count), formatted with `arguments`.
std::string localizedText(std::string_view key, std::span<const PluralForm> englishForms, std::span<const FormatArgument> arguments);
inline std::string localizedText(
    std::string_view key, std::span<const PluralForm> englishForms, std::initializer_list<FormatArgument> arguments)
{
    return localizedText(key, englishForms, std::span<const FormatArgument>(arguments.begin(), arguments.size()));
}

}

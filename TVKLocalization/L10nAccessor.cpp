#include "TVKLocalization/L10nAccessor.hpp"

#include "TVKLocalization/LocalizedString.hpp"

namespace tvk::L10n {

const Accessor* accessor(std::string_view key)
{
    for (const auto& candidate : allAccessors())
        if (candidate.key == key)
            return &candidate;
    return nullptr;
}

std::string localizedText(std::string_view key, std::string_view englishText, std::span<const FormatArgument> arguments)
{
    return StringFormat::format(LocalizedString(key, "Localizable", englishText), arguments);
}

std::string localizedText(std::string_view key, std::span<const PluralForm> englishForms, std::span<const FormatArgument> arguments)
{
    auto count = StringFormat::pluralCount(arguments).value_or(0);
    return StringFormat::format(LocalizedString(key, "Localizable", englishForms, count), arguments);
}

}

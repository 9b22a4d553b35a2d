#include "TVKCore/Contacts/Participant.hpp"

#include "Platform/Text/AsciiCase.hpp"
#include "TVKCore/Contacts/PersonNameFormatter.hpp"
#include "TVKLocalization/L10n.hpp"
#include "TVKUtils/WhitespaceTrimming.hpp"

namespace tvk {

namespace {

/// The initials of the fallback name read as a name, or its first two characters.
std::string fallbackInitials(const std::string& fallbackName)
{
    auto& formatter = PersonNameFormatter::initialsFormatter();
    if (auto components = formatter.personNameComponents(fallbackName))
        return formatter.string(*components);
    return leadingGraphemes(fallbackName, 2);
}

/// The card's given and family name as the formatters take them, each trimmed.
PersonNameComponents cardNameComponents(const std::optional<std::string>& givenName, const std::optional<std::string>& familyName)
{
    PersonNameComponents components;
    if (givenName)
        components.givenName = trimmingWhitespaceAndNewlines(*givenName);
    if (familyName)
        components.familyName = trimmingWhitespaceAndNewlines(*familyName);
    return components;
}

}

std::string Participant::initials() const
{
    std::string nameText;
    if (!givenName && !familyName) {
        nameText = fallbackInitials(fallbackName);
    } else {
        nameText = PersonNameFormatter::initialsFormatter().string(cardNameComponents(givenName, familyName));
    }
    auto result = localizedUppercase(trimmingWhitespaceAndNewlines(nameText));
    // A card whose names are empty falls back too; its initials are upper-cased like all others.
    if (result.empty())
        result = localizedUppercase(trimmingWhitespaceAndNewlines(fallbackInitials(fallbackName)));
    return result.empty() ? "\u2013" : result;
}

std::string Participant::displayName() const
{
    std::string nameText;
    if (!givenName && !familyName) {
        nameText = fallbackName;
    } else {
        nameText = PersonNameFormatter::defaultFormatter().string(cardNameComponents(givenName, familyName));
    }
    auto name = trimmingWhitespaceAndNewlines(nameText);
    if (name.empty())
        name = fallbackName.empty() ? L10n::General::unknown() : fallbackName;
    if (isOrganizer)
        name += " (" + L10n::General::organizer() + ")";
    return name;
}

bool Participant::operator==(const Participant& other) const
{
    return id == other.id || (email && other.email && equalsIgnoringAsciiCase(*email, *other.email));
}

}

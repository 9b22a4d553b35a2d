#include "TVKUtils/HexFormatter.hpp"

#include "TVKUtils/TextOperations.hpp"

namespace tvk {

std::optional<std::string> HexFormatter::string(const std::any& value) const
{
    std::optional<std::string_view> text;
    if (auto* string = std::any_cast<std::string>(&value))
        text = *string;
    else if (auto* view = std::any_cast<std::string_view>(&value))
        text = *view;
    else if (auto* characters = std::any_cast<const char*>(&value); characters && *characters)
        text = std::string_view(*characters);
    if (!text)
        return std::nullopt;
    return "#" + removingLeadingHash(*text);
}

bool HexFormatter::getObjectValue(std::any& object, std::string_view string, std::string*) const
{
    object = removingLeadingHash(string);
    return true;
}

bool HexFormatter::isPartialStringValid(std::string_view partialString, std::optional<std::string>* newEditingString, std::string*) const
{
    if (newEditingString)
        newEditingString->reset();
    auto digits = removingLeadingHash(partialString);
    return digits.size() <= 6 && digits.find_first_not_of(hexCharacterSet) == std::string::npos;
}

}

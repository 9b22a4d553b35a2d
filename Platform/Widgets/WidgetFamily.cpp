#include "Platform/Widgets/WidgetFamily.hpp"

#include <array>
#include <utility>

namespace tvk::widgets {

namespace {

constexpr std::array<std::pair<WidgetFamily, std::string_view>, 4> names { {
    { WidgetFamily::systemSmall, "small" },
    { WidgetFamily::systemMedium, "medium" },
    { WidgetFamily::systemLarge, "large" },
    { WidgetFamily::systemExtraLarge, "extraLarge" },
} };

}

std::string_view familyName(WidgetFamily family)
{
    for (auto& [value, name] : names) {
        if (value == family)
            return name;
    }
    return "small";
}

std::optional<WidgetFamily> familyNamed(std::string_view name)
{
    for (auto& [value, text] : names) {
        if (text == name)
            return value;
    }
    return std::nullopt;
}

std::string familyNames(const std::vector<WidgetFamily>& families)
{
    std::string text;
    for (auto family : families) {
        if (!text.empty())
            text += ", ";
        text += familyName(family);
    }
    return text;
}

}

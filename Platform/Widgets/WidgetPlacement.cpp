#include "Platform/Widgets/WidgetPlacement.hpp"

namespace tvk::widgets {

namespace {

constexpr char kindKey[] = "kind";
constexpr char familyKey[] = "family";

}

PropertyList WidgetPlacement::propertyList(const std::vector<WidgetPlacement>& placements)
{
    PropertyList::Array array;
    for (const auto& placement : placements)
        array.emplace_back(PropertyList::Dictionary { { kindKey, placement.kind }, { familyKey, std::string(familyName(placement.family)) } });
    return array;
}

std::optional<std::vector<WidgetPlacement>> WidgetPlacement::fromPropertyList(const PropertyList& value)
{
    const auto* array = value.get<PropertyList::Array>();
    if (!array)
        return std::nullopt;
    std::vector<WidgetPlacement> placements;
    for (const auto& item : *array) {
        const auto* dictionary = item.get<PropertyList::Dictionary>();
        if (!dictionary)
            continue;
        auto kind = dictionary->find(kindKey);
        auto family = dictionary->find(familyKey);
        if (kind == dictionary->end() || family == dictionary->end())
            continue;
        const auto* kindText = kind->second.get<std::string>();
        const auto* familyText = family->second.get<std::string>();
        if (!kindText || kindText->empty() || !familyText)
            continue;
        auto named = familyNamed(*familyText);
        if (!named)
            continue;
        placements.push_back({ *kindText, *named });
    }
    return placements;
}

}

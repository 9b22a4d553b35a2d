#pragma once

#include "Platform/Text/PropertyList.hpp"
#include "Platform/Widgets/WidgetFamily.hpp"

#include <optional>
#include <string>
#include <vector>

namespace tvk::widgets {

/// A widget a person placed on the desktop: which widget (its kind) at which size. Its place
/// in the host's list is its order.
struct WidgetPlacement {
    std::string kind;
    WidgetFamily family = WidgetFamily::systemSmall;

    bool operator==(const WidgetPlacement&) const = default;

    /// As stored in the program's settings: an array of {"kind": text, "family": "small"...}.
    static PropertyList propertyList(const std::vector<WidgetPlacement>& placements);
    /// The placements a stored value holds; none when the value is not such an array. Items
    /// that are not a dictionary with a kind and a known family name are left out, so a hand
    /// edit that spoils one placement keeps the others.
    static std::optional<std::vector<WidgetPlacement>> fromPropertyList(const PropertyList& value);
};

}

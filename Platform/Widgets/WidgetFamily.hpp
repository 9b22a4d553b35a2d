#pragma once

#include "Platform/UI/EnvironmentValues.hpp"

#include <optional>
#include <string_view>
#include <vector>

namespace tvk::widgets {

using ui::WidgetFamily;

/// The name of a family on command lines and in stored placements: "small", "medium",
/// "large", "extraLarge".
std::string_view familyName(WidgetFamily family);
/// The family with that name; none for any other text.
std::optional<WidgetFamily> familyNamed(std::string_view name);
/// "small, medium".
std::string familyNames(const std::vector<WidgetFamily>& families);

}

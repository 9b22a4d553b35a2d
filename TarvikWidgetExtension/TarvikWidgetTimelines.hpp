#pragma once

#include "Platform/Widgets/WidgetConfiguration.hpp"

#include <string_view>
#include <vector>

namespace tvk {

/// The widget program's widgets without their views, for the program that runs their providers
/// alone (TarvikWidgetTimelines): the kinds, names, sizes and providers of `TarvikWidgetBundle`,
/// which shows them, in its order.
struct TarvikWidgetTimelines {
    static constexpr std::string_view resourceBundleName = "TarvikWidgetExtension";

    std::vector<widgets::WidgetConfiguration> body() const;

    /// A headless command reads the calendars once: the shared store watches no folders.
    static void prepareForCommand();
};

}

#pragma once

#include "Platform/Widgets/WidgetConfiguration.hpp"

#include <string_view>

namespace tvk {

/// The countdown to the next event, in the small and medium sizes.
struct NextEventCountdownWidget {
    static constexpr std::string_view kind = "com.quillmoor.tvk.NextEventCountdownWidget";

    /// Its provider, names and sizes, without the view: what a program that only runs the
    /// providers builds. Defined with `TarvikWidgetTimelines`, apart from the view code.
    static widgets::WidgetConfiguration timelines();

    /// `timelines()` showing its view.
    widgets::WidgetConfiguration body() const;
};

}

#pragma once

#include "Platform/Widgets/WidgetConfiguration.hpp"

#include <string_view>

namespace tvk {

/// The list of upcoming events, in the small, medium and large sizes.
struct UpcomingEventsWidget {
    static constexpr std::string_view kind = "com.quillmoor.tvk.UpcomingEventsWidget";

    /// Its provider, names and sizes, without the view: what a program that only runs the
    /// providers builds. Defined with `TarvikWidgetTimelines`, apart from the view code.
    static widgets::WidgetConfiguration timelines();

    /// `timelines()` showing its view.
    widgets::WidgetConfiguration body() const;
};

}

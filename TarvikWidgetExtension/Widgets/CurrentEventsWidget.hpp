#pragma once

#include "Platform/Widgets/WidgetConfiguration.hpp"

#include <string_view>

namespace tvk {

/// The list of events going on now, in the small, medium and large sizes.
struct CurrentEventsWidget {
    static constexpr std::string_view kind = "com.quillmoor.tvk.CurrentEventsWidget";

    /// Its provider, names and sizes, without the view: what a program that only runs the
    /// providers builds. Defined with `TarvikWidgetTimelines`, apart from the view code.
    static widgets::WidgetConfiguration timelines();

    /// `timelines()` showing its view.
    widgets::WidgetConfiguration body() const;
};

}

#pragma once

#include "Platform/Widgets/WidgetConfiguration.hpp"

#include <string_view>

namespace tvk {

/// The list of upcoming events, in the small, medium and large sizes.
struct UpcomingEventsWidget {
    static constexpr std::string_view kind = "com.quillmoor.tvk.UpcomingEventsWidget";
    widgets::WidgetConfiguration body() const;
};

}

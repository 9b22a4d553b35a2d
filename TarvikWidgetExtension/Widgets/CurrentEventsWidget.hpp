#pragma once

#include "Platform/Widgets/WidgetConfiguration.hpp"

#include <string_view>

namespace tvk {

/// The list of events going on now, in the small, medium and large sizes.
struct CurrentEventsWidget {
    static constexpr std::string_view kind = "com.quillmoor.tvk.CurrentEventsWidget";
    widgets::WidgetConfiguration body() const;
};

}

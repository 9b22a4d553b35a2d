#pragma once

#include "Platform/Widgets/WidgetConfiguration.hpp"

#include <string_view>

namespace tvk {

/// The countdown to the next event, in the small and medium sizes.
struct NextEventCountdownWidget {
    static constexpr std::string_view kind = "com.quillmoor.tvk.NextEventCountdownWidget";
    widgets::WidgetConfiguration body() const;
};

}

#pragma once

#include "Platform/Defaults/UserDefaults.hpp"

#include <string_view>

namespace tvk {

/// The application group that the main application shares with the widgets: its settings
/// domain holds every shared setting, the exclude rules, the per-event settings and the
/// application's own reminders.
inline constexpr std::string_view sharedSuiteName = "group.com.quillmoor.tvk";

/// Which domain a setting lives in.
enum class DefaultsSuite {
    /// The program's own domain (`UserDefaults::standard()`).
    standard,
    /// The application group's domain, shared with the main application.
    shared,
};

/// The shared domain of the application group, in the configuration directory of the moment.
UserDefaults& sharedUserDefaults();
/// `sharedUserDefaults()` or `UserDefaults::standard()`.
UserDefaults& userDefaults(DefaultsSuite suite);

}

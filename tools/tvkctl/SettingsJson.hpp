#pragma once

#include "TVKCore/Settings/EventSettings.hpp"
#include "TVKCore/Settings/Reminder.hpp"

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace tvk::tvkctl {

// Helpers of the commands that stand in for the main application's settings screens.

/// The stored JSON form, with keys in their stored order, for printing.
nlohmann::ordered_json jsonOf(const EventSettings& settings);
nlohmann::ordered_json jsonOf(const Reminder& reminder);

/// Whether the text is valid UTF-8; the settings are shared with a program whose strings
/// always are.
bool isValidUTF8(std::string_view text);
/// Whether the text can stand as a string or key of a property-list file that another
/// program parses: UTF-8 without control characters other than tab, line feed and carriage
/// return, which XML cannot carry.
bool isStorableText(std::string_view text);

}

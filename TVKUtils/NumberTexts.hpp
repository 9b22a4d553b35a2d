#pragma once

#include <cstdint>
#include <string>

namespace tvk {

/// A snooze time for menus: "1 minute" for 1, "5 minutes" for any other count (catalog keys
/// "Alert.1minute" and "Alert.customMinutes").
std::string localizedSnoozeTime(std::int64_t minutes);

/// A number of minutes in full words: 90 gives "1 hour, 30 minutes"; empty when the duration
/// formatter has no text for it.
std::string formattedMinutes(std::int64_t minutes);

}

#pragma once

#include <optional>
#include <string_view>

namespace tvk {

/// The URL scheme of every link the widgets open; the main application handles it.
inline constexpr std::string_view deepLinkScheme = "tarvik";

/// What the main application is asked to do with the event a deep link names. The raw values
/// are the host of the link's URL ("tarvik://joinCall/…"), a format the main application reads.
enum class DeepLinkDestination {
    preview,
    viewInCalendar,
    joinCall,
};

/// "preview", "viewInCalendar" or "joinCall".
std::string_view rawValue(DeepLinkDestination destination);
/// The destination whose raw value is exactly `raw` (letter case included); none otherwise.
std::optional<DeepLinkDestination> deepLinkDestinationFromRawValue(std::string_view raw);

}

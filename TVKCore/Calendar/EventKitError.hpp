#pragma once

#include "Platform/Calendar/CalendarStore.hpp"

#include <string>
#include <variant>

namespace tvk {

/// Why calendar access is missing after a request the platform store answered without error.
enum class EventKitError { accessNotGranted };

/// What an access request fails with: the store's own error, passed on unchanged, or
/// `EventKitError::accessNotGranted`.
using AccessRequestError = std::variant<EventKitError, CalendarStoreError>;

/// "calendar access was not granted", or the store's message.
std::string describe(const AccessRequestError& error);

}

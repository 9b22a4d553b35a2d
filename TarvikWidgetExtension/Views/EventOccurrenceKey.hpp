#pragma once

#include "TVKCore/Events/Event.hpp"

#include <string>

namespace tvk {

/// What tells one occurrence of an event from another in a list: the event's `id`, ".", and
/// the seconds since 1970 of its `occurrenceDate` (its `startDate` when it has none) written
/// as the platform writes a double ("work:standup.1796634000.0"). The occurrences of a series
/// share the `id`, so this is what keeps each of them a row of its own.
std::string occurrenceKey(const Event& event);

}

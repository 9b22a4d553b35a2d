#pragma once

#include "Platform/Runtime/Date.hpp"

#include <optional>

namespace tvk {

/// A reminder alarm of an event or reminder: either relative to its start (or due time) or at
/// an absolute date.
struct StoreAlarm {
    /// Seconds relative to the start; negative is before.
    std::optional<TimeInterval> relativeOffset;
    std::optional<Date> absoluteDate;

    bool operator==(const StoreAlarm&) const = default;
};

}

#pragma once

#include "Platform/Runtime/Date.hpp"

namespace tvk {

/// The clock that `Date::now()` reads. It follows the system's real-time clock until it is
/// pinned; a pinned clock stands still at the pinned date (and moves only by `advance`), so
/// that every reading inside a test or a `tvkctl --now` run sees the same instant.
/// All operations are safe from any thread.
///
/// Every pin, advance and unpin is a step of the clock as a change of the system clock is:
/// each posts `changedNotification` on the default notification centre (on the calling thread,
/// without object), and timers that follow the clock re-arm.
class ProcessClock {
public:
    static constexpr char changedNotification[] = "ProcessClockChanged";

    static Date now();
    static void pin(Date date);
    /// Moves the pinned clock; a running clock is first pinned at its current reading.
    static void advance(TimeInterval seconds);
    static void unpin();
    static bool isPinned();
};

}

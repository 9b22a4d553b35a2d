#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

namespace tvk {

/// How a wall-clock reading of a zone with rules ("02:30 on 29 March in Berlin") becomes an
/// instant. Every part of the system that places a reading in time uses this one rule: the
/// calendar files (RFC 5545, 3.3.5), the user's calendar and the times typed on a command line.
///
/// - A reading that occurs twice, in the hour the clocks go back, is its first occurrence.
/// - A reading that never occurs, in the gap the clocks skip going forward, moves forward by
///   the length of the gap: 02:30 on a spring-forward night in Berlin is 03:30 summer time.
///
/// Both are the reading taken with the UTC offset in force before the transition.
struct WallClockTime {
    /// The offset east of UTC, in seconds, that a zone applies at an instant given in whole
    /// seconds since 1970; none when the zone cannot tell.
    using UtcOffsetAt = std::function<std::optional<std::int64_t>(std::int64_t utcSeconds)>;

    /// The instant, in whole seconds since 1970, of the reading `wallClockSeconds` (the seconds
    /// since 1970 that the same reading has in UTC, as `CivilTime::secondsSince1970` gives
    /// them) in the zone whose offsets `offsetAt` tells. None when the zone cannot tell.
    static std::optional<std::int64_t> secondsSince1970(std::int64_t wallClockSeconds, const UtcOffsetAt& offsetAt);

    /// The offsets of a zone of ICU's time-zone data, by its identifier ("Europe/Berlin");
    /// none for an identifier ICU does not know. The result is cheap to copy and safe to call
    /// from any thread.
    static std::optional<UtcOffsetAt> offsetsOfZone(std::string_view zoneIdentifier);
};

}

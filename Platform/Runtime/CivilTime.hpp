#pragma once

#include <cstdint>

namespace tvk {

/// A proleptic Gregorian date and time of day without a zone, for arithmetic on fixed
/// offsets (UTC descriptions, ISO 8601 with an explicit offset). Zones with rules go through
/// ICU instead.
struct CivilTime {
    std::int64_t year = 1970;
    unsigned month = 1;
    unsigned day = 1;
    unsigned hour = 0;
    unsigned minute = 0;
    unsigned second = 0;

    /// Whole seconds since 1970-01-01 00:00:00 of this civil time read as UTC.
    std::int64_t secondsSince1970() const;
    /// The civil time (UTC) of whole seconds since 1970.
    static CivilTime fromSecondsSince1970(std::int64_t seconds);

    bool operator==(const CivilTime&) const = default;
};

}

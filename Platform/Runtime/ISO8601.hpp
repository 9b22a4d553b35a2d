#pragma once

#include "Platform/Runtime/Date.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace tvk {

/// ISO 8601 dates as people type them on a command line and as tools print them.
class ISO8601 {
public:
    /// Accepts "YYYY-MM-DD" (midnight), and "YYYY-MM-DDTHH:MM", optionally with ":SS" and a
    /// fraction, followed by "Z", "±HH:MM", "±HHMM" or "±HH"; a blank may stand for the "T".
    /// Without a zone designator the time is read in ICU's default time zone, by the rule of
    /// `WallClockTime` where the clocks change. Anything else, including out-of-range fields,
    /// is none.
    static std::optional<Date> parse(std::string_view text);

    /// "2026-12-07T09:30:00+01:00": whole seconds (a fraction is dropped), in ICU's default
    /// time zone with its offset at that moment.
    static std::string format(Date date);
};

}

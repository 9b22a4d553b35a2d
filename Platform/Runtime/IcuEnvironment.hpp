#pragma once

#include <cstdint>

#include <string>
#include <string_view>

namespace tvk {

/// ICU keeps its own default time zone and locale. These functions set them from the
/// environment the way the rest of the desktop reads it, so that every formatter and calendar
/// agrees with `date` and the desktop clock. Call once at program start, before other threads
/// use ICU (ICU's defaults are not safe to change while in use).
class IcuEnvironment {
public:
    /// Default zone from `TZ` (an Olson name, optionally with a leading ':' or given as a path
    /// under a zoneinfo directory), else ICU's own detection from /etc/localtime. Default
    /// locale from `LC_ALL`, then `LC_TIME`, then `LANG`; "C" and "POSIX" mean "en_US".
    /// An unknown zone name is reported and ignored.
    static void configureFromEnvironment();

    /// Pins both defaults, for tests and tools.
    static void configure(std::string_view timeZoneIdentifier, std::string_view localeIdentifier);

    /// "de_DE.UTF-8@euro" → "de_DE"; "C", "POSIX" and "" → "en_US".
    static std::string localeIdentifierFromPosix(std::string_view posixLocale);

    /// Changes whenever these functions set the default time zone, so that a copy of the zone
    /// kept for speed knows when it is stale.
    static std::uint64_t timeZoneGeneration();

    /// The ICU identifier of the default time zone ("Europe/Berlin").
    static std::string defaultTimeZoneIdentifier();
    /// The ICU name of the default locale ("de_DE").
    static std::string defaultLocaleIdentifier();
};

}

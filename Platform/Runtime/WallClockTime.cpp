#include "Platform/Runtime/WallClockTime.hpp"

#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <memory>
#include <string>

namespace tvk {

std::optional<std::int64_t> WallClockTime::secondsSince1970(std::int64_t wallClockSeconds, const UtcOffsetAt& offsetAt)
{
    // A day on either side reaches past any transition that can concern this reading (no zone
    // is more than a day from UTC) without reaching the one before or after it.
    constexpr std::int64_t day = 86400;
    auto before = offsetAt(wallClockSeconds - day);
    auto after = offsetAt(wallClockSeconds + day);
    if (!before || !after)
        return std::nullopt;
    // The same offset on both sides: no change in between, as no zone changes its clocks twice
    // within two days.
    if (*before == *after)
        return wallClockSeconds - *before;
    auto readsAsTheWallClock = [&](std::int64_t instant) {
        auto offset = offsetAt(instant);
        return offset && instant + *offset == wallClockSeconds;
    };
    std::int64_t withOffsetBefore = wallClockSeconds - *before;
    std::int64_t withOffsetAfter = wallClockSeconds - *after;
    // Read with the offset before the transition unless only the offset after fits: that
    // reading is the first of two, or the one that exists, or, in a gap, the one moved forward.
    if (!readsAsTheWallClock(withOffsetBefore) && readsAsTheWallClock(withOffsetAfter))
        return withOffsetAfter;
    return withOffsetBefore;
}

std::optional<WallClockTime::UtcOffsetAt> WallClockTime::offsetsOfZone(std::string_view zoneIdentifier)
{
    std::shared_ptr<const icu::TimeZone> zone(icu::TimeZone::createTimeZone(
        icu::UnicodeString::fromUTF8(icu::StringPiece(zoneIdentifier.data(), static_cast<int32_t>(zoneIdentifier.size())))));
    if (!zone)
        return std::nullopt;
    icu::UnicodeString resolved;
    zone->getID(resolved);
    if (resolved == icu::UnicodeString(UCAL_UNKNOWN_ZONE_ID))
        return std::nullopt;
    return UtcOffsetAt([zone](std::int64_t utcSeconds) -> std::optional<std::int64_t> {
        int32_t raw = 0, daylight = 0;
        UErrorCode status = U_ZERO_ERROR;
        zone->getOffset(static_cast<UDate>(utcSeconds) * 1000.0, false, raw, daylight, status);
        if (U_FAILURE(status))
            return std::nullopt;
        return (static_cast<std::int64_t>(raw) + daylight) / 1000;
    });
}

}

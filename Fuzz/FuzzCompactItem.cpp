// The calendar index keeps items in their compact form in a file under the user's cache
// directory, which anything can damage or replace; decoding it, and placing what comes out,
// must survive anything. What decodes must encode to the same item again. The same holds for
// the occurrences of a series the index keeps beside its items.

#include "Platform/Calendar/CompactItem.hpp"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (auto occurrences = tvk::CompactItem::decodeOccurrences(bytes)) {
        if (tvk::CompactItem::decodeOccurrences(tvk::CompactItem::encodeOccurrences(*occurrences)) != occurrences)
            std::abort();
        return 0;
    }
    auto item = tvk::CompactItem::decode(bytes);
    if (!item)
        return 0;
    if (tvk::CompactItem::decode(tvk::CompactItem::encode(*item)) != item)
        std::abort();
    tvk::ParsedCalendarFile noZones;
    if (!item->start)
        return 0;
    auto start = tvk::ICalendarParser::instant(*item->start, noZones, "Europe/Berlin");
    if (!start)
        return 0;
    // What the index computes when it stores an item; expanding is FuzzICalendar's.
    tvk::ICalendarParser::lastOccurrenceStart(*item, noZones, "Europe/Berlin", 500);
    return 0;
}

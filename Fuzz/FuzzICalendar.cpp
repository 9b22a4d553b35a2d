// Calendar files come from servers, other programs and downloads; parsing and placing their
// times, and expanding their recurrence rules, must survive anything.

#include "Platform/Calendar/ICalendarParser.hpp"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto parsed = tvk::ICalendarParser::parse(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!parsed)
        return 0;
    for (auto& item : parsed->items) {
        if (!item.start)
            continue;
        auto start = tvk::ICalendarParser::instant(*item.start, *parsed, "Europe/Berlin");
        if (!start)
            continue;
        tvk::ICalendarParser::expand(item, *parsed, "Europe/Berlin", *start, *start + 14 * 86400, 3600, 500, [](auto&, tvk::Date) {});
    }
    return 0;
}

#pragma once

#include "Platform/Calendar/ICalendarParser.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tvk {

/// A `ParsedItem` as a few bytes: what the calendar index stores per item, and all of the item
/// that a process keeps until it hands the item out. Lengths and small numbers are varints,
/// texts their UTF-8 bytes; the first byte is the layout's version.
class CompactItem {
public:
    static std::string encode(const ParsedItem& item);
    /// None for bytes that `encode` did not write (another layout, cut short, or damaged).
    static std::optional<ParsedItem> decode(std::string_view bytes);

    /// A series' occurrences over a stretch of time, each start as the rule gives it and as the
    /// instant it is: what the index keeps of an expansion between processes.
    using Occurrences = std::vector<std::pair<CalendarTime, Date>>;
    static std::string encodeOccurrences(const Occurrences& occurrences);
    /// None for bytes that `encodeOccurrences` did not write.
    static std::optional<Occurrences> decodeOccurrences(std::string_view bytes);
};

}

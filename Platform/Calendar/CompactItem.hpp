#pragma once

#include "Platform/Calendar/ICalendarParser.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace tvk {

/// A `ParsedItem` as a few bytes: what the calendar index stores per item, and all of the item
/// that a process keeps until it hands the item out. Lengths and small numbers are varints,
/// texts their UTF-8 bytes; the first byte is the layout's version.
class CompactItem {
public:
    static std::string encode(const ParsedItem& item);
    /// None for bytes that `encode` did not write (another layout, cut short, or damaged).
    static std::optional<ParsedItem> decode(std::string_view bytes);
};

}

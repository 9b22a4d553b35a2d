#pragma once

#include <string>
#include <string_view>

namespace tvk {

/// The text without white space and line breaks at either end, by Unicode's White_Space
/// property: blanks, tabs, line and paragraph breaks, no-break and other wide spaces. Bytes
/// that are not UTF-8 are kept as they are.
std::string trimmingWhitespaceAndNewlines(std::string_view text);

}

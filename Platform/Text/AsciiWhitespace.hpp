#pragma once

#include <string_view>

namespace tvk {

/// `text` without leading and trailing spaces, tabs, carriage returns and line feeds: the
/// whitespace that the line-based formats we read (vCard, vdir metadata files) may leave
/// around a value. Other Unicode spaces are content and stay.
std::string_view trimmedAsciiWhitespace(std::string_view text);

}

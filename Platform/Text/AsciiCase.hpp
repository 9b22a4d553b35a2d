#pragma once

#include <string>
#include <string_view>

namespace tvk {

/// Letter case of the ASCII letters only, for the names that protocols define as
/// case-insensitive ASCII: URI schemes, host names, e-mail addresses, file extensions. Other
/// bytes, UTF-8 sequences included, stay as they are.
std::string asciiLowercased(std::string_view text);
std::string asciiUppercased(std::string_view text);
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);
bool startsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix);

}

#pragma once

#include "Platform/Text/RegularExpression.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <tl/expected.hpp>

namespace tvk {

/// True for none and for the empty text.
bool isNilOrEmpty(const std::optional<std::string>& text);

/// The text without `prefix` when it begins with it (once), else unchanged.
std::string deletingPrefix(std::string_view text, std::string_view prefix);

/// The text without one leading "#".
std::string removingLeadingHash(std::string_view text);

/// At most `maxLength` characters (user-perceived characters: an emoji with its modifiers or a
/// letter with its combining marks counts once) followed by `terminator` when the text was
/// longer; the text itself when it fits; empty for a maximum below 1.
std::string truncated(std::string_view text, std::int64_t maxLength, std::string_view terminator);

/// Options of a replacement run.
struct RegexMatchingOptions {
    /// Only matches that start where the previous one ended (the first at the start of the
    /// text) are replaced.
    bool anchored = false;
};

/// Every match of `pattern` (compiled with `findingOptions`) replaced by `replacementTemplate`
/// ("$0" the match, "$1"… its groups, "\" escapes); a pattern that does not compile is an
/// error with ICU's description.
tl::expected<std::string, std::string> replacingRegex(std::string_view text, std::string_view pattern,
    RegularExpressionOptions findingOptions, RegexMatchingOptions replacingOptions, std::string_view replacementTemplate);

/// The text without the block that the main application adds to the notes of events it
/// created with a video call: from a line "----( Video Call )----" to the first "---===---"
/// after it, every copy of that block removed. None when nothing else is left (or no text was
/// given); the text unchanged when it has no such block.
std::optional<std::string> removingVideoCallAnnotation(const std::optional<std::string>& text);

/// Each word with its first letter in upper case and the rest in lower case, by the rules of
/// the current locale: "today" → "Today", "heute" → "Heute".
std::string localizedCapitalized(std::string_view text);

}

#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tvk {

/// Texts of which every match of an ICU regular expression contains at least one, read from
/// the pattern: a run of literal characters that every match must contain, or one of the
/// runs of a group of alternatives. A text containing none of them cannot match, so a cheap
/// substring search can rule out most texts before the regular expression runs.
///
/// Empty when the pattern gives no such guarantee, or uses what this reading does not follow
/// (flags such as "(?i)", quoting with \Q…\E): then the pattern must always run. Anything
/// unknown only ever makes the answer weaker, never wrong.
std::vector<std::string> requiredLiterals(std::string_view pattern);

/// Whether `text` contains one of `literals`, or `literals` is empty.
bool containsAnyRequiredLiteral(std::string_view text, const std::vector<std::string>& literals);

}

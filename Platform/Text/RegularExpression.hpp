#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <tl/expected.hpp>
#include <vector>

namespace tvk {

/// A range of UTF-8 bytes in a searched text.
struct TextRange {
    std::size_t location = 0;
    std::size_t length = 0;

    std::size_t end() const { return location + length; }
    std::string_view of(std::string_view text) const { return text.substr(location, length); }
    bool operator==(const TextRange&) const = default;
};

struct RegularExpressionMatch {
    TextRange range;
    /// Capture groups 1…n; none for a group that took no part in the match.
    std::vector<std::optional<TextRange>> groups;
    bool operator==(const RegularExpressionMatch&) const = default;
};

struct RegularExpressionOptions {
    bool caseInsensitive = false;
    /// "." also matches line breaks.
    bool dotMatchesLineSeparators = false;
    /// "^" and "$" match at line breaks, not only at the ends of the text.
    bool anchorsMatchLines = false;
};

/// An ICU regular expression (the syntax and semantics of the platform's regular
/// expressions), compiled once and safe to use from any number of threads.
///
/// Texts are UTF-8; ranges are UTF-8 byte offsets into the searched text. Invalid UTF-8 is
/// read as U+FFFD and never read past its end.
///
/// Every search runs under a time limit, because patterns come from configuration files and
/// from users: a search that runs out of time stops there, keeps the matches found before
/// (usually none), and is reported once per expression through `PlatformLog`.
class RegularExpression {
public:
    /// In steps of ICU's match engine (10,000 operations each; a step is a few to a few tens of
    /// microseconds). 200 steps lets ordinary patterns scan texts of a hundred kilobytes, and
    /// stops catastrophic backtracking within a few tens of milliseconds, which matters for a
    /// user's pattern that runs against every event of every reload.
    static constexpr int defaultTimeLimit = 200;

    /// A pattern that does not compile is an error value with ICU's description and position.
    static tl::expected<RegularExpression, std::string> make(
        std::string_view pattern, RegularExpressionOptions options = {}, int timeLimit = defaultTimeLimit);

    /// The pattern with every metacharacter escaped, so it matches itself literally.
    static std::string escapedPattern(std::string_view text);

    const std::string& pattern() const;

    std::optional<RegularExpressionMatch> firstMatch(std::string_view text) const;
    std::vector<RegularExpressionMatch> matches(std::string_view text) const;
    /// The number of matches over the whole text.
    std::size_t numberOfMatches(std::string_view text) const;
    /// Every match replaced by `replacementTemplate`, in which "$0"…"$9" stand for the match
    /// and its groups and "\" escapes the next character. A search that runs out of time
    /// leaves the text unchanged.
    std::string replacingMatches(std::string_view text, std::string_view replacementTemplate) const;

private:
    struct State;
    explicit RegularExpression(std::shared_ptr<const State> state)
        : m_state(std::move(state))
    {
    }
    template <typename Visitor> void search(std::string_view text, Visitor&& visitor) const;

    std::shared_ptr<const State> m_state;
};

}

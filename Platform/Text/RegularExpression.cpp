#include "Platform/Text/RegularExpression.hpp"

#include "Platform/Runtime/PlatformLog.hpp"

#include <unicode/regex.h>
#include <unicode/utext.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <mutex>
#include <vector>

namespace tvk {

struct RegularExpression::State {
    std::string pattern;
    std::unique_ptr<icu::RegexPattern> compiled;
    int timeLimit = defaultTimeLimit;
    mutable std::atomic<bool> reportedTimeout { false };

    // Making a matcher costs more than a short search, so matchers are kept for reuse: one
    // per thread that searches at the same moment, up to a few.
    static constexpr std::size_t maximumIdleMatchers = 8;
    mutable std::mutex matchersMutex;
    mutable std::vector<std::unique_ptr<icu::RegexMatcher>> idleMatchers;

    std::unique_ptr<icu::RegexMatcher> takeMatcher() const
    {
        {
            std::lock_guard lock(matchersMutex);
            if (!idleMatchers.empty()) {
                auto matcher = std::move(idleMatchers.back());
                idleMatchers.pop_back();
                return matcher;
            }
        }
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::RegexMatcher> matcher(compiled->matcher(status));
        return U_SUCCESS(status) ? std::move(matcher) : nullptr;
    }

    void returnMatcher(std::unique_ptr<icu::RegexMatcher> matcher) const
    {
        std::lock_guard lock(matchersMutex);
        if (idleMatchers.size() < maximumIdleMatchers)
            idleMatchers.push_back(std::move(matcher));
    }

    void reportTimeout(std::size_t textLength) const
    {
        if (reportedTimeout.exchange(true))
            return;
        PlatformLog::warning("RegularExpression",
            "the pattern \"" + pattern.substr(0, 200) + "\" ran out of time on a text of " + std::to_string(textLength)
                + " bytes; the search counts as finding nothing more");
    }
};

namespace {

struct UTextCloser {
    void operator()(UText* text) const { utext_close(text); }
};

}

tl::expected<RegularExpression, std::string> RegularExpression::make(
    std::string_view pattern, RegularExpressionOptions options, int timeLimit)
{
    uint32_t flags = 0;
    if (options.caseInsensitive)
        flags |= UREGEX_CASE_INSENSITIVE;
    if (options.dotMatchesLineSeparators)
        flags |= UREGEX_DOTALL;
    if (options.anchorsMatchLines)
        flags |= UREGEX_MULTILINE;
    UParseError parseError {};
    UErrorCode status = U_ZERO_ERROR;
    auto source = icu::UnicodeString::fromUTF8(icu::StringPiece(pattern.data(), static_cast<int32_t>(pattern.size())));
    std::unique_ptr<icu::RegexPattern> compiled(icu::RegexPattern::compile(source, flags, parseError, status));
    if (U_FAILURE(status) || !compiled) {
        std::string message = std::string(u_errorName(status));
        if (parseError.offset >= 0)
            message += " at offset " + std::to_string(parseError.offset);
        return tl::unexpected("invalid regular expression \"" + std::string(pattern) + "\": " + message);
    }
    auto state = std::make_shared<State>();
    state->pattern = std::string(pattern);
    state->compiled = std::move(compiled);
    state->timeLimit = timeLimit > 0 ? timeLimit : defaultTimeLimit;
    return RegularExpression(std::move(state));
}

std::string RegularExpression::escapedPattern(std::string_view text)
{
    std::string escaped;
    for (char c : text) {
        if (std::string_view("\\^$.|?*+()[]{}-/#&~ ").find(c) != std::string_view::npos)
            escaped += '\\';
        escaped += c;
    }
    return escaped;
}

const std::string& RegularExpression::pattern() const
{
    return m_state->pattern;
}

template <typename Visitor> void RegularExpression::search(std::string_view text, Visitor&& visitor) const
{
    UErrorCode status = U_ZERO_ERROR;
    // ICU matches UTF-16 text several times faster than UTF-8 text read through UText. For
    // ASCII, by far the most common case (URLs, identifiers), UTF-16 offsets are byte offsets,
    // so the text is widened; other text is matched as UTF-8 in place.
    bool ascii = text.size() < static_cast<std::size_t>(INT32_MAX)
        && std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    icu::UnicodeString utf16;
    std::unique_ptr<UText, UTextCloser> input;
    if (ascii) {
        utf16 = icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    } else {
        input.reset(utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status));
        if (U_FAILURE(status))
            return;
    }
    auto matcher = m_state->takeMatcher();
    if (!matcher)
        return;
    struct Return {
        const State& state;
        std::unique_ptr<icu::RegexMatcher>& matcher;
        ~Return() { state.returnMatcher(std::move(matcher)); }
    } returnAfterwards { *m_state, matcher };
    if (ascii)
        matcher->reset(utf16);
    else
        matcher->reset(input.get());
    matcher->setTimeLimit(m_state->timeLimit, status);
    int32_t groupCount = matcher->groupCount();
    while (matcher->find(status)) {
        RegularExpressionMatch match;
        auto start = matcher->start64(status);
        auto end = matcher->end64(status);
        match.range = { static_cast<std::size_t>(start), static_cast<std::size_t>(end - start) };
        for (int32_t group = 1; group <= groupCount; ++group) {
            auto groupStart = matcher->start64(group, status);
            if (groupStart < 0) {
                match.groups.emplace_back(std::nullopt);
                continue;
            }
            auto groupEnd = matcher->end64(group, status);
            match.groups.emplace_back(TextRange { static_cast<std::size_t>(groupStart), static_cast<std::size_t>(groupEnd - groupStart) });
        }
        if (!visitor(std::move(match)))
            return;
    }
    if (status == U_REGEX_TIME_OUT)
        m_state->reportTimeout(text.size());
}

std::optional<RegularExpressionMatch> RegularExpression::firstMatch(std::string_view text) const
{
    std::optional<RegularExpressionMatch> first;
    search(text, [&](RegularExpressionMatch&& match) {
        first = std::move(match);
        return false;
    });
    return first;
}

std::vector<RegularExpressionMatch> RegularExpression::matches(std::string_view text) const
{
    std::vector<RegularExpressionMatch> all;
    search(text, [&](RegularExpressionMatch&& match) {
        all.push_back(std::move(match));
        return true;
    });
    return all;
}

std::size_t RegularExpression::numberOfMatches(std::string_view text) const
{
    std::size_t count = 0;
    search(text, [&](RegularExpressionMatch&&) {
        ++count;
        return true;
    });
    return count;
}

std::string RegularExpression::replacingMatches(std::string_view text, std::string_view replacementTemplate) const
{
    UErrorCode status = U_ZERO_ERROR;
    auto input = icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    auto replacement
        = icu::UnicodeString::fromUTF8(icu::StringPiece(replacementTemplate.data(), static_cast<int32_t>(replacementTemplate.size())));
    std::unique_ptr<icu::RegexMatcher> matcher(m_state->compiled->matcher(input, status));
    if (U_FAILURE(status) || !matcher)
        return std::string(text);
    matcher->setTimeLimit(m_state->timeLimit, status);
    icu::UnicodeString result = matcher->replaceAll(replacement, status);
    if (status == U_REGEX_TIME_OUT) {
        m_state->reportTimeout(text.size());
        return std::string(text);
    }
    if (U_FAILURE(status))
        return std::string(text);
    std::string utf8;
    result.toUTF8String(utf8);
    return utf8;
}

}

#include "TVKUtils/TextOperations.hpp"

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>
#include <unicode/utext.h>

#include <memory>

namespace tvk {

bool isNilOrEmpty(const std::optional<std::string>& text)
{
    return !text || text->empty();
}

std::string deletingPrefix(std::string_view text, std::string_view prefix)
{
    if (!text.starts_with(prefix))
        return std::string(text);
    return std::string(text.substr(prefix.size()));
}

std::string removingLeadingHash(std::string_view text)
{
    return deletingPrefix(text, "#");
}

std::string truncated(std::string_view text, std::int64_t maxLength, std::string_view terminator)
{
    if (maxLength < 1)
        return {};
    if (static_cast<std::uint64_t>(maxLength) >= text.size())
        return std::string(text); // fewer bytes than allowed characters: it fits.

    UErrorCode status = U_ZERO_ERROR;
    UText* utext = utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status);
    std::unique_ptr<icu::BreakIterator> characters(icu::BreakIterator::createCharacterInstance(icu::Locale::getDefault(), status));
    if (U_FAILURE(status) || !characters) {
        utext_close(utext);
        return std::string(text);
    }
    characters->setText(utext, status);
    int32_t boundary = characters->first();
    std::int64_t count = 0;
    while (count < maxLength && boundary != icu::BreakIterator::DONE) {
        boundary = characters->next();
        if (boundary != icu::BreakIterator::DONE)
            ++count;
    }
    bool longer = boundary != icu::BreakIterator::DONE && characters->next() != icu::BreakIterator::DONE;
    characters.reset();
    utext_close(utext);
    if (!longer)
        return std::string(text);
    return std::string(text.substr(0, static_cast<std::size_t>(boundary))) + std::string(terminator);
}

namespace {

/// A replacement template with "$n" (the longest run of digits that names a group of the
/// match) and "\" escapes, as the platform expands it.
std::string expandedTemplate(std::string_view text, const RegularExpressionMatch& match, std::string_view replacementTemplate)
{
    std::string result;
    for (std::size_t i = 0; i < replacementTemplate.size(); ++i) {
        char c = replacementTemplate[i];
        if (c == '\\' && i + 1 < replacementTemplate.size()) {
            result += replacementTemplate[++i];
            continue;
        }
        if (c != '$' || i + 1 >= replacementTemplate.size() || replacementTemplate[i + 1] < '0' || replacementTemplate[i + 1] > '9') {
            result += c;
            continue;
        }
        std::size_t group = static_cast<std::size_t>(replacementTemplate[++i] - '0');
        while (i + 1 < replacementTemplate.size() && replacementTemplate[i + 1] >= '0' && replacementTemplate[i + 1] <= '9') {
            std::size_t longer = group * 10 + static_cast<std::size_t>(replacementTemplate[i + 1] - '0');
            if (longer > match.groups.size())
                break;
            group = longer;
            ++i;
        }
        if (group == 0)
            result += match.range.of(text);
        else if (group <= match.groups.size() && match.groups[group - 1])
            result += match.groups[group - 1]->of(text);
    }
    return result;
}

}

tl::expected<std::string, std::string> replacingRegex(std::string_view text, std::string_view pattern,
    RegularExpressionOptions findingOptions, RegexMatchingOptions replacingOptions, std::string_view replacementTemplate)
{
    auto expression = RegularExpression::make(pattern, findingOptions);
    if (!expression)
        return tl::unexpected(expression.error());
    if (!replacingOptions.anchored)
        return expression->replacingMatches(text, replacementTemplate);

    std::string result;
    std::size_t position = 0;
    for (const auto& match : expression->matches(text)) {
        if (match.range.location != position || (match.range.length == 0 && position > 0))
            break;
        result += expandedTemplate(text, match, replacementTemplate);
        position = match.range.end();
        if (match.range.length == 0)
            break;
    }
    result += text.substr(position);
    return result;
}

std::optional<std::string> removingVideoCallAnnotation(const std::optional<std::string>& text)
{
    if (!text)
        return std::nullopt;
    static const auto annotation = RegularExpression::make(
        "(----\\( Video Call \\)----)\n.*?(---===---)", RegularExpressionOptions { .dotMatchesLineSeparators = true });
    if (!annotation)
        return text;
    auto match = annotation->firstMatch(*text);
    if (!match)
        return text;
    std::string block(match->range.of(*text));
    std::string result;
    std::size_t position = 0;
    while (true) {
        auto found = text->find(block, position);
        result.append(*text, position, found == std::string::npos ? std::string::npos : found - position);
        if (found == std::string::npos)
            break;
        position = found + block.size();
    }
    if (result.empty())
        return std::nullopt;
    return result;
}

std::string localizedCapitalized(std::string_view text)
{
    auto unicode = icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    unicode.toTitle(nullptr, icu::Locale::getDefault());
    std::string result;
    unicode.toUTF8String(result);
    return result;
}

}

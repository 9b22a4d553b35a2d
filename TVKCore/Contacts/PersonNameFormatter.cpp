#include "TVKCore/Contacts/PersonNameFormatter.hpp"

#include "TVKUtils/WhitespaceTrimming.hpp"

#include <algorithm>
#include <memory>
#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/uscript.h>
#include <unicode/utf8.h>
#include <vector>

namespace tvk {

namespace {

/// A character that may stand in a written name besides letters and marks.
bool isNamePunctuation(UChar32 c)
{
    return c == '\'' || c == '-' || c == '.' || c == 0x2019 /* ’ */ || c == 0x2010 /* ‐ */;
}

/// Calls `visit` with each code point of `text` while it returns true; false for text that is
/// not UTF-8 or when `visit` stopped.
template <typename Visit> bool everyCodePoint(std::string_view text, Visit visit)
{
    auto length = static_cast<int32_t>(text.size());
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    for (int32_t i = 0; i < length;) {
        UChar32 c;
        U8_NEXT(bytes, i, length, c);
        if (c < 0 || !visit(c))
            return false;
    }
    return true;
}

bool isNameWord(std::string_view word)
{
    bool hasLetter = false;
    bool allNameCharacters = everyCodePoint(word, [&](UChar32 c) {
        hasLetter = hasLetter || u_isalpha(c);
        return u_isalpha(c) || (U_GET_GC_MASK(c) & U_GC_M_MASK) || isNamePunctuation(c);
    });
    return allNameCharacters && hasLetter;
}

/// Written in Han, Kana or Hangul (marks and the Kana length mark may stand between): a name
/// of those scripts reads family name first, without a space ("山田太郎", "김민준").
bool isEastAsianName(std::string_view text)
{
    bool eastAsian = false;
    bool allEastAsian = everyCodePoint(text, [&](UChar32 c) {
        if (!u_isalpha(c))
            return true;
        UErrorCode status = U_ZERO_ERROR;
        switch (uscript_getScript(c, &status)) {
        case USCRIPT_HAN:
        case USCRIPT_HIRAGANA:
        case USCRIPT_KATAKANA:
        case USCRIPT_HANGUL: eastAsian = true; return true;
        case USCRIPT_COMMON: // "ー", the Kana length mark
        case USCRIPT_INHERITED: return true;
        default: return false;
        }
    });
    return allEastAsian && eastAsian;
}

/// Words separated by white space.
std::vector<std::string> words(std::string_view text)
{
    std::vector<std::string> result;
    auto length = static_cast<int32_t>(text.size());
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    std::string current;
    for (int32_t i = 0; i < length;) {
        int32_t start = i;
        UChar32 c;
        U8_NEXT(bytes, i, length, c);
        if (c >= 0 && u_isUWhiteSpace(c)) {
            if (!current.empty())
                result.push_back(std::move(current));
            current.clear();
        } else {
            current.append(text.substr(static_cast<size_t>(start), static_cast<size_t>(i - start)));
        }
    }
    if (!current.empty())
        result.push_back(std::move(current));
    return result;
}

std::optional<PersonNameComponents> parseWords(std::string_view text)
{
    auto parts = words(text);
    if (parts.empty())
        return std::nullopt;
    for (auto& word : parts) {
        if (!isNameWord(word))
            return std::nullopt;
    }
    PersonNameComponents components;
    if (parts.size() == 1) {
        components.givenName = parts.front();
    } else if (std::all_of(parts.begin(), parts.end(), [](const std::string& word) { return isEastAsianName(word); })) {
        components.familyName = parts.front();
        components.givenName = parts.back();
    } else {
        components.givenName = parts.front();
        components.familyName = parts.back();
    }
    return components;
}

}

std::string leadingGraphemes(std::string_view text, int count)
{
    if (text.empty() || count <= 0)
        return {};
    auto string = icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> iterator(icu::BreakIterator::createCharacterInstance(icu::Locale::getDefault(), status));
    int32_t end = string.length();
    if (U_SUCCESS(status) && iterator) {
        iterator->setText(string);
        int32_t position = iterator->first();
        for (int i = 0; i < count && position != icu::BreakIterator::DONE; ++i)
            position = iterator->next();
        if (position != icu::BreakIterator::DONE)
            end = position;
    } else {
        end = std::min(end, count);
    }
    std::string result;
    string.tempSubString(0, end).toUTF8String(result);
    return result;
}

std::string firstGrapheme(std::string_view text)
{
    return leadingGraphemes(text, 1);
}

std::string localizedUppercase(std::string_view text)
{
    auto string = icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    string.toUpper(icu::Locale::getDefault());
    std::string result;
    string.toUTF8String(result);
    return result;
}

const PersonNameFormatter& PersonNameFormatter::defaultFormatter()
{
    static const PersonNameFormatter formatter(Style::defaultStyle);
    return formatter;
}

const PersonNameFormatter& PersonNameFormatter::initialsFormatter()
{
    static const PersonNameFormatter formatter(Style::abbreviated);
    return formatter;
}

std::string PersonNameFormatter::string(const PersonNameComponents& components) const
{
    std::vector<std::string> parts;
    for (auto& part : { components.givenName, components.familyName }) {
        if (auto text = part ? trimmingWhitespaceAndNewlines(*part) : std::string(); !text.empty())
            parts.push_back(std::move(text));
    }
    bool familyFirst = std::all_of(parts.begin(), parts.end(), [](const std::string& part) { return isEastAsianName(part); });
    if (familyFirst)
        std::reverse(parts.begin(), parts.end());
    std::string result;
    for (auto& text : parts) {
        if (m_style == Style::abbreviated) {
            result += firstGrapheme(text);
        } else {
            if (!result.empty() && !familyFirst)
                result += ' ';
            result += text;
        }
    }
    return result;
}

std::optional<PersonNameComponents> PersonNameFormatter::personNameComponents(std::string_view text) const
{
    auto trimmed = trimmingWhitespaceAndNewlines(text);
    if (auto comma = trimmed.find(','); comma != std::string::npos) {
        auto familyText = trimmingWhitespaceAndNewlines(std::string_view(trimmed).substr(0, comma));
        auto givenText = trimmingWhitespaceAndNewlines(std::string_view(trimmed).substr(comma + 1));
        if (!parseWords(familyText) || !parseWords(givenText) || givenText.find(',') != std::string::npos)
            return std::nullopt;
        return PersonNameComponents { givenText, familyText };
    }
    return parseWords(trimmed);
}

}

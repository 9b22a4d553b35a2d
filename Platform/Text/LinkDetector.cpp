#include "Platform/Text/LinkDetector.hpp"

#include "Platform/Runtime/HexDigit.hpp"
#include "Platform/Runtime/PlatformLog.hpp"
#include "Platform/Text/AsciiCase.hpp"
#include "Platform/Text/PercentEncoding.hpp"

#include <unicode/uchar.h>

#include <algorithm>
#include <array>
#include <fstream>

namespace tvk {

namespace {

struct CodePoint {
    char32_t value = 0;
    /// 0 for a byte that does not start a well-formed UTF-8 sequence.
    std::size_t length = 0;
};

CodePoint decodeAt(std::string_view text, std::size_t i)
{
    auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80)
        return { byte, 1 };
    std::size_t length;
    char32_t value;
    char32_t minimum;
    if (byte >= 0xC2 && byte <= 0xDF) {
        length = 2;
        value = byte & 0x1F;
        minimum = 0x80;
    } else if (byte >= 0xE0 && byte <= 0xEF) {
        length = 3;
        value = byte & 0x0F;
        minimum = 0x800;
    } else if (byte >= 0xF0 && byte <= 0xF4) {
        length = 4;
        value = byte & 0x07;
        minimum = 0x10000;
    } else {
        return {};
    }
    if (length > text.size() - i)
        return {};
    for (std::size_t k = 1; k < length; ++k) {
        auto continuation = static_cast<unsigned char>(text[i + k]);
        if ((continuation & 0xC0) != 0x80)
            return {};
        value = value << 6 | (continuation & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return {};
    return { value, length };
}

void appendUtf8(std::string& out, char32_t value)
{
    if (value < 0x80) {
        out += static_cast<char>(value);
    } else if (value < 0x800) {
        out += static_cast<char>(0xC0 | (value >> 6));
        out += static_cast<char>(0x80 | (value & 0x3F));
    } else if (value < 0x10000) {
        out += static_cast<char>(0xE0 | (value >> 12));
        out += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (value & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (value >> 18));
        out += static_cast<char>(0x80 | ((value >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (value & 0x3F));
    }
}

bool isAsciiAlpha(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isAsciiAlnum(char c)
{
    return isAsciiAlpha(c) || isAsciiDigit(c);
}

/// Letters, digits and combining marks of any script: what host labels and words are made of.
bool isUnicodeAlnum(char32_t value)
{
    auto mask = U_GET_GC_MASK(static_cast<UChar32>(value));
    return (mask & (U_GC_L_MASK | U_GC_N_MASK | U_GC_M_MASK)) != 0;
}

/// Characters that, right before a position, make it the middle of a word, a host name or an
/// e-mail address rather than a place where a link can start.
bool isWordCodePoint(char32_t value)
{
    if (value < 0x80) {
        auto c = static_cast<char>(value);
        return isAsciiAlnum(c) || c == '.' || c == '-' || c == '_' || c == '@' || c == '%' || c == '+';
    }
    return isUnicodeAlnum(value);
}

bool isLocalPartCharacter(char c)
{
    return isAsciiAlnum(c) || c == '.' || c == '_' || c == '%' || c == '+' || c == '-';
}

struct CharacterReference {
    char32_t value = 0;
    std::size_t length = 0;
};

/// An HTML character reference at `i` ("&amp;", "&#38;", "&#x26;"); only the named ones that
/// matter around links are known.
std::optional<CharacterReference> characterReferenceAt(std::string_view text, std::size_t i)
{
    if (i >= text.size() || text[i] != '&')
        return std::nullopt;
    std::size_t k = i + 1;
    if (k < text.size() && text[k] == '#') {
        ++k;
        bool hex = k < text.size() && (text[k] == 'x' || text[k] == 'X');
        if (hex)
            ++k;
        char32_t value = 0;
        std::size_t digits = 0;
        while (k < text.size() && digits < 7) {
            char c = text[k];
            int digit = hex ? hexDigitValue(c) : isAsciiDigit(c) ? c - '0' : -1;
            if (digit < 0)
                break;
            value = value * (hex ? 16 : 10) + static_cast<char32_t>(digit);
            ++digits;
            ++k;
        }
        if (digits == 0 || k >= text.size() || text[k] != ';' || value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            return std::nullopt;
        return CharacterReference { value, k + 1 - i };
    }
    static constexpr std::array<std::pair<std::string_view, char32_t>, 6> named { {
        { "amp", '&' },
        { "lt", '<' },
        { "gt", '>' },
        { "quot", '"' },
        { "apos", '\'' },
        { "nbsp", 0xA0 },
    } };
    std::size_t start = k;
    while (k < text.size() && k - start < 5 && isAsciiAlpha(text[k]))
        ++k;
    if (k >= text.size() || text[k] != ';')
        return std::nullopt;
    auto name = asciiLowercased(text.substr(start, k - start));
    for (auto& [entity, value] : named) {
        if (name == entity)
            return CharacterReference { value, k + 1 - i };
    }
    return std::nullopt;
}

std::string decodingCharacterReferences(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == '&') {
            if (auto reference = characterReferenceAt(text, i)) {
                appendUtf8(out, reference->value);
                i += reference->length;
                continue;
            }
        }
        out += text[i++];
    }
    return out;
}

/// Whether a character may continue a link that started after `openingQuote` (or 0).
bool continuesLink(char32_t value, char openingQuote)
{
    if (value < 0x80) {
        auto c = static_cast<char>(value);
        if (value <= 0x20 || value == 0x7F)
            return false;
        if (c == '<' || c == '>' || c == '"' || c == '`')
            return false;
        if (c == '\'' && openingQuote == '\'')
            return false;
        return true;
    }
    // Letters, digits and marks of any script continue an internationalised link; white space,
    // typographic quotes, CJK and full-width punctuation, symbols and emoji end it.
    return isUnicodeAlnum(value);
}

bool isTrailingPunctuation(char c)
{
    return c == '.' || c == ',' || c == ';' || c == ':' || c == '!' || c == '?' || c == '\'';
}

constexpr std::array<std::string_view, 9> opaqueSchemes { "mailto", "tel", "sip", "sips", "callto", "facetime", "facetime-audio", "skype",
    "msteams" };
constexpr std::array<std::string_view, 2> singleSlashSchemes { "msteams", "ts3server" };
constexpr std::array<std::string_view, 3> ignoredHrefSchemes { "javascript", "data", "vbscript" };

template <std::size_t N> bool contains(const std::array<std::string_view, N>& list, std::string_view value)
{
    return std::find(list.begin(), list.end(), value) != list.end();
}

constexpr std::array<std::string_view, 88> htmlElements { "a", "abbr", "address", "area", "article", "aside", "b", "base", "bdi", "bdo",
    "big", "blockquote", "body", "br", "button", "caption", "center", "cite", "code", "col", "colgroup", "dd", "del", "details", "dfn",
    "div", "dl", "dt", "em", "figure", "font", "footer", "form", "h1", "h2", "h3", "h4", "h5", "h6", "head", "header", "hr", "html", "i",
    "img", "input", "ins", "kbd", "label", "li", "link", "main", "map", "mark", "meta", "nav", "nobr", "noscript", "ol", "p", "pre", "q",
    "s", "samp", "script", "section", "small", "span", "strike", "strong", "style", "sub", "summary", "sup", "table", "tbody", "td",
    "tfoot", "th", "thead", "title", "tr", "tt", "u", "ul", "var", "wbr", "xml" };

}

class LinkDetector::Scanner {
public:
    Scanner(const LinkDetector& detector, std::string_view text)
        : m_detector(detector)
        , m_text(text)
    {
    }

    std::vector<DetectedLink> run()
    {
        std::size_t i = 0;
        while (i < m_text.size()) {
            char c = m_text[i];
            if (c == '<') {
                if (auto end = tag(i)) {
                    i = *end;
                    continue;
                }
            } else if ((isAsciiAlnum(c) || static_cast<unsigned char>(c) >= 0x80) && !isWordBefore(i)) {
                if (auto end = link(i)) {
                    i = *end;
                    continue;
                }
                // No link starts inside the rest of a word: every position in it follows a word
                // character.
                auto codePoint = decodeAt(m_text, i);
                i += codePoint.length ? codePoint.length : 1;
                if (codePoint.length && isWordCodePoint(codePoint.value)) {
                    while (i < m_text.size() && static_cast<unsigned char>(m_text[i]) < 0x80
                        && isWordCodePoint(static_cast<unsigned char>(m_text[i])))
                        ++i;
                }
                continue;
            }
            if (static_cast<unsigned char>(c) < 0x80) {
                ++i;
                continue;
            }
            auto codePoint = decodeAt(m_text, i);
            i += codePoint.length ? codePoint.length : 1;
        }
        return std::move(m_links);
    }

private:
    bool isWordBefore(std::size_t i) const
    {
        if (i == 0)
            return false;
        auto previous = static_cast<unsigned char>(m_text[i - 1]);
        if (previous < 0x80)
            return isWordCodePoint(previous);
        std::size_t start = i - 1;
        while (start > 0 && i - start < 4 && (static_cast<unsigned char>(m_text[start]) & 0xC0) == 0x80)
            --start;
        auto codePoint = decodeAt(m_text, start);
        return codePoint.length == i - start && isWordCodePoint(codePoint.value);
    }

    char openingQuoteBefore(std::size_t i) const
    {
        if (i == 0)
            return 0;
        char previous = m_text[i - 1];
        return (previous == '\'' || previous == '"') ? previous : 0;
    }

    /// The end of the link body that starts at `start`: everything that continues a link,
    /// with brackets balanced, less trailing punctuation.
    std::size_t bodyEnd(std::size_t start, char openingQuote) const
    {
        std::array<int, 3> depth {};
        std::size_t i = start;
        while (i < m_text.size()) {
            char c = m_text[i];
            if (c == '&') {
                if (auto reference = characterReferenceAt(m_text, i)) {
                    if (!continuesLink(reference->value, openingQuote))
                        break;
                    i += reference->length;
                    continue;
                }
            }
            auto codePoint = static_cast<unsigned char>(c) < 0x80 ? CodePoint { static_cast<unsigned char>(c), 1 } : decodeAt(m_text, i);
            if (codePoint.length == 0 || !continuesLink(codePoint.value, openingQuote))
                break;
            static constexpr std::string_view opening = "([{";
            static constexpr std::string_view closing = ")]}";
            if (auto kind = opening.find(c); kind != std::string_view::npos) {
                ++depth[kind];
            } else if (auto kind = closing.find(c); kind != std::string_view::npos) {
                if (depth[kind] == 0)
                    break;
                --depth[kind];
            }
            i += codePoint.length;
        }
        while (i > start && isTrailingPunctuation(m_text[i - 1]) && !endsCharacterReference(start, i))
            --i;
        return i;
    }

    bool endsCharacterReference(std::size_t start, std::size_t end) const
    {
        if (m_text[end - 1] != ';')
            return false;
        for (std::size_t back = 2; back <= 12 && back <= end - start; ++back) {
            if (m_text[end - back] == '&') {
                auto reference = characterReferenceAt(m_text, end - back);
                return reference && reference->length == back;
            }
        }
        return false;
    }

    struct Host {
        std::size_t end = 0;
        std::size_t labels = 0;
        std::string_view topLevelDomain;
        std::string_view firstLabel;
    };

    /// Dot-separated labels of letters, digits and inner hyphens, starting at `start`.
    std::optional<Host> host(std::size_t start) const
    {
        Host host;
        std::size_t i = start;
        while (true) {
            std::size_t labelStart = i;
            while (i < m_text.size()) {
                char c = m_text[i];
                if (isAsciiAlnum(c) || c == '-') {
                    ++i;
                    continue;
                }
                auto codePoint = decodeAt(m_text, i);
                if (static_cast<unsigned char>(c) >= 0x80 && codePoint.length && isUnicodeAlnum(codePoint.value)) {
                    i += codePoint.length;
                    continue;
                }
                break;
            }
            auto label = m_text.substr(labelStart, i - labelStart);
            if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-')
                return std::nullopt;
            if (host.labels == 0)
                host.firstLabel = label;
            ++host.labels;
            host.topLevelDomain = label;
            host.end = i;
            if (i + 1 < m_text.size() && m_text[i] == '.') {
                auto next = static_cast<unsigned char>(m_text[i + 1]);
                if (isAsciiAlnum(static_cast<char>(next)) || next >= 0x80) {
                    auto codePoint = decodeAt(m_text, i + 1);
                    if (next < 0x80 || (codePoint.length && isUnicodeAlnum(codePoint.value))) {
                        ++i;
                        continue;
                    }
                }
            }
            break;
        }
        if (host.labels < 2)
            return std::nullopt;
        return host;
    }

    bool endsWord(std::size_t i) const
    {
        if (i >= m_text.size())
            return true;
        auto codePoint = decodeAt(m_text, i);
        if (codePoint.length == 0)
            return true;
        if (codePoint.value == '.')
            return true;
        return !isWordCodePoint(codePoint.value);
    }

    bool isKnownDomain(const Host& host, bool forEmail) const
    {
        if (!m_detector.m_topLevelDomains.empty())
            return m_detector.isTopLevelDomain(host.topLevelDomain);
        bool alphabetic = host.topLevelDomain.size() >= 2
            && std::all_of(host.topLevelDomain.begin(), host.topLevelDomain.end(), [](char c) { return isAsciiAlpha(c); });
        return alphabetic && (forEmail || asciiLowercased(host.firstLabel) == "www");
    }

    std::optional<std::size_t> link(std::size_t start)
    {
        // Most words of a text are neither a scheme, nor the local part of an e-mail address,
        // nor a host name; one look at the run of ASCII word characters tells.
        std::size_t i = start;
        bool dotted = false;
        while (i < m_text.size() && (isLocalPartCharacter(m_text[i]))) {
            dotted |= m_text[i] == '.';
            ++i;
        }
        if (i > start && !dotted
            && (i >= m_text.size() || (m_text[i] != ':' && m_text[i] != '@' && static_cast<unsigned char>(m_text[i]) < 0x80)))
            return std::nullopt;
        if (auto end = schemeLink(start))
            return end;
        if (auto end = emailLink(start))
            return end;
        return bareHostLink(start);
    }

    std::optional<std::size_t> schemeLink(std::size_t start)
    {
        if (!isAsciiAlpha(m_text[start]))
            return std::nullopt;
        std::size_t i = start;
        while (i < m_text.size() && i - start < 32 && (isAsciiAlnum(m_text[i]) || m_text[i] == '+' || m_text[i] == '-'))
            ++i;
        if (i - start < 2 || i >= m_text.size() || m_text[i] != ':')
            return std::nullopt;
        auto scheme = asciiLowercased(m_text.substr(start, i - start));
        std::size_t afterColon = i + 1;
        auto rest = m_text.substr(afterColon);
        std::size_t contentStart;
        if (rest.starts_with("//")) {
            contentStart = afterColon + 2;
            // Something that can start a host must follow: "https://" alone is no link.
            if (contentStart >= m_text.size())
                return std::nullopt;
            char first = m_text[contentStart];
            auto codePoint = decodeAt(m_text, contentStart);
            bool hostStart = isAsciiAlnum(first) || first == '[' || (codePoint.length > 1 && isUnicodeAlnum(codePoint.value));
            if (!hostStart)
                return std::nullopt;
        } else if (rest.starts_with("/") && contains(singleSlashSchemes, scheme)) {
            contentStart = afterColon + 1;
        } else if (contains(opaqueSchemes, scheme)) {
            contentStart = afterColon;
        } else {
            return std::nullopt;
        }
        std::size_t end = bodyEnd(afterColon, openingQuoteBefore(start));
        if (end <= contentStart)
            return std::nullopt;
        emit(start, end, decodingCharacterReferences(m_text.substr(start, end - start)), false);
        return end;
    }

    std::optional<std::size_t> emailLink(std::size_t start)
    {
        std::size_t i = start;
        while (i < m_text.size() && isLocalPartCharacter(m_text[i]))
            ++i;
        if (i == start || i >= m_text.size() || m_text[i] != '@' || m_text[i - 1] == '.')
            return std::nullopt;
        auto domain = host(i + 1);
        if (!domain || !endsWord(domain->end) || !isKnownDomain(*domain, true))
            return std::nullopt;
        emit(start, domain->end, "mailto:" + std::string(m_text.substr(start, domain->end - start)), true);
        return domain->end;
    }

    std::optional<std::size_t> bareHostLink(std::size_t start)
    {
        auto found = host(start);
        if (!found || !isKnownDomain(*found, false))
            return std::nullopt;
        std::size_t end = found->end;
        if (end < m_text.size() && m_text[end] == ':') {
            std::size_t digits = end + 1;
            while (digits < m_text.size() && isAsciiDigit(m_text[digits]) && digits - end <= 5)
                ++digits;
            if (digits > end + 1 && (digits >= m_text.size() || !isAsciiAlnum(m_text[digits])))
                end = digits;
        }
        if (end < m_text.size() && (m_text[end] == '/' || m_text[end] == '?' || m_text[end] == '#'))
            end = bodyEnd(end, openingQuoteBefore(start));
        else if (!endsWord(end))
            return std::nullopt;
        emit(start, end, "http://" + decodingCharacterReferences(m_text.substr(start, end - start)), true);
        return end;
    }

    void emit(std::size_t start, std::size_t end, std::string url, bool addedScheme)
    {
        if (m_anchorHref && isAnchorHref(url, addedScheme, m_text.substr(start, end - start)))
            return;
        m_links.push_back({ { start, end - start }, std::move(url) });
    }

    /// Whether a link in an anchor's text is the anchor's own href written out again.
    bool isAnchorHref(const std::string& url, bool addedScheme, std::string_view written) const
    {
        if (url == *m_anchorHref)
            return true;
        if (!addedScheme)
            return false;
        auto decoded = decodingCharacterReferences(written);
        auto separator = m_anchorHref->find("://");
        return separator != std::string::npos && m_anchorHref->compare(separator + 3, std::string::npos, decoded) == 0;
    }

    /// An HTML tag, comment or element whose content is no text, at `start`; returns where
    /// scanning resumes, or none when the "<" starts no tag.
    std::optional<std::size_t> tag(std::size_t start)
    {
        if (m_text.substr(start).starts_with("<!--")) {
            auto end = find("-->", start + 4, m_commentEndMissingFrom);
            return end ? std::optional<std::size_t>(*end + 3) : std::nullopt;
        }
        std::size_t i = start + 1;
        bool closing = i < m_text.size() && m_text[i] == '/';
        if (closing)
            ++i;
        std::size_t nameStart = i;
        if (i >= m_text.size() || !isAsciiAlpha(m_text[i]))
            return std::nullopt;
        while (i < m_text.size() && (isAsciiAlnum(m_text[i]) || m_text[i] == ':' || m_text[i] == '-'))
            ++i;
        auto name = asciiLowercased(m_text.substr(nameStart, i - nameStart));
        // Office's namespaced elements ("o:p", "v:shape") count; "https:" of "<https://…>" does not.
        auto colon = name.rfind(':');
        bool namespaced = colon != std::string::npos && colon > 0 && colon + 1 < name.size() && isAsciiAlpha(name[colon + 1]);
        if (!namespaced && !contains(htmlElements, name))
            return std::nullopt;
        bool selfClosingName = i + 1 < m_text.size() && m_text[i] == '/' && m_text[i + 1] == '>';
        if (i < m_text.size() && !(m_text[i] == '>' || selfClosingName || static_cast<unsigned char>(m_text[i]) <= 0x20))
            return std::nullopt;
        // A tag ends at the first ">"; a "<" before it means this was no tag. Scanning stops
        // there, so the text between two "<" is looked at once however it fails.
        auto tagEnd = m_text.find_first_of("<>", i);
        if (tagEnd == std::string_view::npos || m_text[tagEnd] == '<')
            return std::nullopt;
        if (closing) {
            if (name == "a")
                m_anchorHref.reset();
            return tagEnd + 1;
        }
        if (name == "a")
            m_anchorHref.reset();
        attributes(i, tagEnd, name == "a");
        bool selfClosing = tagEnd > i && m_text[tagEnd - 1] == '/';
        if ((name == "style" || name == "script") && !selfClosing) {
            auto& missingFrom = name == "style" ? m_styleEndMissingFrom : m_scriptEndMissingFrom;
            if (auto end = findClosingTag(name, tagEnd + 1, missingFrom))
                return *end;
        }
        return tagEnd + 1;
    }

    void attributes(std::size_t i, std::size_t tagEnd, bool isAnchor)
    {
        auto isSpace = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
        while (i < tagEnd) {
            while (i < tagEnd && (isSpace(m_text[i]) || m_text[i] == '/'))
                ++i;
            std::size_t nameStart = i;
            while (i < tagEnd && !isSpace(m_text[i]) && m_text[i] != '=' && m_text[i] != '/')
                ++i;
            auto name = asciiLowercased(m_text.substr(nameStart, i - nameStart));
            while (i < tagEnd && isSpace(m_text[i]))
                ++i;
            if (i >= tagEnd || m_text[i] != '=')
                continue;
            ++i;
            while (i < tagEnd && isSpace(m_text[i]))
                ++i;
            std::size_t valueStart;
            std::size_t valueEnd;
            if (i < tagEnd && (m_text[i] == '"' || m_text[i] == '\'')) {
                char quote = m_text[i];
                valueStart = i + 1;
                auto close = m_text.find(quote, valueStart);
                valueEnd = (close == std::string_view::npos || close > tagEnd) ? tagEnd : close;
                i = valueEnd + 1;
            } else {
                valueStart = i;
                while (i < tagEnd && !isSpace(m_text[i]))
                    ++i;
                valueEnd = i;
            }
            if (name == "href")
                href(valueStart, valueEnd, isAnchor);
        }
    }

    void href(std::size_t valueStart, std::size_t valueEnd, bool isAnchor)
    {
        auto isSpace = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
        while (valueStart < valueEnd && isSpace(m_text[valueStart]))
            ++valueStart;
        while (valueEnd > valueStart && isSpace(m_text[valueEnd - 1]))
            --valueEnd;
        // Attribute values are not read as links, so they may hold anything; only text is
        // reported.
        if (!isValidUtf8(m_text.substr(valueStart, valueEnd - valueStart)))
            return;
        auto url = decodingCharacterReferences(m_text.substr(valueStart, valueEnd - valueStart));
        std::size_t colon = 0;
        while (
            colon < url.size() && colon < 32 && (isAsciiAlnum(url[colon]) || url[colon] == '+' || url[colon] == '-' || url[colon] == '.'))
            ++colon;
        if (colon < 2 || colon >= url.size() || url[colon] != ':' || !isAsciiAlpha(url[0]) || colon + 1 == url.size())
            return;
        if (contains(ignoredHrefSchemes, asciiLowercased(std::string_view(url).substr(0, colon))))
            return;
        m_links.push_back({ { valueStart, valueEnd - valueStart }, url });
        if (isAnchor)
            m_anchorHref = std::move(url);
    }

    /// `needle` at or after `from`. A search that failed from some position fails from every
    /// later one, so `missingFrom` remembers it and keeps repeated searches linear.
    std::optional<std::size_t> find(std::string_view needle, std::size_t from, std::size_t& missingFrom) const
    {
        if (from >= missingFrom)
            return std::nullopt;
        auto found = m_text.find(needle, from);
        if (found == std::string_view::npos) {
            missingFrom = from;
            return std::nullopt;
        }
        return found;
    }

    std::optional<std::size_t> findClosingTag(std::string_view name, std::size_t from, std::size_t& missingFrom) const
    {
        std::size_t i = from;
        while (auto found = find("</", i, missingFrom)) {
            auto candidate = m_text.substr(*found + 2, name.size());
            if (asciiLowercased(candidate) == name)
                return *found;
            i = *found + 2;
        }
        missingFrom = std::min(missingFrom, from);
        return std::nullopt;
    }

    const LinkDetector& m_detector;
    std::string_view m_text;
    std::vector<DetectedLink> m_links;
    std::optional<std::string> m_anchorHref;
    std::size_t m_commentEndMissingFrom = std::string_view::npos;
    std::size_t m_styleEndMissingFrom = std::string_view::npos;
    std::size_t m_scriptEndMissingFrom = std::string_view::npos;
};

LinkDetector::LinkDetector(TopLevelDomains topLevelDomains)
    : m_topLevelDomains(std::move(topLevelDomains))
{
}

const LinkDetector& LinkDetector::shared()
{
    static const LinkDetector detector = [] {
        auto domains = loadTopLevelDomains(systemPublicSuffixList);
        if (!domains) {
            PlatformLog::warning("LinkDetector",
                std::string("cannot read the list of top-level domains at ") + systemPublicSuffixList
                    + " (Debian package \"publicsuffix\"); host names without a scheme are recognised only after \"www.\"");
        }
        return LinkDetector(domains ? std::move(*domains) : TopLevelDomains {});
    }();
    return detector;
}

std::optional<LinkDetector::TopLevelDomains> LinkDetector::loadTopLevelDomains(const std::filesystem::path& publicSuffixList)
{
    std::ifstream file(publicSuffixList);
    if (!file)
        return std::nullopt;
    TopLevelDomains domains;
    std::string line;
    while (std::getline(file, line)) {
        auto end = line.find_first_of(" \t\r");
        std::string_view rule = std::string_view(line).substr(0, end);
        if (rule.empty() || rule.starts_with("//"))
            continue;
        auto dot = rule.rfind('.');
        auto label = dot == std::string_view::npos ? rule : rule.substr(dot + 1);
        if (label.empty() || label == "*" || label.starts_with('!'))
            continue;
        domains.insert(asciiLowercased(label));
    }
    if (domains.empty())
        return std::nullopt;
    return domains;
}

bool LinkDetector::isTopLevelDomain(std::string_view label) const
{
    if (label.size() > 4 && asciiLowercased(label.substr(0, 4)) == "xn--")
        return true;
    return m_topLevelDomains.contains(asciiLowercased(label));
}

std::vector<DetectedLink> LinkDetector::matches(std::string_view text) const
{
    return Scanner(*this, text).run();
}

}

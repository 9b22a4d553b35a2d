#include "Platform/Text/LinkDetector.hpp"

#include "Platform/Runtime/HexDigit.hpp"
#include "Platform/Runtime/PlatformLog.hpp"
#include "Platform/Text/AsciiCase.hpp"
#include "Platform/Text/PercentEncoding.hpp"

#include <unicode/uchar.h>
#include <unicode/uscript.h>

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

/// Letters of the scripts written without spaces between words (and the full-width forms
/// used with them): in such text a link is followed, and often preceded, by words with
/// nothing in between.
bool isUnspacedScriptCodePoint(char32_t value)
{
    if (value < 0x0E00)
        return false;
    if (value >= 0xFF00 && value <= 0xFFEF)
        return true;
    if (value == 0x30FC) // the prolonged sound mark, common to both kana
        return true;
    UErrorCode status = U_ZERO_ERROR;
    switch (uscript_getScript(static_cast<UChar32>(value), &status)) {
    case USCRIPT_HAN:
    case USCRIPT_HIRAGANA:
    case USCRIPT_KATAKANA:
    case USCRIPT_HANGUL:
    case USCRIPT_THAI:
    case USCRIPT_LAO:
    case USCRIPT_KHMER:
    case USCRIPT_MYANMAR: return true;
    default: return false;
    }
}

bool isWhiteSpaceCodePoint(char32_t value)
{
    return value <= 0x20 || u_isUWhiteSpace(static_cast<UChar32>(value));
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

/// Emphasis and underline marks (Markdown's "**", "_", "--"): part of a link inside it, not
/// at its end before white space.
bool isTrailingMark(char c)
{
    return c == '*' || c == '_' || c == '-' || c == '\'';
}

/// Schemes that letters glued in front of them do not belong to: the web's and the meeting
/// services' own. Longer ones first, so that "xhttps" gives "https".
constexpr std::array<std::string_view, 5> knownSchemes { "ts3server", "zoommtg", "msteams", "https", "http" };

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
    Scanner(const LinkDetector& detector, std::string_view text, const RedirectTarget& redirectTarget)
        : m_detector(detector)
        , m_text(text)
        , m_redirectTarget(redirectTarget)
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
            } else if ((isAsciiAlnum(c) || static_cast<unsigned char>(c) >= 0x80) && mayStartLink(i)) {
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
        auto previous = codePointBefore(i);
        return previous && isWordCodePoint(*previous);
    }

    /// The code point that ends right before `i`, or none for the start of the text and
    /// invalid UTF-8.
    std::optional<char32_t> codePointBefore(std::size_t i) const
    {
        if (i == 0)
            return std::nullopt;
        std::size_t start = i - 1;
        while (start > 0 && i - start < 4 && (static_cast<unsigned char>(m_text[start]) & 0xC0) == 0x80)
            --start;
        auto codePoint = decodeAt(m_text, start);
        if (codePoint.length != i - start)
            return std::nullopt;
        return codePoint.value;
    }

    /// Whether a link may start at `i`: after a character that cannot be part of a word or
    /// host; or, for ASCII, after a letter of a script written without spaces ("会議zoom.us");
    /// or, for a known scheme, after whatever it is glued to ("Встречаhttps://", "--https://").
    /// ASCII letters glued to a known scheme are cut off where the word starts (`schemeLink`).
    bool mayStartLink(std::size_t i) const
    {
        if (!isWordBefore(i))
            return true;
        if (static_cast<unsigned char>(m_text[i]) >= 0x80)
            return false;
        auto previous = codePointBefore(i);
        if (!previous)
            return false;
        if (isUnspacedScriptCodePoint(*previous))
            return true;
        return !(*previous < 0x80 && isAsciiAlnum(static_cast<char>(*previous))) && knownSchemeAt(i);
    }

    bool knownSchemeAt(std::size_t i) const
    {
        for (auto scheme : knownSchemes) {
            if (m_text.size() - i > scheme.size() && asciiLowercased(m_text.substr(i, scheme.size())) == scheme
                && m_text[i + scheme.size()] == ':')
                return true;
        }
        return false;
    }

    char openingQuoteBefore(std::size_t i) const
    {
        if (i == 0)
            return 0;
        char previous = m_text[i - 1];
        return (previous == '\'' || previous == '"') ? previous : 0;
    }

    /// Where a link body starts: after a scheme's "//" a host comes first; `nonAsciiHost` is
    /// for a host already read that has characters outside ASCII.
    struct BodyStart {
        bool hostFollows = false;
        bool nonAsciiHost = false;
    };

    /// The end of the link body that starts at `start`: everything that continues a link,
    /// with brackets balanced, less trailing punctuation.
    ///
    /// A link in ASCII ends where a letter of a script written without spaces begins: in
    /// "链接：https://zoom.us/j/1?pwd=abc请准时参加" the words after the passcode are no part
    /// of it. Such letters continue a link only where it really is written in them: a host
    /// label that starts with one ("http://foobar.みんな/") and a path segment that does
    /// ("/wiki/東京"), and everything after that.
    std::size_t bodyEnd(std::size_t start, char openingQuote, BodyStart shape) const
    {
        std::array<int, 3> depth {};
        std::size_t i = start;
        std::size_t hostStart = shape.hostFollows ? start + 2 : std::string_view::npos;
        bool inHost = shape.hostFollows;
        bool writtenInUnspacedScript = shape.nonAsciiHost;
        while (i < m_text.size()) {
            char c = m_text[i];
            if (c == '&') {
                if (auto reference = characterReferenceAt(m_text, i)) {
                    if (!continuesLink(reference->value, openingQuote) || isUnspacedScriptCodePoint(reference->value))
                        break;
                    i += reference->length;
                    continue;
                }
            }
            auto codePoint = static_cast<unsigned char>(c) < 0x80 ? CodePoint { static_cast<unsigned char>(c), 1 } : decodeAt(m_text, i);
            if (codePoint.length == 0 || !continuesLink(codePoint.value, openingQuote))
                break;
            if (inHost && i >= hostStart && (c == '/' || c == '?' || c == '#'))
                inHost = false;
            if (codePoint.value >= 0x80) {
                if (isUnspacedScriptCodePoint(codePoint.value) && !writtenInUnspacedScript) {
                    char previous = m_text[i - 1];
                    bool segmentStart = inHost ? (i == hostStart || previous == '.') : previous == '/';
                    if (!segmentStart)
                        break;
                    writtenInUnspacedScript = true;
                } else if (inHost) {
                    writtenInUnspacedScript = true;
                }
            }
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
        // Marks are dropped only where the link ends the text or a word: "**https://…**" in
        // a line or before an HTML tag, but not "https://…/a_" before a quote.
        bool beforeSpace = spaceOrTagAt(i);
        while (i > start && !endsCharacterReference(start, i)
            && (isTrailingPunctuation(m_text[i - 1]) || (beforeSpace && isTrailingMark(m_text[i - 1]))))
            --i;
        return i;
    }

    /// Whether the text ends at `i`, or white space (or "&nbsp;") or a tag follows.
    bool spaceOrTagAt(std::size_t i) const
    {
        if (i >= m_text.size() || m_text[i] == '<')
            return true;
        if (auto reference = characterReferenceAt(m_text, i))
            return isWhiteSpaceCodePoint(reference->value);
        auto codePoint = decodeAt(m_text, i);
        return codePoint.length > 0 && isWhiteSpaceCodePoint(codePoint.value);
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
        bool nonAscii = false;
    };

    /// Dot-separated labels of letters, digits and inner hyphens, starting at `start`.
    std::optional<Host> host(std::size_t start) const
    {
        Host host;
        std::size_t i = start;
        while (true) {
            std::size_t labelStart = i;
            bool asciiLabel = i < m_text.size() && static_cast<unsigned char>(m_text[i]) < 0x80;
            bool afterUnspaced = false;
            while (i < m_text.size()) {
                char c = m_text[i];
                // ASCII and a script without spaces meet where one word ends and the next
                // begins: "zoom.us会议", "会议zoom.us".
                if (isAsciiAlnum(c) || c == '-') {
                    if (afterUnspaced)
                        break;
                    ++i;
                    continue;
                }
                auto codePoint = decodeAt(m_text, i);
                if (static_cast<unsigned char>(c) >= 0x80 && codePoint.length && isUnicodeAlnum(codePoint.value)) {
                    afterUnspaced = isUnspacedScriptCodePoint(codePoint.value);
                    if (asciiLabel && afterUnspaced)
                        break;
                    host.nonAscii = true;
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
        if (i > 0 && static_cast<unsigned char>(m_text[i - 1]) < 0x80 && isUnspacedScriptCodePoint(codePoint.value))
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
        while (i < m_text.size() && (isAsciiAlnum(m_text[i]) || m_text[i] == '+' || m_text[i] == '-'))
            ++i;
        if (i - start < 2 || i >= m_text.size() || m_text[i] != ':')
            return std::nullopt;
        auto scheme = asciiLowercased(m_text.substr(start, i - start));
        // "Meetinghttps://…", "Meeting-https://…": text glued to a known scheme (a line break
        // lost in a conversion) is not part of it.
        for (auto known : knownSchemes) {
            if (scheme.size() > known.size() && scheme.ends_with(known)) {
                start = i - known.size();
                scheme = known;
                break;
            }
        }
        if (scheme.size() > 32)
            return std::nullopt;
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
        std::size_t end = bodyEnd(afterColon, openingQuoteBefore(start), { .hostFollows = rest.starts_with("//") });
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
            end = bodyEnd(end, openingQuoteBefore(start), { .nonAsciiHost = found->nonAscii });
        else if (!endsWord(end))
            return std::nullopt;
        emit(start, end, "http://" + decodingCharacterReferences(m_text.substr(start, end - start)), true);
        return end;
    }

    void emit(std::size_t start, std::size_t end, std::string url, bool addedScheme)
    {
        if (!m_anchorHrefs.empty() && isAnchorHref(url, addedScheme, m_text.substr(start, end - start)))
            return;
        m_links.push_back({ { start, end - start }, std::move(url) });
    }

    /// Whether a link in an anchor's text is the anchor's own href, or the place it
    /// redirects to, written out again (a bare host name for a URL with a scheme included).
    bool isAnchorHref(const std::string& url, bool addedScheme, std::string_view written) const
    {
        std::string decoded = addedScheme ? decodingCharacterReferences(written) : std::string();
        for (auto& href : m_anchorHrefs) {
            if (url == href)
                return true;
            auto separator = href.find("://");
            if (addedScheme && separator != std::string::npos && href.compare(separator + 3, std::string::npos, decoded) == 0)
                return true;
        }
        return false;
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
                m_anchorHrefs.clear();
            return tagEnd + 1;
        }
        if (name == "a")
            m_anchorHrefs.clear();
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
        if (isAnchor) {
            std::optional<std::string> target;
            if (m_redirectTarget)
                target = m_redirectTarget(url);
            // The last href of a tag counts, so a tag full of them costs no more per link.
            m_anchorHrefs.clear();
            m_anchorHrefs.push_back(std::move(url));
            if (target)
                m_anchorHrefs.push_back(std::move(*target));
        }
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
    const RedirectTarget& m_redirectTarget;
    /// The href of the anchor whose text is being read, and where it redirects to.
    std::vector<std::string> m_anchorHrefs;
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
    // Never destroyed: a thread may still be detecting links while the process exits.
    static const LinkDetector* detector = new LinkDetector([] {
        auto domains = loadTopLevelDomains(systemPublicSuffixList);
        if (!domains) {
            PlatformLog::warning("LinkDetector",
                std::string("cannot read the list of top-level domains at ") + systemPublicSuffixList
                    + " (Debian package \"publicsuffix\"); host names without a scheme are recognised only after \"www.\"");
        }
        return domains ? std::move(*domains) : TopLevelDomains {};
    }());
    return *detector;
}

std::optional<LinkDetector::TopLevelDomains> LinkDetector::loadTopLevelDomains(const std::filesystem::path& publicSuffixList)
{
    // Read whole and walked as views: every process that detects links loads the list (about
    // 250 KB and 10,000 rules) once, on the way to its first answer.
    constexpr std::uintmax_t largestList = 16 * 1024 * 1024;
    std::error_code error;
    auto size = std::filesystem::file_size(publicSuffixList, error);
    if (error || size > largestList)
        return std::nullopt;
    std::ifstream file(publicSuffixList, std::ios::binary);
    if (!file)
        return std::nullopt;
    std::string text(static_cast<size_t>(size), '\0');
    file.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(file.gcount()));

    TopLevelDomains domains;
    std::string_view previous;
    for (std::string_view rest = text; !rest.empty();) {
        auto newline = rest.find('\n');
        std::string_view line = rest.substr(0, newline);
        rest = newline == std::string_view::npos ? std::string_view() : rest.substr(newline + 1);
        auto end = line.find_first_of(" \t\r");
        std::string_view rule = line.substr(0, end);
        if (rule.empty() || rule.starts_with("//"))
            continue;
        auto dot = rule.rfind('.');
        auto label = dot == std::string_view::npos ? rule : rule.substr(dot + 1);
        if (label.empty() || label == "*" || label.starts_with('!'))
            continue;
        // The rules of one top-level domain stand together.
        if (label == previous)
            continue;
        previous = label;
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

std::vector<DetectedLink> LinkDetector::matches(std::string_view text, const RedirectTarget& redirectTarget) const
{
    return Scanner(*this, text, redirectTarget).run();
}

}

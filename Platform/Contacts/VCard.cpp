#include "Platform/Contacts/VCard.hpp"

#include "Platform/Runtime/HexDigit.hpp"
#include "Platform/Text/AsciiCase.hpp"
#include "Platform/Text/Base64.hpp"
#include "Platform/Text/AsciiWhitespace.hpp"
#include "Platform/Text/PercentEncoding.hpp"

#include <glib.h>

#include <algorithm>

namespace tvk {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::vector<std::string_view> physicalLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

/// Where the value starts: the first ":" that is not inside a quoted parameter value.
std::optional<size_t> valueSeparator(std::string_view line)
{
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else if (line[i] == ':' && !quoted)
            return i;
    }
    return std::nullopt;
}

/// What joining lines needs to know of a logical line's name and parameters. Worked out once
/// the head is complete (its ":" seen, or longer than any real head), so that joining stays
/// linear however many lines a value spans.
class LineHead {
public:
    void update(std::string_view line)
    {
        if (m_known)
            return;
        auto separator = valueSeparator(line.substr(0, maximumHeadLength));
        m_known = separator || line.size() >= maximumHeadLength;
        std::string head = asciiUppercased(line.substr(0, separator.value_or(std::min(line.size(), maximumHeadLength))));
        m_isQuotedPrintable = head.find("QUOTED-PRINTABLE") != std::string::npos;
        m_isBase64 = head.find("BASE64") != std::string::npos || head.find("ENCODING=B") != std::string::npos;
    }
    bool isQuotedPrintable() const { return m_isQuotedPrintable; }
    bool isBase64() const { return m_isBase64; }

private:
    static constexpr size_t maximumHeadLength = 8192;
    bool m_known = false;
    bool m_isQuotedPrintable = false;
    bool m_isBase64 = false;
};

/// Joins folded lines (a line that starts with a blank continues the one before, without that
/// blank), quoted-printable soft line breaks (a quoted-printable value ending in "=" continues
/// on the next line as it stands), and the unindented base64 lines some 2.1 writers leave up to
/// the blank line that ends them.
std::vector<std::string> logicalLines(std::string_view text)
{
    std::vector<std::string> lines;
    std::optional<std::string> current;
    LineHead head;
    for (auto line : physicalLines(text)) {
        if (current) {
            head.update(*current);
            if (!current->empty() && current->back() == '=' && head.isQuotedPrintable()) {
                current->pop_back();
                current->append(line);
                continue;
            }
            if (!line.empty() && isBlank(line.front())) {
                current->append(line.substr(1));
                continue;
            }
            if (!line.empty() && line.find(':') == std::string_view::npos && head.isBase64()) {
                current->append(line);
                continue;
            }
            lines.push_back(std::move(*current));
            current.reset();
        }
        if (line.empty())
            continue;
        current = std::string(line);
        head = LineHead();
    }
    if (current)
        lines.push_back(std::move(*current));
    return lines;
}

struct Parameter {
    /// Upper case; empty for a bare 2.1 parameter such as "QUOTED-PRINTABLE" or "JPEG".
    std::string name;
    std::vector<std::string> values;
};

struct ContentLine {
    /// Upper case, without its group.
    std::string name;
    std::vector<Parameter> parameters;
    std::string_view value;

    bool hasParameterValue(std::string_view name, std::string_view value) const
    {
        for (auto& parameter : parameters) {
            if (parameter.name != name && !parameter.name.empty())
                continue;
            for (auto& candidate : parameter.values) {
                if (equalsIgnoringAsciiCase(candidate, value))
                    return true;
            }
        }
        return false;
    }

    std::optional<std::string> parameter(std::string_view name) const
    {
        for (auto& parameter : parameters) {
            if (parameter.name == name && !parameter.values.empty())
                return parameter.values.front();
        }
        return std::nullopt;
    }

    bool isQuotedPrintable() const { return hasParameterValue("ENCODING", "QUOTED-PRINTABLE"); }
    bool isBase64() const { return hasParameterValue("ENCODING", "B") || hasParameterValue("ENCODING", "BASE64"); }
};

/// Splits at `separator` outside double quotes.
std::vector<std::string_view> splitOutsideQuotes(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    bool quoted = false;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"')
            quoted = !quoted;
        else if (text[i] == separator && !quoted) {
            parts.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(text.substr(start));
    return parts;
}

std::string unquoted(std::string_view text)
{
    text = trimmedAsciiWhitespace(text);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        text = text.substr(1, text.size() - 2);
    return std::string(text);
}

std::optional<ContentLine> parseContentLine(std::string_view line)
{
    auto separator = valueSeparator(line);
    if (!separator)
        return std::nullopt;
    ContentLine result;
    result.value = line.substr(*separator + 1);
    auto parts = splitOutsideQuotes(line.substr(0, *separator), ';');
    auto name = trimmedAsciiWhitespace(parts.front());
    if (auto dot = name.rfind('.'); dot != std::string_view::npos)
        name = name.substr(dot + 1);
    if (name.empty())
        return std::nullopt;
    result.name = asciiUppercased(name);
    for (size_t i = 1; i < parts.size(); ++i) {
        auto text = trimmedAsciiWhitespace(parts[i]);
        if (text.empty())
            continue;
        Parameter parameter;
        auto equals = text.find('=');
        if (equals == std::string_view::npos) {
            parameter.values.push_back(unquoted(text));
        } else {
            parameter.name = asciiUppercased(trimmedAsciiWhitespace(text.substr(0, equals)));
            for (auto value : splitOutsideQuotes(text.substr(equals + 1), ','))
                parameter.values.push_back(unquoted(value));
        }
        result.parameters.push_back(std::move(parameter));
    }
    return result;
}

/// "=XX" decoded; an "=" that starts no escape is kept as it is.
std::string quotedPrintableDecoded(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '=' && i + 2 < text.size()) {
            int high = hexDigitValue(text[i + 1]);
            int low = hexDigitValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

/// A charset name that iconv may be asked about: letters, digits and a few punctuation marks.
bool isPlausibleCharsetName(std::string_view name)
{
    return !name.empty() && name.size() <= 40 && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' || c == ':';
    });
}

std::optional<std::string> converted(std::string_view bytes, const char* from)
{
    gsize written = 0;
    char* result = g_convert(bytes.data(), static_cast<gssize>(bytes.size()), "UTF-8", from, nullptr, &written, nullptr);
    if (!result)
        return std::nullopt;
    std::string text(result, written);
    g_free(result);
    return text;
}

/// The bytes as UTF-8: converted from the declared charset, else kept when they are UTF-8
/// already, else read as Windows-1252 (and, should iconv lack it, as Latin-1).
std::string utf8Text(std::string bytes, const std::optional<std::string>& charset)
{
    if (charset && !equalsIgnoringAsciiCase(*charset, "UTF-8") && !equalsIgnoringAsciiCase(*charset, "UTF8")
        && isPlausibleCharsetName(*charset)) {
        if (auto text = converted(bytes, charset->c_str()); text && isValidUtf8(*text))
            return *text;
    }
    if (isValidUtf8(bytes))
        return bytes;
    if (auto text = converted(bytes, "WINDOWS-1252"); text && isValidUtf8(*text))
        return *text;
    std::string latin1;
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            latin1 += static_cast<char>(c);
        } else {
            latin1 += static_cast<char>(0xC0 | (c >> 6));
            latin1 += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return latin1;
}

/// The value's bytes after its transfer encoding, as UTF-8 text with escapes still in it.
std::string decodedValue(const ContentLine& line)
{
    std::string bytes = line.isQuotedPrintable() ? quotedPrintableDecoded(line.value) : std::string(line.value);
    return utf8Text(std::move(bytes), line.parameter("CHARSET"));
}

/// Backslash escapes of text values: "\n" and "\N" are line breaks, "\\", "\,", "\;" and "\:"
/// the character itself; any other backslash stays.
std::string unescaped(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            char next = text[i + 1];
            if (next == 'n' || next == 'N') {
                out += '\n';
                ++i;
                continue;
            }
            if (next == '\\' || next == ',' || next == ';' || next == ':') {
                out += next;
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

/// Splits at `separator` where it is not escaped by a backslash; pieces keep their escapes.
std::vector<std::string_view> splitUnescaped(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\') {
            ++i;
            continue;
        }
        if (text[i] == separator) {
            parts.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(text.substr(start));
    return parts;
}

/// One component of a structured value: its list of names joined by a space.
std::string structuredComponent(std::string_view component)
{
    std::string result;
    for (auto item : splitUnescaped(component, ',')) {
        auto text = unescaped(trimmedAsciiWhitespace(item));
        auto name = trimmedAsciiWhitespace(text);
        if (name.empty())
            continue;
        if (!result.empty())
            result += ' ';
        result += name;
    }
    return result;
}

std::optional<std::vector<std::uint8_t>> dataUriBytes(std::string_view uri)
{
    auto comma = uri.find(',');
    if (comma == std::string_view::npos)
        return std::nullopt;
    auto metadata = uri.substr(5, comma - 5);
    auto payload = uri.substr(comma + 1);
    if (metadata.size() >= 7 && equalsIgnoringAsciiCase(metadata.substr(metadata.size() - 7), ";base64"))
        return base64Decoded(payload, Base64Form::folded);
    auto decoded = percentDecoded(payload, DecodedText::anyBytes);
    if (!decoded)
        return std::nullopt;
    return std::vector<std::uint8_t>(decoded->begin(), decoded->end());
}

std::optional<std::vector<std::uint8_t>> photoBytes(const ContentLine& line)
{
    auto value = trimmedAsciiWhitespace(line.value);
    if (startsWithIgnoringAsciiCase(value, "data:"))
        return dataUriBytes(value);
    if (line.isBase64())
        return base64Decoded(value, Base64Form::folded);
    return std::nullopt;
}

void apply(const ContentLine& line, VCard& card)
{
    if (line.name == "VERSION") {
        card.version = std::string(trimmedAsciiWhitespace(line.value));
    } else if (line.name == "UID") {
        auto uid = unescaped(trimmedAsciiWhitespace(decodedValue(line)));
        if (!card.uid && !uid.empty())
            card.uid = uid;
    } else if (line.name == "FN") {
        auto name = unescaped(decodedValue(line));
        if (!card.formattedName)
            card.formattedName = std::string(trimmedAsciiWhitespace(name));
    } else if (line.name == "N") {
        if (card.givenName || card.familyName)
            return;
        auto value = decodedValue(line);
        auto components = splitUnescaped(value, ';');
        card.familyName = structuredComponent(components[0]);
        card.givenName = components.size() > 1 ? structuredComponent(components[1]) : std::string();
    } else if (line.name == "EMAIL") {
        auto address = unescaped(trimmedAsciiWhitespace(decodedValue(line)));
        std::string_view text = trimmedAsciiWhitespace(address);
        if (startsWithIgnoringAsciiCase(text, "mailto:"))
            text = trimmedAsciiWhitespace(text.substr(7));
        if (!text.empty())
            card.emailAddresses.emplace_back(text);
    } else if (line.name == "PHOTO") {
        if (card.photo)
            return;
        if (auto bytes = photoBytes(line); bytes && !bytes->empty())
            card.photo = std::move(*bytes);
    }
}

}

std::vector<VCard> VCardParser::parse(std::string_view text)
{
    if (text.size() > maximumFileSize)
        return {};
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);

    std::vector<VCard> cards;
    VCard card;
    int depth = 0;
    for (auto& logical : logicalLines(text)) {
        auto line = parseContentLine(logical);
        if (!line)
            continue;
        if (line->name == "BEGIN" && equalsIgnoringAsciiCase(trimmedAsciiWhitespace(line->value), "VCARD")) {
            if (depth++ == 0)
                card = VCard();
            continue;
        }
        if (line->name == "END" && equalsIgnoringAsciiCase(trimmedAsciiWhitespace(line->value), "VCARD")) {
            if (depth > 0 && --depth == 0)
                cards.push_back(std::move(card));
            continue;
        }
        if (depth == 1)
            apply(*line, card);
    }
    if (depth > 0)
        cards.push_back(std::move(card));
    return cards;
}

}

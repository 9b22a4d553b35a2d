#include "Platform/Text/StringsFile.hpp"

#include "Platform/Runtime/HexDigit.hpp"

#include <cstdint>

namespace tvk {

namespace {

constexpr char32_t replacementCharacter = 0xFFFD;

void appendUtf8(std::string& out, char32_t scalar)
{
    if (scalar > 0x10FFFF || (scalar >= 0xD800 && scalar <= 0xDFFF))
        scalar = replacementCharacter;
    if (scalar < 0x80) {
        out += static_cast<char>(scalar);
    } else if (scalar < 0x800) {
        out += static_cast<char>(0xC0 | (scalar >> 6));
        out += static_cast<char>(0x80 | (scalar & 0x3F));
    } else if (scalar < 0x10000) {
        out += static_cast<char>(0xE0 | (scalar >> 12));
        out += static_cast<char>(0x80 | ((scalar >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (scalar & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (scalar >> 18));
        out += static_cast<char>(0x80 | ((scalar >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((scalar >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (scalar & 0x3F));
    }
}

/// Valid UTF-8 passes unchanged; each maximal invalid subsequence becomes one U+FFFD.
std::string sanitizedUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte < 0x80) {
            out += static_cast<char>(byte);
            ++i;
            continue;
        }
        std::size_t length = 0;
        char32_t scalar = 0;
        char32_t minimum = 0;
        if (byte >= 0xC2 && byte <= 0xDF) {
            length = 2, scalar = byte & 0x1F, minimum = 0x80;
        } else if (byte >= 0xE0 && byte <= 0xEF) {
            length = 3, scalar = byte & 0x0F, minimum = 0x800;
        } else if (byte >= 0xF0 && byte <= 0xF4) {
            length = 4, scalar = byte & 0x07, minimum = 0x10000;
        }
        std::size_t consumed = 1;
        bool valid = length > 0;
        for (std::size_t k = 1; valid && k < length; ++k) {
            if (i + k >= bytes.size() || (static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            scalar = (scalar << 6) | (static_cast<unsigned char>(bytes[i + k]) & 0x3F);
            consumed = k + 1;
        }
        if (valid && (scalar < minimum || scalar > 0x10FFFF || (scalar >= 0xD800 && scalar <= 0xDFFF)))
            valid = false;
        if (valid) {
            out.append(bytes.substr(i, length));
            i += length;
        } else {
            appendUtf8(out, replacementCharacter);
            i += consumed;
        }
    }
    return out;
}

std::string utf16ToUtf8(std::string_view bytes, bool bigEndian)
{
    std::string out;
    out.reserve(bytes.size());
    auto unitAt = [&](std::size_t index) -> char16_t {
        auto first = static_cast<unsigned char>(bytes[index]);
        auto second = static_cast<unsigned char>(bytes[index + 1]);
        return static_cast<char16_t>(bigEndian ? (first << 8 | second) : (second << 8 | first));
    };
    std::size_t i = 0;
    while (i + 1 < bytes.size()) {
        char16_t unit = unitAt(i);
        i += 2;
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < bytes.size()) {
            char16_t low = unitAt(i);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                i += 2;
                appendUtf8(out, 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (low - 0xDC00));
                continue;
            }
        }
        appendUtf8(out, unit);
    }
    if (i < bytes.size())
        appendUtf8(out, replacementCharacter);
    return out;
}

std::string decodedText(std::string_view data)
{
    if (data.starts_with("\xEF\xBB\xBF"))
        return sanitizedUtf8(data.substr(3));
    if (data.starts_with("\xFF\xFE"))
        return utf16ToUtf8(data.substr(2), false);
    if (data.starts_with("\xFE\xFF"))
        return utf16ToUtf8(data.substr(2), true);
    return sanitizedUtf8(data);
}

bool isUnquotedCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$' || c == '+' || c == '/'
        || c == ':' || c == '.' || c == '-';
}

class Reader {
public:
    explicit Reader(std::string_view text)
        : m_text(text)
    {
    }

    StringsFile read()
    {
        StringsFile file;
        while (true) {
            if (!skipSpaceAndComments(file))
                return file;
            if (atEnd())
                return file;
            std::size_t entryLine = m_line;
            auto key = readString(file, "a key");
            if (!key)
                return file;
            if (!skipSpaceAndComments(file))
                return file;
            if (peek() == ';') {
                advance();
                file.entries.push_back({ *key, *key, entryLine });
                continue;
            }
            if (peek() != '=') {
                fail(file, "expected \"=\" or \";\" after the key \"" + abbreviated(*key) + "\"");
                return file;
            }
            advance();
            if (!skipSpaceAndComments(file))
                return file;
            auto value = readString(file, "a value");
            if (!value)
                return file;
            if (!skipSpaceAndComments(file))
                return file;
            if (peek() != ';') {
                fail(file, "expected \";\" after the value of \"" + abbreviated(*key) + "\"");
                return file;
            }
            advance();
            file.entries.push_back({ std::move(*key), std::move(*value), entryLine });
        }
    }

private:
    bool atEnd() const { return m_position >= m_text.size(); }
    char peek(std::size_t ahead = 0) const { return m_position + ahead < m_text.size() ? m_text[m_position + ahead] : '\0'; }
    void advance()
    {
        if (m_text[m_position] == '\n')
            ++m_line;
        ++m_position;
    }

    static std::string abbreviated(const std::string& text) { return text.size() > 60 ? text.substr(0, 60) + "…" : text; }

    void fail(StringsFile& file, std::string message) const
    {
        if (!file.error)
            file.error = StringsFile::Error { m_line, std::move(message) };
    }

    bool skipSpaceAndComments(StringsFile& file)
    {
        while (!atEnd()) {
            char c = peek();
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v') {
                advance();
            } else if (c == '/' && peek(1) == '*') {
                std::size_t startLine = m_line;
                advance(), advance();
                while (!atEnd() && !(peek() == '*' && peek(1) == '/'))
                    advance();
                if (atEnd()) {
                    m_line = startLine;
                    fail(file, "a comment that starts here is never closed");
                    return false;
                }
                advance(), advance();
            } else if (c == '/' && peek(1) == '/') {
                while (!atEnd() && peek() != '\n')
                    advance();
            } else {
                break;
            }
        }
        return true;
    }

    std::optional<std::string> readString(StringsFile& file, std::string_view what)
    {
        if (atEnd()) {
            fail(file, "expected " + std::string(what) + " before the end of the file");
            return std::nullopt;
        }
        if (peek() == '"')
            return readQuoted(file);
        if (!isUnquotedCharacter(peek())) {
            fail(file, "expected " + std::string(what) + " in double quotes");
            return std::nullopt;
        }
        std::string token;
        while (!atEnd() && isUnquotedCharacter(peek())) {
            token += peek();
            advance();
        }
        return token;
    }

    std::optional<std::string> readQuoted(StringsFile& file)
    {
        std::size_t startLine = m_line;
        advance();
        std::string text;
        while (!atEnd()) {
            char c = peek();
            if (c == '"') {
                advance();
                return text;
            }
            if (c != '\\') {
                text += c;
                advance();
                continue;
            }
            advance();
            if (atEnd())
                break;
            char escaped = peek();
            advance();
            switch (escaped) {
            case 'n': text += '\n'; break;
            case 't': text += '\t'; break;
            case 'r': text += '\r'; break;
            case 'a': text += '\a'; break;
            case 'b': text += '\b'; break;
            case 'f': text += '\f'; break;
            case 'v': text += '\v'; break;
            case 'U':
            case 'u': appendUnicodeEscape(text); break;
            default:
                if (escaped >= '0' && escaped <= '7') {
                    int value = escaped - '0';
                    for (int digits = 1; digits < 3 && peek() >= '0' && peek() <= '7'; ++digits) {
                        value = value * 8 + (peek() - '0');
                        advance();
                    }
                    appendUtf8(text, static_cast<char32_t>(value));
                } else {
                    // \" \\ \' and any other character stand for themselves.
                    text += escaped;
                }
            }
        }
        m_line = startLine;
        fail(file, "a quoted text that starts here is never closed");
        return std::nullopt;
    }

    /// \UXXXX: up to four hex digits of a UTF-16 unit; a high surrogate followed by an escaped
    /// low surrogate makes one character, a lone surrogate becomes U+FFFD.
    void appendUnicodeEscape(std::string& text)
    {
        auto readUnit = [this]() -> std::optional<char32_t> {
            char32_t value = 0;
            int digits = 0;
            while (digits < 4 && hexDigitValue(peek()) >= 0) {
                value = value * 16 + static_cast<char32_t>(hexDigitValue(peek()));
                advance();
                ++digits;
            }
            return digits == 0 ? std::nullopt : std::optional<char32_t>(value);
        };
        auto unit = readUnit();
        if (!unit) {
            text += 'U';
            return;
        }
        if (*unit >= 0xD800 && *unit <= 0xDBFF && peek() == '\\' && (peek(1) == 'U' || peek(1) == 'u')) {
            std::size_t savedPosition = m_position;
            std::size_t savedLine = m_line;
            advance(), advance();
            auto low = readUnit();
            if (low && *low >= 0xDC00 && *low <= 0xDFFF) {
                appendUtf8(text, 0x10000 + ((*unit - 0xD800) << 10) + (*low - 0xDC00));
                return;
            }
            m_position = savedPosition;
            m_line = savedLine;
        }
        appendUtf8(text, *unit);
    }

    std::string_view m_text;
    std::size_t m_position = 0;
    std::size_t m_line = 1;
};

}

StringsFile StringsFile::parse(std::string_view data)
{
    std::string text = decodedText(data);
    return Reader(text).read();
}

}

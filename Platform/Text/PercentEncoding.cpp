#include "Platform/Text/PercentEncoding.hpp"

#include "Platform/Runtime/HexDigit.hpp"

#include <cstdint>

namespace tvk {

namespace {

bool isAllowed(unsigned char c, UrlCharacterSet set)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    std::string_view extra;
    switch (set) {
    case UrlCharacterSet::queryAllowed:
    case UrlCharacterSet::fragmentAllowed: extra = "!$&'()*+,-./:;=?@_~"; break;
    case UrlCharacterSet::queryItemAllowed: extra = "!$'()*,-./:?@_~"; break;
    case UrlCharacterSet::pathAllowed: extra = "!$&'()*+,-./:=@_~"; break;
    case UrlCharacterSet::hostAllowed: extra = "!$&'()*+,-.:;=[]_~"; break;
    case UrlCharacterSet::userAllowed:
    case UrlCharacterSet::passwordAllowed: extra = "!$&'()*+,-.;=_~"; break;
    }
    return c != 0 && extra.find(static_cast<char>(c)) != std::string_view::npos;
}

}

bool isValidUtf8(std::string_view text)
{
    size_t i = 0;
    while (i < text.size()) {
        auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            ++i;
            continue;
        }
        size_t length;
        std::uint32_t codePoint;
        if (byte >= 0xC2 && byte <= 0xDF) {
            length = 2;
            codePoint = byte & 0x1F;
        } else if (byte >= 0xE0 && byte <= 0xEF) {
            length = 3;
            codePoint = byte & 0x0F;
        } else if (byte >= 0xF0 && byte <= 0xF4) {
            length = 4;
            codePoint = byte & 0x07;
        } else {
            return false;
        }
        if (i + length > text.size())
            return false;
        for (size_t k = 1; k < length; ++k) {
            auto continuation = static_cast<unsigned char>(text[i + k]);
            if ((continuation & 0xC0) != 0x80)
                return false;
            codePoint = codePoint << 6 | (continuation & 0x3F);
        }
        if ((length == 3 && codePoint < 0x800) || (length == 4 && (codePoint < 0x10000 || codePoint > 0x10FFFF))
            || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

std::optional<std::string> percentEncoded(std::string_view text, UrlCharacterSet allowed)
{
    if (!isValidUtf8(text))
        return std::nullopt;
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(text.size());
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (isAllowed(byte, allowed)) {
            encoded += c;
        } else {
            encoded += '%';
            encoded += digits[byte >> 4];
            encoded += digits[byte & 0x0F];
        }
    }
    return encoded;
}

std::optional<std::string> percentDecoded(std::string_view text, DecodedText allowed)
{
    std::string decoded;
    decoded.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            decoded += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return std::nullopt;
        int high = hexDigitValue(text[i + 1]);
        int low = hexDigitValue(text[i + 2]);
        if (high < 0 || low < 0)
            return std::nullopt;
        decoded += static_cast<char>(high << 4 | low);
        i += 2;
    }
    if (allowed == DecodedText::utf8 && !isValidUtf8(decoded))
        return std::nullopt;
    return decoded;
}

}

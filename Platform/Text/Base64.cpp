#include "Platform/Text/Base64.hpp"

namespace tvk {

namespace {

constexpr std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::optional<std::uint32_t> sextet(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return std::nullopt;
}

bool isFoldingSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}

std::string base64Encoded(std::span<const std::uint8_t> bytes)
{
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        size_t count = std::min<size_t>(3, bytes.size() - i);
        std::uint32_t group = std::uint32_t(bytes[i]) << 16;
        if (count > 1)
            group |= std::uint32_t(bytes[i + 1]) << 8;
        if (count > 2)
            group |= bytes[i + 2];
        for (size_t k = 0; k < 4; ++k)
            text += k <= count ? alphabet[(group >> (18 - 6 * k)) & 0x3F] : '=';
    }
    return text;
}

std::optional<std::vector<std::uint8_t>> base64Decoded(std::string_view text, Base64Form form)
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() / 4 * 3);
    std::uint32_t buffer = 0;
    int bits = 0;
    size_t characters = 0;
    size_t padding = 0;
    for (char c : text) {
        if (form == Base64Form::folded && isFoldingSpace(c))
            continue;
        ++characters;
        if (c == '=') {
            ++padding;
            continue;
        }
        auto value = sextet(c);
        if (!value || padding > 0)
            return std::nullopt;
        buffer = ((buffer << 6) | *value) & 0xFFFFFF;
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes.push_back(static_cast<std::uint8_t>((buffer >> bits) & 0xFF));
        }
    }
    if (form == Base64Form::canonical) {
        // Padding, at most two characters, completes the last group.
        if (characters % 4 != 0 || padding > 2)
            return std::nullopt;
    }
    return bytes;
}

}

#include "Platform/Runtime/UUID.hpp"

#include "Platform/Runtime/HexDigit.hpp"

#include <glib.h>

#include <random>
#include <sys/random.h>

namespace tvk {

UUID::UUID()
{
    // getrandom draws from the kernel's pool; it only fails before the pool is seeded or when
    // interrupted, and then a random_device fills what is left.
    size_t filled = 0;
    while (filled < m_bytes.size()) {
        ssize_t got = getrandom(m_bytes.data() + filled, m_bytes.size() - filled, 0);
        if (got <= 0)
            break;
        filled += static_cast<size_t>(got);
    }
    if (filled < m_bytes.size()) {
        std::random_device device;
        for (; filled < m_bytes.size(); ++filled)
            m_bytes[filled] = static_cast<std::uint8_t>(device());
    }
    m_bytes[6] = static_cast<std::uint8_t>((m_bytes[6] & 0x0F) | 0x40);
    m_bytes[8] = static_cast<std::uint8_t>((m_bytes[8] & 0x3F) | 0x80);
}

UUID UUID::nameBased(std::string_view nameSpace, std::string_view name)
{
    GChecksum* checksum = g_checksum_new(G_CHECKSUM_SHA1);
    g_checksum_update(checksum, reinterpret_cast<const guchar*>(nameSpace.data()), static_cast<gssize>(nameSpace.size()));
    g_checksum_update(checksum, reinterpret_cast<const guchar*>(name.data()), static_cast<gssize>(name.size()));
    guint8 digest[20];
    gsize length = sizeof digest;
    g_checksum_get_digest(checksum, digest, &length);
    g_checksum_free(checksum);
    std::array<std::uint8_t, 16> bytes;
    std::copy(digest, digest + 16, bytes.begin());
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x50);
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);
    return UUID(bytes);
}

std::optional<UUID> UUID::fromString(std::string_view text)
{
    if (text.size() != 36)
        return std::nullopt;
    std::array<std::uint8_t, 16> bytes {};
    size_t byteIndex = 0;
    for (size_t i = 0; i < text.size();) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (text[i] != '-')
                return std::nullopt;
            ++i;
            continue;
        }
        int high = hexDigitValue(text[i]);
        int low = hexDigitValue(text[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes[byteIndex++] = static_cast<std::uint8_t>(high << 4 | low);
        i += 2;
    }
    return UUID(bytes);
}

std::string UUID::uuidString() const
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(36);
    for (size_t i = 0; i < m_bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text.push_back('-');
        text.push_back(digits[m_bytes[i] >> 4]);
        text.push_back(digits[m_bytes[i] & 0x0F]);
    }
    return text;
}

}

#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tvk {

/// A 128-bit universally unique identifier. New ones are random (version 4); the text form is
/// upper case, as the main application writes it ("E621E1F8-C36C-495A-93FC-0C247A3E6E5F"), and
/// parsing accepts either case.
class UUID {
public:
    /// A new random identifier.
    UUID();
    explicit UUID(std::array<std::uint8_t, 16> bytes)
        : m_bytes(bytes)
    {
    }

    static std::optional<UUID> fromString(std::string_view text);
    /// The name-based identifier (version 5, SHA-1) of `name` in the name space `nameSpace`:
    /// the same for the same name, always.
    static UUID nameBased(std::string_view nameSpace, std::string_view name);

    std::string uuidString() const;
    const std::array<std::uint8_t, 16>& bytes() const { return m_bytes; }

    bool operator==(const UUID&) const = default;
    auto operator<=>(const UUID&) const = default;

private:
    std::array<std::uint8_t, 16> m_bytes;
};

}

template <> struct std::hash<tvk::UUID> {
    size_t operator()(const tvk::UUID& uuid) const noexcept
    {
        size_t hash = 1469598103934665603ull;
        for (auto byte : uuid.bytes())
            hash = (hash ^ byte) * 1099511628211ull;
        return hash;
    }
};

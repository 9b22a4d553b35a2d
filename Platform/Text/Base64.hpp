#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tvk {

/// How base64 text to be decoded may be written.
enum class Base64Form {
    /// As `base64Encoded` writes it: padded with '=' to a multiple of four characters, nothing
    /// else; what a program wrote for another program.
    canonical,
    /// White space anywhere (the line folds of a vCard PHOTO) and the padding optional, as
    /// hand-written and older files have it.
    folded,
};

/// Standard base64 (RFC 4648, section 4), padded.
std::string base64Encoded(std::span<const std::uint8_t> bytes);

/// The bytes of standard base64 text written in `form`; none for a character outside the
/// alphabet, for data after padding, or for text that breaks the form's rules.
std::optional<std::vector<std::uint8_t>> base64Decoded(std::string_view text, Base64Form form);

}

#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tvk {

/// What the address book reads of one vCard. Texts are UTF-8 whatever the file's charset.
struct VCard {
    /// "2.1", "3.0" or "4.0" as the card says; empty when it does not.
    std::string version;
    std::optional<std::string> uid;
    /// FN.
    std::optional<std::string> formattedName;
    /// The given and family components of N; a component that lists several names has them
    /// joined by a space.
    std::optional<std::string> givenName;
    std::optional<std::string> familyName;
    /// EMAIL values in file order, without a "mailto:" some writers put before them.
    std::vector<std::string> emailAddresses;
    /// The bytes of the first PHOTO carried inside the card (base64 or a data URI); a photo
    /// given by a link to elsewhere is not fetched.
    std::optional<std::vector<std::uint8_t>> photo;

    bool operator==(const VCard&) const = default;
};

/// Reads vCard 2.1, 3.0 and 4.0 text (RFC 2425/2426, RFC 6350 and the 2.1 conventions still
/// written by phones): folded lines, property groups, parameters with quoted values and bare
/// 2.1 type parameters, backslash escapes, quoted-printable values with soft line breaks,
/// CHARSET, base64 and data URI photos.
///
/// Never fails: a file may hold any number of cards, lines outside a card and lines that are
/// not properties are skipped, a card without END is kept up to the end of the text, and a
/// nested card (a 2.1 AGENT) is skipped whole. Text that is not valid UTF-8 in its declared
/// charset is read as Windows-1252, so every text out of here is valid UTF-8.
class VCardParser {
public:
    static std::vector<VCard> parse(std::string_view text);

    /// Files larger than this are not read at all: no address book card comes near it.
    static constexpr std::size_t maximumFileSize = 16 * 1024 * 1024;
};

}

#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tvk {

/// The characters a URL component may carry without percent-encoding, as the platform's URL
/// character sets define them (ASCII only: every other byte is always encoded).
enum class UrlCharacterSet {
    queryAllowed, // letters, digits and !$&'()*+,-./:;=?@_~
    /// One name or value of a query: the query's set less the characters that separate items
    /// or stand for a space ("&", "=", ";", "+"), so the value comes back exactly as it was.
    queryItemAllowed, // letters, digits and !$'()*,-./:?@_~
    fragmentAllowed, // the same as the query
    pathAllowed, // letters, digits and !$&'()*+,-./:=@_~
    hostAllowed, // letters, digits and !$&'()*+,-.:;=[]_~
    userAllowed, // letters, digits and !$&'()*+,-.;=_~
    passwordAllowed, // the same as the user
};

/// Percent-encodes (upper-case hex) every UTF-8 byte outside the set; none when the text is
/// not valid UTF-8.
std::optional<std::string> percentEncoded(std::string_view text, UrlCharacterSet allowed);

/// What a decoded text may hold: only UTF-8, or any bytes (for identifiers that are compared,
/// never shown, and must come back exactly as they were written).
enum class DecodedText { utf8, anyBytes };

/// Decodes every "%XX"; none when a "%" is not followed by two hex digits or, for `utf8`, the
/// result is not valid UTF-8.
std::optional<std::string> percentDecoded(std::string_view text, DecodedText allowed = DecodedText::utf8);

/// Whether `text` is well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool isValidUtf8(std::string_view text);

}

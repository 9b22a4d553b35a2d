#pragma once

#include <any>
#include <optional>
#include <string>
#include <string_view>

namespace tvk {

/// The formatter of a text field where the user types a colour code as hexadecimal digits:
/// it shows the value with a "#" in front, stores it without, and lets an edit through only
/// while it is at most six hexadecimal digits (after an optional "#").
class HexFormatter {
public:
    static constexpr std::string_view hexCharacterSet = "0123456789ABCDEFabcdef";

    /// For a text value (std::string, std::string_view or const char*): "#" and the text
    /// without one leading "#". None for any other value.
    std::optional<std::string> string(const std::any& value) const;

    /// Stores the text without one leading "#" in `object`; always succeeds.
    bool getObjectValue(std::any& object, std::string_view string, std::string* errorDescription = nullptr) const;

    /// Accepts `partialString` when, after one leading "#" is dropped, at most six characters
    /// remain and all are hexadecimal digits. Never proposes another editing text.
    bool isPartialStringValid(std::string_view partialString, std::optional<std::string>* newEditingString = nullptr,
        std::string* errorDescription = nullptr) const;
};

}

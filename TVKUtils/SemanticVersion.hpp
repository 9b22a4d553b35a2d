#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tvk {

/// A version as major, minor and patch numbers, compared field by field.
struct SemanticVersion {
    std::int64_t major = 0;
    std::int64_t minor = 0;
    std::int64_t patch = 0;

    /// "1", "1.2" or "1.2.3" (empty pieces are skipped, so "1..2" is 1.2.0); each piece a whole
    /// decimal number with an optional sign. None for any other text.
    static std::optional<SemanticVersion> fromString(std::string_view text);

    bool isEqual(const SemanticVersion& other) const { return *this == other; }
    bool isNewerThan(const SemanticVersion& other) const;
    /// Newer by major or minor; the patch does not count.
    bool isNewerMajorOrMinorThan(const SemanticVersion& other) const;
    /// "1.2.3".
    std::string description() const;

    bool operator==(const SemanticVersion&) const = default;
};

}

#pragma once

#include <tl/expected.hpp>

#include <filesystem>
#include <string>
#include <string_view>

namespace tvk {

/// Writing a file whole or not at all, for outputs that a reader may open at any moment (a
/// picture a viewer reloads, JSON a script reads): the contents go to a temporary file beside
/// the target, which is then renamed onto it. A failed write leaves the target as it was and no
/// temporary file behind.
class FileReplacement {
public:
    /// "<path>.tmp", in the target's directory so that the rename never crosses file systems.
    static std::filesystem::path temporaryPath(const std::filesystem::path& path);
    /// Renames the finished temporary file onto `path`; removes it when that fails. The error
    /// says "cannot write PATH: REASON".
    static tl::expected<void, std::string> moveIntoPlace(const std::filesystem::path& temporary, const std::filesystem::path& path);
    /// Replaces `path` with `contents`.
    static tl::expected<void, std::string> write(const std::filesystem::path& path, std::string_view contents);
};

}

#pragma once

#include <filesystem>
#include <optional>

namespace tvk {

/// A program's bundle. On this platform a bundle is a directory, and a program that runs
/// from one keeps its executable directly inside it (an AppDir keeps `AppRun` there; the
/// login helper keeps `TarvikHelper` in `TarvikHelper.app/`).
class Bundle {
public:
    /// The running program's bundle: the directory that holds its executable (symbolic links
    /// resolved), or the bundle that `setMain` installed.
    static Bundle main();

    /// Makes `main()` answer `bundle` (tests); none restores the executable's own directory.
    static void setMain(std::optional<Bundle> bundle);

    explicit Bundle(std::optional<std::filesystem::path> bundlePath);

    /// The bundle directory as an absolute path without "." or ".." components; none when the
    /// executable cannot be located.
    const std::optional<std::filesystem::path>& bundlePath() const { return m_bundlePath; }

private:
    std::optional<std::filesystem::path> m_bundlePath;
};

}

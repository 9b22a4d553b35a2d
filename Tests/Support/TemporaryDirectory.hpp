#pragma once

#include <filesystem>
#include <string>

namespace tvk::test {

/// A fresh directory under the system's temporary directory, removed with everything in it
/// when the object goes away.
class TemporaryDirectory {
public:
    TemporaryDirectory();
    ~TemporaryDirectory();
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

    /// Writes `contents` to a file below the directory, creating folders on the way.
    std::filesystem::path write(const std::string& relativePath, const std::string& contents) const;

private:
    std::filesystem::path m_path;
};

std::string readFile(const std::filesystem::path& path);

}

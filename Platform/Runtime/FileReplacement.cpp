#include "Platform/Runtime/FileReplacement.hpp"

#include <fstream>
#include <system_error>

namespace tvk {

std::filesystem::path FileReplacement::temporaryPath(const std::filesystem::path& path)
{
    auto temporary = path;
    temporary += ".tmp";
    return temporary;
}

tl::expected<void, std::string> FileReplacement::moveIntoPlace(const std::filesystem::path& temporary, const std::filesystem::path& path)
{
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return tl::unexpected("cannot write " + path.string() + ": " + error.message());
    }
    return {};
}

tl::expected<void, std::string> FileReplacement::write(const std::filesystem::path& path, std::string_view contents)
{
    auto temporary = temporaryPath(path);
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file.write(contents.data(), static_cast<std::streamsize>(contents.size()));
        file.close();
        if (!file) {
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return tl::unexpected("cannot write " + path.string());
        }
    }
    return moveIntoPlace(temporary, path);
}

}

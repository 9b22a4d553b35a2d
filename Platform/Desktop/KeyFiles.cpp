#include "Platform/Desktop/KeyFiles.hpp"

#include "Platform/Runtime/StandardPaths.hpp"

#include <cstdlib>
#include <system_error>

namespace tvk::key_files {

tl::expected<void, std::string> save(GKeyFile* keys, const std::filesystem::path& file)
{
    std::error_code ignored;
    std::filesystem::create_directories(file.parent_path(), ignored);
    GError* failure = nullptr;
    if (!g_key_file_save_to_file(keys, file.c_str(), &failure)) {
        std::string message = "cannot write " + file.string() + ": " + (failure ? failure->message : "unknown error");
        g_clear_error(&failure);
        return tl::unexpected(message);
    }
    return {};
}

std::filesystem::path xdgDirectory(const char* variable, const std::filesystem::path& fallback)
{
    const char* configured = std::getenv(variable);
    if (configured && *configured == '/')
        return configured;
    return StandardPaths::homeDirectory() / fallback;
}

}

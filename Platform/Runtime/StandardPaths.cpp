#include "Platform/Runtime/StandardPaths.hpp"

#include <cstdlib>
#include <pwd.h>
#include <string_view>
#include <system_error>
#include <unistd.h>

namespace tvk {

namespace {

std::optional<std::filesystem::path> absoluteEnvironmentPath(const char* name)
{
    const char* value = std::getenv(name);
    if (!value || !*value)
        return std::nullopt;
    std::filesystem::path path(value);
    if (!path.is_absolute())
        return std::nullopt;
    return path;
}

std::vector<std::filesystem::path> pathList(const char* name, const std::filesystem::path& fallback)
{
    const char* value = std::getenv(name);
    if (!value || !*value)
        return { fallback };
    std::vector<std::filesystem::path> paths;
    std::string_view rest(value);
    while (true) {
        auto colon = rest.find(':');
        auto piece = rest.substr(0, colon);
        if (!piece.empty())
            paths.emplace_back(piece);
        if (colon == std::string_view::npos)
            break;
        rest.remove_prefix(colon + 1);
    }
    return paths;
}

bool isDirectory(const std::filesystem::path& path)
{
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

/// Tarvik's directory of one XDG kind: the override, else "tarvik" in the XDG directory, else
/// "tarvik" in the kind's usual place in the home directory.
std::filesystem::path tarvikDirectory(const char* override, const char* xdgVariable, const std::filesystem::path& usualInHome)
{
    if (auto overridden = absoluteEnvironmentPath(override))
        return *overridden;
    if (auto xdg = absoluteEnvironmentPath(xdgVariable))
        return *xdg / "tarvik";
    return StandardPaths::homeDirectory() / usualInHome / "tarvik";
}

}

std::filesystem::path StandardPaths::homeDirectory()
{
    if (auto home = absoluteEnvironmentPath("HOME"))
        return *home;
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return "/tmp";
}

std::filesystem::path StandardPaths::configDirectory()
{
    return tarvikDirectory("TARVIK_CONFIG_DIR", "XDG_CONFIG_HOME", ".config");
}

std::filesystem::path StandardPaths::applicationSupportDirectory()
{
    return tarvikDirectory("TARVIK_DATA_DIR", "XDG_DATA_HOME", ".local/share");
}

std::filesystem::path StandardPaths::cacheDirectory()
{
    return tarvikDirectory("TARVIK_CACHE_DIR", "XDG_CACHE_HOME", ".cache");
}

std::vector<std::filesystem::path> StandardPaths::calendarRoots()
{
    return pathList("TARVIK_CALENDARS", applicationSupportDirectory() / "calendars");
}

std::vector<std::filesystem::path> StandardPaths::contactRoots()
{
    return pathList("TARVIK_CONTACTS", applicationSupportDirectory() / "contacts");
}

std::optional<std::filesystem::path> StandardPaths::resourceDirectory()
{
    if (const char* overridden = std::getenv("TARVIK_RESOURCES"); overridden && *overridden)
        return isDirectory(overridden) ? std::optional<std::filesystem::path>(overridden) : std::nullopt;
    auto installed = executablePath().parent_path().parent_path() / "share" / "tarvik";
    if (isDirectory(installed))
        return installed;
#ifdef TARVIK_SOURCE_RESOURCES_DIR
    if (isDirectory(TARVIK_SOURCE_RESOURCES_DIR))
        return std::filesystem::path(TARVIK_SOURCE_RESOURCES_DIR);
#endif
    return std::nullopt;
}

std::filesystem::path StandardPaths::executablePath()
{
    std::error_code error;
    auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : path;
}

}

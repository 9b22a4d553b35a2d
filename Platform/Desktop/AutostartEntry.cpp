#include "Platform/Desktop/AutostartEntry.hpp"

#include "Platform/Desktop/KeyFiles.hpp"

#include <cstdlib>
#include <sstream>

#include <memory>
#include <optional>
#include <system_error>

namespace tvk {

namespace {

using key_files::KeyFile;
using key_files::save;

constexpr char group[] = "Desktop Entry";

std::optional<KeyFile> load(const std::filesystem::path& file)
{
    KeyFile keys = key_files::make();
    if (!g_key_file_load_from_file(keys.get(), file.c_str(), G_KEY_FILE_NONE, nullptr))
        return std::nullopt;
    return keys;
}

/// Whether an entry file starts the program: it says neither Hidden=true nor
/// X-GNOME-Autostart-enabled=false.
bool starts(GKeyFile* keys)
{
    auto flag = [keys](const char* key, bool fallback) {
        GError* error = nullptr;
        gboolean value = g_key_file_get_boolean(keys, group, key, &error);
        if (error) {
            g_error_free(error);
            return fallback;
        }
        return static_cast<bool>(value);
    };
    return !flag("Hidden", false) && flag("X-GNOME-Autostart-enabled", true);
}

std::filesystem::path userConfigDirectory()
{
    return key_files::xdgDirectory("XDG_CONFIG_HOME", ".config");
}

std::vector<std::filesystem::path> systemConfigDirectories()
{
    const char* configured = std::getenv("XDG_CONFIG_DIRS");
    std::vector<std::filesystem::path> directories;
    std::istringstream list(configured && *configured ? configured : "/etc/xdg");
    for (std::string directory; std::getline(list, directory, ':');) {
        if (!directory.empty() && directory.front() == '/')
            directories.emplace_back(directory);
    }
    return directories;
}

}

AutostartEntry::AutostartEntry(std::string id, std::string name, std::string comment, std::vector<std::string> command)
    : m_id(std::move(id))
    , m_name(std::move(name))
    , m_comment(std::move(comment))
    , m_command(std::move(command))
{
}

std::filesystem::path AutostartEntry::userFile() const
{
    return userConfigDirectory() / "autostart" / (m_id + ".desktop");
}

bool AutostartEntry::isEnabled() const
{
    if (auto user = load(userFile()))
        return starts(user->get());
    for (const auto& directory : systemConfigDirectories()) {
        if (auto installed = load(directory / "autostart" / (m_id + ".desktop")))
            return starts(installed->get());
    }
    return false;
}

std::string AutostartEntry::execLine(const std::vector<std::string>& arguments)
{
    std::string line;
    for (const auto& argument : arguments) {
        if (!line.empty())
            line += ' ';
        std::string quoted;
        bool reserved = argument.empty();
        for (char c : argument) {
            if (std::string_view(" \t\n\"'\\><~|&;$*?#()`").find(c) != std::string_view::npos)
                reserved = true;
            if (c == '"' || c == '`' || c == '$' || c == '\\')
                quoted += '\\';
            quoted += c;
            // A field code starts with "%"; a literal one is written twice.
            if (c == '%')
                quoted += '%';
        }
        line += reserved ? "\"" + quoted + "\"" : quoted;
    }
    return line;
}

tl::expected<void, std::string> AutostartEntry::enable() const
{
    KeyFile keys = key_files::make();
    g_key_file_set_string(keys.get(), group, "Type", "Application");
    g_key_file_set_string(keys.get(), group, "Name", m_name.c_str());
    g_key_file_set_string(keys.get(), group, "Comment", m_comment.c_str());
    g_key_file_set_string(keys.get(), group, "Exec", execLine(m_command).c_str());
    if (!m_command.empty())
        g_key_file_set_string(keys.get(), group, "TryExec", m_command.front().c_str());
    g_key_file_set_boolean(keys.get(), group, "Terminal", false);
    g_key_file_set_boolean(keys.get(), group, "X-GNOME-Autostart-enabled", true);
    return save(keys.get(), userFile());
}

tl::expected<void, std::string> AutostartEntry::disable() const
{
    std::error_code error;
    std::filesystem::remove(userFile(), error);
    if (error)
        return tl::unexpected("cannot remove " + userFile().string() + ": " + error.message());
    if (!isEnabled())
        return {};
    // An installed entry still starts the program: hide it for this user.
    KeyFile keys = key_files::make();
    g_key_file_set_string(keys.get(), group, "Type", "Application");
    g_key_file_set_string(keys.get(), group, "Name", m_name.c_str());
    g_key_file_set_boolean(keys.get(), group, "Hidden", true);
    return save(keys.get(), userFile());
}

}

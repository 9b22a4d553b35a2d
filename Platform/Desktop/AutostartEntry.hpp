#pragma once

#include <tl/expected.hpp>

#include <filesystem>
#include <string>
#include <vector>

namespace tvk {

/// A program's XDG autostart entry ("<id>.desktop"), which the session starts at login.
///
/// The user's own entry under `$XDG_CONFIG_HOME/autostart/` decides; without one, an entry
/// installed under one of `$XDG_CONFIG_DIRS` (`/etc/xdg/autostart/`) does. Enabling writes the
/// user's entry (replacing the file atomically); disabling removes it, or, when an installed
/// entry would still start the program, writes a user entry that hides it, as the
/// specification of autostart asks.
class AutostartEntry {
public:
    /// `command`: the program's absolute path and its arguments, written to Exec quoted as
    /// desktop entries require (no shell reads it).
    AutostartEntry(std::string id, std::string name, std::string comment, std::vector<std::string> command);

    /// The user's entry: `$XDG_CONFIG_HOME/autostart/<id>.desktop`.
    std::filesystem::path userFile() const;
    bool isEnabled() const;
    tl::expected<void, std::string> enable() const;
    tl::expected<void, std::string> disable() const;

    /// `arguments` as the Exec key's value (before the key file's own escaping).
    static std::string execLine(const std::vector<std::string>& arguments);

private:
    std::string m_id;
    std::string m_name;
    std::string m_comment;
    std::vector<std::string> m_command;
};

}

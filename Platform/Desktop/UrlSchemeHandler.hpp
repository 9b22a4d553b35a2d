#pragma once

#include <tl/expected.hpp>

#include <filesystem>
#include <string>
#include <vector>

namespace tvk {

/// A program's desktop entry ("<id>.desktop") as the handler of the links of one URL scheme
/// ("x-scheme-handler/<scheme>"), and its registration as the desktop's default for them.
///
/// The program defers to any other application that claims the scheme: registration makes it
/// the default only while no other desktop entry lists the scheme, so that installing the
/// program beside an application that owns the scheme never takes the links away from it.
class UrlSchemeHandler {
public:
    /// `command`: the program's absolute path and the arguments before the link; the link
    /// follows as the Exec key's "%u".
    UrlSchemeHandler(std::string scheme, std::string id, std::string name, std::string comment, std::vector<std::string> command);

    enum class Registration {
        /// The entry is now the desktop's default for the scheme.
        registered,
        /// It was already.
        alreadyRegistered,
        /// Another application claims the scheme (see `claimant`); nothing was changed.
        leftToAnother,
    };
    struct Result {
        Registration registration;
        /// The other application's name, for `leftToAnother`.
        std::string claimant;
        /// The desktop entry written for the user (`userEntryFile`), or empty when an
        /// installed one was used.
        std::filesystem::path writtenEntry;
    };

    /// Makes sure a desktop entry of the id exists (an installed one under $XDG_DATA_DIRS, else
    /// one written to `userEntryFile`), then sets it as the user's default handler of the scheme
    /// in $XDG_CONFIG_HOME/mimeapps.list, unless another application claims the scheme.
    tl::expected<Result, std::string> registerIfUnclaimed() const;

    /// `$XDG_DATA_HOME/applications/<id>.desktop`.
    std::filesystem::path userEntryFile() const;
    /// The installed entry of the id under one of $XDG_DATA_DIRS, or empty.
    std::filesystem::path installedEntryFile() const;

private:
    std::string m_scheme;
    std::string m_id;
    std::string m_name;
    std::string m_comment;
    std::vector<std::string> m_command;
};

}

#include "Platform/Desktop/UrlSchemeHandler.hpp"

#include "Platform/Desktop/AutostartEntry.hpp"
#include "Platform/Desktop/KeyFiles.hpp"

#include <gio/gio.h>

#include <cstdlib>
#include <memory>
#include <sstream>
#include <system_error>

namespace tvk {

namespace {

using key_files::KeyFile;
using key_files::save;

constexpr char entryGroup[] = "Desktop Entry";
constexpr char defaultsGroup[] = "Default Applications";
constexpr char addedGroup[] = "Added Associations";

/// `list` ("a.desktop;b.desktop;") with `id` first and no second copy of it.
std::string withFirst(const char* list, const std::string& id)
{
    std::string result = id + ";";
    std::istringstream items(list ? list : "");
    for (std::string item; std::getline(items, item, ';');) {
        if (!item.empty() && item != id)
            result += item + ";";
    }
    return result;
}

}

UrlSchemeHandler::UrlSchemeHandler(std::string scheme, std::string id, std::string name, std::string comment, std::vector<std::string> command)
    : m_scheme(std::move(scheme))
    , m_id(std::move(id))
    , m_name(std::move(name))
    , m_comment(std::move(comment))
    , m_command(std::move(command))
{
}

std::filesystem::path UrlSchemeHandler::userEntryFile() const
{
    return key_files::xdgDirectory("XDG_DATA_HOME", ".local/share") / "applications" / (m_id + ".desktop");
}

std::filesystem::path UrlSchemeHandler::installedEntryFile() const
{
    const char* configured = std::getenv("XDG_DATA_DIRS");
    std::istringstream list(configured && *configured ? configured : "/usr/local/share:/usr/share");
    for (std::string directory; std::getline(list, directory, ':');) {
        if (directory.empty() || directory.front() != '/')
            continue;
        auto file = std::filesystem::path(directory) / "applications" / (m_id + ".desktop");
        std::error_code error;
        if (std::filesystem::is_regular_file(file, error))
            return file;
    }
    return {};
}

tl::expected<UrlSchemeHandler::Result, std::string> UrlSchemeHandler::registerIfUnclaimed() const
{
    std::string type = "x-scheme-handler/" + m_scheme;
    std::string desktopID = m_id + ".desktop";

    GAppInfo* current = g_app_info_get_default_for_uri_scheme(m_scheme.c_str());
    std::string currentID = current && g_app_info_get_id(current) ? g_app_info_get_id(current) : "";
    std::string currentName = current ? g_app_info_get_name(current) : "";
    g_clear_object(&current);
    if (!currentID.empty() && currentID != desktopID)
        return Result { Registration::leftToAnother, currentName, {} };

    GList* candidates = g_app_info_get_all_for_type(type.c_str());
    std::string claimant;
    for (GList* item = candidates; item; item = item->next) {
        auto* application = G_APP_INFO(item->data);
        const char* id = g_app_info_get_id(application);
        if (claimant.empty() && (!id || id != desktopID))
            claimant = g_app_info_get_name(application);
    }
    g_list_free_full(candidates, g_object_unref);
    if (!claimant.empty())
        return Result { Registration::leftToAnother, claimant, {} };
    if (currentID == desktopID)
        return Result { Registration::alreadyRegistered, {}, {} };

    // The user's associations, kept as they are but for this one type.
    auto associations = key_files::xdgDirectory("XDG_CONFIG_HOME", ".config") / "mimeapps.list";
    KeyFile list = key_files::make();
    GError* failure = nullptr;
    if (!g_key_file_load_from_file(list.get(), associations.c_str(), G_KEY_FILE_KEEP_COMMENTS, &failure)) {
        bool missing = g_error_matches(failure, G_FILE_ERROR, G_FILE_ERROR_NOENT);
        std::string reason = failure ? failure->message : "unknown error";
        g_clear_error(&failure);
        // Never overwrite a list that exists but cannot be read: the user's other choices
        // would be lost.
        if (!missing)
            return tl::unexpected("cannot read " + associations.string() + ": " + reason);
    }

    Result result { Registration::registered, {}, {} };
    if (installedEntryFile().empty()) {
        KeyFile entry = key_files::make();
        g_key_file_set_string(entry.get(), entryGroup, "Type", "Application");
        g_key_file_set_string(entry.get(), entryGroup, "Name", m_name.c_str());
        g_key_file_set_string(entry.get(), entryGroup, "Comment", m_comment.c_str());
        g_key_file_set_string(entry.get(), entryGroup, "Exec", (AutostartEntry::execLine(m_command) + " %u").c_str());
        if (!m_command.empty())
            g_key_file_set_string(entry.get(), entryGroup, "TryExec", m_command.front().c_str());
        g_key_file_set_string(entry.get(), entryGroup, "MimeType", (type + ";").c_str());
        g_key_file_set_boolean(entry.get(), entryGroup, "NoDisplay", true);
        g_key_file_set_boolean(entry.get(), entryGroup, "Terminal", false);
        if (auto saved = save(entry.get(), userEntryFile()); !saved)
            return tl::unexpected(saved.error());
        result.writtenEntry = userEntryFile();
    }

    g_key_file_set_string(list.get(), defaultsGroup, type.c_str(), desktopID.c_str());
    gchar* added = g_key_file_get_string(list.get(), addedGroup, type.c_str(), nullptr);
    g_key_file_set_string(list.get(), addedGroup, type.c_str(), withFirst(added, desktopID).c_str());
    g_free(added);
    if (auto saved = save(list.get(), associations); !saved)
        return tl::unexpected(saved.error());
    return result;
}

}

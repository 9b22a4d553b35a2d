#include "Tests/Support/EdsFixture.hpp"

#include <libebook/libebook.h>
#include <libecal/libecal.h>
#include <libedataserver/libedataserver.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string_view>

namespace tvk::test {

namespace {

std::string failure(GError* error, const std::string& what)
{
    std::string message = what + ": " + (error && error->message ? error->message : "unknown error");
    g_clear_error(&error);
    return message;
}

// The calendar and address-book factories are processes of their own that learn of a source
// just created in the registry a moment later; until then they answer "No such source". Such a
// connection is tried again for up to ten seconds (a busy machine), and its answer then stands.
EClient* connectOnceKnown(const std::function<EClient*(GError**)>& connect, GError** error)
{
    for (gint64 deadline = g_get_monotonic_time() + 10 * G_USEC_PER_SEC;;) {
        EClient* client = connect(error);
        if (client || g_get_monotonic_time() >= deadline || !*error || !(*error)->message
            || std::string_view((*error)->message).find("No such source") == std::string_view::npos)
            return client;
        g_clear_error(error);
        while (g_main_context_iteration(nullptr, FALSE)) { }
        g_usleep(50 * 1000);
    }
}

std::string readText(const std::filesystem::path& path)
{
    std::ifstream stream(path, std::ios::binary);
    std::stringstream buffer;
    buffer << stream.rdbuf();
    std::string text = buffer.str();
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text;
}

// Batches keep each D-Bus message of a large import well within the bus's limits.
constexpr size_t batchSize = 500;

}

struct EdsFixture::Private {
    ESourceRegistry* registry = nullptr;
    std::map<std::pair<std::string, Kind>, EClient*> calendars;
    std::map<std::string, EClient*> books;

    ~Private()
    {
        for (auto& [key, client] : calendars)
            g_object_unref(client);
        for (auto& [key, client] : books)
            g_object_unref(client);
    }

    Result create(ESource* source)
    {
        GError* error = nullptr;
        // Created as the registry's own sources, not as new resources on an account's server.
        GList* sources = g_list_append(nullptr, source);
        bool created = e_source_registry_create_sources_sync(registry, sources, nullptr, &error);
        g_list_free(sources);
        std::string uid = e_source_get_uid(source);
        g_object_unref(source);
        if (!created)
            return tl::unexpected(failure(error, "cannot create the source " + uid));
        return {};
    }

    ESource* newSource(const std::string& uid, const std::string& parentUid, const std::string& title)
    {
        ESource* source = e_source_new_with_uid(uid.c_str(), nullptr, nullptr);
        if (!parentUid.empty())
            e_source_set_parent(source, parentUid.c_str());
        e_source_set_display_name(source, title.c_str());
        return source;
    }

    tl::expected<ECalClient*, std::string> calendar(const std::string& uid, Kind kind)
    {
        if (auto found = calendars.find({ uid, kind }); found != calendars.end())
            return E_CAL_CLIENT(found->second);
        ESource* source = e_source_registry_ref_source(registry, uid.c_str());
        if (!source)
            return tl::unexpected("no source " + uid);
        GError* error = nullptr;
        EClient* client = connectOnceKnown(
            [&](GError** into) {
                return e_cal_client_connect_sync(source,
                    kind == Kind::events ? E_CAL_CLIENT_SOURCE_TYPE_EVENTS : E_CAL_CLIENT_SOURCE_TYPE_TASKS, static_cast<guint32>(-1), nullptr,
                    into);
            },
            &error);
        g_object_unref(source);
        if (!client)
            return tl::unexpected(failure(error, "cannot open " + uid));
        calendars.emplace(std::pair { uid, kind }, client);
        return E_CAL_CLIENT(client);
    }
};

EdsFixture::EdsFixture()
    : m_private(std::make_unique<Private>())
{
}

EdsFixture::~EdsFixture() = default;

EdsFixture::Result EdsFixture::connect()
{
    if (m_private->registry)
        return {};
    const char* session = std::getenv("TARVIK_EDS_TEST_SESSION");
    if (!session || std::string(session) != "1")
        return tl::unexpected(std::string("not in a private Evolution Data Server session: run under Tests/Support/eds-session.sh"));
    // One registry for the process, never released: as in the programs' module, its D-Bus
    // object manager frees part of itself on a thread that no longer runs at exit.
    static ESourceRegistry* registry = nullptr;
    if (!registry) {
        GError* error = nullptr;
        registry = e_source_registry_new_sync(nullptr, &error);
        if (!registry)
            return tl::unexpected(failure(error, "cannot reach the source registry"));
    }
    m_private->registry = registry;
    return {};
}

EdsFixture::Result EdsFixture::addAccount(const std::string& uid, const std::string& title, const std::string& identity)
{
    ESource* source = m_private->newSource(uid, "", title);
    auto* collection = E_SOURCE_COLLECTION(e_source_get_extension(source, E_SOURCE_EXTENSION_COLLECTION));
    // A collection backend that does not exist: the registry keeps the account and its
    // calendars as they are, without going online.
    e_source_backend_set_backend_name(E_SOURCE_BACKEND(collection), "none");
    e_source_collection_set_identity(collection, identity.c_str());
    return m_private->create(source);
}

EdsFixture::Result EdsFixture::addMailIdentity(const std::string& uid, const std::string& parentUid, const std::string& address)
{
    ESource* source = m_private->newSource(uid, parentUid, address);
    auto* identity = E_SOURCE_MAIL_IDENTITY(e_source_get_extension(source, E_SOURCE_EXTENSION_MAIL_IDENTITY));
    e_source_mail_identity_set_address(identity, address.c_str());
    return m_private->create(source);
}

EdsFixture::Result EdsFixture::addCalendar(
    const std::string& uid, const std::string& parentUid, const std::string& title, const std::string& color, Kind kind, bool enabled)
{
    ESource* source = m_private->newSource(uid, parentUid, title);
    const char* extensionName = kind == Kind::events ? E_SOURCE_EXTENSION_CALENDAR : E_SOURCE_EXTENSION_TASK_LIST;
    auto* extension = e_source_get_extension(source, extensionName);
    e_source_backend_set_backend_name(E_SOURCE_BACKEND(extension), "local");
    if (!color.empty())
        e_source_selectable_set_color(E_SOURCE_SELECTABLE(extension), color.c_str());
    e_source_set_enabled(source, enabled);
    return m_private->create(source);
}

EdsFixture::Result EdsFixture::addAddressBook(const std::string& uid, const std::string& parentUid, const std::string& title)
{
    ESource* source = m_private->newSource(uid, parentUid, title);
    auto* extension = e_source_get_extension(source, E_SOURCE_EXTENSION_ADDRESS_BOOK);
    e_source_backend_set_backend_name(E_SOURCE_BACKEND(extension), "local");
    return m_private->create(source);
}

EdsFixture::Result EdsFixture::removeSource(const std::string& uid)
{
    ESource* source = e_source_registry_ref_source(m_private->registry, uid.c_str());
    if (!source)
        return tl::unexpected("no source " + uid);
    GError* error = nullptr;
    bool removed = e_source_remove_sync(source, nullptr, &error);
    g_object_unref(source);
    if (!removed)
        return tl::unexpected(failure(error, "cannot remove " + uid));
    return {};
}

EdsFixture::Result EdsFixture::write(const std::string& calendarUid, Kind kind, const std::string& icalendar)
{
    auto client = m_private->calendar(calendarUid, kind);
    if (!client)
        return tl::unexpected(client.error());
    ICalComponent* root = i_cal_parser_parse_string(icalendar.c_str());
    if (!root)
        return tl::unexpected(std::string("not iCalendar text"));
    std::vector<ICalComponent*> zones, masters, overrides;
    auto sort = [&](ICalComponent* component) {
        auto type = i_cal_component_isa(component);
        if (type == I_CAL_VTIMEZONE_COMPONENT) {
            zones.push_back(component);
        } else if (type == I_CAL_VEVENT_COMPONENT || type == I_CAL_VTODO_COMPONENT) {
            ICalProperty* recurrence = i_cal_component_get_first_property(component, I_CAL_RECURRENCEID_PROPERTY);
            (recurrence ? overrides : masters).push_back(component);
            if (recurrence)
                g_object_unref(recurrence);
        } else {
            g_object_unref(component);
        }
    };
    if (i_cal_component_isa(root) == I_CAL_VCALENDAR_COMPONENT) {
        for (ICalComponent* child = i_cal_component_get_first_component(root, I_CAL_ANY_COMPONENT); child;
             child = i_cal_component_get_next_component(root, I_CAL_ANY_COMPONENT))
            sort(child);
    } else {
        sort(g_object_ref(root));
    }
    Result result;
    GError* error = nullptr;
    for (ICalComponent* zone : zones) {
        ICalTimezone* timezone = i_cal_timezone_new();
        ICalComponent* copy = i_cal_component_clone(zone);
        if (i_cal_timezone_set_component(timezone, copy) && !e_cal_client_add_timezone_sync(*client, timezone, nullptr, &error) && result)
            result = tl::unexpected(failure(error, "cannot add a time zone"));
        g_clear_error(&error);
        g_object_unref(copy);
        g_object_unref(timezone);
    }
    for (size_t first = 0; first < masters.size() && result; first += batchSize) {
        GSList* batch = nullptr;
        for (size_t index = first; index < std::min(masters.size(), first + batchSize); ++index)
            batch = g_slist_append(batch, masters[index]);
        GSList* uids = nullptr;
        if (!e_cal_client_create_objects_sync(*client, batch, E_CAL_OPERATION_FLAG_NONE, &uids, nullptr, &error))
            result = tl::unexpected(failure(error, "cannot create items in " + calendarUid));
        g_slist_free_full(uids, g_free);
        g_slist_free(batch);
    }
    for (ICalComponent* override : overrides) {
        if (result && !e_cal_client_modify_object_sync(*client, override, E_CAL_OBJ_MOD_THIS, E_CAL_OPERATION_FLAG_NONE, nullptr, &error))
            result = tl::unexpected(failure(error, "cannot change an occurrence in " + calendarUid));
    }
    for (auto* list : { &zones, &masters, &overrides }) {
        for (ICalComponent* component : *list)
            g_object_unref(component);
    }
    g_object_unref(root);
    return result;
}

EdsFixture::Result EdsFixture::modify(const std::string& calendarUid, Kind kind, const std::string& icalendar)
{
    auto client = m_private->calendar(calendarUid, kind);
    if (!client)
        return tl::unexpected(client.error());
    ICalComponent* component = i_cal_component_new_from_string(icalendar.c_str());
    if (component && i_cal_component_isa(component) == I_CAL_VCALENDAR_COMPONENT) {
        ICalComponent* item = i_cal_component_get_first_real_component(component);
        g_object_unref(component);
        component = item ? i_cal_component_clone(item) : nullptr;
        if (item)
            g_object_unref(item);
    }
    if (!component)
        return tl::unexpected(std::string("not iCalendar text"));
    GError* error = nullptr;
    bool modified = e_cal_client_modify_object_sync(*client, component, E_CAL_OBJ_MOD_ALL, E_CAL_OPERATION_FLAG_NONE, nullptr, &error);
    g_object_unref(component);
    if (!modified)
        return tl::unexpected(failure(error, "cannot change an item in " + calendarUid));
    return {};
}

EdsFixture::Result EdsFixture::remove(const std::string& calendarUid, Kind kind, const std::string& uid)
{
    auto client = m_private->calendar(calendarUid, kind);
    if (!client)
        return tl::unexpected(client.error());
    GError* error = nullptr;
    if (!e_cal_client_remove_object_sync(*client, uid.c_str(), nullptr, E_CAL_OBJ_MOD_ALL, E_CAL_OPERATION_FLAG_NONE, nullptr, &error))
        return tl::unexpected(failure(error, "cannot remove " + uid));
    return {};
}

EdsFixture::Result EdsFixture::addContact(const std::string& bookUid, const std::string& vcard)
{
    EClient* client = nullptr;
    if (auto found = m_private->books.find(bookUid); found != m_private->books.end()) {
        client = found->second;
    } else {
        ESource* source = e_source_registry_ref_source(m_private->registry, bookUid.c_str());
        if (!source)
            return tl::unexpected("no source " + bookUid);
        GError* error = nullptr;
        client = connectOnceKnown(
            [&](GError** into) { return e_book_client_connect_sync(source, static_cast<guint32>(-1), nullptr, into); }, &error);
        g_object_unref(source);
        if (!client)
            return tl::unexpected(failure(error, "cannot open " + bookUid));
        m_private->books.emplace(bookUid, client);
    }
    EContact* contact = e_contact_new_from_vcard(vcard.c_str());
    GError* error = nullptr;
    gchar* uid = nullptr;
    bool added = e_book_client_add_contact_sync(E_BOOK_CLIENT(client), contact, E_BOOK_OPERATION_FLAG_NONE, &uid, nullptr, &error);
    g_free(uid);
    g_object_unref(contact);
    if (!added)
        return tl::unexpected(failure(error, "cannot add a contact to " + bookUid));
    return {};
}

EdsFixture::Result EdsFixture::importCalendarRoot(const std::filesystem::path& root)
{
    std::vector<std::filesystem::path> accounts;
    for (auto& entry : std::filesystem::directory_iterator(root)) {
        if (entry.is_directory())
            accounts.push_back(entry.path());
    }
    std::sort(accounts.begin(), accounts.end());
    for (auto& account : accounts) {
        std::string accountName = account.filename().string();
        std::string title = accountName, identity;
        if (std::filesystem::exists(account / "source.json")) {
            auto json = nlohmann::json::parse(readText(account / "source.json"), nullptr, false);
            if (json.is_object() && json.contains("title") && json["title"].is_string())
                title = json["title"].get<std::string>();
            if (json.is_object() && json.contains("ownerAddresses") && json["ownerAddresses"].is_array() && !json["ownerAddresses"].empty())
                identity = json["ownerAddresses"][0].get<std::string>();
        }
        if (identity.starts_with("mailto:"))
            identity = identity.substr(7);
        if (auto added = addAccount(accountName, title, identity); !added)
            return added;
        std::vector<std::filesystem::path> collections;
        for (auto& entry : std::filesystem::directory_iterator(account)) {
            if (entry.is_directory())
                collections.push_back(entry.path());
        }
        std::sort(collections.begin(), collections.end());
        for (auto& collection : collections) {
            std::string name = collection.filename().string();
            std::string displayName = std::filesystem::exists(collection / "displayname") ? readText(collection / "displayname") : name;
            std::string color = std::filesystem::exists(collection / "color") ? readText(collection / "color") : "";
            std::string events, tasks;
            std::vector<std::filesystem::path> files;
            for (auto& entry : std::filesystem::directory_iterator(collection)) {
                if (entry.path().extension() == ".ics")
                    files.push_back(entry.path());
            }
            std::sort(files.begin(), files.end());
            // Every file's items go into one VCALENDAR per kind, so they are written in batches.
            for (auto& file : files) {
                std::string text = readText(file);
                bool holdsTasks = text.find("BEGIN:VTODO") != std::string::npos;
                auto begin = text.find("BEGIN:VCALENDAR");
                auto bodyStart = text.find('\n', begin);
                auto bodyEnd = text.rfind("END:VCALENDAR");
                if (begin == std::string::npos || bodyStart == std::string::npos || bodyEnd == std::string::npos)
                    continue;
                (holdsTasks ? tasks : events) += text.substr(bodyStart + 1, bodyEnd - bodyStart - 1);
            }
            std::string uid = accountName + "-" + name;
            for (auto [body, kind, calendarUid] : { std::tuple { &events, Kind::events, uid }, std::tuple { &tasks, Kind::tasks, uid + "-tasks" } }) {
                if (body->empty())
                    continue;
                if (auto added = addCalendar(calendarUid, accountName, displayName, color, kind); !added)
                    return added;
                if (auto written = write(calendarUid, kind, "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n" + *body + "END:VCALENDAR\r\n"); !written)
                    return written;
            }
        }
    }
    return {};
}

}

// The EDS module: the one place that links libecal, libebook and libedataserver. Built as
// tarvik-eds.so and loaded by `EdsModule` only when a program wants the desktop's calendars.

#include "Platform/Eds/EdsBridge.hpp"

#include <libebook/libebook.h>
#include <libecal/libecal.h>
#include <libedataserver/libedataserver.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <set>

namespace tvk::eds {

namespace {

// Photos larger than this are not read: a participant's avatar needs a thumbnail, not a poster.
constexpr std::size_t maximumPhotoSize = 4 * 1024 * 1024;

std::optional<std::string> text(const gchar* value)
{
    if (!value || !*value)
        return std::nullopt;
    return std::string(value);
}

std::string message(GError* error, const std::string& context)
{
    std::string result = context + ": " + (error && error->message ? error->message : "unknown error");
    g_clear_error(&error);
    return result;
}

std::optional<std::string> backendName(ESource* source, const char* extensionName)
{
    return text(e_source_backend_get_backend_name(E_SOURCE_BACKEND(e_source_get_extension(source, extensionName))));
}

Source describe(ESourceRegistry* registry, ESource* source)
{
    Source result;
    result.uid = e_source_get_uid(source);
    result.parentUid = text(e_source_get_parent(source)).value_or("");
    result.displayName = text(e_source_get_display_name(source)).value_or("");
    result.isEnabled = e_source_registry_check_enabled(registry, source);
    // e_source_get_extension adds an extension that is missing, so every read asks first.
    for (auto [name, flag] : { std::pair { E_SOURCE_EXTENSION_CALENDAR, &result.isCalendar },
             std::pair { E_SOURCE_EXTENSION_TASK_LIST, &result.isTaskList } }) {
        if (!e_source_has_extension(source, name))
            continue;
        *flag = true;
        if (result.backendName.empty())
            result.backendName = backendName(source, name).value_or("");
        if (!result.color)
            result.color = text(e_source_selectable_get_color(E_SOURCE_SELECTABLE(e_source_get_extension(source, name))));
    }
    if (e_source_has_extension(source, E_SOURCE_EXTENSION_ADDRESS_BOOK)) {
        result.isAddressBook = true;
        if (result.backendName.empty())
            result.backendName = backendName(source, E_SOURCE_EXTENSION_ADDRESS_BOOK).value_or("");
    }
    if (e_source_has_extension(source, E_SOURCE_EXTENSION_COLLECTION)) {
        result.isCollection = true;
        auto* collection = E_SOURCE_COLLECTION(e_source_get_extension(source, E_SOURCE_EXTENSION_COLLECTION));
        if (result.backendName.empty())
            result.backendName = text(e_source_backend_get_backend_name(E_SOURCE_BACKEND(collection))).value_or("");
        result.collectionIdentity = text(e_source_collection_get_identity(collection));
    }
    if (e_source_has_extension(source, E_SOURCE_EXTENSION_MAIL_IDENTITY)) {
        auto* identity = E_SOURCE_MAIL_IDENTITY(e_source_get_extension(source, E_SOURCE_EXTENSION_MAIL_IDENTITY));
        if (auto address = text(e_source_mail_identity_get_address(identity)))
            result.mailAddresses.push_back(*address);
        if (GHashTable* aliases = e_source_mail_identity_get_aliases_as_hash_table(identity)) {
            std::vector<std::string> sorted;
            GHashTableIter iterator;
            gpointer key = nullptr;
            g_hash_table_iter_init(&iterator, aliases);
            while (g_hash_table_iter_next(&iterator, &key, nullptr)) {
                if (auto alias = text(static_cast<const gchar*>(key)))
                    sorted.push_back(*alias);
            }
            std::sort(sorted.begin(), sorted.end());
            result.mailAddresses.insert(result.mailAddresses.end(), sorted.begin(), sorted.end());
            g_hash_table_unref(aliases);
        }
    }
    if (e_source_has_extension(source, E_SOURCE_EXTENSION_WEBDAV_BACKEND)) {
        auto* webdav = E_SOURCE_WEBDAV(e_source_get_extension(source, E_SOURCE_EXTENSION_WEBDAV_BACKEND));
        result.webdavEmailAddress = text(e_source_webdav_get_email_address(webdav));
        if (GUri* uri = e_source_webdav_dup_uri(webdav)) {
            gchar* printed = g_uri_to_string(uri);
            result.webdavUri = text(printed);
            g_free(printed);
            g_uri_unref(uri);
        }
    }
    return result;
}

void collectZoneIdentifiers(icalcomponent* component, std::set<std::string>& into)
{
    for (icalproperty* property = icalcomponent_get_first_property(component, ICAL_ANY_PROPERTY); property;
         property = icalcomponent_get_next_property(component, ICAL_ANY_PROPERTY)) {
        if (icalparameter* tzid = icalproperty_get_first_parameter(property, ICAL_TZID_PARAMETER)) {
            if (const char* value = icalparameter_get_tzid(tzid); value && *value)
                into.insert(value);
        }
    }
    for (icalcomponent* child = icalcomponent_get_first_component(component, ICAL_ANY_COMPONENT); child;
         child = icalcomponent_get_next_component(component, ICAL_ANY_COMPONENT))
        collectZoneIdentifiers(child, into);
}

bool isBuiltinZone(const std::string& tzid)
{
    return tzid == "UTC" || icaltimezone_get_builtin_timezone_from_tzid(tzid.c_str())
        || icaltimezone_get_builtin_timezone(tzid.c_str());
}

// Moves an item the client handed over into `calendar`; the ICalComponent no longer owns it.
void adopt(icalcomponent* calendar, ICalComponent* object)
{
    auto* native = static_cast<icalcomponent*>(i_cal_object_steal_native(I_CAL_OBJECT(object)));
    if (!native)
        return;
    if (icalcomponent_isa(native) != ICAL_VCALENDAR_COMPONENT) {
        icalcomponent_add_component(calendar, native);
        return;
    }
    std::vector<icalcomponent*> children;
    for (icalcomponent* child = icalcomponent_get_first_component(native, ICAL_ANY_COMPONENT); child;
         child = icalcomponent_get_next_component(native, ICAL_ANY_COMPONENT))
        children.push_back(child);
    for (icalcomponent* child : children) {
        icalcomponent_remove_component(native, child);
        icalcomponent_add_component(calendar, child);
    }
    icalcomponent_free(native);
}

std::optional<std::vector<std::uint8_t>> photoBytes(EContact* contact)
{
    EContactPhoto* photo = static_cast<EContactPhoto*>(e_contact_get(contact, E_CONTACT_PHOTO));
    if (!photo)
        return std::nullopt;
    std::optional<std::vector<std::uint8_t>> bytes;
    if (photo->type == E_CONTACT_PHOTO_TYPE_INLINED) {
        gsize length = 0;
        const guchar* data = e_contact_photo_get_inlined(photo, &length);
        if (data && length > 0 && length <= maximumPhotoSize)
            bytes.emplace(data, data + length);
    } else if (const gchar* uri = e_contact_photo_get_uri(photo)) {
        // EDS keeps the pictures of local address books as files beside the book; only such
        // local files are read, never a remote address.
        if (gchar* path = g_filename_from_uri(uri, nullptr, nullptr)) {
            std::error_code error;
            auto size = std::filesystem::file_size(path, error);
            if (!error && size > 0 && size <= maximumPhotoSize) {
                std::ifstream stream(path, std::ios::binary);
                std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
                if (stream.good() || stream.eof())
                    bytes = std::move(data);
            }
            g_free(path);
        }
    }
    e_contact_photo_free(photo);
    return bytes;
}

Contact describe(EContact* card, bool withPhoto)
{
    Contact contact;
    auto field = [&](EContactField which) { return text(static_cast<const gchar*>(e_contact_get_const(card, which))).value_or(""); };
    contact.uid = field(E_CONTACT_UID);
    contact.givenName = field(E_CONTACT_GIVEN_NAME);
    contact.familyName = field(E_CONTACT_FAMILY_NAME);
    contact.fullName = field(E_CONTACT_FULL_NAME);
    GList* emails = static_cast<GList*>(e_contact_get(card, E_CONTACT_EMAIL));
    for (GList* item = emails; item; item = item->next) {
        if (auto address = text(static_cast<const gchar*>(item->data)))
            contact.emailAddresses.push_back(*address);
    }
    g_list_free_full(emails, g_free);
    if (withPhoto)
        contact.photo = photoBytes(card);
    return contact;
}

// Each handler owns a copy of the callback, freed by GLib when the handler's closure goes, which
// is never while an emission is still running it; so a subscription may end on another thread
// than the one emitting.
class SignalSubscription final : public Subscription {
public:
    SignalSubscription(gpointer instance, std::vector<const char*> signals, const std::function<void()>& changed,
        std::function<void()> stop = nullptr)
        : m_instance(g_object_ref(instance))
        , m_stop(std::move(stop))
    {
        for (const char* signal : signals) {
            m_handlers.push_back(g_signal_connect_data(m_instance, signal, G_CALLBACK(&SignalSubscription::emitted),
                new std::function<void()>(changed), [](gpointer data, GClosure*) { delete static_cast<std::function<void()>*>(data); },
                G_CONNECT_SWAPPED));
        }
    }

    ~SignalSubscription() override
    {
        for (gulong handler : m_handlers)
            g_signal_handler_disconnect(m_instance, handler);
        if (m_stop)
            m_stop();
        g_object_unref(m_instance);
    }

private:
    static void emitted(std::function<void()>* changed) { (*changed)(); }

    gpointer m_instance;
    std::function<void()> m_stop;
    std::vector<gulong> m_handlers;
};

class RegistryBridge final : public Bridge {
public:
    explicit RegistryBridge(ESourceRegistry* registry)
        : m_registry(registry)
    {
    }

    ~RegistryBridge() override
    {
        for (auto& [key, client] : m_clients)
            g_object_unref(client);
        g_object_unref(m_registry);
    }

    std::vector<Source> sources() override
    {
        std::vector<Source> result;
        GList* sources = e_source_registry_list_sources(m_registry, nullptr);
        for (GList* item = sources; item; item = item->next)
            result.push_back(describe(m_registry, E_SOURCE(item->data)));
        g_list_free_full(sources, g_object_unref);
        return result;
    }

    std::unique_ptr<Subscription> watchSources(std::function<void()> changed) override
    {
        return std::make_unique<SignalSubscription>(m_registry,
            std::vector { "source-added", "source-removed", "source-changed", "source-enabled", "source-disabled" }, changed);
    }

    tl::expected<NativeComponent, std::string> calendarObjects(const std::string& sourceUid, CalendarKind kind) override
    {
        auto client = calendarClient(sourceUid, kind);
        if (!client)
            return tl::unexpected(client.error());
        GSList* objects = nullptr;
        GError* error = nullptr;
        bool listed = e_cal_client_get_object_list_sync(E_CAL_CLIENT(*client), "#t", &objects, nullptr, &error);
        if (!listed) {
            forget(sourceUid, kind, *client);
            g_object_unref(*client);
            return tl::unexpected(message(error, "cannot read " + sourceUid));
        }
        NativeComponent calendar(icalcomponent_new(ICAL_VCALENDAR_COMPONENT), icalcomponent_free);
        for (GSList* item = objects; item; item = item->next)
            adopt(calendar.get(), I_CAL_COMPONENT(item->data));
        g_slist_free_full(objects, g_object_unref);

        std::set<std::string> zones;
        collectZoneIdentifiers(calendar.get(), zones);
        for (auto& tzid : zones) {
            if (isBuiltinZone(tzid))
                continue;
            ICalTimezone* zone = nullptr;
            if (!e_cal_client_get_timezone_sync(E_CAL_CLIENT(*client), tzid.c_str(), &zone, nullptr, nullptr) || !zone)
                continue;
            // The client keeps the zone; its component is copied into the calendar.
            if (ICalComponent* component = i_cal_timezone_get_component(zone)) {
                auto* native = static_cast<icalcomponent*>(i_cal_object_get_native(I_CAL_OBJECT(component)));
                if (native)
                    icalcomponent_add_component(calendar.get(), icalcomponent_new_clone(native));
                g_object_unref(component);
            }
        }
        g_object_unref(*client);
        return calendar;
    }

    tl::expected<std::unique_ptr<Subscription>, std::string> watchCalendar(
        const std::string& sourceUid, CalendarKind kind, std::function<void()> changed) override
    {
        auto client = calendarClient(sourceUid, kind);
        if (!client)
            return tl::unexpected(client.error());
        ECalClientView* view = nullptr;
        GError* error = nullptr;
        bool made = e_cal_client_get_view_sync(E_CAL_CLIENT(*client), "#t", &view, nullptr, &error);
        g_object_unref(*client);
        if (!made)
            return tl::unexpected(message(error, "cannot watch " + sourceUid));
        // Only that something changed matters: the items are read again afterwards. So the
        // view neither sends what the calendar already holds nor more than each item's UID.
        e_cal_client_view_set_flags(view, E_CAL_CLIENT_VIEW_FLAGS_NONE, nullptr);
        GSList* fields = g_slist_append(nullptr, const_cast<gchar*>("UID"));
        e_cal_client_view_set_fields_of_interest(view, fields, nullptr);
        g_slist_free(fields);
        auto subscription = std::make_unique<SignalSubscription>(view,
            std::vector { "objects-added", "objects-modified", "objects-removed" }, changed,
            [view] { e_cal_client_view_stop(view, nullptr); });
        e_cal_client_view_start(view, &error);
        g_object_unref(view);
        if (error)
            return tl::unexpected(message(error, "cannot watch " + sourceUid));
        return std::unique_ptr<Subscription>(std::move(subscription));
    }

    tl::expected<std::vector<Contact>, std::string> contacts(const ContactQuery& query) override
    {
        EBookQuery* bookQuery = nullptr;
        if (query.emailAddress && !query.emailAddress->empty())
            bookQuery = e_book_query_field_test(E_CONTACT_EMAIL, E_BOOK_QUERY_IS, query.emailAddress->c_str());
        else if (query.name && !query.name->empty())
            bookQuery = e_book_query_field_test(E_CONTACT_FULL_NAME, E_BOOK_QUERY_IS, query.name->c_str());
        if (!bookQuery)
            return std::vector<Contact> {};
        gchar* expression = e_book_query_to_string(bookQuery);
        e_book_query_unref(bookQuery);

        std::vector<Contact> result;
        std::optional<std::string> firstError;
        GList* books = e_source_registry_list_enabled(m_registry, E_SOURCE_EXTENSION_ADDRESS_BOOK);
        for (GList* item = books; item; item = item->next) {
            auto client = bookClient(E_SOURCE(item->data));
            if (!client) {
                firstError = firstError.value_or(client.error());
                continue;
            }
            GSList* cards = nullptr;
            GError* error = nullptr;
            if (e_book_client_get_contacts_sync(E_BOOK_CLIENT(*client), expression, &cards, nullptr, &error)) {
                for (GSList* card = cards; card; card = card->next)
                    result.push_back(describe(E_CONTACT(card->data), query.withPhoto));
                g_slist_free_full(cards, g_object_unref);
            } else {
                firstError = firstError.value_or(message(error, std::string("cannot search ") + e_source_get_uid(E_SOURCE(item->data))));
            }
            g_object_unref(*client);
        }
        g_list_free_full(books, g_object_unref);
        g_free(expression);
        if (result.empty() && firstError)
            return tl::unexpected(*firstError);
        return result;
    }

private:
    using ClientKey = std::pair<std::string, int>;
    static constexpr int addressBookKind = 2;

    // A new reference to the open client of a source, connecting it on first use.
    tl::expected<EClient*, std::string> calendarClient(const std::string& sourceUid, CalendarKind kind)
    {
        std::lock_guard lock(m_mutex);
        ClientKey key { sourceUid, static_cast<int>(kind) };
        if (auto found = m_clients.find(key); found != m_clients.end())
            return static_cast<EClient*>(g_object_ref(found->second));
        ESource* source = e_source_registry_ref_source(m_registry, sourceUid.c_str());
        if (!source)
            return tl::unexpected("no source " + sourceUid);
        GError* error = nullptr;
        // -1: do not wait for a remote calendar to come online; its cache answers meanwhile.
        EClient* client = e_cal_client_connect_sync(source,
            kind == CalendarKind::events ? E_CAL_CLIENT_SOURCE_TYPE_EVENTS : E_CAL_CLIENT_SOURCE_TYPE_TASKS, static_cast<guint32>(-1),
            nullptr, &error);
        g_object_unref(source);
        if (!client)
            return tl::unexpected(message(error, "cannot open " + sourceUid));
        m_clients.emplace(key, client);
        return static_cast<EClient*>(g_object_ref(client));
    }

    tl::expected<EClient*, std::string> bookClient(ESource* source)
    {
        std::lock_guard lock(m_mutex);
        ClientKey key { e_source_get_uid(source), addressBookKind };
        if (auto found = m_clients.find(key); found != m_clients.end())
            return static_cast<EClient*>(g_object_ref(found->second));
        GError* error = nullptr;
        EClient* client = e_book_client_connect_sync(source, static_cast<guint32>(-1), nullptr, &error);
        if (!client)
            return tl::unexpected(message(error, std::string("cannot open ") + e_source_get_uid(source)));
        m_clients.emplace(key, client);
        return static_cast<EClient*>(g_object_ref(client));
    }

    // A client that failed is dropped, so that the next use connects again (its backend may
    // have ended and been restarted).
    void forget(const std::string& sourceUid, CalendarKind kind, EClient* client)
    {
        std::lock_guard lock(m_mutex);
        auto found = m_clients.find({ sourceUid, static_cast<int>(kind) });
        if (found != m_clients.end() && found->second == client) {
            g_object_unref(found->second);
            m_clients.erase(found);
        }
    }

    ESourceRegistry* m_registry;
    std::mutex m_mutex;
    std::map<ClientKey, EClient*> m_clients;
};

}

}

extern "C" __attribute__((visibility("default"))) tvk::eds::Bridge* tarvik_eds_open(std::string* error)
{
    GError* failure = nullptr;
    ESourceRegistry* registry = e_source_registry_new_sync(nullptr, &failure);
    if (!registry) {
        if (error)
            *error = tvk::eds::message(failure, "cannot reach the Evolution Data Server source registry");
        else
            g_clear_error(&failure);
        return nullptr;
    }
    return new tvk::eds::RegistryBridge(registry);
}

#include "TVKCore/Settings/EventSettingsStore.hpp"

#include "Platform/Runtime/NotificationCenter.hpp"
#include "Platform/Runtime/ProcessWideInstance.hpp"
#include "TVKUtils/SharedDefaults.hpp"

namespace tvk {

namespace {

std::string key()
{
    return std::string(EventSettingsStore::storageKey);
}

// The platform reads the key as a dictionary of data values or not at all.
const PropertyList::Dictionary* dictionaryOfData(const PropertyList* stored)
{
    if (!stored)
        return nullptr;
    auto* dictionary = stored->get<PropertyList::Dictionary>();
    if (!dictionary)
        return nullptr;
    for (auto& [identifier, value] : *dictionary) {
        if (!value.is<Data>())
            return nullptr;
    }
    return dictionary;
}

std::string_view textOf(const Data& data)
{
    return std::string_view(reinterpret_cast<const char*>(data.data()), data.size());
}

}

EventSettingsStore& EventSettingsStore::shared()
{
    static auto* instance = new ProcessWideInstance<EventSettingsStore>;
    return instance->get([] { return new EventSettingsStore(sharedUserDefaults()); });
}

EventSettingsStore::EventSettingsStore(UserDefaults& suite)
    : m_suite(suite)
{
}

std::optional<std::map<std::string, EventSettings>> EventSettingsStore::customSettings() const
{
    std::optional<PropertyList::Dictionary> stored;
    m_suite.readObject(key(), [&](const PropertyList* value) {
        if (auto* dictionary = dictionaryOfData(value))
            stored = *dictionary;
    });
    if (!stored)
        return std::nullopt;
    std::map<std::string, EventSettings> all;
    for (auto& [identifier, value] : *stored) {
        if (auto settings = EventSettings::decode(textOf(*value.get<Data>())))
            all.emplace(identifier, std::move(*settings));
    }
    return all;
}

std::optional<EventSettings> EventSettingsStore::customSettings(const std::string& forEventIdentifier) const
{
    // Runs for every event of every reload and drawing: copy out only the one entry.
    std::optional<Data> entry;
    m_suite.readObject(key(), [&](const PropertyList* value) {
        auto* dictionary = dictionaryOfData(value);
        if (!dictionary)
            return;
        auto found = dictionary->find(forEventIdentifier);
        if (found != dictionary->end())
            entry = *found->second.get<Data>();
    });
    if (!entry)
        return std::nullopt;
    auto settings = EventSettings::decode(textOf(*entry));
    if (!settings)
        return std::nullopt;
    return std::move(*settings);
}

tl::expected<void, DefaultsError> EventSettingsStore::change(const std::function<void(PropertyList::Dictionary&)>& edit)
{
    bool unreadable = false;
    auto written = m_suite.update(key(), [&](std::optional<PropertyList> current) -> std::optional<PropertyList> {
        PropertyList::Dictionary dictionary;
        if (current) {
            auto* readable = dictionaryOfData(&*current);
            if (!readable) {
                unreadable = true;
                return current;
            }
            dictionary = std::move(*current->get<PropertyList::Dictionary>());
        }
        edit(dictionary);
        return std::optional<PropertyList>(std::in_place, std::move(dictionary));
    });
    if (!written)
        return written;
    if (unreadable)
        return tl::unexpected(DefaultsError { "the stored event settings are not a dictionary of data values; they were left unchanged" });
    NotificationCenter::defaultCenter().post(std::string(customEventSettingsChangedNotification));
    return {};
}

tl::expected<void, DefaultsError> EventSettingsStore::storeCustomSettings(
    const EventSettings& settings, const std::string& forEventIdentifier)
{
    auto json = settings.encode();
    if (!json)
        return tl::unexpected(DefaultsError { "cannot encode the event settings: " + json.error() });
    Data data(json->begin(), json->end());
    return change([&](PropertyList::Dictionary& dictionary) { dictionary.insert_or_assign(forEventIdentifier, PropertyList(data)); });
}

tl::expected<void, DefaultsError> EventSettingsStore::deleteCustomSettings(const std::string& forEventIdentifier)
{
    return change([&](PropertyList::Dictionary& dictionary) { dictionary.erase(forEventIdentifier); });
}

tl::expected<void, DefaultsError> EventSettingsStore::deleteAllCustomEventSettings()
{
    return m_suite.set(key(), PropertyList(PropertyList::Dictionary {}));
}

}

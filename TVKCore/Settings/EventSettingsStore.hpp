#pragma once

#include "Platform/Defaults/UserDefaults.hpp"
#include "TVKCore/Settings/EventSettings.hpp"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tl/expected.hpp>

namespace tvk {

/// The per-event settings, kept in the shared domain under "eventSettings" as a dictionary
/// from event id to the JSON data of one `EventSettings`.
///
/// Reads take what is stored now and never write; any thread may read. Each change of one
/// event's settings is a read-modify-write of the dictionary under the domain's lock, so
/// changes made at the same moment by another thread or program (the main application) are
/// all kept. A dictionary that does not read as one (another value type, or a value that is
/// not data) is never replaced by a change: the change fails and says so.
class EventSettingsStore {
public:
    /// Posted on the default centre, without object, after each store or delete of one
    /// event's settings, on the thread that made the change.
    static constexpr std::string_view customEventSettingsChangedNotification = "customEventSettingsChangedNotification";
    static constexpr std::string_view storageKey = "eventSettings";

    static EventSettingsStore& shared();
    explicit EventSettingsStore(UserDefaults& suite);
    EventSettingsStore(const EventSettingsStore&) = delete;
    EventSettingsStore& operator=(const EventSettingsStore&) = delete;

    /// All stored settings; entries that do not decode are left out. None when the key is
    /// missing or does not hold a dictionary of data values.
    std::optional<std::map<std::string, EventSettings>> customSettings() const;
    /// The settings of one event; none when there are none or they do not decode.
    std::optional<EventSettings> customSettings(const std::string& forEventIdentifier) const;

    tl::expected<void, DefaultsError> storeCustomSettings(const EventSettings& settings, const std::string& forEventIdentifier);
    /// Writes the dictionary back (an empty one when the key was missing) and posts, also
    /// when the event had no settings.
    tl::expected<void, DefaultsError> deleteCustomSettings(const std::string& forEventIdentifier);
    /// Replaces whatever is stored by an empty dictionary; posts nothing.
    tl::expected<void, DefaultsError> deleteAllCustomEventSettings();

private:
    tl::expected<void, DefaultsError> change(const std::function<void(PropertyList::Dictionary&)>& edit);

    UserDefaults& m_suite;
};

}

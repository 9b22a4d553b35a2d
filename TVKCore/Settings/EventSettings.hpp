#pragma once

#include "TVKCore/Events/EventType.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <tl/expected.hpp>

namespace tvk {

/// What the user customized for one event: excluded from alerts, its own alert offset, the
/// video-call link that the join button opens. Kept per event id by `EventSettingsStore` as
/// JSON shared with the main application:
///
///     {"type":"calendarEvent","isExcluded":false,"usesCustomTimeOffset":true,
///      "timeOffsetSeconds":300,"defaultConferenceUrl":"https:\/\/zoom.us\/j\/1"}
///
/// The first four keys are required; "defaultConferenceUrl" is left out when absent.
struct EventSettings {
    enum class TypeComparison { compareType, ignoreType };

    EventType type = EventType::calendarEvent;
    bool isExcluded = false;
    /// `timeOffsetSeconds` replaces the global alert offset.
    bool usesCustomTimeOffset = false;
    std::int64_t timeOffsetSeconds = 0;
    /// The link's absolute text, as stored ("https://zoom.us/j/1"). Never empty.
    std::optional<std::string> defaultConferenceUrl;

    /// Nothing customized: not excluded, the global offset, no chosen link.
    static EventSettings defaultSettings(EventType type);

    /// Member-wise equality, optionally without `type`.
    bool isEqual(const EventSettings& other, TypeComparison comparison) const;

    static tl::expected<EventSettings, std::string> decode(std::string_view json);
    /// Fails only for a link text that the main application could not hold as a URL (empty,
    /// or not UTF-8); the error says why.
    tl::expected<std::string, std::string> encode() const;

    /// Whether a text can be chosen as a conference link: an absolute URL with a scheme
    /// ("https:", "zoommtg:"), something after it, and no spaces or control characters.
    static bool isValidConferenceUrlText(std::string_view text);

    bool operator==(const EventSettings&) const = default;
};

}

#pragma once

#include "Platform/Runtime/Date.hpp"
#include "TVKCore/Events/Event.hpp"

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace tvk {

/// What the countdown widget shows from `date` on: the next event, none when nothing is ahead.
struct NextEventEntry {
    Date date;
    std::optional<Event> event;

    bool operator==(const NextEventEntry&) const = default;
};

/// {"date": ISO 8601, "event": the event as `eventJson` prints it, or null}.
void to_json(nlohmann::json& json, const NextEventEntry& entry);
/// The event's line as `eventLine` writes it, or "no upcoming event".
std::string summaryLine(const NextEventEntry& entry);

}

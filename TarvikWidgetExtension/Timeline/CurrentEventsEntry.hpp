#pragma once

#include "Platform/Runtime/Date.hpp"
#include "TVKCore/Events/Event.hpp"

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace tvk {

/// What the current-events widget shows from `date` on: every event going on, earliest first.
struct CurrentEventsEntry {
    Date date;
    std::vector<Event> events;

    bool operator==(const CurrentEventsEntry&) const = default;
};

/// {"date": ISO 8601, "events": [each as `eventJson` prints it]}.
void to_json(nlohmann::json& json, const CurrentEventsEntry& entry);
/// The events' titles and times, or "nothing going on".
std::string summaryLine(const CurrentEventsEntry& entry);

}

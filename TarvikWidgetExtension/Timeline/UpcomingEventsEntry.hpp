#pragma once

#include "Platform/Runtime/Date.hpp"
#include "TVKCore/Events/Event.hpp"

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace tvk {

/// What the upcoming-events widget shows from `date` on: at most six events, earliest first.
struct UpcomingEventsEntry {
    Date date;
    std::vector<Event> events;

    bool operator==(const UpcomingEventsEntry&) const = default;
};

/// {"date": ISO 8601, "events": [each as `eventJson` prints it]}.
void to_json(nlohmann::json& json, const UpcomingEventsEntry& entry);
/// The events' titles and times, or "no upcoming events".
std::string summaryLine(const UpcomingEventsEntry& entry);

}

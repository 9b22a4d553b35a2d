#pragma once

#include "Platform/Runtime/Date.hpp"
#include "TVKCore/Events/Event.hpp"

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace tvk {

/// The printed forms the two list entries share.

/// {"date": ISO 8601, "events": [each as `eventJson` prints it]}.
nlohmann::json eventListEntryJson(Date date, const std::vector<Event>& events);
/// "2 events: Standup (10:00 AM – 10:15 AM); Review (…)", or `none` for an empty list.
std::string eventListSummaryLine(const std::vector<Event>& events, std::string_view none);

}

#include "TarvikWidgetExtension/Timeline/NextEventEntry.hpp"

#include "Platform/Runtime/ISO8601.hpp"
#include "TVKCore/Events/EventPrinting.hpp"

namespace tvk {

void to_json(nlohmann::json& json, const NextEventEntry& entry)
{
    json = { { "date", ISO8601::format(entry.date) }, { "event", entry.event ? eventJson(*entry.event) : nlohmann::json(nullptr) } };
}

std::string summaryLine(const NextEventEntry& entry)
{
    return entry.event ? eventLine(*entry.event) : "no upcoming event";
}

}

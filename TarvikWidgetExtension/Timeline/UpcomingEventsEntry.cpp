#include "TarvikWidgetExtension/Timeline/UpcomingEventsEntry.hpp"

#include "TarvikWidgetExtension/Timeline/EntryPrinting.hpp"

namespace tvk {

void to_json(nlohmann::json& json, const UpcomingEventsEntry& entry)
{
    json = eventListEntryJson(entry.date, entry.events);
}

std::string summaryLine(const UpcomingEventsEntry& entry)
{
    return eventListSummaryLine(entry.events, "no upcoming events");
}

}

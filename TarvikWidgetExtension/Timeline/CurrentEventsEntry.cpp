#include "TarvikWidgetExtension/Timeline/CurrentEventsEntry.hpp"

#include "TarvikWidgetExtension/Timeline/EntryPrinting.hpp"

namespace tvk {

void to_json(nlohmann::json& json, const CurrentEventsEntry& entry)
{
    json = eventListEntryJson(entry.date, entry.events);
}

std::string summaryLine(const CurrentEventsEntry& entry)
{
    return eventListSummaryLine(entry.events, "nothing going on");
}

}

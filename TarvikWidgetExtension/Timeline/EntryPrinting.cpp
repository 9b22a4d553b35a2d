#include "TarvikWidgetExtension/Timeline/EntryPrinting.hpp"

#include "Platform/Runtime/ISO8601.hpp"
#include "TVKCore/Events/EventPrinting.hpp"

namespace tvk {

nlohmann::json eventListEntryJson(Date date, const std::vector<Event>& events)
{
    auto list = nlohmann::json::array();
    for (auto& event : events)
        list.push_back(eventJson(event));
    return { { "date", ISO8601::format(date) }, { "events", list } };
}

std::string eventListSummaryLine(const std::vector<Event>& events, std::string_view none)
{
    if (events.empty())
        return std::string(none);
    std::string line = std::to_string(events.size()) + (events.size() == 1 ? " event: " : " events: ");
    for (size_t i = 0; i < events.size(); ++i) {
        if (i > 0)
            line += "; ";
        line += events[i].title.value_or("(untitled)") + " (" + eventTimeText(events[i]) + ")";
    }
    return line;
}

}

#include "TVKCore/Events/EventPrinting.hpp"

#include "Platform/Runtime/ISO8601.hpp"
#include "TVKUtils/TimeUnits.hpp"

namespace tvk {

namespace {

nlohmann::json optionalText(const std::optional<std::string>& text)
{
    return text ? nlohmann::json(*text) : nlohmann::json(nullptr);
}

}

nlohmann::json eventJson(const Event& event)
{
    auto links = nlohmann::json::array();
    for (auto& link : event.videoConferenceLinks)
        links.push_back({ { "service", link.service.id }, { "url", link.url.absoluteString() } });
    auto join = event.defaultVideoConferenceLink();
    return {
        { "id", event.id },
        { "type", std::string(rawValue(event.type)) },
        { "title", optionalText(event.title) },
        { "start", ISO8601::format(event.startDate) },
        { "end", ISO8601::format(event.endDate) },
        { "occurrenceDate", event.occurrenceDate ? nlohmann::json(ISO8601::format(*event.occurrenceDate)) : nlohmann::json(nullptr) },
        { "calendar", optionalText(event.calendarName) },
        { "calendarItemIdentifier", optionalText(event.calendarItemIdentifier) },
        { "color", event.color.hexString() },
        { "location", optionalText(event.location) },
        { "travelTime", event.travelTime },
        { "links", links },
        { "joinLink", join ? nlohmann::json(join->url.absoluteString()) : nlohmann::json(nullptr) },
        { "formattedTimeAndDate", event.formattedTimeAndDate() },
        { "accessibilityValue", event.accessibilityValue() },
    };
}

std::optional<VideoConferenceLink> joinLink(const Event& event)
{
    if (auto chosen = event.defaultVideoConferenceLink())
        return chosen;
    if (event.videoConferenceLinks.empty())
        return std::nullopt;
    return event.videoConferenceLinks.front();
}

std::string eventTimeText(const Event& event)
{
    // "11:00 AM – 11:00 AM" would read as a mistake.
    return event.isAnyReminder() ? "due " + event.formattedStartTimeAndDate() : event.formattedTimeAndDate();
}

std::string eventLine(const Event& event)
{
    std::string line = eventTimeText(event) + "  " + event.title.value_or("(untitled)");
    if (event.calendarName && !event.calendarName->empty())
        line += "  (" + *event.calendarName + ")";
    if (event.travelTime > 0)
        line += "  [travel " + std::to_string(static_cast<long>(asMinutes(travelTimeInWholeMinutes(event.travelTime)))) + " min]";
    if (auto link = joinLink(event)) {
        // Wrapped links (Safe Links, long meeting tokens) run to hundreds of characters; a
        // person needs to recognise the link, and `--json` has it whole.
        constexpr size_t longest = 96;
        auto text = link->url.absoluteString();
        if (text.size() > longest)
            text = text.substr(0, longest - 1) + "\u2026";
        line += "  join " + link->service.id + " " + text;
    }
    return line;
}

}

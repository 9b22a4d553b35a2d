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
    // Filled member by member: a braced list of pairs makes each pair an array of its own
    // first, and copies every value once more, for each of the thousands of events a reload
    // over a heavy calendar prints.
    nlohmann::json links = nlohmann::json::array();
    for (auto& link : event.videoConferenceLinks) {
        nlohmann::json entry = nlohmann::json::object();
        entry.emplace("service", link.service.id);
        entry.emplace("url", link.url.absoluteString());
        links.push_back(std::move(entry));
    }
    auto join = event.defaultVideoConferenceLink();
    nlohmann::json json = nlohmann::json::object();
    json.emplace("id", event.id);
    json.emplace("type", std::string(rawValue(event.type)));
    json.emplace("title", optionalText(event.title));
    json.emplace("start", ISO8601::format(event.startDate));
    json.emplace("end", ISO8601::format(event.endDate));
    json.emplace("occurrenceDate", event.occurrenceDate ? nlohmann::json(ISO8601::format(*event.occurrenceDate)) : nlohmann::json(nullptr));
    json.emplace("calendar", optionalText(event.calendarName));
    json.emplace("calendarItemIdentifier", optionalText(event.calendarItemIdentifier));
    json.emplace("color", event.color.hexString());
    json.emplace("location", optionalText(event.location));
    json.emplace("travelTime", event.travelTime);
    json.emplace("links", std::move(links));
    json.emplace("joinLink", join ? nlohmann::json(join->url.absoluteString()) : nlohmann::json(nullptr));
    json.emplace("formattedTimeAndDate", event.formattedTimeAndDate());
    json.emplace("accessibilityValue", event.accessibilityValue());
    return json;
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

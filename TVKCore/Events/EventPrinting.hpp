#pragma once

#include "TVKCore/Events/Event.hpp"

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace tvk {

/// An event as the event core sees it, in the shape every program that prints events shares
/// (`tvkctl events`, `tvkctl reload`, the widget program's timelines):
/// "id", "type", "title", "start", "end", "occurrenceDate", "calendar",
/// "calendarItemIdentifier", "color", "location", "travelTime", "links" (service and URL each),
/// "joinLink" (the URL a one-click join opens, or null), "formattedTimeAndDate" and
/// "accessibilityValue". Dates are ISO 8601 with offset; absent values are null.
nlohmann::json eventJson(const Event& event);

/// The link a person would click: the event's one-click link, else its first link; none
/// without links.
std::optional<VideoConferenceLink> joinLink(const Event& event);

/// When the event is, for a person: its time span as the widgets write it, or "due …" for a
/// reminder, which falls on one instant.
std::string eventTimeText(const Event& event);

/// One line for a person: time span as the widgets write it, title, calendar and the link to
/// join, e.g. "2:00 PM – 3:00 PM  Design review  (Work)  join zoom https://…".
std::string eventLine(const Event& event);

}

#include "TarvikWidgetExtension/Links/DeepLinkHandler.hpp"

#include "Platform/Text/AsciiCase.hpp"
#include "Platform/Text/LinkDetector.hpp"
#include "TVKCore/DeepLinks/DeepLinkBuilder.hpp"
#include "TVKCore/VideoConference/VideoConferenceLinkParser.hpp"

#include <algorithm>
#include <array>

namespace tvk {

namespace {

constexpr std::array<std::string_view, 10> safeSchemes { "http", "https", "mailto", "tel", "sip", "zoommtg", "zoomus", "msteams",
    "ts3server", "facetime" };

}

DeepLinkHandler::DeepLinkHandler(EventLookup events, HandlerCheck hasHandler, AccountLookup accounts, Localize localize)
    : m_events(std::move(events))
    , m_hasHandler(std::move(hasHandler))
    , m_accounts(std::move(accounts))
    , m_localize(std::move(localize))
{
}

std::string DeepLinkHandler::text(std::string_view key, std::string_view argument) const
{
    std::string result = m_localize(key);
    if (auto placeholder = result.find("%@"); placeholder != std::string::npos)
        result.replace(placeholder, 2, argument);
    return result;
}

bool DeepLinkHandler::isSafeToOpen(std::string_view url)
{
    // Control characters and blanks never belong in a URL handed on; a launcher could read
    // them as separators.
    if (std::any_of(url.begin(), url.end(), [](char c) { return static_cast<unsigned char>(c) <= ' ' || c == 0x7f; }))
        return false;
    auto parsed = Url::make(url);
    auto scheme = parsed ? parsed->scheme() : std::nullopt;
    return scheme
        && std::any_of(safeSchemes.begin(), safeSchemes.end(), [&](std::string_view safe) { return equalsIgnoringAsciiCase(*scheme, safe); });
}

widgets::EventPreview::RichText DeepLinkHandler::richText(std::string_view text)
{
    widgets::EventPreview::RichText runs;
    size_t position = 0;
    auto plain = [&](size_t end) {
        if (end > position)
            runs.push_back({ std::string(text.substr(position, end - position)), std::nullopt });
    };
    for (const auto& link : LinkDetector::shared().matches(text)) {
        if (link.range.location < position || !isSafeToOpen(link.url))
            continue;
        plain(link.range.location);
        runs.push_back({ std::string(link.range.of(text)), link.url });
        position = link.range.end();
    }
    plain(text.size());
    return runs;
}

std::optional<std::string> DeepLinkHandler::joinURL(const Event& event) const
{
    auto link = event.defaultVideoConferenceLink();
    if (!link)
        return std::nullopt;
    std::optional<std::string> url;
    if (link->service.supportsNativeApp) {
        auto native = VideoConferenceLinkParser::shared().nativeUrl(*link);
        auto scheme = native ? native->scheme() : std::nullopt;
        if (scheme && m_hasHandler(*scheme))
            url = native->absoluteString();
    }
    if (!url && link->isGoogle())
        url = link->makeGoogleUrl(m_accounts(event.id)).absoluteString();
    if (!url)
        url = link->url.absoluteString();
    if (!isSafeToOpen(*url))
        return std::nullopt;
    return url;
}

widgets::EventPreview DeepLinkHandler::preview(const Event& event) const
{
    widgets::EventPreview preview;
    preview.title = event.title.value_or("");
    if (preview.title.empty())
        preview.title = text("LinkHandler.untitled");
    preview.time = event.formattedTimeAndDate();
    preview.calendarName = event.calendarName;
    preview.calendarColor = event.color;
    if (event.location)
        preview.location = richText(*event.location);
    if (event.notes)
        preview.notes = richText(*event.notes);
    // The organizer comes first and may be listed again among the attendees.
    std::vector<std::string> seen;
    for (const auto& participant : event.participantsData) {
        std::string key = participant.email.value_or(participant.name.value_or(""));
        if (key.empty() || std::find(seen.begin(), seen.end(), key) != seen.end())
            continue;
        seen.push_back(key);
        std::string line = participant.name.value_or(participant.email.value_or(""));
        if (participant.name && participant.email)
            line += " <" + *participant.email + ">";
        if (participant.isOrganizer)
            line += " " + text("LinkHandler.organizer");
        preview.participants.push_back(line);
    }
    preview.joinURL = joinURL(event);
    preview.labels = { text("LinkHandler.location"), text("LinkHandler.notes"), text("LinkHandler.participants"),
        text("LinkHandler.join"), text("LinkHandler.close") };
    return preview;
}

DeepLinkHandler::Action DeepLinkHandler::action(std::string_view linkText) const
{
    auto url = Url::make(linkText);
    auto link = url ? DeepLinkBuilder::make(*url) : std::nullopt;
    if (!link)
        return Notice { text("LinkHandler.notALink.title"), text("LinkHandler.notALink.message", linkText) };
    const std::string& id = eventID(*link);
    auto event = m_events(id);
    if (!event)
        return Notice { text("LinkHandler.noEvent.title"), text("LinkHandler.noEvent.message", id) };
    switch (destination(*link)) {
    case DeepLinkDestination::joinCall:
        if (auto join = joinURL(*event))
            return OpenURL { *join };
        return Notice { text("LinkHandler.noCall.title"), text("LinkHandler.noCall.message", preview(*event).title) };
    case DeepLinkDestination::preview: return ShowPreview { preview(*event) };
    case DeepLinkDestination::viewInCalendar: return OpenCalendar { id };
    }
    return Notice { text("LinkHandler.notALink.title"), text("LinkHandler.notALink.message", linkText) };
}

}

#include "TVKCore/DeepLinks/DeepLink.hpp"

#include "Platform/Text/PercentEncoding.hpp"

namespace tvk {

static_assert(DeepLinkType<PreviewEventDeepLink> && DeepLinkUrlComponentsInitializing<PreviewEventDeepLink>);
static_assert(DeepLinkType<ViewEventInCalendarDeepLink> && DeepLinkUrlComponentsInitializing<ViewEventInCalendarDeepLink>);
static_assert(DeepLinkType<JoinCallDeepLink> && DeepLinkUrlComponentsInitializing<JoinCallDeepLink>);

namespace deep_link_detail {

namespace {

constexpr char hexDigits[] = "0123456789ABCDEF";

/// A path segment may carry letters, digits and !$&'()*+,-.:=@_~ as they are; "/" would end it.
bool isSegmentCharacter(unsigned char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    return c != 0 && std::string_view("!$&'()*+,-.:=@_~").find(static_cast<char>(c)) != std::string_view::npos;
}

void appendEscape(std::string& out, unsigned char c)
{
    out += '%';
    out += hexDigits[c >> 4];
    out += hexDigits[c & 0xF];
}

/// Byte by byte, so that an id that is not UTF-8 survives as well.
std::string encodedPathSegment(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    bool onlyDots = !text.empty() && text.find_first_not_of('.') == std::string_view::npos;
    for (unsigned char c : text) {
        if (isSegmentCharacter(c) && !(onlyDots && c == '.'))
            out += static_cast<char>(c);
        else
            appendEscape(out, c);
    }
    return out;
}

}

Url makeUrl(DeepLinkDestination destination, std::string_view eventID)
{
    std::string text = std::string(deepLinkScheme) + "://" + std::string(rawValue(destination)) + "/" + encodedPathSegment(eventID);
    // Only ASCII that a URL allows where it stands: this always parses.
    if (auto url = Url::make(text))
        return *url;
    return *Url::make(std::string(deepLinkScheme) + "://" + std::string(rawValue(destination)));
}

std::optional<std::string> eventID(const UrlComponents& components)
{
    std::string_view path = components.percentEncodedPath;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        if (end > start)
            return percentDecoded(path.substr(start, end - start), DecodedText::anyBytes);
        start = end + 1;
    }
    return std::nullopt;
}

}

DeepLinkDestination destination(const DeepLink& link)
{
    return std::visit([](auto& concrete) { return std::decay_t<decltype(concrete)>::destination; }, link);
}

const std::string& eventID(const DeepLink& link)
{
    return std::visit([](auto& concrete) -> const std::string& { return concrete.eventID; }, link);
}

Url url(const DeepLink& link)
{
    return std::visit([](auto& concrete) { return concrete.url(); }, link);
}

DeepLink makeDeepLink(DeepLinkDestination destination, std::string eventID)
{
    switch (destination) {
    case DeepLinkDestination::preview: return PreviewEventDeepLink(std::move(eventID));
    case DeepLinkDestination::viewInCalendar: return ViewEventInCalendarDeepLink(std::move(eventID));
    case DeepLinkDestination::joinCall: return JoinCallDeepLink(std::move(eventID));
    }
    return PreviewEventDeepLink(std::move(eventID));
}

}

#include "TVKCore/DeepLinks/DeepLinkBuilder.hpp"

namespace tvk {

namespace {

template <DeepLinkUrlComponentsInitializing Link> std::optional<DeepLink> makeLink(const UrlComponents& components)
{
    if (auto link = Link::make(components))
        return DeepLink(std::move(*link));
    return std::nullopt;
}

}

std::optional<DeepLink> DeepLinkBuilder::make(const Url& url)
{
    UrlComponents components(url);
    if (components.scheme != deepLinkScheme)
        return std::nullopt;
    auto host = components.host();
    if (!host)
        return std::nullopt;
    auto destination = deepLinkDestinationFromRawValue(*host);
    if (!destination)
        return std::nullopt;
    switch (*destination) {
    case DeepLinkDestination::preview: return makeLink<PreviewEventDeepLink>(components);
    case DeepLinkDestination::viewInCalendar: return makeLink<ViewEventInCalendarDeepLink>(components);
    case DeepLinkDestination::joinCall: return makeLink<JoinCallDeepLink>(components);
    }
    return std::nullopt;
}

}

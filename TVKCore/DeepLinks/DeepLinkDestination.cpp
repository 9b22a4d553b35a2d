#include "TVKCore/DeepLinks/DeepLinkDestination.hpp"

namespace tvk {

std::string_view rawValue(DeepLinkDestination destination)
{
    switch (destination) {
    case DeepLinkDestination::preview: return "preview";
    case DeepLinkDestination::viewInCalendar: return "viewInCalendar";
    case DeepLinkDestination::joinCall: return "joinCall";
    }
    return "preview";
}

std::optional<DeepLinkDestination> deepLinkDestinationFromRawValue(std::string_view raw)
{
    for (auto destination : { DeepLinkDestination::preview, DeepLinkDestination::viewInCalendar, DeepLinkDestination::joinCall }) {
        if (rawValue(destination) == raw)
            return destination;
    }
    return std::nullopt;
}

}

#pragma once

#include "Platform/Text/Url.hpp"
#include "TVKCore/DeepLinks/DeepLink.hpp"

#include <optional>

namespace tvk {

/// Reads the URLs of the "tarvik" scheme back into deep links, for the main application.
class DeepLinkBuilder {
public:
    /// The link a URL describes: scheme exactly "tarvik", host exactly one destination's raw
    /// value ("preview", "viewInCalendar", "joinCall"; letter case counts) and an event id as
    /// the first non-empty path segment. Further segments, a query and a fragment are ignored.
    /// None for anything else.
    static std::optional<DeepLink> make(const Url& url);
};

}

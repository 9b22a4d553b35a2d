#include "TVKCore/VideoConference/OpenableLinks.hpp"

#include "Platform/Text/AsciiCase.hpp"

#include <algorithm>

namespace tvk {

bool isOpenableLink(const Url& url)
{
    auto scheme = url.scheme();
    return scheme
        && std::any_of(openableLinkSchemes.begin(), openableLinkSchemes.end(),
            [&](std::string_view openable) { return equalsIgnoringAsciiCase(*scheme, openable); });
}

}

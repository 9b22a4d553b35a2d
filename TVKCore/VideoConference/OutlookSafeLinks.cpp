#include "TVKCore/VideoConference/OutlookSafeLinks.hpp"

#include <array>
#include <string_view>

namespace tvk {

namespace {

constexpr std::array<std::string_view, 2> safeLinksHosts { "safelinks.protection.outlook.com", "safelinks.protection.office365.us" };

}

bool isOutlookSafeLink(const Url& url)
{
    const auto& text = url.absoluteString();
    for (auto host : safeLinksHosts) {
        if (text.find(host) != std::string::npos)
            return true;
    }
    return false;
}

std::optional<Url> unwrappedOutlookSafelinkUrl(const Url& url)
{
    if (!isOutlookSafeLink(url))
        return std::nullopt;
    auto item = UrlComponents(url).firstQueryItem("url");
    if (!item || !item->value)
        return std::nullopt;
    return Url::make(*item->value);
}

}

#include "TVKCore/VideoConference/VideoConferenceLink.hpp"

#include "Platform/Text/PercentEncoding.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>

namespace tvk {

bool VideoConferenceLink::isGoogle() const
{
    const auto& google = VideoConferenceService::googleServices;
    return std::find(google.begin(), google.end(), service) != google.end();
}

Url VideoConferenceLink::makeGoogleUrl(const std::optional<std::string>& accountEmail) const
{
    Url meeting = url;
    if (auto item = UrlComponents(url).firstQueryItem("continue"); item && item->value) {
        if (auto continued = Url::make(*item->value))
            meeting = std::move(*continued);
    }
    if (!accountEmail)
        return meeting;
    // Each value encoded as a query item: "jane+work@gmail.com" must not arrive as a space, nor
    // the meeting's own query be taken for more items of the chooser's.
    auto email = percentEncoded(*accountEmail, UrlCharacterSet::queryItemAllowed);
    auto continued = percentEncoded(meeting.absoluteString(), UrlCharacterSet::queryItemAllowed);
    if (!email || !continued)
        return url;
    auto chooser = Url::make("https://accounts.google.com/AccountChooser?Email=" + *email + "&continue=" + *continued);
    return chooser ? std::move(*chooser) : url;
}

nlohmann::json VideoConferenceLink::toJson() const
{
    return nlohmann::json { { "service", service.toJson() }, { "url", url.absoluteString() } };
}

tl::expected<VideoConferenceLink, std::string> VideoConferenceLink::fromJson(const nlohmann::json& json)
{
    if (!json.is_object())
        return tl::unexpected(std::string("a link is not a keyed record"));
    auto service = json.find("service");
    if (service == json.end())
        return tl::unexpected(std::string("key \"service\" is missing"));
    auto decodedService = VideoConferenceService::fromJson(*service);
    if (!decodedService)
        return tl::unexpected("service: " + decodedService.error());
    auto text = json.find("url");
    if (text == json.end())
        return tl::unexpected(std::string("key \"url\" is missing"));
    if (!text->is_string())
        return tl::unexpected(std::string("\"url\" is not a string"));
    auto decodedUrl = Url::make(text->get<std::string>());
    if (!decodedUrl)
        return tl::unexpected("\"" + text->get<std::string>() + "\" is not a valid URL");
    return VideoConferenceLink { std::move(*decodedService), std::move(*decodedUrl) };
}

}

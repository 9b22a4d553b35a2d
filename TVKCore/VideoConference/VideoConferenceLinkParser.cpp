#include "TVKCore/VideoConference/VideoConferenceLinkParser.hpp"

#include "Platform/Runtime/ProcessWideInstance.hpp"
#include "Platform/Text/AsciiCase.hpp"
#include "Platform/Text/LinkDetector.hpp"
#include "Platform/Text/PercentEncoding.hpp"
#include "Platform/Text/RegularExpression.hpp"
#include "TVKCore/VideoConference/ConferenceServicesFile.hpp"
#include "TVKCore/VideoConference/OutlookSafeLinks.hpp"
#include "TVKUtils/Checksum.hpp"

#include <algorithm>
#include <functional>
#include <unordered_set>

namespace tvk {

namespace {

std::vector<VideoConferenceService> builtInAndConfiguredServices()
{
    auto services = VideoConferenceService::all;
    ConferenceServicesFile::install();
    if (auto configured = ConferenceServicesFile::load())
        services.insert(services.end(), configured->begin(), configured->end());
    return services;
}

// The path of Google's search redirect, as `unwrappingGoogleRedirect` recognises it.
constexpr std::string_view redirectPath = "/url?q";

// Replaces every occurrence of `prefix`, compared without regard to ASCII letter case since
// schemes and host names have none.
std::string replacingPrefixIgnoringCase(std::string_view text, std::string_view prefix, std::string_view replacement)
{
    std::string result;
    result.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        if (startsWithIgnoringAsciiCase(text.substr(i), prefix)) {
            result += replacement;
            i += prefix.size();
        } else {
            result += text[i++];
        }
    }
    return result;
}

}

VideoConferenceLinkParser& VideoConferenceLinkParser::shared()
{
    static auto* instance = new ProcessWideInstance<VideoConferenceLinkParser>;
    return instance->get([] { return new VideoConferenceLinkParser(); });
}

VideoConferenceLinkParser::VideoConferenceLinkParser()
    : VideoConferenceLinkParser(builtInAndConfiguredServices())
{
}

VideoConferenceLinkParser::VideoConferenceLinkParser(std::vector<VideoConferenceService> services)
    : m_services(std::move(services))
{
    for (const auto& service : m_services)
        m_patterns.push_back(service.pattern());
}

const VideoConferenceService* VideoConferenceLinkParser::firstMatchingService(const Url& url) const
{
    // `matches(url:)` of each service, with the Safe Links target and the lower-cased text
    // worked out once for all of them.
    auto safeLinkTarget = unwrappedOutlookSafelinkUrl(url);
    std::string text = (safeLinkTarget ? *safeLinkTarget : url).absoluteString();
    for (auto& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    for (std::size_t i = 0; i < m_services.size(); ++i) {
        if (m_patterns[i].matchesLowercasedText(text))
            return &m_services[i];
    }
    return nullptr;
}

std::vector<VideoConferenceLink> VideoConferenceLinkParser::parse(std::string_view input) const
{
    auto key = crc32(input);
    auto fingerprint = static_cast<std::uint64_t>(std::hash<std::string_view> {}(input));
    if (auto cached = m_linksCache.object(key);
        cached && *cached && (*cached)->fingerprint == fingerprint && (*cached)->length == input.size())
        return (*cached)->links;

    std::vector<Url> urls;
    std::unordered_set<std::string> seen;
    // Calendar programs wrap an anchor's href in a Google redirect and write the meeting's
    // address as the anchor's text: that is one link, compared after unwrapping.
    auto redirectTarget = [](std::string_view href) -> std::optional<std::string> {
        // Most hrefs are no redirect; a look for the redirect's path spares them the parse.
        auto path = std::search(href.begin(), href.end(), redirectPath.begin(), redirectPath.end(),
            [](char a, char b) { return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b; });
        if (path == href.end())
            return std::nullopt;
        auto url = Url::make(href);
        if (!url)
            return std::nullopt;
        auto unwrapped = unwrappingGoogleRedirect(*url);
        if (unwrapped == *url)
            return std::nullopt;
        return unwrapped.absoluteString();
    };
    for (auto& detected : LinkDetector::shared().matches(input, redirectTarget)) {
        auto url = Url::make(detected.url);
        if (!url)
            continue;
        auto unwrapped = unwrappingGoogleRedirect(*url);
        if (!seen.insert(unwrapped.absoluteString()).second)
            continue;
        urls.push_back(std::move(unwrapped));
        if (urls.size() == maximumUrlsPerText)
            break;
    }

    std::vector<VideoConferenceLink> links;
    for (auto& url : urls) {
        if (const auto* service = firstMatchingService(url))
            links.push_back({ *service, std::move(url) });
    }
    m_linksCache.setObject(std::make_shared<const CacheEntry>(CacheEntry { fingerprint, input.size(), links }), key);
    return links;
}

std::optional<std::vector<VideoConferenceLink>> VideoConferenceLinkParser::cachedLinks(std::uint32_t key) const
{
    auto cached = m_linksCache.object(key);
    if (!cached || !*cached)
        return std::nullopt;
    return (*cached)->links;
}

std::optional<Url> VideoConferenceLinkParser::nativeUrl(const VideoConferenceLink& link) const
{
    auto safeLinkTarget = unwrappedOutlookSafelinkUrl(link.url);
    const Url& url = safeLinkTarget ? *safeLinkTarget : link.url;
    if (link.service == VideoConferenceService::zoom) {
        auto host = url.host();
        if (!host)
            return std::nullopt;
        std::string native = "zoommtg://" + *host + "/join?confno=" + url.lastPathComponent();
        // The passcode as the component parser decoded it, encoded again as a query value: an
        // "&" or "#" in it must not end it.
        if (auto password = UrlComponents(url).firstQueryItem("pwd"); password && password->value) {
            if (auto encoded = percentEncoded(*password->value, UrlCharacterSet::queryItemAllowed))
                native += "&pwd=" + *encoded;
        }
        return Url::make(native);
    }
    if (link.service == VideoConferenceService::microsoftTeams)
        return Url::make(replacingPrefixIgnoringCase(url.absoluteString(), "https://teams.microsoft.com", "msteams:"));
    return std::nullopt;
}

Url VideoConferenceLinkParser::unwrappingGoogleRedirect(const Url& url)
{
    // Google's web search on any country domain ("www.google.com", "www.google.de",
    // "www.google.co.uk", "www.google.com.au"), at the start of the URL.
    static const auto redirect = RegularExpression::make(
        R"(^https://(?:www\.)?google\.(?:[a-z]{2,3}|co\.[a-z]{2}|com\.[a-z]{2})/url\?q=*)", { .caseInsensitive = true });
    if (!redirect || !redirect->firstMatch(url.absoluteString()))
        return url;
    auto item = UrlComponents(url).firstQueryItem("q");
    if (!item || !item->value)
        return url;
    auto decoded = percentDecoded(*item->value);
    if (!decoded)
        return url;
    auto target = Url::make(*decoded);
    return target ? std::move(*target) : url;
}

}

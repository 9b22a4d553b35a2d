// Invitation texts come from anyone who can send the user a calendar invitation. Besides not
// crashing, every link found must match its service the way `matches(url:)` says (the parser
// takes shortcuts to the same answer), a second parse must answer from the cache with the same
// links, and the detector's ranges must lie inside the text on character boundaries.

#include "Platform/Text/LinkDetector.hpp"
#include "Platform/Text/PercentEncoding.hpp"
#include "TVKCore/VideoConference/VideoConferenceLinkParser.hpp"

#include <cstdint>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string_view>

using namespace tvk;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);

    for (const auto& detected : LinkDetector::shared().matches(text)) {
        if (detected.range.end() > text.size() || detected.range.length == 0)
            std::abort();
        if (!isValidUtf8(detected.range.of(text)) || !isValidUtf8(detected.url))
            std::abort();
    }

    VideoConferenceLinkParser parser(VideoConferenceService::all);
    auto links = parser.parse(text);
    for (const auto& link : links) {
        if (!link.service.matches(link.url))
            std::abort();
        (void)parser.nativeUrl(link);
        (void)link.makeGoogleUrl("jane@example.com");
        auto decoded = VideoConferenceLink::fromJson(nlohmann::json::parse(link.toJson().dump()));
        if (!decoded || *decoded != link)
            std::abort();
    }
    if (parser.parse(text) != links)
        std::abort();
    return 0;
}

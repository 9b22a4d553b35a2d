#pragma once

#include "Platform/Runtime/MemoryCache.hpp"
#include "Platform/Text/Url.hpp"
#include "TVKCore/VideoConference/VideoConferenceLink.hpp"
#include "TVKCore/VideoConference/VideoConferenceService.hpp"

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace tvk {

/// Finds the video-call links in free text (an event's notes, location or URL) and turns Zoom
/// and Teams links into their desktop applications' URLs.
///
/// Safe to use from any number of threads: the service list is fixed once made, compiled
/// patterns and the link detector are immutable, and the cache is thread-safe.
class VideoConferenceLinkParser {
public:
    /// The process-wide parser, made on first use: the built-in services followed by those of
    /// "ConferenceServices.plist", which is seeded first when missing.
    static VideoConferenceLinkParser& shared();

    /// A parser as `shared()` makes it, reading the services file now.
    VideoConferenceLinkParser();
    /// A parser over exactly these services, without any file.
    explicit VideoConferenceLinkParser(std::vector<VideoConferenceService> services);

    const std::vector<VideoConferenceService>& services() const { return m_services; }

    /// The links in `input`, in order of first appearance, one per distinct URL (after Google
    /// redirects are unwrapped), each tagged with the first service in `services()` that
    /// matches it; URLs of no known service are left out. Never fails.
    ///
    /// Results are cached under the CRC-32 of the input's bytes for the life of the parser.
    /// Each entry also keeps a second, independent fingerprint of its text (64-bit hash and
    /// length): a different text that happens to share the CRC-32 is parsed afresh and takes
    /// the entry over, rather than being handed someone else's meeting link. At most
    /// `maximumUrlsPerText` distinct URLs of one text are looked at.
    std::vector<VideoConferenceLink> parse(std::string_view input) const;

    /// The desktop application's URL of a Zoom ("zoommtg://<host>/join?confno=…&pwd=…") or
    /// Microsoft Teams ("msteams:/l/meetup-join/…") link, read through an Outlook Safe Link;
    /// none for every other service, `zoomNative` included.
    std::optional<Url> nativeUrl(const VideoConferenceLink& link) const;

    /// What the cache holds under a key (the CRC-32 of a parsed text), for diagnostics.
    std::optional<std::vector<VideoConferenceLink>> cachedLinks(std::uint32_t key) const;

    /// The address behind a Google search redirect ("https://www.google.<country>/url?q=…"),
    /// or `url` itself when it is none or its "q" does not hold a URL.
    static Url unwrappingGoogleRedirect(const Url& url);

    static constexpr std::size_t maximumUrlsPerText = 1000;

private:
    struct CacheEntry {
        std::uint64_t fingerprint = 0;
        std::size_t length = 0;
        std::vector<VideoConferenceLink> links;
    };
    using Links = std::shared_ptr<const CacheEntry>;

    /// The first service that matches `url`, if any.
    const VideoConferenceService* firstMatchingService(const Url& url) const;

    std::vector<VideoConferenceService> m_services;
    /// The compiled pattern of each service, in the same order.
    std::vector<VideoConferenceService::Pattern> m_patterns;
    mutable MemoryCache<std::uint32_t, Links> m_linksCache;
};

}

#pragma once

#include "Platform/Text/Url.hpp"
#include "TVKCore/VideoConference/VideoConferenceService.hpp"

#include <functional>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <tl/expected.hpp>

namespace tvk {

/// A link to a video call found in a text, with the service whose pattern it matched. `url`
/// is the link as written (a Google search redirect already unwrapped, an Outlook Safe Link
/// kept as it is).
struct VideoConferenceLink {
    VideoConferenceService service;
    Url url;

    /// Whether the service is one of `VideoConferenceService::googleServices`, compared on all
    /// four fields: a file entry with a Google id but another pattern is not Google.
    bool isGoogle() const;

    /// The link to open in a browser for the given Google account: Google's account chooser
    /// with the account and the meeting (the URL's "continue" item when it holds a URL, else
    /// the URL), or that meeting URL alone without an account. The e-mail and the meeting are
    /// inserted as they are, not percent-encoded, as the account chooser expects them; when
    /// the result does not parse (an e-mail with blanks), the link's own URL.
    Url makeGoogleUrl(const std::optional<std::string>& accountEmail) const;

    /// The keyed record {"service": {…}, "url": "…"}.
    nlohmann::json toJson() const;
    static tl::expected<VideoConferenceLink, std::string> fromJson(const nlohmann::json& json);

    bool operator==(const VideoConferenceLink&) const = default;

    /// The FaceTime link of the in-app demo event, made once without the parser (see
    /// `DemoLinks.hpp` for the other demo links).
    static const VideoConferenceLink& demo();
};

}

template <> struct std::hash<tvk::VideoConferenceLink> {
    size_t operator()(const tvk::VideoConferenceLink& link) const noexcept
    {
        return std::hash<tvk::VideoConferenceService>()(link.service) * 1099511628211ull ^ std::hash<tvk::Url>()(link.url);
    }
};

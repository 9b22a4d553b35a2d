#pragma once

#include "Platform/Runtime/UUID.hpp"
#include "Platform/Text/PropertyList.hpp"
#include "Platform/Text/Url.hpp"

#include <functional>
#include <memory>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <tl/expected.hpp>
#include <vector>

namespace tvk {

/// A video-call service: the ICU pattern its links match and whether its desktop application
/// can be opened directly. Built with designated initializers; a service made without an `id`
/// gets a fresh UUID.
///
/// The built-in services are constants, listed in `all` in the order that decides which
/// service a link belongs to when several patterns match it. They are ordinary globals: use
/// them from functions, never from another translation unit's static initializers.
struct VideoConferenceService {
    std::string id = UUID().uuidString();
    /// Searched for (not anchored) in the lower-cased absolute text of a URL.
    std::string regex;
    std::string name;
    bool supportsNativeApp = false;

    /// Whether the pattern finds a match in `url` (the Safe Links target when `url` is an
    /// Outlook Safe Link), lower-cased. A pattern that does not compile matches nothing; that
    /// is logged once per pattern.
    bool matches(const Url& url) const;

    /// The pattern compiled once, to test many texts against it without looking it up.
    class Pattern {
    public:
        /// The search of `matches` alone, on text already unwrapped and lower-cased.
        bool matchesLowercasedText(std::string_view text) const;

    private:
        friend struct VideoConferenceService;
        std::shared_ptr<const struct CompiledPattern> m_compiled;
    };
    Pattern pattern() const;

    /// The keyed record {"id", "regex", "name", "supportsNativeApp"}; all four are required
    /// when reading, with exactly these types.
    nlohmann::json toJson() const;
    static tl::expected<VideoConferenceService, std::string> fromJson(const nlohmann::json& json);
    /// A dictionary of the services file, with the same keys and requirements.
    static tl::expected<VideoConferenceService, std::string> fromPropertyList(const PropertyList& value);

    bool operator==(const VideoConferenceService&) const = default;

    static const VideoConferenceService googleHangouts;
    static const VideoConferenceService googleMeet;
    static const VideoConferenceService zoom;
    static const VideoConferenceService zoomNative;
    static const VideoConferenceService webex;
    static const VideoConferenceService webexWebinar;
    static const VideoConferenceService microsoftTeams;
    static const VideoConferenceService goTo;
    static const VideoConferenceService goToWebinar;
    static const VideoConferenceService bluejeans;
    static const VideoConferenceService joinMe;
    static const VideoConferenceService whereby;
    static const VideoConferenceService ringCentral;
    static const VideoConferenceService amazonChime;
    static const VideoConferenceService faceTime;
    static const VideoConferenceService jitsi;
    static const VideoConferenceService youcanbookme;
    static const VideoConferenceService entre;
    static const VideoConferenceService riverside;
    static const VideoConferenceService slackHuddle;
    static const VideoConferenceService metaWorkplace;
    static const VideoConferenceService skype;
    static const VideoConferenceService around;
    static const VideoConferenceService teamSpeakNative;
    static const VideoConferenceService doxyMe;

    /// The 25 built-in services, in matching order.
    static const std::vector<VideoConferenceService> all;
    /// `googleHangouts`, then `googleMeet`.
    static const std::vector<VideoConferenceService> googleServices;
};

}

template <> struct std::hash<tvk::VideoConferenceService> {
    size_t operator()(const tvk::VideoConferenceService& service) const noexcept
    {
        size_t hash = std::hash<std::string>()(service.id);
        for (size_t part : { std::hash<std::string>()(service.regex), std::hash<std::string>()(service.name),
                 static_cast<size_t>(service.supportsNativeApp) })
            hash = hash * 1099511628211ull ^ part;
        return hash;
    }
};

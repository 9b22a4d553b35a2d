#include "TVKCore/VideoConference/VideoConferenceService.hpp"

#include "Platform/Text/AsciiCase.hpp"
#include "Platform/Text/RegularExpression.hpp"
#include "Platform/Text/RequiredLiterals.hpp"
#include "QMLogger/QMLogger.hpp"
#include "TVKCore/LogCategories.hpp"
#include "TVKCore/VideoConference/OutlookSafeLinks.hpp"

#include <nlohmann/json.hpp>

#include <memory>
#include <mutex>
#include <shared_mutex>
#include <unordered_map>

namespace tvk {

struct CompiledPattern {
    std::optional<RegularExpression> expression;
    std::vector<std::string> requiredLiterals;
};

namespace {

// Patterns are compiled once per distinct text and shared: compiled ICU patterns are immutable
// and a match costs far less than a compilation. Beside each pattern are the literals that
// any of its matches contains: most links belong to no service, and a substring search rules
// a pattern out for them at a fraction of the cost of running it. The table is bounded so
// that a stream of made-up services cannot grow it without end; past the bound patterns are
// compiled per use.
class CompiledPatterns {
public:
    static CompiledPatterns& shared()
    {
        static auto* patterns = new CompiledPatterns;
        return *patterns;
    }

    std::shared_ptr<const CompiledPattern> pattern(const VideoConferenceService& service)
    {
        {
            std::shared_lock lock(m_mutex);
            if (auto found = m_patterns.find(service.regex); found != m_patterns.end())
                return found->second;
        }
        auto compiled = RegularExpression::make(service.regex, {}, timeLimit);
        auto pattern = std::make_shared<CompiledPattern>();
        if (compiled) {
            pattern->expression = std::move(*compiled);
            pattern->requiredLiterals = requiredLiterals(service.regex);
        }
        std::unique_lock lock(m_mutex);
        if (m_patterns.size() >= maximumCount)
            return pattern;
        auto [entry, inserted] = m_patterns.emplace(service.regex, std::move(pattern));
        // Taken while the lock is held: the map's nodes are not ours once it is released.
        auto kept = entry->second;
        lock.unlock();
        if (inserted && !compiled) {
            QMLogger::error(LogCategories::conferenceLinks,
                "The pattern of conference service \"" + service.id + "\" does not compile, so it matches nothing: " + compiled.error());
        }
        return kept;
    }

private:
    static constexpr std::size_t maximumCount = 4096;
    // A URL is searched in microseconds by any sensible pattern; a pattern from the services
    // file that backtracks catastrophically is stopped after some ten milliseconds per URL
    // (the default limit would let it spend seconds on every link of every reload).
    static constexpr int timeLimit = 20;
    std::shared_mutex m_mutex;
    std::unordered_map<std::string, std::shared_ptr<const CompiledPattern>> m_patterns;
};

// The subdomain prefixes of the table: a run of labels, each ending in a dot, so that a
// prefix can never glue onto the service's domain ("evilzoom.us").
#define TVK_PREFIX_LETTERS_DIGITS_HYPHENS_ANY_CASE "(?:[a-zA-Z0-9-]+\\.)*"
#define TVK_PREFIX_LETTERS_DIGITS_HYPHENS "(?:[a-z0-9-]+\\.)*"
#define TVK_PREFIX_LETTERS_DIGITS "(?:[a-z0-9]+\\.)*"
// Zoom's international, China, government and newer .com domains.
#define TVK_ZOOM_DOMAINS "(?:zoom\\.us|zoom\\.com|zoom\\.com\\.cn|zoomgov\\.com)"
#define TVK_ZOOM_MEETING_CHARACTERS "[-a-zA-Z0-9()@:%_+.~#?&=/]*"

}

const VideoConferenceService VideoConferenceService::googleHangouts {
    .id = "googleHangouts",
    .regex = R"(https?://hangouts\.google\.com/\S*)",
    .name = "Google Hangouts",
    .supportsNativeApp = false,
};

const VideoConferenceService VideoConferenceService::googleMeet {
    .id = "googleMeet",
    .regex = R"(https?://meet\.google\.com/(?:_meet/)?[a-z-]+)",
    .name = "Google Meet",
    .supportsNativeApp = false,
};

// Meetings (/j/), personal links (/my/) and webinars (/w/), on any regional or company
// subdomain ("us02web.zoom.us", "acme.zoom.us", "acme.zoomgov.com").
const VideoConferenceService VideoConferenceService::zoom {
    .id = "zoom",
    .regex = "https?://" TVK_PREFIX_LETTERS_DIGITS_HYPHENS_ANY_CASE TVK_ZOOM_DOMAINS "/(?:j|my|w)/" TVK_ZOOM_MEETING_CHARACTERS,
    .name = "Zoom",
    .supportsNativeApp = true,
};

const VideoConferenceService VideoConferenceService::zoomNative {
    .id = "zoomNative",
    .regex = "zoommtg://" TVK_PREFIX_LETTERS_DIGITS_HYPHENS TVK_ZOOM_DOMAINS "/join" TVK_ZOOM_MEETING_CHARACTERS,
    .name = "Zoom",
    .supportsNativeApp = true,
};

// Personal rooms ("/meet/name", also written "/join/name") and the join-service links the
// Webex API hands out ("/wbxmjs/joinservice/…").
const VideoConferenceService VideoConferenceService::webex {
    .id = "webex",
    .regex = "https?://" TVK_PREFIX_LETTERS_DIGITS_HYPHENS R"(webex\.com/(?:meet|join|wbxmjs/joinservice)/\S*)",
    .name = "Webex",
    .supportsNativeApp = false,
};

// Scheduled meetings and webinars: "https://site.webex.com/site/j.php?MTID=…".
const VideoConferenceService VideoConferenceService::webexWebinar {
    .id = "webexWebinar",
    .regex = "https?://" TVK_PREFIX_LETTERS_DIGITS_HYPHENS R"(webex\.com/\S*/j\.php\?)",
    .name = "Webex Webinar",
    .supportsNativeApp = false,
};

// Work and school meetings (/l/meetup-join/…), the short links with a meeting number and
// passcode (/meet/<number>?p=…), personal Teams (teams.live.com), the cloud.microsoft
// domain, and the GCC High and DoD clouds.
const VideoConferenceService VideoConferenceService::microsoftTeams {
    .id = "microsoftTeams",
    .regex = R"(https?://(?:teams\.microsoft\.com|teams\.live\.com|teams\.cloud\.microsoft|(?:gov|dod)\.teams\.microsoft\.us))"
             R"(/(?:l/meetup-join|meet)/[a-zA-Z0-9_%/=\-+.?]+)",
    .name = "Microsoft Teams",
    .supportsNativeApp = true,
};

// "global.gotomeeting.com/join/<id>", personal rooms on gotomeet.me, and the current
// "meet.goto.com/<id>".
const VideoConferenceService VideoConferenceService::goTo {
    .id = "goTo",
    .regex = "https?://" TVK_PREFIX_LETTERS_DIGITS R"((?:gotomeeting\.com|gotomeet\.me|meet\.goto\.com)/\S*)",
    .name = "GoToMeeting",
    .supportsNativeApp = false,
};

const VideoConferenceService VideoConferenceService::goToWebinar {
    .id = "goToWbinar",
    .regex = "https?://" TVK_PREFIX_LETTERS_DIGITS R"(gotowebinar\.com/\S*)",
    .name = "GoToWebinar",
    .supportsNativeApp = false,
};

const VideoConferenceService VideoConferenceService::bluejeans {
    .id = "bluejeans",
    .regex = "https?://" TVK_PREFIX_LETTERS_DIGITS R"(bluejeans\.com/\S*)",
    .name = "BlueJeans",
    .supportsNativeApp = false,
};

const VideoConferenceService VideoConferenceService::joinMe {
    .id = "joinMe",
    .regex = R"(https?://(?:www\.)?join\.me/\S*)",
    .name = "join.me",
    .supportsNativeApp = false,
};

// Rooms on whereby.com and on the subdomains of embedded Whereby ("acme.whereby.com/room").
const VideoConferenceService VideoConferenceService::whereby {
    .id = "whereby",
    .regex = R"(https?://(?:[a-z0-9-]+\.)?whereby\.com/\S*)",
    .name = "Whereby",
    .supportsNativeApp = false,
};

// "meetings.ringcentral.com/j/<id>", "v.ringcentral.com/join/<id>".
const VideoConferenceService VideoConferenceService::ringCentral {
    .id = "ringCentral",
    .regex = "https?://" TVK_PREFIX_LETTERS_DIGITS R"(ringcentral\.com/\S*)",
    .name = "RingCentral",
    .supportsNativeApp = false,
};

const VideoConferenceService VideoConferenceService::amazonChime {
    .id = "amazonChime",
    .regex = "https?://" TVK_PREFIX_LETTERS_DIGITS_HYPHENS R"(chime\.aws/[0-9]*)",
    .name = "Amazon Chime",
    .supportsNativeApp = false,
};

const VideoConferenceService VideoConferenceService::faceTime {
    .id = "faceTime",
    .regex = R"(https://facetime\.apple\.com/join\S*)",
    .name = "FaceTime",
    .supportsNativeApp = false,
};

const VideoConferenceService VideoConferenceService::jitsi {
    .id = "jitsi",
    .regex = R"(https?://meet\.jit\.si/\S*)",
    .name = "Jitsi",
    .supportsNativeApp = false,
};

const VideoConferenceService VideoConferenceService::youcanbookme {
    .id = "youcanbookme",
    .regex = "https?://" TVK_PREFIX_LETTERS_DIGITS_HYPHENS_ANY_CASE R"(youcanbook\.me/(?:zoom|google-meet|microsoft-teams)/*)",
    .name = "YouCanBook.me",
    .supportsNativeApp = false,
};

const VideoConferenceService VideoConferenceService::entre {
    .id = "entre",
    .regex = R"(https?://(?:www\.)?joinentre\.com/room/\S*)",
    .name = "Entre",
    .supportsNativeApp = false,
};

const VideoConferenceService VideoConferenceService::riverside {
    .id = "riverside",
    .regex = R"(https?://(?:www\.)?riverside\.fm/studio/\S*)",
    .name = "Riverside",
    .supportsNativeApp = false,
};

// "app.slack.com/huddle/<team>/<channel>".
const VideoConferenceService VideoConferenceService::slackHuddle {
    .id = "slackHuddle",
    .regex = R"(https?://app\.slack\.com/huddle/[a-z0-9./]+)",
    .name = "Slack Huddle",
    .supportsNativeApp = false,
};

// The trailing blank of the name is what stored links and the main application carry.
const VideoConferenceService VideoConferenceService::metaWorkplace {
    .id = "facebookWorkspace",
    .regex = "https?://" TVK_PREFIX_LETTERS_DIGITS_HYPHENS R"(workplace\.com/\S+)",
    .name = "Meta Workplace ",
    .supportsNativeApp = false,
};

const VideoConferenceService VideoConferenceService::skype {
    .id = "skype",
    .regex = R"(https?://join\.skype\.com/\S*)",
    .name = "Skype",
    .supportsNativeApp = false,
};

const VideoConferenceService VideoConferenceService::around {
    .id = "around",
    .regex = R"(https?://(?:meet\.)?around\.co/r/\S*)",
    .name = "Around",
    .supportsNativeApp = false,
};

// As a regular expression "ts3server://*" is "ts3server:/" followed by any number of
// slashes, so any TeamSpeak server address matches.
const VideoConferenceService VideoConferenceService::teamSpeakNative {
    .id = "teamSpeak",
    .regex = "ts3server://*",
    .name = "TeamSpeak",
    .supportsNativeApp = true,
};

const VideoConferenceService VideoConferenceService::doxyMe {
    .id = "doxyMe",
    .regex = R"(https://doxy\.me/\S*)",
    .name = "doxy.me",
    .supportsNativeApp = false,
};

const std::vector<VideoConferenceService> VideoConferenceService::all {
    googleHangouts,
    googleMeet,
    zoom,
    zoomNative,
    webex,
    webexWebinar,
    microsoftTeams,
    goTo,
    goToWebinar,
    bluejeans,
    joinMe,
    whereby,
    ringCentral,
    amazonChime,
    faceTime,
    jitsi,
    youcanbookme,
    entre,
    riverside,
    slackHuddle,
    metaWorkplace,
    skype,
    around,
    teamSpeakNative,
    doxyMe,
};

const std::vector<VideoConferenceService> VideoConferenceService::googleServices { googleHangouts, googleMeet };

bool VideoConferenceService::matches(const Url& url) const
{
    auto safeLinkTarget = unwrappedOutlookSafelinkUrl(url);
    const Url& target = safeLinkTarget ? *safeLinkTarget : url;
    return pattern().matchesLowercasedText(asciiLowercased(target.absoluteString()));
}

VideoConferenceService::Pattern VideoConferenceService::pattern() const
{
    Pattern pattern;
    pattern.m_compiled = CompiledPatterns::shared().pattern(*this);
    return pattern;
}

bool VideoConferenceService::Pattern::matchesLowercasedText(std::string_view text) const
{
    return m_compiled && m_compiled->expression && containsAnyRequiredLiteral(text, m_compiled->requiredLiterals)
        && m_compiled->expression->firstMatch(text).has_value();
}

nlohmann::json VideoConferenceService::toJson() const
{
    return nlohmann::json { { "id", id }, { "regex", regex }, { "name", name }, { "supportsNativeApp", supportsNativeApp } };
}

tl::expected<VideoConferenceService, std::string> VideoConferenceService::fromJson(const nlohmann::json& json)
{
    if (!json.is_object())
        return tl::unexpected(std::string("a service is not a keyed record"));
    VideoConferenceService service { .id = {} };
    for (auto [key, field] :
        { std::pair { "id", &service.id }, std::pair { "regex", &service.regex }, std::pair { "name", &service.name } }) {
        auto found = json.find(key);
        if (found == json.end())
            return tl::unexpected(std::string("key \"") + key + "\" is missing");
        if (!found->is_string())
            return tl::unexpected(std::string("\"") + key + "\" is not a string");
        *field = found->get<std::string>();
    }
    auto native = json.find("supportsNativeApp");
    if (native == json.end())
        return tl::unexpected(std::string("key \"supportsNativeApp\" is missing"));
    if (!native->is_boolean())
        return tl::unexpected(std::string("\"supportsNativeApp\" is not a Boolean"));
    service.supportsNativeApp = native->get<bool>();
    return service;
}

tl::expected<VideoConferenceService, std::string> VideoConferenceService::fromPropertyList(const PropertyList& value)
{
    const auto* dictionary = value.get<PropertyList::Dictionary>();
    if (!dictionary)
        return tl::unexpected(std::string("a service is not a dictionary"));
    VideoConferenceService service { .id = {} };
    for (auto [key, field] :
        { std::pair { "id", &service.id }, std::pair { "regex", &service.regex }, std::pair { "name", &service.name } }) {
        auto found = dictionary->find(key);
        if (found == dictionary->end())
            return tl::unexpected(std::string("key \"") + key + "\" is missing");
        const auto* text = found->second.get<std::string>();
        if (!text)
            return tl::unexpected(std::string("\"") + key + "\" is not a string");
        *field = *text;
    }
    auto native = dictionary->find("supportsNativeApp");
    if (native == dictionary->end())
        return tl::unexpected(std::string("key \"supportsNativeApp\" is missing"));
    const auto* flag = native->second.get<bool>();
    if (!flag)
        return tl::unexpected(std::string("\"supportsNativeApp\" is not a Boolean"));
    service.supportsNativeApp = *flag;
    return service;
}

}

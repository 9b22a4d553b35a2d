#include "TVKCore/Join/JoinTarget.hpp"

#include "Platform/Desktop/Workspace.hpp"
#include "TVKCore/Events/EventPrinting.hpp"
#include "TVKCore/Settings/EventSettingsStore.hpp"
#include "TVKCore/Settings/UserSettingsStore.hpp"
#include "TVKCore/VideoConference/OpenableLinks.hpp"
#include "TVKCore/VideoConference/VideoConferenceLinkParser.hpp"

#include <algorithm>

namespace tvk {

std::optional<JoinTarget> JoinTarget::make(const Event& event, const std::optional<std::string>& googleAccountEmail,
    const std::function<bool(const std::string& scheme)>& hasHandler)
{
    auto link = joinLink(event);
    if (!link)
        return std::nullopt;
    if (auto native = VideoConferenceLinkParser::shared().nativeUrl(*link)) {
        // Without its application the desktop would refuse the native URL, or offer to search
        // for a handler; the web link always opens.
        if (auto scheme = native->scheme(); scheme && isOpenableLink(*native) && hasHandler(*scheme))
            return JoinTarget { *link, *native, true };
    }
    if (link->isGoogle() && googleAccountEmail)
        return JoinTarget { *link, link->makeGoogleUrl(googleAccountEmail), false };
    return JoinTarget { *link, link->url, false };
}

JoinResult planJoinCall(const Event& event, const std::optional<std::string>& googleAccountEmail)
{
    auto& workspace = Workspace::shared();
    auto target = JoinTarget::make(event, googleAccountEmail, [&](const std::string& scheme) { return workspace.hasHandler(scheme); });
    if (!target)
        return { std::nullopt, JoinError::noLink };
    if (!isOpenableLink(target->url))
        return { target, JoinError::unsafeLink };
    return { target, std::nullopt };
}

JoinResult joinCall(const Event& event, const std::optional<std::string>& googleAccountEmail)
{
    auto result = planJoinCall(event, googleAccountEmail);
    if (!result.error && !Workspace::shared().open(result.target->url.absoluteString()))
        result.error = JoinError::notOpened;
    return result;
}

bool canJoinCall(const Event& event, Date now)
{
    if (event.videoConferenceLinks.empty())
        return false;
    bool running = !(now < event.startDate) && !(event.endDate < now);
    if (running)
        return true;
    return isAlertDue(event, now);
}

bool isAlertDue(const Event& event, Date now)
{
    auto offset = static_cast<TimeInterval>(UserSettingsStore::shared().timeOffsetSeconds());
    return event.isPending(offset, EventSettingsStore::shared().customSettings(event.id), now);
}

std::optional<Event> eventToJoin(const std::vector<Event>& current, const std::vector<Event>& upcoming, Date now)
{
    const Event* next = nullptr;
    const Event* running = nullptr;
    for (auto* list : { &current, &upcoming }) {
        for (auto& event : *list) {
            if (!canJoinCall(event, now))
                continue;
            if (now < event.startDate) {
                if (!next || event.startDate < next->startDate)
                    next = &event;
            } else if (!running || event.startDate > running->startDate) {
                running = &event;
            }
        }
    }
    if (next)
        return *next;
    if (running)
        return *running;
    return std::nullopt;
}

std::optional<Event> nextEventWithLink(const std::vector<Event>& upcoming, Date now)
{
    auto found = std::find_if(
        upcoming.begin(), upcoming.end(), [&](const Event& event) { return now < event.startDate && !event.videoConferenceLinks.empty(); });
    if (found == upcoming.end())
        return std::nullopt;
    return *found;
}

}

#pragma once

#include "Platform/Runtime/Date.hpp"
#include "Platform/Text/Url.hpp"
#include "TVKCore/Events/Event.hpp"
#include "TVKCore/VideoConference/VideoConferenceLink.hpp"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <tl/expected.hpp>
#include <vector>

namespace tvk {

/// Where joining an event's call leads: the link a person would click (`joinLink`: the
/// event's one-click link, else its first), opened in the service's desktop application when
/// one is installed for the application's own URL (Zoom, Microsoft Teams), through Google's
/// account chooser for a Google link when the calendar's account is known, else as it is.
struct JoinTarget {
    VideoConferenceLink link;
    /// What is handed to the desktop.
    Url url;
    bool opensNativeApplication = false;

    /// None for an event without links. `hasHandler` tells whether an application for a URL
    /// scheme is installed (`Workspace::hasHandler`).
    static std::optional<JoinTarget> make(const Event& event, const std::optional<std::string>& googleAccountEmail,
        const std::function<bool(const std::string& scheme)>& hasHandler);

    bool operator==(const JoinTarget&) const = default;
};

enum class JoinError {
    /// The event has no video-call link.
    noLink,
    /// The link's scheme is not one a link from calendar data may be opened with.
    unsafeLink,
    /// The desktop has no handler for it, or the handler failed to start.
    notOpened,
};

/// The target, when there is one, and why it was not or may not be opened; a target comes
/// with its error too, so that a message can name the link.
struct JoinResult {
    std::optional<JoinTarget> target;
    std::optional<JoinError> error;
};
/// What joining the event's call would open, with the desktop's installed handlers; an error
/// when there is no link or its scheme is not one of `openableLinkSchemes`.
JoinResult planJoinCall(const Event& event, const std::optional<std::string>& googleAccountEmail);
/// `planJoinCall`, then hands the target to the desktop (`Workspace`), never through a shell.
JoinResult joinCall(const Event& event, const std::optional<std::string>& googleAccountEmail);

/// Whether the event's alert is due at `now` (`Event::isPending` under the user's offset or the
/// event's own, without travel time), as the widgets mark it.
bool isAlertDue(const Event& event, Date now);

/// The rule of an event's join button: the event has a video-call link, and at `now` it is
/// going on (both ends included) or its alert is due (`Event::isPending` under the user's
/// offset or the event's own, without travel time).
bool canJoinCall(const Event& event, Date now);

/// The call a join shortcut means at `now`, among the events going on and coming up: of those
/// whose call can be joined, the next to start, else the one going on that started last (the
/// meeting just begun rather than the one running late).
std::optional<Event> eventToJoin(const std::vector<Event>& current, const std::vector<Event>& upcoming, Date now);

/// The first event of `upcoming` (in its order) that has not started at `now` and has a
/// video-call link, whether or not it can be joined yet.
std::optional<Event> nextEventWithLink(const std::vector<Event>& upcoming, Date now);

}

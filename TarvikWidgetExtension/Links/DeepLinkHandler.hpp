#pragma once

#include "Platform/Widgets/EventPreviewWindow.hpp"
#include "TVKCore/Events/Event.hpp"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace tvk {

/// What the widget program does with a "tarvik" link when no main application takes it: the
/// decision only, over the events it is given; the caller carries it out.
///
/// - joinCall: open the event's default video-call link: the service's desktop application URL
///   when the service has one and an application for its scheme is set up, else the web link.
/// - preview: show the event in a small window.
/// - viewInCalendar: start the user's calendar application.
/// Anything else (a link of another kind, an identifier that names no event, an event without
/// a call) is a notice for the person. A link is opened only with a scheme from
/// `isSafeToOpen`, never through a shell.
class DeepLinkHandler {
public:
    struct OpenURL {
        std::string url;
        bool operator==(const OpenURL&) const = default;
    };
    struct ShowPreview {
        widgets::EventPreview preview;
        bool operator==(const ShowPreview&) const = default;
    };
    struct OpenCalendar {
        std::string eventID;
        bool operator==(const OpenCalendar&) const = default;
    };
    struct Notice {
        std::string title;
        std::string message;
        bool operator==(const Notice&) const = default;
    };
    using Action = std::variant<OpenURL, ShowPreview, OpenCalendar, Notice>;

    /// The event of an identifier, as the widgets show it; none when there is none.
    using EventLookup = std::function<std::optional<Event>(const std::string& eventID)>;
    /// Whether an application is set up for links of a scheme.
    using HandlerCheck = std::function<bool(const std::string& scheme)>;
    /// The owner address of the event's calendar (Google links open in that account).
    using AccountLookup = std::function<std::optional<std::string>(const std::string& eventID)>;
    /// A text of the program's string table by key.
    using Localize = std::function<std::string(std::string_view key)>;

    DeepLinkHandler(EventLookup events, HandlerCheck hasHandler, AccountLookup accounts, Localize localize);

    Action action(std::string_view link) const;

    /// The URL a one-click join opens for the event; none without a video call or when the
    /// URL's scheme is not one to open.
    std::optional<std::string> joinURL(const Event& event) const;
    widgets::EventPreview preview(const Event& event) const;

    /// http, https, mailto, tel, sip and the meeting applications' own schemes (zoommtg,
    /// zoomus, msteams, ts3server, facetime), in any letter case; never "file:" or any scheme
    /// that would run a command.
    static bool isSafeToOpen(std::string_view url);
    /// `text` with its links (`LinkDetector`) that are safe to open marked.
    static widgets::EventPreview::RichText richText(std::string_view text);

private:
    std::string text(std::string_view key, std::string_view argument = {}) const;

    EventLookup m_events;
    HandlerCheck m_hasHandler;
    AccountLookup m_accounts;
    Localize m_localize;
};

}

#pragma once

#include "Platform/Runtime/Color.hpp"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tvk::widgets {

/// What the preview of one event shows, as texts ready to read: the caller formats times and
/// decides which links may be opened.
struct EventPreview {
    /// A piece of text; with `link`, a link that a click opens.
    struct Run {
        std::string text;
        std::optional<std::string> link;
        bool operator==(const Run&) const = default;
    };
    using RichText = std::vector<Run>;

    std::string title;
    std::string time;
    std::optional<std::string> calendarName;
    std::optional<Color> calendarColor;
    RichText location;
    RichText notes;
    std::vector<std::string> participants;
    /// The button that joins the call, when the event has one.
    std::optional<std::string> joinURL;

    /// Labels, in the user's language.
    struct Labels {
        std::string location = "Location";
        std::string notes = "Notes";
        std::string participants = "Participants";
        std::string join = "Join";
        std::string close = "Close";
        bool operator==(const Labels&) const = default;
    };
    Labels labels;

    bool operator==(const EventPreview&) const = default;
};

/// The small windows the widget program shows outside its widgets: the preview of an event and
/// a notice. Each call shows its window and returns once the person has closed it.
class EventPreviewWindow {
public:
    /// As `DesktopWidgetHost::noDisplay`.
    static constexpr int noDisplay = -1;

    /// Opens a link of the preview (in the notes, the location, the join button); says whether
    /// the desktop took it.
    using Opener = std::function<bool(const std::string& url)>;

    /// The title, time, calendar, location, notes with their links, participants and a join
    /// button; the join button opens its link and closes the window. 0 once closed;
    /// `noDisplay` without a usable display.
    static int show(const EventPreview& preview, const Opener& open);
    /// A message with a Close button under the title `title`.
    static int showNotice(const std::string& title, const std::string& message, const std::string& closeLabel);
};

}

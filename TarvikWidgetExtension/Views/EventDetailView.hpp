#pragma once

#include "Platform/Runtime/Date.hpp"
#include "Platform/UI/EnvironmentValues.hpp"
#include "Platform/UI/View.hpp"
#include "TVKCore/Events/Event.hpp"

namespace tvk {

/// One event as a row of the widgets: the calendar-colour bar (an alarm or circle for
/// reminders), the title, the day and time with the travel time under them, the progress of a
/// running event and the join-call button, on a background of the event's colour. It reads
/// the widget family from the environment, the user's alert offset, travel-time setting and
/// the event's own settings at each rendering, and labels the day against the moment it is
/// drawn at; everything else is drawn as at `now`.
struct EventDetailView {
    /// How a widget shows its rows.
    struct Configuration {
        enum class CameraButtonLocation {
            /// At the right of the whole row, centred vertically.
            center,
            /// At the end of the time line, after a spacer.
            inline_,
        };

        /// Carried as each widget sets it; the travel line depends only on the event and the
        /// user's setting.
        bool showsTravelTime = false;
        int titleLineLimit = 1;
        CameraButtonLocation cameraButtonLocation = CameraButtonLocation::center;
        bool showsEventProgress = false;

        /// The row under the countdown.
        static Configuration countdown();
        /// Rows of the upcoming list: two title lines and the button inline in the small
        /// family, one line and the button at the centre otherwise.
        static Configuration upcomingList(ui::WidgetFamily family);
        /// Rows of the current list: as the upcoming list's, with the progress of each event.
        static Configuration currentList(ui::WidgetFamily family);

        bool operator==(const Configuration&) const = default;
    };

    Event event;
    Date now;
    Configuration configuration;

    ui::View body(const ui::EnvironmentValues& environment) const;
};

}

#pragma once

#include "Platform/Widgets/WidgetConfiguration.hpp"
#include "Platform/Widgets/WidgetPlacement.hpp"
#include "Platform/Widgets/WidgetStringTable.hpp"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tvk::widgets {

/// The widgets on the desktop: a GTK application with one window that holds the placed
/// widgets as cards at their family's size, drawn through `WidgetContainer` (so they look as
/// the headless `render` command draws them) at the monitor's scale, in the desktop's light or
/// dark look (`DesktopColorScheme`), kept current by a `WidgetHost`.
///
/// - One instance per session: a second start brings the first one's window forward and ends.
/// - Placements live under `placementsKey` in the program's own settings domain
///   (`UserDefaults::standard()`); the first start places `defaultPlacements` and keeps them.
/// - A right click on a card opens its menu: the other sizes the widget comes in, the widgets
///   to add after it (by display name), and its removal; every change is kept at once.
/// - A click inside a link region opens the innermost link's URL through the `Workspace`; the
///   pointer is a hand over links. Each card tells screen readers its texts.
class DesktopWidgetHost {
public:
    static constexpr char placementsKey[] = "placedWidgets";

    struct Options {
        /// The application's identifier on the session bus (a D-Bus name).
        std::string applicationID;
        /// The window's title.
        std::string title = "Widgets";
        std::vector<WidgetPlacement> defaultPlacements;
        std::shared_ptr<const WidgetStringTable> strings;
        /// When set, each drawing of a card rewrites this JSON file with every card's frame,
        /// link regions and texts in the window surface's coordinates, and the colour scheme and
        /// scale drawn with: what tests and diagnostics need to find a card on the screen.
        std::optional<std::filesystem::path> treeFile;
        /// What runs beside the widgets for as long as the host does (the program's alerts, for
        /// one): made on the main thread once the application has started, released when it
        /// shuts down.
        std::function<std::shared_ptr<void>()> companion;
    };

    /// The placements kept in the program's settings; the defaults (then kept) when there are
    /// none or what is kept cannot be read.
    static std::vector<WidgetPlacement> storedPlacements(const std::vector<WidgetPlacement>& defaults);

    /// Chooses GTK's drawing before anything starts a thread: the cards are Cairo drawings, so
    /// the host draws with GTK's Cairo renderer and keeps OpenGL off, which saves about two
    /// thirds of its resident memory (a GL context loads the driver stack). `GSK_RENDERER` or
    /// `GDK_DEBUG` set by the user win.
    static void prepareProcess();

    /// Runs the application until its window closes or the session ends it; the exit status,
    /// or `noDisplay` at once when there is no display to show the window on.
    static constexpr int noDisplay = -1;
    static int run(std::vector<WidgetConfiguration> configurations, Options options);
};

}

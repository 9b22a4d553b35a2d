#pragma once

#include "Platform/Widgets/WidgetBundleRunner.hpp"
#include "Platform/Widgets/WidgetConfiguration.hpp"
#include "Platform/Widgets/WidgetPlacement.hpp"
#include "TarvikWidgetExtension/TarvikWidgetTimelines.hpp"

#include <memory>
#include <string_view>
#include <vector>

namespace tvk {

/// The widget program's three widgets, in the order the host offers them: the countdown to
/// the next event, the upcoming events, the current events. Building them builds their
/// providers (and so the shared calendar event manager).
struct TarvikWidgetBundle {
    /// The program's own string table: Resources/TarvikWidgetExtension.bundle.
    static constexpr std::string_view resourceBundleName = "TarvikWidgetExtension";
    static_assert(resourceBundleName == TarvikWidgetTimelines::resourceBundleName);
    /// The program of the providers alone, which runs the timeline commands in far less memory.
    static constexpr std::string_view timelinesProgram = "TarvikWidgetTimelines";

    std::vector<widgets::WidgetConfiguration> body() const;

    /// What the desktop host shows on its first start: the countdown (small), the upcoming
    /// events and the current events (medium).
    static std::vector<widgets::WidgetPlacement> defaultPlacements();

    /// The handling of the widgets' "tarvik" links (`addLinkCommands`).
    static void addCommands(widgets::WidgetBundleRunner& runner);

    /// The alerts of the schedule as desktop notifications while the host runs, for people
    /// without the main application (`SessionBusAlerts`); nothing without a session bus.
    static std::shared_ptr<void> hostCompanion();

    /// As `TarvikWidgetTimelines::prepareForCommand`.
    static void prepareForCommand();
};

}

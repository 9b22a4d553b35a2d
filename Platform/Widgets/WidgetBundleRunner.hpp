#pragma once

#include "Platform/Widgets/TimelineProgram.hpp"
#include "Platform/Widgets/WidgetPlacement.hpp"

#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tvk::widgets {

/// What a widget program's `main` hands its bundle to. It sets the process up as the platform
/// does (ICU's zone and locale from the environment), shows the widgets on the desktop when no
/// command is given (`DesktopWidgetHost`), and offers the headless commands of
/// `TimelineProgram` and these:
///
///     PROGRAM [--now ISO-8601] [host [--tree FILE.json]]
///     PROGRAM [--now ISO-8601] render KIND [--family F] [--entry N] [--scheme light|dark]
///             [--scale S] --out FILE.png|FILE.svg [--tree FILE.json]
///     PROGRAM autostart on|off|status
///
/// KIND is a widget's kind or its short name. `render` draws an entry of the timeline as the
/// host does (`WidgetContainer`). The configurations are built on first need, after the global
/// options are read, so that providers built with them see the pinned clock.
///
/// Besides what `WidgetBundle` asks, a bundle may name the widgets the desktop host places on
/// its first start (`static std::vector<WidgetPlacement> defaultPlacements()`); without that,
/// each widget is placed at its smallest family. It may add commands of its own to the program
/// (`static void addCommands(WidgetBundleRunner&)`), such as the handling of its links, run
/// something beside the desktop host for as long as it does
/// (`static std::shared_ptr<void> hostCompanion()`), such as its alerts, and prepare the
/// process for a headless command, which runs once and ends (`static void prepareForCommand()`,
/// called before the command builds the widgets). It may name the program of its providers
/// alone (`static constexpr std::string_view timelinesProgram`), to which the timeline commands
/// are handed when it is installed beside (see `TimelineProgram::setTimelinesProgram`).
class WidgetBundleRunner final : public TimelineProgram {
public:
    template <WidgetBundle Bundle> static int main(int argc, char** argv)
    {
        return runMain<WidgetBundleRunner, Bundle>(argc, argv, [](WidgetBundleRunner& runner) {
            if constexpr (requires { Bundle::defaultPlacements(); })
                runner.setDefaultPlacements(Bundle::defaultPlacements());
            if constexpr (requires { Bundle::addCommands(runner); })
                Bundle::addCommands(runner);
            if constexpr (requires { Bundle::hostCompanion(); })
                runner.setHostCompanion(&Bundle::hostCompanion);
            if constexpr (requires { Bundle::timelinesProgram; })
                runner.setTimelinesProgram(std::string(Bundle::timelinesProgram));
        });
    }

    WidgetBundleRunner(std::string programName, ConfigurationsBuilder configurations, std::shared_ptr<const WidgetStringTable> strings);

    int run(std::span<const std::string> arguments, std::ostream& out, std::ostream& err) override;
    using TimelineProgram::run;

    /// What the desktop host places on its first start; none: each widget at its smallest family.
    std::vector<WidgetPlacement> defaultPlacements();
    void setDefaultPlacements(std::vector<WidgetPlacement> placements) { m_defaultPlacements = std::move(placements); }
    /// Made when the desktop host has started, kept until it ends.
    using HostCompanion = std::function<std::shared_ptr<void>()>;
    const HostCompanion& hostCompanion() const { return m_hostCompanion; }
    void setHostCompanion(HostCompanion companion) { m_hostCompanion = std::move(companion); }

private:
    std::optional<std::vector<WidgetPlacement>> m_defaultPlacements;
    HostCompanion m_hostCompanion;
};

}

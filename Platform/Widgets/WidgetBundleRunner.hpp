#pragma once

#include "Platform/Widgets/WidgetConfiguration.hpp"
#include "Platform/Widgets/WidgetPlacement.hpp"
#include "Platform/Widgets/WidgetStringTable.hpp"

#include <concepts>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tvk::cli {
class Command;
}

namespace tvk::widgets {

/// A widget program's bundle: `body()` builds its widgets' configurations, in the order the
/// host offers them, and `resourceBundleName` names the bundle of its string table (see
/// `WidgetStringTable`). A bundle may also name the widgets the desktop host places on its
/// first start (`static std::vector<WidgetPlacement> defaultPlacements()`); without that, each
/// widget is placed at its smallest family. It may add commands of its own to the program
/// (`static void addCommands(WidgetBundleRunner&)`), such as the handling of its links, and
/// something that runs beside the desktop host for as long as it does
/// (`static std::shared_ptr<void> hostCompanion()`), such as its alerts, and prepare the
/// process for a headless command, which runs once and ends (`static void prepareForCommand()`,
/// called before the command builds the widgets).
template <class Bundle>
concept WidgetBundle = std::default_initializable<Bundle> && requires(const Bundle& bundle)
{
    {
        bundle.body()
        } -> std::convertible_to<std::vector<WidgetConfiguration>>;
    {
        Bundle::resourceBundleName
        } -> std::convertible_to<std::string_view>;
};

/// What a widget program's `main` hands its bundle to. It sets the process up as the platform
/// does (ICU's zone and locale from the environment), shows the widgets on the desktop when no
/// command is given (`DesktopWidgetHost`), and offers the headless commands:
///
///     PROGRAM [--now ISO-8601] [host [--tree FILE.json]]
///     PROGRAM [--now ISO-8601] list [--json]
///     PROGRAM [--now ISO-8601] timeline|snapshot|placeholder KIND [--family F] [--json]
///     PROGRAM [--now ISO-8601] render KIND [--family F] [--entry N] [--scheme light|dark]
///             [--scale S] --out FILE.png|FILE.svg [--tree FILE.json]
///
/// KIND is a widget's kind or its short name. `timeline` and `snapshot` run the widget's
/// provider as the host would, on the main queue, wait for its completion and print the
/// result; `render` draws an entry of the timeline as the host does (`WidgetContainer`). The configurations are built on first need, after the global options are read, so
/// that providers built with them see the pinned clock.
class WidgetBundleRunner {
public:
    using ConfigurationsBuilder = std::function<std::vector<WidgetConfiguration>()>;

    template <WidgetBundle Bundle> static int main(int argc, char** argv)
    {
        prepareProcess();
        WidgetBundleRunner runner(
            programName(argc, argv), [] { return std::vector<WidgetConfiguration>(Bundle().body()); },
            std::make_shared<WidgetStringTable>(std::string(Bundle::resourceBundleName)));
        if constexpr (requires { Bundle::defaultPlacements(); })
            runner.setDefaultPlacements(Bundle::defaultPlacements());
        if constexpr (requires { Bundle::addCommands(runner); })
            Bundle::addCommands(runner);
        if constexpr (requires { Bundle::hostCompanion(); })
            runner.setHostCompanion(&Bundle::hostCompanion);
        if constexpr (requires { Bundle::prepareForCommand(); })
            runner.setCommandPreparation(&Bundle::prepareForCommand);
        return runner.run(arguments(argc, argv));
    }

    /// How long the commands wait for a provider's completion before they give up: a first
    /// load of a large calendar set takes seconds; past this, something is stuck.
    static constexpr TimeInterval defaultCompletionTimeout = 120;

    WidgetBundleRunner(std::string programName, ConfigurationsBuilder configurations, std::shared_ptr<const WidgetStringTable> strings);
    ~WidgetBundleRunner();

    /// A command of the program's own, listed after the runner's.
    void addCommand(std::unique_ptr<cli::Command> command);

    /// Runs the command line (without the program name). Results go to `out`, messages to
    /// `err`; the result is the exit status.
    int run(std::span<const std::string> arguments, std::ostream& out, std::ostream& err);
    int run(std::span<const std::string> arguments);

    /// Built on first use.
    const std::vector<WidgetConfiguration>& configurations();
    /// The configuration whose kind or short name is `name`; null when there is none.
    const WidgetConfiguration* configuration(std::string_view name);
    const WidgetStringTable& strings() const { return *m_strings; }
    std::shared_ptr<const WidgetStringTable> sharedStrings() const { return m_strings; }
    const std::string& programName() const { return m_programName; }
    TimeInterval completionTimeout() const { return m_completionTimeout; }
    void setCompletionTimeout(TimeInterval seconds) { m_completionTimeout = seconds; }
    /// What the desktop host places on its first start; none: each widget at its smallest family.
    std::vector<WidgetPlacement> defaultPlacements();
    void setDefaultPlacements(std::vector<WidgetPlacement> placements) { m_defaultPlacements = std::move(placements); }
    /// Made when the desktop host has started, kept until it ends.
    using HostCompanion = std::function<std::shared_ptr<void>()>;
    const HostCompanion& hostCompanion() const { return m_hostCompanion; }
    void setHostCompanion(HostCompanion companion) { m_hostCompanion = std::move(companion); }
    /// Run by the headless commands before they build the widgets.
    void setCommandPreparation(std::function<void()> preparation) { m_commandPreparation = std::move(preparation); }
    void prepareForCommand() const;

private:
    static void prepareProcess();
    static std::string programName(int argc, char** argv);
    static std::vector<std::string> arguments(int argc, char** argv);

    std::string m_programName;
    ConfigurationsBuilder m_builder;
    std::optional<std::vector<WidgetConfiguration>> m_configurations;
    std::shared_ptr<const WidgetStringTable> m_strings;
    TimeInterval m_completionTimeout = defaultCompletionTimeout;
    std::optional<std::vector<WidgetPlacement>> m_defaultPlacements;
    HostCompanion m_hostCompanion;
    std::function<void()> m_commandPreparation;
    std::vector<std::unique_ptr<cli::Command>> m_commands;
};

}

#pragma once

#include "Platform/CommandLine/Command.hpp"
#include "Platform/Widgets/WidgetConfiguration.hpp"
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

namespace tvk::widgets {

/// A widget program's bundle: `body()` builds its widgets' configurations, in the order the
/// host offers them, and `resourceBundleName` names the bundle of its string table (see
/// `WidgetStringTable`). For `WidgetBundleRunner` a bundle may say more (see there).
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

/// The headless half of a widget program: its widgets' providers run from the command line as
/// the host runs them, and nothing drawn.
///
///     PROGRAM [--now ISO-8601] list [--json]
///     PROGRAM [--now ISO-8601] timeline|snapshot|placeholder KIND [--family F] [--json]
///
/// It links no drawing or windowing library: a program made of this alone, over configurations
/// without content (`TimelineConfiguration`), starts and runs in a fraction of the memory of one
/// that can also draw. `WidgetBundleRunner` adds the drawing commands and the desktop host.
class TimelineProgram {
public:
    using ConfigurationsBuilder = std::function<std::vector<WidgetConfiguration>()>;

    template <WidgetBundle Bundle> static int main(int argc, char** argv)
    {
        return runMain<TimelineProgram, Bundle>(argc, argv, [](TimelineProgram&) {});
    }

    /// How long the commands wait for a provider's completion before they give up: a first
    /// load of a large calendar set takes seconds; past this, something is stuck.
    static constexpr TimeInterval defaultCompletionTimeout = 120;

    TimelineProgram(std::string programName, ConfigurationsBuilder configurations, std::shared_ptr<const WidgetStringTable> strings);
    virtual ~TimelineProgram();

    /// A command of the program's own, listed after the others.
    void addCommand(std::unique_ptr<cli::Command> command);

    /// Runs the command line (without the program name). Results go to `out`, messages to
    /// `err`; the result is the exit status.
    virtual int run(std::span<const std::string> arguments, std::ostream& out, std::ostream& err);
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
    /// Run by the headless commands before they build the widgets: such a command runs once and
    /// the process ends.
    void setCommandPreparation(std::function<void()> preparation) { m_commandPreparation = std::move(preparation); }
    void prepareForCommand() const;
    /// Hands the timeline commands to the program `name` when it sits beside this program's
    /// executable: one built of providers alone runs them in far less memory. The handing over
    /// replaces this process (`execv`, with the same arguments), so only a program's `main` sets
    /// this; without such a program the commands run here.
    void setTimelinesProgram(std::string name) { m_timelinesProgram = std::move(name); }
    /// Returns only when there is nothing to hand over to.
    void handOverToTimelinesProgram() const;

    /// A command over the program's widgets.
    class WidgetCommand : public cli::Command {
    protected:
        WidgetCommand(TimelineProgram& program, std::string name, std::string summary);

        struct ChosenWidget {
            const WidgetConfiguration* configuration;
            WidgetFamily family;
        };
        /// The widget "KIND" names and the family of "--family" (by default the widget's smallest).
        tl::expected<ChosenWidget, cli::CommandError> chosenWidget(const cli::ParsedArguments& arguments) const;
        /// The host's completion may come at once or from the main queue (a provider that
        /// reloads its data first): runs the main queue until it has come.
        cli::CommandResult wait(const std::function<bool()>& done) const;
        /// The widget's timeline as the host asks for it.
        tl::expected<Timeline<AnyTimelineEntry>, cli::CommandError> timelineOf(
            const WidgetConfiguration& configuration, const TimelineProviderContext& context) const;

        TimelineProgram& m_program;
    };

protected:
    /// What a program's `main` does: sets the process up, makes the `Program` over the
    /// bundle's configurations and string table, takes the bundle's command preparation and
    /// what else `adopt` takes from the bundle, and runs the command line.
    template <class Program, WidgetBundle Bundle, class Adopt> static int runMain(int argc, char** argv, Adopt adopt)
    {
        prepareProcess();
        Program program(
            programName(argc, argv), [] { return std::vector<WidgetConfiguration>(Bundle().body()); },
            std::make_shared<WidgetStringTable>(std::string(Bundle::resourceBundleName)));
        if constexpr (requires { Bundle::prepareForCommand(); })
            program.setCommandPreparation(&Bundle::prepareForCommand);
        adopt(program);
        return program.run(arguments(argc, argv));
    }

    static void prepareProcess();
    static std::string programName(int argc, char** argv);
    static std::vector<std::string> arguments(int argc, char** argv);

    /// Runs the timeline commands with `before` ahead of them and `after` behind (the added
    /// commands come last); `defaultCommand` runs when the command line names none.
    int runCommands(std::span<const std::string> arguments, std::ostream& out, std::ostream& err, std::vector<cli::Command*> before,
        std::vector<cli::Command*> after, cli::Command* defaultCommand);

private:
    std::string m_programName;
    ConfigurationsBuilder m_builder;
    std::optional<std::vector<WidgetConfiguration>> m_configurations;
    std::shared_ptr<const WidgetStringTable> m_strings;
    TimeInterval m_completionTimeout = defaultCompletionTimeout;
    std::function<void()> m_commandPreparation;
    std::optional<std::string> m_timelinesProgram;
    std::vector<std::string> m_arguments;
    std::vector<std::unique_ptr<cli::Command>> m_commands;
};

}

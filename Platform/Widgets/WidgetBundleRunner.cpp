#include "Platform/Widgets/WidgetBundleRunner.hpp"

#include "Platform/CommandLine/Command.hpp"
#include "Platform/CommandLine/CommandLineProgram.hpp"
#include "Platform/CommandLine/JsonPrinting.hpp"
#include "Platform/Runtime/DispatchQueue.hpp"
#include "Platform/Runtime/FileReplacement.hpp"
#include "Platform/Runtime/ISO8601.hpp"
#include "Platform/Runtime/IcuEnvironment.hpp"
#include "Platform/Defaults/UserDefaults.hpp"
#include "Platform/Desktop/AutostartEntry.hpp"
#include "Platform/Runtime/StandardPaths.hpp"
#include "Platform/Text/AsciiCase.hpp"
#include "Platform/Widgets/DesktopWidgetHost.hpp"
#include "Platform/Widgets/WidgetContainer.hpp"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <ostream>
#include <sstream>

namespace tvk::widgets {

using namespace tvk::cli;

namespace {

/// "2026-12-07 09:50:00": local time for people; `--json` has the offset.
std::string localTime(Date date)
{
    auto text = ISO8601::format(date);
    if (text.size() > 10 && text[10] == 'T')
        text[10] = ' ';
    return text.substr(0, 19);
}

nlohmann::json policyJson(const TimelineReloadPolicy& policy)
{
    switch (policy.kind()) {
    case TimelineReloadPolicy::Kind::atEnd: return { { "atEnd", true } };
    case TimelineReloadPolicy::Kind::after: return { { "after", ISO8601::format(policy.date().value_or(Date())) } };
    case TimelineReloadPolicy::Kind::never: return { { "never", true } };
    }
    return nullptr;
}

std::string policyText(const TimelineReloadPolicy& policy)
{
    switch (policy.kind()) {
    case TimelineReloadPolicy::Kind::atEnd: return "next timeline once the last entry shows";
    case TimelineReloadPolicy::Kind::after: return "next timeline after " + localTime(policy.date().value_or(Date()));
    case TimelineReloadPolicy::Kind::never: return "no next timeline until the widget is reloaded";
    }
    return {};
}

std::string entryLine(const AnyTimelineEntry& entry)
{
    return "  from " + localTime(entry.date()) + "  " + entry.summaryLine() + "\n";
}

/// A command over the runner's widgets.
class RunnerCommand : public Command {
protected:
    RunnerCommand(WidgetBundleRunner& runner, std::string name, std::string summary)
        : Command(std::move(name), std::move(summary))
        , m_runner(runner)
    {
    }

    struct ChosenWidget {
        const WidgetConfiguration* configuration;
        WidgetFamily family;
    };

    /// The widget "KIND" names and the family of "--family" (by default the widget's smallest).
    tl::expected<ChosenWidget, CommandError> chosenWidget(const ParsedArguments& arguments) const
    {
        const std::string& kind = arguments.positional("KIND");
        const WidgetConfiguration* configuration = m_runner.configuration(kind);
        if (!configuration) {
            std::string message = "no widget has the kind \"" + kind + "\"; the widgets are:";
            for (auto& known : m_runner.configurations())
                message += "\n  " + known.shortName().value_or(known.kind()) + "  (" + known.kind() + ")";
            return usageError(message, UsageHelp::omitted);
        }
        if (configuration->supportedFamilies().empty())
            return failure(configuration->kind() + " comes in no family");
        WidgetFamily family = configuration->supportedFamilies().front();
        if (auto named = arguments.option("family")) {
            auto found = familyNamed(*named);
            if (!found)
                return usageError(
                    "unknown family \"" + *named + "\"; the families are small, medium, large and extraLarge", UsageHelp::omitted);
            if (!configuration->supports(*found)) {
                return usageError(configuration->kind() + " does not come in the " + *named + " family, only in "
                        + familyNames(configuration->supportedFamilies()),
                    UsageHelp::omitted);
            }
            family = *found;
        }
        return ChosenWidget { configuration, family };
    }

    /// The host's completion may come at once or from the main queue (a provider that reloads
    /// its data first): run the main queue until it has come.
    CommandResult wait(const std::function<bool()>& done) const
    {
        if (done() || DispatchQueue::main().runUntil(done, m_runner.completionTimeout()))
            return {};
        std::ostringstream seconds;
        seconds << m_runner.completionTimeout();
        return failure("the provider did not answer within " + seconds.str() + " seconds");
    }

    /// The widget's timeline as the host asks for it.
    tl::expected<Timeline<AnyTimelineEntry>, CommandError> timelineOf(
        const WidgetConfiguration& configuration, const TimelineProviderContext& context) const
    {
        std::optional<Timeline<AnyTimelineEntry>> timeline;
        configuration.getTimeline(context, [&timeline](Timeline<AnyTimelineEntry> result) { timeline = std::move(result); });
        if (auto answered = wait([&timeline] { return timeline.has_value(); }); !answered)
            return tl::unexpected(answered.error());
        return std::move(*timeline);
    }

    WidgetBundleRunner& m_runner;
};

class ListCommand final : public RunnerCommand {
public:
    explicit ListCommand(WidgetBundleRunner& runner)
        : RunnerCommand(runner, "list", "list the widgets with their kinds, names and sizes")
    {
        form(&ListCommand::run).flag("json");
    }

private:
    std::string description() const override
    {
        return "Lists the widgets the program offers, in the order a widget gallery shows them:\n"
               "display name, short name, description, kind and the families (sizes) each comes in.\n"
               "With --json, an array of {kind, displayName, description, families}.\n";
    }

    CommandResult run(const Invocation& call) const
    {
        m_runner.prepareForCommand();
        auto& out = call.out;
        auto& strings = m_runner.strings();
        if (call.arguments.flag("json")) {
            auto list = nlohmann::json::array();
            for (auto& configuration : m_runner.configurations()) {
                auto families = nlohmann::json::array();
                for (auto family : configuration.supportedFamilies())
                    families.push_back(familyName(family));
                list.push_back({
                    { "kind", configuration.kind() },
                    { "displayName", strings.localizedString(configuration.displayNameKey()) },
                    { "description", strings.localizedString(configuration.descriptionKey()) },
                    { "families", families },
                });
            }
            out << printJson(list) << '\n';
            return {};
        }
        bool first = true;
        for (auto& configuration : m_runner.configurations()) {
            if (!first)
                out << '\n';
            first = false;
            out << strings.localizedString(configuration.displayNameKey());
            if (configuration.shortName())
                out << " (" << *configuration.shortName() << ")";
            out << "\n  " << strings.localizedString(configuration.descriptionKey()) << "\n  kind " << configuration.kind() << "; "
                << familyNames(configuration.supportedFamilies()) << '\n';
        }
        return {};
    }
};

/// `timeline`, `snapshot` and `placeholder`: one provider operation for one widget.
class ProviderCommand final : public RunnerCommand {
public:
    enum class Operation { timeline, snapshot, placeholder };

    ProviderCommand(WidgetBundleRunner& runner, Operation operation)
        : RunnerCommand(runner, std::string(nameOf(operation)), std::string(summaryOf(operation)))
        , m_operation(operation)
    {
        readsTheClock();
        form(&ProviderCommand::run).positional("KIND").option("family", "FAMILY").flag("json");
    }

private:
    static std::string_view nameOf(Operation operation)
    {
        switch (operation) {
        case Operation::timeline: return "timeline";
        case Operation::snapshot: return "snapshot";
        case Operation::placeholder: return "placeholder";
        }
        return {};
    }
    static std::string_view summaryOf(Operation operation)
    {
        switch (operation) {
        case Operation::timeline: return "print a widget's timeline: its entries and when it asks again";
        case Operation::snapshot: return "print the entry a widget gallery would show now";
        case Operation::placeholder: return "print the entry a widget shows before it has data";
        }
        return {};
    }
    std::string description() const override
    {
        std::string text;
        switch (m_operation) {
        case Operation::timeline:
            text += "Asks the widget's provider for a timeline, as the host does, at the clock's time (pin\n"
                    "it with the global --now), waits for it and prints each entry from the moment\n"
                    "it shows and the reload policy. With --json:\n"
                    "  {\"kind\", \"entries\": [ENTRY...], \"policy\": {\"after\": ISO} | {\"atEnd\": true} | {\"never\": true}}\n";
            break;
        case Operation::snapshot:
            text += "Asks the widget's provider for a snapshot, as a widget gallery does: one entry from\n"
                    "what the program holds now, without loading anything. A program that has just\n"
                    "started holds nothing yet, so this shows what a gallery shows first. With --json:\n"
                    "  {\"kind\", \"entry\": ENTRY}\n";
            break;
        case Operation::placeholder:
            text += "Prints the entry the widget shows before it has any data. With --json:\n"
                    "  {\"kind\", \"entry\": ENTRY}\n";
            break;
        }
        text += "\nKIND is a widget's kind or short name (see `" + m_runner.programName()
            + " list`); FAMILY is the size asked for (small,\n"
              "medium, large), by default the widget's smallest. Dates are ISO 8601 with offset.\n";
        return text;
    }

    CommandResult run(const Invocation& call) const
    {
        m_runner.prepareForCommand();
        auto& out = call.out;
        auto widget = chosenWidget(call.arguments);
        if (!widget)
            return tl::unexpected(widget.error());
        auto [configuration, family] = *widget;
        auto context = TimelineProviderContext::forFamily(family, m_operation == Operation::snapshot);
        bool json = call.arguments.flag("json");
        if (m_operation == Operation::timeline)
            return printTimeline(*configuration, context, json, out);
        std::optional<AnyTimelineEntry> entry;
        if (m_operation == Operation::placeholder) {
            entry = configuration->placeholder(context);
        } else {
            configuration->getSnapshot(context, [&entry](AnyTimelineEntry snapshot) { entry = std::move(snapshot); });
            if (auto answered = wait([&entry] { return entry.has_value(); }); !answered)
                return answered;
        }
        if (json) {
            out << printJson({ { "kind", configuration->kind() }, { "entry", entry->json() } }) << '\n';
        } else {
            out << configuration->kind() << ", " << name() << ":\n" << entryLine(*entry);
        }
        return {};
    }

    CommandResult printTimeline(
        const WidgetConfiguration& configuration, const TimelineProviderContext& context, bool json, std::ostream& out) const
    {
        Date asked = Date::now();
        auto timeline = timelineOf(configuration, context);
        if (!timeline)
            return tl::unexpected(timeline.error());
        if (json) {
            auto entries = nlohmann::json::array();
            for (auto& entry : timeline->entries)
                entries.push_back(entry.json());
            out << printJson({ { "kind", configuration.kind() }, { "entries", entries }, { "policy", policyJson(timeline->policy) } })
                << '\n';
            return {};
        }
        out << configuration.kind() << ", timeline at " << localTime(asked) << ":\n";
        if (timeline->entries.empty())
            out << "  no entries\n";
        for (auto& entry : timeline->entries)
            out << entryLine(entry);
        out << "  " << policyText(timeline->policy) << '\n';
        return {};
    }

    Operation m_operation;
};

/// `render`: one entry of a widget's timeline drawn as the host draws it, to a picture, and
/// optionally its links and texts as JSON.
class RenderCommand final : public RunnerCommand {
public:
    explicit RenderCommand(WidgetBundleRunner& runner)
        : RunnerCommand(runner, "render", "draw an entry of a widget's timeline to a PNG or SVG picture")
    {
        readsTheClock();
        form(&RenderCommand::run)
            .positional("KIND")
            .option("family", "FAMILY")
            .option("entry", "N", ValueType::integer)
            .option("scheme", "light|dark")
            .option("scale", "S", ValueType::number)
            .option("out", "FILE.png|FILE.svg", ValueType::text, Requirement::required)
            .option("tree", "FILE.json");
    }

private:
    std::string description() const override
    {
        return "Asks the widget's provider for a timeline as the host does, at the clock's time (pin it\n"
               "with the global --now), and draws entry N (0, the first, by default) on the widget's card\n"
               "at the family's size, as the host shows it from the entry's date on. A timeline without\n"
               "entries draws what the host shows then: the widget's empty entry at that moment.\n"
               "\n"
               "  --family    small, medium or large; by default the widget's smallest\n"
               "  --scheme    light (the default) or dark\n"
               "  --scale     pixels per point, above 0 and at most 16; 2 by default for a PNG, 1 for an SVG\n"
               "  --out       the picture: an SVG when the name ends in .svg, else a PNG\n"
               "  --tree      also writes what tests and screen readers need, in points from the card's\n"
               "              top-left corner: {\"size\": [w, h], \"links\": [{\"rect\": [x, y, w, h], \"url\"}],\n"
               "              \"texts\": [{\"text\", \"rect\"}]}; links innermost first (the first that\n"
               "              holds a point is the one a click there opens), texts in reading order\n"
               "\n"
               "KIND is a widget's kind or short name (see `"
            + m_runner.programName()
            + " list`). Texts follow the language and locale of\n"
              "the environment, times its time zone (TZ).\n";
    }

    struct RenderOptions {
        size_t entry = 0;
        ui::ColorScheme scheme = ui::ColorScheme::light;
        double scale = 2;
        std::filesystem::path out;
        std::optional<std::filesystem::path> tree;
    };

    static tl::expected<RenderOptions, CommandError> renderOptions(const ParsedArguments& arguments)
    {
        RenderOptions options;
        auto out = arguments.option("out");
        if (!out || out->empty())
            return usageError("--out names the picture to write");
        options.out = *out;
        if (equalsIgnoringAsciiCase(options.out.extension().string(), ".svg"))
            options.scale = 1;
        if (auto tree = arguments.option("tree"))
            options.tree = *tree;
        if (auto entry = arguments.option("entry")) {
            auto [end, error] = std::from_chars(entry->data(), entry->data() + entry->size(), options.entry);
            if (entry->empty() || error != std::errc() || end != entry->data() + entry->size())
                return usageError("--entry takes the number of an entry: 0 for the first");
        }
        if (auto scheme = arguments.option("scheme")) {
            if (*scheme != "light" && *scheme != "dark")
                return usageError("--scheme is light or dark");
            options.scheme = *scheme == "dark" ? ui::ColorScheme::dark : ui::ColorScheme::light;
        }
        if (auto scale = arguments.option("scale")) {
            char* end = nullptr;
            options.scale = std::strtod(scale->c_str(), &end);
            if (scale->empty() || *end || !(options.scale > 0 && options.scale <= 16))
                return usageError("--scale takes a number above 0 and at most 16");
        }
        return options;
    }

    CommandResult run(const Invocation& call) const
    {
        m_runner.prepareForCommand();
        auto options = renderOptions(call.arguments);
        if (!options)
            return tl::unexpected(options.error());
        auto widget = chosenWidget(call.arguments);
        if (!widget)
            return tl::unexpected(widget.error());
        auto [configuration, family] = *widget;

        auto timeline = timelineOf(*configuration, TimelineProviderContext::forFamily(family));
        if (!timeline)
            return tl::unexpected(timeline.error());
        Date now = Date::now();
        std::optional<AnyTimelineEntry> entry;
        if (options->entry < timeline->entries.size())
            entry = timeline->entries[options->entry];
        else if (timeline->entries.empty() && options->entry == 0)
            entry = configuration->placeholder(TimelineProviderContext::forFamily(family));
        if (!entry) {
            return failure("the timeline of " + configuration->kind() + " has " + std::to_string(timeline->entries.size())
                + (timeline->entries.size() == 1 ? " entry" : " entries") + ", so there is no entry " + std::to_string(options->entry));
        }

        ui::EnvironmentValues environment;
        environment.colorScheme = options->scheme;
        environment.displayScale = options->scale;
        environment.localize = m_runner.strings().localizer();
        // The host shows an entry from its date on; the first, dated now, at once.
        Date renderDate = std::max(now, entry->date());
        auto layout = WidgetContainer::layout(configuration->content(*entry), family, std::move(environment), { nullptr, renderDate });
        if (auto written = WidgetContainer::write(layout, options->out, options->scale); !written)
            return failure(written.error());
        if (options->tree) {
            if (auto written = FileReplacement::write(*options->tree, printJson(treeJson(layout)) + "\n"); !written)
                return failure(written.error());
        }
        return {};
    }

    static nlohmann::json rectJson(const ui::Rect& rect) { return { rect.origin.x, rect.origin.y, rect.size.width, rect.size.height }; }

    static nlohmann::json treeJson(const ui::ViewLayout& layout)
    {
        auto links = nlohmann::json::array();
        for (const auto& link : layout.linkRegions())
            links.push_back({ { "rect", rectJson(link.frame) }, { "url", link.url } });
        auto texts = nlohmann::json::array();
        for (const auto& text : layout.accessibilityTextElements())
            texts.push_back({ { "text", text.label }, { "rect", rectJson(text.frame) } });
        return { { "size", { layout.size().width, layout.size().height } }, { "links", links }, { "texts", texts } };
    }
};

/// `host`, the default: the placed widgets in a window on the desktop.
class HostCommand final : public RunnerCommand {
public:
    static constexpr std::string_view titleKey = "WidgetHost.title";

    explicit HostCommand(WidgetBundleRunner& runner)
        : RunnerCommand(runner, "host", "show the placed widgets in a window on the desktop (the default)")
    {
        readsTheClock();
        form(&HostCommand::run).option("tree", "FILE.json");
    }

private:
    std::string description() const override
    {
        return "Shows the placed widgets as cards in a window, each at its family's size, kept current\n"
               "as their timelines say, in the desktop's light or dark look. A click on a link in a card\n"
               "opens it; the pointer is a hand over links. One instance runs per session: starting it\n"
               "again brings the window forward. The placements are kept in the program's settings\n"
               "(key \""
            + std::string(DesktopWidgetHost::placementsKey)
            + "\"); the first start places the program's default widgets.\n"
              "\n"
              "  --tree   after each drawing, writes the cards' frames, links and texts in the window's\n"
              "           coordinates to this JSON file (for tests and diagnostics)\n";
    }

    CommandResult run(const Invocation& call) const
    {
        DesktopWidgetHost::prepareProcess();
        DesktopWidgetHost::Options options;
        options.applicationID = UserDefaults::standardDomainName();
        options.defaultPlacements = m_runner.defaultPlacements();
        std::string title = m_runner.strings().localizedString(titleKey);
        options.title = title == titleKey ? m_runner.programName() : title;
        options.strings = m_runner.sharedStrings();
        options.companion = m_runner.hostCompanion();
        if (auto tree = call.arguments.option("tree"))
            options.treeFile = *tree;
        int status = DesktopWidgetHost::run(m_runner.configurations(), std::move(options));
        if (status == DesktopWidgetHost::noDisplay)
            return failure("cannot show the widgets: no graphical display (neither DISPLAY nor WAYLAND_DISPLAY works)");
        if (status != 0)
            return failure("the desktop host ended with status " + std::to_string(status));
        return {};
    }
};

/// `autostart on|off|status`: the desktop host started at login, or not.
class AutostartCommand final : public RunnerCommand {
public:
    explicit AutostartCommand(WidgetBundleRunner& runner)
        : RunnerCommand(runner, "autostart", "start the desktop host when you log in, or stop doing so")
    {
        action("on", &AutostartCommand::on);
        action("off", &AutostartCommand::off);
        action("status", &AutostartCommand::status);
    }

private:
    std::string description() const override
    {
        return "on writes your autostart entry for this program (the desktop host) into\n"
               "$XDG_CONFIG_HOME/autostart/, off removes it (or, when an entry installed for every user\n"
               "would still start it, hides that one for you), status prints on or off.\n";
    }

    AutostartEntry entry() const
    {
        std::string name = m_runner.strings().localizedString(HostCommand::titleKey);
        if (name == HostCommand::titleKey)
            name = m_runner.programName();
        return AutostartEntry(UserDefaults::standardDomainName(), name, "Shows your widgets when you log in",
            { StandardPaths::executablePath().string() });
    }

    CommandResult on(const Invocation& call) const
    {
        if (auto written = entry().enable(); !written)
            return failure(written.error());
        call.out << "on: " << entry().userFile().string() << '\n';
        return {};
    }

    CommandResult off(const Invocation& call) const
    {
        if (auto written = entry().disable(); !written)
            return failure(written.error());
        call.out << "off\n";
        return {};
    }

    CommandResult status(const Invocation& call) const
    {
        call.out << (entry().isEnabled() ? "on" : "off") << '\n';
        return {};
    }
};

}

WidgetBundleRunner::WidgetBundleRunner(
    std::string programName, ConfigurationsBuilder configurations, std::shared_ptr<const WidgetStringTable> strings)
    : m_programName(std::move(programName))
    , m_builder(std::move(configurations))
    , m_strings(std::move(strings))
{
}

WidgetBundleRunner::~WidgetBundleRunner() = default;

void WidgetBundleRunner::addCommand(std::unique_ptr<Command> command)
{
    m_commands.push_back(std::move(command));
}

void WidgetBundleRunner::prepareProcess()
{
    IcuEnvironment::configureFromEnvironment();
}

std::string WidgetBundleRunner::programName(int argc, char** argv)
{
    if (argc < 1 || !argv[0] || !*argv[0])
        return "widgets";
    return std::filesystem::path(argv[0]).filename().string();
}

std::vector<std::string> WidgetBundleRunner::arguments(int argc, char** argv)
{
    return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
}

std::vector<WidgetPlacement> WidgetBundleRunner::defaultPlacements()
{
    if (m_defaultPlacements)
        return *m_defaultPlacements;
    std::vector<WidgetPlacement> placements;
    for (const auto& configuration : configurations()) {
        if (!configuration.supportedFamilies().empty())
            placements.push_back({ configuration.kind(), configuration.supportedFamilies().front() });
    }
    return placements;
}

void WidgetBundleRunner::prepareForCommand() const
{
    if (m_commandPreparation)
        m_commandPreparation();
}

const std::vector<WidgetConfiguration>& WidgetBundleRunner::configurations()
{
    if (!m_configurations)
        m_configurations = m_builder();
    return *m_configurations;
}

const WidgetConfiguration* WidgetBundleRunner::configuration(std::string_view name)
{
    for (auto& configuration : configurations()) {
        if (configuration.kind() == name || configuration.shortName() == name)
            return &configuration;
    }
    return nullptr;
}

int WidgetBundleRunner::run(std::span<const std::string> arguments, std::ostream& out, std::ostream& err)
{
    ListCommand list(*this);
    ProviderCommand timeline(*this, ProviderCommand::Operation::timeline);
    ProviderCommand snapshot(*this, ProviderCommand::Operation::snapshot);
    ProviderCommand placeholder(*this, ProviderCommand::Operation::placeholder);
    RenderCommand render(*this);
    HostCommand host(*this);
    AutostartCommand autostart(*this);
    std::vector<Command*> commands { &host, &autostart, &list, &timeline, &snapshot, &placeholder, &render };
    for (const auto& command : m_commands)
        commands.push_back(command.get());
    CommandLineProgram program(m_programName, std::move(commands));
    program.setDefaultCommand(&host);
    return program.run(arguments, std::cin, out, err);
}

int WidgetBundleRunner::run(std::span<const std::string> arguments)
{
    return run(arguments, std::cout, std::cerr);
}

}

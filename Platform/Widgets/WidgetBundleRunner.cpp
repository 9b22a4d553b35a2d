#include "Platform/Widgets/WidgetBundleRunner.hpp"

#include "Platform/CommandLine/Command.hpp"
#include "Platform/CommandLine/CommandLineProgram.hpp"
#include "Platform/CommandLine/JsonPrinting.hpp"
#include "Platform/Defaults/UserDefaults.hpp"
#include "Platform/Desktop/AutostartEntry.hpp"
#include "Platform/Runtime/DispatchQueue.hpp"
#include "Platform/Runtime/FileReplacement.hpp"
#include "Platform/Runtime/ISO8601.hpp"
#include "Platform/Runtime/IcuEnvironment.hpp"
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

/// `render`: one entry of a widget's timeline drawn as the host draws it, to a picture, and
/// optionally its links and texts as JSON.
class RenderCommand final : public TimelineProgram::WidgetCommand {
public:
    explicit RenderCommand(WidgetBundleRunner& runner)
        : WidgetCommand(runner, "render", "draw an entry of a widget's timeline to a PNG or SVG picture")
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
            + m_program.programName()
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
        m_program.prepareForCommand();
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
        environment.localize = m_program.strings().localizer();
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
class HostCommand final : public TimelineProgram::WidgetCommand {
public:
    static constexpr std::string_view titleKey = "WidgetHost.title";

    explicit HostCommand(WidgetBundleRunner& runner)
        : WidgetCommand(runner, "host", "show the placed widgets in a window on the desktop (the default)")
        , m_runner(runner)
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

    WidgetBundleRunner& m_runner;
};

/// `autostart on|off|status`: the desktop host started at login, or not.
class AutostartCommand final : public TimelineProgram::WidgetCommand {
public:
    explicit AutostartCommand(WidgetBundleRunner& runner)
        : WidgetCommand(runner, "autostart", "start the desktop host when you log in, or stop doing so")
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
        std::string name = m_program.strings().localizedString(HostCommand::titleKey);
        if (name == HostCommand::titleKey)
            name = m_program.programName();
        return AutostartEntry(
            UserDefaults::standardDomainName(), name, "Shows your widgets when you log in", { StandardPaths::executablePath().string() });
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
    : TimelineProgram(std::move(programName), std::move(configurations), std::move(strings))
{
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

int WidgetBundleRunner::run(std::span<const std::string> arguments, std::ostream& out, std::ostream& err)
{
    RenderCommand render(*this);
    HostCommand host(*this);
    AutostartCommand autostart(*this);
    return runCommands(arguments, out, err, { &host, &autostart }, { &render }, &host);
}

}

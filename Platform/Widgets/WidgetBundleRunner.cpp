#include "Platform/Widgets/WidgetBundleRunner.hpp"

#include "Platform/CommandLine/ArgumentParser.hpp"
#include "Platform/CommandLine/Command.hpp"
#include "Platform/CommandLine/JsonPrinting.hpp"
#include "Platform/Runtime/DispatchQueue.hpp"
#include "Platform/Runtime/FileReplacement.hpp"
#include "Platform/Runtime/ISO8601.hpp"
#include "Platform/Runtime/IcuEnvironment.hpp"
#include "Platform/Text/AsciiCase.hpp"
#include "Platform/Widgets/WidgetContainer.hpp"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <ostream>

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
    explicit RunnerCommand(WidgetBundleRunner& runner)
        : m_runner(runner)
    {
    }

    /// "PROGRAM COMMAND: ", before every message.
    std::string prefix() const { return m_runner.programName() + " " + std::string(name()) + ": "; }

    /// The parsed arguments; or, after printing the help that was asked for or the usage
    /// error, the status to exit with.
    tl::expected<ParsedArguments, int> parse(
        const ArgumentParser& parser, std::span<const std::string> arguments, std::ostream& out, std::ostream& err) const
    {
        auto parsed = parser.parse(arguments);
        if (!parsed) {
            err << prefix() << parsed.error() << "\n\n" << help();
            return tl::unexpected(usageError);
        }
        if (parsed->helpRequested) {
            out << help();
            return tl::unexpected(success);
        }
        return std::move(*parsed);
    }

    struct ChosenWidget {
        const WidgetConfiguration* configuration;
        WidgetFamily family;
    };

    /// The widget the first positional names and the family of "--family" (by default the
    /// widget's smallest); or, after saying what is wrong, the status to exit with.
    tl::expected<ChosenWidget, int> chosenWidget(const ParsedArguments& parsed, std::ostream& err)
    {
        const std::string& kind = parsed.positionals[0];
        const WidgetConfiguration* configuration = m_runner.configuration(kind);
        if (!configuration) {
            err << prefix() << "no widget has the kind \"" << kind << "\"; the widgets are:\n";
            for (auto& known : m_runner.configurations())
                err << "  " << known.shortName().value_or(known.kind()) << "  (" << known.kind() << ")\n";
            return tl::unexpected(usageError);
        }
        if (configuration->supportedFamilies().empty()) {
            err << prefix() << configuration->kind() << " comes in no family\n";
            return tl::unexpected(failure);
        }
        WidgetFamily family = configuration->supportedFamilies().front();
        if (auto named = parsed.option("family")) {
            auto found = familyNamed(*named);
            if (!found) {
                err << prefix() << "unknown family \"" << *named << "\"; the families are small, medium, large and extraLarge\n";
                return tl::unexpected(usageError);
            }
            if (!configuration->supports(*found)) {
                err << prefix() << configuration->kind() << " does not come in the " << *named << " family, only in "
                    << familyNames(configuration->supportedFamilies()) << '\n';
                return tl::unexpected(usageError);
            }
            family = *found;
        }
        return ChosenWidget { configuration, family };
    }

    /// The host's completion may come at once or from the main queue (a provider that reloads
    /// its data first): run the main queue until it has come.
    bool wait(const std::function<bool()>& done, std::ostream& err) const
    {
        if (done() || DispatchQueue::main().runUntil(done, m_runner.completionTimeout()))
            return true;
        err << prefix() << "the provider did not answer within " << m_runner.completionTimeout() << " seconds\n";
        return false;
    }

    /// The widget's timeline as the host asks for it; none, after saying so, when the provider
    /// does not answer in time.
    std::optional<Timeline<AnyTimelineEntry>> timelineOf(
        const WidgetConfiguration& configuration, const TimelineProviderContext& context, std::ostream& err) const
    {
        std::optional<Timeline<AnyTimelineEntry>> timeline;
        configuration.getTimeline(context, [&timeline](Timeline<AnyTimelineEntry> result) { timeline = std::move(result); });
        if (!wait([&timeline] { return timeline.has_value(); }, err))
            return std::nullopt;
        return timeline;
    }

    WidgetBundleRunner& m_runner;
};

class ListCommand final : public RunnerCommand {
public:
    explicit ListCommand(WidgetBundleRunner& runner)
        : RunnerCommand(runner)
    {
    }
    std::string_view name() const override { return "list"; }
    std::string_view summary() const override { return "list the widgets with their kinds, names and sizes"; }
    std::string help() const override
    {
        return "usage: " + m_runner.programName()
            + " list [--json]\n"
              "\n"
              "Lists the widgets the program offers, in the order a widget gallery shows them:\n"
              "display name, short name, description, kind and the families (sizes) each comes in.\n"
              "With --json, an array of {kind, displayName, description, families}.\n";
    }

    int run(std::span<const std::string> arguments, std::ostream& out, std::ostream& err) override
    {
        auto parsed = parse(ArgumentParser().flag("json"), arguments, out, err);
        if (!parsed)
            return parsed.error();
        auto& strings = m_runner.strings();
        if (parsed->flag("json")) {
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
            return success;
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
        return success;
    }
};

/// `timeline`, `snapshot` and `placeholder`: one provider operation for one widget.
class ProviderCommand final : public RunnerCommand {
public:
    enum class Operation { timeline, snapshot, placeholder };

    ProviderCommand(WidgetBundleRunner& runner, Operation operation)
        : RunnerCommand(runner)
        , m_operation(operation)
    {
    }
    std::string_view name() const override
    {
        switch (m_operation) {
        case Operation::timeline: return "timeline";
        case Operation::snapshot: return "snapshot";
        case Operation::placeholder: return "placeholder";
        }
        return {};
    }
    std::string_view summary() const override
    {
        switch (m_operation) {
        case Operation::timeline: return "print a widget's timeline: its entries and when it asks again";
        case Operation::snapshot: return "print the entry a widget gallery would show now";
        case Operation::placeholder: return "print the entry a widget shows before it has data";
        }
        return {};
    }
    std::string help() const override
    {
        std::string text = "usage: " + m_runner.programName() + " [--now ISO-8601] " + std::string(name())
            + " KIND [--family FAMILY] [--json]\n"
              "\n";
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

    int run(std::span<const std::string> arguments, std::ostream& out, std::ostream& err) override
    {
        auto parsed = parse(ArgumentParser().flag("json").option("family").positionals(1, 1), arguments, out, err);
        if (!parsed)
            return parsed.error();
        auto widget = chosenWidget(*parsed, err);
        if (!widget)
            return widget.error();
        auto [configuration, family] = *widget;
        auto context = TimelineProviderContext::forFamily(family, m_operation == Operation::snapshot);
        bool json = parsed->flag("json");
        if (m_operation == Operation::timeline)
            return printTimeline(*configuration, context, json, out, err);
        std::optional<AnyTimelineEntry> entry;
        if (m_operation == Operation::placeholder) {
            entry = configuration->placeholder(context);
        } else {
            configuration->getSnapshot(context, [&entry](AnyTimelineEntry snapshot) { entry = std::move(snapshot); });
            if (!wait([&entry] { return entry.has_value(); }, err))
                return failure;
        }
        if (json) {
            out << printJson({ { "kind", configuration->kind() }, { "entry", entry->json() } }) << '\n';
        } else {
            out << configuration->kind() << ", " << name() << ":\n" << entryLine(*entry);
        }
        return success;
    }

private:
    int printTimeline(
        const WidgetConfiguration& configuration, const TimelineProviderContext& context, bool json, std::ostream& out, std::ostream& err)
    {
        Date asked = Date::now();
        auto timeline = timelineOf(configuration, context, err);
        if (!timeline)
            return failure;
        if (json) {
            auto entries = nlohmann::json::array();
            for (auto& entry : timeline->entries)
                entries.push_back(entry.json());
            out << printJson({ { "kind", configuration.kind() }, { "entries", entries }, { "policy", policyJson(timeline->policy) } })
                << '\n';
            return success;
        }
        out << configuration.kind() << ", timeline at " << localTime(asked) << ":\n";
        if (timeline->entries.empty())
            out << "  no entries\n";
        for (auto& entry : timeline->entries)
            out << entryLine(entry);
        out << "  " << policyText(timeline->policy) << '\n';
        return success;
    }

    Operation m_operation;
};

/// `render`: one entry of a widget's timeline drawn as the host draws it, to a picture, and
/// optionally its links and texts as JSON.
class RenderCommand final : public RunnerCommand {
public:
    explicit RenderCommand(WidgetBundleRunner& runner)
        : RunnerCommand(runner)
    {
    }
    std::string_view name() const override { return "render"; }
    std::string_view summary() const override { return "draw an entry of a widget's timeline to a PNG or SVG picture"; }
    std::string help() const override
    {
        return "usage: " + m_runner.programName()
            + " [--now ISO-8601] render KIND [--family FAMILY] [--entry N] [--scheme light|dark]\n"
              "       [--scale S] --out FILE.png|FILE.svg [--tree FILE.json]\n"
              "\n"
              "Asks the widget's provider for a timeline as the host does, at the clock's time (pin it\n"
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

    int run(std::span<const std::string> arguments, std::ostream& out, std::ostream& err) override
    {
        auto parsed = parse(
            ArgumentParser().option("family").option("entry").option("scheme").option("scale").option("out").option("tree").positionals(
                1, 1),
            arguments, out, err);
        if (!parsed)
            return parsed.error();
        auto options = renderOptions(*parsed, err);
        if (!options)
            return options.error();
        auto widget = chosenWidget(*parsed, err);
        if (!widget)
            return widget.error();
        auto [configuration, family] = *widget;

        auto timeline = timelineOf(*configuration, TimelineProviderContext::forFamily(family), err);
        if (!timeline)
            return failure;
        Date now = Date::now();
        std::optional<AnyTimelineEntry> entry;
        if (options->entry < timeline->entries.size())
            entry = timeline->entries[options->entry];
        else if (timeline->entries.empty() && options->entry == 0)
            entry = configuration->placeholder(TimelineProviderContext::forFamily(family));
        if (!entry) {
            err << prefix() << "the timeline of " << configuration->kind() << " has " << timeline->entries.size()
                << (timeline->entries.size() == 1 ? " entry" : " entries") << ", so there is no entry " << options->entry << '\n';
            return failure;
        }

        ui::EnvironmentValues environment;
        environment.colorScheme = options->scheme;
        environment.displayScale = options->scale;
        environment.localize = m_runner.strings().localizer();
        // The host shows an entry from its date on; the first, dated now, at once.
        Date renderDate = std::max(now, entry->date());
        auto layout = WidgetContainer::layout(configuration->content(*entry), family, std::move(environment), { nullptr, renderDate });
        if (auto written = WidgetContainer::write(layout, options->out, options->scale); !written) {
            err << prefix() << written.error() << '\n';
            return failure;
        }
        if (options->tree) {
            if (auto written = FileReplacement::write(*options->tree, printJson(treeJson(layout)) + "\n"); !written) {
                err << prefix() << written.error() << '\n';
                return failure;
            }
        }
        return success;
    }

private:
    struct RenderOptions {
        size_t entry = 0;
        ui::ColorScheme scheme = ui::ColorScheme::light;
        double scale = 2;
        std::filesystem::path out;
        std::optional<std::filesystem::path> tree;
    };

    tl::expected<RenderOptions, int> renderOptions(const ParsedArguments& parsed, std::ostream& err) const
    {
        auto usage = [&](const std::string& message) {
            err << prefix() << message << "\n\n" << help();
            return tl::unexpected(usageError);
        };
        RenderOptions options;
        auto out = parsed.option("out");
        if (!out || out->empty())
            return usage("--out names the picture to write");
        options.out = *out;
        if (equalsIgnoringAsciiCase(options.out.extension().string(), ".svg"))
            options.scale = 1;
        if (auto tree = parsed.option("tree"))
            options.tree = *tree;
        if (auto entry = parsed.option("entry")) {
            auto [end, error] = std::from_chars(entry->data(), entry->data() + entry->size(), options.entry);
            if (entry->empty() || error != std::errc() || end != entry->data() + entry->size())
                return usage("--entry takes the number of an entry: 0 for the first");
        }
        if (auto scheme = parsed.option("scheme")) {
            if (*scheme != "light" && *scheme != "dark")
                return usage("--scheme is light or dark");
            options.scheme = *scheme == "dark" ? ui::ColorScheme::dark : ui::ColorScheme::light;
        }
        if (auto scale = parsed.option("scale")) {
            char* end = nullptr;
            options.scale = std::strtod(scale->c_str(), &end);
            if (scale->empty() || *end || !(options.scale > 0 && options.scale <= 16))
                return usage("--scale takes a number above 0 and at most 16");
        }
        return options;
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

}

WidgetBundleRunner::WidgetBundleRunner(
    std::string programName, ConfigurationsBuilder configurations, std::shared_ptr<const WidgetStringTable> strings)
    : m_programName(std::move(programName))
    , m_builder(std::move(configurations))
    , m_strings(std::move(strings))
{
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
    return CommandLineProgram(m_programName, { &list, &timeline, &snapshot, &placeholder, &render }).run(arguments, out, err);
}

int WidgetBundleRunner::run(std::span<const std::string> arguments)
{
    return run(arguments, std::cout, std::cerr);
}

}

#include "Platform/Widgets/WidgetBundleRunner.hpp"

#include "Platform/CommandLine/ArgumentParser.hpp"
#include "Platform/CommandLine/Command.hpp"
#include "Platform/CommandLine/JsonPrinting.hpp"
#include "Platform/Runtime/DispatchQueue.hpp"
#include "Platform/Runtime/ISO8601.hpp"
#include "Platform/Runtime/IcuEnvironment.hpp"

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
        const std::string& kind = parsed->positionals[0];
        const WidgetConfiguration* configuration = m_runner.configuration(kind);
        if (!configuration) {
            err << prefix() << "no widget has the kind \"" << kind << "\"; the widgets are:\n";
            for (auto& known : m_runner.configurations())
                err << "  " << known.shortName().value_or(known.kind()) << "  (" << known.kind() << ")\n";
            return usageError;
        }
        if (configuration->supportedFamilies().empty()) {
            err << prefix() << configuration->kind() << " comes in no family\n";
            return failure;
        }
        WidgetFamily family = configuration->supportedFamilies().front();
        if (auto named = parsed->option("family")) {
            auto found = familyNamed(*named);
            if (!found) {
                err << prefix() << "unknown family \"" << *named << "\"; the families are small, medium, large and extraLarge\n";
                return usageError;
            }
            if (!configuration->supports(*found)) {
                err << prefix() << configuration->kind() << " does not come in the " << *named << " family, only in "
                    << familyNames(configuration->supportedFamilies()) << '\n';
                return usageError;
            }
            family = *found;
        }
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
        std::optional<Timeline<AnyTimelineEntry>> timeline;
        configuration.getTimeline(context, [&timeline](Timeline<AnyTimelineEntry> result) { timeline = std::move(result); });
        if (!wait([&timeline] { return timeline.has_value(); }, err))
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

    /// The host's completion may come at once or from the main queue (a provider that reloads
    /// its data first): run the main queue until it has come.
    bool wait(const std::function<bool()>& done, std::ostream& err) const
    {
        if (done() || DispatchQueue::main().runUntil(done, m_runner.completionTimeout()))
            return true;
        err << prefix() << "the provider did not answer within " << m_runner.completionTimeout() << " seconds\n";
        return false;
    }

    Operation m_operation;
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
    return CommandLineProgram(m_programName, { &list, &timeline, &snapshot, &placeholder }).run(arguments, out, err);
}

int WidgetBundleRunner::run(std::span<const std::string> arguments)
{
    return run(arguments, std::cout, std::cerr);
}

}

#include "Platform/Widgets/TimelineProgram.hpp"

#include "Platform/CommandLine/CommandLineProgram.hpp"
#include "Platform/CommandLine/JsonPrinting.hpp"
#include "Platform/Runtime/DispatchQueue.hpp"
#include "Platform/Runtime/ISO8601.hpp"
#include "Platform/Runtime/IcuEnvironment.hpp"

#include <filesystem>
#include <iostream>
#include <ostream>
#include <sstream>
#include <unistd.h>

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

class ListCommand final : public TimelineProgram::WidgetCommand {
public:
    explicit ListCommand(TimelineProgram& program)
        : WidgetCommand(program, "list", "list the widgets with their kinds, names and sizes")
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
        m_program.handOverToTimelinesProgram();
        m_program.prepareForCommand();
        auto& out = call.out;
        auto& strings = m_program.strings();
        if (call.arguments.flag("json")) {
            auto list = nlohmann::json::array();
            for (auto& configuration : m_program.configurations()) {
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
        for (auto& configuration : m_program.configurations()) {
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
class ProviderCommand final : public TimelineProgram::WidgetCommand {
public:
    enum class Operation { timeline, snapshot, placeholder };

    ProviderCommand(TimelineProgram& program, Operation operation)
        : WidgetCommand(program, std::string(nameOf(operation)), std::string(summaryOf(operation)))
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
        text += "\nKIND is a widget's kind or short name (see `" + m_program.programName()
            + " list`); FAMILY is the size asked for (small,\n"
              "medium, large), by default the widget's smallest. Dates are ISO 8601 with offset.\n";
        return text;
    }

    CommandResult run(const Invocation& call) const
    {
        m_program.handOverToTimelinesProgram();
        m_program.prepareForCommand();
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

}

TimelineProgram::WidgetCommand::WidgetCommand(TimelineProgram& program, std::string name, std::string summary)
    : Command(std::move(name), std::move(summary))
    , m_program(program)
{
}

tl::expected<TimelineProgram::WidgetCommand::ChosenWidget, CommandError> TimelineProgram::WidgetCommand::chosenWidget(
    const ParsedArguments& arguments) const
{
    const std::string& kind = arguments.positional("KIND");
    const WidgetConfiguration* configuration = m_program.configuration(kind);
    if (!configuration) {
        std::string message = "no widget has the kind \"" + kind + "\"; the widgets are:";
        for (auto& known : m_program.configurations())
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

CommandResult TimelineProgram::WidgetCommand::wait(const std::function<bool()>& done) const
{
    if (done() || DispatchQueue::main().runUntil(done, m_program.completionTimeout()))
        return {};
    std::ostringstream seconds;
    seconds << m_program.completionTimeout();
    return failure("the provider did not answer within " + seconds.str() + " seconds");
}

tl::expected<Timeline<AnyTimelineEntry>, CommandError> TimelineProgram::WidgetCommand::timelineOf(
    const WidgetConfiguration& configuration, const TimelineProviderContext& context) const
{
    std::optional<Timeline<AnyTimelineEntry>> timeline;
    configuration.getTimeline(context, [&timeline](Timeline<AnyTimelineEntry> result) { timeline = std::move(result); });
    if (auto answered = wait([&timeline] { return timeline.has_value(); }); !answered)
        return tl::unexpected(answered.error());
    return std::move(*timeline);
}

TimelineProgram::TimelineProgram(
    std::string programName, ConfigurationsBuilder configurations, std::shared_ptr<const WidgetStringTable> strings)
    : m_programName(std::move(programName))
    , m_builder(std::move(configurations))
    , m_strings(std::move(strings))
{
}

TimelineProgram::~TimelineProgram() = default;

void TimelineProgram::addCommand(std::unique_ptr<Command> command)
{
    m_commands.push_back(std::move(command));
}

void TimelineProgram::prepareProcess()
{
    IcuEnvironment::configureFromEnvironment();
}

std::string TimelineProgram::programName(int argc, char** argv)
{
    if (argc < 1 || !argv[0] || !*argv[0])
        return "widgets";
    return std::filesystem::path(argv[0]).filename().string();
}

std::vector<std::string> TimelineProgram::arguments(int argc, char** argv)
{
    return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
}

void TimelineProgram::handOverToTimelinesProgram() const
{
    if (!m_timelinesProgram)
        return;
    std::error_code error;
    auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return;
    auto program = self.parent_path() / *m_timelinesProgram;
    if (::access(program.c_str(), X_OK) != 0)
        return;
    // Its messages name this program, whose command line it runs.
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(m_programName.c_str()));
    for (auto& argument : m_arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    std::cout.flush();
    std::cerr.flush();
    ::execv(program.c_str(), argv.data());
    // Could not start it: the commands run here.
}

void TimelineProgram::prepareForCommand() const
{
    if (m_commandPreparation)
        m_commandPreparation();
}

const std::vector<WidgetConfiguration>& TimelineProgram::configurations()
{
    if (!m_configurations)
        m_configurations = m_builder();
    return *m_configurations;
}

const WidgetConfiguration* TimelineProgram::configuration(std::string_view name)
{
    for (auto& configuration : configurations()) {
        if (configuration.kind() == name || configuration.shortName() == name)
            return &configuration;
    }
    return nullptr;
}

int TimelineProgram::runCommands(std::span<const std::string> arguments, std::ostream& out, std::ostream& err, std::vector<Command*> before,
    std::vector<Command*> after, Command* defaultCommand)
{
    m_arguments.assign(arguments.begin(), arguments.end());
    ListCommand list(*this);
    ProviderCommand timeline(*this, ProviderCommand::Operation::timeline);
    ProviderCommand snapshot(*this, ProviderCommand::Operation::snapshot);
    ProviderCommand placeholder(*this, ProviderCommand::Operation::placeholder);
    std::vector<Command*> commands = std::move(before);
    commands.insert(commands.end(), { &list, &timeline, &snapshot, &placeholder });
    commands.insert(commands.end(), after.begin(), after.end());
    for (const auto& command : m_commands)
        commands.push_back(command.get());
    CommandLineProgram program(m_programName, std::move(commands));
    if (defaultCommand)
        program.setDefaultCommand(defaultCommand);
    return program.run(arguments, std::cin, out, err);
}

int TimelineProgram::run(std::span<const std::string> arguments, std::ostream& out, std::ostream& err)
{
    return runCommands(arguments, out, err, {}, {}, nullptr);
}

int TimelineProgram::run(std::span<const std::string> arguments)
{
    return run(arguments, std::cout, std::cerr);
}

}

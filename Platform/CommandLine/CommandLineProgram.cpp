#include "Platform/CommandLine/CommandLineProgram.hpp"

#include "Platform/CommandLine/Command.hpp"
#include "Platform/Runtime/ISO8601.hpp"
#include "Platform/Runtime/ProcessClock.hpp"

#include <algorithm>
#include <iostream>

namespace tvk::cli {

CommandLineProgram::CommandLineProgram(std::string name, std::vector<Command*> commands)
    : m_name(std::move(name))
    , m_commands(std::move(commands))
{
}

Command* CommandLineProgram::command(std::string_view name) const
{
    auto found = std::find_if(m_commands.begin(), m_commands.end(), [&](Command* command) { return command->name() == name; });
    return found == m_commands.end() ? nullptr : *found;
}

void CommandLineProgram::printUsage(std::ostream& out) const
{
    out << "usage: " << m_name
        << " [--now ISO-8601] COMMAND [ARGUMENTS...]\n"
           "\n"
           "Global options (before the command):\n"
           "  --now ISO-8601   pin the clock to this moment, e.g. 2026-12-07T09:30:00+01:00;\n"
           "                   without an offset the time is read in the local time zone\n"
           "  -h, --help       show this help\n"
           "\n"
           "Commands:\n";
    for (auto* command : m_commands) {
        std::string name(command->name());
        out << "  " << name << std::string(name.size() < 16 ? 16 - name.size() : 1, ' ') << command->summary() << '\n';
    }
    if (m_defaultCommand)
        out << "\nWithout a command, " << m_defaultCommand->name() << " runs.\n";
    out << "\nRun `" << m_name << " COMMAND --help` for the arguments of a command.\n";
}

int CommandLineProgram::run(std::span<const std::string> arguments, std::ostream& out, std::ostream& err) const
{
    return run(arguments, std::cin, out, err);
}

int CommandLineProgram::run(std::span<const std::string> arguments, std::istream& in, std::ostream& out, std::ostream& err) const
{
    constexpr int usageError = static_cast<int>(ExitStatus::usageError);
    size_t index = 0;
    while (index < arguments.size() && arguments[index].size() > 1 && arguments[index][0] == '-') {
        const std::string& option = arguments[index];
        if (option == "--help" || option == "-h") {
            printUsage(out);
            return static_cast<int>(ExitStatus::success);
        }
        if (option == "--now" || option.starts_with("--now=")) {
            std::string value;
            if (option == "--now") {
                if (index + 1 >= arguments.size()) {
                    err << m_name << ": --now needs a date, e.g. --now 2026-12-07T09:30:00+01:00\n";
                    return usageError;
                }
                value = arguments[++index];
            } else {
                value = option.substr(6);
            }
            auto date = ISO8601::parse(value);
            if (!date) {
                err << m_name << ": --now: \"" << value << "\" is not an ISO 8601 date (e.g. 2026-12-07T09:30:00+01:00)\n";
                return usageError;
            }
            ProcessClock::pin(*date);
            ++index;
            continue;
        }
        // "--register-handler" and the like: a command spelled as an option, as desktop
        // programs spell their one-shot actions.
        if (Command* named = option.starts_with("--") ? command(std::string_view(option).substr(2)) : nullptr)
            return named->execute(m_name, arguments.subspan(index + 1), in, out, err);
        err << m_name << ": unknown option " << option << "\n\n";
        printUsage(err);
        return usageError;
    }
    if (index >= arguments.size() && m_defaultCommand)
        return m_defaultCommand->execute(m_name, {}, in, out, err);
    if (index >= arguments.size()) {
        printUsage(err);
        return usageError;
    }
    Command* found = command(arguments[index]);
    if (!found) {
        err << m_name << ": unknown command \"" << arguments[index] << "\"\n\n";
        printUsage(err);
        return usageError;
    }
    return found->execute(m_name, arguments.subspan(index + 1), in, out, err);
}

}

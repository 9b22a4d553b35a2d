#pragma once

#include <iosfwd>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tvk::cli {

class Command;

/// The entry of a program made of subcommands: reads the global options before the command
/// name ("--now ISO-8601" pins the process clock, "--help" prints the usage), then has the named
/// command execute the rest. No command runs the default command, when the program has one;
/// otherwise it, an unknown command or an unknown global option print the usage to `err` and
/// exit with a usage error. A command may also be named as an option ("--NAME"), the way
/// desktop programs spell one-shot actions.
class CommandLineProgram {
public:
    /// `commands` are listed in the usage in the order given; the program does not own them.
    CommandLineProgram(std::string name, std::vector<Command*> commands);

    const std::string& name() const { return m_name; }
    Command* command(std::string_view name) const;
    /// What runs, without arguments, when the command line names no command: one of the
    /// program's commands.
    void setDefaultCommand(Command* command) { m_defaultCommand = command; }

    int run(std::span<const std::string> arguments, std::istream& in, std::ostream& out, std::ostream& err) const;
    /// With standard input.
    int run(std::span<const std::string> arguments, std::ostream& out, std::ostream& err) const;
    void printUsage(std::ostream& out) const;

private:
    std::string m_name;
    std::vector<Command*> m_commands;
    Command* m_defaultCommand = nullptr;
};

}

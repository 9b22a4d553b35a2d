#pragma once

#include <iosfwd>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tvk::cli {

/// Exit statuses shared by every subcommand of every program.
enum ExitStatus : int {
    success = 0,
    failure = 1, // the command ran and the answer is "no" or the work failed
    usageError = 2, // bad arguments; the message says what is wrong
};

/// One subcommand of a program such as `tvkctl`: "PROGRAM [GLOBAL OPTIONS] NAME ARGUMENTS...".
class Command {
public:
    virtual ~Command() = default;
    virtual std::string_view name() const = 0;
    /// One line for the command list of `PROGRAM --help`.
    virtual std::string_view summary() const = 0;
    /// The whole help text of `PROGRAM NAME --help`.
    virtual std::string help() const = 0;
    /// Runs with the arguments after the command name; prints results to `out` and messages
    /// to `err`, and returns an `ExitStatus`.
    virtual int run(std::span<const std::string> arguments, std::ostream& out, std::ostream& err) = 0;
};

/// The commands of a program whose commands live one per file and register themselves with
/// `TVK_REGISTER_COMMAND` (link them as object files, so that none is dropped).
class CommandRegistry {
public:
    static bool add(std::unique_ptr<Command> command);
    static Command* find(std::string_view name);
    /// Every registered command, sorted by name.
    static std::vector<Command*> all();
};

/// The entry of a program made of subcommands: reads the global options before the command
/// name ("--now ISO-8601" pins the process clock, "--help" prints the usage), then runs the
/// named command with the rest. No command, an unknown one or an unknown global option print
/// the usage to `err` and give `usageError`.
class CommandLineProgram {
public:
    /// `commands` are listed in the usage in the order given; the program does not own them.
    CommandLineProgram(std::string name, std::vector<Command*> commands);

    const std::string& name() const { return m_name; }
    Command* command(std::string_view name) const;

    int run(std::span<const std::string> arguments, std::ostream& out, std::ostream& err) const;
    void printUsage(std::ostream& out) const;

private:
    std::string m_name;
    std::vector<Command*> m_commands;
};

}

#define TVK_REGISTER_COMMAND(Type)                                                                                                         \
    namespace {                                                                                                                            \
    [[maybe_unused]] const bool registered##Type = ::tvk::cli::CommandRegistry::add(std::make_unique<Type>());                             \
    }

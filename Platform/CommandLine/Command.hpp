#pragma once

#include "Platform/CommandLine/ArgumentSyntax.hpp"
#include "Platform/CommandLine/CommandError.hpp"

#include <functional>
#include <iosfwd>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tvk::cli {

/// What a command's run is given: the arguments its form parsed, and where results and
/// messages go.
struct Invocation {
    const ParsedArguments& arguments;
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    /// "PROGRAM COMMAND: ", which begins every message of the command.
    std::string messagePrefix;

    /// A message that does not stop the command (a file it could not read), on standard error.
    void note(std::string_view message) const;
};

/// One subcommand of a program such as `tvkctl`: "PROGRAM [GLOBAL OPTIONS] NAME ARGUMENTS...".
///
/// A command declares what it takes, in its constructor, in the manner of an argument parser
/// that owns the command line: either one form (`form`), or one form per action, named by the
/// first positional word (`action`; a command may have a form without an action word beside
/// them). Each form is an `ArgumentSyntax` and a function that receives what it parsed and
/// returns a `CommandResult`. The command line is the dispatcher's: `execute` answers "--help"
/// and "-h" (anywhere before "--") with the help, refuses what no form takes with
/// "PROGRAM COMMAND: message" and the help, names an option that belongs to another action as
/// such, and prints a command's own errors in the same form.
class Command {
public:
    using Run = std::function<CommandResult(const Invocation&)>;

    virtual ~Command() = default;
    Command(const Command&) = delete;
    Command& operator=(const Command&) = delete;

    std::string_view name() const { return m_name; }
    /// One line for the command list of `PROGRAM --help`.
    std::string_view summary() const { return m_summary; }
    /// "usage: PROGRAM NAME …", a line for each form, then the description.
    std::string help(std::string_view programName) const;

    /// Runs the command line after the command's name and returns the exit status.
    int execute(
        std::string_view programName, std::span<const std::string> arguments, std::istream& in, std::ostream& out, std::ostream& err) const;

protected:
    Command(std::string name, std::string summary);

    /// The help's prose, after the usage lines.
    virtual std::string description() const = 0;

    /// The form without an action word: the only one of a command without actions, or what the
    /// command does when the line names no action (`tvkctl calendars` beside its actions).
    ArgumentSyntax& form(Run run);
    /// A form named by its first word, the action: "PROGRAM NAME ACTION …".
    ArgumentSyntax& action(std::string name, Run run);
    /// The usage shows the global "--now" before the command: it reads the clock.
    void readsTheClock() { m_readsTheClock = true; }

    template <class Derived> ArgumentSyntax& form(CommandResult (Derived::*run)(const Invocation&) const) { return form(bound(run)); }
    template <class Derived> ArgumentSyntax& action(std::string name, CommandResult (Derived::*run)(const Invocation&) const)
    {
        return action(std::move(name), bound(run));
    }

private:
    struct Form {
        std::string action;
        ArgumentSyntax syntax;
        Run run;
    };

    template <class Derived> Run bound(CommandResult (Derived::*run)(const Invocation&) const)
    {
        return [this, run](const Invocation& invocation) { return (static_cast<const Derived*>(this)->*run)(invocation); };
    }
    /// The form the line names and the words that remain for it; or the usage error.
    tl::expected<std::pair<const Form*, std::vector<std::string>>, std::string> select(std::span<const std::string> arguments) const;

    std::string m_name;
    std::string m_summary;
    std::vector<std::unique_ptr<Form>> m_forms;
    bool m_readsTheClock = false;
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

}

#define TVK_REGISTER_COMMAND(Type)                                                                                                         \
    namespace {                                                                                                                            \
    [[maybe_unused]] const bool registered##Type = ::tvk::cli::CommandRegistry::add(std::make_unique<Type>());                             \
    }

#pragma once

#include <iosfwd>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tvk::tvkctl {

/// Exit statuses shared by every subcommand.
enum ExitStatus : int {
    success = 0,
    failure = 1, // the command ran and the answer is "no" or the work failed
    usageError = 2, // bad arguments; the message says what is wrong
};

/// One `tvkctl` subcommand. Each lives in its own file under Commands/ and registers itself
/// with `TVKCTL_REGISTER_COMMAND`.
class Command {
public:
    virtual ~Command() = default;
    virtual std::string_view name() const = 0;
    /// One line for the command list of `tvkctl --help`.
    virtual std::string_view summary() const = 0;
    /// The whole help text of `tvkctl NAME --help`.
    virtual std::string help() const = 0;
    /// Runs with the arguments after the command name; prints results to `out` and messages
    /// to `err`, and returns an `ExitStatus`.
    virtual int run(std::span<const std::string> arguments, std::ostream& out, std::ostream& err) = 0;
};

class CommandRegistry {
public:
    static bool add(std::unique_ptr<Command> command);
    static Command* find(std::string_view name);
    /// Every registered command, sorted by name.
    static std::vector<Command*> all();
};

}

#define TVKCTL_REGISTER_COMMAND(Type)                                                                                                      \
    namespace {                                                                                                                            \
    [[maybe_unused]] const bool registered##Type = ::tvk::tvkctl::CommandRegistry::add(std::make_unique<Type>());                          \
    }

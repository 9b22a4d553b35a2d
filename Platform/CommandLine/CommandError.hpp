#pragma once

#include <concepts>
#include <string>
#include <tl/expected.hpp>
#include <utility>

namespace tvk::cli {

/// Exit statuses shared by every command of every program.
enum class ExitStatus : int {
    success = 0,
    failure = 1, // the command ran and the answer is "no" or the work failed
    usageError = 2, // bad arguments; the message says what is wrong
};

/// Whether the command's help follows a usage error's message.
enum class UsageHelp {
    follows,
    /// The message says itself what would be accepted (the widgets there are, a pointer to
    /// `--help`), and a page of help would bury it.
    omitted,
};

/// Why a command stopped. The dispatcher prints the message as "PROGRAM COMMAND: message" on
/// standard error and exits with the kind's status.
struct CommandError {
    enum class Kind { usage, failure };

    Kind kind = Kind::failure;
    /// For a failure, may be empty: what the command printed says it (a test that does not
    /// match, a lookup that finds nothing).
    std::string message;
    UsageHelp help = UsageHelp::follows;

    bool operator==(const CommandError&) const = default;
};

using CommandResult = tl::expected<void, CommandError>;

/// `return usageError("--value is not UTF-8 text");` from a command.
inline tl::unexpected<CommandError> usageError(std::string message, UsageHelp help = UsageHelp::follows)
{
    return tl::unexpected(CommandError { CommandError::Kind::usage, std::move(message), help });
}

inline tl::unexpected<CommandError> failure(std::string message = {})
{
    return tl::unexpected(CommandError { CommandError::Kind::failure, std::move(message), UsageHelp::follows });
}

/// The result of an operation whose error carries a `message` (a settings write), as a
/// command's: its failure with that message.
template <class Error>
requires requires(const Error& error)
{
    {
        error.message
        } -> std::convertible_to<std::string>;
}
CommandResult resultOf(const tl::expected<void, Error>& result)
{
    if (result)
        return {};
    return failure(result.error().message);
}

}

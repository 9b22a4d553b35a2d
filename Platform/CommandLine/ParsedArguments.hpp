#pragma once

#include "Platform/Runtime/Date.hpp"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tvk::cli {

/// What `ArgumentSyntax::parse` found, by the names the syntax declares. The values have been
/// checked against their declared types, so the typed accessors answer for every option given;
/// asking by a name the syntax does not declare, or for a type it does not declare, is a fault
/// of the command (it asserts, and reads as absent).
class ParsedArguments {
public:
    bool flag(std::string_view name) const;
    /// An option's value as given.
    std::optional<std::string> option(std::string_view name) const;
    std::optional<Date> date(std::string_view name) const;
    std::optional<std::int64_t> integer(std::string_view name) const;
    std::optional<double> number(std::string_view name) const;

    /// A required positional argument.
    const std::string& positional(std::string_view name) const;
    /// An optional one; none when the command line ends before it.
    std::optional<std::string> optionalPositional(std::string_view name) const;
    /// The positionals a trailing list took, in order.
    const std::vector<std::string>& positionals(std::string_view name) const;

    bool operator==(const ParsedArguments&) const = default;

private:
    friend class ArgumentSyntax;

    /// Every declared flag, with whether it was given.
    std::map<std::string, bool, std::less<>> m_flags;
    /// Every declared option, with its value when given.
    std::map<std::string, std::optional<std::string>, std::less<>> m_options;
    /// Every declared positional and trailing list.
    std::map<std::string, std::vector<std::string>, std::less<>> m_positionals;
};

/// The readings of the typed values, shared by the parser (which refuses what does not read) and
/// the accessors.
namespace values {
/// A decimal integer, optionally signed ('+' or '-'), nothing around it, within 64 bits.
std::optional<std::int64_t> integer(std::string_view text);
/// A finite decimal number.
std::optional<double> number(std::string_view text);
}

}

#pragma once

#include "Platform/CommandLine/ParsedArguments.hpp"

#include <span>
#include <string>
#include <string_view>
#include <tl/expected.hpp>
#include <vector>

namespace tvk::cli {

enum class Requirement { optional, required };

/// What an option's value must be. The parser refuses any other value with a message that
/// names the option, so a command never checks it again.
enum class ValueType {
    text,
    /// ISO 8601, as `ISO8601::parse` reads it: a time without offset is local.
    date,
    /// A whole number within 64 bits, optionally signed.
    integer,
    /// A finite decimal number.
    number,
};

/// One form of a command line, declared once: its options and positional arguments, from which
/// come the parser, the form's line of the usage, and the messages for what does not fit.
///
/// Options are "--name VALUE" or "--name=VALUE", flags "--name" alone, anywhere on the line; "--"
/// ends the options; "-" and a negative number ("-5") are positionals. Positionals are taken in
/// the order declared: the required ones, then the optional ones, then a trailing list. Errors:
/// an unknown option, a value given to a flag or missing after an option, an option given twice,
/// a value that is not of the option's type, a required option left out, and too few or too many
/// positionals.
class ArgumentSyntax {
public:
    ArgumentSyntax& flag(std::string name);
    ArgumentSyntax& option(
        std::string name, std::string valueName, ValueType type = ValueType::text, Requirement requirement = Requirement::optional);
    /// Optional positionals come after the required ones.
    ArgumentSyntax& positional(std::string name, Requirement requirement = Requirement::required);
    /// Every positional after the single ones, at least `minimum` of them; the last declaration.
    ArgumentSyntax& positionals(std::string name, size_t minimum = 0);

    /// A flag or an option of this name is declared.
    bool declares(std::string_view optionName) const;
    /// An option of this name takes a value (a flag does not).
    bool takesValue(std::string_view optionName) const;

    /// The form's part of a usage line, in declaration order: "KIND [--family FAMILY] [--json]".
    std::string synopsis() const;

    /// `context` names the form in the messages on the number of positionals ("missing
    /// arguments for remove"); without it they speak of the command line as a whole.
    tl::expected<ParsedArguments, std::string> parse(std::span<const std::string> arguments, std::string_view context = {}) const;

private:
    struct Item {
        enum class Kind { flag, option, positional, list };
        Kind kind;
        std::string name;
        std::string valueName;
        ValueType type = ValueType::text;
        Requirement requirement = Requirement::optional;
        size_t minimum = 0;
    };
    const Item* find(std::string_view optionName) const;

    std::vector<Item> m_items;
};

/// Whether a command-line word is an option rather than a positional: "-" and negative numbers
/// are positionals.
bool isOptionWord(std::string_view word);

}

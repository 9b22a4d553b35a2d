#pragma once

#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <tl/expected.hpp>
#include <vector>

namespace tvk::cli {

struct ParsedArguments {
    std::vector<std::string> positionals;
    std::map<std::string, std::string> options;
    std::set<std::string> flags;
    bool helpRequested = false;

    std::optional<std::string> option(const std::string& name) const
    {
        auto found = options.find(name);
        return found == options.end() ? std::nullopt : std::optional<std::string>(found->second);
    }
    bool flag(const std::string& name) const { return flags.contains(name); }

    /// For "COMMAND ACTION …" commands whose first positional names the action: the message for
    /// an action missing from `allowed`, an option or flag that `allowed` does not list for it,
    /// or a number of positionals (the action's included) other than `expectedPositionals`;
    /// none when the call is well formed.
    std::optional<std::string> checkAction(const std::map<std::string, std::set<std::string>>& allowed, size_t expectedPositionals) const;
};

/// Parses "--name VALUE", "--name=VALUE", "--flag", "--help"/"-h" and positionals; "--" ends
/// the options; a negative number ("-5") is a positional. Unknown options, a missing value, a repeated option and a positional count
/// outside the given range are errors with a message for the user.
class ArgumentParser {
public:
    ArgumentParser& option(std::string name)
    {
        m_options.insert(std::move(name));
        return *this;
    }
    ArgumentParser& flag(std::string name)
    {
        m_flags.insert(std::move(name));
        return *this;
    }
    ArgumentParser& positionals(size_t minimum, size_t maximum)
    {
        m_minimumPositionals = minimum;
        m_maximumPositionals = maximum;
        return *this;
    }

    tl::expected<ParsedArguments, std::string> parse(std::span<const std::string> arguments) const;

private:
    std::set<std::string> m_options;
    std::set<std::string> m_flags;
    size_t m_minimumPositionals = 0;
    size_t m_maximumPositionals = 0;
};

}

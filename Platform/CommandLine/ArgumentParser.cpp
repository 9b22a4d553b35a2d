#include "Platform/CommandLine/ArgumentParser.hpp"

namespace tvk::cli {

tl::expected<ParsedArguments, std::string> ArgumentParser::parse(std::span<const std::string> arguments) const
{
    ParsedArguments parsed;
    bool optionsEnded = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        bool negativeNumber = argument.size() >= 2 && argument[0] == '-' && argument[1] >= '0' && argument[1] <= '9';
        if (optionsEnded || argument.size() < 2 || argument[0] != '-' || negativeNumber) {
            parsed.positionals.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (argument == "--help" || argument == "-h") {
            parsed.helpRequested = true;
            continue;
        }
        if (argument.rfind("--", 0) != 0)
            return tl::unexpected("unknown option " + argument);
        std::string name = argument.substr(2);
        std::optional<std::string> inlineValue;
        if (auto equals = name.find('='); equals != std::string::npos) {
            inlineValue = name.substr(equals + 1);
            name.resize(equals);
        }
        if (m_flags.contains(name)) {
            if (inlineValue)
                return tl::unexpected("option --" + name + " takes no value");
            parsed.flags.insert(name);
            continue;
        }
        if (!m_options.contains(name))
            return tl::unexpected("unknown option --" + name);
        if (parsed.options.contains(name))
            return tl::unexpected("option --" + name + " given twice");
        if (inlineValue) {
            parsed.options[name] = *inlineValue;
        } else {
            if (i + 1 >= arguments.size())
                return tl::unexpected("option --" + name + " needs a value");
            parsed.options[name] = arguments[++i];
        }
    }
    if (parsed.helpRequested)
        return parsed;
    if (parsed.positionals.size() < m_minimumPositionals)
        return tl::unexpected(std::string("missing arguments"));
    if (parsed.positionals.size() > m_maximumPositionals)
        return tl::unexpected("unexpected argument \"" + parsed.positionals[m_maximumPositionals] + "\"");
    return parsed;
}

std::optional<std::string> ParsedArguments::checkAction(
    const std::map<std::string, std::set<std::string>>& allowed, size_t expectedPositionals) const
{
    const std::string& action = positionals.at(0);
    auto options = allowed.find(action);
    if (options == allowed.end())
        return "unknown action \"" + action + "\"";
    for (auto& [option, value] : this->options) {
        if (!options->second.contains(option))
            return "--" + option + " does not apply to " + action;
    }
    for (auto& flag : flags) {
        if (!options->second.contains(flag))
            return "--" + flag + " does not apply to " + action;
    }
    if (positionals.size() != expectedPositionals)
        return positionals.size() < expectedPositionals ? "missing arguments for " + action : "too many arguments for " + action;
    return std::nullopt;
}

}

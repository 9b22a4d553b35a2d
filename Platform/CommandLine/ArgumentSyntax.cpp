#include "Platform/CommandLine/ArgumentSyntax.hpp"

#include "Platform/Runtime/ISO8601.hpp"

#include <algorithm>
#include <cassert>

namespace tvk::cli {

namespace {

/// The message for a value that is not of its option's type; none for one that is.
std::optional<std::string> valueProblem(std::string_view option, const std::string& value, ValueType type)
{
    switch (type) {
    case ValueType::text: return std::nullopt;
    case ValueType::date:
        if (ISO8601::parse(value))
            return std::nullopt;
        return "--" + std::string(option) + ": \"" + value + "\" is not an ISO 8601 date (e.g. 2026-12-07T09:30:00+01:00)";
    case ValueType::integer:
        if (values::integer(value))
            return std::nullopt;
        return "--" + std::string(option) + ": \"" + value + "\" is not a whole number";
    case ValueType::number:
        if (values::number(value))
            return std::nullopt;
        return "--" + std::string(option) + ": \"" + value + "\" is not a number";
    }
    return std::nullopt;
}

}

bool isOptionWord(std::string_view word)
{
    if (word.size() < 2 || word.front() != '-')
        return false;
    return !(word[1] >= '0' && word[1] <= '9');
}

ArgumentSyntax& ArgumentSyntax::flag(std::string name)
{
    m_items.push_back({ Item::Kind::flag, std::move(name) });
    return *this;
}

ArgumentSyntax& ArgumentSyntax::option(std::string name, std::string valueName, ValueType type, Requirement requirement)
{
    m_items.push_back({ Item::Kind::option, std::move(name), std::move(valueName), type, requirement });
    return *this;
}

ArgumentSyntax& ArgumentSyntax::positional(std::string name, Requirement requirement)
{
    assert(std::none_of(m_items.begin(), m_items.end(), [](const Item& item) { return item.kind == Item::Kind::list; }));
    m_items.push_back({ Item::Kind::positional, std::move(name), {}, ValueType::text, requirement });
    return *this;
}

ArgumentSyntax& ArgumentSyntax::positionals(std::string name, size_t minimum)
{
    assert(std::none_of(m_items.begin(), m_items.end(), [](const Item& item) { return item.kind == Item::Kind::list; }));
    m_items.push_back({ Item::Kind::list, std::move(name), {}, ValueType::text, Requirement::optional, minimum });
    return *this;
}

const ArgumentSyntax::Item* ArgumentSyntax::find(std::string_view optionName) const
{
    for (auto& item : m_items) {
        if ((item.kind == Item::Kind::flag || item.kind == Item::Kind::option) && item.name == optionName)
            return &item;
    }
    return nullptr;
}

bool ArgumentSyntax::declares(std::string_view optionName) const
{
    return find(optionName) != nullptr;
}

bool ArgumentSyntax::takesValue(std::string_view optionName) const
{
    auto* item = find(optionName);
    return item && item->kind == Item::Kind::option;
}

std::string ArgumentSyntax::synopsis() const
{
    std::string text;
    for (auto& item : m_items) {
        std::string part;
        bool optional = item.requirement == Requirement::optional;
        switch (item.kind) {
        case Item::Kind::flag: part = "--" + item.name; break;
        case Item::Kind::option: part = "--" + item.name + " " + item.valueName; break;
        case Item::Kind::positional: part = item.name; break;
        case Item::Kind::list:
            part = item.name + "...";
            optional = item.minimum == 0;
            break;
        }
        text += (text.empty() ? "" : " ") + (optional ? "[" + part + "]" : part);
    }
    return text;
}

tl::expected<ParsedArguments, std::string> ArgumentSyntax::parse(std::span<const std::string> arguments, std::string_view context) const
{
    ParsedArguments parsed;
    for (auto& item : m_items) {
        switch (item.kind) {
        case Item::Kind::flag: parsed.m_flags[item.name] = false; break;
        case Item::Kind::option: parsed.m_options[item.name] = std::nullopt; break;
        case Item::Kind::positional:
        case Item::Kind::list: parsed.m_positionals[item.name] = {}; break;
        }
    }

    std::vector<std::string> words;
    bool optionsEnded = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || !isOptionWord(argument)) {
            words.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (!argument.starts_with("--"))
            return tl::unexpected("unknown option " + argument);
        std::string name = argument.substr(2);
        std::optional<std::string> inlineValue;
        if (auto equals = name.find('='); equals != std::string::npos) {
            inlineValue = name.substr(equals + 1);
            name.resize(equals);
        }
        auto* item = find(name);
        if (!item)
            return tl::unexpected("unknown option --" + name);
        if (item->kind == Item::Kind::flag) {
            if (inlineValue)
                return tl::unexpected("option --" + name + " takes no value");
            parsed.m_flags[name] = true;
            continue;
        }
        auto& value = parsed.m_options[name];
        if (value)
            return tl::unexpected("option --" + name + " given twice");
        if (!inlineValue) {
            if (i + 1 >= arguments.size())
                return tl::unexpected("option --" + name + " needs a value");
            inlineValue = arguments[++i];
        }
        if (auto problem = valueProblem(name, *inlineValue, item->type))
            return tl::unexpected(*problem);
        value = std::move(*inlineValue);
    }

    std::string forContext = context.empty() ? std::string() : " for " + std::string(context);
    size_t next = 0;
    for (auto& item : m_items) {
        if (item.kind == Item::Kind::positional) {
            if (next < words.size())
                parsed.m_positionals[item.name].push_back(words[next++]);
            else if (item.requirement == Requirement::required)
                return tl::unexpected("missing arguments" + forContext);
        } else if (item.kind == Item::Kind::list) {
            auto& list = parsed.m_positionals[item.name];
            list.assign(words.begin() + static_cast<long>(next), words.end());
            next = words.size();
            if (list.size() < item.minimum)
                return tl::unexpected("missing arguments" + forContext);
        }
    }
    if (next < words.size()) {
        if (context.empty())
            return tl::unexpected("unexpected argument \"" + words[next] + "\"");
        return tl::unexpected("too many arguments" + forContext);
    }
    for (auto& item : m_items) {
        if (item.kind == Item::Kind::option && item.requirement == Requirement::required && !parsed.m_options[item.name])
            return tl::unexpected("--" + item.name + " " + item.valueName + " is required");
    }
    return parsed;
}

}

#include "Platform/CommandLine/ParsedArguments.hpp"

#include "Platform/Runtime/ISO8601.hpp"

#include <cassert>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace tvk::cli {

namespace values {

std::optional<std::int64_t> integer(std::string_view text)
{
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-')
            return std::nullopt;
    }
    std::int64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<double> number(std::string_view text)
{
    std::string copy(text);
    char* end = nullptr;
    double value = std::strtod(copy.c_str(), &end);
    if (copy.empty() || *end != '\0' || !std::isfinite(value))
        return std::nullopt;
    return value;
}

}

namespace {

template <class Value, class Read> std::optional<Value> typed(const std::optional<std::string>& text, Read read)
{
    if (!text)
        return std::nullopt;
    auto value = read(*text);
    assert(value && "the option is declared with another type");
    return value;
}

}

bool ParsedArguments::flag(std::string_view name) const
{
    auto found = m_flags.find(name);
    assert(found != m_flags.end() && "no such flag is declared");
    return found != m_flags.end() && found->second;
}

std::optional<std::string> ParsedArguments::option(std::string_view name) const
{
    auto found = m_options.find(name);
    assert(found != m_options.end() && "no such option is declared");
    return found == m_options.end() ? std::nullopt : found->second;
}

std::optional<Date> ParsedArguments::date(std::string_view name) const
{
    return typed<Date>(option(name), [](const std::string& text) { return ISO8601::parse(text); });
}

std::optional<std::int64_t> ParsedArguments::integer(std::string_view name) const
{
    return typed<std::int64_t>(option(name), values::integer);
}

std::optional<double> ParsedArguments::number(std::string_view name) const
{
    return typed<double>(option(name), values::number);
}

const std::vector<std::string>& ParsedArguments::positionals(std::string_view name) const
{
    static const std::vector<std::string> none;
    auto found = m_positionals.find(name);
    assert(found != m_positionals.end() && "no such positional is declared");
    return found == m_positionals.end() ? none : found->second;
}

const std::string& ParsedArguments::positional(std::string_view name) const
{
    static const std::string empty;
    auto& values = positionals(name);
    assert(!values.empty() && "the positional is not declared as required");
    return values.empty() ? empty : values.front();
}

std::optional<std::string> ParsedArguments::optionalPositional(std::string_view name) const
{
    auto& values = positionals(name);
    return values.empty() ? std::nullopt : std::optional(values.front());
}

}

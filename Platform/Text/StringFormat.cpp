#include "Platform/Text/StringFormat.hpp"

#include <charconv>
#include <optional>

namespace tvk {

std::string FormatArgument::text() const
{
    if (auto* integer = std::get_if<std::int64_t>(&m_value))
        return std::to_string(*integer);
    return std::get<std::string>(m_value);
}

std::optional<std::int64_t> FormatArgument::integer() const
{
    if (auto* integer = std::get_if<std::int64_t>(&m_value))
        return *integer;
    const auto& text = std::get<std::string>(m_value);
    std::string_view digits(text);
    if (digits.starts_with('+'))
        digits.remove_prefix(1);
    std::int64_t value = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size() || digits.empty())
        return std::nullopt;
    return value;
}

namespace {

/// Positional indices above this are refused: no catalog text has more arguments, and a huge
/// index from a hostile file must not make anyone allocate for it.
constexpr int maximumArgumentIndex = 64;

struct Placeholder {
    std::size_t begin = 0;
    std::size_t end = 0;
    bool percent = false; // "%%"
    int position = 0; // 1-based explicit position, 0 when sequential
    bool leftAlign = false;
    bool zeroPad = false;
    char sign = 0; // '+' or ' '
    int width = 0;
    char conversion = 0;
};

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

/// Reads the placeholder that starts at `begin` (a '%'); none when the text there is not a
/// placeholder this format understands, in which case it is copied as written.
std::optional<Placeholder> readPlaceholder(std::string_view format, std::size_t begin)
{
    Placeholder placeholder;
    placeholder.begin = begin;
    std::size_t i = begin + 1;
    auto at = [&](std::size_t index) { return index < format.size() ? format[index] : '\0'; };
    if (at(i) == '%') {
        placeholder.percent = true;
        placeholder.end = i + 1;
        return placeholder;
    }
    // An explicit position: digits followed by '$'.
    std::size_t digitsEnd = i;
    while (isDigit(at(digitsEnd)))
        ++digitsEnd;
    if (digitsEnd > i && at(digitsEnd) == '$') {
        int position = 0;
        for (std::size_t k = i; k < digitsEnd; ++k) {
            position = position * 10 + (format[k] - '0');
            if (position > maximumArgumentIndex)
                return std::nullopt;
        }
        if (position == 0)
            return std::nullopt;
        placeholder.position = position;
        i = digitsEnd + 1;
    }
    for (;; ++i) {
        char c = at(i);
        if (c == '-')
            placeholder.leftAlign = true;
        else if (c == '0')
            placeholder.zeroPad = true;
        else if (c == '+' || (c == ' ' && placeholder.sign != '+'))
            placeholder.sign = c;
        else if (c == '#' || c == '\'')
            continue;
        else
            break;
    }
    while (isDigit(at(i))) {
        placeholder.width = placeholder.width * 10 + (at(i) - '0');
        if (placeholder.width > 1000)
            return std::nullopt;
        ++i;
    }
    if (at(i) == '.') {
        // A precision is accepted and ignored: catalog texts have no floating-point values.
        ++i;
        while (isDigit(at(i)))
            ++i;
    }
    while (at(i) == 'h' || at(i) == 'l' || at(i) == 'q' || at(i) == 'z' || at(i) == 't' || at(i) == 'j' || at(i) == 'L')
        ++i;
    char conversion = at(i);
    switch (conversion) {
    case '@':
    case 's':
    case 'd':
    case 'i':
    case 'u':
    case 'x':
    case 'X':
    case 'o':
    case 'c': break;
    default: return std::nullopt;
    }
    placeholder.conversion = conversion;
    placeholder.end = i + 1;
    return placeholder;
}

FormatArgumentKind kindOf(char conversion)
{
    return conversion == '@' || conversion == 's' ? FormatArgumentKind::text : FormatArgumentKind::integer;
}

template <typename Visitor> void forEachPlaceholder(std::string_view format, Visitor&& visitor)
{
    std::size_t literalStart = 0;
    std::size_t i = 0;
    while ((i = format.find('%', i)) != std::string_view::npos) {
        auto placeholder = readPlaceholder(format, i);
        if (!placeholder) {
            ++i;
            continue;
        }
        visitor(format.substr(literalStart, i - literalStart), &*placeholder);
        i = literalStart = placeholder->end;
    }
    visitor(format.substr(literalStart), nullptr);
}

std::string padded(std::string text, const Placeholder& placeholder, bool numeric)
{
    if (placeholder.width <= 0 || static_cast<int>(text.size()) >= placeholder.width)
        return text;
    std::size_t fill = static_cast<std::size_t>(placeholder.width) - text.size();
    if (placeholder.leftAlign)
        return text + std::string(fill, ' ');
    if (placeholder.zeroPad && numeric) {
        std::size_t signLength = (!text.empty() && (text[0] == '-' || text[0] == '+' || text[0] == ' ')) ? 1 : 0;
        return text.substr(0, signLength) + std::string(fill, '0') + text.substr(signLength);
    }
    return std::string(fill, ' ') + text;
}

std::string formattedInteger(std::int64_t value, const Placeholder& placeholder)
{
    char buffer[32];
    auto unsignedValue = static_cast<std::uint64_t>(value);
    std::to_chars_result result {};
    switch (placeholder.conversion) {
    case 'x': result = std::to_chars(buffer, buffer + sizeof buffer, unsignedValue, 16); break;
    case 'X': {
        result = std::to_chars(buffer, buffer + sizeof buffer, unsignedValue, 16);
        for (char* c = buffer; c != result.ptr; ++c)
            if (*c >= 'a' && *c <= 'f')
                *c = static_cast<char>(*c - 'a' + 'A');
        break;
    }
    case 'o': result = std::to_chars(buffer, buffer + sizeof buffer, unsignedValue, 8); break;
    case 'u': result = std::to_chars(buffer, buffer + sizeof buffer, unsignedValue); break;
    case 'c': {
        std::string character;
        auto scalar = static_cast<std::uint64_t>(value);
        if (scalar > 0 && scalar < 0x80)
            character = std::string(1, static_cast<char>(scalar));
        return character;
    }
    default: {
        result = std::to_chars(buffer, buffer + sizeof buffer, value);
        std::string text(buffer, result.ptr);
        if (value >= 0 && placeholder.sign)
            text.insert(text.begin(), placeholder.sign);
        return text;
    }
    }
    return std::string(buffer, result.ptr);
}

}

tl::expected<std::vector<FormatArgumentKind>, std::string> StringFormat::argumentKinds(std::string_view format)
{
    std::vector<std::optional<FormatArgumentKind>> kinds;
    std::string error;
    int nextSequential = 0;
    forEachPlaceholder(format, [&](std::string_view, const Placeholder* placeholder) {
        if (!placeholder || placeholder->percent || !error.empty())
            return;
        int index = placeholder->position > 0 ? placeholder->position - 1 : nextSequential++;
        if (index >= maximumArgumentIndex) {
            error = "too many arguments";
            return;
        }
        if (static_cast<std::size_t>(index) >= kinds.size())
            kinds.resize(static_cast<std::size_t>(index) + 1);
        auto kind = kindOf(placeholder->conversion);
        auto& slot = kinds[static_cast<std::size_t>(index)];
        if (slot && *slot != kind)
            error = "argument " + std::to_string(index + 1) + " is used both as a text and as an integer";
        slot = kind;
    });
    if (!error.empty())
        return tl::unexpected(error);
    std::vector<FormatArgumentKind> result;
    for (std::size_t index = 0; index < kinds.size(); ++index) {
        if (!kinds[index])
            return tl::unexpected("argument " + std::to_string(index + 1) + " is never used");
        result.push_back(*kinds[index]);
    }
    return result;
}

std::string StringFormat::format(std::string_view format, std::span<const FormatArgument> arguments)
{
    std::string output;
    output.reserve(format.size() + 16);
    std::size_t nextSequential = 0;
    forEachPlaceholder(format, [&](std::string_view literal, const Placeholder* placeholder) {
        output += literal;
        if (!placeholder)
            return;
        if (placeholder->percent) {
            output += '%';
            return;
        }
        std::size_t index = placeholder->position > 0 ? static_cast<std::size_t>(placeholder->position - 1) : nextSequential++;
        if (index >= arguments.size()) {
            output += format.substr(placeholder->begin, placeholder->end - placeholder->begin);
            return;
        }
        const FormatArgument& argument = arguments[index];
        if (kindOf(placeholder->conversion) == FormatArgumentKind::text) {
            output += padded(argument.text(), *placeholder, false);
        } else if (auto integer = argument.integer()) {
            output += padded(formattedInteger(*integer, *placeholder), *placeholder, true);
        } else {
            output += padded(argument.text(), *placeholder, false);
        }
    });
    return output;
}

std::optional<std::int64_t> StringFormat::pluralCount(std::span<const FormatArgument> arguments)
{
    for (auto& argument : arguments) {
        if (argument.isInteger())
            return argument.integer();
    }
    return std::nullopt;
}

}
